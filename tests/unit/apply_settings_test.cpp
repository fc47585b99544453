#include "tweaks/apply_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/memory_registry.h"
#include "support/recording_log.h"
#include "support/registry_seed.h"
#include "support/tweak_engine_fixture.h"
#include "support/tweak_scenarios.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

const std::string kDriverKey = kFixtureDriverKey;
const std::string kGlideKey = kDriverKey + "\\Glide";
const std::string kD3DKey = kDriverKey + "\\D3D";

class ApplySettingsTest : public TweakEngineTest {
  protected:
    // The "Setting <group> Variable -- <name>" lines, in order.
    std::vector<std::string> SettingLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : log.lines) {
            if (line.rfind("Setting ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }
};

// What a game with nothing but defaults writes on a quad-chip board whose driver
// key holds nothing yet (every earlier "Value" reads as "0").
const ValueMap kDefaultsOnEmptyQuadBoard = {
    {"Glide\\Glide Splash Screen\\Previous Value", "0"},
    {"Glide\\Glide Splash Screen\\Value", "0"},
    {"Glide\\FX_GL_COMPRESS_LEGACY_TEXTURES", "1"},
    {"Glide\\Legacy Texture Compression\\Previous Value", "0"},
    {"Glide\\Legacy Texture Compression\\Value", "0"},
    {"Glide\\FX_GLIDE_LOD_DITHER", "0"},
    {"Glide\\MIP Map Dithering\\Previous Value", "0"},
    {"Glide\\MIP Map Dithering\\Value", "0"},
    {"D3D\\SSTH3_LOD_DITHER", "0"},
    {"D3D\\MIP Map Dithering\\Previous Value", "0"},
    {"D3D\\MIP Map Dithering\\Value", "0"},
    {"Glide\\FX_GLIDE_ALLOC_COLOR", "-1"},
    {"Glide\\Triple Buffering\\Previous Value", "0"},
    {"Glide\\Triple Buffering\\Value", "0"},
    {"Glide\\FX_GLIDE_BPP", "16"},
    {"Glide\\Rendering Color-depth\\Previous Value", "0"},
    {"Glide\\Rendering Color-depth\\Value", "0"},
    {"Glide\\FX_GLIDE_SWAPPENDINGCOUNT", "1"},
    {"Glide\\Maximum Buffered Frames\\Previous Value", "0"},
    {"Glide\\Maximum Buffered Frames\\Value", "1"},
    {"Glide\\FX_GL_16BPP_ZPRECISION", "1"},
    {"Glide\\Depth Precision (16 Bit)\\Previous Value", "0"},
    {"Glide\\Depth Precision (16 Bit)\\Value", "1"},
    {"Glide\\FX_GL_32BPP_ZPRECISION", "1"},
    {"Glide\\Depth Precision (32 Bit)\\Previous Value", "0"},
    {"Glide\\Depth Precision (32 Bit)\\Value", "1"},
    {"D3D\\SSTH3_MAX_PENDING_BUFFERS", "1"},
    {"D3D\\Maximum Buffered Frames\\Previous Value", "0"},
    {"D3D\\Maximum Buffered Frames\\Value", "1"},
    {"Glide\\FX_GL_HSR", "0"},
    {"Glide\\Hidden Surface Removal\\Previous Value", "0"},
    {"Glide\\Hidden Surface Removal\\Value", "0"},
    {"Glide\\FX_GL_GUARDBAND_ENABLED", "0"},
    {"Glide\\Guardband Clipping\\Previous Value", "0"},
    {"Glide\\Guardband Clipping\\Value", "0"},
    {"Glide\\SSTH3_ALPHADITHERMODE", "1"},
    {"Glide\\Alpha-Blending\\Previous Value", "0"},
    {"Glide\\Alpha-Blending\\Value", "1"},
    {"D3D\\SSTH3_ALPHADITHERMODE", "1"},
    {"D3D\\Alpha-Blending\\Previous Value", "0"},
    {"D3D\\Alpha-Blending\\Value", "1"},
    {"Glide\\SSTH3_OVERLAYMODE", "1"},
    {"Glide\\3D Filter Quality\\Previous Value", "0"},
    {"Glide\\3D Filter Quality\\Value", "1"},
    {"D3D\\SSTH3_OVERLAYMODE", "1"},
    {"D3D\\3D Filter Quality\\Previous Value", "0"},
    {"D3D\\3D Filter Quality\\Value", "1"},
    {"Glide\\SSTH3_SLI_AA_CONFIGURATION", "5"},
    {"Glide\\QuadChipAASLI\\Previous Value", "0"},
    {"Glide\\QuadChipAASLI\\Value", "1"},
    {"D3D\\SSTH3_SLI_AA_CONFIGURATION", "5"},
    {"D3D\\QuadChipAASLI\\Previous Value", "0"},
    {"D3D\\QuadChipAASLI\\Value", "1"},
    {"Glide\\FX_GLIDE_LOD_BIAS", "0"},
    {"Glide\\Level Of Detail Bias\\Previous Value", "0"},
    {"Glide\\Level Of Detail Bias\\Value", "0"},
    {"D3D\\FX_GLIDE_LOD_BIAS", "0"},
    {"D3D\\Level Of Detail Bias\\Previous Value", "0"},
    {"D3D\\Level Of Detail Bias\\Value", "0"},
    {"Glide\\AA Demo Key\\Previous Value", "0"},
    {"Glide\\AA Demo Key\\Value", "0"},
    {"D3D\\AA Demo Key\\Previous Value", "0"},
    {"D3D\\AA Demo Key\\Value", "0"},
    {"Glide\\Vertical Sync\\Previous Value", "0"},
    {"Glide\\Vertical Sync\\Value", "0"},
    {"Glide\\SSTH3_RGAMMA", "1.30"},
    {"Glide\\SSTH3_GGAMMA", "1.30"},
    {"Glide\\SSTH3_BGAMMA", "1.30"},
    {"D3D\\SSTH3_RGAMMA", "1.30"},
    {"D3D\\SSTH3_GGAMMA", "1.30"},
    {"D3D\\SSTH3_BGAMMA", "1.30"},
    {"D3D\\SSTH3_Z_CLEAR_OPTIMIZATION", "1"},
    {"D3D\\Z-buffer Optimization\\Previous Value", "0"},
    {"D3D\\Z-buffer Optimization\\Value", "0"},
};

// The same board after a second game that changes every tweak: each "Previous
// Value" holds what the first game recorded.
const ValueMap kEveryTweakChangedAfterDefaults = {
    {"Glide\\FX_GLIDE_NO_SPLASH", "1"},
    {"Glide\\Glide Splash Screen\\Previous Value", "0"},
    {"Glide\\Glide Splash Screen\\Value", "1"},
    {"Glide\\FX_GL_COMPRESS_LEGACY_TEXTURES", "0"},
    {"Glide\\Legacy Texture Compression\\Previous Value", "0"},
    {"Glide\\Legacy Texture Compression\\Value", "1"},
    {"Glide\\FX_GLIDE_LOD_DITHER", "1"},
    {"Glide\\MIP Map Dithering\\Previous Value", "0"},
    {"Glide\\MIP Map Dithering\\Value", "1"},
    {"D3D\\SSTH3_LOD_DITHER", "1"},
    {"D3D\\MIP Map Dithering\\Previous Value", "0"},
    {"D3D\\MIP Map Dithering\\Value", "1"},
    {"Glide\\FX_GLIDE_ALLOC_COLOR", "3"},
    {"Glide\\Triple Buffering\\Previous Value", "0"},
    {"Glide\\Triple Buffering\\Value", "1"},
    {"Glide\\FX_GLIDE_BPP", "32"},
    {"Glide\\Rendering Color-depth\\Previous Value", "0"},
    {"Glide\\Rendering Color-depth\\Value", "1"},
    {"Glide\\FX_GLIDE_SWAPPENDINGCOUNT", "3"},
    {"Glide\\Maximum Buffered Frames\\Previous Value", "1"},
    {"Glide\\Maximum Buffered Frames\\Value", "3"},
    {"Glide\\FX_GL_16BPP_ZPRECISION", "2"},
    {"Glide\\Depth Precision (16 Bit)\\Previous Value", "1"},
    {"Glide\\Depth Precision (16 Bit)\\Value", "2"},
    {"Glide\\FX_GL_32BPP_ZPRECISION", "0"},
    {"Glide\\Depth Precision (32 Bit)\\Previous Value", "1"},
    {"Glide\\Depth Precision (32 Bit)\\Value", "0"},
    {"D3D\\SSTH3_MAX_PENDING_BUFFERS", "6"},
    {"D3D\\Maximum Buffered Frames\\Previous Value", "1"},
    {"D3D\\Maximum Buffered Frames\\Value", "6"},
    {"Glide\\FX_GL_HSR", "4"},
    {"Glide\\Hidden Surface Removal\\Previous Value", "0"},
    {"Glide\\Hidden Surface Removal\\Value", "4"},
    {"Glide\\FX_GL_GUARDBAND_ENABLED", "1"},
    {"Glide\\Guardband Clipping\\Previous Value", "0"},
    {"Glide\\Guardband Clipping\\Value", "1"},
    {"Glide\\SSTH3_ALPHADITHERMODE", "3"},
    {"Glide\\Alpha-Blending\\Previous Value", "1"},
    {"Glide\\Alpha-Blending\\Value", "3"},
    {"D3D\\SSTH3_ALPHADITHERMODE", "3"},
    {"D3D\\Alpha-Blending\\Previous Value", "1"},
    {"D3D\\Alpha-Blending\\Value", "3"},
    {"Glide\\SSTH3_OVERLAYMODE", "3"},
    {"Glide\\3D Filter Quality\\Previous Value", "1"},
    {"Glide\\3D Filter Quality\\Value", "3"},
    {"D3D\\SSTH3_OVERLAYMODE", "3"},
    {"D3D\\3D Filter Quality\\Previous Value", "1"},
    {"D3D\\3D Filter Quality\\Value", "3"},
    {"Glide\\SSTH3_SLI_AA_CONFIGURATION", "6"},
    {"Glide\\QuadChipAASLI\\Previous Value", "1"},
    {"Glide\\QuadChipAASLI\\Value", "2"},
    {"D3D\\SSTH3_SLI_AA_CONFIGURATION", "6"},
    {"D3D\\QuadChipAASLI\\Previous Value", "1"},
    {"D3D\\QuadChipAASLI\\Value", "2"},
    {"Glide\\FX_GLIDE_LOD_BIAS", "-3"},
    {"Glide\\Level Of Detail Bias\\Previous Value", "0"},
    {"Glide\\Level Of Detail Bias\\Value", "-3"},
    {"D3D\\FX_GLIDE_LOD_BIAS", "-3"},
    {"D3D\\Level Of Detail Bias\\Previous Value", "0"},
    {"D3D\\Level Of Detail Bias\\Value", "-3"},
    {"Glide\\FX_GLIDE_AA_TOGGLE_KEY", "111"},
    {"Glide\\AA Demo Key\\Previous Value", "0"},
    {"Glide\\AA Demo Key\\Value", "2"},
    {"D3D\\SSTH3_AAJITTER_TOGGLE_KEY", "65"},
    {"D3D\\AA Demo Key\\Previous Value", "0"},
    {"D3D\\AA Demo Key\\Value", "4"},
    {"Glide\\FX_GLIDE_SWAPINTERVAL", "0"},
    {"Glide\\Vertical Sync\\Previous Value", "0"},
    {"Glide\\Vertical Sync\\Value", "1"},
    {"D3D\\SSTH3_SWAPINTERVAL", "0"},
    {"Glide\\SSTH3_RGAMMA", "0.50"},
    {"Glide\\SSTH3_GGAMMA", "2.25"},
    {"Glide\\SSTH3_BGAMMA", "1.3"},
    {"D3D\\SSTH3_RGAMMA", "0.50"},
    {"D3D\\SSTH3_GGAMMA", "2.25"},
    {"D3D\\SSTH3_BGAMMA", "1.3"},
    {"D3D\\SSTH3_Z_CLEAR_OPTIMIZATION", "0"},
    {"D3D\\Z-buffer Optimization\\Previous Value", "0"},
    {"D3D\\Z-buffer Optimization\\Value", "1"},
};

}  // namespace

TEST_F(ApplySettingsTest, DefaultsThenEveryTweakChangedWriteTheCatalogue) {
    ApplySettings(context, DefaultTweakSettings());
    EXPECT_EQ(Tree(), kDefaultsOnEmptyQuadBoard);

    const std::vector<std::string> expectedOrder = {
        "Setting Glide Variable -- FX_GLIDE_NO_SPLASH",
        "Setting Glide Variable -- FX_GL_COMPRESS_LEGACY_TEXTURES",
        "Setting Glide Variable -- FX_GLIDE_LOD_DITHER",
        "Setting D3D Variable -- SSTH3_LOD_DITHER",
        "Setting Glide Variable -- FX_GLIDE_ALLOC_COLOR",
        "Setting Glide Variable -- FX_GLIDE_BPP",
        "Setting Glide Variable -- FX_GLIDE_SWAPPENDINGCOUNT",
        "Setting Glide Variable -- FX_GL_16BPP_ZPRECISION",
        "Setting Glide Variable -- FX_GL_32BPP_ZPRECISION",
        "Setting D3D Variable -- SSTH3_MAX_PENDING_BUFFERS",
        "Setting Glide Variable -- FX_GL_HSR",
        "Setting Glide Variable -- FX_GL_GUARDBAND_ENABLED",
        "Setting Glide Variable -- SSTH3_ALPHADITHERMODE",
        "Setting D3D Variable -- SSTH3_ALPHADITHERMODE",
        "Setting Glide Variable -- SSTH3_OVERLAYMODE",
        "Setting D3D Variable -- SSTH3_OVERLAYMODE",
        "Setting Glide Variable -- SSTH3_SLI_AA_CONFIGURATION",
        "Setting D3D Variable -- SSTH3_SLI_AA_CONFIGURATION",
        "Setting Glide Variable -- FX_GLIDE_LOD_BIAS",
        "Setting D3D Variable -- FX_GLIDE_LOD_BIAS",
        "Setting Glide Variable -- FX_GLIDE_AA_TOGGLE_KEY",
        "Setting D3D Variable -- SSTH3_AAJITTER_TOGGLE_KEY",
        "Setting Glide Variable -- FX_GLIDE_SWAPINTERVAL",
        "Setting D3D Variable -- SSTH3_SWAPINTERVAL",
        "Setting Glide Variable -- SSTH3_RGAMMA",
        "Setting Glide Variable -- SSTH3_GGAMMA",
        "Setting Glide Variable -- SSTH3_BGAMMA",
        "Setting D3D Variable -- SSTH3_RGAMMA",
        "Setting D3D Variable -- SSTH3_GGAMMA",
        "Setting D3D Variable -- SSTH3_BGAMMA",
        "Setting D3D Variable -- SSTH3_Z_CLEAR_OPTIMIZATION",
    };
    EXPECT_EQ(SettingLines(), expectedOrder);
    ASSERT_GE(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], "");
    EXPECT_EQ(log.lines[1], "Loading Enviroment Settings...");
    EXPECT_EQ(log.lines[2], "");

    log.lines.clear();
    ApplySettings(context, EveryTweakChanged());
    EXPECT_EQ(Tree(), kEveryTweakChangedAfterDefaults);
    EXPECT_EQ(SettingLines(), expectedOrder);
}

TEST_F(ApplySettingsTest, SetTweakLogsEveryChange) {
    SetTweak(context, "Glide", "FX_GLIDE_BPP", "32", "Rendering Color-depth", "1");
    const std::vector<std::string> set = {
        "Setting Glide Variable -- FX_GLIDE_BPP",
        "\tSet Value: " + kGlideKey + " : \"FX_GLIDE_BPP\" = 32",
        "\tSet Value: " + kGlideKey + "\\Rendering Color-depth : \"Previous Value\" = 0",
        "\tSet Value: " + kGlideKey + "\\Rendering Color-depth : \"Value\" = 1",
    };
    EXPECT_EQ(log.lines, set);

    log.lines.clear();
    ASSERT_TRUE(SeedText(memory, kGlideKey, "FX_GLIDE_NO_SPLASH", "1"));
    ASSERT_TRUE(SeedText(memory, kGlideKey + "\\Glide Splash Screen", "Value", "1"));
    SetTweak(context, "Glide", "FX_GLIDE_NO_SPLASH", "*", "Glide Splash Screen", "0");
    const std::vector<std::string> deleted = {
        "Setting Glide Variable -- FX_GLIDE_NO_SPLASH",
        "\tDelete Value: " + kGlideKey + " : \"FX_GLIDE_NO_SPLASH\"",
        "\tSet Value: " + kGlideKey + "\\Glide Splash Screen : \"Previous Value\" = 1",
        "\tSet Value: " + kGlideKey + "\\Glide Splash Screen : \"Value\" = 0",
    };
    EXPECT_EQ(log.lines, deleted);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_NO_SPLASH"), std::nullopt);

    // Without bookkeeping only the variable changes; no sub-key is made.
    log.lines.clear();
    SetTweak(context, "D3D", "SSTH3_SWAPINTERVAL", "0", "*", "");
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "Setting D3D Variable -- SSTH3_SWAPINTERVAL",
                             "\tSet Value: " + kD3DKey + " : \"SSTH3_SWAPINTERVAL\" = 0"}));
    std::vector<std::string> d3dSubKeys{"untouched"};
    reg.At(TRootKey::hkLocalMachine, kD3DKey).GetKeyNames("", d3dSubKeys);
    EXPECT_TRUE(d3dSubKeys.empty());
}

TEST_F(ApplySettingsTest, RefusedWriteIsLoggedAndTheRowSkipped) {
    store.refused = {"FX_GLIDE_BPP"};
    ApplySettings(context, EveryTweakChanged());

    const auto bpp =
        std::find(log.lines.begin(), log.lines.end(), "Setting Glide Variable -- FX_GLIDE_BPP");
    ASSERT_LE(bpp + 3, log.lines.end());
    EXPECT_EQ(bpp[1], "!ERROR! setting key: " + kGlideKey + ":FX_GLIDE_BPP");
    EXPECT_EQ(bpp[2], "\tFailed to set data for 'FX_GLIDE_BPP'");
    EXPECT_EQ(bpp[3], "Setting Glide Variable -- FX_GLIDE_SWAPPENDINGCOUNT");
    EXPECT_EQ(Value("Glide\\FX_GLIDE_BPP"), std::nullopt);
    EXPECT_EQ(Value("Glide\\Rendering Color-depth\\Value"), std::nullopt);
    // The rows after it are applied.
    EXPECT_EQ(Value("Glide\\FX_GLIDE_SWAPPENDINGCOUNT"), "3");
    EXPECT_EQ(Value("D3D\\Z-buffer Optimization\\Value"), "1");

    // A refusal in the bookkeeping sub-key names that key; the variable stays written.
    log.lines.clear();
    store.refused = {"Previous Value"};
    SetTweak(context, "Glide", "FX_GLIDE_ALLOC_COLOR", "-1", "Triple Buffering", "0");
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "Setting Glide Variable -- FX_GLIDE_ALLOC_COLOR",
                  "\tSet Value: " + kGlideKey + " : \"FX_GLIDE_ALLOC_COLOR\" = -1",
                  "!ERROR! setting key: " + kGlideKey + "\\Triple Buffering:FX_GLIDE_ALLOC_COLOR",
                  "\tFailed to set data for 'Previous Value'"}));
    EXPECT_EQ(Value("Glide\\FX_GLIDE_ALLOC_COLOR"), "-1");
    EXPECT_EQ(Value("Glide\\Triple Buffering\\Value"), "1");

    // A whole group key refused: every Glide row fails, every D3D row is written.
    store.refused.clear();
    MemoryRegistry fresh;
    TRegistryEnhanced freshReg{fresh};
    TweakContext freshContext{freshReg, log, driver};
    fresh.RefuseWritesBelow(RegRoot::LocalMachine, kGlideKey);
    ApplySettings(freshContext, DefaultTweakSettings());
    const ValueMap tree = ReadValueTree(fresh, kDriverKey);
    for (const auto& [name, value] : kDefaultsOnEmptyQuadBoard) {
        SCOPED_TRACE(name);
        if (name.rfind("Glide\\", 0) == 0) {
            EXPECT_EQ(tree.count(name), 0u);
        } else {
            EXPECT_EQ(tree.count(name), 1u);
        }
    }
}

TEST_F(ApplySettingsTest, Voodoo3SkipsColourDepthAntiAliasingAndToggleKeys) {
    driver.IsVoodoo3 = true;
    driver.SliMode = "";
    TSettings game = EveryTweakChanged();
    game[TweakField::AA] = "SINGLE CHIP ONLY";  // written on every other board, whatever the mode
    ApplySettings(context, game);
    const ValueMap voodoo3 = Tree();
    const std::vector<std::string> voodoo3Lines = SettingLines();

    MemoryRegistry otherMemory;
    TRegistryEnhanced otherReg{otherMemory};
    RecordingLog otherLog;
    DriverState otherBoard{kDriverKey, false, ""};
    TweakContext other{otherReg, otherLog, otherBoard};
    ApplySettings(other, game);

    const std::map<std::string, std::pair<std::string, std::string>> skipped = {
        {"Glide\\FX_GLIDE_BPP", {"32", "<absent>"}},
        {"Glide\\Rendering Color-depth\\Previous Value", {"0", "<absent>"}},
        {"Glide\\Rendering Color-depth\\Value", {"1", "<absent>"}},
        {"Glide\\SSTH3_SLI_AA_CONFIGURATION", {"0", "<absent>"}},
        {"Glide\\Previous Value", {"0", "<absent>"}},
        {"Glide\\Value", {"0", "<absent>"}},
        {"D3D\\SSTH3_SLI_AA_CONFIGURATION", {"0", "<absent>"}},
        {"D3D\\Previous Value", {"0", "<absent>"}},
        {"D3D\\Value", {"0", "<absent>"}},
        {"Glide\\FX_GLIDE_AA_TOGGLE_KEY", {"111", "<absent>"}},
        {"Glide\\AA Demo Key\\Previous Value", {"0", "<absent>"}},
        {"Glide\\AA Demo Key\\Value", {"2", "<absent>"}},
        {"D3D\\SSTH3_AAJITTER_TOGGLE_KEY", {"65", "<absent>"}},
        {"D3D\\AA Demo Key\\Previous Value", {"0", "<absent>"}},
        {"D3D\\AA Demo Key\\Value", {"4", "<absent>"}},
    };
    EXPECT_EQ(Differences(ReadValueTree(otherMemory, kDriverKey), voodoo3), skipped);
    EXPECT_EQ(voodoo3Lines.size(), 26u);
    for (const std::string& line : voodoo3Lines) {
        EXPECT_EQ(line.find("FX_GLIDE_BPP"), std::string::npos);
        EXPECT_EQ(line.find("AA_CONFIGURATION"), std::string::npos);
        EXPECT_EQ(line.find("TOGGLE_KEY"), std::string::npos);
    }
}

TEST(ApplySettingsAntiAliasing, ConfigurationByMultiChipMode) {
    struct Case {
        std::string mode;
        std::string aa;
        std::optional<std::string> data;
        std::string subValue;
    };
    const Case cases[] = {
        {"SingleChipAASLI", "SINGLE CHIP ONLY", "0", "0"},
        {"SingleChipAASLI", "FASTEST PERFORMANCE", "0", "0"},
        {"SingleChipAASLI", "2 SAMPLE ANTI-ALIASING", "1", "1"},
        {"SingleChipAASLI", "4 SAMPLE ANTI-ALIASING", std::nullopt, ""},
        {"SingleChipAASLI", "8 SAMPLE ANTI-ALIASING", "8", "4"},
        {"DualChipAASLI", "SINGLE CHIP ONLY", "0", "0"},
        {"DualChipAASLI", "FASTEST PERFORMANCE", "2", "1"},
        {"DualChipAASLI", "2 SAMPLE ANTI-ALIASING", "3", "2"},
        {"DualChipAASLI", "4 SAMPLE ANTI-ALIASING", "4", "3"},
        {"DualChipAASLI", "8 SAMPLE ANTI-ALIASING", "8", "4"},
        {"QuadChipAASLI", "SINGLE CHIP ONLY", "0", "0"},
        {"QuadChipAASLI", "FASTEST PERFORMANCE", "5", "1"},
        {"QuadChipAASLI", "2 SAMPLE ANTI-ALIASING", "6", "2"},
        {"QuadChipAASLI", "4 SAMPLE ANTI-ALIASING", "7", "3"},
        {"QuadChipAASLI", "8 SAMPLE ANTI-ALIASING", "8", "4"},
        // Without a mode only two choices write, and their bookkeeping lands in the
        // group key itself.
        {"", "SINGLE CHIP ONLY", "0", "0"},
        {"", "FASTEST PERFORMANCE", std::nullopt, ""},
        {"", "2 SAMPLE ANTI-ALIASING", std::nullopt, ""},
        {"", "4 SAMPLE ANTI-ALIASING", std::nullopt, ""},
        {"", "8 SAMPLE ANTI-ALIASING", "8", "4"},
        // Texts that were not upper-cased match nothing.
        {"DualChipAASLI", "2 Sample Anti-Aliasing", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode + " / " + c.aa);
        MemoryRegistry memory;
        TRegistryEnhanced reg{memory};
        RecordingLog log;
        DriverState driver{kDriverKey, false, c.mode};
        TweakContext context{reg, log, driver};
        TSettings game = DefaultTweakSettings();
        game[TweakField::AA] = c.aa;
        ApplySettings(context, game);
        const ValueMap tree = ReadValueTree(memory, kDriverKey);
        const std::string sub = c.mode.empty() ? "" : c.mode + "\\";
        for (const std::string group : {"Glide\\", "D3D\\"}) {
            const auto find = [&](const std::string& name) -> std::optional<std::string> {
                const auto it = tree.find(group + name);
                return it == tree.end() ? std::nullopt : std::optional(it->second);
            };
            EXPECT_EQ(find("SSTH3_SLI_AA_CONFIGURATION"), c.data);
            if (c.data) {
                EXPECT_EQ(find(sub + "Value"), c.subValue);
                EXPECT_EQ(find(sub + "Previous Value"), "0");
            } else {
                EXPECT_EQ(find(sub + "Value"), std::nullopt);
            }
        }
    }
}

TEST_F(ApplySettingsTest, LodBiasIsWrittenFourfold) {
    const std::pair<std::string, std::string> cases[] = {
        {"-2", "-8"}, {"0", "0"}, {"-0.75", "-3"}, {"0.5", "2"}, {"1.25", "5"}, {"2", "8"}};
    for (const auto& [lod, written] : cases) {
        SCOPED_TRACE(lod);
        TSettings game = DefaultTweakSettings();
        game[TweakField::LODBias] = lod;
        ApplySettings(context, game);
        EXPECT_EQ(Value("Glide\\FX_GLIDE_LOD_BIAS"), written);
        EXPECT_EQ(Value("D3D\\FX_GLIDE_LOD_BIAS"), written);
        EXPECT_EQ(Value("Glide\\Level Of Detail Bias\\Value"), written);
        EXPECT_EQ(Value("D3D\\Level Of Detail Bias\\Value"), written);
    }
}

// Every value is converted before the first write: a LOD bias that is no number
// leaves the driver untouched (and logs nothing).
TEST_F(ApplySettingsTest, LodBiasThatIsNoNumberWritesNothing) {
    for (const std::string lod : {"abc", "", "1,5", "1e308"}) {
        SCOPED_TRACE(lod);
        MemoryRegistry fresh;
        TRegistryEnhanced freshReg{fresh};
        log.lines.clear();
        TweakContext freshContext{freshReg, log, driver};
        TSettings game = EveryTweakChanged();
        game[TweakField::LODBias] = lod;
        try {
            ApplySettings(freshContext, game);
            ADD_FAILURE() << "no error raised";
        } catch (const ConvertError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + lod + "' is not a valid floating point value");
        }
        EXPECT_TRUE(ReadValueTree(fresh, kDriverKey).empty());
        EXPECT_TRUE(log.lines.empty());
    }
}

TEST_F(ApplySettingsTest, UnknownChoicesWriteNothingAndGammaIsVerbatim) {
    ASSERT_TRUE(SeedText(memory, kGlideKey, "FX_GLIDE_NO_SPLASH", "1"));
    ASSERT_TRUE(SeedText(memory, kD3DKey, "SSTH3_RGAMMA", "2.00"));
    TSettings game = DefaultTweakSettings();
    game[TweakField::Splash] = "Enable";  // not upper-cased: matches no choice
    game[TweakField::TripleBuffering] = "";
    game[TweakField::RGamma] = "*";  // deletes the gamma variables
    game[TweakField::GGamma] = "0.1";
    game[TweakField::BGamma] = "";
    ApplySettings(context, game);

    EXPECT_EQ(Value("Glide\\FX_GLIDE_NO_SPLASH"), "1");
    EXPECT_EQ(Value("Glide\\Glide Splash Screen\\Value"), std::nullopt);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_ALLOC_COLOR"), std::nullopt);
    EXPECT_EQ(Value("Glide\\SSTH3_RGAMMA"), std::nullopt);
    EXPECT_EQ(Value("D3D\\SSTH3_RGAMMA"), std::nullopt);
    EXPECT_EQ(Value("Glide\\SSTH3_GGAMMA"), "0.1");
    EXPECT_EQ(Value("D3D\\SSTH3_BGAMMA"), "");
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(),
                        "\tDelete Value: " + kD3DKey + " : \"SSTH3_RGAMMA\""),
              log.lines.end());
    for (const std::string& line : SettingLines()) {
        EXPECT_EQ(line.find("FX_GLIDE_NO_SPLASH"), std::string::npos);
        EXPECT_EQ(line.find("FX_GLIDE_ALLOC_COLOR"), std::string::npos);
    }
}

namespace {

// One choice of a tweak as the driver expects it; Data nullptr deletes the variable.
struct ExpectedChoice {
    const char* Text;
    const char* Data;
    const char* SubValue;
};

struct ExpectedTweak {
    TweakField Field;
    std::vector<std::string> Groups;
    const char* Variable;
    const char* SubKey;  // nullptr: no bookkeeping
    std::vector<ExpectedChoice> Choices;
};

// Every choice of every tweak chosen from a list, written out here on its own rather
// than taken from the program's table, so a slip in either one shows.
const std::vector<ExpectedTweak>& DriverTweaks() {
    static const std::vector<ExpectedTweak> tweaks = {
        {TweakField::Splash,
         {"Glide"},
         "FX_GLIDE_NO_SPLASH",
         "Glide Splash Screen",
         {{"DISABLE", "1", "1"}, {"ENABLE", nullptr, "0"}}},
        {TweakField::TextureCompression,
         {"Glide"},
         "FX_GL_COMPRESS_LEGACY_TEXTURES",
         "Legacy Texture Compression",
         {{"ENABLE", "1", "0"}, {"DISABLE", "0", "1"}}},
        {TweakField::MIPMap,
         {"Glide"},
         "FX_GLIDE_LOD_DITHER",
         "MIP Map Dithering",
         {{"ENABLE", "1", "1"}, {"DISABLE", "0", "0"}}},
        {TweakField::D3DMIPMap,
         {"D3D"},
         "SSTH3_LOD_DITHER",
         "MIP Map Dithering",
         {{"ENABLE", "1", "1"}, {"DISABLE", "0", "0"}}},
        {TweakField::TripleBuffering,
         {"Glide"},
         "FX_GLIDE_ALLOC_COLOR",
         "Triple Buffering",
         {{"ENABLE", "3", "1"}, {"DISABLE", "-1", "0"}}},
        {TweakField::ColorDepth,
         {"Glide"},
         "FX_GLIDE_BPP",
         "Rendering Color-depth",
         {{"SOFTWARE CONTROLLED", "16", "0"}, {"FORCE 32BPP RENDERING", "32", "1"}}},
        {TweakField::MaxBufferedFrames,
         {"Glide"},
         "FX_GLIDE_SWAPPENDINGCOUNT",
         "Maximum Buffered Frames",
         {{"NO PENDING BUFFERS", "0", "0"},
          {"1 PENDING BUFFER", "1", "1"},
          {"2 PENDING BUFFERS", "2", "2"},
          {"3 PENDING BUFFERS", "3", "3"}}},
        {TweakField::gl16BitZPrecision,
         {"Glide"},
         "FX_GL_16BPP_ZPRECISION",
         "Depth Precision (16 Bit)",
         {{"DISABLE", "0", "0"}, {"FAST", "1", "1"}, {"FASTER", "2", "2"}}},
        {TweakField::gl32BitZPrecision,
         {"Glide"},
         "FX_GL_32BPP_ZPRECISION",
         "Depth Precision (32 Bit)",
         {{"DISABLE", "0", "0"}, {"FAST", "1", "1"}, {"FASTER", "2", "2"}}},
        {TweakField::D3DMaxBufferedFrames,
         {"D3D"},
         "SSTH3_MAX_PENDING_BUFFERS",
         "Maximum Buffered Frames",
         {{"DEFAULT", "0", "0"},
          {"1 PENDING BUFFER", "1", "1"},
          {"2 PENDING BUFFERS", "2", "2"},
          {"3 PENDING BUFFERS", "3", "3"},
          {"4 PENDING BUFFERS", "4", "4"},
          {"5 PENDING BUFFERS", "5", "5"},
          {"6 PENDING BUFFERS", "6", "6"}}},
        {TweakField::glHSR,
         {"Glide"},
         "FX_GL_HSR",
         "Hidden Surface Removal",
         {{"DISABLE", "0", "0"},
          {"CONSERVATIVE TILING", "1", "1"},
          {"NON-AGGRESSIVE TILING", "2", "2"},
          {"SEMI-AGGRESSIVE TILING", "3", "3"},
          {"AGGRESSIVE TILING", "4", "4"}}},
        {TweakField::glGuardbandClipping,
         {"Glide"},
         "FX_GL_GUARDBAND_ENABLED",
         "Guardband Clipping",
         {{"DISABLE", "0", "0"}, {"ENABLE", "1", "1"}}},
        {TweakField::AlphaBlending,
         {"Glide", "D3D"},
         "SSTH3_ALPHADITHERMODE",
         "Alpha-Blending",
         {{"AUTOMATIC", "1", "1"}, {"SHARPER", "2", "2"}, {"SMOOTHER", "3", "3"}}},
        {TweakField::TDFilterQuality,
         {"Glide", "D3D"},
         "SSTH3_OVERLAYMODE",
         "3D Filter Quality",
         {{"AUTOMATIC", "1", "1"}, {"NORMAL", "2", "2"}, {"HIGH", "3", "3"}}},
        {TweakField::glAAToggle,
         {"Glide"},
         "FX_GLIDE_AA_TOGGLE_KEY",
         "AA Demo Key",
         {{"NUM-LOCK", "144", "1"},
          {"KEY-PAD /", "111", "2"},
          {"KEY-PAD *", "106", "3"},
          {"KEY-PAD -", "109", "4"},
          {"F12", "123", "5"},
          {"DISABLE", nullptr, "0"}}},
        {TweakField::D3DAAToggle,
         {"D3D"},
         "SSTH3_AAJITTER_TOGGLE_KEY",
         "AA Demo Key",
         {{"KEY-PAD *", "106", "1"},
          {"KEY-PAD -", "109", "2"},
          {"F12", "123", "3"},
          {"CTRL-ALT-A", "65", "4"},
          {"DISABLE", nullptr, "0"}}},
        {TweakField::VSynch,
         {"Glide"},
         "FX_GLIDE_SWAPINTERVAL",
         "Vertical Sync",
         {{"DISABLE", "0", "1"}, {"ENABLE", nullptr, "0"}}},
        {TweakField::D3DVSynch,
         {"D3D"},
         "SSTH3_SWAPINTERVAL",
         nullptr,
         {{"DISABLE", "0", ""}, {"ENABLE", nullptr, ""}}},
        {TweakField::ZBuffer,
         {"D3D"},
         "SSTH3_Z_CLEAR_OPTIMIZATION",
         "Z-buffer Optimization",
         {{"ENABLE", "1", "0"}, {"DISABLE", "0", "1"}}},
    };
    return tweaks;
}

}  // namespace

TEST(ApplySettingsChoices, EveryChoiceWritesItsDataBookkeepingAndLogLines) {
    using Changes = std::map<std::string, std::pair<std::string, std::string>>;
    // The variables and bookkeeping values exist with marker values beforehand, so a
    // write, a delete and the move of "Value" to "Previous Value" all show.
    const auto apply = [](const ExpectedTweak& tweak, const std::string& text,
                          std::vector<std::string>* lines) {
        MemoryRegistry memory;
        for (const std::string& group : tweak.Groups) {
            EXPECT_TRUE(SeedText(memory, kDriverKey + "\\" + group, tweak.Variable, "old"));
            if (tweak.SubKey) {
                EXPECT_TRUE(SeedText(memory, kDriverKey + "\\" + group + "\\" + tweak.SubKey,
                                     "Value", "9"));
            }
        }
        TRegistryEnhanced reg{memory};
        RecordingLog log;
        DriverState driver{kDriverKey, false, "DualChipAASLI"};
        TweakContext context{reg, log, driver};
        TSettings game = DefaultTweakSettings();
        game[tweak.Field] = text;
        ApplySettings(context, game);
        if (lines) *lines = log.lines;
        return ReadValueTree(memory, kDriverKey);
    };

    for (const ExpectedTweak& tweak : DriverTweaks()) {
        // A text no choice has leaves this tweak alone; what differs from it is the
        // choice's own doing.
        const ValueMap untouched = apply(tweak, "NO SUCH CHOICE", nullptr);
        for (const ExpectedChoice& choice : tweak.Choices) {
            SCOPED_TRACE(std::string(tweak.Variable) + " = " + choice.Text);
            std::vector<std::string> lines;
            const ValueMap written = apply(tweak, choice.Text, &lines);

            Changes expected;
            for (const std::string& group : tweak.Groups) {
                const std::string groupKey = kDriverKey + "\\" + group;
                std::vector<std::string> expectedLines = {"Setting " + group + " Variable -- " +
                                                          tweak.Variable};
                expected[group + "\\" + tweak.Variable] = {"old",
                                                           choice.Data ? choice.Data : "<absent>"};
                if (choice.Data) {
                    expectedLines.push_back("\tSet Value: " + groupKey + " : \"" + tweak.Variable +
                                            "\" = " + choice.Data);
                } else {
                    expectedLines.push_back("\tDelete Value: " + groupKey + " : \"" +
                                            tweak.Variable + "\"");
                }
                if (tweak.SubKey) {
                    const std::string sub = group + "\\" + tweak.SubKey + "\\";
                    expected[sub + "Previous Value"] = {"<absent>", "9"};
                    expected[sub + "Value"] = {"9", choice.SubValue};
                    const std::string subKey = groupKey + "\\" + tweak.SubKey;
                    expectedLines.push_back("\tSet Value: " + subKey + " : \"Previous Value\" = 9");
                    expectedLines.push_back("\tSet Value: " + subKey +
                                            " : \"Value\" = " + choice.SubValue);
                }
                const auto at = std::find(lines.begin(), lines.end(), expectedLines.front());
                ASSERT_NE(at, lines.end()) << expectedLines.front();
                ASSERT_GE(lines.end() - at, static_cast<std::ptrdiff_t>(expectedLines.size()));
                EXPECT_EQ(std::vector<std::string>(at, at + expectedLines.size()), expectedLines);
            }
            EXPECT_EQ(Differences(untouched, written), expected);
        }
    }
}

TEST(ApplySettingsChoices, AntiAliasingWithoutModeKeepsItsBookkeepingInTheGroupKey) {
    MemoryRegistry memory;
    TRegistryEnhanced reg{memory};
    RecordingLog log;
    DriverState driver{kDriverKey, false, ""};
    TweakContext context{reg, log, driver};
    TSettings game = DefaultTweakSettings();
    game[TweakField::AA] = "8 SAMPLE ANTI-ALIASING";
    ApplySettings(context, game);

    for (const std::string group : {"Glide", "D3D"}) {
        SCOPED_TRACE(group);
        const std::string groupKey = kDriverKey + "\\" + group;
        const std::vector<std::string> expected = {
            "Setting " + group + " Variable -- SSTH3_SLI_AA_CONFIGURATION",
            "\tSet Value: " + groupKey + " : \"SSTH3_SLI_AA_CONFIGURATION\" = 8",
            // The empty sub-key name leaves a backslash after the group key.
            "\tSet Value: " + groupKey + "\\ : \"Previous Value\" = 0",
            "\tSet Value: " + groupKey + "\\ : \"Value\" = 4",
        };
        const auto at = std::find(log.lines.begin(), log.lines.end(), expected.front());
        ASSERT_LE(at + expected.size(), log.lines.end());
        EXPECT_EQ(std::vector<std::string>(at, at + expected.size()), expected);
    }
    const ValueMap tree = ReadValueTree(memory, kDriverKey);
    EXPECT_EQ(tree.at("Glide\\Value"), "4");
    EXPECT_EQ(tree.at("D3D\\Previous Value"), "0");
}
