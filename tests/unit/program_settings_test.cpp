#include "app/program_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/version.h"
#include "core/errors.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

class ProgramSettingsTest : public ::testing::Test {
  protected:
    void File(const std::string& text) { WriteFileBytes(dir.File("settings.cfg"), text); }

    TempDir dir;
    ProgramSettings settings{dir.Path()};
};

}  // namespace

TEST_F(ProgramSettingsTest, MissingFileGivesEveryDefault) {
    EXPECT_TRUE(settings.ResetSettings());
    EXPECT_FALSE(settings.GenerateLog());
    EXPECT_EQ(settings.ViewStyle(), 0);
    EXPECT_EQ(settings.Version(), "0.9");
    EXPECT_EQ(settings.LODHighRange(), "2");
    EXPECT_EQ(settings.LODLowRange(), "-2");
    EXPECT_FALSE(FileExistsAt(dir.File("settings.cfg")));  // reading creates nothing
}

TEST_F(ProgramSettingsTest, BooleansAreReadAsIntegers) {
    File("[program]\r\nResetSettings=yes\r\nGenerateLog=0x1\r\n");
    EXPECT_TRUE(settings.ResetSettings());  // "yes" is no integer: the default
    EXPECT_TRUE(settings.GenerateLog());    // hexadecimal 1, in a lower-case [program]
    File("[Program]\r\nResetSettings=0\r\nGenerateLog=$0\r\n");
    EXPECT_FALSE(settings.ResetSettings());
    EXPECT_FALSE(settings.GenerateLog());
    File("[Program]\r\nResetSettings=-3\r\nGenerateLog=2\r\n");
    EXPECT_TRUE(settings.ResetSettings());
    EXPECT_TRUE(settings.GenerateLog());
}

TEST_F(ProgramSettingsTest, WritersStoreTheDocumentedForms) {
    File("; my settings\r\n[Preset A]\r\nSplash=Disable\r\n[Program]\r\nVideoCard=Voodoo5\r\n");
    settings.SetResetSettings(false);
    settings.SetGenerateLog(true);
    settings.SaveViewStyle(3);
    settings.SetVersion(kVersionText);
    settings.SetLODHighRange("3.5");
    settings.SetLODLowRange("-1");
    settings.DeleteVideoCard();

    IniFile ini(dir.File("settings.cfg"));
    EXPECT_EQ(ini.ReadString("Program", "ResetSettings", ""), "0");
    EXPECT_EQ(ini.ReadString("Program", "GenerateLog", ""), "1");
    EXPECT_EQ(ini.ReadString("Program", "ViewStyle", ""), "3");
    EXPECT_EQ(ini.ReadString("Program", "Version", ""), "1.01");
    EXPECT_EQ(ini.ReadString("Program", "LODHighRange", ""), "3.5");
    EXPECT_EQ(ini.ReadString("Program", "LODLowRange", ""), "-1");
    EXPECT_FALSE(ini.ValueExists("Program", "VideoCard"));
    // The presets and the comment are kept.
    EXPECT_EQ(ini.ReadString("Preset A", "Splash", ""), "Disable");
    EXPECT_NE(ReadFileBytes(dir.File("settings.cfg")).find("; my settings"), std::string::npos);
}

TEST_F(ProgramSettingsTest, WritingCreatesTheFile) {
    settings.SaveViewStyle(1);
    EXPECT_EQ(settings.ViewStyle(), 1);
    EXPECT_TRUE(FileExistsAt(dir.File("settings.cfg")));
}

TEST_F(ProgramSettingsTest, ViewStyleOutsideTheRangeIsReturnedAsStored) {
    File("[Program]\r\nViewStyle=7\r\n");
    EXPECT_EQ(settings.ViewStyle(), 7);
}

TEST_F(ProgramSettingsTest, DeletedFileTurnsEverySettingBackToItsDefault) {
    File("[Program]\r\nGenerateLog=1\r\nResetSettings=0\r\n");
    EXPECT_TRUE(settings.GenerateLog());
    std::filesystem::remove(dir.File("settings.cfg"));
    EXPECT_FALSE(settings.GenerateLog());
    EXPECT_TRUE(settings.ResetSettings());
}

#ifndef _WIN32
TEST_F(ProgramSettingsTest, FileIsFoundWhateverItsLetterCase) {
    WriteFileBytes(dir.File("Settings.CFG"), "[Program]\r\nViewStyle=2\r\n");
    EXPECT_EQ(settings.ViewStyle(), 2);
    settings.SaveViewStyle(3);
    EXPECT_EQ(IniFile(dir.File("Settings.CFG")).ReadInteger("Program", "ViewStyle", 0), 3);
    EXPECT_FALSE(FileExistsAt(dir.File("settings.cfg")));
}
#endif

TEST_F(ProgramSettingsTest, RefusedWriteRaisesUnableToWrite) {
    // A directory in the file's place cannot be written as a file.
    std::filesystem::create_directory(dir.File("settings.cfg"));
    try {
        settings.SetGenerateLog(true);
        FAIL() << "no error raised";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("settings.cfg"));
    }
}
