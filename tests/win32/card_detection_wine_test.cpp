// Card detection against Wine's registry: each simulated board is imported into the
// real registry and must be detected exactly as in the in-memory registry. The
// Windows 98 board is detected in a child process that Wine runs as Windows 98, so
// that GetVersionExA itself chooses the 95/98 layout.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "child_as_windows.h"
#include "platform/memory_registry.h"
#include "support/board_scenarios.h"
#include "support/fake_system_info.h"
#include "support/regedit_file.h"
#include "win32/win32_registry.h"
#include "win32/win32_system_info.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

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
    EXPECT_TRUE(RunTestsAsWindows("win98", "CardDetectionWineChild.*",
                                  {"CardDetectionWineChild.Windows98Board"}));
}

// Runs only in the child process started above.
TEST(CardDetectionWineChild, Windows98Board) {
    if (!InChildAsOldWindows()) {
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
