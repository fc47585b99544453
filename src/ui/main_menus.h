#pragma once
// The main window's three menus with their captions and command ids: the one place
// they are written. The view builds its real menus from these, the state report
// renders them.

#include <vector>

#include "app/game_list.h"
#include "ui/menu_model.h"

namespace pallisar {

// The File menu's and the tray menu's command that ends the wait for a game: enabled
// only while a launch waits.
inline constexpr const char* kStopWaitingCaption = "Stop &Waiting";

// The menu bar: "&File", "&Edit", "&Help".
Menu BuildMainMenu1();
// The list's context menu; "&Run" is its default item, the View entries radio items.
Menu BuildPopupMenu1();
// The tray menu before the first load of the list: "DUMMY", a separator, "Stop
// &Waiting", "&Restore" (default) and "E&xit".
std::vector<MenuItem> DesignTimeTrayPopup();
// The tray menu for a loaded list: its games in list order, then (when there are
// some) a separator and the Config Only entries, then the separator, "Stop &Waiting",
// "&Restore" and "E&xit". A game item gives IDM_TRAY_GAME_FIRST + its position in the menu.
std::vector<MenuItem> TrayPopupFor(const std::vector<ListItem>& items);

}  // namespace pallisar
