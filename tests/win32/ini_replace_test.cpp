// The INI engine's writes on Windows' file system (under Wine): the file is replaced
// whole, keeping its attributes; a read-only file is refused and left alone; and a
// batch of the editor's writes leaves the file WritePrivateProfileStringA leaves.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/ini_batch.h"
#include "core/ini_file.h"
#include "support/temp_dir.h"

using namespace pallisar;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;
using pallisar::test::WriteFileBytes;

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

}  // namespace

TEST(IniReplace, KeepsTheFileAttributes) {
    TempDir dir;
    const std::string path = dir.File("Game.dat");
    WriteFileBytes(path, "[Game]\r\nRun=a\r\n");
    const DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), wanted));
    if ((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) == 0)
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    IniFile ini(path);
    ini.WriteString("Game", "Run", "b");
    IniBatch batch(ini);
    batch.WriteString("Game", "Params", "-w");
    batch.Commit();
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & wanted, wanted);
    EXPECT_EQ(ReadFileBytes(path), "[Game]\r\nRun=b\r\nParams=-w\r\n");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"Game.dat"});
}

TEST(IniReplace, ReadOnlyFileIsRefusedAndLeftAlone) {
    TempDir dir;
    const std::string path = dir.File("settings.cfg");
    const std::string before = "[Program]\r\nVersion=1.0\r\n";
    WriteFileBytes(path, before);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    IniFile ini(path);
    try {
        ini.WriteString("Program", "Version", "1.01");
        ADD_FAILURE() << "no error raised";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_THROW(ini.EraseSection("Program"), FileWriteError);
    IniBatch batch(ini);
    batch.WriteString("Program", "ViewStyle", "2");
    EXPECT_THROW(batch.Commit(), FileWriteError);
    // Writes that change nothing do not touch it, so they do not fail either.
    ini.WriteString("Program", "Version", "1.0");
    ini.DeleteKey("Program", "Missing");
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"settings.cfg"});
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The editor's OK for a new entry and for a rename, on a catalogue in the form the API
// writes itself: one batch leaves the bytes the same writes key by key through
// WritePrivateProfileStringA leave.
TEST(IniReplace, BatchLeavesWhatTheProfileApiLeaves) {
    TempDir dir;
    std::string catalogue;
    for (int i = 0; i < 40; ++i) {
        catalogue += "[Game " + std::to_string(i) + "]\r\nIconName=c:\\g" + std::to_string(i) +
                     ".exe,0\r\nRun=c:\\g" + std::to_string(i) +
                     ".exe\r\nParams=\r\nSplash=" + (i % 2 ? "Enable" : "Disable") +
                     "\r\nLODBias=0\r\n";
    }
    struct Case {
        std::string from, to;
    };
    const Case cases[] = {{"Throw away", "New game"}, {"Game 7", "Renamed"}, {"Game 9", "GAME 9"}};
    const char* keys[] = {"IconName", "Run", "Params", "Splash", "LODBias", "RGamma"};
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from + " -> " + c.to);
        const std::string ours = dir.File("ours" + std::to_string(serial) + ".dat");
        const std::string api = dir.File("api" + std::to_string(serial++) + ".dat");
        WriteFileBytes(ours, catalogue);
        WriteFileBytes(api, catalogue);
        IniBatch batch{IniFile(ours)};
        for (const char* key : keys) {
            batch.WriteString(c.to, key,
                              batch.ReadString(c.from, key, key[0] == 'R' ? "1.30" : ""));
            char buffer[2048];
            const DWORD n =
                GetPrivateProfileStringA(c.from.c_str(), key, key[0] == 'R' ? "1.30" : "", buffer,
                                         sizeof buffer, api.c_str());
            WritePrivateProfileStringA(c.to.c_str(), key, std::string(buffer, n).c_str(),
                                       api.c_str());
        }
        const std::pair<const char*, const char*> written[] = {
            {"IconName", "c:\\new.exe,0"}, {"Params", "-w"},
            {"Run", "c:\\new.exe"},        {"GameOnly", "0"},
            {"Splash", "Enable"},          {"RGamma", "1.45"}};
        for (const auto& [key, value] : written) {
            batch.WriteString(c.to, key, value);
            WritePrivateProfileStringA(c.to.c_str(), key, value, api.c_str());
        }
        // A rename that changes only the letter case names the same section: no erase.
        if (lstrcmpiA(c.from.c_str(), c.to.c_str()) != 0) {
            batch.EraseSection(c.from);
            WritePrivateProfileStringA(c.from.c_str(), nullptr, nullptr, api.c_str());
        }
        EXPECT_EQ(ReadFileBytes(ours), catalogue) << "written before Commit";
        batch.Commit();
        EXPECT_EQ(ReadFileBytes(ours), ReadFileBytes(api));
    }
}
