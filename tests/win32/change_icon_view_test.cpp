// The change-icon dialog run modally on the Windows layer, driven from a timer the
// way a user drives it (typing, Enter, a click on the list, OK).
#include "win32/change_icon_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;

// One step per timer tick while the dialog is up, so that what a step posts is handled
// before the next looks. The last step closes the dialog; a stalled script is cancelled.
std::vector<std::function<void(HWND dialog)>> gSteps;
size_t gNext = 0, gTicks = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Change Icon");
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (++gTicks > 200 || gNext >= gSteps.size()) {
        KillTimer(nullptr, timer);
        if (gNext < gSteps.size()) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    gSteps[gNext++](dialog);
}

void Type(HWND dialog, const std::string& text, bool enter) {
    HWND edit = GetDlgItem(dialog, IDC_CHANGEICON_FILENAME);
    SetWindowTextA(edit, text.c_str());
    SetFocus(edit);
    if (enter) PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
}
// Whether item `index` of the list shows anything but its background.
bool ItemDrawn(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, IDC_CHANGEICON_ICONS);
    UpdateWindow(list);
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
    HDC dc = GetDC(list);
    const COLORREF background = GetPixel(dc, r.left + 1, r.top + 1);
    bool drawn = false;
    for (int y = r.top + 2; y < r.bottom - 2; ++y)
        for (int x = r.left + 2; x < r.right - 2; ++x) drawn |= GetPixel(dc, x, y) != background;
    ReleaseDC(list, dc);
    return drawn;
}

TEST(ChangeIconViewTest, AUserTypesAndPicksAnIconAmongThoseDrawn) {
    test::TempDir dir;
    const std::string program = dir.File("game.exe"), iconFile = dir.File("one.ico"),
                      wrong = dir.File("nowhere.exe");
    test::WriteFileBytes(program, test::MakePeFile(test::NumberedGroups(5)));
    test::WriteFileBytes(iconFile, test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 3)}));
    FakePrompts errors, prompts;  // the application's error box; the dialog's prompts
    Application app{GetModuleHandleA(nullptr), errors};
    TfmChangeIcon model(prompts);
    model.SetUp(iconFile, 0);
    std::vector<std::string> edits;
    std::vector<bool> drawn;
    auto look = [&](HWND d) {
        char text[MAX_PATH + 50] = {};
        GetDlgItemTextA(d, IDC_CHANGEICON_FILENAME, text, sizeof text);
        edits.push_back(text), drawn.push_back(ItemDrawn(d, 0));
    };
    auto pick3 = [](HWND d) {  // a click where the list shows item 3
        RECT r{};
        SendDlgItemMessageA(d, IDC_CHANGEICON_ICONS, LB_GETITEMRECT, 3, LPARAM(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(GetDlgItem(d, IDC_CHANGEICON_ICONS), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(GetDlgItem(d, IDC_CHANGEICON_ICONS), WM_LBUTTONUP, 0, at);
    };
    gSteps = {
        [&](HWND d) { look(d), Type(d, program, true); },
        [&](HWND d) { look(d), pick3(d), Type(d, wrong, true); },
        [&](HWND d) { look(d), Type(d, iconFile, false); },
        [&](HWND d) { PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); },
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    EXPECT_TRUE(ShowChangeIcon(app, nullptr, model));
    KillTimer(nullptr, timer);
    EXPECT_EQ(gNext, gSteps.size()) << "the script did not run to its end";
    EXPECT_EQ(edits, (std::vector<std::string>{iconFile, program, program}));
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, true})) << "item 0 of each list";
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].message, "Windows cannot find the file " + wrong);
    EXPECT_EQ(model.ChosenFileName(), program);
    EXPECT_EQ(model.ChosenIconIndex(), 3);
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace
}  // namespace pallisar
