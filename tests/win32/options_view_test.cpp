// The "&Options..." command on the Windows layer, driven from a timer the way a user
// drives it: the controls as the model fills them, "..." opening the change-icon
// dialog over the Options dialog, "Reset", clicks, typing and OK.
#include "win32/options_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;

// One step per timer tick while the Options dialog is up; a step that returns false is
// tried again at the next tick. A stalled script cancels the dialog.
std::vector<std::function<bool(HWND options)>> gSteps;
size_t gNext = 0, gTicks = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Options");
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (++gTicks > 300 || gNext >= gSteps.size()) {
        KillTimer(nullptr, timer);
        if (gNext < gSteps.size()) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (gSteps[gNext](dialog)) ++gNext;
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string Text(HWND window) {
    char text[300] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Whether the control's caption fits in it (with the square of a check box).
bool CaptionFits(HWND control, bool checkBox) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need{}, have{};
    DrawTextA(dc, Text(control).c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old), ReleaseDC(control, dc);
    GetClientRect(control, &have);
    return need.right + (checkBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0) <= have.right;
}

// The application's error box, noting whether the Options dialog was still up.
class ErrorBox : public FakePrompts {
  public:
    void ShowApplicationError(const std::string& message) override {
        optionsUp.push_back(FindWindowA("#32770", "Options") != nullptr);
        FakePrompts::ShowApplicationError(message);
    }
    std::vector<bool> optionsUp;
};

TEST(OptionsViewTest, AUserChangesEveryOptionAndTheRefusedAutostartIsToldLast) {
    test::TempDir dir;
    const std::string program = dir.File("pallisar.exe");
    test::WriteFileBytes(program, test::MakePeFile(test::NumberedGroups(2)));
    test::WriteFileBytes(dir.File("settings.cfg"),
                         "[Program]\r\nResetSettings=0\r\nGenerateLog=1\r\nLODLowRange=-1.5\r\n"
                         "LODHighRange=3\r\nVideoCard=Voodoo5\r\n");
    auto setting = [&](const char* key) {
        return IniFile(dir.File("settings.cfg")).ReadString("Program", key, "(none)");
    };
    MemoryRegistry memory;
    test::ValueRefusingStore store{memory};
    store.refused = {"Pallisar5 Game Launcher"};
    TRegistryEnhanced reg{store};
    ErrorBox errorBox;
    FakePrompts prompts;
    Application app{GetModuleHandleA(nullptr), errorBox};
    OptionsWindowHost host(app, nullptr);

    std::vector<std::string> shown;
    HWND options = nullptr, iconOwner = nullptr;
    std::string cardWhileOpen;
    int afterOK = 0;
    gSteps = {
        [&](HWND d) {
            for (int id : {IDC_CHKRESTOREPREV, IDC_CHKAUTOSTART, IDC_CHKLOG})
                shown.push_back(IsDlgButtonChecked(d, id) == BST_CHECKED ? "X" : "-");
            shown.push_back(Text(GetDlgItem(d, IDC_EDLODLOW)));
            shown.push_back(Text(GetDlgItem(d, IDC_EDLODHIGH)));
            for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                const bool checkBox =
                    (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
                EXPECT_TRUE(CaptionFits(c, checkBox)) << Text(c);
            }
            return options = d, Click(d, IDC_OPTIONS_BTNEDPATH), true;
        },
        [&](HWND) {
            HWND changeIcon = FindWindowA("#32770", "Change Icon");
            if (!changeIcon || !IsWindowVisible(changeIcon)) return false;
            iconOwner = GetWindow(changeIcon, GW_OWNER);
            return PostMessageA(GetDlgItem(changeIcon, IDOK), BM_CLICK, 0, 0), true;
        },
        [&](HWND d) {
            if (FindWindowA("#32770", "Change Icon")) return false;
            return Click(d, IDC_BUTTON1), true;
        },
        [&](HWND d) {
            if (prompts.shown.empty()) return false;
            cardWhileOpen = setting("VideoCard");
            Click(d, IDC_CHKAUTOSTART), Click(d, IDC_CHKRESTOREPREV), Click(d, IDC_CHKLOG);
            SetDlgItemTextA(d, IDC_EDLODLOW, "-0.5");
            SetDlgItemTextA(d, IDC_EDLODHIGH, "1,5");
            return true;
        },
        [&](HWND d) { return Click(d, IDOK), true; },
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    app.Guard([&] {
        EXPECT_TRUE(RunOptions({dir.Path(), program, prompts, reg}, host, [&] { ++afterOK; }));
    });
    KillTimer(nullptr, timer);

    EXPECT_EQ(gNext, gSteps.size()) << "the script did not run to its end";
    EXPECT_EQ(shown, (std::vector<std::string>{"-", "-", "X", "-1.5", "3"}));
    EXPECT_EQ(iconOwner, options) << "the change-icon dialog belongs to the Options dialog";
    EXPECT_EQ(test::ReadFileBytes(dir.File("pallisar.ico")),
              test::MakeIcoFile({test::NumberedGroups(2)[0].images[1]}));
    EXPECT_EQ(cardWhileOpen, "(none)");
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>{{"Information",
                                                 "Video Card Reset.\rPlease restart program "
                                                 "to reselect video card."}}));
    // Every step of OK ran with what the user left in the controls; the refusal came
    // last, in the application's error box, with the dialog closed.
    EXPECT_EQ(setting("ResetSettings") + setting("GenerateLog"), "10");
    EXPECT_EQ(setting("LODLowRange") + " " + setting("LODHighRange"), "-0.5 3");
    EXPECT_EQ(afterOK, 1);
    EXPECT_EQ(errorBox.shown,
              (std::vector<FakePrompts::Prompt>{
                  {"Application", "Failed to set data for 'Pallisar5 Game Launcher'"}}));
    EXPECT_EQ(errorBox.optionsUp, std::vector<bool>{false});
}

}  // namespace
}  // namespace pallisar
