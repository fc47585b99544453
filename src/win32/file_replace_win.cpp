#include <windows.h>

#include "core/file_replace.h"
#include "core/text.h"
#include "win32/shared_names.h"

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

// A file that another program holds open (a virus scanner reading a file just closed)
// cannot be moved or deleted until it lets go; that is worth a second's wait.
bool InUseElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}
constexpr int kInUseTries = 20;
constexpr DWORD kInUsePause = 50;  // ms

template <typename Call>
bool TryWhileInUse(Call call) {
    for (int attempt = 1;; ++attempt) {
        if (call()) return true;
        const DWORD error = GetLastError();
        if (!InUseElsewhere(error) || attempt == kInUseTries) {
            SetLastError(error);
            return false;
        }
        Sleep(kInUsePause);
    }
}

// The calls on the file system of one replacement, failing where a test injected a
// failure (see InjectFileReplaceFailures).
class ReplaceCalls {
  public:
    explicit ReplaceCalls(bool flush) : flush_(flush) {}

    // `step` is done.
    void Done(ReplaceStep step) {
        const InjectedFailure failure = detail::FailureAfter(step);
        if (failure != InjectedFailure::None) failure_ = failure;
    }
    // MoveFileExA over an existing file, flushed; ERROR_CALL_NOT_IMPLEMENTED in
    // *error on Windows 95, 98 and ME.
    bool MoveOver(const std::string& from, const std::string& to, DWORD* error) {
        if (detail::MoveFileExTakenAway()) {
            *error = ERROR_CALL_NOT_IMPLEMENTED;
            return false;
        }
        const DWORD flags = MOVEFILE_REPLACE_EXISTING | (flush_ ? MOVEFILE_WRITE_THROUGH : 0);
        const bool moved = !Injected() && TryWhileInUse([&] {
            return MoveFileExA(from.c_str(), to.c_str(), flags) != FALSE;
        });
        *error = moved ? ERROR_SUCCESS : GetLastError();
        return moved;
    }
    // Renames a file to a name that is free.
    bool Move(const std::string& from, const std::string& to) {
        return !Injected() &&
               TryWhileInUse([&] { return MoveFileA(from.c_str(), to.c_str()) != FALSE; });
    }
    bool Delete(const std::string& file) {
        if (Injected()) return false;
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        return TryWhileInUse([&] { return DeleteFileA(file.c_str()) != FALSE; });
    }

  private:
    bool Injected() {
        if (failure_ == InjectedFailure::None) return false;
        if (failure_ == InjectedFailure::NextCall) failure_ = InjectedFailure::None;
        SetLastError(ERROR_WRITE_FAULT);
        return true;
    }

    bool flush_;
    InjectedFailure failure_ = InjectedFailure::None;
};

// Windows 95, 98 and ME cannot move a file over another. Every state between these
// steps is told by its names (see file_replace.h): a crash anywhere leaves either file
// whole, and once the old file is set aside the new bytes are never deleted before it
// is back.
bool ReplaceInSteps(ReplaceCalls& calls, const std::string& path,
                    const detail::ReplacementNames& names, bool exists) {
    if (!exists) {
        if (calls.Move(names.temporary, path)) {
            calls.Done(ReplaceStep::InPlace);
            return true;
        }
        calls.Delete(names.temporary);
        return false;
    }
    if (!calls.Move(path, names.aside)) {
        calls.Delete(names.temporary);
        return false;
    }
    calls.Done(ReplaceStep::SetAside);
    if (!calls.Move(names.temporary, path)) {
        if (calls.Move(names.aside, path)) calls.Delete(names.temporary);
        return false;
    }
    calls.Done(ReplaceStep::InPlace);
    calls.Delete(names.aside);  // else the next start removes it
    calls.Done(ReplaceStep::AsideDeleted);
    return true;
}

constexpr char kWriterObjectPrefix[] = "Pallisar Game Launcher writer ";

}  // namespace

// MoveFileExA rather than ReplaceFileA: kernel32 of Windows 95/98 has no ReplaceFileA,
// and importing it would stop the program from loading there. Whether MoveFileExA
// works is asked of the call itself, not of the reported version: Windows 2000 and XP
// in a "Windows 95/98" compatibility mode report the 95/98 family but move files over
// others as always.
bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    detail::ReplacementNames names;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        names = detail::NextReplacementNames(path);
        file = CreateFileA(names.temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
        SetFileAttributesA(names.temporary.c_str(), attributes & kKeptAttributes);
    ReplaceCalls calls(flush);
    if (!ok) {
        calls.Delete(names.temporary);
        return false;
    }
    calls.Done(ReplaceStep::Flushed);
    DWORD error = ERROR_SUCCESS;
    if (calls.MoveOver(names.temporary, path, &error)) {
        calls.Done(ReplaceStep::InPlace);
        return true;
    }
    if (error == ERROR_CALL_NOT_IMPLEMENTED) return ReplaceInSteps(calls, path, names, exists);
    calls.Delete(names.temporary);
    return false;
}

const std::string& detail::ThisFileWriter() {
    static const std::string writer = [] {
        const std::string id = LowerCase(HexText(GetCurrentProcessId(), 1)) + "." +
                               LowerCase(HexText(GetTickCount(), 1));
        // Never closed: the system removes it when the process ends, however it ends.
        bool existed = false;
        CreateSharedMutex(kWriterObjectPrefix + id, &existed);
        return id;
    }();
    return writer;
}

bool detail::FileWriterAlive(std::string_view writer) {
    // Only a name that no process has (in any session) is a writer that ended; a
    // refusal is another user's writer, which runs.
    return FindSharedMutex(kWriterObjectPrefix + std::string(writer)) != SharedMutex::Missing;
}

namespace {

// A file operation of the start's clean-up, failing as a test asked (see ReplaceStep).
template <typename Call>
bool CleanupCall(Call call) {
    InjectedFailure failure = detail::FailureAfter(ReplaceStep::Cleanup);
    return TryWhileInUse([&] {
        if (failure == InjectedFailure::NextCall) {
            failure = InjectedFailure::None;
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
        if (failure == InjectedFailure::EveryCall) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        return call();
    });
}

}  // namespace

bool RemoveProgramFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (CleanupCall([&] { return DeleteFileA(path.c_str()) != FALSE; })) return true;
    // Left as it was found.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool RenameProgramFile(const std::string& from, const std::string& to) {
    return CleanupCall([&] { return MoveFileA(from.c_str(), to.c_str()) != FALSE; });
}

}  // namespace pallisar
