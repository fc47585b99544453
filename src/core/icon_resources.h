#pragma once
// Icons as Windows stores them: .ico files, and the icon resources of program files
// and libraries (PE images, 32- and 64-bit, and 16-bit NE ones). Icons are numbered the way the
// Windows shell numbers them: an .ico file holds one icon; a program file holds one icon per icon
// group resource, in the order of its resource directory.
//
// The reader trusts nothing in the file: every offset and size is checked, and a
// file it cannot make sense of holds no icons. It never throws for a bad file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_source.h"

namespace pallisar {

// One image of an icon, with the fields of its directory entry.
struct IconImage {
    int width = 0;  // pixels; a stored 0 means 256
    int height = 0;
    int colorCount = 0;  // palette size as stored (0 for 256 colours and more)
    int planes = 0;
    int bitCount = 0;  // as stored; old files leave it 0
    // The image itself: a DIB (BITMAPINFOHEADER, palette, colour and mask bits) or a PNG.
    std::string data;

    bool IsPng() const;
    // The colour depth: the stored one, else the one the image's own header gives.
    int BitsPerPixel() const;
};

// One icon: the images of one .ico file or of one icon group, in stored order.
struct Icon {
    std::vector<IconImage> images;
};

// The size Windows gives icons in lists and windows (SM_CXICON) and the small one.
inline constexpr int kLargeIconSize = 32;
inline constexpr int kSmallIconSize = 16;

// Number of icons in the source; 0 when it holds none or is not a file we can read.
int CountIcons(const ByteSource& source);
// Icon `index` (from 0); nothing when there is no such icon or none of its images
// can be read.
std::optional<Icon> ReadIcon(const ByteSource& source, int index);

// The same for a file by name; a missing or unreadable file holds no icons.
int CountIconsInFile(const std::string& path);
std::optional<Icon> ReadIconFromFile(const std::string& path, int index);

// The image Windows would show at cx x cy pixels: the nearest size (a larger one
// before a smaller one at the same distance), then the deepest colour. Null for an
// icon without images.
const IconImage* ChooseImage(const Icon& icon, int cx, int cy);

// The bytes of an .ico file holding the icon's images in order.
std::string WriteIconFile(const Icon& icon);

}  // namespace pallisar
