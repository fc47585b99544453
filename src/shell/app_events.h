#pragma once
// TAppEvents: a component any window can carry to hear the application's global
// events (minimise, restore, activate, exception, idle, message, ...). The
// application has one slot per event; every TAppEvents of the application shares
// those slots through one TAppEventList, which calls the components newest first,
// stops at a component whose Chained is false (or, for the events with a "handled"
// flag, once a handler set it), and calls the slot's previous handler when the walk
// was not stopped. The component also mirrors the application's hint, format and
// mouse settings as properties, and filters two messages of the main window.
//
// Events carry no sender: a handler is a closure and knows its own component.
// There is no form designer here: every component is a run-time one.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace pallisar {

// A window message as the application's filters see it.
struct AppMessage {
    unsigned Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

inline constexpr unsigned kPaintMessage = 15;          // WM_PAINT
inline constexpr unsigned kSettingChangeMessage = 26;  // WM_SETTINGCHANGE

enum class TBiDiMode {
    bdLeftToRight,
    bdRightToLeft,
    bdRightToLeftNoAlign,
    bdRightToLeftReadingOnly
};

// What a hint about to be shown carries besides its text (the program shows none).
struct HintInfo {
    int CursorX = 0;
    int CursorY = 0;
    int HideTimeout = 0;
};

using NotifyEvent = std::function<void()>;
using HandledEvent = std::function<void(const void* action, bool& handled)>;
using MessageEvent = std::function<void(AppMessage& message, bool& handled)>;
using ExceptionEvent = std::function<void(const std::exception_ptr& error)>;
using IdleEvent = std::function<void(bool& done)>;
using HelpEvent = std::function<bool(uint16_t command, intptr_t data, bool& callHelp)>;
using ShowHintEvent = std::function<void(std::string& hint, bool& canShow, HintInfo& info)>;

// The shared slots: thirteen of the application and two of the screen. An empty
// function is "no handler".
struct ApplicationSlots {
    HandledEvent OnActionExecute;
    HandledEvent OnActionUpdate;
    MessageEvent OnShortCut;
    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    ExceptionEvent OnException;
    IdleEvent OnIdle;
    HelpEvent OnHelp;
    NotifyEvent OnHint;
    MessageEvent OnMessage;
    NotifyEvent OnMinimize;
    NotifyEvent OnRestore;
    ShowHintEvent OnShowHint;
    NotifyEvent OnActiveControlChange;  // screen
    NotifyEvent OnActiveFormChange;     // screen
};

// The application's settings the component mirrors. Colours are 0x00BBGGRR, or
// 0x80000000 + a system colour index.
struct ApplicationSettings {
    uint32_t HintColor = 0x80000000u + 24;  // COLOR_INFOBK
    int HintPause = 500;
    bool ShowHint = true;
    bool UpdateFormatSettings = true;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    bool ShowMainForm = true;
    bool UpdateMetricSettings = true;
    bool HintShortCuts = true;
    TBiDiMode BiDiMode = TBiDiMode::bdLeftToRight;
};

struct MouseSettings {
    bool DragImmediate = true;
    int DragThreshold = 5;
};

class TAppEvents;
class TAppEventList;

// The application as TAppEvents reaches it: its slots, its settings, the filters of
// its main window, and its error box. One per process; the Windows application
// object derives from it, a test from a fake.
class EventApplication {
  public:
    EventApplication();
    virtual ~EventApplication();
    EventApplication(const EventApplication&) = delete;
    EventApplication& operator=(const EventApplication&) = delete;

    ApplicationSlots Slots;
    ApplicationSettings Settings;
    // The mouse settings; none where the framework has none (the stored values of
    // the components are then read back).
    std::optional<MouseSettings> Mouse = MouseSettings{};

    // The list every TAppEvents of this application registers with; made on first use.
    TAppEventList& EventList();

    // The application's error handling: the OnException slot when it has a handler,
    // else the standard error box. Never throws.
    void HandleException(const std::exception_ptr& error) noexcept;
    // Runs the main window's filters (oldest first) until one handles the message.
    bool FilterMainWindowMessage(AppMessage& message);
    void AddMainWindowFilter(TAppEvents* filter);
    void RemoveMainWindowFilter(TAppEvents* filter);

    // The application is minimised.
    virtual bool Minimized() const = 0;
    // The standard error box for `error` (ApplicationErrorText of its message, with
    // the application's title). Never throws.
    virtual void ShowException(const std::exception_ptr& error) noexcept = 0;
    // Paints the minimised application's icon: begins painting the application's
    // window, fills the area with the desktop colour when erasing is asked for, calls
    // `paint` with the paint device, and ends painting also when `paint` throws.
    virtual void PaintMinimizedIcon(const std::function<void(void* device)>& paint) = 0;

  private:
    std::unique_ptr<TAppEventList> eventList_;
    std::vector<TAppEvents*> filters_;
};

// What the error box says for an exception that carries no message of its own
// (one not derived from std::exception).
inline constexpr const char* kUnexpectedErrorMessage = "An unexpected error occurred";

// The message of an error, for an OnException handler; "" for a null error and
// kUnexpectedErrorMessage for an exception that carries none.
std::string ExceptionMessage(const std::exception_ptr& error);

// Runs the whole of a program (what the process entry does) and returns its exit code.
// An exception that escapes it, where no window is left to go on with, is shown in the
// application's error box and gives exit code 1.
int RunProgram(Prompts& prompts, const std::function<int()>& program);

// The component's events are the application's slots, plus two of its own.
class TAppEvents : public ApplicationSlots {
  public:
    // Registers with the application's list (hooking its slots with the first
    // component), filters the main window's messages, and pushes its default
    // settings into the application (a component's properties are complete once it
    // is constructed).
    explicit TAppEvents(EventApplication& app);
    // Unregisters; the last component leaves the fifteen slots empty.
    ~TAppEvents();
    TAppEvents(const TAppEvents&) = delete;
    TAppEvents& operator=(const TAppEvents&) = delete;

    // Pushes every setting into the application, as after loading stored properties.
    void ApplyToApplication();

    // False stops the walk of every event at this component.
    bool Chained = true;

    // The mirrored settings: reads give the application's live value, writes go to
    // the application at once.
    uint32_t HintColor() const { return app_.Settings.HintColor; }
    void SetHintColor(uint32_t value) { Set(&ApplicationSettings::HintColor, value); }
    int HintPause() const { return app_.Settings.HintPause; }
    void SetHintPause(int value) { Set(&ApplicationSettings::HintPause, value); }
    bool ShowHint() const { return app_.Settings.ShowHint; }
    void SetShowHint(bool value) { Set(&ApplicationSettings::ShowHint, value); }
    bool UpdateFormatSettings() const { return app_.Settings.UpdateFormatSettings; }
    void SetUpdateFormatSettings(bool value) {
        Set(&ApplicationSettings::UpdateFormatSettings, value);
    }
    int HintShortPause() const { return app_.Settings.HintShortPause; }
    void SetHintShortPause(int value) { Set(&ApplicationSettings::HintShortPause, value); }
    int HintHidePause() const { return app_.Settings.HintHidePause; }
    void SetHintHidePause(int value) { Set(&ApplicationSettings::HintHidePause, value); }
    bool ShowMainForm() const { return app_.Settings.ShowMainForm; }
    void SetShowMainForm(bool value) { Set(&ApplicationSettings::ShowMainForm, value); }
    bool UpdateMetricSettings() const { return app_.Settings.UpdateMetricSettings; }
    void SetUpdateMetricSettings(bool value) {
        Set(&ApplicationSettings::UpdateMetricSettings, value);
    }
    bool HintShortCuts() const { return app_.Settings.HintShortCuts; }
    void SetHintShortCuts(bool value) { Set(&ApplicationSettings::HintShortCuts, value); }
    TBiDiMode BiDiMode() const { return app_.Settings.BiDiMode; }
    void SetBiDiMode(TBiDiMode value) { Set(&ApplicationSettings::BiDiMode, value); }
    bool MouseDragImmediate() const;
    void SetMouseDragImmediate(bool value);
    int MouseDragThreshold() const;
    void SetMouseDragThreshold(int value);

    // --- Events ---
    // The fifteen shared ones are inherited from ApplicationSlots (OnActionExecute ...
    // OnActiveFormChange); these two come from the main window's messages.
    NotifyEvent OnPaintIcon;
    NotifyEvent OnSettingsChanged;

    // The paint device while OnPaintIcon runs; null otherwise.
    void* Canvas() const { return canvas_; }

    // Paints the minimised application's icon through OnPaintIcon.
    virtual void PaintIcon();
    // The filter of the main window's messages; true when it handled the message.
    virtual bool MainWindowHook(AppMessage& message);
    // Fires OnSettingsChanged.
    virtual void SettingsChanged();

  private:
    template <typename T>
    void Set(T ApplicationSettings::*field, T value) {
        stored_.*field = value;
        app_.Settings.*field = value;
    }

    EventApplication& app_;
    // The component's own values: pushed into the application by ApplyToApplication;
    // the mouse ones are read back where the application has no mouse settings.
    ApplicationSettings stored_;
    MouseSettings mouse_;
    void* canvas_ = nullptr;
};

// The registry of the application's TAppEvents. Hooked into the fifteen slots from
// the first registration to the removal of the last component.
class TAppEventList {
  public:
    explicit TAppEventList(EventApplication& app) : app_(app) {}
    // Unhooks when still hooked.
    ~TAppEventList();
    TAppEventList(const TAppEventList&) = delete;
    TAppEventList& operator=(const TAppEventList&) = delete;

    void Register(TAppEvents* component);
    void Unregister(TAppEvents* component);
    bool Hooked() const { return hooked_; }
    const std::vector<TAppEvents*>& Components() const { return components_; }

  private:
    void Hook();
    void Unhook();
    // Puts the list's dispatcher into `slot`; it calls the same event of each component.
    template <typename Function>
    void Install(Function ApplicationSlots::*slot, bool handledStops);
    void InstallException();

    EventApplication& app_;
    std::vector<TAppEvents*> components_;
    bool hooked_ = false;
    // The handlers the slots held before hooking.
    ApplicationSlots previous_;
};

}  // namespace pallisar
