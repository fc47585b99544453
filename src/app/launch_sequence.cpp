#include "app/launch_sequence.h"

#include "app/game_entry.h"
#include "core/text.h"
#include "tweaks/apply_settings.h"
#include "tweaks/tweak_burst.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

GameLauncher::GameLauncher(IniFile& gameDat, const ProgramSettings& settings, LogWriter& log,
                           Prompts& prompts, TweakContext& tweaks, TExecFile& exec)
    : gameDat_(gameDat),
      settings_(settings),
      log_(log),
      prompts_(prompts),
      tweaks_(tweaks),
      exec_(exec) {}

bool GameLauncher::IsConfigOnly(const std::string& title) const {
    return UpperCase(gameDat_.ReadString(title, kRunKey, "")) == kConfigOnlyRun;
}

void GameLauncher::WriteGameTweaks(const std::string& title) {
    ApplySettings(tweaks_, ReadGameSettings(gameDat_, title));
}

void GameLauncher::ListLaunch(const std::string& title) {
    log_.WriteLog(title + " selected.");
    if (gameDat_.ReadBool(title, kGameOnlyKey, false)) {
        log_.WriteLog("Running application in \"GAME ONLY\" mode. No settings will be adjusted.");
        RunGame(title);
        return;
    }
    LaunchWithTweaks(title, /*showLoadedBox=*/true);
}

void GameLauncher::TrayLaunch(const std::string& title) {
    LaunchWithTweaks(title, /*showLoadedBox=*/false);
}

void GameLauncher::LaunchWithTweaks(const std::string& title, bool showLoadedBox) {
    const bool saved = settings_.ResetSettings();
    {
        const TweakBurst burst(tweaks_);
        if (saved) previous_ = SavePreviousSettings(tweaks_);
        WriteGameTweaks(title);
    }
    if (IsConfigOnly(title)) {
        if (showLoadedBox) prompts_.ShowInformation(title + " Loaded");
        log_.WriteLog("Config Only option loaded - " + title);
        return;
    }
    RunGame(title);
    // The setting is read again after the game, but only values recorded by this
    // launch are ever put back: restoring a record that was never taken would write
    // empty gamma values into the driver.
    if (saved && settings_.ResetSettings()) {
        const TweakBurst burst(tweaks_);
        RestorePreviousSettings(tweaks_, previous_);
    }
}

void GameLauncher::CommandLineLaunch(const std::string& title) {
    {
        const TweakBurst burst(tweaks_);
        WriteGameTweaks(title);
    }
    RunGame(title);
}

void GameLauncher::RunGame(const std::string& title) {
    const std::string run = gameDat_.ReadString(title, kRunKey, "");
    const std::string params = gameDat_.ReadString(title, kParamsKey, "");
    {
        const LogBurst burst(log_);
        log_.WriteLog("Running Shortcut \"" + title + "\"");
        log_.WriteLog("\tCommand String - " + run);
        log_.WriteLog("\tCommand Paramaters - " + params);
    }

    exec_.SetWorkingDir(ExtractProgramDir(run));
    exec_.SetCommandLine(run);
    exec_.SetParameters(params);
    // Wait for the game exactly when its driver values are to be put back afterwards.
    if (settings_.ResetSettings()) {
        exec_.SetWaitStyle(TWaitStyle::wSuspend);
        exec_.SetWait(true);
    } else {
        exec_.SetWait(false);
    }
    exec_.Execute();  // a program that cannot start is not reported
    log_.WriteLog("\t" + title + " terminated.");
}

std::string FindTitleByRunPath(const IniFile& gameDat, std::string_view wantedPath) {
    const std::string wanted = UpperCase(wantedPath);
    std::string title = kDummyTitle;
    for (const std::string& section : gameDat.ReadSections()) {
        const std::string run = UpperCase(gameDat.ReadString(section, kRunKey, ""));
        if (wanted == run || wanted == "\"" + run + "\"") title = section;
    }
    return title;
}

}  // namespace pallisar
