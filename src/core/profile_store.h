#pragma once
// Reads and writes of a profile file, as IniFile makes them one by one and IniBatch
// gathers them into one write: code that writes a profile takes a ProfileStore and is
// handed either.

#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace pallisar {

class ProfileStore {
  public:
    virtual ~ProfileStore() = default;

    // Reads never fail: a missing file, section or key yields `fallback`, treated as
    // the API treats it (trailing spaces and one pair of enclosing quotes dropped).
    // Blanks around `section` and `key` do not count. The first of duplicate sections
    // and the first of duplicate keys count; a line without "=" has no value.
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view fallback) const = 0;
    // The section names in file order, as the Windows profile API lists them.
    virtual std::vector<std::string> ReadSections() const = 0;
    // The key names of a section in file order (duplicates too); empty when the
    // section is missing. Comment lines (";") and lines without "=" are not listed; a
    // key without a name ("=value") ends the list: the profile API answers with an
    // empty name there, which the program has always read as the list's end.
    virtual std::vector<std::string> ReadSection(std::string_view section) const = 0;

    // Writes throw FileWriteError ("Unable to write to " + path) when refused; the file
    // is then left as it was. A write that changes nothing (same value, missing key or
    // section to delete) does not touch the file, so it neither creates a missing file
    // nor fails on a read-only one.
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
    // Removes the key; nothing happens when it is missing.
    virtual void DeleteKey(std::string_view section, std::string_view key) = 0;
    // Removes the section and all its keys; nothing happens when it is missing.
    virtual void EraseSection(std::string_view section) = 0;

    // The text read as an integer (decimal, or hexadecimal after "0x", "0X" or "$");
    // text that is not an integer yields `fallback`.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const {
        return StrToIntDef(ReadString(section, key, ""), fallback);
    }
    // ReadInteger(fallback ? 1 : 0) != 0.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const {
        return ReadInteger(section, key, fallback ? 1 : 0) != 0;
    }
    // True when ReadSection lists at least one key: a section holding no key counts
    // as missing, as the program's files have always been read.
    bool SectionExists(std::string_view section) const { return !ReadSection(section).empty(); }
    // True when ReadSection lists the key (ASCII case ignored).
    bool ValueExists(std::string_view section, std::string_view key) const {
        for (const std::string& name : ReadSection(section))
            if (SameText(name, key)) return true;
        return false;
    }

    void WriteInteger(std::string_view section, std::string_view key, int value) {
        WriteString(section, key, std::to_string(value));
    }
    // Writes "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value) {
        WriteString(section, key, value ? "1" : "0");
    }
};

}  // namespace pallisar
