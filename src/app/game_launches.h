#pragma once
// The three ways the main window starts a launch of a catalogue entry: from the list,
// from the tray menu, from "/RUN". The window loads the entry once, when the user asks
// for the launch; errors of a launch reach the caller (see GameLauncher).

#include <functional>

#include "app/exec_file.h"
#include "app/game_entry.h"
#include "app/launch_journal.h"
#include "app/launch_sequence.h"
#include "app/program_settings.h"
#include "app/session.h"
#include "core/log_writer.h"
#include "platform/prompts.h"

namespace pallisar {

class GameLaunches {
  public:
    virtual ~GameLaunches() = default;
    virtual LaunchOutcome ListLaunch(const GameEntry& entry) = 0;
    virtual LaunchOutcome TrayLaunch(const GameEntry& entry) = 0;
    virtual LaunchOutcome CommandLineLaunch(const GameEntry& entry) = 0;
    // At start-up, once the driver key is known and before any launch: finishes a
    // launch that the launcher did not live to end (see launch_recovery.h).
    virtual void RecoverInterruptedLaunch() {}
    // Whether a launch from the list or the tray waits for its game now.
    virtual bool Waiting() const { return false; }
    // Ends that wait at once; the driver is put back as when the game ends.
    virtual void StopWaiting() {}
    // Called when Waiting changes (the window enables its Stop Waiting commands).
    std::function<void()> OnWaitingChanged;
};

// The program's launches over the session's driver and one process launcher, through
// one GameLauncher for the whole run. Each launch holds its record of the driver's
// values for its own duration only.
class SessionLaunches : public GameLaunches {
  public:
    // Every reference must outlive this object. Without a journal no launch can be
    // finished by a later start.
    SessionLaunches(Session& session, const ProgramSettings& settings, LogWriter& log,
                    Prompts& prompts, TExecFile& exec, LaunchJournal* journal = nullptr)
        : launcher_(settings, log, prompts, session.Tweaks(), exec, journal) {
        launcher_.OnWaitingChanged = [this] {
            if (OnWaitingChanged) OnWaitingChanged();
        };
    }

    LaunchOutcome ListLaunch(const GameEntry& entry) override {
        return launcher_.ListLaunch(entry);
    }
    LaunchOutcome TrayLaunch(const GameEntry& entry) override {
        return launcher_.TrayLaunch(entry);
    }
    LaunchOutcome CommandLineLaunch(const GameEntry& entry) override {
        return launcher_.CommandLineLaunch(entry);
    }
    void RecoverInterruptedLaunch() override { launcher_.RecoverInterruptedLaunch(); }
    bool Waiting() const override { return launcher_.Waiting(); }
    void StopWaiting() override { launcher_.StopWaiting(); }

  private:
    GameLauncher launcher_;
};

}  // namespace pallisar
