#include "win32/win32_launch_lock.h"

#include <windows.h>

#include <cstdint>

#include "core/text.h"
#include "win32/shared_names.h"

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

LockTake Win32LaunchLock::Take() {
    if (mutex_) return LockTake::Taken;
    bool existed = false;
    ScopedKernelHandle mutex(CreateSharedMutex(name_, &existed));
    // Made by another process first: its launch runs (a handle of our own would keep
    // the lock alive after that launch, and is let go at once).
    if (existed) return LockTake::HeldElsewhere;
    if (!mutex) return LockTake::Refused;
    mutex_ = std::move(mutex);
    return LockTake::Taken;
}

bool Win32LaunchLock::HeldElsewhere() const {
    if (mutex_) return false;
    return FindSharedMutex(name_) != SharedMutex::Missing;
}

}  // namespace pallisar
