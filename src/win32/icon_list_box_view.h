#pragma once
// The icon list box on screen: an owner-drawn multi-column list box whose items are
// the icons of TIconListBox. Each item is as high, and each column as wide, as the
// system's large icon plus the model's Margin; the item's icon is drawn in its
// middle, read from the file when the item is first drawn.
//
// The list box itself comes from a dialog template (or any creator) with the styles
// LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTICOLUMN | LBS_NOINTEGRALHEIGHT |
// LBS_NOTIFY | WS_HSCROLL; its parent forwards WM_DRAWITEM, WM_MEASUREITEM and
// LBN_SELCHANGE. The model keeps the icons, so a list box destroyed and created
// again (Attach once more) shows them without reading the file again.

#include <windows.h>

#include <vector>

#include "ui/icon_list_box.h"
#include "win32/icon_handle.h"
#include "win32/scoped_handle.h"

namespace pallisar {

class IconListBoxView : private IconListBoxHost {
  public:
    explicit IconListBoxView(TIconListBox& model);
    ~IconListBoxView() override;
    IconListBoxView(const IconListBoxView&) = delete;
    IconListBoxView& operator=(const IconListBoxView&) = delete;

    // Shows the model in `listBox` from now on and copies its state there.
    void Attach(HWND listBox);
    // Forgets the list box (before it goes); the model and its icons stay.
    void Detach();
    HWND Handle() const { return listBox_; }

    // The parent's WM_DRAWITEM and WM_MEASUREITEM for the list box. Drawing never
    // fails: an icon that cannot be drawn leaves its item blank.
    void DrawItem(const DRAWITEMSTRUCT& item) noexcept;
    void MeasureItem(MEASUREITEMSTRUCT& item) const;
    // The parent's LBN_SELCHANGE: the user picked an item.
    void SelectionChanged();

  private:
    // IconListBoxHost
    void IconListChanged() override { Sync(); }
    void BeginWait() override;
    void EndWait() override;

    void Sync();
    void SyncItems();
    void SyncMetrics();
    HICON ItemIcon(int index);

    TIconListBox& model_;
    HWND listBox_ = nullptr;
    int listedGeneration_ = -1;  // the model's items that the list box holds
    // Window-system icons made from the model's icons, by item, for the model's
    // generation iconsGeneration_.
    std::vector<IconHandle> icons_;
    int iconsGeneration_ = -1;
    ScopedFont font_;
    int fontHeight_ = 0;
    HCURSOR previousCursor_ = nullptr;
};

}  // namespace pallisar
