#pragma once
// What the start-up and memory benchmarks share: catalogues of many games, and
// starting pallisar.exe or bare_list.exe and waiting until its list shows every game
// and its start-up is done. Windows (or Wine) only.

// commctrl.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace pallisar::bench {

using Clock = std::chrono::steady_clock;

inline constexpr char kLauncherCaption[] = "Pallisar Game Launcher";
inline constexpr char kBareCaption[] = "Bare List";
inline constexpr auto kLimit = std::chrono::seconds(120);
// The pause after each program ends, before the next one starts.
inline constexpr auto kSettle = std::chrono::seconds(3);

double Millis(Clock::duration d);
double Median(std::vector<double> values);
// The directory of this benchmark's program, with a trailing backslash.
std::string ModuleDir();

// A catalogue of `count` games, every key present; game i shows icon `iconOf(i)` (an
// IconName text: a file, a comma and a number). The titles are not in sorted order.
std::string MakeCatalogue(int count, const std::function<std::string(int)>& iconOf);

// How the games of a benchmark's catalogue show their icons: all one shared .ico file,
// or each an .ico file of its own (16 and 32 pixels, each drawn differently), as real
// catalogues name each game's own program.
enum class IconKind { Shared, Own };
// Installs pallisar.exe in `dir` with a current settings.cfg (no upgrade box) and a
// catalogue of `count` games with icons of `kind`; returns the installed program.
std::string InstallLauncher(e2e::ProgramDirectory& dir, const std::string& launcher, int count,
                            IconKind kind);

// What a benchmark takes from its command line ("[runs [games...]]") and finds beside it.
struct BenchSetup {
    int runs = 0;
    std::vector<int> sizes;  // ascending
    std::string bin;         // this program's directory
    std::string launcher;    // pallisar.exe there
    std::string bare;        // bare_list.exe there
};
// Reads the command line (the defaults for what it leaves out), checks that both programs
// are there and loads the dual-chip board into the registry. False, with a line on
// stderr, when something is missing.
bool PrepareBench(int argc, char** argv, int defaultRuns, std::vector<int> defaultSizes,
                  BenchSetup* setup);

// The launcher's start-up is done once card detection has named the board in the caption.
bool CaptionNamesBoard(HWND window);

struct Timing {
    double listFilled = 0;  // until the list reports every item
    double idle = 0;        // until the start-up is done and the window answers
};

// Starts the program and polls its list view (in a top-level window whose caption starts
// with `caption`) until it reports `items` items; then waits for `ready` (given the window;
// none: nothing) and for the window to answer. Then `whileRunning` (when given) is called
// with the process and its window, and the program is killed (and kSettle waited). False, with a
// line on stderr, when the program did not get there within kLimit.
bool RunUntilIdle(const std::string& exe, const e2e::LaunchOptions& options, const char* caption,
                  int items, bool (*ready)(HWND), Timing* timing,
                  const std::function<void(const e2e::AppProcess&, HWND)>& whileRunning = {});

// The environment variable and file through which the launcher reports its state
// (src/ui/state_report.h).
inline constexpr char kStateFileVariable[] = "PALLISAR_STATE_FILE";
// Scrolls the launcher's list from its first item to its last, a few items at a time,
// each step drawn before the next, and returns how many icon reads the launcher reports
// then in the file `stateFile`; -1 when it reports none.
int ScrollAndCountIconReads(HWND window, const std::string& stateFile);

}  // namespace pallisar::bench
