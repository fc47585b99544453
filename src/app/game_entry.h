#pragma once
// A game entry of Game.dat: one section named by the game's title. This is the one
// place that knows the entry's own keys; its 24 tweak keys belong to the tweak
// catalogue (tweaks/tweak_settings.h).

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

// The Run value that marks a Config Only entry: its tweaks are written, nothing starts.
inline constexpr const char* kConfigOnlyRun = "INTERNAL";
// A title no entry normally has: "/RUN" launches it when no entry has the wanted
// path (every tweak then takes its default), and the tray menu shows it until the
// first load of the list.
inline constexpr const char* kDummyTitle = "DUMMY";

}  // namespace pallisar
