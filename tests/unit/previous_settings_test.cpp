#include "tweaks/previous_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "core/errors.h"
#include "platform/memory_registry.h"
#include "support/recording_log.h"
#include "support/registry_seed.h"
#include "support/tweak_engine_fixture.h"
#include "support/tweak_scenarios.h"
#include "tweaks/apply_settings.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

const std::string kDriverKey = kFixtureDriverKey;
const std::string kGlideKey = kDriverKey + "\\Glide";
const std::string kD3DKey = kDriverKey + "\\D3D";

class PreviousSettingsTest : public TweakEngineTest {
  protected:
    void Seed(const std::string& key, const std::string& name, const std::string& text) {
        ASSERT_TRUE(SeedText(memory, kDriverKey + "\\" + key, name, text));
    }
    // One launch with restoring on: the registry while the game runs is returned.
    ValueMap Launch(const TSettings& game) {
        const TPrevSettings saved = SavePreviousSettings(context);
        ApplySettings(context, game);
        ValueMap during = Tree();
        RestorePreviousSettings(context, saved);
        return during;
    }
};

}  // namespace

TEST_F(PreviousSettingsTest, SaveRecordsToggleKeysSwapIntervalsAndGamma) {
    const TPrevSettings nothing{"DISABLE", "ENABLE", "1.30", "1.30", "1.30",
                                "DISABLE", "ENABLE", "1.30", "1.30", "1.30"};
    EXPECT_EQ(SavePreviousSettings(context), nothing);

    Seed("Glide", "FX_GLIDE_AA_TOGGLE_KEY", "123");
    Seed("Glide", "FX_GLIDE_SWAPINTERVAL", "0");
    Seed("Glide", "SSTH3_RGAMMA", "2.00");
    Seed("Glide", "SSTH3_BGAMMA", "0.9");
    ASSERT_TRUE(SeedValue(memory, kD3DKey, "SSTH3_AAJITTER_TOGGLE_KEY", RegValue::Dword(65)));
    ASSERT_TRUE(SeedValue(memory, kD3DKey, "SSTH3_SWAPINTERVAL", RegValue::Dword(0)));
    Seed("D3D", "SSTH3_GGAMMA", "0.50");
    const TPrevSettings recorded{"123", "DISABLE", "2.00", "1.30", "0.9",
                                 "65",  "DISABLE", "1.30", "0.50", "1.30"};
    EXPECT_EQ(SavePreviousSettings(context), recorded);

    // Any interval but 0 counts as "not disabled".
    Seed("Glide", "FX_GLIDE_SWAPINTERVAL", "1");
    ASSERT_TRUE(SeedValue(memory, kD3DKey, "SSTH3_SWAPINTERVAL", RegValue::Dword(2)));
    const TPrevSettings saved = SavePreviousSettings(context);
    EXPECT_EQ(saved.GlideVSync, "ENABLE");
    EXPECT_EQ(saved.D3DVSync, "ENABLE");
    // Saving reads only.
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(PreviousSettingsTest, LaunchPutsSwapIntervalToggleKeyAndGammaBack) {
    TSettings game = DefaultTweakSettings();
    game[TweakField::VSynch] = "DISABLE";
    game[TweakField::D3DVSynch] = "DISABLE";
    game[TweakField::glAAToggle] = "NUM-LOCK";
    game[TweakField::D3DAAToggle] = "F12";
    game[TweakField::RGamma] = "0.50";
    Seed("Glide", "FX_GLIDE_AA_TOGGLE_KEY", "123");
    Seed("Glide", "SSTH3_RGAMMA", "2.00");
    Seed("D3D", "SSTH3_SWAPINTERVAL", "1");

    const ValueMap during = Launch(game);
    EXPECT_EQ(during.at("Glide\\FX_GLIDE_SWAPINTERVAL"), "0");
    EXPECT_EQ(during.at("D3D\\SSTH3_SWAPINTERVAL"), "0");
    EXPECT_EQ(during.at("Glide\\FX_GLIDE_AA_TOGGLE_KEY"), "144");
    EXPECT_EQ(during.at("D3D\\SSTH3_AAJITTER_TOGGLE_KEY"), "123");
    EXPECT_EQ(during.at("Glide\\SSTH3_RGAMMA"), "0.50");

    // Absent before: absent again. "1" before: only 0 and absent are recorded, so
    // the value is deleted.
    EXPECT_EQ(Value("Glide\\FX_GLIDE_SWAPINTERVAL"), std::nullopt);
    EXPECT_EQ(Value("D3D\\SSTH3_SWAPINTERVAL"), std::nullopt);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_AA_TOGGLE_KEY"), "123");
    EXPECT_EQ(Value("D3D\\SSTH3_AAJITTER_TOGGLE_KEY"), std::nullopt);
    EXPECT_EQ(Value("Glide\\SSTH3_RGAMMA"), "2.00");
    EXPECT_EQ(Value("D3D\\SSTH3_RGAMMA"), "1.30");

    // A swap interval of 0 before the launch is 0 again after it.
    Seed("Glide", "FX_GLIDE_SWAPINTERVAL", "0");
    game[TweakField::VSynch] = "ENABLE";
    const ValueMap enabled = Launch(game);
    EXPECT_EQ(enabled.count("Glide\\FX_GLIDE_SWAPINTERVAL"), 0u);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_SWAPINTERVAL"), "0");
}

TEST_F(PreviousSettingsTest, ExchangeSwapsValuesAndPutsThePreviousChoiceBack) {
    Seed("Glide\\Hidden Surface Removal", "Tweak Value", "FX_GL_HSR");
    Seed("Glide\\Hidden Surface Removal", "Value", "3");
    Seed("Glide\\Hidden Surface Removal", "Previous Value", "1");
    ExchangeSubKey(context, "Glide", "Hidden Surface Removal");
    EXPECT_EQ(Value("Glide\\Hidden Surface Removal\\Value"), "1");
    EXPECT_EQ(Value("Glide\\Hidden Surface Removal\\Previous Value"), "3");
    EXPECT_EQ(Value("Glide\\FX_GL_HSR"), "1");

    // No earlier choice recorded: the history moves on, the variable is left alone.
    Seed("D3D\\Geometry Assist", "Tweak Value", "SSTH3_GEOMETRY_ASSIST");
    Seed("D3D\\Geometry Assist", "Value", "2");
    Seed("D3D", "SSTH3_GEOMETRY_ASSIST", "7");
    ExchangeSubKey(context, "D3D", "Geometry Assist");
    EXPECT_EQ(Value("D3D\\Geometry Assist\\Value"), "2");
    EXPECT_EQ(Value("D3D\\Geometry Assist\\Previous Value"), "2");
    EXPECT_EQ(Value("D3D\\SSTH3_GEOMETRY_ASSIST"), "7");

    // No current choice: "Previous Value" stays, the variable gets the previous choice.
    Seed("Glide\\Triple Buffering", "Tweak Value", "FX_GLIDE_ALLOC_COLOR");
    Seed("Glide\\Triple Buffering", "Previous Value", "0");
    ExchangeSubKey(context, "Glide", "Triple Buffering");
    EXPECT_EQ(Value("Glide\\Triple Buffering\\Value"), "0");
    EXPECT_EQ(Value("Glide\\Triple Buffering\\Previous Value"), "0");
    EXPECT_EQ(Value("Glide\\FX_GLIDE_ALLOC_COLOR"), "0");
}

TEST_F(PreviousSettingsTest, ExchangeLeavesSubKeysWithoutTweakValueAlone) {
    Seed("Glide\\Glide Splash Screen", "Value", "1");
    Seed("Glide\\Glide Splash Screen", "Previous Value", "0");
    Seed("Glide\\Vertical Sync", "Tweak Value", "");
    Seed("Glide\\Vertical Sync", "Value", "1");
    Seed("Glide\\Vertical Sync", "Previous Value", "0");
    ValueMap expected = Tree();
    ExchangeSubKey(context, "Glide", "Glide Splash Screen");
    ExchangeSubKey(context, "D3D", "Missing");
    EXPECT_EQ(Tree(), expected);
    // An empty "Tweak Value" governs no variable: the history is exchanged, and nothing
    // is written into the group key's unnamed value.
    ExchangeSubKey(context, "Glide", "Vertical Sync");
    expected["Glide\\Vertical Sync\\Value"] = "0";
    expected["Glide\\Vertical Sync\\Previous Value"] = "1";
    EXPECT_EQ(Tree(), expected);
    std::vector<std::string> d3d{"untouched"};
    reg.At(TRootKey::hkLocalMachine, kDriverKey).GetKeyNames("", d3d);
    EXPECT_EQ(d3d, std::vector<std::string>{"Glide"});
}

TEST_F(PreviousSettingsTest, RestoreExchangesEverySubKeyOnce) {
    // A list sub-key whose name the registry keeps in other letter case, one that is
    // in no list, the multi-chip mode's sub-keys, and one without "Tweak Value".
    Seed("Glide\\triple buffering", "Tweak Value", "FX_GLIDE_ALLOC_COLOR");
    Seed("Glide\\triple buffering", "Value", "1");
    Seed("Glide\\triple buffering", "Previous Value", "0");
    Seed("Glide\\Hidden Surface Removal", "Tweak Value", "FX_GL_HSR");
    Seed("Glide\\Hidden Surface Removal", "Value", "4");
    Seed("Glide\\Hidden Surface Removal", "Previous Value", "2");
    for (const std::string group : {"Glide", "D3D"}) {
        Seed(group + "\\QuadChipAASLI", "Tweak Value", "SSTH3_SLI_AA_CONFIGURATION");
        Seed(group + "\\QuadChipAASLI", "Value", "3");
        Seed(group + "\\QuadChipAASLI", "Previous Value", "1");
    }
    Seed("D3D\\Z-buffer Optimization", "Tweak Value", "SSTH3_Z_CLEAR_OPTIMIZATION");
    Seed("D3D\\Z-buffer Optimization", "Value", "1");
    Seed("D3D\\Z-buffer Optimization", "Previous Value", "0");
    Seed("D3D\\Custom", "Value", "5");
    Seed("D3D\\Custom", "Previous Value", "6");

    RestorePreviousSettings(context, SavePreviousSettings(context));

    const ValueMap expected = {
        {"Glide\\triple buffering\\Tweak Value", "FX_GLIDE_ALLOC_COLOR"},
        {"Glide\\triple buffering\\Value", "0"},
        {"Glide\\triple buffering\\Previous Value", "1"},
        {"Glide\\FX_GLIDE_ALLOC_COLOR", "0"},
        {"Glide\\Hidden Surface Removal\\Tweak Value", "FX_GL_HSR"},
        {"Glide\\Hidden Surface Removal\\Value", "2"},
        {"Glide\\Hidden Surface Removal\\Previous Value", "4"},
        {"Glide\\FX_GL_HSR", "2"},
        {"Glide\\QuadChipAASLI\\Tweak Value", "SSTH3_SLI_AA_CONFIGURATION"},
        {"Glide\\QuadChipAASLI\\Value", "1"},
        {"Glide\\QuadChipAASLI\\Previous Value", "3"},
        {"Glide\\SSTH3_SLI_AA_CONFIGURATION", "1"},
        {"D3D\\QuadChipAASLI\\Tweak Value", "SSTH3_SLI_AA_CONFIGURATION"},
        {"D3D\\QuadChipAASLI\\Value", "1"},
        {"D3D\\QuadChipAASLI\\Previous Value", "3"},
        {"D3D\\SSTH3_SLI_AA_CONFIGURATION", "1"},
        {"D3D\\Z-buffer Optimization\\Tweak Value", "SSTH3_Z_CLEAR_OPTIMIZATION"},
        {"D3D\\Z-buffer Optimization\\Value", "0"},
        {"D3D\\Z-buffer Optimization\\Previous Value", "1"},
        {"D3D\\SSTH3_Z_CLEAR_OPTIMIZATION", "0"},
        {"D3D\\Custom\\Value", "5"},
        {"D3D\\Custom\\Previous Value", "6"},
        {"Glide\\SSTH3_RGAMMA", "1.30"},
        {"Glide\\SSTH3_GGAMMA", "1.30"},
        {"Glide\\SSTH3_BGAMMA", "1.30"},
        {"D3D\\SSTH3_RGAMMA", "1.30"},
        {"D3D\\SSTH3_GGAMMA", "1.30"},
        {"D3D\\SSTH3_BGAMMA", "1.30"},
    };
    EXPECT_EQ(Tree(), expected);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(PreviousSettingsTest, WithoutAMultiChipModeTheGroupKeysThemselvesAreExchanged) {
    // Bookkeeping kept in the group keys themselves.
    Seed("Glide", "Tweak Value", "FX_GLIDE_SWAPPENDINGCOUNT");
    Seed("Glide", "Value", "3");
    Seed("Glide", "Previous Value", "1");
    Seed("D3D", "Tweak Value", "SSTH3_MAX_PENDING_BUFFERS");
    Seed("D3D", "Value", "6");
    Seed("D3D", "Previous Value", "2");
    const TPrevSettings saved = SavePreviousSettings(context);

    // A mode names a sub-key of its own: the group keys are no bookkeeping then.
    RestorePreviousSettings(context, saved);
    EXPECT_EQ(Value("Glide\\Value"), "3");
    EXPECT_EQ(Value("Glide\\FX_GLIDE_SWAPPENDINGCOUNT"), std::nullopt);
    EXPECT_EQ(Value("D3D\\Value"), "6");
    EXPECT_EQ(Value("D3D\\SSTH3_MAX_PENDING_BUFFERS"), std::nullopt);

    driver.SliMode = "";
    RestorePreviousSettings(context, saved);
    EXPECT_EQ(Value("Glide\\Value"), "1");
    EXPECT_EQ(Value("Glide\\Previous Value"), "3");
    EXPECT_EQ(Value("Glide\\FX_GLIDE_SWAPPENDINGCOUNT"), "1");
    EXPECT_EQ(Value("D3D\\Value"), "2");
    EXPECT_EQ(Value("D3D\\Previous Value"), "6");
    EXPECT_EQ(Value("D3D\\SSTH3_MAX_PENDING_BUFFERS"), "2");
}

TEST_F(PreviousSettingsTest, RestoreClearsZeroSplashAndDitherAndCopesWithoutD3DKey) {
    Seed("Glide", "FX_GLIDE_NO_SPLASH", "0");
    Seed("Glide", "FX_GLIDE_LOD_DITHER", "1");
    const TPrevSettings saved = SavePreviousSettings(context);
    EXPECT_EQ(saved.D3DRGamma, "1.30");
    EXPECT_EQ(saved.D3DAAToggleKey, "DISABLE");
    RestorePreviousSettings(context, saved);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_NO_SPLASH"), std::nullopt);
    EXPECT_EQ(Value("Glide\\FX_GLIDE_LOD_DITHER"), "1");
    EXPECT_EQ(Value("D3D\\SSTH3_GGAMMA"), "1.30");
    EXPECT_EQ(Value("D3D\\SSTH3_SWAPINTERVAL"), std::nullopt);
}

TEST_F(PreviousSettingsTest, RefusedWriteEndsTheRestoreWithItsError) {
    Seed("Glide", "FX_GLIDE_AA_TOGGLE_KEY", "111");
    TSettings game = DefaultTweakSettings();
    game[TweakField::glAAToggle] = "F12";
    game[TweakField::RGamma] = "0.50";
    game[TweakField::GGamma] = "0.60";
    const TPrevSettings saved = SavePreviousSettings(context);
    ApplySettings(context, game);
    log.lines.clear();

    store.refused = {"SSTH3_GGAMMA"};
    try {
        RestorePreviousSettings(context, saved);
        ADD_FAILURE() << "no error raised";
    } catch (const RegistryError& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to set data for 'SSTH3_GGAMMA'");
    }
    // Written up to the refusal, nothing after it.
    EXPECT_EQ(Value("Glide\\SSTH3_RGAMMA"), "1.30");
    EXPECT_EQ(Value("Glide\\SSTH3_GGAMMA"), "0.60");
    EXPECT_EQ(Value("Glide\\FX_GLIDE_AA_TOGGLE_KEY"), "123");
    EXPECT_EQ(Value("D3D\\SSTH3_RGAMMA"), "0.50");
    EXPECT_TRUE(log.lines.empty());
}

namespace {

using Change = std::pair<std::string, std::string>;
using Changes = std::map<std::string, Change>;

struct BoardRoundTrip {
    std::string fixture;
    TPrevSettings saved;
    // Every difference between before the launch and after the restore, except the
    // bookkeeping sub-keys that the apply created (checked by rule below).
    Changes changes;
    // The bookkeeping sub-keys the restore exchanged (those with a "Tweak Value"), in
    // the order it wrote them.
    std::vector<std::string> exchanged;
};

const std::string kAbsent = "<absent>";

// The game changes every tweak (EveryTweakChanged). What legitimately stays changed
// after the restore: variables that the restore does not record (buffers, filter,
// alpha blending, LOD bias, depth precision, ...), variables governed by a "Tweak
// Value" (set to the previous choice's index), zero splash and dither values
// (deleted), swap intervals other than 0 (deleted), absent gamma (written as 1.30),
// and the bookkeeping history.
const std::vector<BoardRoundTrip>& BoardRoundTrips() {
    static const std::vector<BoardRoundTrip> trips = {
        {"boards/voodoo3_win98.reg",
         {"DISABLE", "DISABLE", "1.30", "1.25", "1.20", "DISABLE", "ENABLE", "1.30", "1.30",
          "1.30"},
         {
             {R"([D3D]"SSTH3_MAX_PENDING_BUFFERS")", {R"("3")", R"("6")"}},
             {R"([D3D]"SSTH3_Z_CLEAR_OPTIMIZATION")", {R"("1")", R"("0")"}},
             {R"([D3D\Z-buffer Optimization]"Previous Value")", {kAbsent, R"("1")"}},
             {R"([Glide\Glide Splash Screen]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide\Triple Buffering]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide]"FX_GLIDE_ALLOC_COLOR")", {R"("-1")", R"("0")"}},
             {R"([Glide\MIP Map Dithering]"Previous Value")", {kAbsent, R"("1")"}},
             {R"([Glide]"FX_GLIDE_LOD_DITHER")", {R"("0")", kAbsent}},
             {R"([Glide\Vertical Sync]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide]"FX_GLIDE_LOD_BIAS")", {R"("0")", R"("-3")"}},
             {R"([Glide]"SSTH3_ALPHADITHERMODE")", {R"("1")", R"("3")"}},
             {R"([Glide]"SSTH3_OVERLAYMODE")", {R"("1")", R"("3")"}},
             {R"([Glide]"FX_GLIDE_SWAPPENDINGCOUNT")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GL_16BPP_ZPRECISION")", {kAbsent, R"("2")"}},
             {R"([Glide]"FX_GL_32BPP_ZPRECISION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_COMPRESS_LEGACY_TEXTURES")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_GUARDBAND_ENABLED")", {kAbsent, R"("1")"}},
             {R"([Glide]"FX_GL_HSR")", {kAbsent, R"("4")"}},
             {R"([D3D]"FX_GLIDE_LOD_BIAS")", {kAbsent, R"("-3")"}},
             {R"([D3D]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([D3D]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
         },
         {"Glide\\Glide Splash Screen", "Glide\\MIP Map Dithering", "Glide\\Triple Buffering",
          "D3D\\MIP Map Dithering", "D3D\\Z-buffer Optimization"}},
        {"boards/voodoo4_single.reg",
         {"DISABLE", "ENABLE", "1.30", "1.30", "1.30", "DISABLE", "DISABLE", "1.30", "1.30",
          "1.30"},
         {
             {R"([D3D\Maximum Buffered Frames]"Value")", {R"("2")", R"("6")"}},
             {R"([D3D\Maximum Buffered Frames]"Previous Value")", {kAbsent, R"("2")"}},
             {R"([D3D]"SSTH3_SLI_AA_CONFIGURATION")", {R"("0")", R"("1")"}},
             {R"([Glide\SingleChipAASLI]"Previous Value")", {kAbsent, R"("1")"}},
             {R"([D3D]"SSTH3_Z_CLEAR_OPTIMIZATION")", {R"("1")", R"("0")"}},
             {R"([Glide\Hidden Surface Removal]"Previous Value")", {R"("2")", R"("4")"}},
             {R"([Glide\Vertical Sync]"Previous Value")", {R"("1")", R"("0")"}},
             {R"([Glide\Vertical Sync]"Value")", {R"("0")", R"("1")"}},
             {R"([Glide]"FX_GLIDE_SWAPINTERVAL")", {R"("1")", kAbsent}},
             {R"([Glide\Rendering Color-depth]"Previous Value")", {kAbsent, R"("1")"}},
             {R"([Glide]"FX_GLIDE_BPP")", {R"("16")", R"("0")"}},
             {R"([Glide]"FX_GLIDE_NO_SPLASH")", {R"("0")", kAbsent}},
             {R"([Glide]"FX_GLIDE_LOD_BIAS")", {R"("0")", R"("-3")"}},
             {R"([Glide]"FX_GLIDE_LOD_DITHER")", {R"("0")", R"("1")"}},
             {R"([Glide]"FX_GLIDE_ALLOC_COLOR")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GLIDE_SWAPPENDINGCOUNT")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GL_16BPP_ZPRECISION")", {kAbsent, R"("2")"}},
             {R"([Glide]"FX_GL_32BPP_ZPRECISION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_COMPRESS_LEGACY_TEXTURES")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_GUARDBAND_ENABLED")", {kAbsent, R"("1")"}},
             {R"([Glide]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([Glide]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
             {R"([D3D]"FX_GLIDE_LOD_BIAS")", {kAbsent, R"("-3")"}},
             {R"([D3D]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([D3D]"SSTH3_LOD_DITHER")", {kAbsent, R"("1")"}},
             {R"([D3D]"SSTH3_MAX_PENDING_BUFFERS")", {kAbsent, R"("6")"}},
             {R"([D3D]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
         },
         {"Glide\\Glide Splash Screen", "Glide\\Rendering Color-depth", "Glide\\SingleChipAASLI",
          "D3D\\Z-buffer Optimization", "Glide\\Hidden Surface Removal"}},
        {"boards/voodoo5_dual.reg",
         {"123", "ENABLE", "1.20", "1.30", "1.40", "106", "ENABLE", "1.30", "1.30", "1.30"},
         {
             {R"([D3D\AA Demo Key]"Previous Value")", {R"("0")", R"("4")"}},
             {R"([D3D\Alpha-Blending]"Previous Value")", {R"("1")", R"("3")"}},
             {R"([D3D\DualChipAASLI]"Previous Value")", {R"("1")", R"("2")"}},
             {R"([D3D]"SSTH3_SLI_AA_CONFIGURATION")", {R"("3")", R"("2")"}},
             {R"([Glide\DualChipAASLI]"Previous Value")", {R"("1")", R"("2")"}},
             {R"([Glide]"SSTH3_SLI_AA_CONFIGURATION")", {R"("3")", R"("2")"}},
             {R"([Glide\AA Demo Key]"Previous Value")", {R"("0")", R"("2")"}},
             {R"([Glide\Depth Precision (16 Bit)]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide\Depth Precision (16 Bit)]"Value")", {R"("1")", R"("2")"}},
             {R"([Glide\Guardband Clipping]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide\Maximum Buffered Frames]"Previous Value")", {kAbsent, R"("3")"}},
             {R"([D3D]"SSTH3_RGAMMA")", {kAbsent, R"("1.30")"}},
             {R"([D3D]"SSTH3_GGAMMA")", {kAbsent, R"("1.30")"}},
             {R"([D3D]"SSTH3_BGAMMA")", {kAbsent, R"("1.30")"}},
             {R"([D3D]"FX_GLIDE_LOD_BIAS")", {kAbsent, R"("-3")"}},
             {R"([D3D]"SSTH3_LOD_DITHER")", {kAbsent, R"("1")"}},
             {R"([D3D]"SSTH3_MAX_PENDING_BUFFERS")", {kAbsent, R"("6")"}},
             {R"([D3D]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
             {R"([D3D]"SSTH3_Z_CLEAR_OPTIMIZATION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GLIDE_ALLOC_COLOR")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GLIDE_BPP")", {kAbsent, R"("32")"}},
             {R"([Glide]"FX_GLIDE_LOD_BIAS")", {kAbsent, R"("-3")"}},
             {R"([Glide]"FX_GL_16BPP_ZPRECISION")", {kAbsent, R"("2")"}},
             {R"([Glide]"FX_GL_32BPP_ZPRECISION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_COMPRESS_LEGACY_TEXTURES")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_HSR")", {kAbsent, R"("4")"}},
             {R"([Glide]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([Glide]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
         },
         {"Glide\\AA Demo Key", "Glide\\Glide Splash Screen", "Glide\\Maximum Buffered Frames",
          "Glide\\DualChipAASLI", "D3D\\AA Demo Key", "D3D\\Alpha-Blending", "D3D\\DualChipAASLI",
          "Glide\\Guardband Clipping"}},
        {"boards/voodoo5_quad.reg",
         {"144", "DISABLE", "1.00", "1.00", "1.10", "65", "DISABLE", "1.10", "1.10", "1.10"},
         {
             {R"([D3D\3D Filter Quality]"Previous Value")", {R"("1")", R"("3")"}},
             {R"([D3D\Level Of Detail Bias]"Value")", {R"("-4")", R"("-3")"}},
             {R"([D3D\Level Of Detail Bias]"Previous Value")", {kAbsent, R"("-4")"}},
             {R"([D3D\QuadChipAASLI]"Previous Value")", {kAbsent, R"("2")"}},
             {R"([D3D]"SSTH3_SLI_AA_CONFIGURATION")", {R"("7")", R"("3")"}},
             {R"([Glide\Level Of Detail Bias]"Previous Value")", {R"("0")", R"("-3")"}},
             {R"([Glide\QuadChipAASLI]"Previous Value")", {R"("3")", R"("2")"}},
             {R"([Glide]"SSTH3_SLI_AA_CONFIGURATION")", {R"("7")", R"("3")"}},
             {R"([Glide\Rendering Color-depth]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide]"FX_GLIDE_BPP")", {R"("32")", R"("1")"}},
             {R"([Glide\Vertical Sync]"Previous Value")", {R"("0")", R"("1")"}},
             {R"([Glide\3D Filter Quality]"Previous Value")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GL_HSR")", {R"("3")", R"("4")"}},
             {R"([D3D]"FX_GLIDE_LOD_BIAS")", {kAbsent, R"("-3")"}},
             {R"([D3D]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([D3D]"SSTH3_LOD_DITHER")", {kAbsent, R"("1")"}},
             {R"([D3D]"SSTH3_MAX_PENDING_BUFFERS")", {kAbsent, R"("6")"}},
             {R"([D3D]"SSTH3_Z_CLEAR_OPTIMIZATION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GLIDE_ALLOC_COLOR")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GLIDE_LOD_DITHER")", {kAbsent, R"("1")"}},
             {R"([Glide]"FX_GLIDE_NO_SPLASH")", {kAbsent, R"("1")"}},
             {R"([Glide]"FX_GLIDE_SWAPPENDINGCOUNT")", {kAbsent, R"("3")"}},
             {R"([Glide]"FX_GL_16BPP_ZPRECISION")", {kAbsent, R"("2")"}},
             {R"([Glide]"FX_GL_32BPP_ZPRECISION")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_COMPRESS_LEGACY_TEXTURES")", {kAbsent, R"("0")"}},
             {R"([Glide]"FX_GL_GUARDBAND_ENABLED")", {kAbsent, R"("1")"}},
             {R"([Glide]"SSTH3_ALPHADITHERMODE")", {kAbsent, R"("3")"}},
             {R"([Glide]"SSTH3_OVERLAYMODE")", {kAbsent, R"("3")"}},
         },
         {"Glide\\Level Of Detail Bias", "Glide\\Rendering Color-depth", "Glide\\Vertical Sync",
          "Glide\\QuadChipAASLI", "D3D\\3D Filter Quality", "D3D\\QuadChipAASLI"}},
    };
    return trips;
}

// The key part of a snapshot entry: "[Glide\AA Demo Key]" of
// "[Glide\AA Demo Key]"Value"".
std::string KeyOf(const std::string& entry) { return entry.substr(0, entry.find(']') + 1); }

}  // namespace

TEST(PreviousSettingsRoundTrip, EachBoardGetsItsConfigurationBack) {
    ASSERT_EQ(BoardScenarios().size(), BoardRoundTrips().size());
    for (const BoardRoundTrip& expected : BoardRoundTrips()) {
        SCOPED_TRACE(expected.fixture);
        const auto board =
            std::find_if(BoardScenarios().begin(), BoardScenarios().end(),
                         [&](const BoardScenario& b) { return b.fixture == expected.fixture; });
        ASSERT_NE(board, BoardScenarios().end());
        MemoryRegistry memory;
        const RoundTrip trip = RunRoundTrip(memory, *board, EveryTweakChanged());
        ASSERT_EQ(trip.driver.DriverKey, board->driverKey);
        ASSERT_FALSE(trip.before.empty());
        EXPECT_EQ(trip.saved, expected.saved);
        EXPECT_NE(trip.during, trip.before);

        Changes changes;
        for (const auto& [entry, change] : Differences(trip.before, trip.after)) {
            // Sub-keys that only the apply created carry no "Tweak Value": the
            // restore leaves them as the game's bookkeeping.
            if (!trip.before.count(KeyOf(entry))) {
                EXPECT_EQ(trip.after.count(KeyOf(entry) + "\"Tweak Value\""), 0u) << entry;
                EXPECT_EQ(change.second, trip.during.at(entry)) << entry;
                continue;
            }
            changes[entry] = change;
        }
        EXPECT_EQ(changes, expected.changes) << DescribeDifferences(trip.before, trip.after);

        std::vector<std::string> exchanged;
        for (const std::string& write : trip.restoreWrites) {
            const std::string key = write.substr(0, write.rfind('\\'));
            const bool subKey = key.find('\\') != std::string::npos;
            if (subKey && std::find(exchanged.begin(), exchanged.end(), key) == exchanged.end()) {
                exchanged.push_back(key);
            }
        }
        EXPECT_EQ(exchanged, expected.exchanged);
    }
}
