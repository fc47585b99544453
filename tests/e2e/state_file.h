#pragma once
// The observable state that pallisar.exe writes to the file named by PALLISAR_STATE_FILE
// (after each list load, after the first activation, and on the registered message
// "PallisarWriteState"): caption, view style, menus with their flags, list items, the icons
// the list's image lists hold. Menus of
// another process cannot be read under Wine, so the tests read them here.

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "harness.h"

namespace pallisar::e2e {

struct MenuEntry {
    std::string caption;  // sub-items: "<parent> > <own caption>"
    std::string flags;    // s separator, c checked, d default, g grayed, r radio item
    int image = -1;
    bool Has(char flag) const { return flags.find(flag) != std::string::npos; }
};

struct StateListItem {
    std::string caption;
    int image = -1;
    std::string path;
};

struct StateReport {
    std::string caption;
    int viewStyle = -1;
    std::map<std::string, std::vector<MenuEntry>> menus;  // by menu name
    std::vector<StateListItem> list;
    int iconReads = -1;            // icons read since the list was loaded
    std::map<int, int> heldIcons;  // the slot of each icon the image lists hold

    // The captions of a menu's items ("-" for a separator); empty for an unknown menu.
    std::vector<std::string> MenuCaptions(const std::string& menu) const;
    // The captions of the menu's items that carry the flag.
    std::vector<std::string> Flagged(const std::string& menu, char flag) const;
};

// Parses the whole file; fails, naming the line, on anything it does not know, and when
// the caption, the view style or the list section is missing (a file caught half written).
testing::AssertionResult ParseStateReport(const std::string& text, StateReport* report);
// Sends "PallisarWriteState" to the main window, waits for its answer, then reads and
// parses the file that the program wrote.
testing::AssertionResult RequestStateReport(HWND window, const std::string& path,
                                            StateReport* report);

}  // namespace pallisar::e2e
