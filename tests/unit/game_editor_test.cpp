#include "ui/game_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {
namespace {

using F = TweakField;
constexpr EditorBox Glide(TweakField field) { return {field, TweakTab::Glide}; }
constexpr EditorBox D3D(TweakField field) { return {field, TweakTab::Direct3D}; }
using test::FakePrompts;
using Strings = std::vector<std::string>;

class FakeEditorHost : public GameEditorHost {
  public:
    std::optional<IconChoice> ChooseIcon(const std::string&, int) override { return chosen; }
    std::optional<IconChoice> chosen;
    void FocusControl(EditorControl control) override { focused.push_back(control); }
    void StateChanged() override { ++changes; }
    std::vector<EditorControl> focused;
    int changes = 0;
};

class GameEditorTest : public testing::Test {
  protected:
    GameEditorTest() { WriteSettings(""); }
    void WriteSettings(const std::string& program) {
        test::WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + program);
    }
    // A new editor showing `settings` (a new game's values when not given).
    TfmGlide& Make(std::optional<TSettings> settings = {}, const std::string& board = "") {
        editor = std::make_unique<TfmGlide>(GameEditorServices{dir.Path(), prompts, catalogue});
        editor->SetHost(&host);
        if (!board.empty()) editor->SetAntiAliasingItems(AntiAliasingItems(board));
        editor->LoadSettings(settings ? *settings : Defaults());
        return *editor;
    }
    static TSettings Defaults() { return ReadGameSettings(IniFile("no such file"), ""); }

    test::TempDir dir;
    FakePrompts prompts;
    IniFile catalogue{dir.File("Game.dat")};
    FakeEditorHost host;
    std::unique_ptr<TfmGlide> editor;
};

TEST_F(GameEditorTest, StoredTextsSelectTheirItemOrTheFallbackInEachSharedBox) {
    using T = TweakField;
    struct Case {
        TweakField field;
        std::string stored, board, shown;  // board: its multi-chip mode
    };
    const Case cases[] = {
        {T::Splash, "Maybe", "", "Enable"},
        {T::MaxBufferedFrames, "4 Pending Buffers", "", "No Pending Buffers"},
        {T::glAAToggle, "?", "", "Num-Lock"},
        {T::AlphaBlending, "sharper", "", "Sharper"},
        {T::LODBias, "0.25", "", "0.25"},
        {T::LODBias, "7", "", "-2"},
        {T::AA, "4 Sample Anti-Aliasing", "SingleChipAASLI", "Fastest Performance"},
        {T::AA, "8 sample anti-aliasing", "QuadChipAASLI", "8 Sample Anti-Aliasing"},
        {T::AA, "8 Sample Anti-Aliasing", "", "Single Chip Only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TSettings settings = Defaults();
        settings[c.field] = c.stored;
        TfmGlide& e = Make(settings, c.board);
        for (EditorBox box : EditorBoxes()) {  // a shared value shows on both tabs
            EXPECT_EQ(box.Field == c.field ? e.Box(box).Text() : c.shown, c.shown) << BoxName(box);
        }
    }
}

TEST_F(GameEditorTest, LockedGammaSlidersFollowEachOtherOnce) {
    // Locked: one slider moves all three, with one redraw, and the cascade ends.
    TfmGlide& e = Make();
    host.changes = 0;
    e.slRGamma.SetValue(200);
    EXPECT_EQ(e.slGGamma.Value() + e.slBGamma.Value(), 400);
    EXPECT_EQ(e.lblRGamma + e.lblGGamma + e.lblBGamma, "2.002.002.00");
    EXPECT_EQ(host.changes, 1);
    // Unlocked: the sliders move alone until all three are equal again.
    e.chkLockGammaSliders.Checked = false;
    e.chkLockGammaSlidersClick();
    e.slBGamma.SetValue(140);
    EXPECT_EQ(e.lblRGamma + e.lblGGamma + e.lblBGamma, "2.002.001.40");
    EXPECT_FALSE(e.chkLockGammaSliders.Checked);
    e.slBGamma.SetValue(200);
    EXPECT_TRUE(e.chkLockGammaSliders.Checked);
}

TEST_F(GameEditorTest, LevelOfDetailListsFollowTheProgramSettings) {
    const Strings all = {"-2",   "-1.75", "-1.5", "-1.25", "-1",   "-0.75", "-0.5", "-0.25", "0",
                         "0.25", "0.5",   "0.75", "1",     "1.25", "1.5",   "1.75", "2"};
    const std::pair<std::string, Strings> cases[] = {
        {"LODLowRange=-1\r\nLODHighRange=0.5\r\n",
         {"-1", "-0.75", "-0.5", "-0.25", "0", "0.25", "0.5"}},
        {"LODLowRange=-1\r\nLODHighRange=high\r\n", all},
        {"LODLowRange=-2\r\nLODHighRange=-3\r\n", {}},
    };
    for (const auto& [settings, items] : cases) {
        SCOPED_TRACE(settings);
        WriteSettings(settings);
        TfmGlide& e = Make();
        EXPECT_EQ(e.Box(Glide(F::LODBias)).Items, items);
        EXPECT_EQ(e.Box(D3D(F::LODBias)).Items, items);
    }
}

TEST_F(GameEditorTest, OnlyUserChangesClearPresetsAndMoveLinkedBoxes) {
    struct Case {
        EditorBox box;
        int index;
        bool clearsGlide, clearsD3D;
        std::optional<EditorBox> linked;
    };
    const Case cases[] = {
        {Glide(F::Splash), 1, true, false, {}},
        {Glide(F::AA), 3, true, false, D3D(F::AA)},
        {Glide(F::MIPMap), 0, true, false, D3D(F::D3DMIPMap)},
        {Glide(F::VSynch), 1, false, false, {}},
        {D3D(F::D3DMaxBufferedFrames), 4, true, false, {}},
        {D3D(F::ZBuffer), 1, false, true, {}},
        {D3D(F::LODBias), 2, false, true, Glide(F::LODBias)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(BoxName(c.box)));
        TfmGlide before(GameEditorServices{dir.Path(), prompts, catalogue});
        before.LoadSettings(Defaults());
        TfmGlide& e = Make();
        e.cbxGlidePresets.Items = e.cbxD3DPresets.Items = {"a", "b"};
        e.cbxGlidePresets.ItemIndex = e.cbxD3DPresets.ItemIndex = 1;
        TSettings loaded = Defaults();
        loaded[c.box.Field] = e.Box(c.box).Items[c.index];
        e.LoadSettings(loaded);  // loading is no change
        EXPECT_EQ(e.cbxGlidePresets.ItemIndex + e.cbxD3DPresets.ItemIndex, 2);
        e.LoadSettings(Defaults());
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

TEST_F(GameEditorTest, TheIconComesFromTheStoredTextTheChangeIconDialogOrTheBrowsedProgram) {
    const std::string game = dir.File("game.exe");
    const std::string library = dir.File("icons.dll");
    test::WriteFileBytes(game, test::MakePeFile(test::NumberedGroups(3)));
    test::WriteFileBytes(library, test::MakePeFile(test::NumberedGroups(5)));
    TfmGlide& e = Make();
    e.SetIconText(library + ",4");
    EXPECT_EQ(e.ShownIcon(), (IconRef{library, 4}));
    host.chosen = IconChoice{game, 2};
    e.btnChangeIconClick();
    EXPECT_EQ(e.ShownIcon(), (IconRef{game, 2}));
    // A program chosen with "..." brings its first icon; typing a path does not.
    prompts.texts.push_back(library);
    e.btnEdPathClick();
    EXPECT_EQ(e.edPath.Text, library);
    EXPECT_EQ(e.ShownIcon(), (IconRef{library, 0}));
    e.edPath.Text = game;
    EXPECT_EQ(e.ShownIcon(), (IconRef{library, 0}));
    // A missing file shows nothing but keeps the reference for OK.
    e.SetIconText("C:\\gone.exe,7");
    EXPECT_FALSE(e.ShownIcon());
    EXPECT_EQ(e.IconFile + "," + std::to_string(e.IconIndex), "C:\\gone.exe,7");
    EXPECT_THROW(e.SetIconText("x.exe,one"), ConvertError);
}

TEST_F(GameEditorTest, OkRefusesOrWritesTheEntryCopyingTheKeysOfARenamedOne) {
    struct Case {
        std::string title, path;
        std::optional<EditorControl> focus;  // refused: the control focused
        std::string result;                  // the message, or the entry's first keys after OK
        std::string sections;                // after the opener's part
    };
    const Case cases[] = {
        {"", "C:\\g.exe", EditorControl::edTitle, "Title cannot be empty!", ""},
        {"Old", "", EditorControl::edPath, "Path cannot be empty!", ""},
        {"OTHER", "C:\\g.exe", EditorControl::edTitle,
         "A game titled \"OTHER\" already exists. Please choose another title.", ""},
        // A change of letter case only keeps the entry.
        {"OLD", "C:\\g.exe", {}, "Run Splash IconName Params GameOnly ", "Old Other "},
        // A new title copies the old entry's keys first; config only, so no path.
        {"New", "", {}, "IconName Run Params Splash TextureCompression ", "Other New "},
    };
    const auto join = [](const Strings& names) {
        std::string joined;
        for (const std::string& name : names) joined += name + " ";
        return joined;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        test::WriteFileBytes(
            dir.File("Game.dat"),
            "[Old]\r\nRun=C:\\o.exe\r\nSplash=Disable\r\n[Other]\r\nRun=C:\\t\r\n");
        catalogue = IniFile(dir.File("Game.dat"));
        prompts.shown.clear();
        host.focused.clear();
        TfmGlide& e = Make();
        e.OldTitle = "Old";
        e.edTitle.Text = c.title;
        e.edPath.Text = c.path;
        e.edCommandLine.Text = "-fast";
        e.chkConfig.Checked = c.path.empty() && !c.focus;
        ASSERT_EQ(e.btnOKClick(), !c.focus);
        if (c.focus) {
            EXPECT_EQ(prompts.shown, (std::vector<FakePrompts::Prompt>{{"Information", c.result}}));
            EXPECT_EQ(host.focused, std::vector<EditorControl>{*c.focus});
            EXPECT_EQ(join(catalogue.ReadSections()), "Old Other ");
            continue;
        }
        EXPECT_EQ(join(catalogue.ReadSection(c.title)).substr(0, c.result.size()), c.result);
        EXPECT_EQ(catalogue.ReadString(c.title, "Splash", ""), "Disable");  // kept or copied
        EXPECT_EQ(catalogue.ReadString(c.title, "Run", ""), c.path.empty() ? "INTERNAL" : c.path);
        SaveEditorValues(e, catalogue);
        EXPECT_EQ(join(catalogue.ReadSections()), c.sections);
        EXPECT_EQ(catalogue.ReadString(c.title, "Splash", ""), "Enable");
    }
}

// A section of Game.dat ends at its first "]" and at the line's end: such a title is
// refused by name, nothing is written and the Title box gets the focus. "[" is fine.
TEST_F(GameEditorTest, OkRefusesATitleThatASectionCannotHold) {
    const std::string bracket = "A title cannot contain \"]\". Please choose another title.";
    const std::string lineBreak =
        "A title cannot contain a line break. Please choose another title.";
    const std::pair<std::string, std::string> cases[] = {
        {"Quake II [3dfx]", bracket}, {"]", bracket},
        {"Two\r\nLines", lineBreak},  {"Two\nLines", lineBreak},
        {"Two\rLines", lineBreak},    {"Quake II [3dfx", ""},
    };
    for (const auto& [title, message] : cases) {
        SCOPED_TRACE(title);
        const std::string before = "[Old]\r\nRun=C:\\o.exe\r\n";
        test::WriteFileBytes(dir.File("Game.dat"), before);
        catalogue = IniFile(dir.File("Game.dat"));
        prompts.shown.clear();
        host.focused.clear();
        TfmGlide& e = Make();
        e.OldTitle = "Old";
        e.edTitle.Text = title;
        e.edPath.Text = "C:\\g.exe";
        ASSERT_EQ(e.btnOKClick(), message.empty());
        if (message.empty()) {
            EXPECT_EQ(catalogue.ReadString(title, "Run", ""), "C:\\g.exe");
            continue;
        }
        EXPECT_EQ(prompts.shown, (std::vector<FakePrompts::Prompt>{{"Error", message}}));
        EXPECT_EQ(host.focused, std::vector<EditorControl>{EditorControl::edTitle});
        EXPECT_EQ(test::ReadFileBytes(dir.File("Game.dat")), before);
    }
}

// The icon's number follows the last comma: a folder with a comma keeps its icon, and
// OK writes the reference back as it was.
TEST_F(GameEditorTest, AnIconInAFolderWithACommaIsShownAndKept) {
    const std::string library = dir.File("Tomb Raider, Gold.dll");
    test::WriteFileBytes(library, test::MakePeFile(test::NumberedGroups(5)));
    TfmGlide& e = Make();
    e.SetIconText(library + ",3");
    EXPECT_EQ(e.ShownIcon(), (IconRef{library, 3}));
    e.OldTitle = "Tomb Raider";
    e.edTitle.Text = "Tomb Raider";
    e.edPath.Text = "C:\\Games\\Tomb Raider, Gold\\tomb.exe";
    ASSERT_TRUE(e.btnOKClick());
    EXPECT_EQ(catalogue.ReadString("Tomb Raider", "IconName", ""), library + ",3");
    // The path chosen with "..." brings its first icon the same way.
    prompts.texts.push_back(library);
    e.btnEdPathClick();
    EXPECT_EQ(e.ShownIcon(), (IconRef{library, 0}));
}

}  // namespace
}  // namespace pallisar
