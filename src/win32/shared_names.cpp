#include "win32/shared_names.h"

namespace pallisar {

namespace {

// Windows 95, 98 and ME take no backslash in a name and NT 4.0 has no "Global"
// directory: there the call fails for a reason other than an existing mutex.
const std::string& Prefix() {
    static const std::string prefix = [] {
        const HANDLE probe =
            CreateMutexA(nullptr, FALSE, "Global\\Pallisar Game Launcher global names");
        const bool taken = probe != nullptr || GetLastError() == ERROR_ACCESS_DENIED;
        if (probe) CloseHandle(probe);
        return std::string(taken ? "Global\\" : "");
    }();
    return prefix;
}

}  // namespace

HANDLE CreateSharedMutex(const std::string& name, bool* existed) {
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, (Prefix() + name).c_str());
    const DWORD error = GetLastError();
    *existed = mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    return mutex;
}

SharedMutex FindSharedMutex(const std::string& name) {
    const HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, (Prefix() + name).c_str());
    if (mutex) {
        CloseHandle(mutex);
        return SharedMutex::Exists;
    }
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
            return SharedMutex::Missing;
        case ERROR_ACCESS_DENIED:
            return SharedMutex::Exists;
        default:
            return SharedMutex::Unknown;
    }
}

}  // namespace pallisar
