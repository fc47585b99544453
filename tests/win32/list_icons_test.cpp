// The games' icons going into the image lists as they are read: icons of every kind
// (with and without alpha, other sizes) show as their own images, in their slots.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include "win32/list_icons.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;

namespace {

constexpr UINT kRead = WM_APP + 7;

// The colours image `index` of `list` shows over white.
std::set<COLORREF> Drawn(HIMAGELIST list, int index) {
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, cx, cy};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
    std::set<COLORREF> colours;
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) colours.insert(GetPixel(dc, x, y));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colours;
}

// Icons with and without alpha, and of other sizes, into new slots and into slots taken
// over from others (with two slots for four icons): each shows its own colours.
TEST(ListIconsTest, ReadIconsOfEveryKindShowInTheirSlots) {
    test::TempDir dir;
    using test::MakeSolidImage;
    const struct {
        const char* name;
        std::vector<IconImage> images;
        COLORREF colour;  // one the icon shows; 0 for a pattern
    } files[] = {
        {"dib32.ico", {test::MakeDibImage(16, 16, 32, 3), test::MakeDibImage(32, 32, 32, 3)}, 0},
        {"solid24.ico",
         {MakeSolidImage(16, 16, 0x20C040), MakeSolidImage(32, 32, 0x20C040)},
         RGB(0x20, 0xC0, 0x40)},
        {"only48.ico", {MakeSolidImage(48, 48, 0xC02040)}, RGB(0xC0, 0x20, 0x40)},
        {"dib4.ico", {test::MakeDibImage(16, 16, 4, 5), test::MakeDibImage(32, 32, 4, 5)}, 0},
    };
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HICON fallback = LoadIconA(nullptr, IDI_APPLICATION);
    ListIcons icons(window, kRead, 2);
    icons.Reset(4, fallback, fallback);
    const std::set<COLORREF> fallbackColours = Drawn(icons.Large(), 0);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(files[i].name);
        test::WriteFileBytes(dir.File(files[i].name), test::MakeIcoFile(files[i].images));
        EXPECT_EQ(icons.Image(i, {dir.File(files[i].name), 0}), 0);
        std::vector<int> placed;
        for (int wait = 0; wait < 500 && placed.empty(); ++wait) {
            MSG msg;
            if (PeekMessageA(&msg, window, kRead, kRead, PM_REMOVE)) {
                placed = icons.Take([](int) { return false; }).placed;
            }
            Sleep(10);
        }
        ASSERT_EQ(placed, std::vector<int>{i});
        const int slot = icons.Slots().SlotOf(i);
        EXPECT_EQ(slot, i % 2 + 1);
        EXPECT_EQ(icons.Image(i, {}), slot);
        for (HIMAGELIST list : {icons.Large(), icons.Small()}) {
            const std::set<COLORREF> colours = Drawn(list, slot);
            EXPECT_NE(colours, std::set<COLORREF>{RGB(255, 255, 255)}) << "nothing drawn";
            EXPECT_NE(colours, fallbackColours);
            if (files[i].colour) EXPECT_EQ(colours.count(files[i].colour), 1u);
        }
    }
    EXPECT_EQ(ImageList_GetImageCount(icons.Large()), 3);
    EXPECT_EQ(ImageList_GetImageCount(icons.Small()), 3);
    DestroyWindow(window);
}

}  // namespace
