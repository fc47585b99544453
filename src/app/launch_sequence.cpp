#include "app/launch_sequence.h"

#include "app/game_entry.h"
#include "core/text.h"
#include "tweaks/apply_settings.h"
#include "tweaks/driver_snapshot.h"
#include "tweaks/tweak_burst.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

namespace {

// The journal of one launch: rewritten as the launch moves on, removed when the launch
// ends while the launcher still lives, however it ends (an error of the launch is
// shown to the user; only a launcher that died leaves the journal behind).
class JournalKeeper {
  public:
    JournalKeeper(LaunchJournal* journal, TweakContext& tweaks)
        : journal_(journal), tweaks_(tweaks) {
        // Another launcher waits for its own game with the journal: that one is its.
        if (journal_ && journal_->InUseElsewhere()) journal_ = nullptr;
    }
    ~JournalKeeper() {
        if (journal_) journal_->Remove();
    }
    JournalKeeper(const JournalKeeper&) = delete;
    JournalKeeper& operator=(const JournalKeeper&) = delete;

    // Before the first driver write: the tree as it is now.
    void Applying(const std::string& title, const TPrevSettings& previous) {
        if (!journal_) return;
        record_.DriverKey = tweaks_.Driver.DriverKey;
        record_.Title = title;
        record_.Started = journal_->Now();
        record_.Previous = previous;
        Enter(JournalPhase::Applying);
    }
    // The game is about to start: the recorded values are all a restore needs.
    void Running() { Enter(JournalPhase::Running); }
    // Before the restore's first write: the tree as the game left it.
    void Restoring() { Enter(JournalPhase::Restoring); }

  private:
    void Enter(JournalPhase phase) {
        if (!journal_) return;
        record_.Phase = phase;
        record_.Snapshot =
            phase == JournalPhase::Running ? DriverSnapshot{} : TakeDriverSnapshot(tweaks_);
        if (journal_->Write(record_)) return;
        // Without its journal the launch goes on as it always has; a stale one must not
        // be taken for this launch's later.
        tweaks_.Log.WriteLog("!ERROR! writing launch journal: " + journal_->Path());
        journal_->Remove();
        journal_ = nullptr;
    }

    LaunchJournal* journal_;
    TweakContext& tweaks_;
    JournalRecord record_;
};

}  // namespace

GameLauncher::GameLauncher(IniFile& gameDat, const ProgramSettings& settings, LogWriter& log,
                           Prompts& prompts, TweakContext& tweaks, TExecFile& exec,
                           LaunchJournal* journal)
    : gameDat_(gameDat),
      settings_(settings),
      log_(log),
      prompts_(prompts),
      tweaks_(tweaks),
      exec_(exec),
      journal_(journal) {}

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
    // Only a launch that is going to restore keeps a journal.
    JournalKeeper journal(saved && !IsConfigOnly(title) ? journal_ : nullptr, tweaks_);
    {
        const TweakBurst burst(tweaks_);
        if (saved) previous_ = SavePreviousSettings(tweaks_);
        journal.Applying(title, previous_);
        WriteGameTweaks(title);
    }
    if (IsConfigOnly(title)) {
        if (showLoadedBox) prompts_.ShowInformation(title + " Loaded");
        log_.WriteLog("Config Only option loaded - " + title);
        return;
    }
    journal.Running();
    RunGame(title);
    // The setting is read again after the game, but only values recorded by this
    // launch are ever put back: restoring a record that was never taken would write
    // empty gamma values into the driver.
    if (saved && settings_.ResetSettings()) {
        const TweakBurst burst(tweaks_);
        journal.Restoring();
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
