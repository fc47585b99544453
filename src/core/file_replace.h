#pragma once
// Replacing a file whole, so that a failed or interrupted write never leaves it half
// written: the new bytes go to a temporary file beside it, which is flushed to the disk
// and then moved over the old one (rename after fsync on POSIX; MoveFileExA with
// MOVEFILE_WRITE_THROUGH on Windows NT, keeping the file's attributes). Windows 95, 98
// and ME cannot move a file over another: there the old file is deleted just before the
// move, so a crash at that moment leaves the new bytes in the temporary file only.

#include <string>
#include <string_view>

namespace pallisar {

// Gives the file at `path` the contents `bytes`, creating it when missing. Returns
// false when refused (a read-only file, a directory, a folder that cannot be written,
// a full disk): the old file is then as it was and no temporary file is left.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// For tests of the failure path: the next ReplaceFileContents fails once it has
// written `bytes` bytes of the temporary file (with every byte written, it fails
// before the move). A negative number cancels it.
void FailNextFileReplaceAfter(long long bytes);

// For tests that write thousands of files and check only what they hold: whether
// ReplaceFileContents waits for the disk (it does unless told otherwise).
void FlushFileReplacements(bool flush);

namespace detail {
// The failure asked for by FailNextFileReplaceAfter, taken once; negative for none.
long long TakeFileReplaceFailure();
bool FlushingFileReplacements();
}  // namespace detail

}  // namespace pallisar
