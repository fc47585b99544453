#pragma once
// Tells a launch that is still running from one that died: while a launch keeps its
// journal, its launcher holds the lock of the program's directory, and another launcher
// started meanwhile (a shortcut's /RUN while a game runs) sees it held and leaves that
// journal alone. The system lets go of the lock of a process that has ended, however
// it ended.

namespace pallisar {

class LaunchLock {
  public:
    virtual ~LaunchLock() = default;
    // Takes the lock for this process (again taking it does nothing); false when the
    // system refused.
    virtual bool Take() = 0;
    // Lets go of it; nothing when not held.
    virtual void Release() = 0;
    // Whether another process that is still running holds it.
    virtual bool HeldElsewhere() const = 0;
};

}  // namespace pallisar
