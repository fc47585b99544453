#pragma once
// What a program file tells of itself when it is added to the catalogue by dropping it
// on the main window: whether a file is a program at all, and the title it is offered
// under.

#include <string>
#include <string_view>

namespace pallisar {

// A program the launcher can start: a name ending in ".exe", ".com" or ".bat", letter
// case ignored.
bool IsProgramFile(std::string_view path);
// A shortcut: a name ending in ".lnk", letter case ignored.
bool IsShortcutFile(std::string_view path);

// The file name without its directory and its extension ("C:\Games\quake3.exe" ->
// "quake3").
std::string BareFileName(std::string_view path);

// The title a program is offered under: the "FileDescription" of its version resource,
// else its "ProductName", else BareFileName. A file that is missing or cannot be read,
// no Windows program, one without a version resource or with a damaged one gets
// BareFileName. Characters a title cannot hold in Game.dat ("[" and "]" become "(" and
// ")", control characters blanks) are replaced; blanks at either end are dropped.
std::string ProgramTitle(const std::string& path);

}  // namespace pallisar
