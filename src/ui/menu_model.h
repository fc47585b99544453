#pragma once
// Menus as the models hold them: what each item shows, the command it gives, the
// state of its check mark, and its sub-items. Views build real menus from this.

#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

struct MenuItem {
    // The component name ("miRun", "mpDetails"); empty for the tray's game items.
    std::string Name;
    // "-" makes the item a separator.
    std::string Caption;
    // The command id the item gives (ui/command_ids.h); 0 for separators and sub-menus.
    int Command = 0;
    bool Checked = false;
    bool Enabled = true;
    bool Visible = true;
    bool Default = false;
    // Checked as one of a group of options (a bullet instead of a tick).
    bool RadioItem = false;
    // Position in the menu's image list; -1 for none.
    int ImageIndex = -1;
    std::vector<MenuItem> Items;

    bool IsSeparator() const { return Caption == "-"; }
};

struct Menu {
    std::string Name;
    std::vector<MenuItem> Items;
};

MenuItem Item(std::string name, std::string caption, int command = 0);
MenuItem Separator(std::string name);

// The item with that name at any depth; nullptr when there is none.
const MenuItem* FindMenuItem(const std::vector<MenuItem>& items, std::string_view name);
// The item giving `command` at any depth; nullptr when there is none.
const MenuItem* FindMenuCommand(const std::vector<MenuItem>& items, int command);
MenuItem* FindMenuCommand(std::vector<MenuItem>& items, int command);

}  // namespace pallisar
