// What the program does differently on Windows 95, the oldest system it runs on, checked
// in a child process that Wine runs as Windows 95: the plain menu items and the older
// menu item record, the common controls registered the old way, the message wait
// without MWMO_INPUTAVAILABLE, and the file replacement without MoveFileExA.

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "child_as_windows.h"
#include "core/file_replace.h"
#include "support/temp_dir.h"
#include "win32/menu_builder.h"
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

std::string MenuText(HMENU menu, UINT position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST(OldWindowsChild, Windows95Fallbacks) {
    if (!test::InChildAsOldWindows()) GTEST_SKIP() << "runs in a child process run as Windows 95";
    ASSERT_TRUE(IsWindows95());
    EXPECT_FALSE(HasWindows98Interface());

    // The controls of the main window and the editor can be created.
    InitCommonControlClasses(ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES);
    for (const char* className : {WC_LISTVIEWA, TRACKBAR_CLASSA, STATUSCLASSNAMEA}) {
        const HWND control = CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(control, nullptr) << className;
        DestroyWindow(control);
    }

    // Menus made of the 44-byte record: captions, separators, state and the default item.
    MenuItem run = Item("miRun", "&Run", 101);
    run.Default = true;
    MenuItem grey = Item("miEdit", "&Edit...", 102);
    grey.Enabled = false;
    const ScopedMenu menu = CreatePopupMenuFrom({run, Separator("N1"), grey});
    ASSERT_EQ(GetMenuItemCount(menu.Get()), 3);
    EXPECT_EQ(MenuText(menu.Get(), 0), "&Run");
    EXPECT_EQ(GetMenuState(menu.Get(), 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    EXPECT_EQ(GetMenuDefaultItem(menu.Get(), FALSE, 0), 101u);
    EXPECT_NE(GetMenuState(menu.Get(), 102, MF_BYCOMMAND) & MF_GRAYED, 0u);

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

    // The old file goes, the new one takes its name and its attributes, nothing is left.
    test::TempDir dir;
    const std::string file = dir.File("Game.dat");
    test::WriteFileBytes(file, "old");
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(ReplaceFileContents(file, "new bytes"));
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
