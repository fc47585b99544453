#include "win32/application.h"

#include <stdexcept>

#include "ui/main_window.h"
#include "win32/resource.h"
#include "win32/scoped_gdi.h"

namespace pallisar {

Application::Application(HINSTANCE instance, Prompts& prompts)
    : instance_(instance), prompts_(prompts), title_(kApplicationTitle) {
    builtInIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PALLISAR),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), LR_SHARED));
    builtInSmallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PALLISAR),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // A test program has no icon resource of its own.
    if (!builtInIcon_)
        builtInIcon_ = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    if (!builtInSmallIcon_) builtInSmallIcon_ = builtInIcon_;
}

void Application::SetIcon(IconHandle large, IconHandle small) {
    icon_ = std::move(large);
    smallIcon_ = std::move(small);
    if (mainWindow_) {
        SendMessageA(mainWindow_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon()));
        SendMessageA(mainWindow_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon()));
    }
}

void Application::SetMainWindow(HWND window) {
    mainWindow_ = window;
    if (window) {
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon()));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon()));
    }
}

int Application::Run() {
    MSG msg;
    for (;;) {
        if (Slots.OnIdle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            bool done = true;
            Guard([&] { Slots.OnIdle(done); });
            if (!done) continue;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        bool handled = false;
        AppMessage message{msg.message, msg.wParam, msg.lParam, 0};
        if (Slots.OnMessage) Guard([&] { Slots.OnMessage(message, handled); });
        if (!handled && Slots.OnShortCut &&
            (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
            Guard([&] { Slots.OnShortCut(message, handled); });
        }
        if (handled) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Application::Minimize() {
    if (minimized_) return;
    if (mainWindow_) ShowWindow(mainWindow_, SW_MINIMIZE);
    minimized_ = true;
    if (Slots.OnMinimize) Guard(Slots.OnMinimize);
}

void Application::Restore() {
    if (mainWindow_) {
        ShowWindow(mainWindow_, IsIconic(mainWindow_) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(mainWindow_);
    }
    if (!minimized_) return;
    minimized_ = false;
    if (Slots.OnRestore) Guard(Slots.OnRestore);
}

void Application::MainWindowResized(bool iconic) {
    if (iconic || !minimized_) return;
    minimized_ = false;
    if (Slots.OnRestore) Guard(Slots.OnRestore);
}

void Application::ActivateApp(bool active) {
    const NotifyEvent& event = active ? Slots.OnActivate : Slots.OnDeactivate;
    if (event) Guard(event);
}

bool Application::Minimized() const { return minimized_ || (mainWindow_ && IsIconic(mainWindow_)); }

void Application::PaintMinimizedIcon(const std::function<void(void* device)>& paint) {
    if (!mainWindow_) return;
    const ScopedPaintDC dc(mainWindow_);
    if (dc.Paint().fErase)
        FillRect(dc.Get(), &dc.Paint().rcPaint, GetSysColorBrush(COLOR_BACKGROUND));
    paint(dc.Get());
}

void Application::HandleException(const std::exception& error) noexcept {
    // The exception object itself is not ours to keep: its message goes on.
    HandleException(std::make_exception_ptr(std::runtime_error(error.what())));
}

void Application::ShowException(const std::exception_ptr& error) noexcept {
    try {
        prompts_.ShowApplicationError(ExceptionMessage(error));
    } catch (...) {
        // Nothing is left to tell the user with; the program goes on.
    }
}

}  // namespace pallisar
