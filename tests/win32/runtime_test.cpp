// What the program has of its own beside the C++ run-time, as the whole program uses it.
#include <gtest/gtest.h>
#include <windows.h>

#include <ext/concurrence.h>
#include <string>
#include <unordered_map>

namespace {

bool IsPrime(size_t n) {
    if (n < 2) return false;
    for (size_t d = 2; d * d <= n; ++d)
        if (n % d == 0) return false;
    return true;
}

struct Shared {
    __gnu_cxx::__mutex* mutex;
    LONG entered;
};

DWORD WINAPI TakeTheMutex(void* argument) {
    auto* shared = static_cast<Shared*>(argument);
    shared->mutex->lock();  // throws when it cannot wait
    InterlockedIncrement(&shared->entered);
    shared->mutex->unlock();
    return 0;
}

}  // namespace

TEST(RunTime, HashTablesGrowToPrimeBucketCountsWithinTheirLoadFactor) {
    std::unordered_map<std::string, int> table;
    EXPECT_EQ(table.bucket_count(), 1u);
    size_t growths = 0, buckets = table.bucket_count();
    for (int i = 0; i < 20000; ++i) {
        table[std::to_string(i)] = i;
        if (table.bucket_count() != buckets) {
            ++growths;
            buckets = table.bucket_count();
            ASSERT_TRUE(IsPrime(buckets)) << buckets;
        }
        ASSERT_LE(table.load_factor(), table.max_load_factor());
    }
    EXPECT_LE(growths, 20u);  // at least doubling each time
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(table.at(std::to_string(i)), i);
    table.rehash(1000);
    EXPECT_TRUE(IsPrime(table.bucket_count()));
    EXPECT_GE(table.bucket_count(), 1000u);
}

TEST(RunTime, MutexesOfTheRunTimeWaitOnASemaphoreOfTheirOwn) {
    // What Windows 95, 98 and ME would have left without one (CreateSemaphoreW there is
    // a stub): a second thread could not wait for the first.
    __gnu_cxx::__mutex mutex;
    ASSERT_NE(mutex.gthread_mutex()->sema, nullptr);
    mutex.lock();
    Shared shared{&mutex, 0};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &TakeTheMutex, &shared, 0, &id);
    ASSERT_NE(thread, nullptr);
    Sleep(200);
    EXPECT_EQ(shared.entered, 0) << "the second thread did not wait";
    mutex.unlock();
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(shared.entered, 1);
    CloseHandle(thread);
}
