#pragma once
// Window-system icons made from the images that the icon reader finds in files.

#include <windows.h>

#include <utility>

#include "core/icon_resources.h"
#include "ui/file_index_icon.h"

namespace pallisar {

// Owns one HICON and destroys it exactly once; move-only.
class IconHandle {
  public:
    IconHandle() = default;
    explicit IconHandle(HICON icon) : icon_(icon) {}
    ~IconHandle() { Reset(); }

    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    IconHandle(IconHandle&& other) noexcept : icon_(other.Take()) {}
    IconHandle& operator=(IconHandle&& other) noexcept {
        if (this != &other) Reset(other.Take());
        return *this;
    }

    HICON Get() const { return icon_; }
    explicit operator bool() const { return icon_ != nullptr; }
    // Destroys the icon held so far and owns `icon` from now on.
    void Reset(HICON icon = nullptr);
    // Gives up ownership: the caller destroys the icon.
    [[nodiscard]] HICON Take() { return std::exchange(icon_, nullptr); }

  private:
    HICON icon_ = nullptr;
};

// An icon of cx x cy pixels (0 and 0: the system's large-icon size) from one image,
// DIB or PNG. Empty when Windows refuses the image.
IconHandle CreateIconFromImage(const IconImage& image, int cx, int cy);
// The image of `icon` that suits cx x cy best, as an icon; empty without images.
IconHandle CreateIconHandle(const Icon& icon, int cx, int cy);
// The icon loaded by `file_icon` at cx x cy; empty while it holds none.
IconHandle CreateIconHandle(const TFileIndexIcon& file_icon, int cx, int cy);

}  // namespace pallisar
