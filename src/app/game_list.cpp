#include "app/game_list.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "app/game_entry.h"
#include "core/file_access.h"
#include "core/ini_batch.h"
#include "core/text.h"

namespace pallisar {

namespace {

// The shell's standard icon, used for entries without a usable icon file.
IconRef FallbackIcon(const SystemInfo& system) { return {system.SystemDir() + "\\shell32.dll", 0}; }

// The icons of one load, numbered in the order of the first entry showing each. Each
// icon file's existence is asked once however many entries name it (catalogues often
// give many games one shared icon file), and an icon named by several entries is added
// once. The lookups point into the view's own names (kept in place: the view has room
// for an icon per entry) rather than keep copies. A file changed since shows at the
// next load.
class IconsOfLoad {
  public:
    IconsOfLoad(std::vector<IconRef>& icons, size_t entries) : icons_(icons) {
        icons_.reserve(entries + 1);
    }

    // The number of the icon that IconName text names; -1 when its file does not exist.
    // A number that is no integer throws ConvertError (with an existing file only).
    int Find(const std::string& iconName) {
        auto [file, number] = SplitIconName(iconName);
        if (!Exists(file)) return -1;
        const int index = StrToInt(number);
        return Number({std::move(file), std::max(index, 0)});
    }

    // The number of the icon, added when new.
    int Number(IconRef icon) {
        const auto found = numbers_.find({icon.FileName, icon.Index});
        if (found != numbers_.end()) return found->second;
        const int number = static_cast<int>(icons_.size());
        const IconRef& added = icons_.emplace_back(std::move(icon));
        numbers_.emplace(Key{added.FileName, added.Index}, number);
        return number;
    }

  private:
    bool Exists(const std::string& file) {
        const auto found = exists_.find(file);
        if (found != exists_.end()) return found->second;
        const bool exists = FileExists(file);
        exists_.emplace(names_.emplace_back(file), exists);
        return exists;
    }

    using Key = std::pair<std::string_view, int>;
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return std::hash<std::string_view>()(key.first) ^ static_cast<size_t>(key.second);
        }
    };
    std::vector<IconRef>& icons_;
    std::deque<std::string> names_;  // each file looked at, once
    std::unordered_map<std::string_view, bool> exists_;
    std::unordered_map<Key, int, KeyHash> numbers_;
};

}  // namespace

void LoadGameList(GameListView& view, IniFile& catalogue, const SystemInfo& system,
                  const TitleOrder& order) {
    view.Items.clear();
    view.Icons.clear();

    // One look at the file serves every read of the load; the icon repairs go to the
    // file in one write at the end (also when a bad icon number ends the load early).
    const IniSnapshot entries = catalogue.Snapshot();
    IniBatch repairs(catalogue);
    std::vector<std::string> titles = entries.ReadSections();
    std::stable_sort(titles.begin(), titles.end(), [&](const std::string& a, const std::string& b) {
        return (order ? order(a, b) : CompareText(a, b)) < 0;
    });

    view.Items.reserve(titles.size());
    try {
        IconsOfLoad icons(view.Icons, titles.size());
        for (std::string& title : titles) {
            std::string run = entries.ReadString(title, kRunKey, "");
            // Only the exact upper-case text counts here, unlike at launch.
            const bool isConfigOnly = run == kConfigOnlyRun;

            int image = icons.Find(entries.ReadString(title, kIconNameKey, ""));
            if (image < 0) {
                const IconRef fallback = FallbackIcon(system);
                repairs.WriteString(title, kIconNameKey, fallback.FileName + ",0");
                image = icons.Number(fallback);
            }
            view.Items.push_back({std::move(title), image, std::move(run), isConfigOnly});
        }
    } catch (...) {
        view.Icons.shrink_to_fit();  // the room kept for the load's lookups
        repairs.Commit();
        throw;
    }
    view.Icons.shrink_to_fit();
    repairs.Commit();
}

void RepairIcons(GameListView& view, IniFile& catalogue, const SystemInfo& system,
                 const std::vector<int>& icons) {
    const IconRef fallback = FallbackIcon(system);
    const IniSnapshot entries = catalogue.Snapshot();
    IniBatch repairs(catalogue);
    for (int icon : icons) {
        if (icon < 0 || icon >= static_cast<int>(view.Icons.size())) continue;
        if (view.Icons[icon] == fallback) continue;  // nothing better to give
        const std::string file = view.Icons[icon].FileName;
        view.Icons[icon] = fallback;
        for (const ListItem& item : view.Items) {
            if (item.ImageIndex != icon) continue;
            const std::string now = entries.ReadString(item.Caption, kIconNameKey, "");
            if (SplitIconName(now).File != file) continue;
            repairs.WriteString(item.Caption, kIconNameKey, fallback.FileName + ",0");
        }
    }
    repairs.Commit();
}

}  // namespace pallisar
