#pragma once
// Launching a game: the three ways a launch starts (the game list, the tray menu,
// the command line) and RunGame, which starts the entry's program. Everything runs on
// the calling (user-interface) thread; a launch that waits blocks it until the game
// ends. Errors of the driver side (a LOD bias that is no number, a refused write while
// restoring) end the launch and reach the caller.

#include <string>
#include <string_view>

#include "app/exec_file.h"
#include "app/launch_journal.h"
#include "app/program_settings.h"
#include "core/ini_file.h"
#include "core/log_writer.h"
#include "platform/prompts.h"
#include "tweaks/driver_state.h"
#include "tweaks/previous_settings.h"

namespace pallisar {

class GameLauncher {
  public:
    // Every reference must outlive the launcher (the main window owns them all). With
    // a journal, a launch that will put the driver's values back keeps it on disk from
    // before its first driver write until its restore is done.
    GameLauncher(IniFile& gameDat, const ProgramSettings& settings, LogWriter& log,
                 Prompts& prompts, TweakContext& tweaks, TExecFile& exec,
                 LaunchJournal* journal = nullptr);

    // A launch from the game list (double-click, File > Run, the Run button):
    // honours Game Only and Config Only entries.
    void ListLaunch(const std::string& title);
    // A launch from a game item of the tray menu: Game Only is ignored and a Config
    // Only entry shows no box.
    void TrayLaunch(const std::string& title);
    // The /RUN launch: the entry's tweaks are written and its program started, with
    // no record or restore of the driver's previous values.
    void CommandLineLaunch(const std::string& title);
    // Logs and starts the entry's program; waits for it exactly when ResetSettings
    // is on. A program that cannot start fails silently.
    void RunGame(const std::string& title);

  private:
    bool IsConfigOnly(const std::string& title) const;
    // Records the driver's values (when restoring is on), writes the entry's tweaks,
    // then starts the game and restores, or for a Config Only entry only reports.
    void LaunchWithTweaks(const std::string& title, bool showLoadedBox);
    void WriteGameTweaks(const std::string& title);

    IniFile& gameDat_;
    const ProgramSettings& settings_;
    LogWriter& log_;
    Prompts& prompts_;
    TweakContext& tweaks_;
    TExecFile& exec_;
    LaunchJournal* journal_;
    TPrevSettings previous_;
};

// The title of the entry whose Run value is `wantedPath` (letters in any case, the
// path with or without enclosing double quotes); the last match in file order wins.
// "DUMMY" when no entry matches.
std::string FindTitleByRunPath(const IniFile& gameDat, std::string_view wantedPath);

}  // namespace pallisar
