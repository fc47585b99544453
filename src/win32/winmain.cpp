// The process entry of pallisar.exe: the application object, the main window and
// the message loop.
#include <windows.h>

#include "app/command_line.h"
#include "app/game_launches.h"
#include "app/icon_ref.h"
#include "app/log.h"
#include "app/session.h"
#include "core/text.h"
#include "platform/program_dir.h"
#include "ui/main_window.h"
#include "win32/application.h"
#include "win32/com_ptr.h"
#include "win32/main_window_view.h"
#include "win32/slider_control.h"
#include "win32/win32_launch_lock.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_prompts.h"
#include "win32/win32_registry.h"
#include "win32/win32_shell_link.h"
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

// The launcher from start to end; the result is the process's exit code.
int RunLauncher(HINSTANCE instance, int showCommand, pallisar::Win32Prompts& prompts) {
    using namespace pallisar;

    // COM (for the shell's link object) for the whole run, on this one thread.
    ScopedCoInitialize com;
    Application app(instance, prompts);
    // The prompts outlive the application and its window.
    struct Detach {
        Win32Prompts& prompts;
        ~Detach() {
            prompts.SetOwner(nullptr);
            prompts.SetApplication(nullptr);
        }
    } detach{prompts};
    prompts.SetApplication(&app);
    app.SetTitle(kApplicationTitle);
    RegisterSliderClass(app);

    const std::string programDir = ProgramDir();
    Log log(programDir);
    SystemDateTime clock;
    Win32Registry registry;
    Win32SystemInfo system;
    FileIconInfo icons;

    Session session(registry, log);

    // Every game is started through one launcher; it never falls back on file
    // associations and waits only when the driver's values are to be restored.
    Win32ProcessStarter starter;
    TExecFile exec(starter);
    exec.SetAssociate(false);
    exec.SetWait(false);
    ProgramSettings settings(programDir);
    Win32LaunchLock launchLock;  // a later start finishes a launch cut short
    LaunchJournal journal(programDir, clock, &launchLock);
    SessionLaunches launches(session, settings, log, prompts, exec, &journal);

    Win32ShellLinkFactory shellLinks;
    TfmMain form(MainWindowServices{programDir, log, clock, prompts, session, system, icons,
                                    launches, CompareTitles, &app, ProgramFile(), &shellLinks},
                 CommandLineArguments(GetCommandLineA()));
    MainWindowView view(app, form);
    if (!view.Create(showCommand)) return 1;
    app.SetMainWindow(view.Handle());
    prompts.SetOwner(view.Handle());
    app.Run();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    using namespace pallisar;
    // Every message runs under the windows' own catch; this one takes what escapes the
    // start-up and the end (no exception may cross user32, which called WinMain).
    Win32Prompts prompts(kApplicationTitle);
    return RunProgram(prompts, [&] { return RunLauncher(instance, showCommand, prompts); });
}
