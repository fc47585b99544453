// Keys kept open through a burst of registry operations: how often keys are opened,
// that all are released at the end, and that the results are those of operations
// that open their own keys, also when someone else deletes a kept key.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "support/board_scenarios.h"
#include "support/tweak_scenarios.h"
#include "tweaks/registry_enhanced.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

using List = std::vector<std::string>;

class KeptKeysTest : public testing::Test {
  protected:
    KeptKeysTest() {
        reg.RootKey = TRootKey::hkLocalMachine;
        reg.Key = "Drv";
        std::unique_ptr<RegistryKey> key;
        EXPECT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv\\Glide\\Sub", key),
                  regError::kSuccess);
        EXPECT_EQ(key->SetValue("Value", RegValue::Text("0")), regError::kSuccess);
        openedAtStart_ = store.HandlesOpened();
    }

    int Opened() const { return store.HandlesOpened() - openedAtStart_; }

    MemoryRegistry store;
    TRegistryEnhanced reg{store};

  private:
    int openedAtStart_ = 0;
};

}  // namespace

TEST_F(KeptKeysTest, EachKeyIsOpenedOnceAndAllAreReleasedAtTheEnd) {
    {
        const TRegistryEnhanced::KeepKeysOpen keep(reg);
        reg.WriteValue("Glide\\A", "1");
        reg.WriteValue("glide\\B", "2");  // the same key in other letters
        EXPECT_EQ(reg.ReadValue("Glide\\A"), "1");
        EXPECT_EQ(reg.ReadValueDefault("Glide\\B", "NONE"), "2");
        reg.DeleteValue("Glide\\B");
        EXPECT_EQ(reg.ReadValueDefault("Glide\\B", "NONE"), "NONE");
        EXPECT_EQ(Opened(), 1);

        List list;
        reg.GetKeyNames("Glide", list);  // opened for reading: a key of its own path
        EXPECT_EQ(list, List{"Sub"});
        reg.WriteValue("Glide\\Sub\\Value", "1");
        EXPECT_EQ(Opened(), 2);
        EXPECT_EQ(store.OpenHandles(), 2);
    }
    EXPECT_EQ(store.OpenHandles(), 0);

    // Without a burst every operation opens its own key again.
    reg.WriteValue("Glide\\A", "3");
    EXPECT_EQ(reg.ReadValue("Glide\\A"), "3");
    EXPECT_EQ(Opened(), 4);
    EXPECT_EQ(store.OpenHandles(), 0);
}

TEST_F(KeptKeysTest, AKeyReadInABurstServesTheWritesThatFollow) {
    const TRegistryEnhanced::KeepKeysOpen keep(reg);
    EXPECT_EQ(reg.ReadValue("Glide\\Sub\\Value"), "0");
    reg.WriteValue("Glide\\Sub\\Value", "1");
    EXPECT_EQ(reg.ReadValue("Glide\\Sub\\Value"), "1");
    EXPECT_EQ(Opened(), 1);

    // Where only reading is allowed, the read still succeeds and the write is refused.
    store.RefuseWritesBelow(RegRoot::LocalMachine, "Drv\\Glide");
    List list;
    reg.GetKeyNames("Glide", list);
    EXPECT_EQ(list, List{"Sub"});
    EXPECT_THROW(reg.WriteValue("Glide\\A", "1"), RegistryError);
    EXPECT_EQ(reg.ReadValueDefault("Glide\\A", "NONE"), "NONE");
}

TEST_F(KeptKeysTest, BurstsNestAndTheOutermostReleases) {
    const auto outer = std::make_unique<TRegistryEnhanced::KeepKeysOpen>(reg);
    {
        const TRegistryEnhanced::KeepKeysOpen inner(reg);
        reg.WriteValue("Glide\\A", "1");
    }
    EXPECT_EQ(store.OpenHandles(), 1);
    reg.WriteValue("Glide\\A", "2");
    EXPECT_EQ(Opened(), 1);
}

TEST_F(KeptKeysTest, AKeptKeyDeletedByAnotherProgramActsAsIfNeverKept) {
    const TRegistryEnhanced::KeepKeysOpen keep(reg);
    reg.WriteValue("Glide\\A", "1");
    EXPECT_EQ(reg.ReadValue("Glide\\Sub\\Value"), "0");
    List list{"kept"};
    reg.GetKeyNames("Glide", list);
    ASSERT_EQ(store.DeleteTree(RegRoot::LocalMachine, "Drv\\Glide"), regError::kSuccess);

    // Reads find nothing (no read error), a list stays, a delete is ignored ...
    EXPECT_EQ(reg.ReadValue("Glide\\A"), "");
    EXPECT_EQ(reg.ReadValueDefault("Glide\\Sub\\Value", "NONE"), "NONE");
    list = {"kept"};
    reg.GetKeyNames("Glide", list);
    EXPECT_EQ(list, List{"kept"});
    EXPECT_NO_THROW(reg.DeleteValue("Glide\\A"));
    // ... and a write creates the key again.
    reg.WriteValue("Glide\\A", "2");
    EXPECT_EQ(reg.ReadValue("Glide\\A"), "2");
}

TEST(KeptKeysRoundTrip, ALaunchInBurstsLeavesWhatOperationsOfTheirOwnLeave) {
    for (const BoardScenario& board : BoardScenarios()) {
        SCOPED_TRACE(board.fixture);
        MemoryRegistry separate;
        MemoryRegistry kept;
        const RoundTrip expected = RunRoundTrip(separate, board, EveryTweakChanged());
        const RoundTrip actual = RunRoundTrip(kept, board, EveryTweakChanged(), KeyUse::InBursts);
        EXPECT_EQ(actual.saved, expected.saved);
        EXPECT_EQ(actual.during, expected.during)
            << DescribeDifferences(expected.during, actual.during);
        EXPECT_EQ(actual.after, expected.after)
            << DescribeDifferences(expected.after, actual.after);
        EXPECT_EQ(actual.log, expected.log);
        EXPECT_EQ(kept.OpenHandles(), 0);
    }
}
