#pragma once
// Launching a game entry: the three ways a launch starts (the game list, the tray
// menu, the command line) and RunGame, which starts the entry's program. A launch
// works from the entry it is given and reads nothing more of the catalogue. Everything runs on
// the calling (user-interface) thread; a launch that waits blocks it until the game
// ends. Errors of the driver side (a LOD bias that is no number, a refused write while
// restoring) end the launch and reach the caller; every value of the entry that could
// raise is converted before the driver is touched, so such an error leaves the driver
// as it was.

#include <functional>

#include "app/exec_file.h"
#include "app/game_entry.h"
#include "app/launch_journal.h"
#include "app/program_settings.h"
#include "core/log_writer.h"
#include "platform/prompts.h"
#include "tweaks/apply_settings.h"
#include "tweaks/driver_state.h"

namespace pallisar {

// What a launch leaves for the user to read afterwards (the main window's status bar):
// how many of the game's driver settings the registry refused, and why. Empty when
// every setting was written or none was to be.
struct LaunchOutcome {
    std::string status;
};

class GameLauncher {
  public:
    // Every reference must outlive the launcher (the main window owns them all). With
    // a journal, a launch that will put the driver's values back keeps it on disk from
    // before its first driver write until its restore is done.
    GameLauncher(const ProgramSettings& settings, LogWriter& log, Prompts& prompts,
                 TweakContext& tweaks, TExecFile& exec, LaunchJournal* journal = nullptr);
    ~GameLauncher();
    GameLauncher(const GameLauncher&) = delete;
    GameLauncher& operator=(const GameLauncher&) = delete;

    // A launch from the game list (double-click, File > Run, the Run button):
    // honours Game Only and Config Only entries.
    LaunchOutcome ListLaunch(const GameEntry& entry);
    // A launch from a game item of the tray menu: Game Only is ignored and a Config
    // Only entry shows no box.
    LaunchOutcome TrayLaunch(const GameEntry& entry);
    // The /RUN launch: the entry's tweaks are written and its program started, with
    // no record or restore of the driver's previous values.
    LaunchOutcome CommandLineLaunch(const GameEntry& entry);
    // How a launch waits for its game (when ResetSettings is on).
    enum class GameWait {
        // The calling thread is blocked until the program ends (/RUN).
        Blocked,
        // The window goes on answering, the entry's FollowStarted says whether the
        // programs it starts are waited for too, and StopWaiting ends the wait.
        ServingWindow,
    };
    // Logs and starts the entry's program; waits for it exactly when ResetSettings
    // is on. A program that cannot start fails silently.
    void RunGame(const GameEntry& entry, GameWait wait = GameWait::Blocked);
    // Whether a launch waits for its game now, serving the window.
    bool Waiting() const { return exec_.Waiting(); }
    // Ends that wait: the launch goes on at once (with its restore) and logs it.
    void StopWaiting() { exec_.StopWaiting(); }
    // Called when Waiting changes.
    std::function<void()> OnWaitingChanged;
    // At start-up, once the driver key is known and before any launch: finishes a
    // launch that the launcher did not live to end (see launch_recovery.h).
    void RecoverInterruptedLaunch();

  private:
    // Records the driver's values (when restoring is on), writes the entry's tweaks,
    // then starts the game and restores, or for a Config Only entry only reports.
    LaunchOutcome LaunchWithTweaks(const GameEntry& entry, bool showLoadedBox);
    LaunchOutcome Outcome(const TweakWriteReport& report) const;
    // The line that says how the wait for the game ended: all its programs ended, or
    // the user stopped it. None for a wait for the program alone.
    void LogWaitEnd(const std::string& title);

    const ProgramSettings& settings_;
    LogWriter& log_;
    Prompts& prompts_;
    TweakContext& tweaks_;
    TExecFile& exec_;
    LaunchJournal* journal_;
};

}  // namespace pallisar
