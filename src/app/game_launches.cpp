#include "app/game_launches.h"

#include "app/launch_recovery.h"
#include "app/launch_sequence.h"

namespace pallisar {

SessionLaunches::SessionLaunches(Session& session, const ProgramSettings& settings, LogWriter& log,
                                 Prompts& prompts, TExecFile& exec, LaunchJournal* journal)
    : session_(session),
      settings_(settings),
      log_(log),
      prompts_(prompts),
      exec_(exec),
      journal_(journal) {}

void SessionLaunches::ListLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_, journal_)
        .ListLaunch(title);
}

void SessionLaunches::TrayLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_, journal_)
        .TrayLaunch(title);
}

void SessionLaunches::CommandLineLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_, journal_)
        .CommandLineLaunch(title);
}

void SessionLaunches::RecoverInterruptedLaunch() {
    if (journal_) pallisar::RecoverInterruptedLaunch(*journal_, session_.Tweaks(), prompts_);
}

}  // namespace pallisar
