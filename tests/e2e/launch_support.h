#pragma once
// Helpers for the launch tests: the probe game's report, choosing an item of the
// launcher's list or tray menu, snapshots of the driver's keys, and checks of the log's
// order.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness.h"

namespace pallisar::e2e {

// probe.exe as built with the tests.
std::string ProbeExe();

// One block of the probe's report: its plain fields ("CommandLine", "Module", ...) and
// the driver values it saw, by name, as "<type>:<data>".
struct ProbeRun {
    std::map<std::string, std::string> fields;
    std::map<std::string, std::string> glide;
    std::map<std::string, std::string> d3d;
    bool complete = false;  // the block ends with End=1
    std::string Field(const std::string& name) const;
};
// Every block of the report file; empty when the file does not exist.
std::vector<ProbeRun> ReadProbeRuns(const std::string& path);
// Waits until the report holds `count` complete blocks.
testing::AssertionResult WaitForProbeRuns(const std::string& path, size_t count, Millis limit,
                                          std::vector<ProbeRun>* runs);

// Selects (and focuses) the list item at `index` of another process's list view, as a
// click would: the window is told through LVN_ITEMCHANGED.
testing::AssertionResult SelectListItem(const AppProcess& process, HWND list, int index);
// The middle of the item's icon, on the screen.
testing::AssertionResult ListItemIconCenter(const AppProcess& process, HWND list, int index,
                                            POINT* center);
// Clicks the item's icon with the mouse `clicks` times, as a user does (real input at the
// item's place on the screen): the list gets the focus and the item is selected.
testing::AssertionResult ClickListItem(const AppProcess& process, HWND list, int index,
                                       int clicks = 1);
testing::AssertionResult DoubleClickListItem(const AppProcess& process, HWND list, int index);
// Presses the keys in order and lets them go in the reverse order, as real input to the
// window that has the keyboard focus ({VK_SHIFT, VK_F10} is Shift+F10).
testing::AssertionResult PressKeys(const std::vector<WORD>& keys);
// Selects the list item with this caption.
testing::AssertionResult SelectTitle(const AppProcess& process, HWND window,
                                     const std::string& title);

// Chooses the tray menu's item with this caption as a user does: a right click on the
// icon in the notification area, then the arrow keys and Enter in the menu. The items are
// known from the state report that the program writes to `stateFile`; `whileOpen` is
// given the menu while it is up, before the keys.
testing::AssertionResult ClickTrayItem(const AppProcess& process, HWND window,
                                       const std::string& stateFile, const std::string& caption,
                                       const std::function<void(HWND menu)>& whileOpen = {});

// True when the window's thread answers a message within the limit.
bool Answers(HWND window, Millis limit);
// Waits until the process with this id has ended; false when it still runs at the limit.
bool WaitForProcessEnd(DWORD processId, Millis limit);

// `expected` appear in `lines` in this order (other lines may come between).
testing::AssertionResult ContainsInOrder(const std::vector<std::string>& lines,
                                         const std::vector<std::string>& expected);
// `expected` appear in `lines` as one run of consecutive lines.
testing::AssertionResult ContainsRun(const std::vector<std::string>& lines,
                                     const std::vector<std::string>& expected);

// The values of the board's driver key group ("Glide" or "D3D") and everything below it,
// as the test support's registry snapshot ("[sub\key]name" -> REGEDIT4 data).
std::map<std::string, std::string> SnapshotGroup(const std::string& driverKey,
                                                 const std::string& group);
// The differences between two snapshots, one line each ("+ ...", "- ...", "~ ...").
std::vector<std::string> Differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after);
// The string values directly in a group key, as the probe reports them ("1:<text>").
std::map<std::string, std::string> GroupValuesAsProbeSees(const std::string& driverKey,
                                                          const std::string& group);

// Directories below a test's program directory; RemoveTree deletes one with everything
// in it (the program directory itself only removes plain files).
bool CreateDirectories(const std::string& path);
void RemoveTree(const std::string& path);

}  // namespace pallisar::e2e
