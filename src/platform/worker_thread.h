#pragma once
// The little a worker thread of the program needs: the thread itself, a lock and a
// wake-up signal. Defined once per system: on Windows with Win32 threads, critical
// sections and events, which every Windows since 95 and NT 3.1 has (the C++ library's
// threads would need functions that old Windows lacks).

#include <functional>
#include <memory>

namespace pallisar {

// Mutual exclusion between the threads of the program; not recursive.
class WorkerLock {
  public:
    WorkerLock();
    ~WorkerLock();
    WorkerLock(const WorkerLock&) = delete;
    WorkerLock& operator=(const WorkerLock&) = delete;

    void Enter();
    void Leave();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Holds a lock for its lifetime.
class WorkerLockGuard {
  public:
    explicit WorkerLockGuard(WorkerLock& lock) : lock_(lock) { lock_.Enter(); }
    ~WorkerLockGuard() { lock_.Leave(); }
    WorkerLockGuard(const WorkerLockGuard&) = delete;
    WorkerLockGuard& operator=(const WorkerLockGuard&) = delete;

  private:
    WorkerLock& lock_;
};

// A signal that one waiting thread takes: Set wakes the thread waiting now, or the
// next Wait returns at once. Signals set twice before a wait count once.
class WakeSignal {
  public:
    static constexpr unsigned kForever = ~0u;

    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void Set();
    // True when woken by Set, false when `milliseconds` passed first.
    bool Wait(unsigned milliseconds);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs `body` on a thread of its own from construction on. The destructor waits for
// the body to return, so the body must be told to end first. A thread the system
// refuses to start never runs the body.
class WorkerThread {
  public:
    explicit WorkerThread(std::function<void()> body);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace pallisar
