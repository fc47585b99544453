// Card detection against Wine's registry: each simulated board is imported into the
// real registry and must be detected exactly as in the in-memory registry. The
// Windows 98 board is detected in a child process that Wine runs as Windows 98, so
// that GetVersionExA itself chooses the 95/98 layout.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/memory_registry.h"
#include "support/board_scenarios.h"
#include "support/fake_system_info.h"
#include "support/regedit_file.h"
#include "support/temp_dir.h"
#include "win32/scoped_handle.h"
#include "win32/win32_registry.h"
#include "win32/win32_system_info.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

// Set for the child process only; without it the child's test is skipped.
constexpr const char* kChildVariable = "PALLISAR_WIN98_CHILD";
constexpr const char* kChildFilter = "--gtest_filter=CardDetectionWineChild.*";

std::string SelfPath() {
    char path[MAX_PATH + 1] = {};
    return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

// Wine picks per-program settings by the executable's file name.
std::string AppDefaultsKey() {
    const std::string self = SelfPath();
    return "Software\\Wine\\AppDefaults\\" + self.substr(self.find_last_of('\\') + 1);
}

// Imports the board into the registry (after removing any board left there), detects
// it there and in memory, and removes it again. Both must give the expected result.
void CheckBoard(const BoardScenario& scenario, const SystemInfo& system) {
    SCOPED_TRACE(scenario.fixture);
    Win32Registry registry;
    RemoveBoards(registry);
    LoadRegeditFile(registry, FixturePath(scenario.fixture));
    const DetectionOutcome real = DetectOn(registry, system);
    RemoveBoards(registry);

    MemoryRegistry memory;
    LoadRegeditFile(memory, FixturePath(scenario.fixture));
    const DetectionOutcome simulated = DetectOn(memory, FakeSystemInfo(scenario.windowsNT));

    EXPECT_TRUE(MatchesScenario(real, scenario)) << "in Wine's registry";
    EXPECT_TRUE(MatchesScenario(simulated, scenario)) << "in memory";
}

// Deletes the per-program Windows version when the test ends, however it ends.
class AppDefaultsGuard {
  public:
    explicit AppDefaultsGuard(std::string key) : key_(std::move(key)) {}
    ~AppDefaultsGuard() { Win32Registry().DeleteTree(RegRoot::CurrentUser, key_); }
    AppDefaultsGuard(const AppDefaultsGuard&) = delete;
    AppDefaultsGuard& operator=(const AppDefaultsGuard&) = delete;

  private:
    std::string key_;
};

TEST(CardDetectionWine, SystemInfoOfThisProcess) {
    const Win32SystemInfo system;
    EXPECT_TRUE(system.IsWindowsNT());
    const std::string dir = system.SystemDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_LE(dir.size(), 255u);
    EXPECT_NE(dir.back(), '\\');
    EXPECT_NE(GetFileAttributesA((dir + "\\kernel32.dll").c_str()), INVALID_FILE_ATTRIBUTES) << dir;
}

TEST(CardDetectionWine, NtBoardsInTheRegistry) {
    const Win32SystemInfo system;
    ASSERT_TRUE(system.IsWindowsNT());
    int boards = 0;
    for (const BoardScenario& scenario : BoardScenarios()) {
        if (!scenario.windowsNT) continue;
        CheckBoard(scenario, system);
        ++boards;
    }
    EXPECT_EQ(boards, 3);
}

TEST(CardDetectionWine, Windows98BoardInAProcessRunAsWindows98) {
    const std::string key = AppDefaultsKey();
    Win32Registry registry;
    registry.DeleteTree(RegRoot::CurrentUser, key);
    AppDefaultsGuard guard(key);
    {
        std::unique_ptr<RegistryKey> appKey;
        ASSERT_EQ(registry.CreateKey(RegRoot::CurrentUser, key, appKey), regError::kSuccess);
        ASSERT_EQ(appKey->SetValue("Version", RegValue::Text("win98")), regError::kSuccess);
    }

    // The child writes its test output to a file, shown here when it fails.
    TempDir dir;
    const std::string outputPath = dir.File("child.txt");
    std::string childOutput;
    DWORD exitCode = 12345;
    {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        ScopedKernelHandle output(CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
        ASSERT_TRUE(output.IsValid()) << GetLastError();

        const std::string self = SelfPath();
        std::string commandLine = "\"" + self + "\" " + kChildFilter;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
        PROCESS_INFORMATION info = {};
        SetEnvironmentVariableA(kChildVariable, "1");
        const BOOL started = CreateProcessA(self.c_str(), commandLine.data(), nullptr, nullptr,
                                            TRUE, 0, nullptr, nullptr, &startup, &info);
        const DWORD startError = GetLastError();
        SetEnvironmentVariableA(kChildVariable, nullptr);
        ASSERT_TRUE(started) << "CreateProcessA: " << startError;
        ScopedKernelHandle process(info.hProcess);
        ScopedKernelHandle thread(info.hThread);

        ASSERT_EQ(WaitForSingleObject(process.Get(), 120000), WAIT_OBJECT_0);
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    childOutput = ReadFileBytes(outputPath);

    EXPECT_EQ(exitCode, 0u) << childOutput;
    // Skipped is not passed: the child must have run its test.
    EXPECT_NE(childOutput.find("[       OK ] CardDetectionWineChild.Windows98Board"),
              std::string::npos)
        << childOutput;
    EXPECT_EQ(childOutput.find("SKIPPED"), std::string::npos) << childOutput;
}

// Runs only in the child process started above.
TEST(CardDetectionWineChild, Windows98Board) {
    if (GetEnvironmentVariableA(kChildVariable, nullptr, 0) == 0) {
        GTEST_SKIP() << "runs in the child process of Windows98BoardInAProcessRunAsWindows98";
    }
    const Win32SystemInfo system;
    ASSERT_FALSE(system.IsWindowsNT());
    int boards = 0;
    for (const BoardScenario& scenario : BoardScenarios()) {
        if (scenario.windowsNT) continue;
        CheckBoard(scenario, system);
        ++boards;
    }
    EXPECT_EQ(boards, 1);
}

}  // namespace
