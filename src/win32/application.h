#pragma once
// The application object: title, icon, the main window, the message loop,
// minimising and restoring the whole application, and the error handler that
// every window procedure and command dispatch goes through. Its global events
// (minimise, restore, activate, deactivate, exception, idle, message, shortcut) are
// the slots of EventApplication, shared by the program's TAppEvents components.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/prompts.h"
#include "shell/app_events.h"
#include "win32/icon_handle.h"

namespace pallisar {

class Application : public EventApplication {
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

    // Minimises the main window, then raises OnMinimize (the tray takes the
    // application off the taskbar there). Nothing when it is minimised already.
    void Minimize();
    // Shows the main window again in its former size, brings it to the front and,
    // when it was minimised, raises OnRestore.
    void Restore();
    // The main window's size changed (WM_SIZE): a window restored by other means
    // than Restore raises OnRestore too.
    void MainWindowResized(bool iconic);
    // The main window was activated or deactivated as the active application.
    void ActivateApp(bool active);

    // EventApplication
    bool Minimized() const override;
    void ShowException(const std::exception_ptr& error) noexcept override;
    void PaintMinimizedIcon(const std::function<void(void* device)>& paint) override;

    // The error handler: the OnException slot, or else the application's error box
    // with the error's message (kUnexpectedErrorMessage for an exception that is no
    // std::exception); the program goes on. Never throws: an error box that cannot
    // be shown is left out. A null pointer shows nothing.
    using EventApplication::HandleException;
    void HandleException(const std::exception& error) noexcept;
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
    bool minimized_ = false;
};

}  // namespace pallisar
