// The INI engine's writes on Windows' file system (under Wine): a read-only file is
// refused and left alone, and the replacement keeps the file's attributes.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/ini_batch.h"
#include "core/ini_file.h"
#include "support/temp_dir.h"

using namespace pallisar;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;
using pallisar::test::WriteFileBytes;

TEST(IniReplace, RefusesAReadOnlyFileAndKeepsTheAttributes) {
    TempDir dir;
    const std::string path = dir.File("Game.dat");
    const std::string before = "[Game]\r\nRun=a\r\n";
    WriteFileBytes(path, before);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    IniFile ini(path);
    EXPECT_THROW(ini.WriteString("Game", "Run", "b"), FileWriteError);
    EXPECT_THROW(ini.EraseSection("Game"), FileWriteError);
    // Writes that change nothing do not touch the file, so they do not fail either.
    ini.WriteString("Game", "Run", "a");
    IniBatch batch(ini);
    batch.DeleteKey("Game", "Missing");
    batch.Commit();
    batch.WriteString("Game", "Params", "-w");
    try {
        batch.Commit();
        ADD_FAILURE() << "no error raised";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    const DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), wanted));
    if ((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) == 0)
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    ini.WriteString("Game", "Run", "b");
    batch.Commit();  // the refused write, kept and made on the file as it is now
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & wanted, wanted);
    EXPECT_EQ(ReadFileBytes(path), "[Game]\r\nRun=b\r\nParams=-w\r\n");
    namespace fs = std::filesystem;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}
