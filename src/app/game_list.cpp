#include "app/game_list.h"

#include <algorithm>
#include <map>
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

// Whether each icon file exists, asked once per file however many entries name it
// (catalogues often give many games one shared icon file). Lives for one load: a file
// changed since shows at the next.
class IconFileFacts {
  public:
    bool Exists(const std::string& file) {
        const auto [it, added] = exists_.try_emplace(file, false);
        if (added) it->second = FileExists(file);
        return it->second;
    }

  private:
    std::unordered_map<std::string, bool> exists_;
};

IconRef EntryIcon(const IniSnapshot& entries, ProfileStore& repairs, const std::string& title,
                  const SystemInfo& system, IconFileFacts& icons) {
    auto [file, number] = SplitIconName(entries.ReadString(title, kIconNameKey, ""));
    if (icons.Exists(file)) {
        const int wanted = StrToInt(number);  // throws for a bad number
        return {std::move(file), std::max(wanted, 0)};
    }
    const IconRef fallback = FallbackIcon(system);
    repairs.WriteString(title, kIconNameKey, fallback.FileName + ",0");
    return fallback;
}

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

    IconFileFacts iconFiles;
    // Each distinct icon's position in view.Icons.
    std::map<std::pair<std::string, int>, int> images;
    view.Items.reserve(titles.size());
    try {
        for (std::string& title : titles) {
            std::string run = entries.ReadString(title, kRunKey, "");
            // Only the exact upper-case text counts here, unlike at launch.
            const bool isConfigOnly = run == kConfigOnlyRun;

            IconRef icon = EntryIcon(entries, repairs, title, system, iconFiles);
            const auto [known, added] = images.try_emplace({icon.FileName, icon.Index},
                                                           static_cast<int>(view.Icons.size()));
            if (added) view.Icons.push_back(std::move(icon));
            const int image = known->second;
            view.Items.push_back({std::move(title), image, std::move(run), isConfigOnly});
        }
    } catch (...) {
        repairs.Commit();
        throw;
    }
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
