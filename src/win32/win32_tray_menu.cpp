#include "win32/win32_tray_menu.h"

#include <algorithm>
#include <utility>

#include "win32/system_features.h"

namespace pallisar {

Win32TrayMenu::Win32TrayMenu(std::function<HMENU()> menu, std::function<void(int command)> run)
    : menu_(std::move(menu)), run_(std::move(run)) {}

int Win32TrayMenu::ItemCount() const {
    HMENU menu = menu_();
    return menu ? std::max(GetMenuItemCount(menu), 0) : 0;
}

UINT Win32TrayMenu::ItemState(int index) const {
    MENUITEMINFOA info = OldMenuItemInfo();
    info.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(menu_(), index, TRUE, &info)) return MFS_DISABLED;
    return info.fState;
}

bool Win32TrayMenu::ItemDefault(int index) const { return (ItemState(index) & MFS_DEFAULT) != 0; }

bool Win32TrayMenu::ItemEnabled(int index) const {
    return (ItemState(index) & (MFS_DISABLED | MFS_GRAYED)) == 0;
}

void Win32TrayMenu::Click(int index) {
    const UINT id = GetMenuItemID(menu_(), index);
    if (id != 0 && id != static_cast<UINT>(-1)) run_(static_cast<int>(id));
}

void Win32TrayMenu::Popup(TrayWindow owner, int x, int y) {
    HMENU menu = menu_();
    if (!menu) return;
    const HWND window = reinterpret_cast<HWND>(owner);
    const UINT command =
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y,
                       0, window, nullptr);
    // Lets the menu close properly when the user clicks elsewhere next time.
    PostMessageA(window, WM_NULL, 0, 0);
    if (command != 0) run_(static_cast<int>(command));
}

}  // namespace pallisar
