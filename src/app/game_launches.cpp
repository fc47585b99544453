#include "app/game_launches.h"

#include "app/launch_sequence.h"

namespace pallisar {

SessionLaunches::SessionLaunches(Session& session, const ProgramSettings& settings, LogWriter& log,
                                 Prompts& prompts, TExecFile& exec)
    : session_(session), settings_(settings), log_(log), prompts_(prompts), exec_(exec) {}

void SessionLaunches::ListLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_).ListLaunch(title);
}

void SessionLaunches::TrayLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_).TrayLaunch(title);
}

void SessionLaunches::CommandLineLaunch(IniFile& catalogue, const std::string& title) {
    GameLauncher(catalogue, settings_, log_, prompts_, session_.Tweaks(), exec_)
        .CommandLineLaunch(title);
}

}  // namespace pallisar
