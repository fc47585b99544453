// The tray icon on Windows' own shell: the icon really comes and goes, the shell's
// mouse notifications reach the events on this thread, a restarted shell gets the icon
// again, and the popup menu works over a real menu.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "shell/tray_icon.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "win32/application.h"
#include "win32/win32_tray_menu.h"
#include "win32/win32_tray_platform.h"

namespace pallisar {
namespace {

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    } while (GetTickCount() < end);
}

// Whether the shell holds an icon of `window`: only an icon it has can be modified.
bool ShellHasIcon(HWND window) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

// Without a desktop window of its own, Wine shows each icon as a child window of its
// X11 driver's tray window; null when there is none (or Wine shows icons otherwise).
HWND WineTrayIconWindow() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    return tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
}

// The user at an open popup menu: goes up to the last item and takes it, once.
HWND menuOwner;
bool menuPicked;
void CALLBACK PickLastMenuItem(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (!menuPicked && popup && IsWindowVisible(popup)) {
        menuPicked = true;
        PostMessageA(menuOwner, WM_KEYDOWN, VK_UP, 0);
        PostMessageA(menuOwner, WM_KEYDOWN, VK_RETURN, 0);
    }
}

class Win32TrayIconTest : public testing::Test {
  protected:
    void SetUp() override {
        tray_.Icon().SetIcon(Icon{{test::MakeDibImage(16, 16, 4), test::MakeDibImage(32, 32, 8)}});
        window_ = reinterpret_cast<HWND>(tray_.HiddenWindow());
    }
    test::FakePrompts prompts_;
    Application app_{GetModuleHandleA(nullptr), prompts_};
    Win32TrayPlatform platform_{app_};
    TTrayIcon tray_{platform_};
    HWND window_ = nullptr;
};

TEST_F(Win32TrayIconTest, TheIconComesAndGoes) {
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(GetParent(window_), nullptr);  // top-level: it gets the shell's broadcasts
    EXPECT_TRUE(tray_.IconAdded());
    EXPECT_TRUE(ShellHasIcon(window_));
    const bool wineTray = WineTrayIconWindow() != nullptr;
    tray_.SetActive(false);
    EXPECT_FALSE(ShellHasIcon(window_));
    EXPECT_FALSE(wineTray && WineTrayIconWindow());
    tray_.SetActive(true);
    EXPECT_TRUE(ShellHasIcon(window_));
    tray_.Icon().SetIcon({});
    EXPECT_FALSE(ShellHasIcon(window_));
}

TEST_F(Win32TrayIconTest, AClickReachesOnClickOnThisThread) {
    std::vector<DWORD> clicks;  // the thread of each left click
    tray_.OnClick = [&](TTrayIcon&, TMouseButton button, TShiftState, int, int) {
        if (button == TMouseButton::mbLeft) clicks.push_back(GetCurrentThreadId());
    };
    PostMessageA(window_, 0xB054, 0, WM_LBUTTONDOWN);
    PostMessageA(window_, 0xB054, 0, WM_LBUTTONUP);
    Pump(0);
    // Through the shell: a click on the icon as Wine shows it.
    if (HWND icon = WineTrayIconWindow()) {
        PostMessageA(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(icon, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump(300);
        EXPECT_EQ(clicks.size(), 2u);
    }
    EXPECT_GE(clicks.size(), 1u);
    for (DWORD thread : clicks) EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST_F(Win32TrayIconTest, ARestartedShellGetsTheIconAgain) {
    // The shell forgets the icon, then tells every top-level window that it started.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window_;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    ASSERT_FALSE(ShellHasIcon(window_));
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Pump(200);
    EXPECT_TRUE(ShellHasIcon(window_));
    EXPECT_TRUE(tray_.IconAdded());
}

TEST_F(Win32TrayIconTest, TheMenuRunsTheDefaultItemAndTheChosenOne) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 10, "Game");
    AppendMenuA(menu, MF_STRING, 11, "&Restore");
    AppendMenuA(menu, MF_STRING, 12, "E&xit");
    std::vector<int> commands;
    Win32TrayMenu trayMenu([&] { return menu; }, [&](int command) { commands.push_back(command); });
    tray_.SetPopupMenu(&trayMenu);
    int dblClicks = 0;
    tray_.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };

    SendMessageA(window_, 0xB054, 0, WM_LBUTTONDBLCLK);  // no default item yet
    SetMenuDefaultItem(menu, 11, FALSE);
    SendMessageA(window_, 0xB054, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(dblClicks, 1);

    menuOwner = window_;
    menuPicked = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PickLastMenuItem);
    SendMessageA(window_, 0xB054, 0, WM_RBUTTONDOWN);
    SendMessageA(window_, 0xB054, 0, WM_RBUTTONUP);  // returns when the menu has closed
    KillTimer(nullptr, timer);
    EXPECT_EQ(commands, (std::vector<int>{11, 12}));
    DestroyMenu(menu);
    EXPECT_TRUE(prompts_.shown.empty());
}

}  // namespace
}  // namespace pallisar
