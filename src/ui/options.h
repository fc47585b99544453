#pragma once
// TfmOptions: the "Options" dialog's model. It holds what the dialog shows (three check
// boxes, the two level-of-detail range boxes) and its handlers. Creating it reads the
// autostart value and the program settings; btnOKClick writes them back. "..." (the
// application icon) and "Reset" (the card selection) act at once, whether the dialog
// then ends with OK or Cancel.
//
// RunOptions is the whole command as the main window runs it.

#include <functional>
#include <string>

#include "platform/prompts.h"
#include "tweaks/registry_enhanced.h"
#include "ui/change_icon.h"
#include "ui/game_editor.h"

namespace pallisar {

class TfmOptions;

// What the options work with; owned by the opener and alive as long as the dialog.
struct OptionsServices {
    std::string programDir;   // holds settings.cfg and pallisar.ico; with a trailing delimiter
    std::string programFile;  // the full path of the program file
    Prompts& prompts;
    // The main window's registry component, for the autostart value.
    TRegistryEnhanced& reg;
};

// What the command needs done on screen, implemented by the main window's view; a test
// answers it with a double.
class OptionsHost {
  public:
    virtual ~OptionsHost() = default;
    // Shows the Options dialog modally over `options`; true when it was closed with OK.
    virtual bool ShowOptions(TfmOptions& options) = 0;
    // Shows the change-icon dialog, set up by the caller, over the Options dialog;
    // true when it was closed with OK.
    virtual bool ShowChangeIcon(TfmChangeIcon& dialog) = 0;
};

class TfmOptions {
  public:
    // The autostart value: under HKEY_LOCAL_MACHINE, in kRunKey, named kAutoStartValue,
    // holding the program file's path followed by kAutoStartSwitch.
    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kAutoStartValue = "Pallisar5 Game Launcher";
    static constexpr const char* kAutoStartSwitch = " /min";
    // Read when the value is missing; any other data means autostart is on.
    static constexpr const char* kAutoStartOff = "NO";
    static constexpr const char* kIconError = "Error in icon! Icon has been reset.";
    static constexpr const char* kIconKept = "Error in icon! The previous icon has been kept.";
    static constexpr const char* kVideoCardReset =
        "Video Card Reset.\rPlease restart program to reselect video card.";

    // Shows the stored options: the autostart value and the program settings.
    explicit TfmOptions(OptionsServices services);
    TfmOptions(const TfmOptions&) = delete;
    TfmOptions& operator=(const TfmOptions&) = delete;

    // The view that shows the change-icon dialog, or none ("..." then does nothing).
    // Not owned.
    void SetHost(OptionsHost* host) { host_ = host; }

    // --- What the dialog shows; the view writes a user's change here ---
    CheckState chkRestorePrev;  // "&Restore Previous Settings When Game is Done"
    CheckState chkAutoStart;    // "&Start Automatically with Windows"
    CheckState chkLog;          // "&Generate Log File"
    EditState edLODLow;         // "LOD Range:"
    EditState edLODHigh;        // "to"

    // --- Handlers ---
    // OK: the autostart value (written or deleted), ResetSettings, GenerateLog, and each
    // LOD text that is a number ("." as decimal point; any other text keeps its key).
    // An autostart value the registry refuses does not stop the later steps: its
    // RegistryError is raised once they have run ("Failed to set data for
    // 'Pallisar5 Game Launcher'", followed by the system's reason when the Run key
    // itself cannot be opened or created; "Failed to delete value 'Pallisar5 Game
    // Launcher'" with the reason when the value stays). A settings file that cannot be
    // written raises FileWriteError at once.
    void btnOKClick();
    // "...": the change-icon dialog on pallisar.ico (or the program file when there is
    // none), icon 0; its choice is saved as pallisar.ico at once, replacing the file
    // whole. A choice that cannot be saved leaves pallisar.ico as it was and says
    // kIconKept, or kIconError when there is none (the icon is the built-in one).
    void btnEdPathClick();
    // "Reset": removes VideoCard from settings.cfg at once and says kVideoCardReset.
    void Button1Click();

  private:
    std::string IconPath() const;
    // The values of kRunKey.
    TRegistryEnhanced::BaseKey RunKey() const;
    RegistryError Refused(const std::string& what, long code) const;
    void WriteAutoStart();

    OptionsServices services_;
    OptionsHost* host_ = nullptr;
};

// The "&Options..." command: creates the dialog, shows it through `host` and, on OK,
// runs btnOKClick and then `afterOK` (the main window takes up pallisar.ico there).
// Returns true when OK ran, false on Cancel. A refused autostart write is raised after
// `afterOK` has run; other errors end the command where they occur.
bool RunOptions(const OptionsServices& services, OptionsHost& host,
                const std::function<void()>& afterOK = {});

}  // namespace pallisar
