#pragma once
// LaunchLock as a named mutex of the program's directory, seen from every logon
// session (win32/shared_names.h). Only its existence counts: the first process to make
// it holds it, and the system destroys it with the last handle, which a dead process no
// longer holds.

#include <string>

#include "platform/launch_lock.h"
#include "win32/scoped_handle.h"

namespace pallisar {

class Win32LaunchLock : public LaunchLock {
  public:
    // `programDir` names the lock: launchers of other directories keep journals of
    // their own.
    explicit Win32LaunchLock(const std::string& programDir);

    LockTake Take() override;
    void Release() override { mutex_.Reset(); }
    bool Held() const override { return static_cast<bool>(mutex_); }
    bool HeldElsewhere() const override;

  private:
    std::string name_;
    ScopedKernelHandle mutex_;
};

}  // namespace pallisar
