// The board fixtures against Windows' own regedit: importing a fixture with
// `regedit /s` gives the same tree as our loader, so the fixtures are valid REGEDIT4
// and the loader reads them as Windows does. The trees are imported below
// HKCU\Software\PallisarTest instead of HKLM, so a board loaded into the prefix
// stays untouched.

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/memory_registry.h"
#include "support/regedit_file.h"
#include "support/temp_dir.h"
#include "win32/scoped_handle.h"
#include "win32/win32_registry.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

std::string ReadFixture(const std::string& board) {
    std::ifstream in(FixturePath("boards/" + board + ".reg"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The fixture's keys moved from HKLM to HKCU\<base>.
std::string Relocated(std::string text, const std::string& base) {
    const std::string from = "[HKEY_LOCAL_MACHINE\\";
    const std::string to = "[HKEY_CURRENT_USER\\" + base + "\\";
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

testing::AssertionResult RunRegedit(const std::string& file) {
    std::string command = "regedit.exe /s \"" + file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return testing::AssertionFailure() << "cannot start regedit: " << GetLastError();
    ScopedKernelHandle process(info.hProcess);
    ScopedKernelHandle thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0)
        return testing::AssertionFailure() << "regedit did not end within a minute";
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    if (exitCode != 0) return testing::AssertionFailure() << "regedit exit code " << exitCode;
    return testing::AssertionSuccess();
}

class RegeditImport : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        base_ = std::string("Software\\PallisarTest\\RegeditImport\\") + GetParam();
        registry_.DeleteTree(RegRoot::CurrentUser, base_);
    }
    void TearDown() override { registry_.DeleteTree(RegRoot::CurrentUser, base_); }

    Win32Registry registry_;
    std::string base_;
};

}  // namespace

TEST_P(RegeditImport, RegeditAndOurLoaderBuildTheSameTree) {
    const std::string fixture = ReadFixture(GetParam());
    ASSERT_FALSE(fixture.empty());
    const std::string ours = base_ + "\\Ours";
    const std::string theirs = base_ + "\\Regedit";

    LoadRegeditText(registry_, Relocated(fixture, ours));
    TempDir dir;
    const std::string file = dir.File(std::string(GetParam()) + ".reg");
    WriteFileBytes(file, Relocated(fixture, theirs));
    ASSERT_TRUE(RunRegedit(file));

    const RegistrySnapshot loaded = SnapshotTree(registry_, RegRoot::CurrentUser, ours);
    const RegistrySnapshot imported = SnapshotTree(registry_, RegRoot::CurrentUser, theirs);
    EXPECT_GT(imported.size(), 50u);
    EXPECT_EQ(DescribeDifferences(imported, loaded), "");

    // The in-memory store holds the same tree as the real registry.
    MemoryRegistry memory;
    LoadRegeditFile(memory, FixturePath(std::string("boards/") + GetParam() + ".reg"));
    EXPECT_EQ(DescribeDifferences(SnapshotTree(memory, RegRoot::LocalMachine, ""), loaded), "");
}

TEST_P(RegeditImport, ExportedTreeImportsIntoTheSameTree) {
    const std::string ours = base_ + "\\Ours";
    LoadRegeditText(registry_, Relocated(ReadFixture(GetParam()), ours));
    const std::string exported = ExportRegedit(registry_, RegRoot::CurrentUser, ours);
    const RegistrySnapshot before = SnapshotTree(registry_, RegRoot::CurrentUser, ours);
    ASSERT_EQ(registry_.DeleteTree(RegRoot::CurrentUser, ours), regError::kSuccess);
    TempDir dir;
    WriteFileBytes(dir.File("export.reg"), exported);
    ASSERT_TRUE(RunRegedit(dir.File("export.reg")));
    EXPECT_EQ(DescribeDifferences(before, SnapshotTree(registry_, RegRoot::CurrentUser, ours)), "");
}

INSTANTIATE_TEST_SUITE_P(Boards, RegeditImport,
                         testing::Values("voodoo3_win98", "voodoo4_single", "voodoo5_dual",
                                         "voodoo5_quad"));
