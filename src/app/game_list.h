#pragma once
// The main window's in-memory view of the game catalogue Game.dat: the list items and
// the two image lists (as icon references). Rebuilt completely by LoadGameList;
// nothing else changes it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/icon_ref.h"
#include "core/ini_file.h"
#include "platform/system_info.h"

namespace pallisar {

struct ListItem {
    std::string Caption;  // the game's title
    int ImageIndex = -1;  // the entry's icon in GameListView::Icons
    std::string Path;     // the "Path" column: the entry's Run value
    // Run is exactly "INTERNAL" (the tray menu lists these entries apart).
    bool ConfigOnly = false;
    bool operator==(const ListItem&) const = default;
};

struct GameListView {
    std::vector<ListItem> Items;
    // Each icon the entries show, once, in the order of the first entry showing it: the
    // images of the large (32 x 32) and the small image list and of the tray menu. Games
    // that show the same icon (file and number, after clamping) share one image.
    std::vector<IconRef> Icons;
};

// Orders two titles as the list shows them: negative, zero or positive.
using TitleOrder = std::function<int(std::string_view, std::string_view)>;

// Rebuilds `view` from the catalogue, the titles sorted by `order` (by default the
// ASCII letters compared without regard to case). An entry whose icon file does not
// exist gets icon 0 of the system directory's shell32.dll, and that choice is written
// back to its IconName (one write of the file for the load). An icon number that is not
// an integer (with an existing icon file) throws ConvertError "'<text>' is not a valid
// integer value"; the entries before it stay loaded. A refused write-back throws
// FileWriteError. Only the existence of each icon file is looked at, once per load
// however many entries name it: the icons themselves are read when they are drawn.
void LoadGameList(GameListView& view, IniFile& catalogue, const SystemInfo& system,
                  const TitleOrder& order = {});

// The icon files of the view's icons `icons` turned out to hold no icons, or to be gone,
// when they were read: as a load does for a missing file, each entry showing one of them
// gets icon 0 of the system directory's shell32.dll, written back to its IconName in one
// write of the file, and the view's icon becomes that. An entry whose IconName names
// another file by now, and an icon that is the fallback already, are left as they are.
// A refused write throws FileWriteError; the view
// is changed all the same.
void RepairIcons(GameListView& view, IniFile& catalogue, const SystemInfo& system,
                 const std::vector<int>& icons);

}  // namespace pallisar
