#include "app/launch_sequence.h"

#include <functional>
#include <optional>
#include <vector>

#include "app/launch_recovery.h"
#include "core/errors.h"
#include "tweaks/driver_snapshot.h"
#include "tweaks/previous_settings.h"
#include "tweaks/tweak_burst.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

namespace {

constexpr char kLaunchRunningMessage[] =
    "Another game is running whose driver settings are to be restored when it ends "
    "(launched from this launcher, another copy of it or another user's session).\n\n"
    "Launch this game once that one has ended.";

// The journal of one launch, and the launch lock for as long as the launch runs: no
// other launch with restore (of any launcher, in any session) overlaps it. The journal
// is rewritten as the launch moves on; this launch removes only a journal it wrote
// itself, and only once the launch has ended as the journal foresees (after a restore
// only once the driver's key is on the disk). A launch stopped by an error between its
// first record and the end of its restore keeps the journal, for the next launch or
// start to finish.
class JournalKeeper {
  public:
    // Refused (Error) while another launch with restore runs, and while a journal that
    // this launch did not write is there after the recovery was offered.
    JournalKeeper(LaunchJournal* journal, TweakContext& tweaks, Prompts& prompts)
        : journal_(journal), tweaks_(tweaks) {
        if (!journal_) return;
        switch (journal_->TakeLock()) {
            case LockTake::HeldElsewhere:
                tweaks_.Log.WriteLog("Launch refused: another launch with restore is running.");
                throw Error(kLaunchRunningMessage);
            case LockTake::Refused:
                // As unprotected from a second launcher as every launch once was.
                tweaks_.Log.WriteLog("!ERROR! The launch lock could not be made.");
                break;
            case LockTake::Taken:
                locked_ = true;
                break;
        }
        // A journal that a launcher which died left half-way replaced (Windows 95, 98
        // and ME) is finished first, so that it is found as the file.
        std::vector<std::string> kept;
        if (!journal_->Read(&kept) && !journal_->Exists()) {
            for (const std::string& line : kept) tweaks_.Log.WriteLog(line);
            return;
        }
        // A launcher that died after this one started, a recovery refused or one that
        // could not read the journal: what it holds is put back (or not) first.
        tweaks_.Log.WriteLog("Launch journal of an earlier launch found: " + journal_->Path());
        try {
            RecoverInterruptedLaunch(*journal_, tweaks_, prompts);
        } catch (...) {
            Unlock();  // no destructor runs for a constructor that throws
            throw;
        }
        if (!journal_->Exists()) return;
        const std::string path = journal_->Path();
        Unlock();
        throw Error(
            "The game was not started: the launch journal of an earlier launch is "
            "still there (" +
            path +
            "), and this launch would overwrite the driver settings it keeps.\n\n"
            "The reason is in the log.");
    }
    ~JournalKeeper() {
        if (written_) {
            if (restored_) {
                RemoveJournalAfterRestore(*journal_, tweaks_);
            } else if (ended_) {
                RemoveJournal(*journal_, tweaks_.Log);
            } else {
                tweaks_.Log.WriteLog(
                    "\tThe launch journal is kept: the next launch or start offers to restore "
                    "the driver settings.");
            }
        }
        Unlock();
    }
    JournalKeeper(const JournalKeeper&) = delete;
    JournalKeeper& operator=(const JournalKeeper&) = delete;

    // Before the first driver write: the tree as it is now. A driver key that cannot
    // be read raises its RegistryError here, before anything is written.
    void Applying(const std::string& title, const TPrevSettings& previous) {
        if (!journal_) return;
        record_.DriverKey = tweaks_.Driver.DriverKey;
        record_.Title = title;
        record_.Started = journal_->Now();
        record_.Previous = previous;
        Enter(JournalPhase::Applying);
    }
    // The game has started: the recorded values are all a restore needs. Written then
    // rather than before the start, so that the game is not kept waiting for the disk;
    // should the launcher die before it is written, the tree before the launch is put
    // back.
    void Running() { Enter(JournalPhase::Running); }
    // Before the restore's first write: the tree as the game left it. When that record
    // cannot be taken or written, the restore must not begin (the journal on disk would
    // have a later start exchange the values a second time): Error, the journal kept.
    void Restoring() { Enter(JournalPhase::Restoring); }
    // The restore has returned: the journal may go.
    void Restored() { restored_ = true; }
    // The launch ended without a restore (restoring was turned off meanwhile).
    void EndedWithoutRestore() { ended_ = true; }

  private:
    void Unlock() {
        if (locked_) journal_->ReleaseLock();
        locked_ = false;
    }

    void Enter(JournalPhase phase) {
        if (!journal_ || (phase != JournalPhase::Applying && !written_)) return;
        LogWriter& log = tweaks_.Log;
        record_.Phase = phase;
        try {
            record_.Snapshot =
                phase == JournalPhase::Running ? DriverSnapshot{} : TakeDriverSnapshot(tweaks_);
        } catch (const RegistryError& error) {
            log.WriteLog("!ERROR! " + std::string(error.what()));
            log.WriteLog(phase == JournalPhase::Applying
                             ? "\tThe launch was stopped before any driver value was written."
                             : "\tThe driver settings were not restored.");
            throw;
        }
        if (journal_->Write(record_)) {
            written_ = true;
            return;
        }
        log.WriteLog("!ERROR! writing launch journal: " + journal_->Path());
        if (phase == JournalPhase::Applying) {
            // Without its journal the launch goes on as it always has (the lock still
            // keeps other launches out).
            return;
        }
        if (phase == JournalPhase::Restoring) {
            log.WriteLog("\tThe driver settings were not restored.");
            throw Error(JournalNotWrittenMessage(*journal_));
        }
        // The journal of the step before stays: it still puts the driver right after a
        // crash (the "Applying" one gives back the tree before the launch).
        log.WriteLog("\tThe \"" + std::string(JournalPhaseName(phase)) +
                     "\" record could not be written; the journal as it was is kept.");
    }

    LaunchJournal* journal_;
    TweakContext& tweaks_;
    JournalRecord record_;
    bool locked_ = false;
    bool written_ = false;
    bool restored_ = false;
    bool ended_ = false;
};

// Has `action` run when the launcher's program has started, for as long as it lives.
class OnGameStart {
  public:
    OnGameStart(TExecFile& exec, std::function<void()> action) : exec_(exec) {
        exec_.OnStart = [action = std::move(action)](TExecFile&) { action(); };
    }
    ~OnGameStart() { exec_.OnStart = nullptr; }
    OnGameStart(const OnGameStart&) = delete;
    OnGameStart& operator=(const OnGameStart&) = delete;

  private:
    TExecFile& exec_;
};

}  // namespace

GameLauncher::GameLauncher(const ProgramSettings& settings, LogWriter& log, Prompts& prompts,
                           TweakContext& tweaks, TExecFile& exec, LaunchJournal* journal)
    : settings_(settings),
      log_(log),
      prompts_(prompts),
      tweaks_(tweaks),
      exec_(exec),
      journal_(journal) {
    exec_.OnFollow = [this](TExecFile&, const FollowedProgram& program) {
        log_.WriteLog("\tAlso waiting for " + program.file + ", started by " + program.startedBy +
                      ".");
    };
    exec_.OnWaitChange = [this](TExecFile&) {
        if (OnWaitingChanged) OnWaitingChanged();
    };
}

GameLauncher::~GameLauncher() {
    exec_.OnFollow = nullptr;
    exec_.OnWaitChange = nullptr;
}

LaunchOutcome GameLauncher::ListLaunch(const GameEntry& entry) {
    log_.WriteLog(entry.Title + " selected.");
    if (entry.GameOnly) {
        log_.WriteLog("Running application in \"GAME ONLY\" mode. No settings will be adjusted.");
        RunGame(entry, GameWait::ServingWindow);
        return {};
    }
    return LaunchWithTweaks(entry, /*showLoadedBox=*/true);
}

LaunchOutcome GameLauncher::TrayLaunch(const GameEntry& entry) {
    return LaunchWithTweaks(entry, /*showLoadedBox=*/false);
}

LaunchOutcome GameLauncher::Outcome(const TweakWriteReport& report) const {
    return {RefusedSettingsText(report, tweaks_.Reg.Store())};
}

LaunchOutcome GameLauncher::LaunchWithTweaks(const GameEntry& entry, bool showLoadedBox) {
    // Before anything is recorded or written: a value that cannot be written ends the
    // launch here.
    const TweakPlan plan = PlanSettings(tweaks_.Driver, entry.Tweaks);
    const bool saved = settings_.ResetSettings();
    const bool configOnly = entry.IsConfigOnly();
    // Only a launch that is going to restore keeps a journal.
    JournalKeeper journal(saved && !configOnly ? journal_ : nullptr, tweaks_, prompts_);
    // The record of this launch only: a launch that records nothing restores nothing.
    TPrevSettings previous;
    // Until the game has started: letting go of the keys and the log file need not
    // keep it waiting, but nothing stays open while the launcher waits.
    std::optional<TweakBurst> burst(std::in_place, tweaks_);
    if (saved) previous = SavePreviousSettings(tweaks_);
    journal.Applying(entry.Title, previous);
    const TweakWriteReport written = ApplySettings(tweaks_, plan);
    if (configOnly) {
        burst.reset();
        if (showLoadedBox) prompts_.ShowInformation(entry.Title + " Loaded");
        log_.WriteLog("Config Only option loaded - " + entry.Title);
        return Outcome(written);
    }
    {
        const OnGameStart started(exec_, [&] {
            burst.reset();
            journal.Running();
        });
        RunGame(entry, GameWait::ServingWindow);
    }
    burst.reset();  // a game that could not start
    // The setting is read again after the game, but only values recorded by this
    // launch are ever put back: restoring a record that was never taken would write
    // empty gamma values into the driver.
    if (saved && settings_.ResetSettings()) {
        const TweakBurst burst(tweaks_);
        journal.Restoring();
        RestorePreviousSettings(tweaks_, previous);
        journal.Restored();
    } else {
        journal.EndedWithoutRestore();
    }
    return Outcome(written);
}

LaunchOutcome GameLauncher::CommandLineLaunch(const GameEntry& entry) {
    const TweakPlan plan = PlanSettings(tweaks_.Driver, entry.Tweaks);
    TweakWriteReport written;
    {
        const TweakBurst burst(tweaks_);
        written = ApplySettings(tweaks_, plan);
    }
    RunGame(entry);
    return Outcome(written);
}

void GameLauncher::RunGame(const GameEntry& entry, GameWait wait) {
    {
        const LogBurst burst(log_);
        log_.WriteLog("Running Shortcut \"" + entry.Title + "\"");
        log_.WriteLog("\tCommand String - " + entry.Run);
        log_.WriteLog("\tCommand Paramaters - " + entry.Params);
    }

    exec_.SetWorkingDir(ExtractProgramDir(entry.Run));
    exec_.SetCommandLine(entry.Run);
    exec_.SetParameters(entry.Params);
    // Wait for the game exactly when its driver values are to be put back afterwards.
    const bool serving = wait == GameWait::ServingWindow;
    if (settings_.ResetSettings()) {
        exec_.SetWaitStyle(serving ? TWaitStyle::wRegular : TWaitStyle::wSuspend);
        exec_.SetFollowStarted(serving && entry.FollowStarted);
        exec_.SetWait(true);
    } else {
        exec_.SetWait(false);
    }
    // A program that cannot start is not reported.
    if (exec_.Execute() && exec_.Wait()) LogWaitEnd(entry.Title);
    log_.WriteLog("\t" + entry.Title + " terminated.");
}

void GameLauncher::LogWaitEnd(const std::string& title) {
    if (exec_.WaitStopped()) {
        log_.WriteLog("\tStopped waiting for " + title + " at the user's request.");
        return;
    }
    const ProcessHandle* process = exec_.ProcessInfo();
    const std::string means = process ? process->FollowMeans() : std::string();
    if (!means.empty()) {
        log_.WriteLog("\tEvery program started for " + title + " has ended (followed by " + means +
                      ").");
    }
}

void GameLauncher::RecoverInterruptedLaunch() {
    if (journal_) pallisar::RecoverInterruptedLaunch(*journal_, tweaks_, prompts_);
}

}  // namespace pallisar
