#include "win32/icon_list_box_view.h"

#include <string>

namespace pallisar {

namespace {

SIZE LargeIconSize() { return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

}  // namespace

IconListBoxView::IconListBoxView(TIconListBox& model) : model_(model) {}

IconListBoxView::~IconListBoxView() { model_.SetHost(nullptr); }

void IconListBoxView::Attach(HWND listBox) {
    listBox_ = listBox;
    listedGeneration_ = -1;
    fontHeight_ = 0;
    model_.SetHost(this);
    Sync();
}

void IconListBoxView::Detach() {
    // The list box may be about to go: let it drop the font it was given.
    if (listBox_) SendMessageA(listBox_, WM_SETFONT, 0, FALSE);
    listBox_ = nullptr;
    model_.SetHost(nullptr);
}

void IconListBoxView::Sync() {
    if (!listBox_) return;
    SyncMetrics();
    SyncItems();
    SendMessageA(listBox_, LB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()), 0);
    EnableWindow(listBox_, model_.Enabled());
}

void IconListBoxView::SyncItems() {
    if (listedGeneration_ == model_.Generation()) return;
    listedGeneration_ = model_.Generation();
    SendMessageA(listBox_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(listBox_, LB_RESETCONTENT, 0, 0);
    const int count = model_.Count();
    SendMessageA(listBox_, LB_INITSTORAGE, static_cast<WPARAM>(count), count * 4);
    for (int i = 0; i < count; ++i) {
        const std::string text = model_.ItemText(i);
        SendMessageA(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageA(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
}

void IconListBoxView::SyncMetrics() {
    const SIZE icon = LargeIconSize();
    const int height = model_.ItemHeight(icon.cy);
    SendMessageA(listBox_, LB_SETITEMHEIGHT, 0, height);
    SendMessageA(listBox_, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(model_.ColumnWidth(icon.cx)), 0);
    if (height != fontHeight_) {
        // Item texts are never drawn; the font only matches the items' height.
        LOGFONTA font{};
        font.lfHeight = height;
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
        ScopedFont newFont(CreateFontIndirectA(&font));
        SendMessageA(listBox_, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.Get()), FALSE);
        font_ = std::move(newFont);
        fontHeight_ = height;
    }
}

HICON IconListBoxView::ItemIcon(int index) {
    if (iconsGeneration_ != model_.Generation()) {
        icons_.clear();
        iconsGeneration_ = model_.Generation();
    }
    if (index < 0 || index >= model_.Count()) return nullptr;
    icons_.resize(static_cast<size_t>(model_.Count()));
    IconHandle& handle = icons_[static_cast<size_t>(index)];
    if (!handle) {
        if (const Icon* icon = model_.ItemIcon(index)) {
            const SIZE size = LargeIconSize();
            handle = CreateIconHandle(*icon, size.cx, size.cy);
        }
    }
    return handle.Get();
}

void IconListBoxView::DrawItem(const DRAWITEMSTRUCT& item) noexcept {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    try {
        if (HICON icon = ItemIcon(static_cast<int>(item.itemID))) {
            const SIZE size = LargeIconSize();
            const RECT& r = item.rcItem;
            DrawIconEx(item.hDC, r.left + (r.right - r.left - size.cx) / 2,
                       r.top + (r.bottom - r.top - size.cy) / 2, icon, size.cx, size.cy, 0, nullptr,
                       DI_NORMAL);
        }
    } catch (...) {
        // An icon that cannot be read or made leaves its item blank.
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

void IconListBoxView::MeasureItem(MEASUREITEMSTRUCT& item) const {
    const SIZE icon = LargeIconSize();
    item.itemWidth = static_cast<UINT>(model_.ColumnWidth(icon.cx));
    item.itemHeight = static_cast<UINT>(model_.ItemHeight(icon.cy));
}

void IconListBoxView::SelectionChanged() {
    if (!listBox_) return;
    model_.SetItemIndex(static_cast<int>(SendMessageA(listBox_, LB_GETCURSEL, 0, 0)));
}

void IconListBoxView::BeginWait() {
    previousCursor_ = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
}

void IconListBoxView::EndWait() { SetCursor(previousCursor_); }

}  // namespace pallisar
