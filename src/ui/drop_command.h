#pragma once
// Files dropped on the main window from Explorer: a program, or a shortcut to one,
// proposes a new game; anything else is refused with a message naming it.

#include <optional>
#include <string>

#include "shell/shortcut_link.h"

namespace pallisar {

// What a dropped file fills in of a new game in the editor.
struct DroppedGame {
    std::string Title;
    std::string Run;     // the program's path
    std::string Params;  // a shortcut's arguments
};

// The message for a dropped file that is neither a program nor a shortcut to one.
std::string NotAProgramMessage(const std::string& file);

// The game a dropped file proposes: a program (.exe, .com, .bat), or the program a
// shortcut (.lnk) starts, with the shortcut's arguments as its parameters, read through
// `link` (none: shortcuts propose nothing). The title is ProgramTitle's (the program
// need not exist: a shortcut's program may be gone). Nothing for any other file, for a
// shortcut that cannot be read and for one that starts no program.
std::optional<DroppedGame> GameFromDroppedFile(const std::string& file, TShortcutLink* link);

}  // namespace pallisar
