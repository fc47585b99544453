#include "ui/options.h"

#include <exception>
#include <utility>

#include "app/file_index_icon.h"
#include "app/program_settings.h"
#include "core/errors.h"
#include "core/file_access.h"
#include "core/file_names.h"
#include "core/text.h"
#include "ui/main_window.h"

namespace pallisar {

namespace {

// A level-of-detail end is kept only as a number the editor can build its lists from.
bool IsNumber(const std::string& text) {
    double value = 0;
    return TryStrToFloat(text, value);
}

}  // namespace

TfmOptions::TfmOptions(OptionsServices services) : services_(std::move(services)) {
    chkAutoStart.Checked =
        RunKey().ReadValueDefault(kAutoStartValue, kAutoStartOff) != kAutoStartOff;

    const ProgramSettings settings(services_.programDir);
    chkRestorePrev.Checked = settings.ResetSettings();
    chkLog.Checked = settings.GenerateLog();
    edLODHigh.Text = settings.LODHighRange();
    edLODLow.Text = settings.LODLowRange();
}

std::string TfmOptions::IconPath() const {
    return FindFileNoCase(services_.programDir, kIconFileName);
}

TRegistryEnhanced::BaseKey TfmOptions::RunKey() const {
    return services_.reg.At(TRootKey::hkLocalMachine, kRunKey);
}

// A refusal with the reason Windows gives for it.
RegistryError TfmOptions::Refused(const std::string& what, long code) const {
    return RegistryError(what + ": " + services_.reg.Store().ErrorText(code), code);
}

void TfmOptions::WriteAutoStart() {
    const TRegistryEnhanced::BaseKey reg = RunKey();
    if (!chkAutoStart.Checked) {
        // A value that stays would have Windows start the program all the same.
        const long deleted = reg.DeleteValue(kAutoStartValue);
        if (deleted != regError::kSuccess && deleted != regError::kFileNotFound)
            throw Refused(std::string("Failed to delete value '") + kAutoStartValue + "'", deleted);
        return;
    }
    try {
        reg.WriteValue(kAutoStartValue, services_.programFile + kAutoStartSwitch);
    } catch (const RegistryKeyError& refused) {
        // No rights to the Run key (a user who is not an administrator on NT, 2000 or
        // XP): Windows will not start the program, which the user must learn.
        throw Refused(refused.what(), refused.Code());
    }
}

void TfmOptions::btnOKClick() {
    // A refused autostart value must not cost the user the other choices of the dialog.
    std::exception_ptr refused;
    try {
        WriteAutoStart();
    } catch (const RegistryError&) {
        refused = std::current_exception();
    }

    ProgramSettings settings(services_.programDir);
    settings.SetResetSettings(chkRestorePrev.Checked);
    settings.SetGenerateLog(chkLog.Checked);
    if (IsNumber(edLODHigh.Text)) settings.SetLODHighRange(edLODHigh.Text);
    if (IsNumber(edLODLow.Text)) settings.SetLODLowRange(edLODLow.Text);

    if (refused) std::rethrow_exception(refused);
}

void TfmOptions::btnEdPathClick() {
    if (!host_) return;
    const std::string iconPath = IconPath();
    TfmChangeIcon dialog(services_.prompts);
    dialog.SetUp(FileExists(iconPath) ? iconPath : services_.programFile, 0);
    if (!host_->ShowChangeIcon(dialog)) return;
    try {
        TFileIndexIcon icon;
        icon.SetFileName(dialog.ChosenFileName());
        icon.SetIconIndex(dialog.ChosenIconIndex());
        icon.SaveToFile(iconPath);
    } catch (...) {
        // The file is replaced only once the new icon is written whole.
        services_.prompts.ShowError(FileExists(iconPath) ? kIconKept : kIconError);
    }
}

void TfmOptions::Button1Click() {
    ProgramSettings(services_.programDir).DeleteVideoCard();
    services_.prompts.ShowInformation(kVideoCardReset);
}

bool RunOptions(const OptionsServices& services, OptionsHost& host,
                const std::function<void()>& afterOK) {
    TfmOptions options(services);
    options.SetHost(&host);
    if (!host.ShowOptions(options)) return false;
    std::exception_ptr refused;
    try {
        options.btnOKClick();
    } catch (const RegistryError&) {
        refused = std::current_exception();  // raised once every step of OK has run
    }
    if (afterOK) afterOK();
    if (refused) std::rethrow_exception(refused);
    return true;
}

}  // namespace pallisar
