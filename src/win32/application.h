#pragma once
// The application object: title, icon, the main window, the message loop,
// minimising and restoring the whole application, and the error handler that
// every window procedure and command dispatch goes through.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/prompts.h"
#include "win32/icon_handle.h"

namespace pallisar {

class Application {
  public:
    Application(HINSTANCE instance, Prompts& prompts);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    HINSTANCE Instance() const { return instance_; }
    // The program's message boxes and common dialogs.
    Prompts& GetPrompts() const { return prompts_; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // The application's icon: the built-in one until SetIcon gives another.
    HICON Icon() const { return icon_ ? icon_.Get() : builtInIcon_; }
    HICON SmallIcon() const { return smallIcon_ ? smallIcon_.Get() : builtInSmallIcon_; }
    HICON BuiltInIcon() const { return builtInIcon_; }
    // Takes ownership of both icons and shows them on the main window.
    void SetIcon(IconHandle large, IconHandle small);

    HWND MainWindow() const { return mainWindow_; }
    void SetMainWindow(HWND window);

    // Runs the message loop until WM_QUIT; returns its exit code.
    int Run();

    // Minimises the main window, then tells every OnMinimize listener (the tray
    // takes the application off the taskbar there).
    void Minimize();
    // Shows the main window again in its former size and brings it to the front.
    void Restore();
    std::vector<std::function<void()>> OnMinimize;
    std::vector<std::function<void()>> OnRestore;

    // What the error box says for an exception that carries no message of its own
    // (one not derived from std::exception).
    static constexpr const char* kUnexpectedErrorMessage = "An unexpected error occurred";

    // The error handler: shows the error's message in the application's error box
    // and lets the program go on. Never throws: an error box that cannot be shown
    // is left out.
    void HandleException(const std::exception& error) noexcept;
    // The same for any exception: a std::exception shows its what(), anything else
    // kUnexpectedErrorMessage. A null pointer shows nothing.
    void HandleException(std::exception_ptr error) noexcept;
    // For use inside a catch block: handles the exception being caught.
    void HandleCurrentException() noexcept { HandleException(std::current_exception()); }

    // Runs `action`; any exception escaping it ends only this action and is shown.
    template <typename Action>
    void Guard(Action&& action) noexcept {
        try {
            action();
        } catch (...) {
            HandleCurrentException();
        }
    }

  private:
    HINSTANCE instance_;
    Prompts& prompts_;
    std::string title_;
    HICON builtInIcon_ = nullptr;  // shared resource icons: never destroyed
    HICON builtInSmallIcon_ = nullptr;
    IconHandle icon_;
    IconHandle smallIcon_;
    HWND mainWindow_ = nullptr;
};

}  // namespace pallisar
