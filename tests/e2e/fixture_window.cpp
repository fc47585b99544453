// A small window program that the end-to-end harness tests itself against: a main
// window with a list view, an "Ask" button that opens a Yes/No box and an "Exit"
// button. Its behaviour is fixed so that the harness's readings can be checked.
//
// Command line (first argument only):
//   /MIN       show the window minimised
//   /FAIL      show an error box at start and end with exit code 3 after it is answered
//   /DETAILS   report view instead of large icons
// Environment:
//   E2E_FIXTURE_CAPTION   appended to the caption after " - " at the first activation
//   E2E_FIXTURE_EXIT_CODE exit code after "Exit" (default 0)
//   PALLISAR_STATE_FILE   written on the registered message "PallisarWriteState", in the
//                         format of pallisar.exe's state report (caption, view, a tray
//                         menu, the list items read back from the list view)

// commctrl.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kIdList = 100;
constexpr int kIdAsk = 101;
constexpr int kIdExit = 102;
constexpr char kCaption[] = "E2E Fixture Window";

std::string EnvText(const char* name) {
    char buffer[1024];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

struct Fixture {
    HWND list = nullptr;
    HIMAGELIST large = nullptr;
    HIMAGELIST small = nullptr;
    bool activated = false;
};
Fixture gFixture;

void AddItem(const char* title, const char* path, int image) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(gFixture.list);
    item.pszText = const_cast<char*>(title);
    item.iImage = image;
    const int index = static_cast<int>(
        SendMessageA(gFixture.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(path);
    SendMessageA(gFixture.list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
}

void AddColumn(int index, const char* text, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text);
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(gFixture.list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void CreateControls(HWND window, bool details) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    CreateWindowExA(0, "BUTTON", "Ask", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 15, 16, 75, 25,
                    window, reinterpret_cast<HMENU>(kIdAsk), instance, nullptr);
    CreateWindowExA(0, "BUTTON", "Exit", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 15, 48, 75, 25,
                    window, reinterpret_cast<HMENU>(kIdExit), instance, nullptr);
    const DWORD view = details ? LVS_REPORT : LVS_ICON;
    gFixture.list = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | view, 105, 0,
        400, 300, window, reinterpret_cast<HMENU>(kIdList), instance, nullptr);
    // Three stock icons, so that every item has a distinct image index to read back.
    gFixture.large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 3, 0);
    gFixture.small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    for (LPCSTR id : {IDI_APPLICATION, IDI_WARNING, IDI_INFORMATION}) {
        HICON icon = LoadIconA(nullptr, id);
        ImageList_AddIcon(gFixture.large, icon);
        ImageList_AddIcon(gFixture.small, icon);
    }
    ListView_SetImageList(gFixture.list, gFixture.large, LVSIL_NORMAL);
    ListView_SetImageList(gFixture.list, gFixture.small, LVSIL_SMALL);
    AddColumn(0, "Title", 120);
    AddColumn(1, "Path", 240);
    AddItem("Alpha", "C:\\games\\alpha.exe", 0);
    AddItem("beta", "INTERNAL", 1);
    AddItem("gamma", "", 2);
}

void Ask(HWND window) {
    const int answer =
        MessageBoxA(window, "Proceed with the test?", "Confirm", MB_YESNO | MB_ICONQUESTION);
    AddItem(answer == IDYES ? "answered Yes" : "answered No", "", 0);
}

void WriteState(HWND window) {
    const std::string path = EnvText("PALLISAR_STATE_FILE");
    FILE* out = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    if (out == nullptr) return;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    const bool details = (GetWindowLongA(gFixture.list, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
    std::fprintf(out, "caption=%s\nviewstyle=%d\n", caption, details ? 3 : 0);
    std::fprintf(out, "[menu TrayPopup]\nitem=Alpha\t\t0\nitem=-\ts\t-1\n");
    std::fprintf(out, "item=&Restore\td\t-1\nitem=E&xit\t\t-1\n[list]\n");
    const int count = ListView_GetItemCount(gFixture.list);
    for (int index = 0; index < count; ++index) {
        char title[256] = {};
        char pathText[256] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index;
        item.pszText = title;
        item.cchTextMax = sizeof title;
        SendMessageA(gFixture.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        ListView_GetItemText(gFixture.list, index, 1, pathText, sizeof pathText);
        std::fprintf(out, "item=%s\t%d\t%s\n", title, item.iImage, pathText);
    }
    std::fclose(out);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    static const UINT writeState = RegisterWindowMessageA("PallisarWriteState");
    if (message == writeState) {
        WriteState(window);
        return 0;
    }
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE && !gFixture.activated) {
                gFixture.activated = true;
                const std::string suffix = EnvText("E2E_FIXTURE_CAPTION");
                if (!suffix.empty()) {
                    SetWindowTextA(window, (std::string(kCaption) + " - " + suffix).c_str());
                }
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wparam) == kIdAsk) Ask(window);
            if (LOWORD(wparam) == kIdExit) DestroyWindow(window);
            return 0;
        case WM_DESTROY: {
            const std::string code = EnvText("E2E_FIXTURE_EXIT_CODE");
            PostQuitMessage(code.empty() ? 0 : std::atoi(code.c_str()));
            return 0;
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string args = commandLine;
    if (args.rfind("/FAIL", 0) == 0) {
        MessageBoxA(nullptr, "Fixture start-up failed", "Error", MB_OK | MB_ICONERROR);
        return 3;
    }

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "E2EFixtureWindow";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, windowClass.lpszClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 623, 420, nullptr, nullptr, instance, nullptr);
    CreateControls(window, args.rfind("/DETAILS", 0) == 0);
    ShowWindow(window, args.rfind("/MIN", 0) == 0 ? SW_SHOWMINIMIZED : show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    ImageList_Destroy(gFixture.large);
    ImageList_Destroy(gFixture.small);
    return static_cast<int>(message.wParam);
}
