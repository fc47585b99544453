// Benchmark of the launcher's start-up beside a bare list view's: for catalogues of 150
// and 900 games, the time from CreateProcess until the list view of pallisar.exe reports
// every game (LVM_GETITEMCOUNT), and the same for bare_list.exe, which fills a large-icon
// list view with as many items and one icon from memory and does nothing else; medians
// of several runs, with the ratio. A second table times until each program is idle after
// its start-up (the launcher: card detection has named the board in the caption; both:
// the window answers a sent message).
//
//   startupBench [runs [games...]]   (default 5 runs of 150 and 900 games; the programs
//                                     built next to this one)
//
// Every catalogue entry carries every key, and all entries share one .ico file as their
// icon. settings.cfg holds the current version stamp, so no upgrade box appears. The
// dual-chip board is loaded into the registry (under Wine: the prefix's) first. Windows
// (or Wine) only; run it with its output sent to a file, not a pipe.

#ifdef _WIN32
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "list_programs.h"

namespace {

using namespace pallisar::bench;
using pallisar::e2e::LaunchOptions;
using pallisar::e2e::ProgramDirectory;

struct Series {
    std::vector<double> launcherFilled, launcherIdle, bareFilled, bareIdle;
};

void PrintTable(const char* heading, const std::vector<int>& sizes,
                const std::vector<Series>& series, bool filled, int runs) {
    std::printf("%s (median of %d runs, ms; fastest..slowest)\n", heading, runs);
    std::printf("  %5s  %-26s %-26s %s\n", "games", "pallisar.exe", "bare_list.exe", "ratio");
    for (size_t s = 0; s < sizes.size(); ++s) {
        const auto& a = filled ? series[s].launcherFilled : series[s].launcherIdle;
        const auto& b = filled ? series[s].bareFilled : series[s].bareIdle;
        if (a.empty() || b.empty()) continue;
        const auto [aMin, aMax] = std::minmax_element(a.begin(), a.end());
        const auto [bMin, bMax] = std::minmax_element(b.begin(), b.end());
        char left[64];
        char right[64];
        std::snprintf(left, sizeof left, "%8.0f (%.0f..%.0f)", Median(a), *aMin, *aMax);
        std::snprintf(right, sizeof right, "%8.0f (%.0f..%.0f)", Median(b), *bMin, *bMax);
        std::printf("  %5d  %-26s %-26s %5.2f\n", sizes[s], left, right, Median(a) / Median(b));
    }
}

}  // namespace

int main(int argc, char** argv) {
    BenchSetup setup;
    if (!PrepareBench(argc, argv, 5, {150, 900}, &setup)) return 1;
    const int runs = setup.runs;
    const std::vector<int>& sizes = setup.sizes;
    const std::string& launcher = setup.launcher;
    const std::string& bare = setup.bare;
    const std::string& bin = setup.bin;

    // One directory per catalogue size, kept for all runs.
    std::vector<std::unique_ptr<ProgramDirectory>> dirs;
    std::vector<std::string> exes;
    const std::string icon = SharedIconFile();
    for (int size : sizes) {
        auto dir = std::make_unique<ProgramDirectory>();
        exes.push_back(dir->Install(launcher));
        dir->Write("settings.cfg", "[Program]\r\nVersion=1.01\r\n");
        dir->Write("shared.ico", icon);
        const std::string shared = dir->File("shared.ico") + ",0";
        dir->Write("Game.dat", MakeCatalogue(size, [&](int) { return shared; }));
        dirs.push_back(std::move(dir));
    }

    std::vector<Series> series(sizes.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            Timing timing;
            LaunchOptions options{{}, {}, dirs[s]->Path()};
            if (RunUntilIdle(exes[s], options, kLauncherCaption, sizes[s], CaptionNamesBoard,
                             &timing)) {
                series[s].launcherFilled.push_back(timing.listFilled);
                series[s].launcherIdle.push_back(timing.idle);
            }
            LaunchOptions bareOptions{{std::to_string(sizes[s])}, {}, bin};
            if (RunUntilIdle(bare, bareOptions, kBareCaption, sizes[s], nullptr, &timing)) {
                series[s].bareFilled.push_back(timing.listFilled);
                series[s].bareIdle.push_back(timing.idle);
            }
        }
        std::fprintf(stderr, "run %d of %d done\n", run + 1, runs);
    }
    PrintTable("From process start until the list reports every game", sizes, series, true, runs);
    PrintTable("From process start until start-up is done and the window answers", sizes, series,
               false, runs);
    return 0;
}

#else
int main() { return 0; }
#endif
