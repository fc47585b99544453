#include "app/icon_file_cache.h"

#include <algorithm>

#include "core/byte_source.h"
#include "core/file_access.h"

namespace pallisar {

const Icon* IconFileCache::Find(const std::string& fileName, int index) {
    auto [entry, added] = files_.try_emplace(fileName);
    File& file = entry->second;
    std::optional<FileByteSource> source;
    if (added && FileExists(fileName)) {
        // The first look counts the icons and reads the wanted one through one opening.
        source.emplace(fileName);
        ++filesOpened_;
        const int count = CountIcons(*source);
        if (count > 0) file.count = count;
    }
    if (file.count <= 0) return nullptr;

    const int number = std::clamp(index, 0, file.count - 1);
    auto [icon, unread] = file.icons.try_emplace(number);
    if (unread) {
        if (!source) {
            source.emplace(fileName);
            ++filesOpened_;
        }
        icon->second = ReadIcon(*source, number);
    }
    return icon->second ? &*icon->second : nullptr;
}

void IconFileCache::ReleaseIcons() {
    for (auto& [name, file] : files_) file.icons.clear();
}

}  // namespace pallisar
