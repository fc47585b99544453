// The Options dialog run modally on the Windows layer, driven from a timer the way a
// user drives it: its controls as the model fills them, clicks, typing, OK; and the
// whole command with the change-icon dialog opened over it.
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
#include "support/registry_seed.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

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

void RunScript(std::vector<std::function<bool(HWND)>> steps, const std::function<void()>& show) {
    gSteps = std::move(steps), gNext = 0, gTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    show();
    KillTimer(nullptr, timer);
    EXPECT_EQ(gNext, gSteps.size()) << "the script did not run to its end";
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string Text(HWND window) {
    char text[300] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The controls that show a caption, with it; none may be cut off.
struct Captioned {
    int id;
    const char* text;
    bool checkBox;
};
constexpr Captioned kCaptions[] = {
    {IDC_CHKRESTOREPREV, "&Restore Previous Settings When Game is Done", true},
    {IDC_CHKAUTOSTART, "&Start Automatically with Windows", true},
    {IDC_CHKLOG, "&Generate Log File", true},
    {IDC_LBL_LODRANGE, "LOD Range:", false},
    {IDC_LBL_LODTO, "to", false},
    {IDC_LBL_CHANGEICON, "Change Application Icon", false},
    {IDC_OPTIONS_BTNEDPATH, "...", false},
    {IDC_LBL_RESETCARD, "Reset Card Selection", false},
    {IDC_BUTTON1, "Reset", false},
    {IDOK, "OK", false},
    {IDCANCEL, "Cancel", false},
};

// The caption's width in the control's font, with the check box's square.
int NeededWidth(HWND control, const std::string& text, bool checkBox) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT r{};
    DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return r.right + (checkBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
}

class OptionsViewTest : public testing::Test {
  protected:
    OptionsViewTest() {
        test::WriteFileBytes(program, test::MakePeFile(test::NumberedGroups(2)));
        test::WriteFileBytes(dir.File("settings.cfg"),
                             "[Program]\r\nResetSettings=0\r\nGenerateLog=1\r\n"
                             "LODLowRange=-1.5\r\nLODHighRange=3\r\nVideoCard=Voodoo5\r\n");
    }
    OptionsServices Services() { return {dir.Path(), program, prompts, reg}; }
    std::string Setting(const char* key) const {
        return IniFile(dir.File("settings.cfg")).ReadString("Program", key, "(none)");
    }

    test::TempDir dir;
    const std::string program = dir.File("pallisar.exe");
    MemoryRegistry memory;
    test::ValueRefusingStore store{memory};
    TRegistryEnhanced reg{store};
    FakePrompts errors, prompts;  // the application's error box; the dialog's prompts
    Application app{GetModuleHandleA(nullptr), errors};
};

TEST_F(OptionsViewTest, ShowsTheModelAndHandsTheUsersChangesBackOnOk) {
    ASSERT_TRUE(test::SeedText(memory, kRun, "Pallisar5 Game Launcher", program + " /min"));
    TfmOptions model(Services());
    std::vector<bool> checks;
    std::vector<std::string> texts;
    RunScript({
                  [&](HWND d) {
                      for (int id : {IDC_CHKRESTOREPREV, IDC_CHKAUTOSTART, IDC_CHKLOG})
                          checks.push_back(IsDlgButtonChecked(d, id) == BST_CHECKED);
                      for (int id : {IDC_EDLODLOW, IDC_EDLODHIGH})
                          texts.push_back(Text(GetDlgItem(d, id)));
                      for (const Captioned& c : kCaptions) {
                          HWND control = GetDlgItem(d, c.id);
                          RECT r{};
                          GetClientRect(control, &r);
                          EXPECT_EQ(Text(control), c.text);
                          EXPECT_LE(NeededWidth(control, c.text, c.checkBox), r.right) << c.text;
                      }
                      Click(d, IDC_CHKLOG), Click(d, IDC_CHKAUTOSTART);
                      SetDlgItemTextA(d, IDC_EDLODLOW, "0.5");
                      return true;
                  },
                  [&](HWND d) { return Click(d, IDOK), true; },
              },
              [&] { EXPECT_TRUE(ShowOptions(app, nullptr, model)); });
    EXPECT_EQ(checks, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(texts, (std::vector<std::string>{"-1.5", "3"}));
    EXPECT_FALSE(model.chkRestorePrev.Checked);
    EXPECT_FALSE(model.chkAutoStart.Checked);
    EXPECT_FALSE(model.chkLog.Checked);
    EXPECT_EQ(model.edLODLow.Text, "0.5");
    EXPECT_EQ(model.edLODHigh.Text, "3");
    EXPECT_EQ(Setting("LODLowRange"), "-1.5") << "nothing is written before OK's steps";
    EXPECT_TRUE(errors.shown.empty());
}

// The error box notes whether the Options dialog was still on screen.
class WitnessPrompts : public FakePrompts {
  public:
    void ShowApplicationError(const std::string& message) override {
        optionsUp.push_back(FindWindowA("#32770", "Options") != nullptr);
        FakePrompts::ShowApplicationError(message);
    }
    std::vector<bool> optionsUp;
};

TEST_F(OptionsViewTest, TheCommandWithTheChangeIconDialogOverItAndARefusedAutostart) {
    WitnessPrompts errorBox;
    Application app{GetModuleHandleA(nullptr), errorBox};
    store.refused.insert("Pallisar5 Game Launcher");
    OptionsWindowHost host(app, nullptr);
    HWND iconOwner = nullptr, options = nullptr;
    std::string cardWhileOpen;
    int afterOK = 0;
    RunScript({
                  [&](HWND d) { return options = d, Click(d, IDC_OPTIONS_BTNEDPATH), true; },
                  [&](HWND) {
                      HWND changeIcon = FindWindowA("#32770", "Change Icon");
                      if (!changeIcon || !IsWindowVisible(changeIcon)) return false;
                      iconOwner = GetWindow(changeIcon, GW_OWNER);
                      PostMessageA(GetDlgItem(changeIcon, IDOK), BM_CLICK, 0, 0);
                      return true;
                  },
                  [&](HWND d) {
                      if (FindWindowA("#32770", "Change Icon")) return false;
                      return Click(d, IDC_BUTTON1), true;
                  },
                  [&](HWND d) {
                      if (prompts.shown.empty()) return false;
                      cardWhileOpen = Setting("VideoCard");
                      Click(d, IDC_CHKAUTOSTART), Click(d, IDC_CHKRESTOREPREV);
                      SetDlgItemTextA(d, IDC_EDLODHIGH, "1,5");
                      return true;
                  },
                  [&](HWND d) { return Click(d, IDOK), true; },
              },
              [&] { app.Guard([&] { RunOptions(Services(), host, [&] { ++afterOK; }); }); });
    EXPECT_EQ(iconOwner, options) << "the change-icon dialog belongs to the Options dialog";
    EXPECT_EQ(test::ReadFileBytes(dir.File("pallisar.ico")),
              test::MakeIcoFile({test::NumberedGroups(2)[0].images[1]}));
    EXPECT_EQ(cardWhileOpen, "(none)");
    EXPECT_EQ(
        prompts.shown,
        (std::vector<FakePrompts::Prompt>{{"Information",
                                           "Video Card Reset.\rPlease restart program to reselect "
                                           "video card."}}));
    // OK's steps all ran; the refusal was shown last, with the dialog closed.
    EXPECT_EQ(Setting("ResetSettings"), "1");
    EXPECT_EQ(Setting("GenerateLog"), "1");
    EXPECT_EQ(Setting("LODHighRange"), "3");
    EXPECT_EQ(afterOK, 1);
    EXPECT_EQ(errorBox.shown,
              (std::vector<FakePrompts::Prompt>{{"Application",
                                                 "Failed to set data for 'Pallisar5 Game "
                                                 "Launcher'"}}));
    EXPECT_EQ(errorBox.optionsUp, std::vector<bool>{false});
}

}  // namespace
}  // namespace pallisar
