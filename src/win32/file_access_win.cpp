// The program's file reads through the ANSI Win32 file API, which every Windows since
// 95 and NT 3.1 has.
#include <windows.h>

#include "core/file_access.h"
#include "core/text.h"

namespace pallisar {

namespace {

// 100-nanosecond ticks from 1601 to 1970.
constexpr unsigned long long kUnixEpochTicks = 116444736000000000ULL;
constexpr unsigned long long kTicksPerSecond = 10000000ULL;

unsigned long long Ticks(const FILETIME& time) {
    return static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

void SplitTime(const FILETIME& time, long long& seconds, long long& fraction) {
    const long long ticks = static_cast<long long>(Ticks(time) - kUnixEpochTicks);
    seconds = ticks / static_cast<long long>(kTicksPerSecond);
    fraction = ticks % static_cast<long long>(kTicksPerSecond);
}

HANDLE OpenForReading(const std::string& path) {
    // FILE_SHARE_DELETE would be refused by Windows 95/98.
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FileStamp StatFile(const std::string& path) {
    FileStamp stamp;
    // A pattern would match other files: no file has these characters in its name.
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return stamp;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return stamp;
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    SplitTime(found.ftLastWriteTime, stamp.writeSeconds, stamp.writeFraction);
    SplitTime(found.ftCreationTime, stamp.changeSeconds, stamp.changeFraction);
    return stamp;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> FileNamesStartingWith(const std::string& directory,
                                               std::string_view prefix) {
    std::vector<std::string> names;
    if (prefix.find_first_of("*?") != std::string_view::npos) return names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((directory + std::string(prefix) + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        // The pattern also matches short (8.3) names: the long name decides.
        const std::string_view name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            name.size() >= prefix.size() && SameText(name.substr(0, prefix.size()), prefix)) {
            names.emplace_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::optional<std::string> ReadFileBytes(const std::string& path, long long sizeHint) {
    const HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(static_cast<size_t>(sizeHint > 0 ? sizeHint : 0) + 1, '\0');
    size_t total = 0;
    bool ok = true;
    for (;;) {
        if (total == bytes.size()) bytes.resize(bytes.size() * 2 + 4096);
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read,
                      nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        total += read;
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    bytes.resize(total);
    return bytes;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : handle_(reinterpret_cast<std::intptr_t>(OpenForReading(path))) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return;
    size_ = static_cast<std::uint64_t>(high) << 32 | low;
}

ReadOnlyFile::~ReadOnlyFile() {
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, std::uint64_t size, char* into) const {
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (file == INVALID_HANDLE_VALUE) return false;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    if (SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    while (size > 0) {
        DWORD read = 0;
        const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        if (!ReadFile(file, into, want, &read, nullptr) || read == 0) return false;
        into += read;
        size -= read;
    }
    return true;
}

}  // namespace pallisar
