#include "shell/tray_icon.h"

#include <algorithm>

namespace pallisar {

TrayPopupMenu::~TrayPopupMenu() {
    // The users unsubscribe themselves while being told.
    while (!users_.empty()) users_.back()->MenuDestroyed(this);
}

TTrayIcon::TTrayIcon(TrayPlatform& platform) : platform_(platform) {
    window_ = platform_.CreateHiddenWindow(*this);
    notifyData_.window = window_;
    icon_.OnChange = [this] { IconChanged(); };
    icons_.OnChange = [this](TIconList&) { IconChanged(); };
    active_ = true;
}

TTrayIcon::~TTrayIcon() {
    destroying_ = true;
    enabled_ = false;
    icon_.OnChange = nullptr;
    icons_.OnChange = nullptr;
    SetPopupMenu(nullptr);
    try {
        SetAnimated(false);
        HideIcon();
    } catch (...) {
        platform_.HandleException(std::current_exception());
    }
    thread_.reset();
    platform_.DestroyHiddenWindow(window_);
}

void TTrayIcon::Loaded() {
    if (active_) ShowIcon();
}

void TTrayIcon::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (value)
        ShowIcon();
    else
        HideIcon();
}

void TTrayIcon::SetHint(const std::string& value) {
    if (value == hint_) return;
    hint_ = value;
    IconChanged();
}

void TTrayIcon::SetPopupMenu(TrayPopupMenu* value) {
    if (value == popupMenu_) return;
    if (popupMenu_) std::erase(popupMenu_->users_, this);
    popupMenu_ = value;
    if (popupMenu_) popupMenu_->users_.push_back(this);
}

void TTrayIcon::MenuDestroyed(TrayPopupMenu* menu) {
    if (popupMenu_ == menu) SetPopupMenu(nullptr);
}

void TTrayIcon::SetAnimated(bool value) {
    const bool state = value && icons_.Count() > 0;
    if (state == animated_) return;
    if (state) {
        thread_ = std::make_unique<TTimerThread>(*this, !iconAdded_);
        animated_ = true;
    } else {
        animated_ = false;
        if (thread_) {
            thread_->ClearIcon();
            thread_->Resume();
            thread_->Terminate();
            thread_.reset();
        }
    }
    frameIndex_ = 0;
    IconChanged();
}

const TIcon* TTrayIcon::GetActiveIcon() const {
    const int count = icons_.Count();
    if (count > 0 && animated_) return icons_.Get(std::clamp(frameIndex_, 0, count - 1));
    return &icon_;
}

void TTrayIcon::UpdateNotifyData() {
    const TIcon* active = GetActiveIcon();
    notifyData_.size = NotifyIconData::kSize;
    notifyData_.window = window_;
    notifyData_.flags = NotifyIconData::kFlags;
    notifyData_.icon = active ? &active->Images() : nullptr;
    notifyData_.tip = hint_.substr(0, std::min(hint_.find('|'), NotifyIconData::kMaxTip));
    notifyData_.callbackMessage = NotifyIconData::kCallbackMessage;
    notifyData_.id = 0;
}

void TTrayIcon::ShowIcon() {
    HideIcon();
    const TIcon* active = GetActiveIcon();
    if (!active || active->Empty()) return;
    leftPressed_ = rightPressed_ = false;
    UpdateNotifyData();
    iconAdded_ = platform_.NotifyIcon(NotifyIconMessage::Add, notifyData_);
    if (animated_ && thread_) thread_->Resume();
}

void TTrayIcon::HideIcon() {
    platform_.NotifyIcon(NotifyIconMessage::Delete, notifyData_);
    iconAdded_ = false;
    leftPressed_ = rightPressed_ = false;
    if (animated_ && thread_ && !thread_->Suspended()) thread_->Suspend();
}

void TTrayIcon::IconChanged() {
    if (icons_.Count() == 0) SetAnimated(false);
    if (iconAdded_) {
        const TIcon* active = GetActiveIcon();
        if (!active || active->Empty()) {
            HideIcon();
        } else {
            UpdateNotifyData();
            platform_.NotifyIcon(NotifyIconMessage::Modify, notifyData_);
        }
    } else if (active_) {
        ShowIcon();
    }
}

void TTrayIcon::AdvanceFrame() {
    if (destroying_ || !animated_) return;
    ++frameIndex_;
    if (frameIndex_ >= icons_.Count()) frameIndex_ = 0;
    IconChanged();
}

void TTrayIcon::TaskbarCreated() {
    if (active_) ShowIcon();
}

void TTrayIcon::Click(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbRight && ShowPopup(x, y)) return;
    if (OnClick) OnClick(*this, button, shift, x, y);
}

void TTrayIcon::DblClick() {
    if (!ClickDefaultItem() && OnDblClick) OnDblClick(*this);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TTrayIcon::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

bool TTrayIcon::ClickDefaultItem() {
    if (!active_ || !popupMenu_) return false;
    for (int i = 0; i < popupMenu_->ItemCount(); ++i) {
        if (popupMenu_->ItemDefault(i) && popupMenu_->ItemEnabled(i)) {
            popupMenu_->Click(i);
            return true;
        }
    }
    return false;
}

bool TTrayIcon::ShowPopup(int x, int y) {
    if (!active_ || !popupMenu_ || !popupMenu_->AutoPopup()) return false;
    popupMenu_->SetPopupComponent(this);
    if (!destroying_) platform_.CancelMouseCapture();
    if (platform_.IsWindowEnabled(window_)) platform_.SetForegroundWindow(window_);
    try {
        platform_.ProcessMessages();
        // The pending messages may have destroyed the menu.
        if (popupMenu_) popupMenu_->Popup(window_, x, y);
    } catch (...) {
        if (platform_.IsWindowEnabled(window_)) platform_.SetForegroundWindow(window_);
        throw;
    }
    if (platform_.IsWindowEnabled(window_)) platform_.SetForegroundWindow(window_);
    return true;
}

std::intptr_t TTrayIcon::WndProc(std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    if (message != NotifyIconData::kCallbackMessage || !enabled_)
        return platform_.DefaultWindowProc(window_, message, wParam, lParam);
    try {
        Notify(static_cast<std::uint32_t>(lParam));
    } catch (...) {
        platform_.HandleException(std::current_exception());
    }
    return 0;
}

// A button-up clicks only after this icon saw the button go down (the pressed flag).
void TTrayIcon::ButtonUp(TMouseButton button, TShiftState shift, bool& pressed, TrayPoint at) {
    if (pressed) {
        pressed = false;
        Click(button, shift, at.x, at.y);
    }
    MouseUp(button, shift, at.x, at.y);
}

void TTrayIcon::Notify(std::uint32_t mouseMessage) {
    if (mouseMessage < kTrayMouseMove || mouseMessage > kTrayMButtonDblClk) return;
    const TrayPoint at = platform_.CursorPos();
    const TrayKeys keys = platform_.KeysDown();
    TShiftState shift = 0;
    if (keys.shift) shift |= ssShift;
    if (keys.ctrl) shift |= ssCtrl;
    if (keys.alt) shift |= ssAlt;
    using enum TMouseButton;
    switch (mouseMessage) {
        case kTrayMouseMove:
            MouseMove(shift, at.x, at.y);
            break;
        case kTrayLButtonDown:
            MouseDown(mbLeft, shift | ssLeft, at.x, at.y);
            leftPressed_ = true;
            break;
        case kTrayLButtonUp:
            ButtonUp(mbLeft, shift | ssLeft, leftPressed_, at);
            break;
        case kTrayLButtonDblClk:
            DblClick();
            MouseDown(mbLeft, shift | ssDouble, at.x, at.y);
            break;
        case kTrayRButtonDown:
            MouseDown(mbRight, shift | ssRight, at.x, at.y);
            rightPressed_ = true;
            break;
        case kTrayRButtonUp:
            ButtonUp(mbRight, shift | ssRight, rightPressed_, at);
            break;
        case kTrayRButtonDblClk:
            MouseDown(mbRight, shift | ssDouble, at.x, at.y);
            break;
        case kTrayMButtonDown:
            MouseDown(mbMiddle, shift | ssMiddle, at.x, at.y);
            break;
        case kTrayMButtonUp:
            MouseUp(mbMiddle, shift | ssMiddle, at.x, at.y);
            break;
        case kTrayMButtonDblClk:
            MouseDown(mbMiddle, shift | ssDouble, at.x, at.y);
            break;
    }
}

TTimerThread::TTimerThread(TTrayIcon& icon, bool suspended)
    : platform_(icon.platform_),
      window_(icon.window_),
      icon_(&icon),
      suspended_(suspended),
      thread_([this] { Execute(); }) {}

TTimerThread::~TTimerThread() { Terminate(); }  // thread_'s destructor waits for it

void TTimerThread::Suspend() {
    WorkerLockGuard guard(lock_);
    suspended_ = true;
    wake_.Set();
}

void TTimerThread::Resume() {
    WorkerLockGuard guard(lock_);
    suspended_ = false;
    wake_.Set();
}

bool TTimerThread::Suspended() const {
    WorkerLockGuard guard(lock_);
    return suspended_;
}

void TTimerThread::ClearIcon() {
    WorkerLockGuard guard(lock_);
    icon_ = nullptr;
    wake_.Set();
}

void TTimerThread::Terminate() {
    WorkerLockGuard guard(lock_);
    terminated_ = true;
    wake_.Set();
}

bool TTimerThread::Stopped() const {
    return terminated_ || icon_ == nullptr || platform_.Terminating();
}

unsigned TTimerThread::NextWait() const {
    // Nothing to do until resumed or terminated (a stopped thread is told to terminate
    // right after).
    return suspended_ || Stopped() ? WakeSignal::kForever : icon_->Interval();
}

void TTimerThread::Execute() {
    for (;;) {
        unsigned wait;
        {
            WorkerLockGuard guard(lock_);
            if (terminated_) return;
            wait = NextWait();
        }
        // A change of state interrupts the wait; the interval then starts again.
        if (wake_.Wait(wait)) continue;
        WorkerLockGuard guard(lock_);
        if (!terminated_ && !suspended_ && !Stopped() && icon_->Animated())
            platform_.PostAdvanceFrame(window_);
    }
}

}  // namespace pallisar
