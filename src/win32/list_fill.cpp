#include "win32/list_fill.h"

// after windows.h, which it needs
#include <commctrl.h>

namespace pallisar {

void AppendListItems(HWND list, const std::vector<ListItem>& items) {
    // Drawing back on would also show a list that was hidden.
    const bool shown = (GetWindowLongPtrA(list, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int index = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (const ListItem& entry : items) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = index;
        item.pszText = const_cast<char*>(entry.Caption.c_str());
        item.iImage = 0;
        item.lParam = entry.ImageIndex;
        const int at = static_cast<int>(
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA path{};
        path.iSubItem = 1;
        path.pszText = const_cast<char*>(entry.Path.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&path));
        ++index;
    }
    if (!shown) return;
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    // Turning drawing back on does not repaint by itself.
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace pallisar
