// Shortcuts written through Windows' own shell link object, read back through it.
// With PALLISAR_SHORTCUT_OUT set (a Windows path), the written shortcut is left
// there for tests of the file itself (tests/e2e/check_lnk.sh).

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <objidl.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

#include "core/ini_file.h"
#include "core/text.h"
#include "support/fake_prompts.h"
#include "support/shell_link_reader.h"
#include "support/temp_dir.h"
#include "ui/shortcut_command.h"
#include "win32/com_ptr.h"
#include "win32/scoped_handle.h"
#include "win32/win32_shell_link.h"

using namespace pallisar;
using pallisar::test::FakePrompts;
using pallisar::test::LinkFields;
using pallisar::test::ReadLink;
using pallisar::test::TempDir;

namespace {

std::string ProbeExe() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "probe.exe";
}

TEST(ShortcutLinkWine, CommandWritesALinkTheShellReadsBack) {
    ScopedCoInitialize com;
    TempDir dir;
    const char* out = std::getenv("PALLISAR_SHORTCUT_OUT");
    const std::string file = out && *out ? out : dir.File("Foo.lnk");
    DeleteFileA(file.c_str());
    // The launcher's place is taken by the probe, so that the shortcut can be opened.
    const std::string launcher = ProbeExe();
    test::WriteFileBytes(dir.File("Game.dat"),
                         "[Foo]\r\nRun=C:\\Games\\Foo\\foo.exe\r\nParams=-fast\r\n"
                         "IconName=C:\\windows\\system32\\shell32.dll,65548\r\n");
    const IniFile catalogue(dir.File("Game.dat"));
    FakePrompts prompts;
    prompts.texts = {file};
    Win32ShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetHotKey("K");
    CreateShortcut(catalogue, "Foo", prompts, launcher, link);

    LinkFields fields;
    ASSERT_TRUE(ReadLink(file, fields));
    EXPECT_TRUE(SameText(fields.path, launcher)) << fields.path;
    EXPECT_EQ(fields.arguments, " /run \"C:\\Games\\Foo\\foo.exe\"");
    EXPECT_EQ(fields.workingDir, "C:\\Games\\Foo");
    EXPECT_EQ(fields.iconFile, "C:\\windows\\system32\\shell32.dll");
    EXPECT_EQ(fields.iconNumber, 12);
    EXPECT_EQ(fields.hotKey, 0);
    EXPECT_EQ(fields.description, "");
}

TEST(ShortcutLinkWine, RefusedSaveIsAnError) {
    ScopedCoInitialize com;
    TempDir dir;
    Win32ShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetTarget(ProbeExe());
    link.SetShortcutFile(dir.File("missing\\x.lnk"));
    try {
        link.SaveLink();
        ADD_FAILURE() << "saved";
    } catch (const EShortcutError& e) {
        EXPECT_STREQ(e.what(), "Unable to create .lnk file");
    }
    EXPECT_FALSE(test::FileExistsAt(dir.File("missing\\x.lnk")));
}

DWORD WINAPI CreateWithoutCom(void* param) {
    auto& message = *static_cast<std::string*>(param);
    Win32ShellLinkFactory factory;
    try {
        factory.Create();
        message = "created";
    } catch (const Error& e) {
        message = e.what();
    }
    return 0;
}

TEST(ShortcutLinkWine, NoObjectWithoutComIsAnError) {
    std::string message;
    ScopedKernelHandle thread(CreateThread(nullptr, 0, CreateWithoutCom, &message, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(message, ComErrorText(CO_E_NOTINITIALIZED));
}

TEST(ShortcutLinkWine, ComErrorTextIsTheSystemsOrTheCode) {
    // The system's text loses its line end and full stop: the error box adds one.
    const std::string known = ComErrorText(E_ACCESSDENIED);
    EXPECT_EQ(known.rfind("Access ", 0), 0u) << known;
    EXPECT_NE(known.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(known.back()), ' ');
    EXPECT_EQ(ComErrorText(static_cast<int32_t>(0xA00F1234)), "OLE error A00F1234");
}

}  // namespace
