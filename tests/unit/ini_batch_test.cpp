#include "core/ini_batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/file_replace.h"
#include "core/ini_file.h"
#include "support/temp_dir.h"

using namespace pallisar;
using pallisar::test::FileExistsAt;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;
using pallisar::test::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

// Files and operation sequences from a seed: the odd lines and line ends the engine
// keeps, names that match only without regard to case, duplicates, and now and then
// a value or key that changes how the file splits into lines or sections.
class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    std::string Pick(const std::vector<std::string>& items) {
        return items[static_cast<size_t>(Below(static_cast<int>(items.size())))];
    }

    std::string Cased(std::string s) {
        if (Chance(30))
            for (char& c : s)
                if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c ^= Chance(50) ? 0x20 : 0;
        return s;
    }
    std::string Section() {
        return Cased(
            Pick({"Program", "Game One", "A", "b", "dup", "Dup", "x=y", "", " A ", "a]b"}));
    }
    std::string Key() {
        return Cased(Pick({"Run", "Params", "IconName", "GameOnly", "k", "Splash", " k ", ";c",
                           "a=b", "NoValue"}));
    }
    std::string Value() {
        switch (Below(12)) {
            case 0:
                return "";
            case 1:
                return "\"quoted\"";
            case 2:
                return "  lead";
            case 3:
                return "trail  ";
            case 4:
                return "1";
            case 5:
                return "0";
            case 6:
                return "a=b;[c]";
            default:
                return "v" + std::to_string(Below(5));
        }
    }
    // Rare texts that reshape the file: a line break, a key that reads as a header.
    std::string OddKey() { return Pick({"[k]", "new\r\nline", "[x", "tail\r"}); }
    std::string OddValue() { return Pick({"]", "two\r\nlines", "cr\ronly"}); }

    std::string File() {
        if (Chance(5)) return "";
        const std::string eols[] = {"\r\n", "\n", "\r", "\r\r\n"};
        const std::string& eol = eols[Below(Chance(70) ? 1 : 4)];
        std::string text = Chance(5) ? "\xEF\xBB\xBF" : "";
        const int lines = Below(14);
        for (int i = 0; i < lines; ++i) {
            switch (Below(9)) {
                case 0:
                case 1:
                    text += (Chance(20) ? " [" : "[") + Section() + "]";
                    break;
                case 2:
                    text += Chance(50) ? "" : "  ";
                    break;
                case 3:
                    text += "; comment=" + Value();
                    break;
                case 4:
                    text += Key();
                    break;
                default:
                    text += Key() + (Chance(20) ? " = " : "=") + Value();
            }
            text += Chance(5) ? eols[Below(4)] : eol;
        }
        if (Chance(15)) text += Key() + "=" + Value();  // no line end at the end
        return text;
    }

  private:
    std::mt19937 rng_;
};

struct Batch : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("Game.dat");
    IniFile ini{path};
    Names FilesInDir() const {
        Names names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

}  // namespace

// The same operations through a batch and one by one through IniFile, on copies of the
// same generated file: the batch reads what IniFile reads after each step and commits
// the bytes IniFile left.
TEST_F(Batch, GivesTheBytesOfTheSameWritesOneByOne) {
    // Thousands of throw-away files: what they hold counts, not that they reach the disk.
    FlushFileReplacements(false);
    int reshaping = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        Generator gen(seed);
        const std::string original = gen.File();
        const std::string single = dir.File("single" + std::to_string(seed) + ".ini");
        const std::string batched = dir.File("batched" + std::to_string(seed) + ".ini");
        const bool exists = !original.empty() || gen.Chance(50);
        if (exists) {
            WriteFileBytes(single, original);
            WriteFileBytes(batched, original);
        }
        IniFile one(single);
        IniBatch batch{IniFile(batched)};
        std::string trace;
        const int steps = 1 + gen.Below(12);
        for (int step = 0; step < steps; ++step) {
            const std::string section = gen.Section();
            const bool odd = gen.Chance(4);
            reshaping += odd;
            const std::string key = odd && gen.Chance(50) ? gen.OddKey() : gen.Key();
            const int kind = gen.Below(10);
            if (kind < 6) {
                const std::string value = odd ? gen.OddValue() : gen.Value();
                trace += "write [" + section + "] " + key + "=" + value + "; ";
                one.WriteString(section, key, value);
                batch.WriteString(section, key, value);
            } else if (kind < 7) {
                const bool value = gen.Chance(50);
                trace += "bool [" + section + "] " + key + "; ";
                one.WriteBool(section, key, value);
                batch.WriteBool(section, key, value);
            } else if (kind < 9) {
                trace += "delete [" + section + "] " + key + "; ";
                one.DeleteKey(section, key);
                batch.DeleteKey(section, key);
            } else {
                trace += "erase [" + section + "]; ";
                one.EraseSection(section);
                batch.EraseSection(section);
            }
            const std::string probe = gen.Section();
            ASSERT_EQ(batch.ReadSections(), one.ReadSections()) << seed << ": " << trace;
            ASSERT_EQ(batch.ReadSection(probe), one.ReadSection(probe)) << seed << ": " << trace;
            ASSERT_EQ(batch.ReadString(section, key, "dflt"), one.ReadString(section, key, "dflt"))
                << seed << ": " << trace;
            ASSERT_EQ(batch.ReadString(probe, "k", "-"), one.ReadString(probe, "k", "-"))
                << seed << ": " << trace;
        }
        EXPECT_EQ(exists ? ReadFileBytes(batched) : "", original) << "written before Commit";
        batch.Commit();
        EXPECT_FALSE(batch.Pending());
        ASSERT_EQ(FileExistsAt(batched), FileExistsAt(single)) << seed << ": " << trace;
        ASSERT_EQ(ReadFileBytes(batched), ReadFileBytes(single)) << seed << ": " << trace;
    }
    FlushFileReplacements(true);
    EXPECT_GT(reshaping, 90) << "the generator must reach the rare reshaping writes";
}

TEST_F(Batch, ChangingNothingTouchesNothing) {
    IniBatch missing(ini);
    missing.DeleteKey("Game", "Run");
    missing.EraseSection("Game");
    EXPECT_FALSE(missing.Pending());
    missing.Commit();
    EXPECT_FALSE(FileExistsAt(path)) << "a batch that changes nothing creates no file";

    WriteFileBytes(path, "[Game]\r\nRun = x \r\n");
    IniBatch same(ini);
    same.WriteString("GAME", "run", "x");
    EXPECT_FALSE(same.Pending());
    // A write and its undoing still write, as the two writes one by one would.
    same.WriteString("Game", "Params", "-w");
    same.DeleteKey("Game", "Params");
    EXPECT_TRUE(same.Pending());
    same.Commit();
    EXPECT_EQ(ReadFileBytes(path), "[Game]\r\nRun = x \r\n");
}

TEST_F(Batch, CommitRepeatsTheWritesOnAFileChangedMeanwhile) {
    WriteFileBytes(path, "[Old]\r\nRun=a\r\n");
    IniBatch batch(ini);
    batch.WriteString("New", "Run", batch.ReadString("Old", "Run", ""));
    batch.EraseSection("Old");
    // Another program adds an entry before the batch is committed.
    WriteFileBytes(path, "[Other]\r\nRun=o\r\n[Old]\r\nRun=b\r\n");
    batch.Commit();
    EXPECT_EQ(ReadFileBytes(path), "[Other]\r\nRun=o\r\n[New]\r\nRun=a\r\n");
    // The batch goes on from the file as written.
    EXPECT_EQ(batch.ReadSections(), (Names{"Other", "New"}));
    batch.WriteString("Other", "Params", "p");
    batch.Commit();
    EXPECT_EQ(ini.ReadString("other", "params", ""), "p");
}

// A write that fails part way, at each point of the replacement: the old file is
// intact, no temporary file is left, the error names the file, and a batch keeps its
// writes for another try.
TEST_F(Batch, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string before = "[Game]\r\nRun=old\r\n";
    const std::string after = "[Game]\r\nRun=new\r\nParams=-w\r\n";
    for (const long long failAfter : {0LL, 1LL, 9LL, static_cast<long long>(after.size())}) {
        SCOPED_TRACE(failAfter);
        WriteFileBytes(path, before);
        FailNextFileReplaceAfter(failAfter);
        try {
            ini.WriteString("Game", "Run", "x");
            ADD_FAILURE() << "no error raised";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        }
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_EQ(ini.ReadString("Game", "Run", ""), "old");

        IniBatch batch(ini);
        batch.WriteString("Game", "Run", "new");
        batch.WriteString("Game", "Params", "-w");
        FailNextFileReplaceAfter(failAfter);
        EXPECT_THROW(batch.Commit(), FileWriteError);
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_EQ(FilesInDir(), Names{"Game.dat"});
        EXPECT_TRUE(batch.Pending());
        batch.Commit();
        EXPECT_EQ(ReadFileBytes(path), after);
    }
    // A failure on a file not there yet leaves no file at all.
    std::filesystem::remove(path);
    FailNextFileReplaceAfter(3);
    EXPECT_THROW(ini.WriteString("Game", "Run", "x"), FileWriteError);
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(Batch, RefusedFileRaisesAtCommit) {
    std::filesystem::create_directory(path);  // a folder where the file should be
    IniBatch batch(ini);
    batch.WriteString("Game", "Run", "x");
    EXPECT_EQ(batch.ReadString("Game", "Run", ""), "x");
    EXPECT_THROW(batch.Commit(), FileWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

#ifndef _WIN32
TEST_F(Batch, ReplacementKeepsThePermissions) {
    namespace fs = std::filesystem;
    WriteFileBytes(path, "[Game]\r\nRun=a\r\n");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    ini.WriteString("Game", "Run", "b");
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(ReadFileBytes(path), "[Game]\r\nRun=b\r\n");
}
#endif
