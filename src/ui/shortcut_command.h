#pragma once
// The main window's "Create &Shortcut..." (mpShortcutClick): a shortcut file that
// starts the launcher with "/run" and a game's program path, so that opening it
// launches the game as the list does.

#include <string>
#include <string_view>

#include "app/game_entry.h"
#include "platform/prompts.h"
#include "shell/shortcut_link.h"

namespace pallisar {

inline constexpr const char* kShortcutNotSupported =
    "This option is currently not supported for these types.";
inline constexpr const char* kShortcutFilter = "Shortcuts|*.lnk|All Files (*.*)|*.*";
inline constexpr const char* kShortcutExt = "lnk";

// The start-in folder for a program path: the path up to its last "\" or ":" ("" when
// it has neither), without that final "\" unless it follows ":" or "\" or is the
// whole folder (C:\Games\foo.exe -> C:\Games, C:\foo.exe -> C:\, C:foo.exe -> C:).
std::string ShortcutWorkingDir(std::string_view programPath);

// Writes a shortcut for the catalogue entry through `link`, to the file the user
// chooses in the save dialog; `launcherPath` is the launcher's own executable. Config
// Only and Game Only entries get the warning kShortcutNotSupported instead; a
// cancelled dialog writes nothing. Throws ConvertError when the entry's icon number is
// not an integer, and whatever SaveLink throws; no file is written then.
void CreateShortcut(const GameEntry& entry, Prompts& prompts, const std::string& launcherPath,
                    TShortcutLink& link);

}  // namespace pallisar
