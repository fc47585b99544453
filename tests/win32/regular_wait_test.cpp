// TExecFile's regular wait on the Windows backend: the thread's messages are served
// while the game runs, and the waiting itself costs no processor time.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "app/exec_file.h"
#include "support/temp_dir.h"
#include "win32/win32_process_starter.h"

namespace pallisar {
namespace {

std::string ProbeNextToUs() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "probe.exe";
}

// Processor time (user and kernel) the calling thread has used, in milliseconds.
double ThreadProcessorMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

int ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

TEST(RegularWait, ServesMessagesWithoutSpinning) {
    test::TempDir dir;
    SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", dir.File("report.ini").c_str());
    Win32ProcessStarter starter;
    TExecFile exec(starter);
    exec.SetCommandLine(ProbeNextToUs());
    exec.SetParameters("--delay-ms 1500");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wRegular);

    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CountTick);
    ASSERT_NE(timer, 0u);
    const double processorBefore = ThreadProcessorMs();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(exec.Execute()) << exec.LastError();
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double processorMs = ThreadProcessorMs() - processorBefore;
    KillTimer(nullptr, timer);
    SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", nullptr);

    EXPECT_GE(elapsedMs, 1400);
    // About 15 ticks; a loaded machine may drop some.
    EXPECT_GE(ticks, 5);
    // A loop that polls the queue keeps the thread busy for most of the wait.
    EXPECT_LT(processorMs, elapsedMs / 10) << "elapsed " << elapsedMs << " ms";
}

}  // namespace
}  // namespace pallisar
