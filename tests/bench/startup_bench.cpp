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
// commctrl.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "board.h"
#include "core/file_names.h"
#include "harness.h"
#include "support/icon_fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;
using pallisar::e2e::AppProcess;
using pallisar::e2e::LaunchOptions;
using pallisar::e2e::ProgramDirectory;

constexpr char kLauncherCaption[] = "Pallisar Game Launcher";
constexpr char kBareCaption[] = "Bare List";
constexpr auto kLimit = std::chrono::seconds(120);

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string ModuleDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return pallisar::ExtractFilePath(path);
}

// A catalogue of `count` games, every key present, all showing icon 0 of `iconFile`.
std::string MakeCatalogue(int count, const std::string& iconFile) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Game %04d", (i * 7919) % count);  // not in order
        text += "[" + std::string(title) + "]\r\n";
        text += "IconName=" + iconFile + ",0\r\n";
        text += "Params=-window\r\n";
        text += "Run=C:\\Games\\" + std::string(title) + "\\game.exe\r\n";
        text +=
            "GameOnly=0\r\nSplash=Disable\r\nTextureCompression=Enable\r\n"
            "ColorDepth=Software Controlled\r\nMIPMap=Disable\r\n"
            "MaxBufferedFrames=1 Pending Buffer\r\nTripleBuffering=Disable\r\n"
            "gl16BitZPrecision=Fast\r\ngl32BitZPrecision=Fast\r\nglHSR=Disable\r\n"
            "glGuardbandClipping=Disable\r\nZBuffer=Enable\r\nD3DMIPMap=Disable\r\n"
            "D3DMaxBufferedFrames=1 Pending Buffer\r\nAlphaBlending=Automatic\r\n"
            "TDFilterQuality=Automatic\r\nAA=Fastest Performance\r\nglAAToggle=Disable\r\n"
            "D3DAAToggle=Disable\r\nLODBias=0\r\nVSynch=Enable\r\nD3DVSynch=Enable\r\n"
            "RGamma=1.30\r\nGGamma=1.30\r\nBGamma=1.30\r\n";
    }
    return text;
}

struct WindowSearch {
    DWORD pid;
    const char* caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->pid) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    const std::string caption = text;
    if (caption.compare(0, std::strlen(search->caption), search->caption) != 0) return TRUE;
    if (!FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr)) return TRUE;
    search->found = window;
    return FALSE;
}

bool Send(HWND window, UINT message, LRESULT* result) {
    DWORD_PTR answer = 0;
    const auto limit = static_cast<UINT>(std::chrono::milliseconds(kLimit).count());
    if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, limit, &answer)) return false;
    *result = static_cast<LRESULT>(answer);
    return true;
}

struct Timing {
    double listFilled = 0;  // until the list reports every item
    double idle = 0;        // until the start-up is done and the window answers
};

// Starts the program and polls its list view until it reports `items` items; then waits
// for `ready` (given the window) and for the window to answer. The program is killed.
bool Measure(const std::string& exe, const LaunchOptions& options, const char* caption, int items,
             bool (*ready)(HWND), Timing* timing) {
    AppProcess app;
    const auto start = Clock::now();
    if (!app.Start(exe, options)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return false;
    }
    const auto deadline = start + kLimit;
    HWND window = nullptr;
    HWND list = nullptr;
    bool ok = false;
    while (Clock::now() < deadline && app.Running()) {
        if (!window) {
            WindowSearch search{app.Id(), caption};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            window = search.found;
            if (window) list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
        }
        LRESULT count = 0;
        if (list && Send(list, LVM_GETITEMCOUNT, &count) && count == items) {
            timing->listFilled = Millis(Clock::now() - start);
            ok = true;
            break;
        }
        Sleep(1);
    }
    if (ok) {
        ok = false;
        while (Clock::now() < deadline && app.Running()) {
            LRESULT ignored = 0;
            if ((!ready || ready(window)) && Send(window, WM_NULL, &ignored)) {
                timing->idle = Millis(Clock::now() - start);
                ok = true;
                break;
            }
            Sleep(1);
        }
    }
    if (!ok) std::fprintf(stderr, "%s: no list of %d items in time\n", exe.c_str(), items);
    app.Kill();
    app.WaitForExit(std::chrono::duration_cast<pallisar::e2e::Millis>(kLimit));
    return ok;
}

// The launcher's start-up is done once card detection has named the board in the caption.
bool CaptionNamesBoard(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return std::string(text).find(" - ") != std::string::npos;
}

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
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty()) sizes = {150, 900};
    const std::string bin = ModuleDir();
    const std::string launcher = bin + "pallisar.exe";
    const std::string bare = bin + "bare_list.exe";
    if (!pallisar::FileExists(launcher) || !pallisar::FileExists(bare)) {
        std::fprintf(stderr, "pallisar.exe and bare_list.exe must be next to this program\n");
        return 1;
    }
    if (!pallisar::e2e::LoadBoard("voodoo5_dual")) {
        std::fprintf(stderr, "cannot load the voodoo5_dual board\n");
        return 1;
    }

    // One directory per catalogue size, kept for all runs.
    std::vector<std::unique_ptr<ProgramDirectory>> dirs;
    std::vector<std::string> exes;
    using pallisar::test::MakeDibImage;
    const std::string icon = pallisar::test::MakeIcoFile(
        {MakeDibImage(16, 16, 32, 1), MakeDibImage(32, 32, 32, 2), MakeDibImage(48, 48, 32, 3)});
    for (int size : sizes) {
        auto dir = std::make_unique<ProgramDirectory>();
        exes.push_back(dir->Install(launcher));
        dir->Write("settings.cfg", "[Program]\r\nVersion=1.01\r\n");
        dir->Write("shared.ico", icon);
        dir->Write("Game.dat", MakeCatalogue(size, dir->File("shared.ico")));
        dirs.push_back(std::move(dir));
    }

    std::vector<Series> series(sizes.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            Timing timing;
            LaunchOptions options{{}, {}, dirs[s]->Path()};
            if (Measure(exes[s], options, kLauncherCaption, sizes[s], CaptionNamesBoard, &timing)) {
                series[s].launcherFilled.push_back(timing.listFilled);
                series[s].launcherIdle.push_back(timing.idle);
            }
            LaunchOptions bareOptions{{std::to_string(sizes[s])}, {}, bin};
            if (Measure(bare, bareOptions, kBareCaption, sizes[s], nullptr, &timing)) {
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
