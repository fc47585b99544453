// The yardstick for the launcher's start-up: a bare Win32 program that creates a window
// with a large-icon list view and fills it with N items sharing one icon made in memory,
// doing nothing else. The start-up benchmark times it from process start until its list
// reports N items, beside pallisar.exe with a catalogue of N games.
//
//   bareList N [/autoarrange]
//
// The window's caption is "Bare List"; /autoarrange gives the list LVS_AUTOARRANGE as
// the launcher's list has it.

// commctrl.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kClassName[] = "BareListWindow";
constexpr char kCaption[] = "Bare List";
constexpr int kIdList = 100;

struct State {
    HWND list = nullptr;
    int count = 0;
    bool autoArrange = false;
};
State gState;

// One 32 x 32 icon drawn from bits in memory: no file is read.
HICON MakeIcon() {
    BYTE andMask[32 * 32 / 8];
    BYTE xorMask[32 * 32 / 8];
    std::memset(andMask, 0x00, sizeof andMask);
    for (size_t i = 0; i < sizeof xorMask; ++i) xorMask[i] = (i / 4) % 2 ? 0xF0 : 0x0F;
    return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

void Fill(HWND window) {
    const DWORD arrange = gState.autoArrange ? LVS_AUTOARRANGE : 0;
    gState.list = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ICON | arrange, 0, 0, 500,
        360, window, reinterpret_cast<HMENU>(kIdList), GetModuleHandleA(nullptr), nullptr);
    HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
    HICON icon = MakeIcon();
    ImageList_AddIcon(images, icon);
    DestroyIcon(icon);
    ListView_SetImageList(gState.list, images, LVSIL_NORMAL);
    for (int i = 0; i < gState.count; ++i) {
        std::string caption = "Game " + std::to_string(i);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = caption.data();
        item.iImage = 0;
        SendMessageA(gState.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            Fill(window);
            return 0;
        case WM_SIZE:
            if (gState.list) MoveWindow(gState.list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    gState.count = __argc > 1 ? std::atoi(__argv[1]) : 0;
    gState.autoArrange = __argc > 2 && lstrcmpiA(__argv[2], "/autoarrange") == 0;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 623, 420, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
