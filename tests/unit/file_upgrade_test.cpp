#include "app/file_upgrade.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
#include "support/fake_prompts.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char* const kUpgradeMessage =
    "You have just upgraded to a newer version of the Pallisar Game Launcher.\r"
    "It is now going to update your game file.";

class FileUpgradeTest : public ::testing::Test {
  protected:
    void Settings(const std::string& text) { WriteFileBytes(dir.File("settings.cfg"), text); }
    void Games(const std::string& text) { WriteFileBytes(dir.File("Game.dat"), text); }

    // Start-up's sequence: the check, and the upgrade when the check says so.
    void StartUp() {
        if (CheckFileVersion(settings, log)) UpgradeFiles(settings, gameDat, log, prompts);
    }
    std::string Game(const std::string& section, const std::string& key) {
        return gameDat.ReadString(section, key, "<absent>");
    }

    TempDir dir;
    ProgramSettings settings{dir.Path()};
    IniFile gameDat{dir.File("Game.dat")};
    RecordingLog log;
    FakePrompts prompts;
};

}  // namespace

TEST_F(FileUpgradeTest, CurrentVersionChangesNothing) {
    const std::string settingsText =
        "[Program]\r\nVersion=1.01\r\n[Old Preset]\r\nAAToggle=Enable\r\n";
    const std::string gamesText = "[Quake]\r\nAAToggle=Enable\r\n";
    Settings(settingsText);
    Games(gamesText);
    StartUp();
    EXPECT_THAT(prompts.shown, IsEmpty());
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_EQ(ReadFileBytes(dir.File("settings.cfg")), settingsText);
    EXPECT_EQ(ReadFileBytes(dir.File("Game.dat")), gamesText);
}

TEST_F(FileUpgradeTest, VersionOneZeroIsOnlyStamped) {
    Settings("[Program]\r\nVersion=1.0\r\n");
    Games("[Quake]\r\nAAToggle=Enable\r\n");
    StartUp();
    EXPECT_THAT(prompts.shown, ElementsAre(FakePrompts::Prompt{"Information", kUpgradeMessage}));
    EXPECT_THAT(log.lines, ElementsAre("Version 1.0 in settings.cfg is older then 1.01",
                                       "Updated settings.cfg to version 1.01"));
    EXPECT_EQ(settings.Version(), "1.01");
    EXPECT_EQ(Game("Quake", "AAToggle"), "Enable");
    EXPECT_EQ(Game("Quake", "glAAToggle"), "<absent>");
}

TEST_F(FileUpgradeTest, OldFilesAreConvertedGameByGameAndPresetByPreset) {
    Settings(
        "[Program]\r\nVersion=0.9\r\nAAToggle=Enable\r\n"
        "[Fast]\r\nAAToggle=On\r\nSplash=Disable\r\n"
        "[Pretty]\r\nAAToggle=ENABLE\r\n");
    Games(
        "[Quake]\r\nAAToggle=enable\r\nRun=C:\\quake\\quake.exe\r\n"
        "[Unreal]\r\nAAToggle=Disable\r\n"
        "[Half-Life]\r\nglAAToggle=F12\r\n"
        "[Odd]\r\nAAToggle=maybe\r\nglAAToggle=F12\r\n");
    StartUp();

    EXPECT_EQ(Game("Quake", "glAAToggle"), "Num-Lock");
    EXPECT_EQ(Game("Quake", "D3DAAToggle"), "Ctrl-Alt-A");
    EXPECT_EQ(Game("Quake", "AAToggle"), "<absent>");
    EXPECT_EQ(Game("Quake", "Run"), "C:\\quake\\quake.exe");
    EXPECT_EQ(Game("Unreal", "glAAToggle"), "Disable");
    EXPECT_EQ(Game("Unreal", "D3DAAToggle"), "Disable");
    // No AAToggle at all counts as "Disable", whatever glAAToggle held.
    EXPECT_EQ(Game("Half-Life", "glAAToggle"), "Disable");
    EXPECT_EQ(Game("Half-Life", "D3DAAToggle"), "Disable");
    // Any other text: the key goes and nothing replaces it.
    EXPECT_EQ(Game("Odd", "AAToggle"), "<absent>");
    EXPECT_EQ(Game("Odd", "glAAToggle"), "F12");
    EXPECT_EQ(Game("Odd", "D3DAAToggle"), "<absent>");

    IniFile presets(dir.File("settings.cfg"));
    EXPECT_EQ(presets.ReadString("Fast", "AAToggle", "<absent>"), "<absent>");
    EXPECT_EQ(presets.ReadString("Fast", "glAAToggle", "<absent>"), "<absent>");
    EXPECT_EQ(presets.ReadString("Fast", "Splash", ""), "Disable");
    EXPECT_EQ(presets.ReadString("Pretty", "glAAToggle", ""), "Num-Lock");
    EXPECT_EQ(presets.ReadString("Pretty", "D3DAAToggle", ""), "Ctrl-Alt-A");
    // [Program] is no preset: its keys are left alone.
    EXPECT_EQ(presets.ReadString("Program", "AAToggle", ""), "Enable");
    EXPECT_EQ(presets.ReadString("Program", "glAAToggle", "<absent>"), "<absent>");
    EXPECT_EQ(settings.Version(), "1.01");

    EXPECT_THAT(log.lines, ElementsAre("Version 0.9 in settings.cfg is older then 1.01",
                                       "Updated game.dat to version 1.01",
                                       "Updated settings.cfg to version 1.01"));
}

TEST_F(FileUpgradeTest, FirstStartWithoutSettingsConvertsTheCatalogueAndCreatesTheStamp) {
    Games("[Quake]\r\nAAToggle=Enable\r\n");
    StartUp();
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(Game("Quake", "glAAToggle"), "Num-Lock");
    EXPECT_EQ(IniFile(dir.File("settings.cfg")).ReadSections(),
              std::vector<std::string>{"Program"});
    EXPECT_EQ(settings.Version(), "1.01");
}

TEST_F(FileUpgradeTest, StampThatIsNotANumberIsTakenAsOld) {
    Settings("[Program]\r\nVersion=abc\r\n");
    Games("[Quake]\r\nAAToggle=Enable\r\n");
    StartUp();
    EXPECT_THAT(
        log.lines,
        ElementsAre("*****Error in detecting settings.cfg version*****", "\tAssuming old version",
                    "Version abc in settings.cfg is older then 1.01",
                    "*****Error in detecting settings.cfg version*****", "\tAssuming old version",
                    "Updated game.dat to version 1.01", "Updated settings.cfg to version 1.01"));
    EXPECT_EQ(Game("Quake", "D3DAAToggle"), "Ctrl-Alt-A");
    EXPECT_EQ(settings.Version(), "1.01");
}

TEST_F(FileUpgradeTest, NewerStampIsLeftAlone) {
    Settings("[Program]\r\nVersion=2.5\r\n");
    EXPECT_FALSE(CheckFileVersion(settings, log));
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(FileUpgradeTest, RefusedStampEndsTheUpgradeAndKeepsWhatWasConverted) {
    // A directory in the place of settings.cfg: readable as no file, not writable.
    std::filesystem::create_directory(dir.File("settings.cfg"));
    Games("[Quake]\r\nAAToggle=Enable\r\n");
    try {
        StartUp();
        FAIL() << "no error raised";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("settings.cfg"));
    }
    EXPECT_EQ(Game("Quake", "glAAToggle"), "Num-Lock");
    EXPECT_EQ(Game("Quake", "AAToggle"), "<absent>");
    EXPECT_THAT(log.lines, ElementsAre("Version 0.9 in settings.cfg is older then 1.01",
                                       "Updated game.dat to version 1.01"));
}
