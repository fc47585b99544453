#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/file_access.h"
#include "core/text.h"

namespace pallisar {

FileStamp StatFile(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(st.st_size);
    stamp.writeSeconds = st.st_mtim.tv_sec;
    stamp.writeFraction = st.st_mtim.tv_nsec;
    stamp.changeSeconds = st.st_ctim.tv_sec;
    stamp.changeFraction = st.st_ctim.tv_nsec;
    stamp.fileId = static_cast<unsigned long long>(st.st_ino) ^
                   (static_cast<unsigned long long>(st.st_dev) << 40);
    return stamp;
}

bool FileExists(const std::string& path) { return StatFile(path).exists; }

std::vector<std::string> FileNamesStartingWith(const std::string& directory,
                                               std::string_view prefix) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() >= prefix.size() && SameText(name.substr(0, prefix.size()), prefix) &&
            FileExists(directory + std::string(name))) {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

std::optional<std::string> ReadFileBytes(const std::string& path, long long sizeHint) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes(static_cast<size_t>(sizeHint > 0 ? sizeHint : 0) + 1, '\0');
    size_t total = 0;
    bool ok = true;
    for (;;) {
        if (total == bytes.size()) bytes.resize(bytes.size() * 2 + 4096);
        const ssize_t n = ::read(fd, bytes.data() + total, bytes.size() - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        total += static_cast<size_t>(n);
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    bytes.resize(total);
    return bytes;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : handle_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (handle_ >= 0 && ::fstat(static_cast<int>(handle_), &st) == 0 && S_ISREG(st.st_mode))
        size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, std::uint64_t size, char* into) const {
    if (handle_ < 0) return false;
    while (size > 0) {
        const ssize_t n = ::pread(static_cast<int>(handle_), into, static_cast<size_t>(size),
                                  static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace pallisar
#endif
