// Takes the README's pictures of pallisar.exe as it runs, with the end-to-end harness's
// hands: the main window with its games, the game editor's Glide and Direct3D tabs, and
// the tray icon's menu. Each is saved as a BMP of the window as the screen shows it;
// scripts/screenshots.sh starts this under Wine and makes small PNGs of them.
//
//   readme_shots.exe <pallisar.exe> <directory for the pictures> <name prefix>
//
// pallisar.exe runs in its own directory, with the files found there. Prints what went
// wrong and returns 1 when a step does not happen within its time limit.
#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include "dialogs.h"
#include "harness.h"
#include "launch_support.h"
#include "win32/resource.h"

namespace pallisar::e2e {
namespace {

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr int kGlideTab = 1;
constexpr int kDirect3DTab = 2;

bool Succeeded(const testing::AssertionResult& result, const char* step) {
    if (!result) fprintf(stderr, "readme_shots: %s: %s\n", step, result.message());
    return static_cast<bool>(result);
}

// Has the window paint itself whole, frame and menu bar too, and waits until two looks
// at the screen a moment apart see the same (for at most ten seconds).
void Settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Answers(window, kTimeout);
    ScreenImage before = CaptureScreen(window);
    for (int look = 0; look < 40; ++look) {
        Sleep(250);
        ScreenImage now = CaptureScreen(window);
        if (now.pixels == before.pixels) return;
        before = std::move(now);
    }
}

// Clicks the game of this title in the list, as a user does: selected, with the focus.
testing::AssertionResult ClickTitle(const AppProcess& app, HWND window, const std::string& title) {
    const HWND list = FindListView(window);
    ListViewState state;
    if (auto read = ReadListView(app, list, &state); !read) return read;
    const std::vector<std::string> captions = state.Captions();
    for (size_t i = 0; i < captions.size(); ++i) {
        if (captions[i] == title) return ClickListItem(app, list, static_cast<int>(i));
    }
    return testing::AssertionFailure() << "\"" << title << "\" is not in the list";
}

int TakeShots(const std::string& exe, const std::string& folder, const std::string& prefix) {
    const std::string shot = WindowsPath(folder) + "\\" + prefix;
    AppProcess app;
    std::string directory = exe.substr(0, exe.find_last_of("\\/") + 1);
    if (!Succeeded(app.Start(exe, {{}, {}, directory}), "start")) return 1;
    HWND window = nullptr;
    if (!Succeeded(app.WaitForMainWindow(kTitle, kTimeout, &window), "main window") ||
        !Succeeded(WaitForCaption(window, kTimeout,
                                  [](const std::string& caption) {
                                      return caption.find(" - ") != std::string::npos;
                                  }),
                   "the board in the caption") ||
        !Succeeded(ClickTitle(app, window, "Wine Minesweeper"), "select a game"))
        return 1;
    Settle(window);
    SaveScreenshot(window, shot + "main.bmp");

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_BTN_EDIT_GAME, 0), 0);
    HWND editor = nullptr;
    if (!Succeeded(WaitForDialog(app, "Edit", &editor), "editor")) return 1;
    for (const auto& [tab, name] :
         {std::pair{kGlideTab, "editor-glide.bmp"}, std::pair{kDirect3DTab, "editor-d3d.bmp"}}) {
        SendMessageA(Item(editor, IDC_EDITOR_TABS), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
        Settle(editor);
        SaveScreenshot(editor, shot + name);
    }
    Click(editor, IDCANCEL);
    if (!Succeeded(WaitUntilGone(editor), "editor closed")) return 1;

    if (!Succeeded(ClickWineTrayIcon(WM_RBUTTONDOWN), "tray icon")) return 1;
    HWND menu = nullptr;
    if (!Succeeded(WaitForPopupMenu(app.Id(), &menu), "tray menu")) return 1;
    Settle(menu);
    SaveScreenshot(menu, shot + "tray-menu.bmp");
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!Succeeded(WaitUntilGone(menu), "tray menu closed")) return 1;

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_BTN_EXIT, 0), 0);
    return Succeeded(app.WaitForExit(kTimeout), "exit") ? 0 : 1;
}

}  // namespace
}  // namespace pallisar::e2e

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: readme_shots.exe <pallisar.exe> <directory> <name prefix>\n");
        return 2;
    }
    return pallisar::e2e::TakeShots(argv[1], argv[2], argv[3]);
}
