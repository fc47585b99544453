#include "ui/game_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {
namespace {

using B = EditorBox;
using test::FakePrompts;
using test::TempDir;
using Strings = std::vector<std::string>;

// The editor's view for tests: answers the change-icon dialog and records the rest.
class FakeEditorHost : public GameEditorHost {
  public:
    std::optional<IconChoice> ChooseIcon(const std::string& file, int index) override {
        asked.push_back({file, index});
        return answer;
    }
    void FocusControl(EditorControl control) override { focused.push_back(control); }
    void StateChanged() override { ++changes; }

    std::optional<IconChoice> answer;
    std::vector<IconChoice> asked;
    std::vector<EditorControl> focused;
    int changes = 0;
};

// Keeps the request of the file dialog.
class RequestPrompts : public FakePrompts {
  public:
    std::optional<std::string> PromptOpenFile(const FileDialogRequest& r) override {
        request = r;
        return FakePrompts::PromptOpenFile(r);
    }
    FileDialogRequest request;
};

class GameEditorTest : public testing::Test {
  protected:
    GameEditorTest() { WriteSettings(""); }

    void WriteSettings(const std::string& program) {
        test::WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + program);
    }
    TfmGlide& Make() {
        editor = std::make_unique<TfmGlide>(GameEditorServices{dir.Path(), prompts, catalogue});
        editor->SetHost(&host);
        return *editor;
    }
    // A new game's values in a new editor.
    TfmGlide& MakeLoaded() {
        TfmGlide& e = Make();
        e.LoadSettings(ReadGameSettings(catalogue, ""));
        return e;
    }
    static TSettings Defaults() { return ReadGameSettings(IniFile("no such file"), ""); }

    TempDir dir;
    RequestPrompts prompts;
    IniFile catalogue{dir.File("Game.dat")};
    FakeEditorHost host;
    std::unique_ptr<TfmGlide> editor;
};

TEST_F(GameEditorTest, NewEntryShowsEveryDefaultAndLockedGamma) {
    TfmGlide& e = MakeLoaded();
    for (EditorBox box : EditorBoxes()) {
        SCOPED_TRACE(std::string(BoxName(box)));
        EXPECT_TRUE(SameText(e.Box(box).Text(), TweakOf(FieldOf(box)).Default));
        EXPECT_EQ(LabelOf(box), TweakOf(FieldOf(box)).Label);
    }
    for (const TCustomSlider* slider : {&e.slRGamma, &e.slGGamma, &e.slBGamma}) {
        EXPECT_EQ(slider->Value() + slider->MinValue() + slider->MaxValue(), 130 + 10 + 400);
    }
    EXPECT_EQ(e.lblRGamma + e.lblGGamma + e.lblBGamma, "1.301.301.30");
    EXPECT_EQ(e.slGGamma.Increment() * 10 + e.slRGamma.Increment() + e.slBGamma.Increment(), 102);
    EXPECT_EQ(e.slRGamma.Options(), soShowFocus | soSmooth);
    EXPECT_EQ(e.slBGamma.Options(), soShowFocus);
    EXPECT_TRUE(e.chkLockGammaSliders.Checked);
}

TEST_F(GameEditorTest, StoredTextsSelectTheirItemOrTheFallback) {
    using T = TweakField;
    struct Case {
        TweakField field;
        std::string stored, board, shown;  // board: its multi-chip mode
    };
    const Case cases[] = {
        {T::Splash, "ENABLE", "", "Enable"},
        {T::Splash, "Maybe", "", "Enable"},
        {T::TripleBuffering, "Maybe", "", "Enable"},
        {T::MaxBufferedFrames, "4 Pending Buffers", "", "No Pending Buffers"},
        {T::D3DMaxBufferedFrames, "?", "", "Default"},
        {T::glAAToggle, "?", "", "Num-Lock"},
        {T::D3DAAToggle, "?", "", "Ctrl-Alt-A"},
        {T::AlphaBlending, "sharper", "", "Sharper"},
        {T::LODBias, "0.25", "", "0.25"},
        {T::LODBias, "7", "", "-2"},
        {T::AA, "4 Sample Anti-Aliasing", "SingleChipAASLI", "Fastest Performance"},
        {T::AA, "8 sample anti-aliasing", "QuadChipAASLI", "8 Sample Anti-Aliasing"},
        {T::AA, "8 Sample Anti-Aliasing", "", "Single Chip Only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TfmGlide& e = Make();
        if (!c.board.empty()) e.SetAntiAliasingItems(AntiAliasingItems(c.board));
        TSettings settings = Defaults();
        settings[c.field] = c.stored;
        e.LoadSettings(settings);
        int boxes = 0;  // a shared value shows in a box on each tab
        for (EditorBox box : EditorBoxes()) {
            if (FieldOf(box) != c.field) continue;
            EXPECT_EQ(e.Box(box).Text(), c.shown) << BoxName(box);
            ++boxes;
        }
        EXPECT_EQ(boxes,
                  c.field == T::AlphaBlending || c.field == T::LODBias || c.field == T::AA ? 2 : 1);
    }
}

TEST_F(GameEditorTest, GammaTextsSetTheSlidersAndTheLock) {
    struct Case {
        std::string r, g, b;
        std::vector<int> positions;
        bool locked;
    };
    const Case cases[] = {
        {"1.50", "1.50", "1.50", {150, 150, 150}, true},
        {"1.2", "1.3", "1.4", {120, 130, 140}, false},
        {"0.05", "9", "1.3", {10, 400, 130}, false},  // clamped to the range
        {"1.15", "1.15", "1.15", {115, 115, 115}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.r + " " + c.g + " " + c.b);
        TfmGlide& e = Make();
        TSettings settings = Defaults();
        settings.RGamma = c.r;
        settings.GGamma = c.g;
        settings.BGamma = c.b;
        e.LoadSettings(settings);
        EXPECT_EQ(std::vector<int>({e.slRGamma.Value(), e.slGGamma.Value(), e.slBGamma.Value()}),
                  c.positions);
        EXPECT_EQ(e.lblGGamma, FormatFloat00(c.positions[1] / 100.0));
        EXPECT_EQ(e.chkLockGammaSliders.Checked, c.locked);
    }
    for (const char* bad : {"1.305", "abc", ""}) {
        SCOPED_TRACE(bad);
        TfmGlide& e = Make();
        TSettings settings = Defaults();
        settings.GGamma = bad;
        EXPECT_THROW(e.LoadSettings(settings), ConvertError);
    }
}

TEST_F(GameEditorTest, LockedSlidersFollowEachOtherAndEqualValuesLock) {
    TfmGlide& e = MakeLoaded();
    ASSERT_TRUE(e.chkLockGammaSliders.Checked);
    host.changes = 0;
    e.slRGamma.SetValue(200);  // as the user moves it
    EXPECT_EQ(std::vector<int>({e.slRGamma.Value(), e.slGGamma.Value(), e.slBGamma.Value()}),
              std::vector<int>({200, 200, 200}));
    EXPECT_EQ(Strings({e.lblRGamma, e.lblGGamma, e.lblBGamma}), Strings(3, "2.00"));
    EXPECT_EQ(host.changes, 1);  // one redraw for the whole cascade

    e.chkLockGammaSliders.Checked = false;
    e.chkLockGammaSlidersClick();
    e.slBGamma.SetValue(140);
    e.slRGamma.SetValue(130);
    e.slGGamma.SetValue(130);
    EXPECT_FALSE(e.chkLockGammaSliders.Checked);
    EXPECT_EQ(e.slBGamma.Value(), 140);
    e.slBGamma.SetValue(130);
    EXPECT_TRUE(e.chkLockGammaSliders.Checked);

    e.chkLockGammaSliders.Checked = false;
    e.slRGamma.SetValue(10);
    EXPECT_EQ(e.lblRGamma, "0.10");
    e.btnDefaultGammaClick();
    EXPECT_EQ(std::vector<int>({e.slRGamma.Value(), e.slGGamma.Value(), e.slBGamma.Value()}),
              std::vector<int>({130, 130, 130}));
    EXPECT_EQ(e.lblRGamma, "1.30");
    EXPECT_TRUE(e.chkLockGammaSliders.Checked);
}

TEST_F(GameEditorTest, LevelOfDetailListsFollowTheProgramSettings) {
    const Strings defaults = {"-2",   "-1.75", "-1.5", "-1.25", "-1",  "-0.75",
                              "-0.5", "-0.25", "0",    "0.25",  "0.5", "0.75",
                              "1",    "1.25",  "1.5",  "1.75",  "2"};
    struct Case {
        std::string settings;
        Strings items;
    };
    const Case cases[] = {
        {"", defaults},
        {"LODLowRange=-1\r\nLODHighRange=0.5\r\n",
         {"-1", "-0.75", "-0.5", "-0.25", "0", "0.25", "0.5"}},
        {"LODLowRange=-1\r\nLODHighRange=high\r\n", defaults},
        {"LODLowRange=1,5\r\n", defaults},
        {"LODLowRange=-2\r\nLODHighRange=-3\r\n", {}},
        // Quarter steps rounded, halves to the even neighbour: 0.125 * 4 = 0.5 -> 0,
        // 0.375 * 4 = 1.5 -> 2.
        {"LODLowRange=0.125\r\nLODHighRange=0.375\r\n", {"0", "0.25", "0.5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteSettings(c.settings);
        TfmGlide& e = Make();
        EXPECT_EQ(e.Box(B::cbxGlideLODBias).Items, c.items);
        EXPECT_EQ(e.Box(B::cbxD3DLODBias).Items, c.items);
    }
}

TEST_F(GameEditorTest, UserChangesClearPresetsAndMoveLinkedBoxes) {
    struct Case {
        EditorBox box;
        int index;
        bool clearsGlide;
        bool clearsD3D;
        std::optional<EditorBox> linked;
    };
    const Case cases[] = {
        {B::cbxGlideSplash, 1, true, false, {}},
        {B::cbxGlideAntiAliasing, 3, true, false, B::cbxD3DAntiAliasing},
        {B::cbxGlideMIPMapDithering, 0, true, false, B::cbxD3DMIPMapDithering},
        {B::cbxGlide32BPPDepth, 2, false, false, {}},
        {B::cbxGlideVSynch, 1, false, false, {}},
        {B::cbxD3DMaxBufferedFrames, 4, true, false, {}},
        {B::cbxD3DZBuffer, 1, false, true, {}},
        {B::cbxD3DLODBias, 2, false, true, B::cbxGlideLODBias},
        {B::cbxD3DFSAAToggleKey, 1, false, false, {}},
    };
    // The same values, untouched.
    TfmGlide before(GameEditorServices{dir.Path(), prompts, catalogue});
    before.LoadSettings(Defaults());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(BoxName(c.box)));
        TfmGlide& e = MakeLoaded();
        e.cbxGlidePresets.Items = e.cbxD3DPresets.Items = {"a", "b"};
        e.cbxGlidePresets.ItemIndex = e.cbxD3DPresets.ItemIndex = 1;
        e.Box(c.box).ItemIndex = c.index;
        e.BoxChange(c.box);
        EXPECT_EQ(e.cbxGlidePresets.ItemIndex, c.clearsGlide ? -1 : 1);
        EXPECT_EQ(e.cbxD3DPresets.ItemIndex, c.clearsD3D ? -1 : 1);
        for (EditorBox other : EditorBoxes()) {
            if (other == c.box) continue;
            const int expected = other == c.linked ? c.index : before.Box(other).ItemIndex;
            EXPECT_EQ(e.Box(other).ItemIndex, expected) << BoxName(other);
        }
    }
}

TEST_F(GameEditorTest, RunModesExcludeEachOther) {
    TfmGlide& e = Make();
    e.chkConfig.Checked = true;
    e.chkConfigClick();
    EXPECT_FALSE(e.edPath.Enabled || e.edCommandLine.Enabled || e.chkGameOnly.Enabled);
    e.chkConfig.Checked = false;
    e.chkConfigClick();
    EXPECT_TRUE(e.edPath.Enabled && e.edCommandLine.Enabled && e.chkGameOnly.Enabled);

    e.chkGameOnly.Checked = true;
    e.chkGameOnlyClick();
    EXPECT_FALSE(e.chkConfig.Enabled);
    for (EditorTab tab : {EditorTab::Properties, EditorTab::GlideSettings,
                          EditorTab::Direct3DSettings, EditorTab::Gamma}) {
        EXPECT_EQ(e.TabVisible(tab), tab == EditorTab::Properties) << TabCaption(tab);
    }
    e.chkGameOnly.Checked = false;
    e.chkGameOnlyClick();
    EXPECT_TRUE(e.chkConfig.Enabled && e.TabVisible(EditorTab::Gamma));

    // An entry stored with both modes (as Edit opens it) can still be set right.
    e.chkConfig.Checked = true;
    e.chkConfigClick();
    e.chkGameOnly.Checked = true;
    e.chkGameOnlyClick();
    EXPECT_TRUE(e.chkConfig.Enabled && e.chkGameOnly.Enabled);
    e.chkGameOnly.Checked = false;
    e.chkGameOnlyClick();
    EXPECT_FALSE(e.chkGameOnly.Enabled);
}

TEST_F(GameEditorTest, Voodoo3HidesItsMissingFeaturesButKeepsTheirValues) {
    TfmGlide& e = Make();
    e.ReduceForVoodoo3();
    e.LoadSettings(Defaults());
    EXPECT_TRUE(e.ReducedForVoodoo3());
    Strings hidden;
    for (EditorBox box : EditorBoxes()) {
        if (!e.Box(box).Visible) hidden.emplace_back(BoxName(box));
    }
    EXPECT_EQ(hidden,
              Strings({"cbxGlideRenderingColorDepth", "cbxGlideAntiAliasing",
                       "cbxGlideFSAAToggleKey", "cbxGlide16BPPDepth", "cbxGlide32BPPDepth",
                       "cbxGlideHSR", "cbxGlideGuardbandClipping", "cbxD3DAntiAliasing",
                       "cbxD3DFSAAToggleKey", "cbxD3DMaxBufferedFrames", "cbxD3DMIPMapDithering"}));
    EXPECT_EQ(e.SettingsInput().Combos.at("glHSR"), "Disable");
}

TEST_F(GameEditorTest, IconComesFromItsTextTheBrowsedProgramOrTheIconDialog) {
    const std::string exe = dir.File("game.exe");
    test::WriteFileBytes(exe, test::MakePeFile(test::NumberedGroups(3)));
    struct Case {
        std::string text, file;
        int index;
        std::optional<IconRef> shown;
    };
    const Case cases[] = {
        {exe + ",1", exe, 1, IconRef{exe, 1}},
        {exe + ",7", exe, 7, IconRef{exe, 2}},  // shown clamped, kept as stored
        {"C:\\missing.exe,4", "C:\\missing.exe", 4, std::nullopt},
        {"3", "", 3, std::nullopt},  // no comma: all of it is the number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TfmGlide& e = Make();
        e.SetIconText(c.text);
        e.SetIconText("");  // changes nothing
        EXPECT_EQ(e.IconFile + "|" + std::to_string(e.IconIndex),
                  c.file + "|" + std::to_string(c.index));
        EXPECT_EQ(e.ShownIcon(), c.shown);
        EXPECT_THROW(e.SetIconText(exe + ",x"), ConvertError);
    }

    // Typing a path keeps the icon; browsing (in the typed path's folder) takes the
    // program's first icon.
    TfmGlide& e = Make();
    e.SetIconText(exe + ",2");
    e.edPath.Text = dir.File("old.exe");
    prompts.texts = {std::nullopt, exe};
    e.btnEdPathClick();  // cancelled
    EXPECT_EQ(e.edPath.Text + "|" + std::to_string(e.IconIndex), dir.File("old.exe") + "|2");
    EXPECT_EQ(prompts.request.Filter, "Executables (*.exe)|*.exe|All Files (*.*)|*.*");
    EXPECT_EQ(prompts.request.InitialDir, dir.Path());
    e.btnEdPathClick();
    EXPECT_EQ(e.edPath.Text, exe);
    EXPECT_EQ(e.ShownIcon(), (IconRef{exe, 0}));

    // The change-icon dialog starts on the current icon; Cancel keeps it.
    host.answer = std::nullopt;
    e.btnChangeIconClick();
    host.answer = IconChoice{exe, 1};
    e.btnChangeIconClick();
    EXPECT_EQ(host.asked, std::vector<IconChoice>({{exe, 0}, {exe, 0}}));
    EXPECT_EQ(e.ShownIcon(), (IconRef{exe, 1}));
    EXPECT_EQ(e.IconIndex, 1);
}

TEST_F(GameEditorTest, OkChecksTitleAndPathThenWritesTheEntrysOwnKeys) {
    test::WriteFileBytes(dir.File("Game.dat"), "[Other]\r\nRun=C:\\o.exe\r\n");
    struct Case {
        std::string title, path;
        bool configOnly;
        std::string message;  // empty: accepted
        std::optional<EditorControl> focus;
    };
    const Case cases[] = {
        {"", "C:\\g.exe", false, "Title cannot be empty!", EditorControl::edTitle},
        {"Game", "", false, "Path cannot be empty!", EditorControl::edPath},
        {"OTHER", "C:\\g.exe", false,
         "A game titled \"OTHER\" already exists. Please choose another title.",
         EditorControl::edTitle},
        {"Game", "", true, "", {}},
        {"Game", "C:\\g.exe", false, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + "|" + c.path);
        catalogue.EraseSection("Game");
        prompts.shown.clear();
        host.focused.clear();
        TfmGlide& e = Make();
        e.OldTitle = "Game";
        e.edTitle.Text = c.title;
        e.edPath.Text = c.path;
        e.edCommandLine.Text = "-fast";
        e.chkConfig.Checked = c.configOnly;
        EXPECT_EQ(e.btnOKClick(), c.message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(prompts.shown,
                      (std::vector<FakePrompts::Prompt>{{"Information", c.message}}));
            EXPECT_EQ(host.focused, std::vector<EditorControl>{*c.focus});
            EXPECT_FALSE(catalogue.SectionExists("Game"));
            continue;
        }
        EXPECT_EQ(catalogue.ReadSection("Game"),
                  Strings({"IconName", "Params", "Run", "GameOnly"}));
        EXPECT_EQ(catalogue.ReadString("Game", "Run", ""), c.configOnly ? "INTERNAL" : c.path);
        EXPECT_EQ(catalogue.ReadString("Game", "IconName", ""), ",0");
        EXPECT_EQ(catalogue.ReadString("Game", "Params", ""), "-fast");
        EXPECT_EQ(catalogue.ReadString("Game", "GameOnly", ""), "0");
    }
}

}  // namespace
}  // namespace pallisar
