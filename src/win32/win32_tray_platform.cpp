#include "win32/win32_tray_platform.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "win32/window.h"

namespace pallisar {

static_assert(NOTIFYICONDATAA_V1_SIZE == NotifyIconData::kSize);

class Win32TrayPlatform::HiddenWindow final : public Window {
  public:
    HiddenWindow(Application& app, Win32TrayPlatform& platform, TrayWindowHandler& handler)
        : Window(app), platform_(platform), handler_(handler) {}

    bool Create() {
        static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
        taskbarCreated_ = taskbarCreated;
        WNDCLASSA wc{};
        if (!GetClassInfoA(app_.Instance(), kWindowClass, &wc)) {
            wc.lpfnWndProc = Window::WindowProc;
            wc.hInstance = app_.Instance();
            wc.lpszClassName = kWindowClass;
            if (!RegisterClassA(&wc)) return false;
        }
        // Never shown; WS_POPUP keeps it off the taskbar.
        if (!CreateHwnd(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr)) return false;
        // Only now: during creation the handler has no window to answer with.
        attached_ = true;
        return true;
    }

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (!attached_) return Default(message, wParam, lParam);
        LRESULT result = 0;
        if (platform_.menuMessages_ && platform_.menuMessages_(message, lParam, &result)) {
            return result;
        }
        if (message == kAdvanceFrameMessage) {
            handler_.AdvanceFrame();
            return 0;
        }
        if (message == taskbarCreated_ && taskbarCreated_ != 0) {
            handler_.TaskbarCreated();
            return 0;
        }
        if (message == WM_ENDSESSION && wParam) platform_.SetTerminating();
        return handler_.WndProc(message, wParam, lParam);
    }

  private:
    Win32TrayPlatform& platform_;
    TrayWindowHandler& handler_;
    bool attached_ = false;
    UINT taskbarCreated_ = 0;
};

Win32TrayPlatform::Win32TrayPlatform(Application& app) : app_(app) {}

Win32TrayPlatform::~Win32TrayPlatform() = default;

TrayWindow Win32TrayPlatform::CreateHiddenWindow(TrayWindowHandler& handler) {
    auto window = std::make_unique<HiddenWindow>(app_, *this, handler);
    if (!window->Create()) return 0;
    window_ = std::move(window);
    return reinterpret_cast<TrayWindow>(window_->Handle());
}

void Win32TrayPlatform::DestroyHiddenWindow(TrayWindow) { window_.reset(); }

std::intptr_t Win32TrayPlatform::DefaultWindowProc(TrayWindow window, std::uint32_t message,
                                                   std::uintptr_t wParam, std::intptr_t lParam) {
    return DefWindowProcA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

bool Win32TrayPlatform::NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) {
    NOTIFYICONDATAA record{};
    record.cbSize = data.size;
    record.hWnd = reinterpret_cast<HWND>(data.window);
    record.uID = data.id;
    record.uFlags = data.flags;
    record.uCallbackMessage = data.callbackMessage;
    // The old-style record has room for 63 characters and the NUL.
    const size_t tipLength = std::min(data.tip.size(), NotifyIconData::kMaxTip);
    std::memcpy(record.szTip, data.tip.data(), tipLength);
    record.szTip[tipLength] = '\0';

    IconHandle icon;
    if (message != NotifyIconMessage::Delete && data.icon) {
        icon = CreateIconHandle(*data.icon, GetSystemMetrics(SM_CXSMICON),
                                GetSystemMetrics(SM_CYSMICON));
    }
    record.hIcon = icon ? icon.Get() : shownIcon_.Get();

    DWORD operation = NIM_DELETE;
    if (message == NotifyIconMessage::Add) operation = NIM_ADD;
    if (message == NotifyIconMessage::Modify) operation = NIM_MODIFY;
    const bool accepted = Shell_NotifyIconA(operation, &record) != FALSE;
    // The shell shows the new handle once it accepted it; the old one goes after.
    if (message == NotifyIconMessage::Delete)
        shownIcon_.Reset();
    else if (accepted && icon)
        shownIcon_ = std::move(icon);
    return accepted;
}

TrayPoint Win32TrayPlatform::CursorPos() {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

TrayKeys Win32TrayPlatform::KeysDown() {
    return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

bool Win32TrayPlatform::IsWindowEnabled(TrayWindow window) {
    return ::IsWindowEnabled(reinterpret_cast<HWND>(window)) != FALSE;
}

void Win32TrayPlatform::SetForegroundWindow(TrayWindow window) {
    ::SetForegroundWindow(reinterpret_cast<HWND>(window));
}

void Win32TrayPlatform::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the message loop, which ends the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32TrayPlatform::CancelMouseCapture() {
    HWND window = GetActiveWindow();
    if (!window) window = app_.MainWindow();
    if (window) SendMessageA(window, WM_CANCELMODE, 0, 0);
}

void Win32TrayPlatform::PostAdvanceFrame(TrayWindow window) {
    PostMessageA(reinterpret_cast<HWND>(window), kAdvanceFrameMessage, 0, 0);
}

void Win32TrayPlatform::HandleException(std::exception_ptr error) noexcept {
    app_.HandleException(error);
}

}  // namespace pallisar
