// The tray icon on Windows' own shell: the icon really comes and goes, the shell's
// mouse notifications reach the events, a restarted shell gets the icon again, and a
// double-click runs the real menu's default item.
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

// Runs this thread's messages for at least `milliseconds`.
void Pump(DWORD milliseconds) {
    for (const DWORD end = GetTickCount() + milliseconds;; Sleep(10)) {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
        if (GetTickCount() >= end) return;
    }
}

class Win32TrayIconTest : public testing::Test {
  protected:
    Win32TrayIconTest() {
        tray_.Icon().SetIcon(Icon{{test::MakeDibImage(16, 16, 4), test::MakeDibImage(32, 32, 8)}});
    }
    // Only an icon the shell has can be modified or deleted.
    bool Shell(DWORD message) {
        NOTIFYICONDATAA record{};
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window_;
        return Shell_NotifyIconA(message, &record) != FALSE;
    }
    test::FakePrompts prompts_;
    Application app_{GetModuleHandleA(nullptr), prompts_};
    Win32TrayPlatform platform_{app_};
    TTrayIcon tray_{platform_};
    HWND window_ = reinterpret_cast<HWND>(tray_.HiddenWindow());
};

TEST_F(Win32TrayIconTest, TheIconComesAndGoes) {
    EXPECT_TRUE(Shell(NIM_MODIFY));
    tray_.SetActive(false);
    EXPECT_FALSE(Shell(NIM_MODIFY));
    tray_.SetActive(true);
    EXPECT_TRUE(Shell(NIM_MODIFY));
    tray_.Icon().SetIcon({});
    EXPECT_FALSE(Shell(NIM_MODIFY));
}

TEST_F(Win32TrayIconTest, NotificationsReachTheEventsAndTheMenu) {
    std::vector<int> events;  // 1 for a left click, then the menu commands run
    tray_.OnClick = [&](TTrayIcon&, TMouseButton b, auto...) {
        events.push_back(b == TMouseButton::mbLeft);
    };
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 11, "&Restore");
    SetMenuDefaultItem(menu, 11, FALSE);
    Win32TrayMenu trayMenu([&] { return menu; }, [&](int command) { events.push_back(command); });
    tray_.SetPopupMenu(&trayMenu);
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK})
        PostMessageA(window_, NotifyIconData::kCallbackMessage, 0, m);
    Pump(0);
    EXPECT_EQ(events, (std::vector<int>{1, 11}));
    DestroyMenu(menu);
}

TEST_F(Win32TrayIconTest, ARestartedShellGetsTheIconAgain) {
    // The shell forgets the icon, then tells every top-level window that it started.
    ASSERT_TRUE(Shell(NIM_DELETE));
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Pump(200);
    EXPECT_TRUE(Shell(NIM_MODIFY));
}

}  // namespace
}  // namespace pallisar
