#pragma once
// TIcon: one icon as the components hold it (the tray icon and its animation frames):
// the images of an .ico file, or none at all (an empty icon). Changing the icon in
// place tells its one subscriber, OnChange.

#include <functional>
#include <string>

#include "core/icon_resources.h"

namespace pallisar {

class TIcon {
  public:
    TIcon() = default;
    // An icon is an object with an identity (lists find their icons by address, and
    // each has its own subscriber): copy with Assign.
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // True while the icon holds no image.
    bool Empty() const { return icon_.images.empty(); }
    const Icon& Images() const { return icon_; }

    // Takes the images of `source`; none makes the icon empty. Fires OnChange.
    void Assign(const TIcon* source);
    // Takes these images (none: empty). Fires OnChange.
    void SetIcon(Icon icon);

    // Reads an icon in the Windows .ico format. Bytes that hold no readable icon raise
    // Error("Invalid icon format") and leave the icon as it was.
    void LoadFromBytes(const std::string& bytes);
    // The icon in the Windows .ico format; an empty icon has no bytes.
    std::string SaveToBytes() const;

    // Fired after every change of the icon in place.
    std::function<void()> OnChange;

  private:
    void Change();

    Icon icon_;
};

}  // namespace pallisar
