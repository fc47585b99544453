// Benchmark of what following a game's programs costs the launcher while the game runs:
// the launcher's own processor time (user and kernel, GetProcessTimes) per second of
// waiting, with a game tree of three processes (probe.exe starting probe.exe starting
// probe.exe, all three running for the whole wait), for each means: the job object, the
// process snapshots and the NT process list (the last two forced as the tests force
// them). The wait is the one a launch uses, serving this thread's (empty) message queue.
// For comparison, the wait for one process alone.
//
// Measured once the programs have joined and the looks have slowed to their pace while a
// game runs (every 0.5 s; every 0.1 s in the few seconds after a change). Under Wine
// part of the snapshots and of the NT list is built by the wineserver, another process:
// its time is not in these figures.
//
//   follow_bench [seconds] [probe.exe]   (default 5 s per means; the probe built with the tests)

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "win32/process_follower.h"
#include "win32/win32_process_starter.h"

namespace {

std::string ModuleDir() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Starts the tree, lets it settle, then measures the launcher's time over the rest of the
// wait.
bool Measure(const char* label, const char* forced, bool follow, const std::string& probe,
             int seconds) {
    SetEnvironmentVariableA(pallisar::kFollowMeansVariable, forced);
    const std::string ms = std::to_string(seconds * 1000 + 6000);
    const std::string game = "\"" + probe + "\" --delay-ms " + ms;
    pallisar::ProcessStart start;
    start.commandLine = game + " --spawn " + game + " --spawn " + game;
    start.followStarted = follow;
    pallisar::Win32ProcessStarter starter;
    pallisar::ProcessStartResult result = starter.StartProcess(start);
    if (!result.process) {
        std::fprintf(stderr, "cannot start %s: error %lu\n", probe.c_str(),
                     static_cast<unsigned long>(result.error));
        return false;
    }
    // A timer message now and then gives the wait back to this loop, as any message does
    // in the launcher; it costs the same for every means.
    const UINT_PTR timer = SetTimer(nullptr, 0, 250, nullptr);
    // The measure starts once the two started programs have joined and the looks have
    // slowed down (kFollowFastPeriodMs after the last change), and lasts `seconds`.
    int joined = 0;
    DWORD lastJoin = GetTickCount();
    DWORD from = 0;
    double cpuFrom = 0;
    bool ended = false;
    while (!ended) {
        ended = starter.WaitForProcessOrMessage(*result.process);
        const int now = static_cast<int>(result.process->TakeJoined().size());
        if (now > 0) lastJoin = GetTickCount();
        joined += now;
        starter.ProcessPendingMessages();
        const bool settled = (!follow || joined >= 2) &&
                             GetTickCount() - lastJoin >= pallisar::kFollowFastPeriodMs + 500;
        if (settled && from == 0) {
            from = GetTickCount();
            cpuFrom = CpuSeconds();
        }
        if (from != 0 && GetTickCount() - from >= static_cast<DWORD>(seconds) * 1000) break;
    }
    KillTimer(nullptr, timer);
    if (from == 0) {
        std::fprintf(stderr, "%s: the tree ended before the measure began\n", label);
        return false;
    }
    const double wall = (GetTickCount() - from) / 1000.0;
    // The rest of the tree's run is not measured.
    while (!ended) {
        ended = starter.WaitForProcessOrMessage(*result.process);
        result.process->TakeJoined();
        starter.ProcessPendingMessages();
    }
    const double cpu = CpuSeconds() - cpuFrom;
    std::printf("%-24s %-18s %6.2f s waited  %7.3f ms CPU per s  (%.3f %% of one core)\n", label,
                result.process->FollowMeans().empty() ? "-" : result.process->FollowMeans().c_str(),
                wall, wall > 0 ? cpu * 1000 / wall : 0.0, wall > 0 ? cpu * 100 / wall : 0.0);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string probe = argc > 2 ? argv[2] : ModuleDir() + "..\\tests\\probe.exe";
    if (GetFileAttributesA(probe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "probe not found: %s\n", probe.c_str());
        return 2;
    }
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    SetEnvironmentVariableA("PALLISAR_PROBE_REPORT",
                            (std::string(temp) + "follow-bench.ini").c_str());
    std::printf("follow_bench: a tree of three probe.exe, %d s of waiting each\n", seconds);
    bool ok = Measure("job object (system)", nullptr, true, probe, seconds);
    ok = Measure("process snapshots", "snapshots", true, probe, seconds) && ok;
    ok = Measure("NT process list", "ntdll", true, probe, seconds) && ok;
    ok = Measure("started process alone", nullptr, false, probe, seconds) && ok;
    DeleteFileA((std::string(temp) + "follow-bench.ini").c_str());
    return ok ? 0 : 1;
}
#else
int main() {
    std::puts("follow_bench measures the Windows waits; run it under Wine.");
    return 0;
}
#endif
