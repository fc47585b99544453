#pragma once
// Helpers for driving another process's dialogs, menus and tray icon as a user does,
// and for screenshots of what the screen shows.

// clang-format off
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace pallisar::e2e {

// A control of a dialog by its id, also on its pages (child dialogs).
HWND Item(HWND dialog, int id);
// The visible dialog (#32770) of the process with this caption.
HWND FindDialog(DWORD processId, const std::string& caption);
testing::AssertionResult WaitForDialog(const AppProcess& app, const std::string& caption,
                                       HWND* dialog);
// Waits for a message box of the process with this caption (the process's own
// dialogs are #32770 windows too, and are passed over).
testing::AssertionResult WaitForMessageBoxTitled(const AppProcess& app, const std::string& caption,
                                                 MessageBoxInfo* box);
// Waits until the window is gone or hidden.
testing::AssertionResult WaitUntilGone(HWND window);
// Answers the common "Save As" dialog of the process as a user does: the file name typed
// into the name box, then Save. The name the dialog proposed goes to *proposed.
testing::AssertionResult SaveAs(const AppProcess& app, const std::string& path,
                                std::string* proposed);
// Posts a click to the dialog's button of this id.
void Click(HWND dialog, int id);
// Chooses a drop-down item as the user does: the box's page hears of the change, and
// has handled it on return.
void Choose(HWND dialog, int id, int index);
// Waits up to ten seconds for the condition: what a posted click changes shows once the
// program has handled it.
template <typename Condition>
testing::AssertionResult Eventually(Condition condition, const char* what) {
    for (int wait = 0; wait < 200; ++wait) {
        if (condition()) return testing::AssertionSuccess();
        Sleep(50);
    }
    return testing::AssertionFailure() << "never " << what;
}
// Waits until the control shows this text: a program shows a change once its handler
// has run, which may be after the file it wrote is there.
testing::AssertionResult TextBecomes(HWND control, const std::string& expected);
bool Checked(HWND dialog, int id);

// What the screen shows of a window (the whole screen for nullptr), row by row from the
// top.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenImage CaptureScreen(HWND window);
// Saves what the screen shows of a window (the whole screen for nullptr) as a BMP file.
void SaveScreenshot(HWND window, const std::string& path);
// The path of a screenshot named `name` in the build's screenshot folder.
std::string Shot(const std::string& name);

// The tray icon's hidden window of the process (nullptr when it has none).
HWND FindTrayWindow(DWORD processId);
// Whether the notification area holds the icon of that window (asked of the shell).
bool TrayIconShown(HWND trayWindow);
// Removes the icon of that window from the notification area, as a restarting shell
// loses it; true when the shell held it.
bool RemoveTrayIcon(HWND trayWindow);
// The icon in Wine's own notification area ("Wine System Tray"), when it shows exactly
// one; nullptr otherwise.
HWND WineTrayIcon();
// Presses and releases a mouse button (WM_LBUTTONDOWN / WM_RBUTTONDOWN) on the icon
// in Wine's notification area, as a user's click does.
testing::AssertionResult ClickWineTrayIcon(UINT buttonDown);
// The visible pop-up menu (#32768) of the process, waited for.
testing::AssertionResult WaitForPopupMenu(DWORD processId, HWND* menu);

}  // namespace pallisar::e2e
