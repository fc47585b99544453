#pragma once
// The profile-file (INI) engine behind settings.cfg and Game.dat, with the
// semantics of the Windows profile API: section and key names match without regard
// to case; blanks around a value and one pair of enclosing quotes are dropped on
// reading; values are read up to 2047 characters; writing creates the file and the
// section when missing and keeps every other line. Every section is listed (no
// 16 KB limit).
//
// The file is never held open between operations. A read always sees the file as it
// is on disk now, including changes made by another IniFile or another process
// (parsed files are cached, but checked against the file at every read: on time
// stamp and size once the file has been unchanged for a few seconds, byte for byte
// before that, so that a change within the same time-stamp tick is seen too).
//
// Writing changes only the line of the key (or inserts one after the section's last
// line that is not blank, or appends the section at the end); every other byte of the
// file stays as it was. New lines end with CR LF. Text is single-byte: names and
// values are bytes, and only the ASCII letters fold for matching.
//
// Where the rules of the profile API leave room, the engine does what
// GetPrivateProfileStringA and WritePrivateProfileStringA do (checked against them
// under Wine by tests/win32/ini_differential_test.cpp, which also lists the few
// deliberate differences).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

namespace detail {
struct IniDocument;
}

// The file as it was when the snapshot was taken (IniFile::Snapshot), with the read
// members of IniFile and their rules. Its reads never touch the disk: for a burst of
// reads within one operation (loading the whole catalogue), it saves checking the
// file at every read. It does not see later changes; take a new one for that.
class IniSnapshot {
  public:
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

  private:
    friend class IniFile;
    explicit IniSnapshot(std::shared_ptr<const detail::IniDocument> doc);
    std::shared_ptr<const detail::IniDocument> doc_;
};

class IniFile {
  public:
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    // Reads never fail: a missing file, section or key yields `fallback`, treated as
    // the API treats it (trailing spaces and one pair of enclosing quotes dropped).
    // Blanks around `section` and `key` do not count. The first of duplicate sections
    // and the first of duplicate keys count; a line without "=" has no value.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The text read as an integer (decimal, or hexadecimal after "0x", "0X" or "$");
    // text that is not an integer yields `fallback`.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // ReadInteger(fallback ? 1 : 0) != 0.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // The section names in file order, as the Windows profile API lists them.
    std::vector<std::string> ReadSections() const;
    // The key names of a section in file order (duplicates too); empty when the
    // section is missing. Comment lines (";") and lines without "=" are not listed; a
    // key without a name ("=value") ends the list: the profile API answers with an
    // empty name there, which the program has always read as the list's end.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // True when ReadSection lists at least one key: a section holding no key counts
    // as missing, as the program's files have always been read.
    bool SectionExists(std::string_view section) const;
    // True when ReadSection lists the key (ASCII case ignored).
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Writes throw FileWriteError ("Unable to write to " + path) when refused; the file
    // is then left as it was (or as far as the system wrote it). A write that changes
    // nothing (same value, missing key or section to delete) does not touch the file,
    // so it neither creates a missing file nor fails on a read-only one.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    // Writes "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes the key; nothing happens when it is missing.
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes the section and all its keys; nothing happens when it is missing.
    void EraseSection(std::string_view section);

    // The file as it is now, for many reads at once (see IniSnapshot).
    IniSnapshot Snapshot() const;

  private:
    std::string path_;
};

}  // namespace pallisar
