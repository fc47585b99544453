#include "app/file_upgrade.h"

#include "app/version.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

// The stored version as a number; a stamp that is not one counts as 0.9.
double StoredVersionNumber(const ProgramSettings& settings, LogWriter& log) {
    double version = 0;
    if (!TryStrToFloat(settings.Version(), version)) {
        log.WriteLog("*****Error in detecting settings.cfg version*****");
        log.WriteLog("\tAssuming old version");
        version = 0.9;
    }
    return version;
}

}  // namespace

bool CheckFileVersion(const ProgramSettings& settings, LogWriter& log) {
    const std::string stored = settings.Version();
    const bool older = kFileVersion > StoredVersionNumber(settings, log);
    if (older) {
        log.WriteLog("Version " + stored + " in settings.cfg is older then " + kVersionText);
    }
    return older;
}

void ConvertAAToggle(IniFile& file, const std::string& section) {
    const std::string toggle = UpperCase(file.ReadString(section, "AAToggle", "Disable"));
    for (const TweakField field : {TweakField::glAAToggle, TweakField::D3DAAToggle}) {
        const TweakRow& row = TweakOf(field);
        // Off stays off (the tweak's default); on becomes the first key each list offers.
        if (toggle == "DISABLE") {
            file.WriteString(section, row.Key, row.Default);
        } else if (toggle == "ENABLE") {
            file.WriteString(section, row.Key, row.Choices[1].Item);
        }
    }
    file.DeleteKey(section, "AAToggle");
}

void UpgradeFiles(ProgramSettings& settings, IniFile& gameDat, LogWriter& log, Prompts& prompts) {
    prompts.ShowInformation(
        "You have just upgraded to a newer version of the Pallisar Game Launcher.\r"
        "It is now going to update your game file.");

    if (StoredVersionNumber(settings, log) < 1.0) {
        for (const std::string& game : gameDat.ReadSections()) ConvertAAToggle(gameDat, game);
        log.WriteLog(std::string("Updated game.dat to version ") + kVersionText);

        IniFile settingsFile = settings.File();
        for (const std::string& preset : settingsFile.ReadSections()) {
            if (!SameText(preset, ProgramSettings::kSection)) ConvertAAToggle(settingsFile, preset);
        }
    }
    settings.SetVersion(kVersionText);
    log.WriteLog(std::string("Updated settings.cfg to version ") + kVersionText);
}

}  // namespace pallisar
