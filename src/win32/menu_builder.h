#pragma once
// Real menus made from the models' menus (ui/menu_model.h): captions, command ids,
// sub-menus, check marks, radio bullets, graying and the default item. Invisible
// items are left out.

#include <windows.h>

#include <vector>

#include "ui/menu_model.h"
#include "win32/scoped_handle.h"

namespace pallisar {

// Empties `menu` and fills it with `items`. An item with neither a command nor
// sub-items, other than a separator, is left out (it could not be chosen).
void FillMenu(HMENU menu, const std::vector<MenuItem>& items);
// A menu bar holding `menu`'s items as drop-down menus.
ScopedMenu CreateMenuBar(const Menu& menu);
// A pop-up menu holding `items`.
ScopedMenu CreatePopupMenuFrom(const std::vector<MenuItem>& items);

}  // namespace pallisar
