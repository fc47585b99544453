#pragma once
// The game list's icons on screen. A catalogue often gives many games the same icon
// file; filling the list reads each icon once and makes each window-system icon once,
// and puts the images into the image lists many at a time (under Wine adding one icon
// to an image list costs about as much as adding a strip of hundreds of images).

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/icon_file_cache.h"
#include "app/icon_ref.h"
#include "win32/icon_handle.h"

namespace pallisar {

// Icons for one fill of the list: a file changed afterwards shows at the next fill.
class IconCache {
  public:
    // The icon `ref` names at size x size pixels, loaded as TFileIndexIcon loads it;
    // null when its file gives none. The icon belongs to the cache until Release.
    HICON Get(const IconRef& ref, int size);
    // Lets go of the icons made and read so far; what is known of the files (their
    // icon counts) is kept.
    void Release();

  private:
    IconFileCache files_;
    std::map<std::tuple<std::string, int, int>, IconHandle> handles_;
};

// Appends one image per icon to `list` (of size x size images), in order, exactly as
// ImageList_AddIcon would add each, but in strips. Icons that cannot go into a strip
// (monochrome ones, or not size x size) are added one by one in their place. Returns
// false when an image could not be added.
bool AddIcons(HIMAGELIST list, const std::vector<HICON>& icons, int size);

// An image list of size x size images, and the icon it gets for an icon whose file
// gives none.
struct ImageListTarget {
    HIMAGELIST list;
    int size;
    HICON fallback;
};

// Appends one image per icon to both lists, in order. The icons are read and made a
// strip at a time, so that a list of many icons never holds all of them twice over
// (read, as icons and in the lists). Returns false when an image could not be added.
bool FillImageLists(const ImageListTarget& large, const ImageListTarget& small,
                    const std::vector<IconRef>& icons);

}  // namespace pallisar
