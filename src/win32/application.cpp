#include "win32/application.h"

#include "ui/main_window.h"
#include "win32/resource.h"

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
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Application::Minimize() {
    if (mainWindow_) ShowWindow(mainWindow_, SW_MINIMIZE);
    for (const auto& listener : OnMinimize) Guard(listener);
}

void Application::Restore() {
    if (mainWindow_) {
        ShowWindow(mainWindow_, IsIconic(mainWindow_) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(mainWindow_);
    }
    for (const auto& listener : OnRestore) Guard(listener);
}

void Application::HandleException(const std::exception& error) noexcept {
    try {
        prompts_.ShowApplicationError(error.what());
    } catch (...) {
        // Nothing is left to tell the user with; the program goes on.
    }
}

void Application::HandleException(std::exception_ptr error) noexcept {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& known) {
        HandleException(known);
    } catch (...) {
        try {
            prompts_.ShowApplicationError(kUnexpectedErrorMessage);
        } catch (...) {
        }
    }
}

}  // namespace pallisar
