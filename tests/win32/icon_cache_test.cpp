// The game list's image lists built in strips against the same lists built one
// ImageList_AddIcon at a time: the same number of images and every image drawn the
// same, for icons of every colour depth, monochrome ones and ones of another size
// among them, across the strips' boundaries.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
#include <shellapi.h>
// clang-format on

#include "win32/icon_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "win32/icon_handle.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

struct ImageListOwner {
    explicit ImageListOwner(int size, int count)
        : list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 4)) {}
    ~ImageListOwner() { ImageList_Destroy(list); }
    HIMAGELIST list;
};

// Image `index` drawn over `background` with `style`, as 32-bit pixels.
std::vector<DWORD> Draw(HIMAGELIST list, int index, int size, COLORREF background, UINT style) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ImageList_Draw(list, index, dc, 0, 0, style);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> drawn(pixels, pixels + size * size);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return drawn;
}

testing::AssertionResult SameImages(HIMAGELIST got, HIMAGELIST expected, int size) {
    const int count = ImageList_GetImageCount(expected);
    if (ImageList_GetImageCount(got) != count) {
        return testing::AssertionFailure()
               << ImageList_GetImageCount(got) << " images instead of " << count;
    }
    for (int i = 0; i < count; ++i) {
        for (COLORREF background : {RGB(255, 255, 255), RGB(0, 0, 0), RGB(20, 160, 90)}) {
            for (UINT style : {ILD_NORMAL, ILD_SELECTED | ILD_BLEND50}) {
                if (Draw(got, i, size, background, style) !=
                    Draw(expected, i, size, background, style)) {
                    return testing::AssertionFailure()
                           << "image " << i << " drawn differently (style " << style << ")";
                }
            }
        }
    }
    return testing::AssertionSuccess();
}

// Icons of many kinds for a list of size x size images.
std::vector<IconHandle> IconsOfEveryKind(int size) {
    std::vector<IconHandle> icons;
    int seed = 0;
    for (int bits : {1, 4, 8, 24, 32}) {
        for (int cx : {size, 48}) {
            icons.push_back(CreateIconFromImage(MakeDibImage(cx, cx, bits, ++seed), cx, cx));
        }
    }
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shell32 = std::string(system) + "\\shell32.dll";
    for (int index : {0, 3, 15}) {
        HICON large = nullptr;
        HICON small = nullptr;
        ExtractIconExA(shell32.c_str(), index, &large, &small, 1);
        icons.emplace_back(size <= 16 ? small : large);
        IconHandle other(size <= 16 ? large : small);
    }
    std::erase_if(icons, [](const IconHandle& icon) { return !icon; });
    return icons;
}

TEST(IconCacheTest, StripsGiveTheImagesOfOneByOneAdding) {
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        const std::vector<IconHandle> kinds = IconsOfEveryKind(size);
        ASSERT_GE(kinds.size(), 10u);
        // Long runs of a shared icon (past a strip's length) broken by others.
        std::vector<HICON> entries;
        for (int i = 0; i < 700; ++i) {
            const size_t kind = i % 97 == 5 ? (i / 97) % kinds.size() : i < 400 ? 8 : 4;
            entries.push_back(kinds[kind].Get());
        }
        for (const IconHandle& icon : kinds) entries.push_back(icon.Get());

        ImageListOwner expected(size, static_cast<int>(entries.size()));
        for (HICON icon : entries) ImageList_AddIcon(expected.list, icon);
        ImageListOwner got(size, static_cast<int>(entries.size()));
        EXPECT_TRUE(AddIcons(got.list, entries, size));
        EXPECT_TRUE(SameImages(got.list, expected.list, size));
    }
}

TEST(IconCacheTest, EachIconIsMadeOncePerSize) {
    TempDir dir;
    const std::string ico = dir.File("shared.ico");
    WriteFileBytes(ico, MakeIcoFile({MakeDibImage(16, 16, 32, 1), MakeDibImage(32, 32, 32, 2)}));
    IconCache cache;
    HICON large = cache.Get({ico, 0}, 32);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(cache.Get({ico, 0}, 32), large);
    HICON small = cache.Get({ico, 0}, 16);
    ASSERT_NE(small, nullptr);
    EXPECT_NE(small, large);
    EXPECT_EQ(cache.Get({ico, 0}, 16), small);
    EXPECT_EQ(cache.Get({dir.File("missing.ico"), 0}, 32), nullptr);
    EXPECT_EQ(cache.Get({"", 0}, 32), nullptr);

    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(small, &info));
    BITMAP facts{};
    GetObjectA(info.hbmColor, sizeof facts, &facts);
    EXPECT_EQ(facts.bmWidth, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace
