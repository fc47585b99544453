#include "win32/icon_cache.h"

#include <memory>
#include <optional>

#include "win32/scoped_gdi.h"
#include "win32/scoped_handle.h"

namespace pallisar {

namespace {

// Images per strip: bounds the strip bitmaps (256 large icons are 1 MB).
constexpr size_t kStripLength = 256;
// Icons read and made at a time when filling the lists: bounds what is held besides
// the lists themselves (some 20 KB per icon) without adding many more strips.
constexpr size_t kIconsAtATime = 64;

// The colour and mask bitmaps of an icon, as GetIconInfo copies them.
struct IconBitmaps {
    ScopedBitmap color;
    ScopedBitmap mask;
};

bool HasSize(HBITMAP bitmap, int size) {
    BITMAP facts{};
    return bitmap && GetObjectA(bitmap, sizeof facts, &facts) == sizeof facts &&
           facts.bmWidth == size && facts.bmHeight == size;
}

// The bitmaps of a colour icon of size x size pixels; none for other icons, which
// are added as icons.
std::optional<IconBitmaps> StripBitmaps(HICON icon, int size) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return std::nullopt;
    IconBitmaps bitmaps{ScopedBitmap(info.hbmColor), ScopedBitmap(info.hbmMask)};
    if (!HasSize(bitmaps.color.Get(), size) || !HasSize(bitmaps.mask.Get(), size)) {
        return std::nullopt;
    }
    return bitmaps;
}

// Copies one part (colour or mask) of each image side by side into `target`.
void CopySideBySide(HBITMAP target, const std::vector<const IconBitmaps*>& images,
                    ScopedBitmap IconBitmaps::*part, int size) {
    const ScopedCreatedDC targetDc = CreateCompatibleMemoryDC(nullptr);
    const ScopedCreatedDC sourceDc = CreateCompatibleMemoryDC(nullptr);
    const ScopedSelectObject intoTarget(targetDc.Get(), target);
    for (size_t i = 0; i < images.size(); ++i) {
        const ScopedSelectObject fromSource(sourceDc.Get(), (images[i]->*part).Get());
        BitBlt(targetDc.Get(), static_cast<int>(i) * size, 0, size, size, sourceDc.Get(), 0, 0,
               SRCCOPY);
    }
}

// One strip: the images side by side in a 32-bit bitmap (keeping their alpha) and
// their masks in a monochrome one, added with one call.
bool AddStrip(HIMAGELIST list, const std::vector<const IconBitmaps*>& images, int size) {
    const int width = size * static_cast<int>(images.size());
    void* bits = nullptr;
    ScopedBitmap color = CreateColorBitmap32(width, size, false, &bits);
    ScopedBitmap mask(CreateBitmap(width, size, 1, 1, nullptr));
    if (!color || !mask) return false;
    CopySideBySide(color.Get(), images, &IconBitmaps::color, size);
    CopySideBySide(mask.Get(), images, &IconBitmaps::mask, size);
    GdiFlush();
    return ImageList_Add(list, color.Get(), mask.Get()) != -1;
}

}  // namespace

HICON IconCache::Get(const IconRef& ref, int size) {
    auto [handle, added] = handles_.try_emplace({ref.FileName, ref.Index, size});
    if (added) {
        if (const Icon* icon = files_.Find(ref.FileName, ref.Index)) {
            handle->second = CreateIconHandle(*icon, size, size);
        }
    }
    return handle->second.Get();
}

void IconCache::Release() {
    handles_.clear();
    files_.ReleaseIcons();
}

bool AddIcons(HIMAGELIST list, const std::vector<HICON>& icons, int size) {
    // GetIconInfo once per distinct icon: a list of many games often shows few icons.
    std::map<HICON, std::optional<IconBitmaps>> bitmaps;
    std::vector<const IconBitmaps*> strip;
    bool added = true;
    const auto addStrip = [&] {
        if (strip.empty()) return;
        added = AddStrip(list, strip, size) && added;
        strip.clear();
    };
    for (HICON icon : icons) {
        auto [entry, isNew] = bitmaps.try_emplace(icon);
        if (isNew) entry->second = StripBitmaps(icon, size);
        if (!entry->second) {
            addStrip();
            added = ImageList_AddIcon(list, icon) != -1 && added;
            continue;
        }
        strip.push_back(&*entry->second);
        if (strip.size() == kStripLength) addStrip();
    }
    addStrip();
    return added;
}

bool FillImageLists(const ImageListTarget& large, const ImageListTarget& small,
                    const std::vector<IconRef>& icons) {
    IconCache cache;
    bool added = true;
    std::vector<HICON> big;
    std::vector<HICON> little;
    for (size_t first = 0; first < icons.size(); first += kIconsAtATime) {
        big.clear();
        little.clear();
        for (size_t i = first; i < icons.size() && i < first + kIconsAtATime; ++i) {
            HICON icon = cache.Get(icons[i], large.size);
            big.push_back(icon ? icon : large.fallback);
            icon = cache.Get(icons[i], small.size);
            little.push_back(icon ? icon : small.fallback);
        }
        added = AddIcons(large.list, big, large.size) && added;
        added = AddIcons(small.list, little, small.size) && added;
        cache.Release();
    }
    return added;
}

}  // namespace pallisar
