// The launcher as a resident of the desktop: its tray icon (present while it runs, gone
// after Exit, back after the shell restarts), minimising to the tray and a click that
// brings the window back, the Options dialog, the About box. pallisar.exe under Wine on a simulated
// board.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board.h"
#include "dialogs.h"
#include "harness.h"
#include "support/icon_fixtures.h"
#include "win32/resource.h"

namespace pallisar::e2e {
namespace {

constexpr char kTitle[] = "Pallisar Game Launcher";

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = dir_.Install(PALLISAR_EXE);
        dir_.Write("settings.cfg", "[Program]\r\nVersion=1.01\r\n");
        dir_.Write("Game.dat", "[Some Game]\r\nRun=C:\\some\\game.exe\r\n");
    }

    void StartReady(std::vector<std::string> args = {}) {
        ASSERT_TRUE(LoadBoard("voodoo5_dual"));
        ASSERT_TRUE(app_.Start(exe_, LaunchOptions{std::move(args), {}, {}}));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
        ASSERT_TRUE(Eventually([&] { return (tray_ = FindTrayWindow(app_.Id())) != nullptr; },
                               "a tray window"));
    }

    void Command(UINT id) { ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0)); }

    bool InTray() const { return !IsWindowVisible(window_) && TrayIconShown(tray_); }
    bool Shown() const { return IsWindowVisible(window_) && !IsIconic(window_); }

    ProgramDirectory dir_;
    std::string exe_;
    AppProcess app_;
    HWND window_ = nullptr;
    HWND tray_ = nullptr;
};

TEST_F(ShellTest, TrayIconIsThereWhileTheProgramRunsAndGoneAfterExit) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(Eventually([&] { return TrayIconShown(tray_) && WineTrayIcon(); }, "an icon"));

    // Explorer restarting: the icons are gone and "TaskbarCreated" goes to every window.
    ASSERT_TRUE(RemoveTrayIcon(tray_));
    ASSERT_FALSE(TrayIconShown(tray_));
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Eventually([&] { return TrayIconShown(tray_); }, "added again"));

    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
    EXPECT_FALSE(TrayIconShown(tray_));
    EXPECT_TRUE(Eventually([] { return WineTrayIcon() == nullptr; }, "gone from Wine's tray"));
}

TEST_F(ShellTest, MinimisingLeavesOnlyTheTrayIconAndAClickBringsTheWindowBack) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    PostMessageA(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    // A hidden window has no taskbar button.
    ASSERT_TRUE(Eventually([&] { return InTray(); }, "in the tray"));

    ASSERT_TRUE(ClickWineTrayIcon(WM_LBUTTONDOWN));
    ASSERT_TRUE(Eventually([&] { return Shown(); }, "shown again"));
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == window_; }, "in front"));

    // The menu's "&Restore" does the same; it is the bold default item.
    PostMessageA(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(Eventually([&] { return InTray(); }, "in the tray again"));
    ASSERT_TRUE(ClickWineTrayIcon(WM_RBUTTONDOWN));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitForPopupMenu(app_.Id(), &menu));
    SaveScreenshot(nullptr, Shot("tray-menu"));
    // Some Game, the separator, "&Restore", "E&xit": Up twice from the end.
    for (WPARAM key : {VK_UP, VK_UP, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
    ASSERT_TRUE(Eventually([&] { return Shown(); }, "restored from the menu"));
    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
}

TEST_F(ShellTest, MinSwitchStartsInTheTray) {
    ASSERT_NO_FATAL_FAILURE(StartReady({"/MIN"}));
    ASSERT_TRUE(Eventually([&] { return InTray(); }, "in the tray"));
    ASSERT_TRUE(ClickWineTrayIcon(WM_LBUTTONDOWN));
    ASSERT_TRUE(Eventually([&] { return Shown(); }, "shown"));
    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
}

TEST_F(ShellTest, AboutIsAPlainBoxTitledWithTheApplication) {
    ASSERT_NO_FATAL_FAILURE(StartReady());
    Command(IDM_HELP_ABOUT);
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_EQ(box.text.rfind("Pallisar Game Launcher", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("Version 1.01"), std::string::npos);
    // Modal: the window answers no command until OK.
    EXPECT_FALSE(IsWindowEnabled(window_));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    ASSERT_TRUE(Eventually([&] { return IsWindowEnabled(window_) != FALSE; }, "enabled"));
    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
}

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kAutoStart[] = "Pallisar5 Game Launcher";

void DeleteAutoStart() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, kAutoStart);
    RegCloseKey(key);
}

void SetText(HWND dialog, int id, const char* text) {
    SendMessageA(Item(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

TEST_F(ShellTest, OptionsAreStoredOnOkAndResetActsAtOnce) {
    DeleteAutoStart();
    dir_.Write("settings.cfg", "[Program]\r\nVersion=1.01\r\nVideoCard=3\r\nLODLowRange=-1\r\n");
    ASSERT_NO_FATAL_FAILURE(StartReady());
    Command(IDM_EDIT_OPTIONS);
    HWND options = nullptr;
    ASSERT_TRUE(WaitForDialog(app_, "Options", &options));
    EXPECT_TRUE(Checked(options, IDC_CHKRESTOREPREV));
    EXPECT_FALSE(Checked(options, IDC_CHKAUTOSTART));
    EXPECT_FALSE(Checked(options, IDC_CHKLOG));
    EXPECT_EQ(WindowText(Item(options, IDC_EDLODLOW)), "-1");
    EXPECT_EQ(WindowText(Item(options, IDC_EDLODHIGH)), "2");
    Sleep(500);  // painted in full
    SaveScreenshot(options, Shot("options"));

    // "Reset" acts at once, before OK or Cancel.
    Click(options, IDC_BUTTON1);
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBoxTitled(app_, "Information", &box));
    EXPECT_NE(box.text.find("Video Card Reset."), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Please restart program to reselect video card."), std::string::npos);
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    EXPECT_EQ(dir_.Read("settings.cfg").find("VideoCard"), std::string::npos);

    // Autostart on; of the LOD boxes only the number is stored.
    Click(options, IDC_CHKAUTOSTART);
    ASSERT_TRUE(Eventually([&] { return Checked(options, IDC_CHKAUTOSTART); }, "ticked"));
    SetText(options, IDC_EDLODHIGH, "3");
    SetText(options, IDC_EDLODLOW, "x");
    Click(options, IDOK);
    ASSERT_TRUE(WaitUntilGone(options));
    EXPECT_TRUE(Eventually(
        [&] { return ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kAutoStart) == exe_ + " /min"; },
        "the autostart value"));
    // OK writes the LOD range last.
    EXPECT_TRUE(Eventually(
        [&] { return dir_.Read("settings.cfg").find("LODHighRange=3\r\n") != std::string::npos; },
        "the LOD range stored"));
    const std::string settings = dir_.Read("settings.cfg");
    EXPECT_NE(settings.find("LODLowRange=-1\r\n"), std::string::npos) << settings;

    // And off again: the value is gone.
    Command(IDM_EDIT_OPTIONS);
    ASSERT_TRUE(WaitForDialog(app_, "Options", &options));
    EXPECT_TRUE(Checked(options, IDC_CHKAUTOSTART));
    Click(options, IDC_CHKAUTOSTART);
    ASSERT_TRUE(Eventually([&] { return !Checked(options, IDC_CHKAUTOSTART); }, "cleared"));
    Click(options, IDOK);
    ASSERT_TRUE(WaitUntilGone(options));
    EXPECT_TRUE(Eventually(
        [&] { return !ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kAutoStart).has_value(); },
        "no autostart value"));
    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
    DeleteAutoStart();
}

// The icon chosen in the change-icon dialog cannot be read once the dialog closes (its
// file is gone): the icon there was stays, byte for byte, and the user is told so.
TEST_F(ShellTest, AnIconThatCannotBeSavedKeepsTheOldOne) {
    const std::string oldIcon = test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 1)});
    dir_.Write("pallisar.ico", oldIcon);
    // Two icons, where pallisar.ico, which the dialog opens on, has one.
    dir_.Write("chosen.dll", test::MakePeFile(test::NumberedGroups(2)));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    Command(IDM_EDIT_OPTIONS);
    HWND options = nullptr;
    ASSERT_TRUE(WaitForDialog(app_, "Options", &options));
    Click(options, IDC_OPTIONS_BTNEDPATH);
    HWND changeIcon = nullptr;
    ASSERT_TRUE(WaitForDialog(app_, "Change Icon", &changeIcon));

    HWND name = Item(changeIcon, IDC_CHANGEICON_FILENAME);
    SetText(changeIcon, IDC_CHANGEICON_FILENAME, dir_.File("chosen.dll").c_str());
    PostMessageA(name, WM_KEYDOWN, VK_RETURN, 0);
    HWND icons = Item(changeIcon, IDC_CHANGEICON_ICONS);
    ASSERT_TRUE(Eventually([&] { return SendMessageA(icons, LB_GETCOUNT, 0, 0) == 2; },
                           "the chosen file's icons listed"));
    ASSERT_TRUE(DeleteFileA(dir_.File("chosen.dll").c_str()));
    Click(changeIcon, IDOK);

    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBoxTitled(app_, "Error", &box));
    EXPECT_EQ(box.text, "Error in icon! The previous icon has been kept.");
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    EXPECT_EQ(dir_.Read("pallisar.ico"), oldIcon);
    Click(options, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(options));
    Command(IDC_BTN_EXIT);
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
    EXPECT_EQ(dir_.Read("pallisar.ico"), oldIcon);
}

}  // namespace
}  // namespace pallisar::e2e
