#pragma once
// The three ways the main window starts a launch, given the catalogue handle and the
// title: from the list, from the tray menu, from "/RUN". Errors of a launch reach the
// caller (see GameLauncher).

#include <string>

#include "app/exec_file.h"
#include "app/launch_journal.h"
#include "app/program_settings.h"
#include "app/session.h"
#include "core/ini_file.h"
#include "core/log_writer.h"
#include "platform/prompts.h"

namespace pallisar {

class GameLaunches {
  public:
    virtual ~GameLaunches() = default;
    virtual void ListLaunch(IniFile& catalogue, const std::string& title) = 0;
    virtual void TrayLaunch(IniFile& catalogue, const std::string& title) = 0;
    virtual void CommandLineLaunch(IniFile& catalogue, const std::string& title) = 0;
    // At start-up, once the driver key is known and before any launch: finishes a
    // launch that the launcher did not live to end (see launch_recovery.h).
    virtual void RecoverInterruptedLaunch() {}
};

// The program's launches over the session's driver and one process launcher. Each
// launch holds its record of the driver's values for its own duration only.
class SessionLaunches : public GameLaunches {
  public:
    // Every reference must outlive this object. Without a journal no launch can be
    // finished by a later start.
    SessionLaunches(Session& session, const ProgramSettings& settings, LogWriter& log,
                    Prompts& prompts, TExecFile& exec, LaunchJournal* journal = nullptr);

    void ListLaunch(IniFile& catalogue, const std::string& title) override;
    void TrayLaunch(IniFile& catalogue, const std::string& title) override;
    void CommandLineLaunch(IniFile& catalogue, const std::string& title) override;
    void RecoverInterruptedLaunch() override;

  private:
    Session& session_;
    const ProgramSettings& settings_;
    LogWriter& log_;
    Prompts& prompts_;
    TExecFile& exec_;
    LaunchJournal* journal_;
};

}  // namespace pallisar
