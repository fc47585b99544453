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

#include "core/profile_store.h"

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

class IniFile : public ProfileStore {
  public:
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    // Reads and writes with the rules of ProfileStore. Each write replaces the file
    // whole (core/file_replace.h): a failed write leaves the old file as it was. For
    // many writes at once, IniBatch (core/ini_batch.h) writes the file once.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const override;
    std::vector<std::string> ReadSections() const override;
    std::vector<std::string> ReadSection(std::string_view section) const override;
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    void DeleteKey(std::string_view section, std::string_view key) override;
    void EraseSection(std::string_view section) override;

    // The file as it is now, for many reads at once (see IniSnapshot).
    IniSnapshot Snapshot() const;

  private:
    std::string path_;
};

}  // namespace pallisar
