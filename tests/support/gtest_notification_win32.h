#pragma once
// GoogleTest's signal that lets a thread it starts go on, for the Windows build, whose
// thread model has no std::mutex or std::condition_variable (GoogleTest's own version
// is made of them). Included before everything else in GoogleTest and its users.
// Only GoogleTest's own thread helpers use it, so a wait that looks every millisecond
// is plenty.

#ifdef _WIN32
extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

namespace testing::internal {

class Notification {
  public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { __atomic_store_n(&notified_, true, __ATOMIC_RELEASE); }
    void WaitForNotification() {
        while (!__atomic_load_n(&notified_, __ATOMIC_ACQUIRE)) Sleep(1);
    }

  private:
    bool notified_ = false;
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
#endif
