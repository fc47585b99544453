#include "win32/win32_launch_lock.h"

#include <windows.h>

#include <cstdint>

#include "core/text.h"

namespace pallisar {

namespace {

// A kernel object's name takes no backslash: the directory goes in as a hash.
std::string LockName(const std::string& programDir) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : UpperCase(programDir)) hash = (hash ^ c) * 16777619u;
    return "Pallisar Game Launcher launch " + HexText(hash, 8);
}

}  // namespace

Win32LaunchLock::Win32LaunchLock(const std::string& programDir) : name_(LockName(programDir)) {}

bool Win32LaunchLock::Take() {
    if (!mutex_) mutex_.Reset(CreateMutexA(nullptr, FALSE, name_.c_str()));
    return static_cast<bool>(mutex_);
}

bool Win32LaunchLock::HeldElsewhere() const {
    if (mutex_) return false;
    ScopedKernelHandle other(OpenMutexA(SYNCHRONIZE, FALSE, name_.c_str()));
    return static_cast<bool>(other);
}

}  // namespace pallisar
