#pragma once
// The parsed form of a profile file and the steps shared by IniFile and IniBatch
// (ini_file.cpp). Not for other callers: they use IniFile, IniSnapshot and IniBatch.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pallisar::detail {

constexpr size_t kNone = static_cast<size_t>(-1);

struct Line {
    size_t begin;    // first byte of the line
    size_t bodyEnd;  // end of the text before the line end (CR LF, LF or CR)
    size_t end;      // first byte of the next line
};

struct Key {
    std::string name;   // as in the file, blanks around it dropped
    bool has_value;     // false for a line without "="
    std::string value;  // blanks around it dropped, quotes kept
    size_t line;
};

struct Section {
    std::string name;        // between "[" and the last "]", as in the file
    size_t headerLine;       // kNone for the lines before the first section header
    size_t endLine;          // one past the section's last line
    size_t lastContentLine;  // last line that is not blank; kNone when none
    std::vector<Key> keys;
};

struct IniDocument {
    bool exists = false;
    std::string bytes;
    size_t contentBegin = 0;  // after a UTF-8 byte-order mark
    std::vector<Line> lines;
    // sections[0] holds the lines before the first header; its name is empty.
    std::vector<Section> sections;
    // Upper-cased name -> index of the first section of that name.
    std::unordered_map<std::string, size_t> firstSection;

    const Section* FindSection(std::string_view name) const;
};

// What one line of the file is, from its text (with or without its line end).
struct LineKind {
    enum Kind { Blank, Header, Entry } kind = Blank;
    std::string name;  // the section of a header; the key of an entry
    bool hasValue = false;
    std::string value;
};
LineKind ClassifyLine(std::string_view text);

std::shared_ptr<IniDocument> ParseIni(std::string bytes, bool exists);

// The profile API's blanks: the C white-space characters and ^Z (DOS end of file).
bool IsProfileSpace(char c);
std::string_view TrimSpaces(std::string_view s);
std::string_view TrimLeft(std::string_view s);
// A value as a read returns it: one pair of enclosing quotes dropped, cut to 2047.
std::string_view Unquote(std::string_view s);

// The file as it is now, through the cache of parsed files.
std::shared_ptr<const IniDocument> LoadIni(const std::string& path);
// Replaces the file with `bytes` (core/file_replace.h) and tells the cache; throws
// FileWriteError when refused.
void StoreIni(const std::string& path, std::string_view bytes);

}  // namespace pallisar::detail
