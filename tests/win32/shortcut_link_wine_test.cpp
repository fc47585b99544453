// Shortcuts written through Windows' own shell link object, read back through it.
// With PALLISAR_SHORTCUT_OUT set (a Windows path), the written shortcut is left
// there for tests of the file itself (tests/e2e/check_lnk.sh).

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/ini_file.h"
#include "core/text.h"
#include "support/fake_prompts.h"
#include "support/shell_link_reader.h"
#include "support/temp_dir.h"
#include "ui/shortcut_command.h"
#include "win32/scoped_handle.h"
#include "win32/win32_shell_link.h"

namespace pallisar {
namespace {

// The launcher's place is taken by the probe, so that the shortcut can be opened.
std::string ProbeExe() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "probe.exe";
}

TEST(ShortcutLinkWine, CommandWritesALinkTheShellReadsBack) {
    ScopedCoInitialize com;
    test::TempDir dir;
    const char* out = std::getenv("PALLISAR_SHORTCUT_OUT");
    const std::string file = out && *out ? out : dir.File("Foo.lnk"), launcher = ProbeExe();
    DeleteFileA(file.c_str());
    test::WriteFileBytes(dir.File("Game.dat"),
                         "[Foo]\r\nRun=C:\\Games\\Foo\\foo.exe\r\nParams=-fast\r\n"
                         "IconName=C:\\windows\\system32\\shell32.dll,65548\r\n");
    test::FakePrompts prompts;
    prompts.texts = {file};
    Win32ShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetHotKey("K");
    CreateShortcut(LoadGameEntry(IniFile(dir.File("Game.dat")), "Foo"), prompts, launcher, link);

    test::LinkFields got;
    ASSERT_TRUE(test::ReadLink(file, got));
    EXPECT_TRUE(SameText(got.path, launcher)) << got.path;
    EXPECT_EQ(
        got.arguments + "|" + got.workingDir + "|" + got.iconFile + "|" + got.description,
        " /run \"C:\\Games\\Foo\\foo.exe\"|C:\\Games\\Foo|C:\\windows\\system32\\shell32.dll|");
    EXPECT_EQ(got.iconNumber, 12);
    EXPECT_EQ(got.hotKey, 0);
}

TEST(ShortcutLinkWine, RefusedSaveIsAnError) {
    ScopedCoInitialize com;
    test::TempDir dir;
    Win32ShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetTarget(ProbeExe()), link.SetShortcutFile(dir.File("missing\\x.lnk"));
    EXPECT_THROW(link.SaveLink(), EShortcutError);
    EXPECT_FALSE(test::FileExistsAt(dir.File("missing\\x.lnk")));
}

DWORD WINAPI CreateWithoutCom(void* message) {
    try {
        Win32ShellLinkFactory().Create();
    } catch (const Error& e) {
        *static_cast<std::string*>(message) = e.what();
    }
    return 0;
}

// Without COM on the thread there is no object: the system's text of the failure
// (without its line end and full stop), or the code when the system has none.
TEST(ShortcutLinkWine, NoObjectWithoutComIsAnError) {
    std::string message = "created";
    ScopedKernelHandle thread(CreateThread(nullptr, 0, CreateWithoutCom, &message, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(message, ComErrorText(CO_E_NOTINITIALIZED));
    const std::string known = ComErrorText(E_ACCESSDENIED);
    EXPECT_TRUE(known.rfind("Access ", 0) == 0 && known.back() > ' ' && known.back() != '.')
        << known;
    EXPECT_EQ(ComErrorText(static_cast<int32_t>(0xA00F1234)), "OLE error A00F1234");
}

}  // namespace
}  // namespace pallisar
