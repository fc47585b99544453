// The change-icon dialog run modally on the Windows layer, answered from a timer the
// way a user answers it (typing, Enter, clicks on the list and the buttons), and the
// icon list's drawing.
#include "win32/change_icon_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/change_icon.h"
#include "win32/application.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using test::TempDir;
using test::WriteFileBytes;

// Steps run one per timer tick while the dialog is up, so that what one step posts
// is handled before the next looks. The last step closes the dialog; a script that
// stalls is cancelled.
struct Script {
    std::vector<std::function<void(HWND dialog)>> steps;
    size_t next = 0;
    int ticks = 0;
} gScript;

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Change Icon");
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (++gScript.ticks > 200 || gScript.next >= gScript.steps.size()) {
        KillTimer(nullptr, timer);
        if (gScript.next < gScript.steps.size()) {
            ADD_FAILURE() << "script stalled at step " << gScript.next;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return;
    }
    gScript.steps[gScript.next++](dialog);
}

// Runs the dialog over `model` with the steps; true when it closed with OK.
bool RunScript(Application& app, TfmChangeIcon& model,
               std::vector<std::function<void(HWND)>> steps) {
    gScript = Script{std::move(steps)};
    UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    EXPECT_NE(timer, 0u);
    const bool ok = ShowChangeIcon(app, nullptr, model);
    KillTimer(nullptr, timer);
    EXPECT_EQ(gScript.next, gScript.steps.size()) << "the dialog closed before the script ended";
    return ok;
}

std::string Text(HWND dialog, int id) {
    char text[MAX_PATH + 50] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void Type(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, IDC_CHANGEICON_FILENAME, text.c_str());
}
void PressEnter(HWND dialog) {
    HWND edit = Item(dialog, IDC_CHANGEICON_FILENAME);
    SetFocus(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
}
void Click(HWND dialog, int id) { PostMessageA(Item(dialog, id), BM_CLICK, 0, 0); }
// A click on item `index` of the list, where the list shows it.
void Pick(HWND dialog, int index) {
    HWND list = Item(dialog, IDC_CHANGEICON_ICONS);
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
}

std::string SystemFile(const char* name) {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

// The files on disk, with a record of every icon read.
class CountingSource : public FileIconListSource {
  public:
    std::optional<Icon> ExtractIcon(const std::string& fileName, int index) override {
        extracted.push_back(index);
        return FileIconListSource::ExtractIcon(fileName, index);
    }
    std::vector<int> extracted;
};

class ChangeIconViewTest : public testing::Test {
  protected:
    ChangeIconViewTest()
        : app(GetModuleHandleA(nullptr), errors),
          program(dir.File("game.exe")),
          iconFile(dir.File("one.ico")) {
        WriteFileBytes(program, test::MakePeFile(test::NumberedGroups(5)));
        WriteFileBytes(iconFile, test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 3)}));
    }
    ~ChangeIconViewTest() override { EXPECT_TRUE(errors.shown.empty()); }

    FakePrompts errors;  // the application's error box
    Application app;
    TempDir dir;
    std::string program;
    std::string iconFile;
};

TEST_F(ChangeIconViewTest, ShowsItsControlsInATidyTabOrder) {
    FakePrompts prompts;
    TfmChangeIcon model(prompts);
    model.SetUp(program, 2);
    struct Seen {
        std::vector<std::string> texts;
        std::vector<int> tabOrder;
        int count = 0, selected = -1, itemHeight = 0, columnWidth = 0;
        RECT label{}, edit{}, browse{}, listLabel{}, list{}, ok{}, cancel{};
        HWND focus = nullptr;
    } seen;
    const bool ok = RunScript(
        app, model, {[&](HWND dialog) {
            char caption[64] = {};
            GetWindowTextA(dialog, caption, sizeof caption);
            seen.texts = {caption,
                          Text(dialog, IDC_CHANGEICON_FILENAME_LABEL),
                          Text(dialog, IDC_CHANGEICON_FILENAME),
                          Text(dialog, IDC_CHANGEICON_BROWSE),
                          Text(dialog, IDC_CHANGEICON_ICONS_LABEL),
                          Text(dialog, IDOK),
                          Text(dialog, IDCANCEL)};
            seen.focus = GetFocus();
            HWND control = Item(dialog, IDC_CHANGEICON_FILENAME);
            for (int i = 0; i < 5; ++i) {
                seen.tabOrder.push_back(GetDlgCtrlID(control));
                control = GetNextDlgTabItem(dialog, control, FALSE);
            }
            HWND list = Item(dialog, IDC_CHANGEICON_ICONS);
            seen.count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            seen.selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
            seen.itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            RECT first{}, second{};
            SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
            SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
            seen.columnWidth = first.right - first.left;
            auto at = [&](int id, RECT& r) { GetWindowRect(Item(dialog, id), &r); };
            at(IDC_CHANGEICON_FILENAME_LABEL, seen.label);
            at(IDC_CHANGEICON_FILENAME, seen.edit);
            at(IDC_CHANGEICON_BROWSE, seen.browse);
            at(IDC_CHANGEICON_ICONS_LABEL, seen.listLabel);
            at(IDC_CHANGEICON_ICONS, seen.list);
            at(IDOK, seen.ok);
            at(IDCANCEL, seen.cancel);
            Click(dialog, IDCANCEL);
        }});
    EXPECT_FALSE(ok);
    EXPECT_EQ(seen.texts,
              (std::vector<std::string>{"Change Icon", "File name:", program, "&Browse...",
                                        "Current icon:", "OK", "Cancel"}));
    EXPECT_EQ(seen.tabOrder, (std::vector<int>{IDC_CHANGEICON_FILENAME, IDC_CHANGEICON_BROWSE,
                                               IDC_CHANGEICON_ICONS, IDOK, IDCANCEL}));
    EXPECT_EQ(seen.count, 5);
    EXPECT_EQ(seen.selected, 2);
    EXPECT_EQ(seen.itemHeight, GetSystemMetrics(SM_CYICON) + 5);
    EXPECT_EQ(seen.columnWidth, GetSystemMetrics(SM_CXICON) + 5);
    // Labels over their controls, one left edge; the buttons close the right edge.
    EXPECT_EQ(seen.label.left, seen.edit.left);
    EXPECT_EQ(seen.listLabel.left, seen.list.left);
    EXPECT_EQ(seen.edit.left, seen.list.left);
    EXPECT_EQ(seen.browse.right, seen.list.right);
    EXPECT_EQ(seen.cancel.right, seen.list.right);
    EXPECT_EQ(seen.edit.top, seen.browse.top);
    EXPECT_EQ(seen.ok.top, seen.cancel.top);
    EXPECT_GT(seen.ok.top, seen.list.bottom);
    EXPECT_LT(seen.label.bottom, seen.edit.top + 2);
    EXPECT_LT(seen.listLabel.bottom, seen.list.top + 2);
    // Three rows of icons fit the list.
    EXPECT_GE(seen.list.bottom - seen.list.top, 3 * seen.itemHeight);
}

TEST_F(ChangeIconViewTest, EnterAcceptsATypedNameAndTheListGivesTheResult) {
    FakePrompts prompts;
    TfmChangeIcon model(prompts);
    model.SetUp(iconFile, 0);
    const std::string wrong = dir.File("nowhere.exe");
    std::vector<std::string> edits;
    int countAfterEnter = 0;
    const bool ok = RunScript(
        app, model,
        {[&](HWND d) { Type(d, program); }, [&](HWND d) { PressEnter(d); },
         [&](HWND d) {
             EXPECT_TRUE(IsWindowVisible(d)) << "Enter must not close the dialog";
             countAfterEnter =
                 static_cast<int>(SendMessageA(Item(d, IDC_CHANGEICON_ICONS), LB_GETCOUNT, 0, 0));
             Pick(d, 3);
         },
         [&](HWND d) {
             Type(d, wrong);
             PressEnter(d);
         },
         [&](HWND d) {
             edits.push_back(Text(d, IDC_CHANGEICON_FILENAME));
             // Typed, not accepted.
             Type(d, iconFile);
         },
         [&](HWND d) { Click(d, IDOK); }});
    EXPECT_TRUE(ok);
    EXPECT_EQ(countAfterEnter, 5);
    EXPECT_EQ(edits, std::vector<std::string>{program}) << "a wrong name puts the accepted back";
    EXPECT_EQ(
        prompts.shown,
        (std::vector<FakePrompts::Prompt>{{"Warning", "Windows cannot find the file " + wrong}}));
    EXPECT_EQ(model.ChosenFileName(), program);
    EXPECT_EQ(model.ChosenIconIndex(), 3);
    EXPECT_EQ(model.edFilename(), iconFile);
}

TEST_F(ChangeIconViewTest, BrowseByMnemonicThenCancel) {
    FakePrompts prompts;
    prompts.texts = {program, std::nullopt};
    TfmChangeIcon model(prompts);
    model.SetUp(iconFile, 0);
    std::vector<std::string> edits;
    const bool ok =
        RunScript(app, model,
                  {[&](HWND d) {
                       // Alt+B, with the focus in the file-name box.
                       SetFocus(Item(d, IDC_CHANGEICON_FILENAME));
                       PostMessageA(Item(d, IDC_CHANGEICON_FILENAME), WM_SYSCHAR, 'b', 0x20000001);
                   },
                   [&](HWND d) {
                       edits.push_back(Text(d, IDC_CHANGEICON_FILENAME));
                       Click(d, IDC_CHANGEICON_BROWSE);  // cancelled: nothing changes
                   },
                   [&](HWND d) {
                       edits.push_back(Text(d, IDC_CHANGEICON_FILENAME));
                       Pick(d, 4);
                   },
                   [&](HWND d) { Click(d, IDCANCEL); }});
    EXPECT_FALSE(ok);
    EXPECT_EQ(edits, (std::vector<std::string>{program, program}));
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(model.ChosenFileName(), program);
    EXPECT_EQ(model.ChosenIconIndex(), 4);
}

// Whether the list's item `index` shows anything but the background.
bool ItemDrawn(HWND list, int index) {
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    HDC dc = GetDC(list);
    const COLORREF background = GetPixel(dc, r.left + 1, r.top + 1);
    bool drawn = false;
    for (int y = r.top + 2; y < r.bottom - 2 && !drawn; ++y) {
        for (int x = r.left + 2; x < r.right - 2 && !drawn; ++x) {
            drawn = GetPixel(dc, x, y) != background;
        }
    }
    ReleaseDC(list, dc);
    return drawn;
}

TEST_F(ChangeIconViewTest, AnIconThatCannotBeDrawnLeavesItsItemBlank) {
    auto groups = test::NumberedGroups(3);
    groups[1].images.clear();
    groups[1].danglingEntries = 1;  // names an image the file does not hold
    const std::string broken = dir.File("broken.dll");
    WriteFileBytes(broken, test::MakePeFile(groups));
    FakePrompts prompts;
    TfmChangeIcon model(prompts);
    model.SetUp(broken, 0);
    std::vector<bool> drawn;
    EXPECT_TRUE(RunScript(app, model, {[&](HWND d) {
                              HWND list = Item(d, IDC_CHANGEICON_ICONS);
                              UpdateWindow(list);
                              for (int i = 0; i < 3; ++i) drawn.push_back(ItemDrawn(list, i));
                              Click(d, IDOK);
                          }}));
    EXPECT_EQ(drawn, (std::vector<bool>{true, false, true}));
}

TEST_F(ChangeIconViewTest, DrawsTheIconsItShowsAndReadsNoOthers) {
    const std::string shell32 = SystemFile("shell32.dll");
    FakePrompts prompts;
    CountingSource source;
    TfmChangeIcon model(prompts, source);
    model.SetUp(shell32, 0);
    ASSERT_GT(model.IconListBox().NumberOfIcons(), 40);

    struct Seen {
        bool first = false, second = false, beyondView = true;
        size_t read = 0;
    } seen;
    auto look = [&](HWND d) {
        HWND list = Item(d, IDC_CHANGEICON_ICONS);
        UpdateWindow(list);
        seen.first = ItemDrawn(list, 0);
        seen.second = ItemDrawn(list, 1);
        seen.read = source.extracted.size();
        const int last = model.IconListBox().NumberOfIcons() - 1;
        seen.beyondView = model.IconListBox().IconLoaded(last);
        Click(d, IDOK);
    };
    EXPECT_TRUE(RunScript(app, model, {look}));
    EXPECT_TRUE(seen.first);
    EXPECT_TRUE(seen.second);
    EXPECT_GT(seen.read, 2u);
    EXPECT_LT(seen.read, 40u) << "only the items in view are read";
    EXPECT_FALSE(seen.beyondView);
    EXPECT_EQ(model.ChosenIconIndex(), 0);

    // A new dialog over the same list draws the icons it holds without reading them again.
    const size_t readBefore = source.extracted.size();
    EXPECT_TRUE(RunScript(app, model, {look}));
    EXPECT_TRUE(seen.first);
    EXPECT_EQ(source.extracted.size(), readBefore);
}

}  // namespace
}  // namespace pallisar
