// What the program does differently on Windows 95, the oldest system it runs on, below
// its windows (the end-to-end run as Windows 95 covers those), checked in a child
// process that Wine runs as Windows 95: the message wait without MWMO_INPUTAVAILABLE,
// and the file replacement without MoveFileExA.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "child_as_windows.h"
#include "core/file_replace.h"
#include "support/temp_dir.h"
#include "win32/scoped_handle.h"
#include "win32/system_features.h"

namespace pallisar {
namespace {

TEST(OldWindows, FallbacksInAProcessRunAsWindows95) {
    // The launch wait of the process launcher runs its message loop on the fallback too.
    EXPECT_TRUE(test::RunTestsAsWindows(
        "win95", "OldWindowsChild.*:RegularWait.*",
        {"OldWindowsChild.Windows95Fallbacks", "RegularWait.ServesMessagesWithoutSpinning"}));
}

TEST(OldWindowsChild, Windows95Fallbacks) {
    if (!test::InChildAsOldWindows()) GTEST_SKIP() << "runs in a child process run as Windows 95";
    ASSERT_TRUE(IsWindows95());
    EXPECT_FALSE(HasWindows98Interface());

    // A message already looked at still ends the wait; a signalled handle ends it too.
    const ScopedKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    MSG msg;
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(WaitForHandleOrMessage(event.Get()), WAIT_OBJECT_0 + 1);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SetEvent(event.Get());
    EXPECT_EQ(WaitForHandleOrMessage(event.Get()), WAIT_OBJECT_0);

    // Set aside, the new one takes its name and its attributes, nothing is left (Wine's
    // MoveFileExA works whatever version it reports: it is made to answer as 95's).
    test::TempDir dir;
    const std::string file = dir.File("Game.dat");
    test::WriteFileBytes(file, "old");
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ReplaceAsWithoutMoveFileEx(true);
    const bool replaced = ReplaceFileContents(file, "new bytes");
    ReplaceAsWithoutMoveFileEx(false);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(test::ReadFileBytes(file), "new bytes");
    EXPECT_NE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(dir.File("*").c_str(), &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace pallisar
