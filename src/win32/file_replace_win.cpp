#include <windows.h>

#include <atomic>

#include "core/file_replace.h"
#include "win32/windows_version.h"

namespace pallisar {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    const long long failAfter = detail::TakeFileReplaceFailure();
    const bool fail = failAfter >= 0;
    if (fail && static_cast<unsigned long long>(failAfter) < bytes.size())
        bytes = bytes.substr(0, static_cast<size_t>(failAfter));
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return !fail;
}

// The attributes a file may be given (the others belong to the file system).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Windows 95, 98 and ME export MoveFileExA, but only as a stub that fails with
// ERROR_CALL_NOT_IMPLEMENTED.
bool MoveFileExImplemented() { return RunningWindows().nt; }

}  // namespace

// MoveFileExA rather than ReplaceFileA: kernel32 of Windows 95/98 has no ReplaceFileA,
// and importing it would stop the program from loading there.
bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    static std::atomic<unsigned> serial{0};
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(serial++) + ".tmp";
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flush = detail::FlushingFileReplacements();
    bool ok = WriteAll(file, bytes) && (!flush || FlushFileBuffers(file));
    ok = CloseHandle(file) && ok;
    if (ok && exists && (attributes & kKeptAttributes) != 0)
        SetFileAttributesA(temp.c_str(), attributes & kKeptAttributes);
    if (ok && !MoveFileExImplemented()) {
        // The old file goes first there: a crash in between leaves the new bytes in the
        // temporary file and no file at `path`.
        ok = (!exists || DeleteFileA(path.c_str())) && MoveFileA(temp.c_str(), path.c_str());
    } else if (ok) {
        ok = MoveFileExA(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0));
    }
    if (!ok) {
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
    }
    return ok;
}

}  // namespace pallisar
