#pragma once
// One launch with restore at a time, and a launch that is still running told from one
// that died: a launcher holds the lock of the program's directory for the whole of a
// launch that puts the driver's values back (and while its start-up finishes a launch
// cut short). Another launcher, of any logon session, finds it held: its launch is
// refused and its start-up leaves the journal alone. The system lets go of the lock of
// a process that has ended, however it ended.

namespace pallisar {

enum class LockTake {
    Taken,          // this process holds it now (or held it already)
    HeldElsewhere,  // another process that still runs holds it
    Refused,        // the system refused to make it; nobody is known to hold it
};

class LaunchLock {
  public:
    virtual ~LaunchLock() = default;
    // Takes the lock for this process unless another process holds it.
    virtual LockTake Take() = 0;
    // Lets go of it; nothing when not held.
    virtual void Release() = 0;
    // Whether this process holds it.
    virtual bool Held() const = 0;
    // Whether another process that is still running holds it (when that cannot be
    // told, it counts as held).
    virtual bool HeldElsewhere() const = 0;
};

}  // namespace pallisar
