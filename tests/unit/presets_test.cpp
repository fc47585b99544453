#include "ui/presets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/file_replace.h"
#include "support/fake_prompts.h"
#include "support/temp_dir.h"
#include "tweaks/tweak_catalogue.h"
#include "ui/game_editor.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using Strings = std::vector<std::string>;

// The preset boxes of both tabs, which always agree.
Strings Lists(const TfmGlide& e) {
    EXPECT_EQ(e.cbxGlidePresets.ItemIndex, e.cbxD3DPresets.ItemIndex);
    EXPECT_EQ(e.cbxGlidePresets.Items, e.cbxD3DPresets.Items);
    return e.cbxGlidePresets.Items;
}

TEST(PresetsTest, ListedSortedDeletedInFileOrderSavedSortedAndChosenBack) {
    test::TempDir dir;
    FakePrompts prompts;
    IniFile catalogue(dir.File("Game.dat"));
    test::WriteFileBytes(dir.File("settings.cfg"),
                         "[Program]\r\n[quake]\r\nSplash=Disable\r\n[Descent]\r\nSplash=Enable\r\n"
                         "[alpha]\r\nAA=x\r\n");
    const auto make = [&] {
        auto e = std::make_unique<TfmGlide>(GameEditorServices{dir.Path(), prompts, catalogue});
        e->LoadSettings(ReadGameSettings(catalogue, ""));
        return e;
    };
    const auto e = make();
    EXPECT_EQ(Lists(*e), Strings({"alpha", "Descent", "quake"}));

    e->cbxGlidePresets.ItemIndex = 1;
    e->cbxGlidePresetsChange();
    prompts.answers = {false, true};
    e->btnDeletePresetD3DClick();
    EXPECT_EQ(Lists(*e).size(), 3u);
    e->btnDeletePresetD3DClick();
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(
                  2, {"Confirm", "Are you sure you want to delete the preset \"Descent\"?"})));
    EXPECT_EQ(Lists(*e), Strings({"quake", "alpha"}));  // as the file holds them

    // Every box on its last item, so that no value is a default. Used names (in any
    // case, Program too), empty ones and ones the file cannot hold as a section name
    // are asked for again.
    for (EditorBox box : EditorBoxes()) {
        e->Box(box).ItemIndex = static_cast<int>(e->Box(box).Items.size()) - 1;
    }
    prompts.shown.clear();
    prompts.texts = {"program", "QUAKE", "", " Zed", "Zed ", "Z]ed", "Zed"};
    e->btnSavePresetD3DClick();
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(7, {"Input", "Save Preset As...|Name|"})));
    EXPECT_EQ(Lists(*e), Strings({"alpha", "quake", "Zed"}));
    EXPECT_EQ(e->cbxGlidePresets.Text(), "Zed");
    const IniFile settings(dir.File("settings.cfg"));
    EXPECT_EQ(settings.ReadSections(), Strings({"Program", "quake", "alpha", "Zed"}));
    EXPECT_EQ(settings.ReadSection("Zed"),
              Strings({"Splash", "TextureCompression", "AlphaBlending", "TDFilterQuality", "MIPMap",
                       "TripleBuffering", "ColorDepth", "MaxBufferedFrames", "AA", "LODBias",
                       "ZBuffer", "glAAToggle", "D3DAAToggle", "VSynch", "D3DVSynch"}));
    EXPECT_EQ(settings.ReadString("Zed", "D3DVSynch", ""), "Disable");

    // Chosen in a new editor (from the Direct3D box), the saved values come back.
    const auto chosen = make();
    chosen->cbxD3DPresets.ItemIndex = 2;
    chosen->cbxGlidePresetsChange(true);
    EXPECT_EQ(chosen->cbxGlidePresets.ItemIndex, 2);
    for (EditorBox box : EditorBoxes()) {
        const std::string key(TweakOf(box.Field).Key);
        if (!settings.ValueExists("Zed", key)) continue;
        EXPECT_EQ(chosen->Box(box).Text(), settings.ReadString("Zed", key, "")) << key;
        EXPECT_EQ(chosen->Box(box).Text(), e->Box(box).Text()) << key;
    }
}

// A preset is one replacement of settings.cfg: a write refused at any of the first
// replacements leaves the file as it was (with the error shown), never a part of the
// preset, whose name would then be taken.
TEST(PresetsTest, ASaveRefusedHalfWayLeavesSettingsAsTheyWere) {
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(failing);
        test::TempDir dir;
        FakePrompts prompts;
        IniFile catalogue(dir.File("Game.dat"));
        const std::string before = "[Program]\r\nVersion=1.01\r\n[quake]\r\nSplash=Disable\r\n";
        test::WriteFileBytes(dir.File("settings.cfg"), before);
        TfmGlide e(GameEditorServices{dir.Path(), prompts, catalogue});
        e.LoadSettings(ReadGameSettings(catalogue, ""));
        int replacements = 0;
        InjectFileReplaceFailures([&](ReplaceStep step) {
            return step == ReplaceStep::Flushed && ++replacements == failing
                       ? InjectedFailure::NextCall
                       : InjectedFailure::None;
        });
        prompts.texts = {"Zed"};
        if (failing == 1) {
            EXPECT_THROW(e.btnSavePresetD3DClick(), FileWriteError);
        } else {
            e.btnSavePresetD3DClick();
        }
        InjectFileReplaceFailures({});
        if (failing == 1) {
            EXPECT_EQ(test::ReadFileBytes(dir.File("settings.cfg")), before);
        } else {
            EXPECT_EQ(IniFile(dir.File("settings.cfg")).ReadSection("Zed").size(), 15u);
        }
    }
}

}  // namespace
}  // namespace pallisar
