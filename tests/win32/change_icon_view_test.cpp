// The change-icon dialog run modally on the Windows layer, driven from a timer the
// way a user drives it (typing, Enter, Alt+B, clicks on the list and the buttons),
// and the icon list's drawing.
#include "win32/change_icon_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/counting_icon_source.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using Step = std::function<void(HWND dialog)>;

// Steps run one per timer tick while the dialog is up, so that what one step posts
// is handled before the next looks. The last step closes the dialog; a script that
// stalls is cancelled.
struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    int ticks = 0;
} gScript;

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Change Icon");
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (++gScript.ticks > 200 || gScript.next >= gScript.steps.size()) {
        KillTimer(nullptr, timer);
        if (gScript.next < gScript.steps.size()) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    gScript.steps[gScript.next++](dialog);
}

// Runs the dialog over `model` with the steps; true when it closed with OK.
bool RunScript(Application& app, TfmChangeIcon& model, std::vector<Step> steps) {
    gScript = Script{std::move(steps)};
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    const bool ok = ShowChangeIcon(app, nullptr, model);
    KillTimer(nullptr, timer);
    EXPECT_EQ(gScript.next, gScript.steps.size()) << "the script did not run to its end";
    return ok;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
std::string Text(HWND window) {
    char text[MAX_PATH + 50] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}
void Click(HWND dialog, int id) { PostMessageA(Item(dialog, id), BM_CLICK, 0, 0); }
void TypeAndEnter(HWND dialog, const std::string& text, bool enter) {
    HWND edit = Item(dialog, IDC_CHANGEICON_FILENAME);
    SetWindowTextA(edit, text.c_str());
    SetFocus(edit);
    if (enter) PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
}
RECT ItemRect(HWND list, int index) {
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}
// A click on item `index` where the list shows it.
void Pick(HWND dialog, int index) {
    const RECT r = ItemRect(Item(dialog, IDC_CHANGEICON_ICONS), index);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(Item(dialog, IDC_CHANGEICON_ICONS), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(Item(dialog, IDC_CHANGEICON_ICONS), WM_LBUTTONUP, 0, at);
}
// Whether item `index` of the list shows anything but its background.
bool ItemDrawn(HWND list, int index) {
    const RECT r = ItemRect(list, index);
    HDC dc = GetDC(list);
    const COLORREF background = GetPixel(dc, r.left + 1, r.top + 1);
    bool drawn = false;
    for (int y = r.top + 2; y < r.bottom - 2 && !drawn; ++y) {
        for (int x = r.left + 2; x < r.right - 2 && !drawn; ++x)
            drawn = GetPixel(dc, x, y) != background;
    }
    ReleaseDC(list, dc);
    return drawn;
}

class ChangeIconViewTest : public testing::Test {
  protected:
    ChangeIconViewTest() {
        test::WriteFileBytes(program, test::MakePeFile(test::NumberedGroups(5)));
        test::WriteFileBytes(iconFile, test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 3)}));
    }
    ~ChangeIconViewTest() override { EXPECT_TRUE(errors.shown.empty()); }

    FakePrompts errors;  // the application's error box
    Application app{GetModuleHandleA(nullptr), errors};
    test::TempDir dir;
    std::string program = dir.File("game.exe"), iconFile = dir.File("one.ico");
};

TEST_F(ChangeIconViewTest, ShowsTheCallersIconInATidyLayout) {
    auto groups = test::NumberedGroups(5);
    groups[1].images.clear();
    groups[1].danglingEntries = 1;  // names an image the file does not hold
    const std::string broken = dir.File("broken.dll");
    test::WriteFileBytes(broken, test::MakePeFile(groups));
    FakePrompts prompts;
    TfmChangeIcon model(prompts);
    model.SetUp(broken, 2);
    const int ids[] = {IDC_CHANGEICON_FILENAME_LABEL,
                       IDC_CHANGEICON_FILENAME,
                       IDC_CHANGEICON_BROWSE,
                       IDC_CHANGEICON_ICONS_LABEL,
                       IDC_CHANGEICON_ICONS,
                       IDOK,
                       IDCANCEL};
    std::vector<std::string> texts;
    std::vector<int> tabOrder, list;
    std::vector<bool> drawn;
    RECT r[7]{};
    EXPECT_FALSE(RunScript(app, model, {[&](HWND d) {
                               texts.push_back(Text(d));
                               for (int i = 0; i < 7; ++i) {
                                   texts.push_back(Text(Item(d, ids[i])));
                                   GetWindowRect(Item(d, ids[i]), &r[i]);
                               }
                               HWND at = GetFocus();
                               for (int i = 0; i < 5; ++i, at = GetNextDlgTabItem(d, at, FALSE))
                                   tabOrder.push_back(GetDlgCtrlID(at));
                               HWND icons = Item(d, IDC_CHANGEICON_ICONS);
                               const RECT item = ItemRect(icons, 0);
                               list = {int(SendMessageA(icons, LB_GETCOUNT, 0, 0)),
                                       int(SendMessageA(icons, LB_GETCURSEL, 0, 0)),
                                       item.right - item.left, item.bottom - item.top};
                               UpdateWindow(icons);
                               for (int i = 0; i < 3; ++i) drawn.push_back(ItemDrawn(icons, i));
                               Click(d, IDCANCEL);
                           }}));
    EXPECT_EQ(texts, (std::vector<std::string>{"Change Icon", "File name:", broken, "&Browse...",
                                               "Current icon:", "", "OK", "Cancel"}));
    EXPECT_EQ(tabOrder, (std::vector<int>{IDC_CHANGEICON_FILENAME, IDC_CHANGEICON_BROWSE,
                                          IDC_CHANGEICON_ICONS, IDOK, IDCANCEL}));
    EXPECT_EQ(list, (std::vector<int>{5, 2, GetSystemMetrics(SM_CXICON) + 5,
                                      GetSystemMetrics(SM_CYICON) + 5}));
    EXPECT_EQ(drawn, (std::vector<bool>{true, false, true})) << "item 1 cannot be made";
    // One left edge, one right edge, labels just above their controls, buttons in a
    // row below the list, which is three icons high.
    const RECT &label = r[0], &edit = r[1], &browse = r[2], &listLabel = r[3], &icons = r[4],
               &ok = r[5], &cancel = r[6];
    EXPECT_EQ((std::vector<LONG>{label.left, listLabel.left, icons.left, browse.right, cancel.right,
                                 browse.top, ok.top}),
              (std::vector<LONG>{edit.left, edit.left, edit.left, icons.right, icons.right,
                                 edit.top, cancel.top}));
    EXPECT_TRUE(label.bottom <= edit.top + 1 && listLabel.bottom <= icons.top + 1);
    EXPECT_GT(ok.top, icons.bottom);
    EXPECT_GE(icons.bottom - icons.top, 3 * list[3]);
}

TEST_F(ChangeIconViewTest, EnterAcceptsATypedNameAndTheListGivesTheResult) {
    FakePrompts prompts;
    prompts.texts = {iconFile};
    TfmChangeIcon model(prompts);
    model.SetUp(program, 1);
    const std::string wrong = dir.File("nowhere.exe");
    std::vector<std::string> edits;
    int count = 0;
    auto look = [&](HWND d) { edits.push_back(Text(Item(d, IDC_CHANGEICON_FILENAME))); };
    EXPECT_TRUE(RunScript(
        app, model,
        {// Alt+B, in the file-name box: browse to the icon file.
         [&](HWND d) {
             PostMessageA(Item(d, IDC_CHANGEICON_FILENAME), WM_SYSCHAR, 'b', 0x20000001);
         },
         [&](HWND d) {
             look(d);
             TypeAndEnter(d, program, true);
         },
         [&](HWND d) {
             count =
                 static_cast<int>(SendDlgItemMessageA(d, IDC_CHANGEICON_ICONS, LB_GETCOUNT, 0, 0));
             Pick(d, 3);
             TypeAndEnter(d, wrong, true);
         },
         [&](HWND d) {
             look(d);
             TypeAndEnter(d, iconFile, false);
         },
         [&](HWND d) { Click(d, IDOK); }}));
    EXPECT_EQ(count, 5) << "Enter listed the program's icons (and did not close the dialog)";
    EXPECT_EQ(edits, (std::vector<std::string>{iconFile, program}));
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>{
                  {"Open", ""}, {"Warning", "Windows cannot find the file " + wrong}}));
    EXPECT_EQ(model.ChosenFileName(), program);
    EXPECT_EQ(model.ChosenIconIndex(), 3);
}

TEST_F(ChangeIconViewTest, DrawsTheIconsInViewAndReadsNoOthers) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    FakePrompts prompts;
    test::CountingIconSource source;
    TfmChangeIcon model(prompts, source);
    model.SetUp(std::string(system) + "\\shell32.dll", 0);
    const int count = model.IconListBox().NumberOfIcons();
    ASSERT_GT(count, 40);

    std::vector<bool> drawn;
    auto look = [&](HWND d) {
        HWND list = Item(d, IDC_CHANGEICON_ICONS);
        UpdateWindow(list);
        drawn = {ItemDrawn(list, 0), ItemDrawn(list, 1), model.IconListBox().IconLoaded(count - 1)};
        Click(d, IDOK);
    };
    EXPECT_TRUE(RunScript(app, model, {look}));
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, false}));
    const size_t read = source.extracted.size();
    EXPECT_GT(read, 2u);
    EXPECT_LT(read, 40u) << "only the items in view are read";

    // A new dialog over the same list draws the icons it holds without reading them again.
    EXPECT_TRUE(RunScript(app, model, {look}));
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(source.extracted.size(), read);
}

}  // namespace
}  // namespace pallisar
