#include "shell/app_events.h"

#include <algorithm>
#include <type_traits>

namespace pallisar {

namespace {

template <typename T>
bool IsTrue(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value;
    } else {
        return false;
    }
}

// The "handled" flag of an event is its last argument.
template <typename... Args>
bool LastArgumentTrue(const Args&... args) {
    bool last = false;
    ((last = IsTrue(args)), ...);
    return last;
}

}  // namespace

EventApplication::EventApplication() = default;

EventApplication::~EventApplication() = default;

TAppEventList& EventApplication::EventList() {
    if (!eventList_) eventList_ = std::make_unique<TAppEventList>(*this);
    return *eventList_;
}

void EventApplication::HandleException(const std::exception_ptr& error) noexcept {
    if (!error) return;
    if (!Slots.OnException) {
        ShowException(error);
        return;
    }
    try {
        Slots.OnException(error);
    } catch (...) {
        ShowException(std::current_exception());
    }
}

bool EventApplication::FilterMainWindowMessage(AppMessage& message) {
    // A filter may remove itself (its component destroyed) while it runs.
    const std::vector<TAppEvents*> filters = filters_;
    for (TAppEvents* filter : filters) {
        if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) continue;
        if (filter->MainWindowHook(message)) return true;
    }
    return false;
}

void EventApplication::AddMainWindowFilter(TAppEvents* filter) { filters_.push_back(filter); }

void EventApplication::RemoveMainWindowFilter(TAppEvents* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

std::string ExceptionMessage(const std::exception_ptr& error) {
    if (!error) return "";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& known) {
        return known.what();
    } catch (...) {
        return kUnexpectedErrorMessage;
    }
}

int RunProgram(Prompts& prompts, const std::function<int()>& program) {
    try {
        return program();
    } catch (...) {
        prompts.ShowApplicationError(ExceptionMessage(std::current_exception()));
        return 1;
    }
}

// --- TAppEvents ---

TAppEvents::TAppEvents(EventApplication& app) : app_(app) {
    app_.AddMainWindowFilter(this);
    app_.EventList().Register(this);
    ApplyToApplication();
}

TAppEvents::~TAppEvents() {
    app_.RemoveMainWindowFilter(this);
    app_.EventList().Unregister(this);
}

void TAppEvents::ApplyToApplication() {
    app_.Settings = stored_;
    if (app_.Mouse) *app_.Mouse = mouse_;
}

bool TAppEvents::MouseDragImmediate() const {
    return app_.Mouse ? app_.Mouse->DragImmediate : mouse_.DragImmediate;
}

void TAppEvents::SetMouseDragImmediate(bool value) {
    mouse_.DragImmediate = value;
    if (app_.Mouse) app_.Mouse->DragImmediate = value;
}

int TAppEvents::MouseDragThreshold() const {
    return app_.Mouse ? app_.Mouse->DragThreshold : mouse_.DragThreshold;
}

void TAppEvents::SetMouseDragThreshold(int value) {
    mouse_.DragThreshold = value;
    if (app_.Mouse) app_.Mouse->DragThreshold = value;
}

void TAppEvents::PaintIcon() {
    app_.PaintMinimizedIcon([this](void* device) {
        struct CanvasScope {
            void*& canvas;
            ~CanvasScope() { canvas = nullptr; }
        } scope{canvas_};
        canvas_ = device;
        if (OnPaintIcon) OnPaintIcon();
    });
}

bool TAppEvents::MainWindowHook(AppMessage& message) {
    switch (message.Msg) {
        case kPaintMessage:
            if (OnPaintIcon && app_.Minimized()) {
                PaintIcon();
                return true;
            }
            return false;
        case kSettingChangeMessage:
            try {
                SettingsChanged();
            } catch (...) {
                app_.HandleException(std::current_exception());
            }
            return false;
        default:
            return false;
    }
}

void TAppEvents::SettingsChanged() {
    if (OnSettingsChanged) OnSettingsChanged();
}

// --- TAppEventList ---

TAppEventList::~TAppEventList() {
    if (hooked_) Unhook();
}

void TAppEventList::Register(TAppEvents* component) {
    if (std::find(components_.begin(), components_.end(), component) != components_.end()) return;
    components_.push_back(component);
    if (components_.size() == 1) Hook();
}

void TAppEventList::Unregister(TAppEvents* component) {
    components_.erase(std::remove(components_.begin(), components_.end(), component),
                      components_.end());
    if (components_.empty() && hooked_) Unhook();
}

// Every dispatcher walks the components newest first. A component may be destroyed
// by a handler during the walk, so the walk goes by position and re-checks it.
template <typename Function>
void TAppEventList::Install(Function ApplicationSlots::*slot, bool handledStops) {
    previous_.*slot = std::move(app_.Slots.*slot);
    app_.Slots.*slot = [this, slot, handledStops](auto&&... args) {
        using Result = typename Function::result_type;
        auto walk = [&]() -> Result {
            [[maybe_unused]] std::conditional_t<std::is_void_v<Result>, int, Result> result{};
            bool stopped = false;
            for (size_t i = components_.size(); i-- > 0;) {
                if (i >= components_.size()) continue;
                TAppEvents* component = components_[i];
                if (const Function& handler = component->*slot) {
                    if constexpr (std::is_void_v<Result>) {
                        handler(args...);
                    } else {
                        result = handler(args...);
                    }
                }
                if (!component->Chained || (handledStops && LastArgumentTrue(args...))) {
                    stopped = true;
                    break;
                }
            }
            if (!stopped && previous_.*slot) {
                if constexpr (std::is_void_v<Result>) {
                    (previous_.*slot)(args...);
                } else {
                    result = (previous_.*slot)(args...);
                }
            }
            if constexpr (!std::is_void_v<Result>) return result;
        };
        return walk();
    };
}

// As the other dispatchers, but when no handler at all ran the error gets the
// standard error box.
void TAppEventList::InstallException() {
    previous_.OnException = std::move(app_.Slots.OnException);
    app_.Slots.OnException = [this](const std::exception_ptr& error) {
        bool called = false;
        bool stopped = false;
        for (size_t i = components_.size(); i-- > 0;) {
            if (i >= components_.size()) continue;
            TAppEvents* component = components_[i];
            if (component->OnException) {
                called = true;
                component->OnException(error);
            }
            if (!component->Chained) {
                stopped = true;
                break;
            }
        }
        if (!stopped && previous_.OnException) {
            called = true;
            previous_.OnException(error);
        }
        if (!called) app_.ShowException(error);
    };
}

void TAppEventList::Hook() {
    using S = ApplicationSlots;
    Install(&S::OnActionExecute, true);
    Install(&S::OnActionUpdate, true);
    Install(&S::OnShortCut, true);
    Install(&S::OnActivate, false);
    Install(&S::OnDeactivate, false);
    InstallException();
    Install(&S::OnIdle, false);
    Install(&S::OnHelp, false);
    Install(&S::OnHint, false);
    Install(&S::OnMessage, true);
    Install(&S::OnMinimize, false);
    Install(&S::OnRestore, false);
    Install(&S::OnShowHint, false);
    Install(&S::OnActiveControlChange, false);
    Install(&S::OnActiveFormChange, false);
    hooked_ = true;
}

// The slots are left empty: the handlers they held before hooking are not put back.
void TAppEventList::Unhook() {
    app_.Slots = ApplicationSlots{};
    previous_ = ApplicationSlots{};
    hooked_ = false;
}

}  // namespace pallisar
