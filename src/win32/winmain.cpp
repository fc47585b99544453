// The process entry of pallisar.exe: the application object, the main window and
// the message loop.
#include <windows.h>

#include "app/command_line.h"
#include "app/icon_ref.h"
#include "app/log.h"
#include "app/main_window.h"
#include "platform/program_dir.h"
#include "win32/application.h"
#include "win32/main_window_view.h"
#include "win32/win32_prompts.h"
#include "win32/win32_registry.h"
#include "win32/win32_system_info.h"

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

    TfmMain form(MainWindowServices{programDir, log, clock, prompts, registry, system, icons},
                 CommandLineArguments(GetCommandLineA()));
    MainWindowView view(app, form);
    if (!view.Create(showCommand)) return 1;
    app.SetMainWindow(view.Handle());
    prompts.SetOwner(view.Handle());
    app.Run();
    return 0;
}
