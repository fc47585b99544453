#pragma once
// Reading the program's files: what a file's directory entry says about it, its whole
// contents, and random access to a large file. Defined once per system (POSIX here in
// core, the ANSI Win32 file API on Windows), so that the program needs nothing of the
// C++ library's file streams or file system library, which old Windows cannot load.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

// What a regular file's directory entry says about it. Two stamps are equal while the
// file has not been written (as far as its time stamps and size can tell).
struct FileStamp {
    bool exists = false;  // false for a missing file and for a directory
    long long size = 0;
    long long writeSeconds = 0;   // seconds since 1970
    long long writeFraction = 0;  // below the second, in the system's own unit
    long long changeSeconds = 0;  // the status change (POSIX) or creation (Windows)
    long long changeFraction = 0;
    unsigned long long fileId = 0;  // the inode where the system has one

    bool operator==(const FileStamp&) const = default;
};
FileStamp StatFile(const std::string& path);

// True for a regular file (not a directory).
bool FileExists(const std::string& path);

// The names (without the directory) of the regular files in `directory` (with its
// trailing delimiter; empty for the current one) whose names begin with `prefix`,
// ASCII letter case ignored. None when the directory cannot be read.
std::vector<std::string> FileNamesStartingWith(const std::string& directory,
                                               std::string_view prefix);

// The whole file; nothing when it cannot be opened or read. `sizeHint` (the size a
// stamp reported) lets the read take one call.
std::optional<std::string> ReadFileBytes(const std::string& path, long long sizeHint = 0);

// A file opened for reading for the lifetime of the object; one that cannot be opened
// has size 0.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return handle_ != -1; }
    std::uint64_t Size() const { return size_; }
    // Fills `size` bytes at `offset` into `into`; false when fewer could be read.
    bool ReadAt(std::uint64_t offset, std::uint64_t size, char* into) const;

  private:
    std::intptr_t handle_;  // a descriptor or a HANDLE; -1 when not open
    std::uint64_t size_ = 0;
};

}  // namespace pallisar
