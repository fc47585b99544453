#pragma once
// The game list as an owner-data list view (LVS_OWNERDATA): the list view keeps no item
// of its own, only their number and which is selected; it asks for an item's caption,
// Path column and image each time it draws or reads the item (LVN_GETDISPINFO), and
// for the item a typed prefix names (LVN_ODFINDITEM). Filling the list is setting the
// number, however many games there are.

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <functional>
#include <vector>

#include "app/game_list.h"

namespace pallisar {

// Answers LVN_GETDISPINFOA or, when `wide`, LVN_GETDISPINFOW (the layouts agree but
// for the text) from the item's entry; `image` gives its image when asked for.
void AnswerItem(NMLVDISPINFOA& info, bool wide, const std::vector<ListItem>& items,
                const std::function<int(const ListItem&)>& image);

// Answers LVN_ODFINDITEMA or, when `wide`, LVN_ODFINDITEMW: the first item from the
// start item on (wrapping when asked) whose caption equals the text, or begins with it
// for a partial search, without regard to the case of ASCII letters; -1 for none.
int FindItem(const NMLVFINDITEMA& find, bool wide, const std::vector<ListItem>& items);

}  // namespace pallisar
