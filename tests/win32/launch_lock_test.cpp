// The launch lock and the writers' names as the system sees them: made in the global
// namespace where the system takes it (Wine does, as Windows 2000 and later do), so that
// every logon session finds them; the first to make the lock holds it.

#include <gtest/gtest.h>
#include <windows.h>

#include "win32/scoped_handle.h"
#include "win32/shared_names.h"
#include "win32/win32_launch_lock.h"

namespace pallisar {
namespace {

TEST(SharedNames, AMutexIsMadeOnceInTheGlobalNamespaceAndGoneWithItsLastHandle) {
    const std::string name = "Pallisar Game Launcher test " + std::to_string(GetCurrentProcessId());
    EXPECT_EQ(FindSharedMutex(name), SharedMutex::Missing);
    bool existed = true;
    ScopedKernelHandle first(CreateSharedMutex(name, &existed));
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    ScopedKernelHandle global(OpenMutexA(SYNCHRONIZE, FALSE, ("Global\\" + name).c_str()));
    EXPECT_TRUE(global);
    global.Reset();
    EXPECT_EQ(FindSharedMutex(name), SharedMutex::Exists);
    ScopedKernelHandle second(CreateSharedMutex(name, &existed));
    EXPECT_TRUE(existed);
    second.Reset();
    first.Reset();
    EXPECT_EQ(FindSharedMutex(name), SharedMutex::Missing);
}

// Two launchers, of one directory or of two (here two locks of one process, which the
// system tells apart only by the handles they made).
TEST(Win32LaunchLock, OnlyOneHolderUntilItLetsGo) {
    Win32LaunchLock first;
    Win32LaunchLock second;
    EXPECT_FALSE(second.HeldElsewhere());
    EXPECT_EQ(first.Take(), LockTake::Taken);
    EXPECT_EQ(first.Take(), LockTake::Taken);
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(first.HeldElsewhere());
    EXPECT_TRUE(second.HeldElsewhere());
    EXPECT_EQ(second.Take(), LockTake::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_FALSE(second.HeldElsewhere());
    EXPECT_EQ(second.Take(), LockTake::Taken);
}

}  // namespace
}  // namespace pallisar
