#pragma once
// Window-system icons made from the images that the icon reader finds in files.

#include <windows.h>

#include "app/file_index_icon.h"
#include "core/icon_resources.h"
#include "win32/scoped_handle.h"

namespace pallisar {

// Owns one HICON and destroys it exactly once; move-only.
using IconHandle = ScopedIcon;

// An icon of cx x cy pixels (0 and 0: the system's large-icon size) from one image,
// DIB or PNG. Empty when Windows refuses the image.
IconHandle CreateIconFromImage(const IconImage& image, int cx, int cy);
// The image of `icon` that suits cx x cy best, as an icon; empty without images.
IconHandle CreateIconHandle(const Icon& icon, int cx, int cy);
// The icon loaded by `fileIcon` at cx x cy; empty while it holds none.
IconHandle CreateIconHandle(const TFileIndexIcon& fileIcon, int cx, int cy);

}  // namespace pallisar
