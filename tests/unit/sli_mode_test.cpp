#include "tweaks/sli_mode.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "support/key_recording_store.h"
#include "support/recording_log.h"
#include "support/registry_seed.h"

using namespace pallisar;
using pallisar::test::KeyRecordingStore;
using pallisar::test::RecordingLog;
using pallisar::test::SeedText;
using pallisar::test::SeedValue;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

constexpr const char* kDriverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

std::string ModeKey(const std::string& mode) {
    return std::string(kDriverKey) + "\\Glide\\" + mode;
}

class SliModeTest : public testing::Test {
  protected:
    SliModeTest() { driver.DriverKey = kDriverKey; }

    void SetDisabled(const std::string& mode, const std::string& text) {
        ASSERT_TRUE(SeedText(memory, ModeKey(mode), "Disabled", text));
    }

    void Detect() {
        TRegistryEnhanced reg(store);
        // Detection must not depend on the root the component was left with.
        reg.RootKey = TRootKey::hkCurrentUser;
        TweakContext context{reg, log, driver};
        DetectSliMode(context);
    }

    MemoryRegistry memory;
    KeyRecordingStore store{memory};
    RecordingLog log;
    DriverState driver;
};

TEST_F(SliModeTest, LastEnabledModeWinsAndEachIsLogged) {
    SetDisabled("SingleChipAASLI", "0");
    SetDisabled("DualChipAASLI", "0");
    SetDisabled("QuadChipAASLI", "1");
    Detect();
    EXPECT_EQ(driver.SliMode, "DualChipAASLI");
    EXPECT_THAT(log.lines, ElementsAre("\tUsing SingleChipAASLI", "\tUsing DualChipAASLI"));
}

TEST_F(SliModeTest, AllThreeEnabledGivesQuad) {
    for (const char* mode : {"QuadChipAASLI", "DualChipAASLI", "SingleChipAASLI"}) {
        SetDisabled(mode, "0");
    }
    Detect();
    EXPECT_EQ(driver.SliMode, "QuadChipAASLI");
    EXPECT_THAT(log.lines, ElementsAre("\tUsing SingleChipAASLI", "\tUsing DualChipAASLI",
                                       "\tUsing QuadChipAASLI"));
}

TEST_F(SliModeTest, OnlySingleKeyPresent) {
    SetDisabled("SingleChipAASLI", "0");
    Detect();
    EXPECT_EQ(driver.SliMode, "SingleChipAASLI");
    EXPECT_THAT(log.lines, ElementsAre("\tUsing SingleChipAASLI"));
    // The missing keys were looked at and read as not enabled.
    EXPECT_TRUE(store.Read("Glide\\QuadChipAASLI"));
}

TEST_F(SliModeTest, NoModeKeysLeavesModeEmptyAndLogsNothing) {
    ASSERT_TRUE(SeedText(memory, std::string(kDriverKey) + "\\Glide", "FX_GLIDE_NO_SPLASH", "1"));
    Detect();
    EXPECT_EQ(driver.SliMode, "");
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(SliModeTest, OnlyTheTextZeroOrNumberZeroEnables) {
    // A DWORD 0 reads as "0"; anything else that merely looks like zero does not count.
    ASSERT_TRUE(SeedValue(memory, ModeKey("SingleChipAASLI"), "Disabled", RegValue::Dword(0)));
    SetDisabled("DualChipAASLI", "00");
    SetDisabled("QuadChipAASLI", " 0");
    Detect();
    EXPECT_EQ(driver.SliMode, "SingleChipAASLI");
    EXPECT_THAT(log.lines, ElementsAre("\tUsing SingleChipAASLI"));
}

TEST_F(SliModeTest, DisabledMissingOrDwordOneOrOtherTypeDoesNotEnable) {
    ASSERT_TRUE(SeedText(memory, ModeKey("SingleChipAASLI"), "Value", "0"));
    ASSERT_TRUE(SeedValue(memory, ModeKey("DualChipAASLI"), "Disabled", RegValue::Dword(1)));
    ASSERT_TRUE(SeedValue(memory, ModeKey("QuadChipAASLI"), "Disabled",
                          RegValue{RegType::Binary, std::string(1, '0')}));
    Detect();
    EXPECT_EQ(driver.SliMode, "");
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(SliModeTest, Voodoo3ReadsNoKey) {
    driver.IsVoodoo3 = true;
    SetDisabled("SingleChipAASLI", "0");
    SetDisabled("DualChipAASLI", "0");
    Detect();
    EXPECT_EQ(driver.SliMode, "");
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(store.openedForReading, IsEmpty());
}

TEST(AntiAliasingChoices, ListPerMode) {
    DriverState driver;
    driver.SliMode = "SingleChipAASLI";
    EXPECT_THAT(AntiAliasingChoices(driver),
                testing::Optional(ElementsAre("Fastest Performance", "2 Sample Anti-Aliasing")));
    driver.SliMode = "DualChipAASLI";
    EXPECT_THAT(AntiAliasingChoices(driver),
                testing::Optional(ElementsAre("Single Chip Only", "Fastest Performance",
                                              "2 Sample Anti-Aliasing", "4 Sample Anti-Aliasing")));
    driver.SliMode = "QuadChipAASLI";
    EXPECT_THAT(AntiAliasingChoices(driver),
                testing::Optional(ElementsAre("Single Chip Only", "Fastest Performance",
                                              "2 Sample Anti-Aliasing", "4 Sample Anti-Aliasing",
                                              "8 Sample Anti-Aliasing")));
}

TEST(AntiAliasingChoices, EditorKeepsItsListWithoutAKnownModeOrOnVoodoo3) {
    DriverState driver;
    for (const char* mode : {"", "dualchipaasli", "OctoChipAASLI"}) {
        SCOPED_TRACE(mode);
        driver.SliMode = mode;
        EXPECT_EQ(AntiAliasingChoices(driver), std::nullopt);
    }
    driver.IsVoodoo3 = true;
    driver.SliMode = "QuadChipAASLI";
    EXPECT_EQ(AntiAliasingChoices(driver), std::nullopt);

    EXPECT_THAT(DefaultAntiAliasingChoices(),
                ElementsAre("Single Chip Only", "Fastest Performance", "2 Sample Anti-Aliasing",
                            "4 Sample Anti-Aliasing"));
}

}  // namespace
