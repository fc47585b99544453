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
// The line of `text` that begins at `pos`: it ends at LF; in a rest of the file
// without any LF, at CR.
Line NextLine(std::string_view text, size_t pos);

// A section as a range of the document's bytes, from its header line (if any) to the
// end of its last line: the file's text is held once, and its lines and keys are
// found in it when read (a catalogue of many games is kept between reads this way).
struct Section {
    std::string_view name;  // between "[" and the last "]", as in the file
    bool header;            // false for the lines before the first section header
    size_t begin;
    size_t end;
};

// Section names compared as the profile API compares them: ASCII letters folded.
struct FoldedHash {
    size_t operator()(std::string_view name) const;
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

struct IniDocument {
    IniDocument() = default;
    // The names and values point into `bytes`: a copy would point into the original's.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    bool exists = false;
    std::string bytes;
    size_t contentBegin = 0;  // after a UTF-8 byte-order mark
    // sections[0] holds the lines before the first header; its name is empty.
    std::vector<Section> sections;
    // Name -> index of the first section of that name.
    std::unordered_map<std::string_view, size_t, FoldedHash, FoldedEqual> firstSection;

    const Section* FindSection(std::string_view name) const;
};

// The parts of one line of the file, as views of its text (with or without its line end).
struct LineParts {
    enum Kind { Blank, Header, Entry } kind = Blank;
    std::string_view name;  // the section of a header; the key of an entry
    bool hasValue = false;
    std::string_view value;
};
LineParts SplitLine(std::string_view text);

// The same, owning its texts.
struct LineKind {
    using Kind = LineParts::Kind;
    static constexpr Kind Blank = LineParts::Blank;
    static constexpr Kind Header = LineParts::Header;
    static constexpr Kind Entry = LineParts::Entry;
    Kind kind = Blank;
    std::string name;
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
