#pragma once
// LaunchLock as one named mutex of the machine, seen from every logon session
// (win32/shared_names.h) and by the launchers of every directory, since they all write
// into the one driver key. Only its existence counts: the first process to make it
// holds it, and the system destroys it with the last handle, which a dead process no
// longer holds.

#include "platform/launch_lock.h"
#include "win32/scoped_handle.h"

namespace pallisar {

class Win32LaunchLock : public LaunchLock {
  public:
    LockTake Take() override;
    void Release() override { mutex_.Reset(); }
    bool Held() const override { return static_cast<bool>(mutex_); }
    bool HeldElsewhere() const override;

  private:
    ScopedKernelHandle mutex_;
};

}  // namespace pallisar
