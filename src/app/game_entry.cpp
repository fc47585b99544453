#include "app/game_entry.h"

#include "core/text.h"

namespace pallisar {

bool GameEntry::IsConfigOnly() const { return UpperCase(Run) == kConfigOnlyRun; }

std::string TitleRefusal(std::string_view title) {
    if (title.find(']') != std::string_view::npos)
        return "A title cannot contain \"]\". Please choose another title.";
    if (title.find_first_of("\r\n") != std::string_view::npos)
        return "A title cannot contain a line break. Please choose another title.";
    return "";
}

GameEntry LoadGameEntry(const IniSnapshot& catalogue, const std::string& title) {
    GameEntry entry;
    entry.Title = title;
    entry.Run = catalogue.ReadString(title, kRunKey, "");
    entry.Params = catalogue.ReadString(title, kParamsKey, "");
    entry.IconName = catalogue.ReadString(title, kIconNameKey, "");
    entry.GameOnly = catalogue.ReadBool(title, kGameOnlyKey, false);
    entry.FollowStarted = catalogue.ReadBool(title, kFollowStartedKey, true);
    entry.Tweaks = ReadGameSettings(catalogue, title);
    return entry;
}

GameEntry LoadGameEntry(const IniFile& catalogue, const std::string& title) {
    return LoadGameEntry(catalogue.Snapshot(), title);
}

GameEntry FindEntryByRunPath(const IniFile& catalogue, std::string_view wantedPath) {
    const IniSnapshot entries = catalogue.Snapshot();
    const std::string wanted = UpperCase(wantedPath);
    std::string title = kDummyTitle;
    for (const std::string& section : entries.ReadSections()) {
        const std::string run = UpperCase(entries.ReadString(section, kRunKey, ""));
        if (wanted == run || wanted == "\"" + run + "\"") title = section;
    }
    return LoadGameEntry(entries, title);
}

}  // namespace pallisar
