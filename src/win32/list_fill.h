#pragma once
// Filling the game list view. A list view that arranges its icons by itself
// (LVS_AUTOARRANGE) arranges and redraws after every insertion, so that filling it
// one item at a time grows with the square of the number of items: seconds for a few
// hundred games under Wine. Drawing is held back until every item is in.

#include <windows.h>

#include <vector>

#include "app/game_list.h"

namespace pallisar {

// Appends the items to the list view (caption, and the entry's Run value in the second
// column), in order, and redraws the list once at the end. Each item shows image 0 (the
// icon shown until its own is read); its lParam holds its icon number
// (ListItem::ImageIndex).
void AppendListItems(HWND list, const std::vector<ListItem>& items);

}  // namespace pallisar
