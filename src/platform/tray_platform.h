#pragma once
// What the tray icon needs of the system: the notification-area shell, a hidden
// window of its own that receives the shell's mouse notifications, the cursor and
// keyboard state, the foreground and message-pump calls around a popup menu, a way
// to hand work from the animation thread to the user-interface thread, and the
// application's error handling.
//
// One platform object serves one tray icon and outlives it. Every call comes from the
// user-interface thread except PostAdvanceFrame and Terminating, which the animation thread makes.

#include <cstdint>
#include <exception>
#include <string>

#include "core/icon_resources.h"

namespace pallisar {

using TrayWindow = std::uintptr_t;  // the hidden window; 0 for none

// The shell's three operations on a notification icon.
enum class NotifyIconMessage { Add, Modify, Delete };

// The record handed to the shell with each operation (the ANSI NOTIFYICONDATA).
struct NotifyIconData {
    static constexpr std::uint32_t kSize = 88;
    static constexpr std::uint32_t kFlags = 7;  // message, icon and tip are valid
    static constexpr std::uint32_t kCallbackMessage = 0xB054;
    static constexpr size_t kMaxTip = 63;  // characters, before the terminating NUL

    std::uint32_t size = kSize;
    TrayWindow window = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = kFlags;
    std::uint32_t callbackMessage = kCallbackMessage;
    // The images the shell shows (at its small-icon size); null for none. Only valid
    // during the call that hands the record over.
    const Icon* icon = nullptr;
    std::string tip;
};

// The mouse messages that the callback message carries in its lParam.
enum : std::uint32_t {
    kTrayMouseMove = 0x200,
    kTrayLButtonDown = 0x201,
    kTrayLButtonUp = 0x202,
    kTrayLButtonDblClk = 0x203,
    kTrayRButtonDown = 0x204,
    kTrayRButtonUp = 0x205,
    kTrayRButtonDblClk = 0x206,
    kTrayMButtonDown = 0x207,
    kTrayMButtonUp = 0x208,
    kTrayMButtonDblClk = 0x209,
};

// The keys that GetKeyState reports down (the Shift, Ctrl and Alt of a shift state).
struct TrayKeys {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

struct TrayPoint {
    int x = 0;
    int y = 0;
};

// The receiver of the hidden window's messages, on the user-interface thread.
class TrayWindowHandler {
  public:
    virtual ~TrayWindowHandler() = default;
    // Every message of the window, with a window procedure's meaning of the result.
    virtual std::intptr_t WndProc(std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) = 0;
    // A frame advance that the animation thread asked for with PostAdvanceFrame.
    virtual void AdvanceFrame() = 0;
    // The notification area was made anew (the shell restarted): its icons are gone.
    virtual void TaskbarCreated() = 0;
};

class TrayPlatform {
  public:
    virtual ~TrayPlatform() = default;

    // An invisible window whose messages go to `handler` from now on; 0 on failure.
    virtual TrayWindow CreateHiddenWindow(TrayWindowHandler& handler) = 0;
    virtual void DestroyHiddenWindow(TrayWindow window) = 0;
    // The system's default answer to a message of the hidden window.
    virtual std::intptr_t DefaultWindowProc(TrayWindow window, std::uint32_t message,
                                            std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // Shell_NotifyIcon: true when the shell accepted the operation.
    virtual bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) = 0;

    // The cursor in screen coordinates.
    virtual TrayPoint CursorPos() = 0;
    virtual TrayKeys KeysDown() = 0;
    virtual bool IsWindowEnabled(TrayWindow window) = 0;
    virtual void SetForegroundWindow(TrayWindow window) = 0;
    // Runs the messages waiting in the user-interface thread's queue.
    virtual void ProcessMessages() = 0;
    // Ends any mouse capture or drag in the active window (the main window when none
    // is active).
    virtual void CancelMouseCapture() = 0;

    // From the animation thread: asks the user-interface thread to call the handler's
    // AdvanceFrame (a message posted to the hidden window). Never waits for that thread.
    virtual void PostAdvanceFrame(TrayWindow window) = 0;
    // From any thread: whether the application is ending.
    virtual bool Terminating() const = 0;

    // The application's error handler, for errors raised while a message of the hidden
    // window is handled. Never throws.
    virtual void HandleException(std::exception_ptr error) noexcept = 0;
};

}  // namespace pallisar
