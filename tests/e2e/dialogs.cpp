#include "dialogs.h"

#include <shellapi.h>

#include <fstream>

namespace pallisar::e2e {

namespace {

struct ItemSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchItem(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ItemSearch*>(param);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

struct DialogSearch {
    DWORD pid;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) || WindowClass(window) != "#32770" ||
        WindowText(window) != *search->caption) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || WindowClass(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindWindowOf(DWORD processId, const char* className, bool visible) {
    WindowSearch search{processId, className, nullptr};
    EnumWindows(MatchClass, reinterpret_cast<LPARAM>(&search));
    if (visible && search.found && !IsWindowVisible(search.found)) return nullptr;
    return search.found;
}

RECT ScreenRect(HWND window) {
    RECT rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window) GetWindowRect(window, &rect);
    return rect;
}

DWORD Stride(int width) { return ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4; }

// The screen under `rect` as a bottom-up 24-bit DIB, each row padded to 4 bytes.
std::vector<char> ScreenBits(const RECT& rect, BITMAPINFOHEADER* header) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::vector<char> bytes;
    if (bits) {
        const char* first = static_cast<const char*>(bits);
        bytes.assign(first, first + Stride(width) * static_cast<DWORD>(height));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    *header = info.bmiHeader;
    return bytes;
}

}  // namespace

HWND Item(HWND dialog, int id) {
    ItemSearch search{id, nullptr};
    EnumChildWindows(dialog, MatchItem, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(DWORD processId, const std::string& caption) {
    DialogSearch search{processId, &caption, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

testing::AssertionResult WaitForDialog(const AppProcess& app, const std::string& caption,
                                       HWND* dialog) {
    for (int wait = 0; wait < 400; ++wait) {
        if ((*dialog = FindDialog(app.Id(), caption))) return testing::AssertionSuccess();
        Sleep(50);
    }
    return testing::AssertionFailure() << "no dialog \"" << caption << "\"";
}

testing::AssertionResult WaitForMessageBoxTitled(const AppProcess& app, const std::string& caption,
                                                 MessageBoxInfo* box) {
    for (int wait = 0; wait < 400; ++wait) {
        for (const MessageBoxInfo& found : app.MessageBoxes()) {
            if (found.caption != caption) continue;
            *box = found;
            return testing::AssertionSuccess();
        }
        Sleep(50);
    }
    return testing::AssertionFailure() << "no message box \"" << caption << "\"";
}

testing::AssertionResult WaitUntilGone(HWND window) {
    for (int wait = 0; wait < 400; ++wait) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return testing::AssertionSuccess();
        Sleep(50);
    }
    return testing::AssertionFailure() << "\"" << WindowText(window) << "\" still open";
}

testing::AssertionResult SaveAs(const AppProcess& app, const std::string& path,
                                std::string* proposed) {
    HWND save = nullptr;
    if (auto found = WaitForDialog(app, "Save As", &save); !found) return found;
    // The name box of the common dialog: cmb13 (0x47C) or, in the old style, edt1 (0x480).
    HWND name = Item(save, 0x47C) ? Item(save, 0x47C) : Item(save, 0x480);
    if (name == nullptr) return testing::AssertionFailure() << "the save dialog has no name box";
    *proposed = WindowText(name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (auto pressed = PressButton(save, "&Save"); !pressed) return pressed;
    return WaitUntilGone(save);
}

void Click(HWND dialog, int id) { PostMessageA(Item(dialog, id), BM_CLICK, 0, 0); }

void Choose(HWND dialog, int id, int index) {
    HWND combo = Item(dialog, id);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // Sent, not posted: a posted notification could be overtaken by the next message this
    // side sends, which the program handles first. The limit covers a handler that opens
    // a box.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, 5000, &result);
}

testing::AssertionResult TextBecomes(HWND control, const std::string& expected) {
    std::string text;
    for (int wait = 0; wait < 100; ++wait) {
        text = WindowText(control);
        if (text == expected) return testing::AssertionSuccess();
        Sleep(50);
    }
    return testing::AssertionFailure()
           << "the text is \"" << text << "\", not \"" << expected << "\"";
}

bool Checked(HWND dialog, int id) {
    return SendMessageA(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

ScreenImage CaptureScreen(HWND window) {
    const RECT rect = ScreenRect(window);
    BITMAPINFOHEADER header{};
    const std::vector<char> bits = ScreenBits(rect, &header);
    ScreenImage image;
    if (bits.empty()) return image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;
    const DWORD stride = Stride(image.width);
    for (int y = 0; y < image.height; ++y) {
        const char* row = bits.data() + stride * static_cast<DWORD>(image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const auto* pixel = reinterpret_cast<const BYTE*>(row + 3 * x);  // blue, green, red
            image.pixels.push_back(RGB(pixel[2], pixel[1], pixel[0]));
        }
    }
    return image;
}

void SaveScreenshot(HWND window, const std::string& path) {
    BITMAPINFOHEADER header{};
    const std::vector<char> bits = ScreenBits(ScreenRect(window), &header);
    const DWORD size = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER file{
        0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0,
        0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(bits.data(), size);
}

std::string Shot(const std::string& name) {
    return WindowsPath(PALLISAR_SHOT_DIR) + "\\" + name + ".bmp";
}

HWND FindTrayWindow(DWORD processId) {
    return FindWindowOf(processId, "PallisarTrayIconWindow", false);
}

// NIM_MODIFY without changes succeeds exactly for an icon the shell holds.
bool TrayIconShown(HWND trayWindow) {
    if (!trayWindow) return false;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = trayWindow;
    data.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool RemoveTrayIcon(HWND trayWindow) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = trayWindow;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

HWND WineTrayIcon() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray || !IsWindowVisible(tray)) return nullptr;
    HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr);
    if (!icon || FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr)) return nullptr;
    return icon;
}

testing::AssertionResult ClickWineTrayIcon(UINT buttonDown) {
    HWND icon = WineTrayIcon();
    if (!icon) return testing::AssertionFailure() << "no single icon in Wine's tray";
    const WPARAM keys = buttonDown == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON;
    PostMessageA(icon, buttonDown, keys, MAKELPARAM(5, 5));
    PostMessageA(icon, buttonDown + 1, 0, MAKELPARAM(5, 5));
    return testing::AssertionSuccess();
}

testing::AssertionResult WaitForPopupMenu(DWORD processId, HWND* menu) {
    for (int wait = 0; wait < 200; ++wait) {
        if ((*menu = FindWindowOf(processId, "#32768", true))) return testing::AssertionSuccess();
        Sleep(50);
    }
    return testing::AssertionFailure() << "no pop-up menu";
}

}  // namespace pallisar::e2e
