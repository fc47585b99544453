// Benchmark of the launcher's start-up beside a bare list view's: for catalogues of 1
// and 900 games, the time from CreateProcess until the list view of pallisar.exe reports
// every game (LVM_GETITEMCOUNT), and the same for bare_list.exe, which fills a large-icon
// list view with as many items and one icon from memory and does nothing else; medians
// of several runs, with the ratio. The launcher runs twice per size: every game showing
// one shared .ico file, and every game showing an .ico file of its own. A second table
// times until each program is idle after its start-up (the launcher: card detection has
// named the board in the caption; both: the window answers a sent message). Last, the
// list of the largest own-icon catalogue is scrolled from top to bottom and the icon
// reads the launcher reports are printed beside the number of games.
//
//   startupBench [runs [games...]]   (default 5 runs of 1 and 900 games; the programs
//                                     built next to this one)
//
// Every catalogue entry carries every key. settings.cfg holds the current version stamp,
// so no upgrade box appears. The dual-chip board is loaded into the registry (under
// Wine: the prefix's) first. Windows (or Wine) only; run it with its output sent to a
// file, not a pipe.

#ifdef _WIN32
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "list_programs.h"

namespace {

using namespace pallisar::bench;
using pallisar::e2e::LaunchOptions;
using pallisar::e2e::ProgramDirectory;

// One program's runs for one catalogue size.
struct Series {
    std::vector<double> filled, idle;
};

struct Column {
    const char* heading;
    std::vector<Series> bySize;
};

void PrintTable(const char* heading, const std::vector<int>& sizes,
                const std::vector<Column>& columns, bool filled, int runs) {
    std::printf("%s (median of %d runs, ms; fastest..slowest; ratio to the bare list)\n", heading,
                runs);
    std::printf("  %5s", "games");
    for (const Column& column : columns) std::printf("  %-30s", column.heading);
    std::printf("\n");
    for (size_t s = 0; s < sizes.size(); ++s) {
        std::printf("  %5d", sizes[s]);
        const auto& bare = filled ? columns.back().bySize[s].filled : columns.back().bySize[s].idle;
        for (const Column& column : columns) {
            const auto& values = filled ? column.bySize[s].filled : column.bySize[s].idle;
            char cell[64] = "-";
            if (!values.empty()) {
                const auto [low, high] = std::minmax_element(values.begin(), values.end());
                const int used = std::snprintf(cell, sizeof cell, "%6.0f (%.0f..%.0f)",
                                               Median(values), *low, *high);
                if (&column != &columns.back() && !bare.empty() && used > 0) {
                    std::snprintf(cell + used, sizeof cell - used, " %.2f",
                                  Median(values) / Median(bare));
                }
            }
            std::printf("  %-30s", cell);
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    BenchSetup setup;
    if (!PrepareBench(argc, argv, 5, {1, 900}, &setup)) return 1;
    const int runs = setup.runs;
    const std::vector<int>& sizes = setup.sizes;

    // One directory per kind of catalogue and size, kept for all runs.
    const IconKind kinds[] = {IconKind::Shared, IconKind::Own};
    std::vector<std::vector<std::unique_ptr<ProgramDirectory>>> dirs(std::size(kinds));
    std::vector<std::vector<std::string>> exes(std::size(kinds));
    for (size_t k = 0; k < std::size(kinds); ++k) {
        for (int size : sizes) {
            dirs[k].push_back(std::make_unique<ProgramDirectory>());
            exes[k].push_back(InstallLauncher(*dirs[k].back(), setup.launcher, size, kinds[k]));
        }
    }

    std::vector<Column> columns{{"shared icon", {}}, {"own icons", {}}, {"bare list", {}}};
    for (Column& column : columns) column.bySize.resize(sizes.size());
    const auto keep = [](Series& series, const Timing& timing) {
        series.filled.push_back(timing.listFilled);
        series.idle.push_back(timing.idle);
    };
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            Timing timing;
            for (size_t k = 0; k < std::size(kinds); ++k) {
                LaunchOptions options{{}, {}, dirs[k][s]->Path()};
                if (RunUntilIdle(exes[k][s], options, kLauncherCaption, sizes[s], CaptionNamesBoard,
                                 &timing)) {
                    keep(columns[k].bySize[s], timing);
                }
            }
            LaunchOptions bareOptions{{std::to_string(sizes[s])}, {}, setup.bin};
            if (RunUntilIdle(setup.bare, bareOptions, kBareCaption, sizes[s], nullptr, &timing)) {
                keep(columns.back().bySize[s], timing);
            }
        }
        std::fprintf(stderr, "run %d of %d done\n", run + 1, runs);
    }
    PrintTable("From process start until the list reports every game", sizes, columns, true, runs);
    PrintTable("From process start until start-up is done and the window answers", sizes, columns,
               false, runs);

    // Scrolling the largest own-icon list through once.
    const std::string stateFile = dirs[1].back()->File("state.txt");
    LaunchOptions options{{}, {{kStateFileVariable, stateFile}}, dirs[1].back()->Path()};
    Timing timing;
    int reads = -1;
    RunUntilIdle(exes[1].back(), options, kLauncherCaption, sizes.back(), CaptionNamesBoard,
                 &timing, [&](const pallisar::e2e::AppProcess&, HWND window) {
                     reads = ScrollAndCountIconReads(window, stateFile);
                 });
    std::printf("Own icons, the list scrolled from top to bottom: %d icon reads for %d games\n",
                reads, sizes.back());
    return 0;
}

#else
int main() { return 0; }
#endif
