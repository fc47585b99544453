#pragma once
// Icons out of files for one fill of a list that shows many of them: each icon is
// read as TFileIndexIcon reads it (its number clamped to the file's icons), but a file
// named by many entries is counted once and each of its icons read once. The cache
// lives for one fill: a file changed afterwards shows at the next.

#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/icon_resources.h"

namespace pallisar {

class IconFileCache {
  public:
    // Icon `index` of `fileName`, as TFileIndexIcon gives it after SetFileName and
    // SetIconIndex; null when the file does not exist, holds no icons or that icon
    // cannot be read. The icon belongs to the cache and lives as long as it.
    const Icon* Find(const std::string& fileName, int index);

    // Lets go of the icons read so far (an icon looked up again is read again); what
    // is known of each file (its icon count) is kept.
    void ReleaseIcons();

    // How many times a file was opened so far.
    int FilesOpened() const { return filesOpened_; }

  private:
    struct File {
        int count = -1;                            // -1: missing or without icons
        std::map<int, std::optional<Icon>> icons;  // by clamped number
    };
    std::unordered_map<std::string, File> files_;
    int filesOpened_ = 0;
};

}  // namespace pallisar
