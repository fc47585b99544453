// The "&Options..." command on the Windows layer, driven from a timer the way a user
// drives it: the controls as the model fills them, typing, clicks and OK.
#include "win32/options_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/options_world.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

std::function<void(HWND options)> gUser;  // plays the user once the dialog is up

void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Options");
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    gUser(dialog);
}

std::string Text(HWND window) {
    char text[300] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Whether the control's caption fits in it (beside the square of a check box).
bool CaptionFits(HWND control) {
    const bool box = (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need{}, have{};
    DrawTextA(dc, Text(control).c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old), ReleaseDC(control, dc), GetClientRect(control, &have);
    return need.right + (box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0) <= have.right;
}

TEST(OptionsViewTest, TheDialogShowsTheModelAndOkHandsOnWhatTheUserChanged) {
    test::OptionsWorld world;
    world.WriteSettings(
        "ResetSettings=0\r\nGenerateLog=1\r\nLODLowRange=-1.5\r\nLODHighRange=3\r\n");
    Application app{GetModuleHandleA(nullptr), world.prompts};
    OptionsWindowHost host(app, nullptr);
    std::string shown;
    gUser = [&](HWND d) {
        for (int id : {IDC_CHKRESTOREPREV, IDC_CHKAUTOSTART, IDC_CHKLOG})
            shown += IsDlgButtonChecked(d, id) == BST_CHECKED ? "X " : "- ";
        shown += Text(GetDlgItem(d, IDC_EDLODLOW)) + " " + Text(GetDlgItem(d, IDC_EDLODHIGH));
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            EXPECT_TRUE(CaptionFits(c)) << Text(c);
        SetDlgItemTextA(d, IDC_EDLODLOW, "-0.5");
        // Handled in this order after the typing: every box changes, then OK.
        for (int id : {IDC_CHKRESTOREPREV, IDC_CHKAUTOSTART, IDC_CHKLOG, IDOK})
            PostMessageA(GetDlgItem(d, id), BM_CLICK, 0, 0);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, OnTick);
    EXPECT_TRUE(RunOptions(world.Services(), host));
    KillTimer(nullptr, timer);

    EXPECT_EQ(shown, "- - X -1.5 3");
    EXPECT_EQ(world.Setting("ResetSettings") + world.Setting("GenerateLog"), "10");
    EXPECT_EQ(world.Setting("LODLowRange") + " " + world.Setting("LODHighRange"), "-0.5 3");
    EXPECT_EQ(world.reg.At(TRootKey::hkLocalMachine, TfmOptions::kRunKey)
                  .ReadValueDefault(TfmOptions::kAutoStartValue, "(none)"),
              world.program + " /min");
    EXPECT_TRUE(world.prompts.shown.empty());
}

}  // namespace
}  // namespace pallisar
