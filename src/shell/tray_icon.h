#pragma once
// TTrayIcon: one icon in the notification area. It adds, updates and removes the icon
// through the shell, turns the shell's mouse notifications on its hidden window into
// mouse events, pops up an attached menu on a right click, and can animate the icon
// through the frames of Icons with a worker thread (TTimerThread).
//
// There is no form designer: the component always behaves as outside one, and
// ShowDesign is a plain flag that changes nothing.
//
// All calls belong to the user-interface thread. The animation thread only asks the
// platform to hand a frame advance over to that thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/tray_platform.h"
#include "platform/worker_thread.h"
#include "shell/icon.h"
#include "shell/icon_list.h"

namespace pallisar {

class TTrayIcon;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// TShiftState, as a set of bits.
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
using TMouseEvent =
    std::function<void(TTrayIcon& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TTrayIcon& sender, TShiftState shift, int x, int y)>;

// The menu a right click pops up. Destroying it tells every tray icon that uses it,
// whose PopupMenu becomes none.
class TrayPopupMenu {
  public:
    TrayPopupMenu() = default;
    TrayPopupMenu(const TrayPopupMenu&) = delete;
    TrayPopupMenu& operator=(const TrayPopupMenu&) = delete;
    virtual ~TrayPopupMenu();

    // Whether a right click shows the menu at all.
    virtual bool AutoPopup() const = 0;
    // The top-level items, their default and enabled flags, and clicking one (its
    // handler runs).
    virtual int ItemCount() const = 0;
    virtual bool ItemDefault(int index) const = 0;
    virtual bool ItemEnabled(int index) const = 0;
    virtual void Click(int index) = 0;
    // Shows the menu with its top-left corner at the screen point (x, y), owned by
    // `owner`, and returns when it has closed, after the chosen item's handler ran.
    virtual void Popup(TrayWindow owner, int x, int y) = 0;
    // The component that pops the menu up now (set before each Popup).
    virtual void SetPopupComponent(TTrayIcon* source) { (void)source; }

  private:
    friend class TTrayIcon;
    std::vector<TTrayIcon*> users_;
};

class TTimerThread;

class TTrayIcon : private TrayWindowHandler {
  public:
    static constexpr std::uint16_t kDefaultInterval = 150;

    // Creates the hidden window, an empty Icon and an empty Icons list; Active and
    // Enabled are true. The icon appears once Icon holds an image.
    explicit TTrayIcon(TrayPlatform& platform);
    // Goes deaf, stops the animation, removes the icon and destroys the hidden window.
    ~TTrayIcon() override;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // After the stored properties were set: shows the icon when Active.
    void Loaded();

    bool Active() const { return active_; }
    void SetActive(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    // The tooltip: the part before the first "|", at most 63 characters, is shown.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    // The component's own icon: changing it in place updates the notification area.
    TIcon& Icon() { return icon_; }
    const TIcon& Icon() const { return icon_; }
    // Copies `value` into Icon.
    void SetIcon(const TIcon& value) { icon_.Assign(&value); }
    TIconList& Icons() { return icons_; }
    const TIconList& Icons() const { return icons_; }
    void SetIcons(const TIconList& value) { icons_.Assign(&value); }
    // Cycles through Icons; stays false while Icons is empty.
    bool Animated() const { return animated_; }
    void SetAnimated(bool value);
    // Milliseconds between frames; the animation thread reads it before every wait.
    std::uint16_t Interval() const { return interval_; }
    void SetInterval(std::uint16_t value) { interval_ = value; }
    // Not owned; the menu tells the component when it is destroyed.
    TrayPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TrayPopupMenu* value);
    bool ShowDesign() const { return showDesign_; }
    void SetShowDesign(bool value) { showDesign_ = value; }

    TMouseEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    // Adds the icon to the notification area (after removing it), when there is an
    // image to show.
    void ShowIcon();
    void HideIcon();
    // Brings the notification area up to date after any change.
    void IconChanged();
    virtual void UpdateNotifyData();
    // The icon to show now: the current frame while animating, else Icon; null for an
    // empty frame entry.
    const TIcon* GetActiveIcon() const;
    // Steps the animation (on the user-interface thread).
    void AdvanceFrame() override;
    // The shell's notification area was made anew: the icon is added again when Active.
    void TaskbarCreated() override;
    // Pops PopupMenu up at the screen point (x, y); true when it was shown.
    bool ShowPopup(int x, int y);
    // Clicks the first top-level item of PopupMenu that is default and enabled; true
    // when one was clicked.
    bool ClickDefaultItem();
    // The hidden window's message handler. Errors of the handlers go to the platform's
    // error handling and never leave it.
    std::intptr_t WndProc(std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) override;

    bool IconAdded() const { return iconAdded_; }
    TrayWindow HiddenWindow() const { return window_; }
    const NotifyIconData& NotifyData() const { return notifyData_; }
    int FrameIndex() const { return frameIndex_; }

  protected:
    virtual void Click(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

  private:
    friend class TTimerThread;
    friend class TrayPopupMenu;
    void MenuDestroyed(TrayPopupMenu* menu);
    void Notify(std::uint32_t mouseMessage);
    void ButtonUp(TMouseButton button, TShiftState shift, bool& pressed, TrayPoint at);

    TrayPlatform& platform_;
    std::atomic<bool> enabled_ = true;
    bool active_ = false;
    std::string hint_;
    std::atomic<bool> animated_ = false;
    std::atomic<std::uint16_t> interval_ = kDefaultInterval;
    TrayPopupMenu* popupMenu_ = nullptr;
    bool showDesign_ = false;
    bool destroying_ = false;
    TrayWindow window_ = 0;
    TIcon icon_;
    TIconList icons_;
    NotifyIconData notifyData_;
    bool iconAdded_ = false;
    bool leftPressed_ = false;
    bool rightPressed_ = false;
    int frameIndex_ = -1;
    std::unique_ptr<TTimerThread> thread_;
};

// The animation thread: waits Interval milliseconds, then asks the user-interface
// thread for the icon's next frame, until it is told to terminate. It is stopped (asks
// for nothing) once its icon reference is cleared or the application is ending.
class TTimerThread {
  public:
    TTimerThread(TTrayIcon& icon, bool suspended);
    // Terminates the thread and waits for it to end (it never waits for the
    // user-interface thread, so this is quick).
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    void Suspend();
    void Resume();
    bool Suspended() const;
    // After this returns the thread no longer touches the icon.
    void ClearIcon();
    void Terminate();

  private:
    void Execute();
    bool Stopped() const;  // with lock_ held
    // The milliseconds to wait before the next frame, with lock_ held; kForever while
    // there is nothing to do.
    unsigned NextWait() const;

    TrayPlatform& platform_;
    TrayWindow window_;
    mutable WorkerLock lock_;
    WakeSignal wake_;  // set on every change of the state below
    TTrayIcon* icon_;
    bool suspended_;
    bool terminated_ = false;
    WorkerThread thread_;  // last: it starts once the state above is ready
};

}  // namespace pallisar
