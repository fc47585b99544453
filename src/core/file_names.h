#pragma once
// Paths of the program's files. The program keeps all of its files in its own
// directory; on a file system that tells letter case apart they are found by name
// whatever their case on disk.

#include <string>
#include <string_view>

namespace pallisar {

// '\\' on Windows, '/' elsewhere.
char PathDelimiter();
// The directory with one trailing delimiter (none is added when one is there).
std::string IncludeTrailingPathDelimiter(std::string_view directory);
// The directory part of a file path, with its trailing delimiter ("" when none).
std::string ExtractFilePath(std::string_view path);
// directory (with trailing delimiter) + the name of the entry that matches `name`
// without regard to ASCII case; directory + name when none does.
std::string FindFileNoCase(const std::string& directory, std::string_view name);

}  // namespace pallisar
