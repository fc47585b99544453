// The tweak engine on Windows' own registry: every simulated board is imported into
// Wine's registry and taken through a launch (save, apply, restore). The results
// must be those of the same launch on the in-memory registry, which the native
// tests check value by value.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/memory_registry.h"
#include "support/board_scenarios.h"
#include "support/recording_log.h"
#include "support/regedit_file.h"
#include "support/tweak_scenarios.h"
#include "tweaks/apply_settings.h"
#include "win32/win32_registry.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

class TweakEngineWineTest : public testing::Test {
  protected:
    void TearDown() override { RemoveBoards(windows); }
    Win32Registry windows;
};

}  // namespace

TEST_F(TweakEngineWineTest, LaunchOnEveryBoardMatchesTheInMemoryRegistry) {
    const std::pair<const char*, TSettings> games[] = {{"defaults", DefaultTweakSettings()},
                                                       {"every tweak", EveryTweakChanged()}};
    for (const BoardScenario& board : BoardScenarios()) {
        for (const auto& [name, game] : games) {
            MemoryRegistry memory;
            const RoundTrip expected = RunRoundTrip(memory, board, game);
            // Each operation with its own key, and as a launch does it, with the keys
            // kept open through each burst.
            for (const KeyUse keys : {KeyUse::PerOperation, KeyUse::InBursts}) {
                SCOPED_TRACE(board.fixture + " / " + name +
                             (keys == KeyUse::InBursts ? " / in bursts" : ""));
                const RoundTrip actual = RunRoundTrip(windows, board, game, keys);

                ASSERT_EQ(actual.driver.DriverKey, board.driverKey);
                EXPECT_EQ(actual.driver.IsVoodoo3, expected.driver.IsVoodoo3);
                EXPECT_EQ(actual.driver.SliMode, expected.driver.SliMode);
                ASSERT_FALSE(actual.before.empty());
                EXPECT_EQ(actual.before, expected.before)
                    << DescribeDifferences(expected.before, actual.before);
                EXPECT_EQ(actual.saved, expected.saved);
                EXPECT_EQ(actual.during, expected.during)
                    << DescribeDifferences(expected.during, actual.during);
                EXPECT_EQ(actual.after, expected.after)
                    << DescribeDifferences(expected.after, actual.after);
                EXPECT_EQ(actual.log, expected.log);
                EXPECT_NE(actual.during, actual.before);
            }
        }
    }
}

TEST_F(TweakEngineWineTest, RefusedWriteIsLoggedAndSkippedOnWindowsToo) {
    const auto dual =
        std::find_if(BoardScenarios().begin(), BoardScenarios().end(),
                     [](const BoardScenario& b) { return b.fixture == "boards/voodoo5_dual.reg"; });
    ASSERT_NE(dual, BoardScenarios().end());
    const BoardScenario& board = *dual;
    RemoveBoards(windows);
    LoadRegeditFile(windows, FixturePath(board.fixture));
    ValueRefusingStore refusing(windows);
    refusing.refused = {"FX_GLIDE_BPP"};
    TRegistryEnhanced reg(refusing);
    RecordingLog log;
    DriverState driver{board.driverKey, board.isVoodoo3, board.sliMode};
    TweakContext context{reg, log, driver};
    ApplySettings(context, EveryTweakChanged());

    const auto bpp =
        std::find(log.lines.begin(), log.lines.end(), "Setting Glide Variable -- FX_GLIDE_BPP");
    ASSERT_LE(bpp + 3, log.lines.end());
    EXPECT_EQ(bpp[1], "!ERROR! setting key: " + board.driverKey + "\\Glide:FX_GLIDE_BPP");
    EXPECT_EQ(bpp[2], "\tFailed to set data for 'FX_GLIDE_BPP'");
    const RegistrySnapshot tree =
        SnapshotTree(windows, RegRoot::LocalMachine, board.driverKey + "\\Glide");
    EXPECT_EQ(tree.count("[]\"FX_GLIDE_BPP\""), 0u);
    EXPECT_EQ(tree.count("[Rendering Color-depth]"), 0u);
    EXPECT_EQ(tree.at("[]\"FX_GL_HSR\""), "\"4\"");
}
