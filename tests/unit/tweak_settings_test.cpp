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
    GameSettingsInput input;
    input.Combos = {
        {"Splash", "Disable"},
        {"TextureCompression", "Enable"},
        {"ColorDepth", "Force 32bpp Rendering"},
        {"MIPMap", "Enable"},
        {"MaxBufferedFrames", "2 Pending Buffers"},
        {"TripleBuffering", "Enable"},
        {"gl16BitZPrecision", "Faster"},
        {"gl32BitZPrecision", "Disable"},
        {"glHSR", "Semi-Aggressive Tiling"},
        {"glGuardbandClipping", "Enable"},
        {"ZBuffer", "Disable"},
        {"D3DMIPMap", "Enable"},
        {"D3DMaxBufferedFrames", "Default"},
        {"AlphaBlending", "Sharper"},
        {"TDFilterQuality", "High"},
        {"AA", "4 Sample Anti-Aliasing"},
        {"glAAToggle", "Key-Pad /"},
        {"D3DAAToggle", "Ctrl-Alt-A"},
        {"LODBias", "-0.75"},
        {"VSynch", "Disable"},
        {"D3DVSynch", "Disable"},
    };
    input.RGammaPosition = 10;
    input.GGammaPosition = 130;
    input.BGammaPosition = 400;
    return input;
}

}  // namespace

TEST(TSettings, FieldNumbersFollowTheKeyTable) {
    TSettings settings;
    for (std::size_t i = 0; i < kTweakFieldCount; ++i) {
        settings[i] = TweakOf(static_cast<TweakField>(i)).Key;
    }
    EXPECT_EQ(settings.Splash, "Splash");
    EXPECT_EQ(settings.ColorDepth, "ColorDepth");
    EXPECT_EQ(settings.TextureCompression, "TextureCompression");
    EXPECT_EQ(settings.MIPMap, "MIPMap");
    EXPECT_EQ(settings.D3DMIPMap, "D3DMIPMap");
    EXPECT_EQ(settings.AlphaBlending, "AlphaBlending");
    EXPECT_EQ(settings.MaxBufferedFrames, "MaxBufferedFrames");
    EXPECT_EQ(settings.D3DMaxBufferedFrames, "D3DMaxBufferedFrames");
    EXPECT_EQ(settings.TDFilterQuality, "TDFilterQuality");
    EXPECT_EQ(settings.AA, "AA");
    EXPECT_EQ(settings.TripleBuffering, "TripleBuffering");
    EXPECT_EQ(settings.LODBias, "LODBias");
    EXPECT_EQ(settings.glAAToggle, "glAAToggle");
    EXPECT_EQ(settings.D3DAAToggle, "D3DAAToggle");
    EXPECT_EQ(settings.ZBuffer, "ZBuffer");
    EXPECT_EQ(settings.VSynch, "VSynch");
    EXPECT_EQ(settings.D3DVSynch, "D3DVSynch");
    EXPECT_EQ(settings.RGamma, "RGamma");
    EXPECT_EQ(settings.GGamma, "GGamma");
    EXPECT_EQ(settings.BGamma, "BGamma");
    EXPECT_EQ(settings.gl16BitZPrecision, "gl16BitZPrecision");
    EXPECT_EQ(settings.gl32BitZPrecision, "gl32BitZPrecision");
    EXPECT_EQ(settings.glHSR, "glHSR");
    EXPECT_EQ(settings.glGuardbandClipping, "glGuardbandClipping");
    EXPECT_EQ(&settings[TweakField::glHSR], &settings.glHSR);
}

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
    EXPECT_EQ(settings.MaxBufferedFrames, "1 PENDING BUFFER");
    EXPECT_EQ(settings.glAAToggle, "KEY-PAD /");
    EXPECT_EQ(settings.Splash, "WHATEVER");
    EXPECT_EQ(settings.LODBias, "-0.75");
    EXPECT_EQ(settings.RGamma, "1.3");
    EXPECT_EQ(settings.GGamma, "abc");
    EXPECT_EQ(settings.BGamma, "0.10");
    EXPECT_EQ(settings.D3DMaxBufferedFrames, "1 PENDING BUFFER");
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
    EXPECT_EQ(ReadGameSettings(gameDat, "Quake").Splash, "DISABLE");
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
    EXPECT_EQ(settings.ColorDepth, "FORCE 32BPP RENDERING");
    EXPECT_EQ(settings.D3DAAToggle, "CTRL-ALT-A");
    EXPECT_EQ(settings.AA, "4 SAMPLE ANTI-ALIASING");
    EXPECT_EQ(settings.RGamma, "0.10");
    EXPECT_EQ(settings.BGamma, "4.00");
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
    input.Combos.erase("Splash");
    WriteGameSettings(gameDat, "Quake", input);
    EXPECT_TRUE(gameDat.ValueExists("Quake", "Splash"));
    EXPECT_EQ(gameDat.ReadString("Quake", "Splash", "missing"), "");
}
