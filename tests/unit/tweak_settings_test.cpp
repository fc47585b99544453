#include "tweaks/tweak_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"
#include "tweaks/tweak_catalogue.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

// The combo texts of a game that uses the editor's mixed-case texts.
GameSettingsInput EditorInput() {
    using F = TweakField;
    GameSettingsInput input;
    const std::pair<TweakField, const char*> combos[] = {
        {F::Splash, "Disable"},
        {F::TextureCompression, "Enable"},
        {F::ColorDepth, "Force 32bpp Rendering"},
        {F::MIPMap, "Enable"},
        {F::MaxBufferedFrames, "2 Pending Buffers"},
        {F::TripleBuffering, "Enable"},
        {F::gl16BitZPrecision, "Faster"},
        {F::gl32BitZPrecision, "Disable"},
        {F::glHSR, "Semi-Aggressive Tiling"},
        {F::glGuardbandClipping, "Enable"},
        {F::ZBuffer, "Disable"},
        {F::D3DMIPMap, "Enable"},
        {F::D3DMaxBufferedFrames, "Default"},
        {F::AlphaBlending, "Sharper"},
        {F::TDFilterQuality, "High"},
        {F::AA, "4 Sample Anti-Aliasing"},
        {F::glAAToggle, "Key-Pad /"},
        {F::D3DAAToggle, "Ctrl-Alt-A"},
        {F::LODBias, "-0.75"},
        {F::VSynch, "Disable"},
        {F::D3DVSynch, "Disable"},
    };
    for (const auto& [field, text] : combos) input.Combos[field] = text;
    input.RGammaPosition = 10;
    input.GGammaPosition = 130;
    input.BGammaPosition = 400;
    return input;
}

}  // namespace

TEST(ReadGameSettings, MissingKeysReadTheirDefaults) {
    TempDir dir;
    WriteFileBytes(dir.File("Game.dat"), "[Quake]\r\nRun=C:\\Games\\quake.exe\r\nGameOnly=0\r\n");
    const IniFile gameDat(dir.File("Game.dat"));
    EXPECT_EQ(ReadGameSettings(gameDat, "Quake"), DefaultTweakSettings());
    EXPECT_EQ(ReadGameSettings(gameDat, "Unreal"), DefaultTweakSettings());

    const IniFile missing(dir.File("none.dat"));
    EXPECT_EQ(ReadGameSettings(missing, "Quake"), DefaultTweakSettings());
}

TEST(ReadGameSettings, UpperCasesChoicesButPassesGammaOn) {
    TempDir dir;
    WriteFileBytes(dir.File("Game.dat"),
                   "[Quake]\r\nMaxBufferedFrames=1 pending buffer\r\nglAAToggle=Key-Pad /\r\n"
                   "RGamma=1.3\r\nGGamma=abc\r\nBGamma=0.10\r\nSplash=Whatever\r\n"
                   "LODBias=-0.75\r\n");
    const TSettings settings = ReadGameSettings(IniFile(dir.File("Game.dat")), "Quake");
    EXPECT_EQ(settings[TweakField::MaxBufferedFrames], "1 PENDING BUFFER");
    EXPECT_EQ(settings[TweakField::glAAToggle], "KEY-PAD /");
    EXPECT_EQ(settings[TweakField::Splash], "WHATEVER");
    EXPECT_EQ(settings[TweakField::LODBias], "-0.75");
    EXPECT_EQ(settings[TweakField::RGamma], "1.3");
    EXPECT_EQ(settings[TweakField::GGamma], "abc");
    EXPECT_EQ(settings[TweakField::BGamma], "0.10");
    EXPECT_EQ(settings[TweakField::D3DMaxBufferedFrames], "1 PENDING BUFFER");
}

TEST(ReadGameSettings, EmptyTitleNeverReadsAnotherGame) {
    TempDir dir;
    // A section with an empty name is what reading the empty title would find.
    WriteFileBytes(dir.File("Game.dat"),
                   "[]\r\nSplash=Disable\r\nRGamma=2.00\r\n"
                   "[ ]\r\nSplash=Disable\r\nRGamma=2.00\r\n"
                   "[Quake]\r\nSplash=Disable\r\nRGamma=2.00\r\n");
    const IniFile gameDat(dir.File("Game.dat"));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadGameSettings(gameDat, ""), DefaultTweakSettings());
    EXPECT_EQ(ReadGameSettings(gameDat, "Quake")[TweakField::Splash], "DISABLE");
}

TEST(WriteGameSettings, WritesTheEditorTextsInOrderAndGammaWithTwoDecimals) {
    TempDir dir;
    IniFile gameDat(dir.File("Game.dat"));
    gameDat.WriteString("Quake", "Run", "C:\\Games\\quake.exe");
    WriteGameSettings(gameDat, "Quake", EditorInput());

    const std::vector<std::string> order = {"Run",
                                            "Splash",
                                            "TextureCompression",
                                            "ColorDepth",
                                            "MIPMap",
                                            "MaxBufferedFrames",
                                            "TripleBuffering",
                                            "gl16BitZPrecision",
                                            "gl32BitZPrecision",
                                            "glHSR",
                                            "glGuardbandClipping",
                                            "ZBuffer",
                                            "D3DMIPMap",
                                            "D3DMaxBufferedFrames",
                                            "AlphaBlending",
                                            "TDFilterQuality",
                                            "AA",
                                            "glAAToggle",
                                            "D3DAAToggle",
                                            "LODBias",
                                            "VSynch",
                                            "D3DVSynch",
                                            "RGamma",
                                            "GGamma",
                                            "BGamma"};
    EXPECT_EQ(gameDat.ReadSection("Quake"), order);
    EXPECT_EQ(gameDat.ReadString("Quake", "RGamma", ""), "0.10");
    EXPECT_EQ(gameDat.ReadString("Quake", "GGamma", ""), "1.30");
    EXPECT_EQ(gameDat.ReadString("Quake", "BGamma", ""), "4.00");
    EXPECT_EQ(gameDat.ReadString("Quake", "glHSR", ""), "Semi-Aggressive Tiling");
    EXPECT_EQ(gameDat.ReadString("Quake", "LODBias", ""), "-0.75");

    // Read back for a launch, the choices are upper-cased, the gamma texts kept.
    const TSettings settings = ReadGameSettings(gameDat, "Quake");
    EXPECT_EQ(settings[TweakField::ColorDepth], "FORCE 32BPP RENDERING");
    EXPECT_EQ(settings[TweakField::D3DAAToggle], "CTRL-ALT-A");
    EXPECT_EQ(settings[TweakField::AA], "4 SAMPLE ANTI-ALIASING");
    EXPECT_EQ(settings[TweakField::RGamma], "0.10");
    EXPECT_EQ(settings[TweakField::BGamma], "4.00");
}

TEST(WriteGameSettings, SliderPositionsBetweenTheEnds) {
    TempDir dir;
    IniFile gameDat(dir.File("Game.dat"));
    GameSettingsInput input = EditorInput();
    for (const auto& [position, text] : std::vector<std::pair<int, std::string>>{
             {29, "0.29"}, {57, "0.57"}, {101, "1.01"}, {115, "1.15"}, {399, "3.99"}}) {
        input.RGammaPosition = position;
        WriteGameSettings(gameDat, "Quake", input);
        EXPECT_EQ(gameDat.ReadString("Quake", "RGamma", ""), text);
    }
    // Every position of the slider, against the text built from its whole hundredths.
    for (int position = 10; position <= 400; ++position) {
        const std::string hundredths = std::to_string(position % 100);
        const std::string text =
            std::to_string(position / 100) + "." + (hundredths.size() == 1 ? "0" : "") + hundredths;
        input.BGammaPosition = position;
        WriteGameSettings(gameDat, "Quake", input);
        ASSERT_EQ(gameDat.ReadString("Quake", "BGamma", ""), text) << position;
    }
    // A combo box with no selection shows, and writes, the empty text.
    input.Combos[TweakField::Splash].clear();
    WriteGameSettings(gameDat, "Quake", input);
    EXPECT_TRUE(gameDat.ValueExists("Quake", "Splash"));
    EXPECT_EQ(gameDat.ReadString("Quake", "Splash", "missing"), "");
}
