#pragma once
// The profile-file (INI) engine behind settings.cfg and Game.dat, with the
// semantics of the Windows profile API: section and key names match without regard
// to case; blanks around a value and one pair of enclosing quotes are dropped on
// reading; values are read up to 2047 characters; writing creates the file and the
// section when missing and keeps every other line. Every section is listed (no
// 16 KB limit).
//
// The file is never held open between operations. A read always sees the file as it
// is on disk now, including changes made by another IniFile or another process.

#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    // Reads never fail: a missing file, section or key yields `fallback`.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The text read as an integer (decimal, or hexadecimal after "0x", "0X" or "$");
    // text that is not an integer yields `fallback`.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // ReadInteger(fallback ? 1 : 0) != 0.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // The section names in file order, as the Windows profile API lists them.
    std::vector<std::string> ReadSections() const;
    // The key names of a section in file order; empty when the section is missing.
    std::vector<std::string> ReadSection(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Writes throw FileWriteError ("Unable to write to " + path) when refused.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    // Writes "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes the key; nothing happens when it is missing.
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes the section and all its keys; nothing happens when it is missing.
    void EraseSection(std::string_view section);

private:
    std::string path_;
};

}  // namespace pallisar
