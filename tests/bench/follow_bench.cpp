// Benchmark of what following a game's programs costs the launcher while the game runs:
// the launcher's own processor time (user and kernel, GetProcessTimes) per second of
// waiting, with a game tree of three processes (probe.exe starting probe.exe starting
// probe.exe, all three running for the whole wait), for each means: the job object, the
// process snapshots and the NT process list (the last two forced as the tests force
// them). The wait is the one a launch uses, serving this thread's (empty) message queue.
// For comparison, the wait for one process alone.
//
// Under Wine the snapshots and the NT list are built by the wineserver, another process:
// its time is not in these figures. The launcher's looks happen every 100 ms, and at once
// when a followed process ends.
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
    const std::string ms = std::to_string(seconds * 1000 + 1500);
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
    // The tree is complete once its programs have joined (or, for the process alone,
    // after a moment).
    const DWORD settle = GetTickCount() + 1000;
    while (follow && static_cast<LONG>(GetTickCount() - settle) < 0) {
        if (starter.WaitForProcessOrMessage(*result.process)) break;
        result.process->TakeJoined();
        starter.ProcessPendingMessages();
    }
    const DWORD from = GetTickCount();
    const double cpuFrom = CpuSeconds();
    while (!starter.WaitForProcessOrMessage(*result.process)) {
        result.process->TakeJoined();
        starter.ProcessPendingMessages();
    }
    const double wall = (GetTickCount() - from) / 1000.0;
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
