#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/file_replace.h"
#include "core/text.h"

namespace pallisar {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    const long long failAfter = detail::TakeFileReplaceFailure();
    const bool fail = failAfter >= 0;
    if (fail && static_cast<unsigned long long>(failAfter) < bytes.size())
        bytes = bytes.substr(0, static_cast<size_t>(failAfter));
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return !fail;
}

// The directory entry of the rename reaches the disk too (best effort: not every
// file system lets a directory be synced).
void SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    // The rename would replace a read-only file too: refused as writing it in place is.
    if (exists && (!S_ISREG(old.st_mode) || ::access(path.c_str(), W_OK) != 0)) return false;
    const mode_t mode = exists ? (old.st_mode & 07777) : 0666;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = detail::NextReplacementNames(path).temporary;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    if (exists) {
        // Owner and permissions as the old file had them (the owner only where allowed).
        (void)::fchmod(fd, mode);
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    }
    const bool flush = detail::FlushingFileReplacements();
    bool ok = WriteAll(fd, bytes) && (!flush || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    // Like a disk gone after the flush: the rename and the clean-up fail alike.
    const InjectedFailure failure =
        ok ? detail::FailureAfter(ReplaceStep::Flushed) : InjectedFailure::None;
    ok = ok && failure == InjectedFailure::None && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        if (failure != InjectedFailure::EveryCall) ::unlink(temp.c_str());
        return false;
    }
    if (flush) SyncDirectoryOf(path);
    (void)detail::FailureAfter(ReplaceStep::InPlace);
    return true;
}

const std::string& detail::ThisFileWriter() {
    static const std::string writer = [] {
        return LowerCase(HexText(static_cast<uint32_t>(::getpid()), 1)) + "." +
               LowerCase(HexText(static_cast<uint32_t>(std::time(nullptr)), 1));
    }();
    return writer;
}

bool detail::FileWriterAlive(std::string_view writer) {
    const std::string id(writer.substr(0, writer.find('.')));
    char* end = nullptr;
    const unsigned long pid = std::strtoul(id.c_str(), &end, 16);
    if (id.empty() || *end != '\0' || pid == 0 || pid > 0x7FFFFFFFul) return true;
    // Only "no such process" is a writer that ended.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

bool RemoveProgramFile(const std::string& path) {
    // A file held open for a moment (NextCall) is no reason to fail here.
    if (detail::FailureAfter(ReplaceStep::Cleanup) == InjectedFailure::EveryCall) return false;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool RenameProgramFile(const std::string& from, const std::string& to) {
    if (detail::FailureAfter(ReplaceStep::Cleanup) == InjectedFailure::EveryCall) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace pallisar
#endif
