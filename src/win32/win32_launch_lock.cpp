#include "win32/win32_launch_lock.h"

#include <windows.h>

#include "win32/shared_names.h"

namespace pallisar {

namespace {

// One name for the whole machine: launchers of every directory write into the same
// driver key.
constexpr const char* kLockName = "Pallisar Game Launcher launch";

}  // namespace

LockTake Win32LaunchLock::Take() {
    if (mutex_) return LockTake::Taken;
    bool existed = false;
    ScopedKernelHandle mutex(CreateSharedMutex(kLockName, &existed));
    // Made by another process first: its launch runs (a handle of our own would keep
    // the lock alive after that launch, and is let go at once).
    if (existed) return LockTake::HeldElsewhere;
    if (!mutex) return LockTake::Refused;
    mutex_ = std::move(mutex);
    return LockTake::Taken;
}

bool Win32LaunchLock::HeldElsewhere() const {
    if (mutex_) return false;
    return FindSharedMutex(kLockName) != SharedMutex::Missing;
}

}  // namespace pallisar
