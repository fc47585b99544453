#include "win32/menu_builder.h"

#include "win32/system_features.h"

namespace pallisar {

namespace {

void AppendItem(HMENU menu, const MenuItem& item) {
    MENUITEMINFOA info = OldMenuItemInfo();
    if (item.IsSeparator()) {
        info.fMask = MIIM_TYPE;
        info.fType = MFT_SEPARATOR;
    } else {
        info.fMask = MIIM_TYPE | MIIM_STATE | MIIM_ID;
        info.fType = item.RadioItem ? MFT_RADIOCHECK : MFT_STRING;
        info.dwTypeData = const_cast<char*>(item.Caption.c_str());
        info.fState = (item.Checked ? MFS_CHECKED : 0) | (item.Enabled ? 0 : MFS_GRAYED) |
                      (item.Default ? MFS_DEFAULT : 0);
        info.wID = static_cast<UINT>(item.Command);
        if (!item.Items.empty()) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = CreatePopupMenu();  // owned by `menu` from here on
            FillMenu(info.hSubMenu, item.Items);
        }
    }
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
}

}  // namespace

void FillMenu(HMENU menu, const std::vector<MenuItem>& items) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    for (const MenuItem& item : items) {
        if (!item.Visible) continue;
        if (!item.IsSeparator() && item.Command == 0 && item.Items.empty()) continue;
        AppendItem(menu, item);
    }
}

ScopedMenu CreateMenuBar(const Menu& menu) {
    ScopedMenu bar(CreateMenu());
    if (bar) FillMenu(bar.Get(), menu.Items);
    return bar;
}

ScopedMenu CreatePopupMenuFrom(const std::vector<MenuItem>& items) {
    ScopedMenu popup(CreatePopupMenu());
    if (popup) FillMenu(popup.Get(), items);
    return popup;
}

}  // namespace pallisar
