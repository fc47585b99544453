// The game list worked as in Explorer, on pallisar.exe under Wine: keys pressed as real
// input with the list focused (Enter, Delete, Shift+F10 and the menu key), and files
// dropped on the window as Explorer drops them (WM_DROPFILES with the files' names).

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "board.h"
#include "core/ini_file.h"
#include "dialogs.h"
#include "harness.h"
#include "launch_support.h"
#include "shell/shortcut_link.h"
#include "ui/drop_command.h"
#include "win32/com_ptr.h"
#include "win32/resource.h"
#include "win32/win32_shell_link.h"

namespace pallisar::e2e {
namespace {

using ::testing::ElementsAre;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

class ListKeysDropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard("voodoo5_dual"));
        exe_ = dir_.Install(PALLISAR_EXE);
        probe_ = dir_.Install(ProbeExe());
        report_ = dir_.File("launch-report.ini");
        // Without restoring the launcher does not wait for the game.
        dir_.Write("settings.cfg", "[Program]\r\nVersion=1.01\r\nResetSettings=0\r\n");
    }

    void StartReady() {
        LaunchOptions options{
            {},
            {{"PALLISAR_PROBE_REPORT", report_}, {"PALLISAR_PROBE_DRIVER_KEY", kDriverKey}},
            dir_.Path()};
        ASSERT_TRUE(app_.Start(exe_, options));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
        list_ = FindListView(window_);
    }

    // The item clicked with the mouse, so that the list has the focus and the item is
    // selected, as before a user's key.
    void Focus(int index) {
        ASSERT_TRUE(ClickListItem(app_, list_, index));
        ASSERT_TRUE(
            Eventually([&] { return ListView_GetNextItem(list_, -1, LVNI_SELECTED) == index; },
                       "the item selected"));
    }

    // Keys pressed once the launcher's window is in front, with the pointer over its
    // button panel.
    void PressKeysInFront(const std::vector<WORD>& keys) {
        ASSERT_TRUE(Eventually([&] { return GetForegroundWindow() == window_; },
                               "the launcher's window in front"));
        RECT frame{};
        ASSERT_TRUE(GetWindowRect(window_, &frame));
        ASSERT_TRUE(SetCursorPos(frame.left + 30, frame.bottom - 40));
        ASSERT_TRUE(PressKeys(keys));
    }

    // The delete question, answered.
    void AnswerConfirm(const std::string& button) {
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBoxTitled(app_, "Confirm", &box));
        EXPECT_EQ(box.text, "Are you sure you want to delete this shortcut?");
        ASSERT_TRUE(AnswerMessageBox(box, button));
        ASSERT_TRUE(WaitUntilGone(box.hwnd));
    }

    // The list's pop-up menu opened from the keyboard: it stands at the item's icon.
    void ExpectPopupAtItem(const std::vector<WORD>& keys, int index) {
        ASSERT_NO_FATAL_FAILURE(Focus(index));
        ASSERT_TRUE(PressKeys(keys));
        HWND menu = nullptr;
        ASSERT_TRUE(WaitForPopupMenu(app_.Id(), &menu));
        POINT icon{};
        ASSERT_TRUE(ListItemIconCenter(app_, list_, index, &icon));
        RECT rect{};
        GetWindowRect(menu, &rect);
        EXPECT_NEAR(rect.left, icon.x, 2);
        EXPECT_NEAR(rect.top, icon.y, 2);
        SaveScreenshot(nullptr, Shot("list-popup-from-keyboard"));
        ASSERT_TRUE(PressKeys({VK_ESCAPE}));
        ASSERT_TRUE(WaitUntilGone(menu));
    }

    // Files dropped on the window, as Explorer of the NT family drops them: WM_DROPFILES
    // with a DROPFILES block of UTF-16 names in the program's memory.
    void Drop(const std::vector<std::string>& files) {
        std::wstring names;
        for (const std::string& file : files)
            names += std::wstring(file.begin(), file.end()) + L'\0';
        names += L'\0';
        DROPFILES header{};
        header.pFiles = sizeof header;
        header.fWide = TRUE;
        // Room before the block: DragFinish hands it to the heap, which looks there.
        constexpr size_t kAt = 64;
        drop_ =
            std::make_unique<RemoteBuffer>(app_.Handle(), kAt + sizeof header + names.size() * 2);
        ASSERT_TRUE(drop_->Valid());
        ASSERT_TRUE(drop_->Write(kAt, &header, sizeof header));
        ASSERT_TRUE(drop_->Write(kAt + sizeof header, names.data(), names.size() * 2));
        ASSERT_TRUE(
            PostMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop_->At(kAt)), 0));
    }

    // The editor opened for a dropped file: its Title, Path and parameters, then OK or
    // Cancel.
    void ExpectEditor(const std::string& title, const std::string& path, const std::string& params,
                      int button) {
        HWND editor = nullptr;
        ASSERT_TRUE(WaitForDialog(app_, "Edit", &editor));
        EXPECT_EQ(WindowText(Item(editor, IDC_EDTITLE)), title);
        EXPECT_EQ(WindowText(Item(editor, IDC_EDPATH)), path);
        EXPECT_EQ(WindowText(Item(editor, IDC_EDCOMMANDLINE)), params);
        Sleep(300);  // painted before it is looked at
        SaveScreenshot(editor, Shot("editor-dropped-" + title));
        Click(editor, button);
        ASSERT_TRUE(WaitUntilGone(editor));
    }

    void ExitAndWait() {
        ASSERT_TRUE(PressButton(window_, "Exit"));
        ASSERT_TRUE(app_.WaitForExit(kTimeout));
    }

    ProgramDirectory dir_;
    std::string exe_;
    std::string probe_;
    std::string report_;
    AppProcess app_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    std::unique_ptr<RemoteBuffer> drop_;
};

// Each key command works however the one before it ended: Delete answered No, then
// Delete again with no click in between, and Delete after a game started with Enter
// (with a window in front, as a game has) has ended. The pointer is kept off the list,
// whose hover selection would give it the keyboard back and hide a lost focus.
TEST_F(ListKeysDropTest, EnterLaunchesDeleteAsksAndTheMenuKeysOpenThePopupAtTheItem) {
    dir_.Write("Game.dat", "[Doom]\r\nRun=C:\\doom.exe\r\n[Probe Game]\r\nRun=" + probe_ +
                               "\r\nParams=--from-enter --window --delay-ms 500\r\nGameOnly=1\r\n");
    ASSERT_NO_FATAL_FAILURE(StartReady());
    const std::string before = dir_.Read("Game.dat");

    ASSERT_NO_FATAL_FAILURE(Focus(0));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "Delete" : "Delete again after No");
        ASSERT_NO_FATAL_FAILURE(PressKeysInFront({VK_DELETE}));
        ASSERT_NO_FATAL_FAILURE(AnswerConfirm("&No"));
    }
    EXPECT_EQ(dir_.Read("Game.dat"), before);

    ASSERT_NO_FATAL_FAILURE(Focus(1));
    ASSERT_NO_FATAL_FAILURE(PressKeysInFront({VK_RETURN}));
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    EXPECT_THAT(runs[0].Field("CommandLine"), ::testing::HasSubstr(".exe --from-enter"));
    // The game's window took the foreground; it ends and the launcher is active again.
    const ScopedHandle game(
        OpenProcess(SYNCHRONIZE, FALSE, std::stoul(runs[0].Field("ProcessId"))));
    if (game.Valid()) {
        ASSERT_EQ(WaitForSingleObject(game.Get(), static_cast<DWORD>(kTimeout.count())),
                  WAIT_OBJECT_0);
    }
    // A window manager activates the launcher again; Wine without one may leave another
    // window in front, and then the launcher is activated as a window manager would.
    for (int wait = 0; wait < 40 && GetForegroundWindow() != window_; ++wait) Sleep(50);
    if (GetForegroundWindow() != window_) SetForegroundWindow(window_);
    ASSERT_NO_FATAL_FAILURE(PressKeysInFront({VK_DELETE}));
    ASSERT_NO_FATAL_FAILURE(AnswerConfirm("&No"));

    ASSERT_NO_FATAL_FAILURE(ExpectPopupAtItem({VK_SHIFT, VK_F10}, 1));
    ASSERT_NO_FATAL_FAILURE(ExpectPopupAtItem({VK_APPS}, 0));

    ASSERT_NO_FATAL_FAILURE(Focus(0));
    ASSERT_NO_FATAL_FAILURE(PressKeysInFront({VK_DELETE}));
    ASSERT_NO_FATAL_FAILURE(AnswerConfirm("&Yes"));
    EXPECT_TRUE(Eventually(
        [&] { return dir_.Read("Game.dat").find("[Doom]") == std::string::npos; }, "Doom deleted"));
    EXPECT_TRUE(Eventually([&] { return ListView_GetItemCount(list_) == 1; }, "one game left"));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

// A program with a version resource (a copy of the launcher, in a folder whose name
// holds a comma), a shortcut to one without (the probe) and a shortcut whose program is
// gone open the editor in turn, the last one cancelled; a text file is named in an error
// box. Only what was confirmed is written.
TEST_F(ListKeysDropTest, DroppedProgramsAndShortcutsOpenTheEditorInTurn) {
    dir_.Write("Game.dat", "");
    ASSERT_TRUE(CreateDirectoryA(dir_.File("Tomb Raider, Gold").c_str(), nullptr));
    const std::string launcher = dir_.File("Tomb Raider, Gold\\Launcher Copy.exe");
    ASSERT_TRUE(CopyFileA(exe_.c_str(), launcher.c_str(), FALSE));
    // The program's directory removes only its own files: the folder goes here.
    struct RemovedAtEnd {
        std::string file, folder;
        ~RemovedAtEnd() {
            DeleteFileA(file.c_str());
            RemoveDirectoryA(folder.c_str());
        }
    } const folder{launcher, dir_.File("Tomb Raider, Gold")};
    const std::string probeLink = dir_.File("Probe Game.lnk");
    const std::string goneLink = dir_.File("Gone.lnk");
    {
        ScopedCoInitialize com;
        Win32ShellLinkFactory factory;
        TShortcutLink link(factory);
        link.SetShortcutFile(probeLink);
        link.SetTarget(probe_);
        link.SetArguments("--delay-ms 10");
        link.SaveLink();
        link.SetShortcutFile(goneLink);
        link.SetTarget("C:\\Games\\Gone\\gone.exe");
        link.SetArguments("");
        link.SaveLink();
    }
    const std::string notes = dir_.File("notes.txt");
    dir_.Write("notes.txt", "not a game\r\n");
    ASSERT_NO_FATAL_FAILURE(StartReady());

    ASSERT_NO_FATAL_FAILURE(Drop({launcher, probeLink, goneLink, notes}));
    ASSERT_NO_FATAL_FAILURE(ExpectEditor(kTitle, launcher, "", IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectEditor("probe", probe_, "--delay-ms 10", IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectEditor("gone", "C:\\Games\\Gone\\gone.exe", "", IDCANCEL));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBoxTitled(app_, "Error", &box));
    EXPECT_EQ(box.text, NotAProgramMessage(notes));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    ASSERT_TRUE(WaitUntilGone(box.hwnd));

    ListViewState list;
    ASSERT_TRUE(ReadListView(app_, list_, &list));
    EXPECT_THAT(list.Captions(), ElementsAre(kTitle, "probe"));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    const IniFile gameDat(dir_.File("Game.dat"));
    EXPECT_THAT(gameDat.ReadSections(), ElementsAre(kTitle, "probe"));
    EXPECT_EQ(gameDat.ReadString(kTitle, "Run", ""), launcher);
    // The program's own icon, which the list read: it would have replaced an icon it
    // could not read with its fallback.
    EXPECT_EQ(gameDat.ReadString(kTitle, "IconName", ""), launcher + ",0");
    EXPECT_EQ(gameDat.ReadString("probe", "Run", ""), probe_);
    EXPECT_EQ(gameDat.ReadString("probe", "Params", ""), "--delay-ms 10");
}

}  // namespace
}  // namespace pallisar::e2e
