// The process entry of pallisar.exe: the application object, the main window and
// the message loop.
#include <windows.h>

#include "app/command_line.h"
#include "app/file_upgrade.h"
#include "app/icon_ref.h"
#include "app/launch_sequence.h"
#include "app/log.h"
#include "app/main_window.h"
#include "core/text.h"
#include "platform/program_dir.h"
#include "win32/application.h"
#include "win32/main_window_view.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_prompts.h"
#include "win32/win32_registry.h"
#include "win32/win32_system_info.h"

namespace {

// Game titles are listed in the order the system sorts names for the user (its
// collation, letter case ignored): punctuation before letters, hyphens and
// apostrophes weighed last.
int CompareTitles(std::string_view a, std::string_view b) {
    const int result =
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                       b.data(), static_cast<int>(b.size()));
    return result == 0 ? pallisar::CompareText(a, b) : result - CSTR_EQUAL;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    using namespace pallisar;

    Win32Prompts prompts(kApplicationTitle);
    Application app(instance, prompts);
    app.SetTitle(kApplicationTitle);

    const std::string programDir = ProgramDir();
    Log log(programDir);
    SystemDateTime clock;
    Win32Registry registry;
    Win32SystemInfo system;
    FileIconInfo icons;

    TfmMain form(
        MainWindowServices{programDir, log, clock, prompts, registry, system, icons, CompareTitles},
        CommandLineArguments(GetCommandLineA()));
    // The version check and upgrade run at creation, before the list is loaded.
    ProgramSettings settings(programDir);
    form.CheckFileVersion = [&](TfmMain& main) {
        if (pallisar::CheckFileVersion(settings, log))
            UpgradeFiles(settings, *main.Catalogue(), log, prompts);
    };

    // Every game is started through one launcher; it never falls back on file
    // associations and waits only when the driver's values are to be restored.
    Win32ProcessStarter starter;
    TExecFile exec(starter);
    exec.SetAssociate(false);
    exec.SetWait(false);
    TweakContext tweaks{form.Reg, log, form.Driver};
    // A launch holds its record of the driver's values for its own duration only.
    auto launcher = [&] {
        return GameLauncher(*form.Catalogue(), settings, log, prompts, tweaks, exec);
    };
    form.ListLaunch = [&](const std::string& title) { launcher().ListLaunch(title); };
    form.TrayLaunch = [&](const std::string& title) { launcher().TrayLaunch(title); };
    form.CommandLineLaunch = [&](const std::string& title) { launcher().CommandLineLaunch(title); };

    MainWindowView view(app, form);
    if (!view.Create(showCommand)) return 1;
    app.SetMainWindow(view.Handle());
    prompts.SetOwner(view.Handle());
    app.Run();
    return 0;
}
