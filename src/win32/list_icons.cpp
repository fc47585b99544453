#include "win32/list_icons.h"

#include <cstdint>
#include <map>
#include <utility>

#include "win32/icon_handle.h"
#include "win32/scoped_gdi.h"

namespace pallisar {

namespace {

bool HasSize(HBITMAP bitmap, int size) {
    BITMAP facts{};
    return bitmap && GetObjectA(bitmap, sizeof facts, &facts) == sizeof facts &&
           facts.bmWidth == size && facts.bmHeight == size;
}

// Copies `source` into `target`, both size x size.
void Copy(HBITMAP target, HBITMAP source, int size) {
    const ScopedCreatedDC targetDc = CreateCompatibleMemoryDC(nullptr);
    const ScopedCreatedDC sourceDc = CreateCompatibleMemoryDC(nullptr);
    const ScopedSelectObject intoTarget(targetDc.Get(), target);
    const ScopedSelectObject fromSource(sourceDc.Get(), source);
    BitBlt(targetDc.Get(), 0, 0, size, size, sourceDc.Get(), 0, 0, SRCCOPY);
}

// Gives the 32-bit pixels of an icon without alpha the alpha of its mask: an image
// list whose image had alpha keeps using alpha for the image that replaces it.
void AlphaFromMask(std::uint32_t* pixels, HBITMAP mask, int size) {
    for (int i = 0; i < size * size; ++i) {
        if (pixels[i] & 0xFF000000u) return;  // the icon has alpha of its own
    }
    void* bits = nullptr;
    const ScopedBitmap mask32 = CreateColorBitmap32(size, size, false, &bits);
    if (!mask32) return;
    Copy(mask32.Get(), mask, size);
    GdiFlush();
    const auto* transparent = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < size * size; ++i) {
        pixels[i] = (transparent[i] & 0xFFFFFFu) ? 0 : pixels[i] | 0xFF000000u;
    }
}

// Puts `icon` into `list` at `slot` (the slot past the list's end appends it). A colour
// icon of the list's size goes in as a 32-bit bitmap with alpha, and its mask; any other
// (monochrome, or not of that size) as the icon.
bool PutIcon(HIMAGELIST list, int slot, int size, HICON icon) {
    const bool append = slot >= ImageList_GetImageCount(list);
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return false;
    const ScopedBitmap color(info.hbmColor);
    const ScopedBitmap mask(info.hbmMask);
    if (!HasSize(color.Get(), size) || !HasSize(mask.Get(), size)) {
        return ImageList_ReplaceIcon(list, append ? -1 : slot, icon) != -1;
    }
    void* bits = nullptr;
    const ScopedBitmap color32 = CreateColorBitmap32(size, size, false, &bits);
    const ScopedBitmap mask1(CreateBitmap(size, size, 1, 1, nullptr));
    if (!color32 || !mask1) return false;
    Copy(color32.Get(), color.Get(), size);
    Copy(mask1.Get(), mask.Get(), size);
    GdiFlush();
    AlphaFromMask(static_cast<std::uint32_t*>(bits), mask1.Get(), size);
    if (append) return ImageList_Add(list, color32.Get(), mask1.Get()) != -1;
    return ImageList_Replace(list, slot, color32.Get(), mask1.Get()) != FALSE;
}

// Puts icon `icon` into `list` at `slot`; slots up to it that the list lacks get the
// default image, as does the slot when Windows refuses the icon.
void PutImage(HIMAGELIST list, int slot, int size, const Icon& icon, HICON fallback) {
    int count = ImageList_GetImageCount(list);
    while (count < slot && PutIcon(list, count, size, fallback)) ++count;
    const IconHandle handle = CreateIconHandle(icon, size, size);
    if (!PutIcon(list, slot, size, handle.Get())) PutIcon(list, slot, size, fallback);
}

ScopedImageList NewList(int size, HICON first) {
    // Grown a few dozen slots at a time: an image list copies itself whole to grow.
    ScopedImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 32));
    // A common control library without 32-bit image lists: the screen's colours.
    if (!list) list = ScopedImageList(ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, 1, 32));
    if (list) PutIcon(list.Get(), 0, size, first);
    return list;
}

}  // namespace

ListIcons::ListIcons(HWND window, UINT readMessage, int budget)
    : slots_(budget),
      reader_([window, readMessage] { PostMessageA(window, readMessage, 0, 0); },
              static_cast<std::size_t>(budget)) {}

void ListIcons::Reset(int icons, HICON large, HICON small) {
    reader_.Forget();
    slots_.Reset(icons);
    largeDefault_ = large;
    smallDefault_ = small;
    large_ = NewList(GetSystemMetrics(SM_CXICON), large);
    small_ = NewList(GetSystemMetrics(SM_CXSMICON), small);
}

int ListIcons::Image(int icon, const IconRef& ref) {
    const IconSlots::Drawn drawn = slots_.Draw(icon);
    if (drawn.wanted) {
        const int dropped = reader_.Want(icon, ref);
        if (dropped >= 0) slots_.Unwanted(dropped);
    }
    return drawn.slot;
}

ListIcons::Taken ListIcons::Take(const std::function<bool(int icon)>& onScreen) {
    using Outcome = IconReadResult::Outcome;
    Taken taken;
    std::map<int, Icon> images;
    std::vector<int> read;
    for (IconReadResult& result : reader_.TakeResults()) {
        switch (result.outcome) {
            case Outcome::Read:
                read.push_back(result.icon);
                images[result.icon] = std::move(*result.image);
                break;
            case Outcome::NoIcons:
                slots_.Unwanted(result.icon);
                taken.noIcons.push_back(result.icon);
                break;
            case Outcome::Unreadable:
                slots_.Unreadable(result.icon);
                break;
        }
    }
    const int large = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    for (const IconSlots::Placement& placement : slots_.Place(read, onScreen)) {
        const Icon& image = images[placement.icon];
        PutImage(large_.Get(), placement.slot, large, image, largeDefault_);
        PutImage(small_.Get(), placement.slot, small, image, smallDefault_);
        taken.placed.push_back(placement.icon);
        if (placement.released >= 0) taken.released.push_back(placement.released);
    }
    return taken;
}

}  // namespace pallisar
