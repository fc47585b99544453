// The tray icon on Windows' own shell: the icon really appears and goes, the shell's
// mouse notifications reach the events on this thread, a restarted shell gets the icon
// again, and the popup menu works over a real menu.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "shell/tray_icon.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "win32/application.h"
#include "win32/win32_tray_menu.h"
#include "win32/win32_tray_platform.h"

namespace pallisar {
namespace {

void Pump(DWORD milliseconds = 0) {
    const DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds) Sleep(10);
    } while (GetTickCount() < end);
}

HWND Hwnd(TrayWindow window) { return reinterpret_cast<HWND>(window); }

// Whether the shell holds an icon of `window`: only an icon it has can be modified.
bool ShellHasIcon(HWND window) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

// Without a desktop of its own, Wine shows the icons as child windows of a tray window
// of its X11 driver; null when this Wine shows them some other way.
HWND WineTrayIconWindow() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    return tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
}

Icon Images() { return Icon{{test::MakeDibImage(16, 16, 4, 1), test::MakeDibImage(32, 32, 8)}}; }

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
    test::FakePrompts prompts_;
    Application app_{GetModuleHandleA(nullptr), prompts_};
    Win32TrayPlatform platform_{app_};
};

TEST_F(Win32TrayIconTest, TheIconAppearsWhileActiveAndGoesWithTheComponent) {
    HWND window;
    {
        TTrayIcon tray(platform_);
        window = Hwnd(tray.HiddenWindow());
        ASSERT_TRUE(IsWindow(window));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(GetParent(window), nullptr);  // top-level: it gets the shell's broadcasts
        EXPECT_FALSE(ShellHasIcon(window));

        tray.Icon().SetIcon(Images());
        EXPECT_TRUE(tray.IconAdded());
        EXPECT_TRUE(ShellHasIcon(window));
        const bool wineTray = WineTrayIconWindow() != nullptr;

        tray.SetActive(false);
        EXPECT_FALSE(ShellHasIcon(window));
        if (wineTray) {
            EXPECT_EQ(WineTrayIconWindow(), nullptr);
        }
        tray.SetActive(true);
        EXPECT_TRUE(ShellHasIcon(window));
        tray.SetHint("Pallisar Game Launcher");
        tray.Icon().SetIcon({});
        EXPECT_FALSE(ShellHasIcon(window));
        tray.Icon().SetIcon(Images());
        EXPECT_TRUE(ShellHasIcon(window));
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WineTrayIconWindow(), nullptr);
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(Win32TrayIconTest, TheShellsNotificationsReachTheEventsOnThisThread) {
    TTrayIcon tray(platform_);
    tray.Icon().SetIcon(Images());
    std::vector<std::string> events;
    tray.OnClick = [&](TTrayIcon&, TMouseButton button, TShiftState shift, int, int) {
        events.push_back(
            std::string(button == TMouseButton::mbLeft ? "left" : "other") +
            ((shift & ssLeft) ? " l" : "") +
            (GetCurrentThreadId() == GetWindowThreadProcessId(Hwnd(tray.HiddenWindow()), nullptr)
                 ? " ui"
                 : ""));
    };
    PostMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONDOWN);
    PostMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONUP);
    Pump();
    EXPECT_EQ(events, std::vector<std::string>{"left l ui"});

    // Through the shell itself: a click on the icon as Wine shows it.
    if (HWND icon = WineTrayIconWindow()) {
        events.clear();
        PostMessageA(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(icon, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump(300);
        EXPECT_EQ(events, std::vector<std::string>{"left l ui"});
    }

    // A handler's error goes to the error box and the window goes on.
    tray.OnClick = [](TTrayIcon&, TMouseButton, TShiftState, int, int) {
        throw std::runtime_error("Tray failed");
    };
    SendMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONDOWN);
    SendMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONUP);
    EXPECT_EQ(prompts_.shown,
              (std::vector<test::FakePrompts::Prompt>{{"Application", "Tray failed."}}));
    EXPECT_TRUE(ShellHasIcon(Hwnd(tray.HiddenWindow())));
}

TEST_F(Win32TrayIconTest, ARestartedShellGetsTheIconAgain) {
    TTrayIcon tray(platform_);
    tray.Icon().SetIcon(Images());
    HWND window = Hwnd(tray.HiddenWindow());
    // The shell forgets the icon, as a restarted Explorer would.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    ASSERT_FALSE(ShellHasIcon(window));
    // What Explorer tells every top-level window when it starts.
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Pump(200);
    EXPECT_TRUE(ShellHasIcon(window));
    EXPECT_TRUE(tray.IconAdded());

    // An inactive icon stays away.
    tray.SetActive(false);
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Pump(200);
    EXPECT_FALSE(ShellHasIcon(window));
}

TEST_F(Win32TrayIconTest, TheMenuRunsTheDefaultItemAndTheChosenOne) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 10, "Game");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, 11, "&Restore");
    AppendMenuA(menu, MF_STRING, 12, "E&xit");
    std::vector<int> commands;
    Win32TrayMenu trayMenu([&] { return menu; }, [&](int command) { commands.push_back(command); });
    TTrayIcon tray(platform_);
    tray.Icon().SetIcon(Images());
    tray.SetPopupMenu(&trayMenu);
    int dblClicks = 0;
    tray.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };

    SendMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONDBLCLK);  // no default item
    SetMenuDefaultItem(menu, 11, FALSE);
    SendMessageA(Hwnd(tray.HiddenWindow()), 0xB054, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(commands, std::vector<int>{11});

    // A right click pops the menu up; the user picks the last item with the keyboard.
    commands.clear();
    menuOwner = Hwnd(tray.HiddenWindow());
    menuPicked = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PickLastMenuItem);
    SendMessageA(menuOwner, 0xB054, 0, WM_RBUTTONDOWN);
    SendMessageA(menuOwner, 0xB054, 0, WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    EXPECT_EQ(commands, std::vector<int>{12});
    DestroyMenu(menu);
    EXPECT_TRUE(prompts_.shown.empty());
}

}  // namespace
}  // namespace pallisar
