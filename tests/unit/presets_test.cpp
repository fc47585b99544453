#include "ui/presets.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "support/fake_prompts.h"
#include "support/temp_dir.h"
#include "tweaks/tweak_catalogue.h"
#include "ui/game_editor.h"

namespace pallisar {
namespace {

using B = EditorBox;
using test::FakePrompts;
using test::TempDir;
using Strings = std::vector<std::string>;

class PresetsTest : public testing::Test {
  protected:
    void WriteSettings(const std::string& text) {
        test::WriteFileBytes(dir.File("settings.cfg"), text);
    }
    TfmGlide& Make() {
        editor = std::make_unique<TfmGlide>(GameEditorServices{dir.Path(), prompts, catalogue});
        editor->LoadSettings(ReadGameSettings(catalogue, ""));
        return *editor;
    }
    IniFile Settings() const { return IniFile(dir.File("settings.cfg")); }
    static Strings Lists(const TfmGlide& e) {
        EXPECT_EQ(e.cbxGlidePresets.Items, e.cbxD3DPresets.Items);
        EXPECT_EQ(e.cbxGlidePresets.ItemIndex, e.cbxD3DPresets.ItemIndex);
        return e.cbxGlidePresets.Items;
    }

    TempDir dir;
    FakePrompts prompts;
    IniFile catalogue{dir.File("Game.dat")};
    std::unique_ptr<TfmGlide> editor;
};

TEST_F(PresetsTest, ListedSortedThenDeletedInFileOrderThenSavedSorted) {
    WriteSettings(
        "[Program]\r\nVersion=1.01\r\n[quake]\r\nSplash=Disable\r\n[Descent]\r\nSplash=Enable\r\n"
        "[alpha]\r\nAA=x\r\n");
    TfmGlide& e = Make();
    EXPECT_EQ(Lists(e), Strings({"alpha", "Descent", "quake"}));
    EXPECT_EQ(e.cbxGlidePresets.ItemIndex, -1);

    // Nothing is chosen in the Glide/OpenGL box: delete does nothing.
    e.btnDeletePresetD3DClick();
    EXPECT_TRUE(prompts.shown.empty());

    e.cbxGlidePresets.ItemIndex = 1;
    e.cbxGlidePresetsChange();
    prompts.answers = {false, true};
    e.btnDeletePresetD3DClick();
    EXPECT_EQ(Lists(e), Strings({"alpha", "Descent", "quake"}));
    e.btnDeletePresetD3DClick();
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(
                  2, {"Confirm", "Are you sure you want to delete the preset \"Descent\"?"})));
    EXPECT_EQ(Lists(e), Strings({"quake", "alpha"}));  // as the file holds them
    EXPECT_EQ(e.cbxGlidePresets.ItemIndex, -1);
    EXPECT_EQ(Settings().ReadSections(), Strings({"Program", "quake", "alpha"}));

    // Used names (in any case, Program too), empty ones and ones the file cannot hold
    // as a section name are asked for again.
    prompts.shown.clear();
    prompts.texts = {"program", "QUAKE", "", " Zed", "Zed ", "Z]ed", "Zed"};
    e.btnSavePresetD3DClick();
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(7, {"Input", "Save Preset As...|Name|"})));
    EXPECT_EQ(Lists(e), Strings({"alpha", "quake", "Zed"}));
    EXPECT_EQ(e.cbxGlidePresets.Text(), "Zed");

    // Cancel writes nothing.
    e.btnSavePresetD3DClick();
    EXPECT_EQ(Settings().ReadSections(), Strings({"Program", "quake", "alpha", "Zed"}));
}

TEST_F(PresetsTest, SavedPresetComesBackWithBothVSynchChoices) {
    WriteSettings("[Program]\r\n");
    TfmGlide& e = Make();
    // Every box on its last item, so that no value is a default.
    for (EditorBox box : EditorBoxes()) {
        e.Box(box).ItemIndex = static_cast<int>(e.Box(box).Items.size()) - 1;
    }
    e.chkLockGammaSliders.Checked = false;
    e.slRGamma.SetValue(150);
    prompts.texts = {"Mine"};
    e.btnSavePresetD3DClick();

    const IniFile settings = Settings();
    EXPECT_EQ(settings.ReadSection("Mine"),
              Strings({"Splash", "TextureCompression", "AlphaBlending", "TDFilterQuality", "MIPMap",
                       "TripleBuffering", "ColorDepth", "MaxBufferedFrames", "AA", "LODBias",
                       "ZBuffer", "glAAToggle", "D3DAAToggle", "VSynch", "D3DVSynch"}));
    EXPECT_EQ(settings.ReadString("Mine", "LODBias", ""), "2");
    EXPECT_EQ(settings.ReadString("Mine", "D3DVSynch", ""), "Disable");

    TfmGlide& chosen = Make();
    chosen.cbxD3DPresets.ItemIndex = 0;
    chosen.cbxGlidePresetsChange(true);
    EXPECT_EQ(chosen.cbxGlidePresets.ItemIndex, 0);
    EXPECT_EQ(chosen.cbxD3DPresets.ItemIndex, 0);  // choosing is no change of a tweak box
    // What the boxes of the values a preset does not hold show.
    const std::map<EditorBox, std::string> unsaved = {
        {B::cbxGlide16BPPDepth, "Fast"},       {B::cbxGlide32BPPDepth, "Fast"},
        {B::cbxGlideHSR, "Disable"},           {B::cbxGlideGuardbandClipping, "Disable"},
        {B::cbxD3DMIPMapDithering, "Disable"}, {B::cbxD3DMaxBufferedFrames, "Default"}};
    for (EditorBox box : EditorBoxes()) {
        const std::string key(TweakOf(FieldOf(box)).Key);
        SCOPED_TRACE(key);
        const auto missing = unsaved.find(box);
        EXPECT_EQ(settings.ValueExists("Mine", key), missing == unsaved.end());
        EXPECT_EQ(chosen.Box(box).Text(), missing == unsaved.end()
                                              ? settings.ReadString("Mine", key, "")
                                              : missing->second);
    }
    // No gamma in the preset: 1.30 on all three, locked.
    EXPECT_EQ(chosen.slRGamma.Value(), 130);
    EXPECT_TRUE(chosen.chkLockGammaSliders.Checked);
}

TEST_F(PresetsTest, MissingKeysShowTheirFallbacksAndGammaTextsDecideTheLock) {
    WriteSettings(
        "[Program]\r\n[Even]\r\nRGamma=1.50\r\nGGamma=1.5\r\nBGamma=1.50\r\n"
        "[Mixed]\r\nRGamma=1.2\r\nGGamma=1.3\r\nBGamma=1.4\r\nVSynch=disable\r\n"
        "[Same]\r\nRGamma=2.00\r\nGGamma=2.00\r\nBGamma=2.00\r\n");
    TfmGlide& e = Make();
    ASSERT_EQ(Lists(e), Strings({"Even", "Mixed", "Same"}));
    struct Case {
        int preset;
        std::vector<int> positions;
        bool locked;
    };
    // Mixed first, with the lock checked by the new game's equal values: the texts
    // uncheck it, and the sliders do not pull each other.
    const Case cases[] = {
        {1, {120, 130, 140}, false}, {0, {150, 150, 150}, true}, {2, {200, 200, 200}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        e.cbxGlidePresets.ItemIndex = c.preset;
        e.cbxGlidePresetsChange();
        EXPECT_EQ(std::vector<int>({e.slRGamma.Value(), e.slGGamma.Value(), e.slBGamma.Value()}),
                  c.positions);
        EXPECT_EQ(e.chkLockGammaSliders.Checked, c.locked);
        EXPECT_EQ(e.cbxD3DPresets.ItemIndex, c.preset);
        const std::pair<EditorBox, std::string> shown[] = {
            {B::cbxGlideTripleBuffering, "Enable"},
            {B::cbxD3DMaxBufferedFrames, "Default"},
            {B::cbxGlideMaxBufferedFrames, "1 Pending Buffer"},
            {B::cbxGlideAntiAliasing, "Single Chip Only"},
            {B::cbxD3DLODBias, "-2"},
            {B::cbxGlideFSAAToggleKey, "Disable"},
            {B::cbxD3DFSAAToggleKey, "Disable"},
            {B::cbxGlideVSynch, c.preset == 1 ? "Disable" : "Enable"},
            {B::cbxD3DVsynch, "Enable"},
        };
        for (const auto& [box, text] : shown) EXPECT_EQ(e.Box(box).Text(), text) << BoxName(box);
    }

    // A changed Splash box clears the Glide/OpenGL preset box only; delete then does
    // nothing although the Direct3D box shows the preset.
    e.Box(B::cbxGlideSplash).ItemIndex = 1;
    e.BoxChange(B::cbxGlideSplash);
    EXPECT_EQ(e.cbxGlidePresets.Text(), "");
    EXPECT_EQ(e.cbxD3DPresets.Text(), "Same");
    prompts.answers = {true};
    e.btnDeletePresetD3DClick();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(e.cbxGlidePresets.Items.size(), 3u);
}

}  // namespace
}  // namespace pallisar
