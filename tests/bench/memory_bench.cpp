// Benchmark of the memory the game list takes: the private memory (commit charge) of
// pallisar.exe once its start-up is done, with catalogues of 1 and 900 games, beside
// bare_list.exe, a bare list view filled with as many items and one icon; medians of
// several runs, and the growth per game. The launcher runs twice per size: every game
// showing one shared .ico file, and every game showing an .ico file of its own.
//
//   memoryBench [runs [games...]]   (default 3 runs of 1 and 900 games; the programs
//                                    built next to this one)
//
// Every catalogue entry carries every key; settings.cfg holds the current version stamp,
// so no upgrade box appears. The dual-chip board is loaded into the registry (under
// Wine: the prefix's) first. The memory is read a second after the start-up, when the
// window answers messages again. Windows (or Wine) only; run it with its output sent to
// a file, not a pipe.

#ifdef _WIN32
// psapi.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

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
using pallisar::e2e::AppProcess;
using pallisar::e2e::LaunchOptions;
using pallisar::e2e::ProgramDirectory;

// The program's private memory in KB (PagefileUsage: the commit charge Windows counts
// for it; Wine counts its resident anonymous memory); -1 when it cannot be read.
double PrivateKilobytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
    return static_cast<double>(counters.PagefileUsage) / 1024.0;
}

// Starts the program, waits until its start-up is done, lets it settle and reads its
// private memory; -1 when it did not get there.
double MeasureOnce(const std::string& exe, const LaunchOptions& options, const char* caption,
                   int items, bool (*ready)(HWND)) {
    double kilobytes = -1;
    Timing timing;
    RunUntilIdle(exe, options, caption, items, ready, &timing, [&](const AppProcess& app, HWND) {
        Sleep(1000);
        kilobytes = PrivateKilobytes(app.Handle());
    });
    return kilobytes;
}

// One column of the table: a program with one catalogue per size.
struct Column {
    const char* heading;
    std::vector<std::vector<double>> kilobytes;  // per size, one per run
};

void PrintTable(const std::vector<int>& sizes, const std::vector<Column>& columns, int runs) {
    std::printf("Private memory after start-up (KB, median of %d runs)\n", runs);
    std::printf("  %9s", "games");
    for (const Column& column : columns) std::printf("  %16s", column.heading);
    std::printf("\n");
    std::vector<std::vector<double>> medians(columns.size());
    for (size_t s = 0; s < sizes.size(); ++s) {
        std::printf("  %9d", sizes[s]);
        for (size_t c = 0; c < columns.size(); ++c) {
            const auto& values = columns[c].kilobytes[s];
            medians[c].push_back(values.empty() ? -1 : Median(values));
            std::printf("  %16.0f", medians[c].back());
        }
        std::printf("\n");
    }
    if (sizes.size() < 2) return;
    const int added = sizes.back() - sizes.front();
    std::printf("  %9s", "per game");
    for (size_t c = 0; c < columns.size(); ++c) {
        std::printf("  %16.2f", (medians[c].back() - medians[c].front()) / added);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    BenchSetup setup;
    if (!PrepareBench(argc, argv, 3, {1, 900}, &setup)) return 1;
    const int runs = setup.runs;
    const std::vector<int>& sizes = setup.sizes;
    const std::string& launcher = setup.launcher;

    // Per size, a directory whose games share one icon and one whose games each have
    // their own; kept for all runs.
    struct Catalogue {
        std::unique_ptr<ProgramDirectory> dir;
        std::string exe;
    };
    const IconKind kinds[] = {IconKind::Shared, IconKind::Own};
    std::vector<std::vector<Catalogue>> catalogues(std::size(kinds));  // by kind, then size
    for (size_t k = 0; k < std::size(kinds); ++k) {
        for (int size : sizes) {
            auto dir = std::make_unique<ProgramDirectory>();
            std::string exe = InstallLauncher(*dir, launcher, size, kinds[k]);
            catalogues[k].push_back({std::move(dir), std::move(exe)});
        }
    }

    std::vector<Column> columns{{"shared icon", {}}, {"own icons", {}}, {"bare list", {}}};
    for (Column& column : columns) column.kilobytes.resize(sizes.size());
    const auto keep = [](std::vector<double>& into, double kilobytes) {
        std::fprintf(stderr, " %.0f", kilobytes);
        if (kilobytes >= 0) into.push_back(kilobytes);
    };
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            for (size_t k = 0; k < std::size(kinds); ++k) {
                const Catalogue& made = catalogues[k][s];
                keep(columns[k].kilobytes[s],
                     MeasureOnce(made.exe, LaunchOptions{{}, {}, made.dir->Path()},
                                 kLauncherCaption, sizes[s], CaptionNamesBoard));
            }
            keep(columns[2].kilobytes[s],
                 MeasureOnce(setup.bare, LaunchOptions{{std::to_string(sizes[s])}, {}, setup.bin},
                             kBareCaption, sizes[s], nullptr));
        }
        std::fprintf(stderr, "  (KB: run %d of %d, by size: shared, own, bare)\n", run + 1, runs);
    }
    PrintTable(sizes, columns, runs);
    return 0;
}

#else
int main() { return 0; }
#endif
