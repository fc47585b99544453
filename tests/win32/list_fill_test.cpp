// The game list filled with drawing held back against the same list filled one
// plain insertion at a time: the same items, texts, icon numbers and positions, also
// after the list is resized and after more items are appended.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include "win32/list_fill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pallisar;

namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL |
                             LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS;

// How an item shows: caption, second column, icon number and position.
struct Shown {
    std::string caption;
    std::string path;
    LPARAM icon = -1;
    POINT at{};
    bool operator==(const Shown& o) const {
        return caption == o.caption && path == o.path && icon == o.icon && at.x == o.at.x &&
               at.y == o.at.y;
    }
};

std::vector<Shown> Read(HWND list) {
    std::vector<Shown> shown;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        char caption[256] = {};
        char path[256] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = caption;
        item.cchTextMax = sizeof caption;
        ListView_GetItem(list, &item);
        ListView_GetItemText(list, i, 1, path, sizeof path);
        Shown one{caption, path, item.lParam, {}};
        ListView_GetItemPosition(list, i, &one.at);
        shown.push_back(one);
    }
    return shown;
}

// The plain way: one insertion after another, drawing all the time.
void InsertOneByOne(HWND list, const std::vector<ListItem>& items) {
    for (const ListItem& entry : items) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = const_cast<char*>(entry.Caption.c_str());
        item.iImage = 0;
        item.lParam = entry.ImageIndex;
        const int at = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, at, 1, const_cast<char*>(entry.Path.c_str()));
    }
}

std::vector<ListItem> Games(int first, int count) {
    std::vector<ListItem> items;
    for (int i = first; i < first + count; ++i) {
        items.push_back({"Game " + std::to_string(i) + (i % 7 == 0 ? " with a longer title" : ""),
                         i % 5, "C:\\Games\\" + std::to_string(i) + "\\game.exe"});
    }
    return items;
}

class ListFillTest : public testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        window_ = CreateWindowExA(0, "STATIC", "list fill test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  0, 0, 1000, 500, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        images_ = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 5, 4);
        for (int i = 0; i < 5; ++i) ImageList_AddIcon(images_, LoadIconA(nullptr, IDI_APPLICATION));
        for (HWND* list : {&plain_, &held_}) {
            *list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", kListStyle,
                                    list == &plain_ ? 0 : 500, 0, 480, 300, window_, nullptr,
                                    nullptr, nullptr);
            ASSERT_NE(*list, nullptr);
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 200;
            column.pszText = const_cast<char*>("Title");
            ListView_InsertColumn(*list, 0, &column);
            column.pszText = const_cast<char*>("Path");
            ListView_InsertColumn(*list, 1, &column);
            ListView_SetImageList(*list, images_, LVSIL_NORMAL);
        }
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        if (images_) ImageList_Destroy(images_);
    }

    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    HWND window_ = nullptr;
    HWND plain_ = nullptr;
    HWND held_ = nullptr;
    HIMAGELIST images_ = nullptr;
};

TEST_F(ListFillTest, ListShowsWhatOneByOneInsertionShows) {
    Pump();
    InsertOneByOne(plain_, Games(0, 90));
    AppendListItems(held_, Games(0, 90));
    Pump();
    EXPECT_EQ(ListView_GetItemCount(held_), 90);
    EXPECT_TRUE(Read(held_) == Read(plain_));
    EXPECT_TRUE(IsWindowVisible(held_));

    // Arranged again when the list changes its size, and appended to after the others.
    for (HWND list : {plain_, held_}) MoveWindow(list, list == plain_ ? 0 : 500, 0, 300, 400, TRUE);
    Pump();
    EXPECT_TRUE(Read(held_) == Read(plain_));
    InsertOneByOne(plain_, Games(90, 30));
    AppendListItems(held_, Games(90, 30));
    Pump();
    const auto shown = Read(held_);
    ASSERT_EQ(shown.size(), 120u);
    EXPECT_TRUE(shown == Read(plain_));
    EXPECT_EQ(shown[97].caption, "Game 97");
    EXPECT_EQ(shown[97].path, "C:\\Games\\97\\game.exe");
    EXPECT_EQ(shown[97].icon, 2);
}

TEST_F(ListFillTest, HiddenListStaysHidden) {
    ShowWindow(held_, SW_HIDE);
    AppendListItems(held_, Games(0, 10));
    EXPECT_FALSE(GetWindowLongPtrA(held_, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(ListView_GetItemCount(held_), 10);
}

}  // namespace
