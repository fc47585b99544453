#pragma once
// A game entry of Game.dat: one section named by the game's title. This is the one
// place that knows the entry's own keys; its 24 tweak keys belong to the tweak
// catalogue (tweaks/tweak_catalogue.h). A launch and the editor take an entry as a
// value, read in one look at the file, and pass it on.

#include <string>
#include <string_view>

#include "core/ini_file.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

inline constexpr const char* kCatalogueFileName = "Game.dat";

// The entry's program path; kConfigOnlyRun for a Config Only entry.
inline constexpr const char* kRunKey = "Run";
// Command-line parameters of the program.
inline constexpr const char* kParamsKey = "Params";
// The icon as "<file>,<zero-based number>".
inline constexpr const char* kIconNameKey = "IconName";
// "1" for a Game Only entry, started without touching the driver.
inline constexpr const char* kGameOnlyKey = "GameOnly";
// "0" for an entry whose launch waits for its own program only; "1" (the default,
// also when the key is absent) waits for every program it starts as well.
inline constexpr const char* kFollowStartedKey = "FollowStartedPrograms";

// The Run value that marks a Config Only entry: its tweaks are written, nothing starts.
inline constexpr const char* kConfigOnlyRun = "INTERNAL";
// A title no entry normally has: "/RUN" launches it when no entry has the wanted
// path (every tweak then takes its default), and the tray menu shows it until the
// first load of the list.
inline constexpr const char* kDummyTitle = "DUMMY";

struct GameEntry {
    std::string Title;
    std::string Run;
    std::string Params;
    std::string IconName;
    bool GameOnly = false;
    // A launch waits for the programs that the entry's program starts too.
    bool FollowStarted = true;
    // As ReadGameSettings gives them: upper-cased but for the gamma values.
    TSettings Tweaks;

    // Run is kConfigOnlyRun in any letter case (as a launch and the editor take it).
    bool IsConfigOnly() const;

    bool operator==(const GameEntry&) const = default;
};

// Why `title` cannot name an entry: a section name of Game.dat ends at its first "]"
// and at the line's end. Empty for a title a section can hold (an empty title too).
std::string TitleRefusal(std::string_view title);

// The entry `title` as the catalogue holds it; a missing section or key gives its
// default (see ReadGameSettings for the tweaks of an empty title).
GameEntry LoadGameEntry(const IniSnapshot& catalogue, const std::string& title);
GameEntry LoadGameEntry(const IniFile& catalogue, const std::string& title);

// The entry whose Run value is `wantedPath` (letters in any case, the path with or
// without enclosing double quotes); the last match in file order wins. The entry
// titled "DUMMY" when none matches.
GameEntry FindEntryByRunPath(const IniFile& catalogue, std::string_view wantedPath);

}  // namespace pallisar
