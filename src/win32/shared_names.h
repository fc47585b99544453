#pragma once
// Named mutexes seen from every logon session (fast user switching, terminal sessions):
// "Global\" names where the system takes them (Windows 2000, XP and later), the plain
// names on Windows 95, 98, ME and NT 4.0. Which of the two is decided once, by what
// CreateMutexA answers for a "Global\" name, not by the reported version.

#include <windows.h>

#include <string>

namespace pallisar {

// Creates the mutex `name` (a plain name), or opens it when it exists. *existed is
// true when another process has it: ERROR_ALREADY_EXISTS, or a mutex of another user
// that cannot be opened (ERROR_ACCESS_DENIED, then no handle). NULL when refused.
HANDLE CreateSharedMutex(const std::string& name, bool* existed);

enum class SharedMutex {
    Missing,  // ERROR_FILE_NOT_FOUND: no process has it
    Exists,   // opened, or there but refused (ERROR_ACCESS_DENIED)
    Unknown,  // any other answer
};
// Whether some process has the mutex `name` (a plain name).
SharedMutex FindSharedMutex(const std::string& name);

}  // namespace pallisar
