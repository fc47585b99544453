// The game editor and the catalogue commands as a user meets them: pallisar.exe under Wine
// on a simulated board, the editor opened from the main window, its controls driven through
// window messages (and the gamma slider with the real mouse), Game.dat and settings.cfg read
// afterwards. Screenshots of the editor's tabs go to the build tree for a look.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "board.h"
#include "dialogs.h"
#include "harness.h"
#include "launch_support.h"
#include "win32/resource.h"
#include "win32/tweak_box_ids.h"

namespace pallisar::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using F = TweakField;

int GlideBox(TweakField field) { return TweakBoxId({field, TweakTab::Glide}); }
int D3DBox(TweakField field) { return TweakBoxId({field, TweakTab::Direct3D}); }

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kSettings[] = "[Program]\r\nVersion=1.01\r\n";

// The keys of one section of an INI text, in file order, with their values.
std::vector<std::pair<std::string, std::string>> SectionOf(const std::string& text,
                                                           const std::string& section) {
    std::vector<std::pair<std::string, std::string>> keys;
    bool inside = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        const size_t equals = line.find('=');
        if (inside && equals != std::string::npos) {
            keys.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return keys;
}

std::vector<std::string> KeyNames(const std::vector<std::pair<std::string, std::string>>& keys) {
    std::vector<std::string> names;
    for (const auto& key : keys) names.push_back(key.first);
    return names;
}

std::string ValueOf(const std::vector<std::pair<std::string, std::string>>& keys,
                    const std::string& name) {
    for (const auto& key : keys) {
        if (key.first == name) return key.second;
    }
    return "<missing>";
}

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = dir_.Install(PALLISAR_EXE);
        dir_.Write("settings.cfg", kSettings);
    }

    void StartReady(const char* board = "voodoo5_dual") {
        ASSERT_TRUE(LoadBoard(board));
        ASSERT_TRUE(app_.Start(exe_));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }

    void Command(UINT id) { ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0)); }

    // Opens the editor with New, or with Edit on the entry of this title.
    HWND OpenEditor(const std::string& title = {}) {
        if (title.empty()) {
            Command(IDC_BTN_ADD_ICON);
        } else {
            EXPECT_TRUE(SelectTitle(app_, window_, title));
            Command(IDC_BTN_EDIT_GAME);
        }
        HWND editor = nullptr;
        EXPECT_TRUE(WaitForDialog(app_, "Edit", &editor));
        return editor;
    }

    void PressOk(HWND editor) {
        Click(editor, IDOK);
        ASSERT_TRUE(WaitUntilGone(editor));
    }

    // Waits for a message box (not one of the program's dialogs) and answers it; its
    // caption and text go to the caller.
    void Answer(const std::string& button, std::string* caption, std::string* text) {
        const std::vector<std::string> kinds = {"Information", "Confirm", "Error", "Warning"};
        for (int wait = 0; wait < 400; ++wait) {
            for (const MessageBoxInfo& box : app_.MessageBoxes()) {
                if (std::find(kinds.begin(), kinds.end(), box.caption) == kinds.end()) continue;
                *caption = box.caption;
                *text = box.text;
                ASSERT_TRUE(AnswerMessageBox(box, button));
                ASSERT_TRUE(WaitUntilGone(box.hwnd));
                return;
            }
            Sleep(50);
        }
        FAIL() << "no message box";
    }

    void ExitAndWait() {
        Command(IDC_BTN_EXIT);
        ASSERT_TRUE(app_.WaitForExit(kTimeout));
    }

    std::string GameDat() { return dir_.Read("Game.dat"); }

    // Waits until `done` holds.
    template <typename Done>
    static testing::AssertionResult Becomes(Done done) {
        for (int wait = 0; wait < 100; ++wait) {
            if (done()) return testing::AssertionSuccess();
            Sleep(50);
        }
        return testing::AssertionFailure() << "not within 5 s";
    }

    // Waits until the file's text satisfies `check`: the program writes once the dialog
    // that asked for it has closed.
    template <typename Check>
    testing::AssertionResult FileBecomes(const std::string& name, Check check) {
        std::string text;
        for (int wait = 0; wait < 100; ++wait) {
            if (check(text = dir_.Read(name))) return testing::AssertionSuccess();
            Sleep(50);
        }
        return testing::AssertionFailure() << name << " holds:\n" << text;
    }

    ProgramDirectory dir_;
    std::string exe_;
    AppProcess app_;
    HWND window_ = nullptr;
};

TEST_F(EditorTest, NewEntryIsRefusedWithoutTitleOrPathAndStoresEveryKey) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    HWND editor = OpenEditor();
    std::string caption, text;
    Click(editor, IDOK);
    ASSERT_NO_FATAL_FAILURE(Answer("OK", &caption, &text));
    EXPECT_EQ(caption, "Information");
    EXPECT_EQ(text, "Title cannot be empty!");
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Quake"));
    Click(editor, IDOK);
    ASSERT_NO_FATAL_FAILURE(Answer("OK", &caption, &text));
    EXPECT_EQ(text, "Path cannot be empty!");
    SendMessageA(Item(editor, IDC_EDPATH), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("C:\\Games\\quake.exe"));
    // A "]" would end the entry's section name in Game.dat: refused, the editor stays.
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("Quake II [3dfx]"));
    Click(editor, IDOK);
    ASSERT_NO_FATAL_FAILURE(Answer("OK", &caption, &text));
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(text, "A title cannot contain \"]\". Please choose another title.");
    EXPECT_TRUE(IsWindowVisible(editor));
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Quake"));
    ASSERT_NO_FATAL_FAILURE(PressOk(editor));

    // Config Only needs no path.
    editor = OpenEditor();
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Setup"));
    Click(editor, IDC_CHKCONFIG);
    // The view greys the controls out one after the other: each is waited for.
    EXPECT_TRUE(Eventually([&] { return !IsWindowEnabled(Item(editor, IDC_EDPATH)); },
                           "the path box disabled"));
    EXPECT_TRUE(Eventually([&] { return !IsWindowEnabled(Item(editor, IDC_CHKGAMEONLY)); },
                           "Game Only disabled"));
    ASSERT_NO_FATAL_FAILURE(PressOk(editor));

    EXPECT_TRUE(FileBecomes("Game.dat", [](const std::string& text) {
        return ValueOf(SectionOf(text, "Setup"), "Run") == "INTERNAL";
    }));
    const auto quake = SectionOf(GameDat(), "Quake");
    EXPECT_THAT(
        KeyNames(quake),
        ElementsAre("IconName", "Run", "Params", "Splash", "TextureCompression", "AlphaBlending",
                    "ColorDepth", "MIPMap", "D3DMIPMap", "MaxBufferedFrames",
                    "D3DMaxBufferedFrames", "TDFilterQuality", "AA", "TripleBuffering",
                    "glAAToggle", "D3DAAToggle", "LODBias", "ZBuffer", "RGamma", "GGamma",
                    "gl16BitZPrecision", "gl32BitZPrecision", "glHSR", "glGuardbandClipping",
                    "GameOnly", "FollowStartedPrograms", "VSynch", "D3DVSynch", "BGamma"));
    EXPECT_EQ(ValueOf(quake, "Run"), "C:\\Games\\quake.exe");
    // Written as ",0", then replaced with the list's fallback icon when it was loaded again.
    EXPECT_THAT(ValueOf(quake, "IconName"), ::testing::EndsWith("shell32.dll,0"));
    EXPECT_EQ(ValueOf(quake, "GameOnly"), "0");
    EXPECT_EQ(ValueOf(quake, "FollowStartedPrograms"), "1");  // on for a new entry
    EXPECT_EQ(ValueOf(quake, "MaxBufferedFrames"), "1 Pending Buffer");
    EXPECT_EQ(ValueOf(quake, "BGamma"), "1.30");
    // The throw-away titles are gone: two games, two sections; the refused title left
    // nothing.
    const std::string games = GameDat();
    EXPECT_EQ(games.find("Quake II"), std::string::npos);
    EXPECT_EQ(std::count(games.begin(), games.end(), '['), 2);
    ListViewState list;
    ASSERT_TRUE(ReadListView(app_, FindListView(window_), &list));
    EXPECT_THAT(list.Captions(), ElementsAre("Quake", "Setup"));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

TEST_F(EditorTest, EditRenamesAndDeleteAsks) {
    dir_.Write("Game.dat",
               "[Tool]\r\nRun=internal\r\nSplash=DISABLE\r\n[Doom]\r\nRun=C:\\doom.exe\r\n");
    ASSERT_NO_FATAL_FAILURE(StartReady());
    HWND editor = OpenEditor("Tool");
    EXPECT_TRUE(Checked(editor, IDC_CHKCONFIG));
    EXPECT_EQ(WindowText(Item(editor, IDC_EDPATH)), "");
    EXPECT_EQ(WindowText(Item(editor, GlideBox(F::Splash))), "Disable");
    // Another entry's title is refused.
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("doom"));
    std::string caption, text;
    Click(editor, IDOK);
    ASSERT_NO_FATAL_FAILURE(Answer("OK", &caption, &text));
    EXPECT_EQ(caption, "Information");
    EXPECT_TRUE(IsWindowVisible(editor));
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Tools"));
    ASSERT_NO_FATAL_FAILURE(PressOk(editor));
    EXPECT_TRUE(FileBecomes("Game.dat", [](const std::string& text) {
        return SectionOf(text, "Tool").empty() &&
               ValueOf(SectionOf(text, "Tools"), "Splash") == "Disable";
    }));

    // Only the letter case changes: the entry stays.
    editor = OpenEditor("Tools");
    SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("TOOLS"));
    ASSERT_NO_FATAL_FAILURE(PressOk(editor));
    EXPECT_EQ(ValueOf(SectionOf(GameDat(), "Tools"), "Run"), "INTERNAL");

    const std::string before = GameDat();
    ASSERT_TRUE(SelectTitle(app_, window_, "Doom"));
    Command(IDM_FILE_DELETE);
    ASSERT_NO_FATAL_FAILURE(Answer("&No", &caption, &text));
    EXPECT_EQ(caption, "Confirm");
    EXPECT_EQ(text, "Are you sure you want to delete this shortcut?");
    EXPECT_EQ(GameDat(), before);
    ASSERT_TRUE(SelectTitle(app_, window_, "Doom"));
    Command(IDM_POPUP_DELETE);
    ASSERT_NO_FATAL_FAILURE(Answer("&Yes", &caption, &text));
    EXPECT_TRUE(FileBecomes(
        "Game.dat", [](const std::string& text) { return SectionOf(text, "Doom").empty(); }));

    // The list presentation chosen now is the one of the next start.
    Command(IDM_VIEW_DETAILS);
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ListViewState list;
    ASSERT_TRUE(ReadListView(app_, FindListView(window_), &list));
    EXPECT_EQ(list.view, static_cast<DWORD>(LV_VIEW_DETAILS));
    EXPECT_THAT(list.Captions(), ElementsAre("Tools"));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

TEST_F(EditorTest, PresetSavedChosenOnTheOtherTabAndDeleted) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    HWND editor = OpenEditor();
    Choose(editor, GlideBox(F::Splash), 1);  // Disable
    Click(editor, IDC_BTNSAVEPRESETGLIDE);
    HWND input = nullptr;
    ASSERT_TRUE(WaitForDialog(app_, "Save Preset As...", &input));
    SendMessageA(GetDlgItem(input, IDC_INPUTBOX_TEXT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("Fast"));
    PostMessageA(GetDlgItem(input, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntilGone(input));
    // The boxes are filled once the preset is written: only then is the file read. A read
    // while the launcher replaces the file makes Windows refuse the replacement.
    ASSERT_TRUE(TextBecomes(Item(editor, IDC_CBXD3DPRESETS), "Fast"));
    EXPECT_TRUE(FileBecomes("settings.cfg", [](const std::string& text) {
        return ValueOf(SectionOf(text, "Fast"), "Splash") == "Disable";
    }));

    Choose(editor, GlideBox(F::Splash), 0);  // a change clears the preset box
    EXPECT_EQ(WindowText(Item(editor, IDC_CBXGLIDEPRESETS)), "");
    Choose(editor, IDC_CBXD3DPRESETS, 0);
    EXPECT_EQ(WindowText(Item(editor, IDC_CBXGLIDEPRESETS)), "Fast");
    EXPECT_EQ(WindowText(Item(editor, GlideBox(F::Splash))), "Disable");

    Click(editor, IDC_BTNDELETEPRESETD3D);
    std::string caption, text;
    ASSERT_NO_FATAL_FAILURE(Answer("&Yes", &caption, &text));
    EXPECT_EQ(text, "Are you sure you want to delete the preset \"Fast\"?");
    EXPECT_TRUE(Becomes(
        [&] { return SendMessageA(Item(editor, IDC_CBXGLIDEPRESETS), CB_GETCOUNT, 0, 0) == 0; }));
    EXPECT_TRUE(FileBecomes(
        "settings.cfg", [](const std::string& text) { return SectionOf(text, "Fast").empty(); }));
    Click(editor, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(editor));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

// Brings the editor's tab at `index` to the front, as a click on it does (the tab control
// tells the dialog).
void ShowTab(HWND editor, int index) {
    SendMessageA(Item(editor, IDC_EDITOR_TABS), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
    Sleep(300);
}

TEST_F(EditorTest, GammaSlidersFollowKeysTheMouseAndTheLock) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    HWND editor = OpenEditor();
    ShowTab(editor, 3);  // "Gamma"
    HWND red = Item(editor, IDC_SLRGAMMA);
    ASSERT_TRUE(IsWindowVisible(red));
    EXPECT_TRUE(Checked(editor, IDC_CHKLOCKGAMMASLIDERS));  // 130, 130, 130 at the start
    Click(editor, IDC_CHKLOCKGAMMASLIDERS);                 // unlock
    Sleep(100);
    PostMessageA(red, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLRGAMMA), "1.31"));
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLGGAMMA), "1.30"));
    PostMessageA(red, WM_KEYDOWN, VK_END, 0);
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLRGAMMA), "4.00"));

    // Locked, a drag of the blue thumb to the left end pulls the other two along.
    Click(editor, IDC_CHKLOCKGAMMASLIDERS);
    Sleep(100);
    HWND blue = Item(editor, IDC_SLBGAMMA);
    RECT client{};
    GetClientRect(blue, &client);
    const int travel = client.right - 12 - 9;
    POINT thumb{6 + static_cast<int>(travel * 120 / 390) + 4, 6 + 8};  // value 130
    ClientToScreen(blue, &thumb);
    SetCursorPos(thumb.x, thumb.y);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    for (int step = 1; step <= 10; ++step) {
        SetCursorPos(thumb.x - step * 30, thumb.y);
        Sleep(30);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLBGAMMA), "0.10"));
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLRGAMMA), "0.10"));
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLGGAMMA), "0.10"));
    SaveScreenshot(editor, Shot("editor-gamma-dragged"));

    Click(editor, IDC_BTNDEFAULTGAMMA);
    EXPECT_TRUE(TextBecomes(Item(editor, IDC_LBLRGAMMA), "1.30"));
    Click(editor, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(editor));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

TEST_F(EditorTest, TabsOfAVoodoo5AndTheShorterVoodoo3Layout) {
    struct Case {
        const char* board;
        bool reduced;
    };
    for (const Case& c : {Case{"voodoo5_dual", false}, Case{"voodoo3_win98", true}}) {
        SCOPED_TRACE(c.board);
        ASSERT_NO_FATAL_FAILURE(StartReady(c.board));
        HWND editor = OpenEditor();
        RECT window{};
        GetWindowRect(editor, &window);
        const int height = window.bottom - window.top;
        if (c.reduced) {
            EXPECT_EQ(height, 400);
        } else {
            EXPECT_GT(height, 400);
        }
        for (int id : {GlideBox(F::AA), TweakLabelId({F::AA, TweakTab::Glide}), D3DBox(F::AA),
                       GlideBox(F::glAAToggle), D3DBox(F::D3DAAToggle), GlideBox(F::ColorDepth),
                       GlideBox(F::gl16BitZPrecision), GlideBox(F::gl32BitZPrecision),
                       D3DBox(F::D3DMIPMap), D3DBox(F::D3DMaxBufferedFrames), GlideBox(F::glHSR),
                       GlideBox(F::glGuardbandClipping)}) {
            EXPECT_EQ((GetWindowLongA(Item(editor, id), GWL_STYLE) & WS_VISIBLE) != 0, !c.reduced)
                << "control " << id;
        }
        // Ctrl+Tab brings the next tab to the front, as in every tabbed dialog.
        SetForegroundWindow(editor);
        for (const auto& [key, flags] : {std::pair{VK_CONTROL, 0},
                                         {VK_TAB, 0},
                                         {VK_TAB, KEYEVENTF_KEYUP},
                                         {VK_CONTROL, KEYEVENTF_KEYUP}}) {
            keybd_event(static_cast<BYTE>(key), 0, static_cast<DWORD>(flags), 0);
        }
        LRESULT tab = 0;
        for (int wait = 0; wait < 100 && tab != 1; ++wait, Sleep(50)) {
            tab = SendMessageA(Item(editor, IDC_EDITOR_TABS), TCM_GETCURSEL, 0, 0);
        }
        EXPECT_EQ(tab, 1);
        const char* names[] = {"properties", "glide", "d3d", "gamma"};
        for (int tab = 0; tab < 4; ++tab) {
            ShowTab(editor, tab);
            SaveScreenshot(editor, Shot(std::string("editor-") + c.board + "-" + names[tab]));
        }
        Click(editor, IDCANCEL);
        ASSERT_TRUE(WaitUntilGone(editor));
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    }
}

}  // namespace
}  // namespace pallisar::e2e
