#pragma once
// The tray icon's system on Windows: Shell_NotifyIconA with the 88-byte record, and a
// hidden top-level window of its own class. It is a top-level window (not a
// message-only one) so that it receives the "TaskbarCreated" broadcast, after which
// the icon is added again.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

#include "platform/tray_platform.h"
#include "win32/application.h"
#include "win32/icon_handle.h"

namespace pallisar {

class Win32TrayPlatform final : public TrayPlatform {
  public:
    // The hidden window's class.
    static constexpr const char* kWindowClass = "PallisarTrayIconWindow";
    // Posted to the hidden window by PostAdvanceFrame.
    static constexpr UINT kAdvanceFrameMessage = WM_APP + 1;

    explicit Win32TrayPlatform(Application& app);
    ~Win32TrayPlatform() override;
    Win32TrayPlatform(const Win32TrayPlatform&) = delete;
    Win32TrayPlatform& operator=(const Win32TrayPlatform&) = delete;

    // From now on the animation thread asks for no more frames (the program is ending;
    // the end of the Windows session does the same).
    void SetTerminating() { terminating_ = true; }
    // Hears the hidden window's messages first (the owner's messages of the tray menu:
    // WM_MEASUREITEM, WM_DRAWITEM, WM_ENTERMENULOOP, ...); it returns true, with the
    // result, for a message it handled.
    using MenuMessageHandler = std::function<bool(UINT message, LPARAM lParam, LRESULT* result)>;
    void SetMenuMessageHandler(MenuMessageHandler handler) { menuMessages_ = std::move(handler); }

    TrayWindow CreateHiddenWindow(TrayWindowHandler& handler) override;
    void DestroyHiddenWindow(TrayWindow window) override;
    std::intptr_t DefaultWindowProc(TrayWindow window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    // The icon handle given to the shell is made from the record's images at the small
    // icon size and kept while the shell shows it.
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override;
    TrayPoint CursorPos() override;
    TrayKeys KeysDown() override;
    bool IsWindowEnabled(TrayWindow window) override;
    void SetForegroundWindow(TrayWindow window) override;
    void ProcessMessages() override;
    void CancelMouseCapture() override;
    void PostAdvanceFrame(TrayWindow window) override;
    bool Terminating() const override { return terminating_; }
    void HandleException(std::exception_ptr error) noexcept override;

  private:
    class HiddenWindow;

    Application& app_;
    std::unique_ptr<HiddenWindow> window_;
    IconHandle shownIcon_;
    std::atomic<bool> terminating_ = false;
    MenuMessageHandler menuMessages_;
};

}  // namespace pallisar
