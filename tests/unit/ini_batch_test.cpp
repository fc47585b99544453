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
    std::string Pick(const Names& items) { return items[Below(static_cast<int>(items.size()))]; }
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
        if (Chance(40)) return "v" + std::to_string(Below(5));
        return Pick({"", "\"quoted\"", "  lead", "trail  ", "1", "0", "a=b;[c]"});
    }
    // Rare texts that reshape the file: a line break, a key that reads as a header.
    std::string OddKey() { return Pick({"[k]", "new\r\nline", "[x", "tail\r"}); }
    std::string OddValue() { return Pick({"]", "two\r\nlines", "cr\ronly"}); }
    std::string File() {
        if (Chance(5)) return "";
        const Names eols = {"\r\n", "\n", "\r", "\r\r\n"};
        const std::string eol = eols[Below(Chance(70) ? 1 : 4)];
        std::string text = Chance(5) ? "\xEF\xBB\xBF" : "";
        for (int lines = Below(14); lines > 0; --lines) {
            const int kind = Below(9);
            if (kind < 2) text += (Chance(20) ? " [" : "[") + Section() + "]";
            if (kind == 2) text += Chance(50) ? "" : "  ";
            if (kind == 3) text += "; comment=" + Value();
            if (kind == 4) text += Key();
            if (kind > 4) text += Key() + (Chance(20) ? " = " : "=") + Value();
            text += Chance(5) ? Pick(eols) : eol;
        }
        if (Chance(15)) text += Key() + "=" + Value();  // no line end at the end
        return text;
    }

  private:
    std::mt19937 rng_;
};

}  // namespace

// The same operations through a batch and one by one through IniFile, on copies of the
// same generated file: the batch reads what IniFile reads after each step, writes
// nothing before Commit, and commits the bytes IniFile left (or no file, as IniFile).
TEST(Batch, GivesTheBytesOfTheSameWritesOneByOne) {
    TempDir dir;
    // Thousands of throw-away files: what they hold counts, not that they reach the disk.
    FlushFileReplacements(false);
    int reshaping = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        Generator gen(seed);
        const std::string original = gen.File();
        const std::string single = dir.File("single" + std::to_string(seed));
        const std::string batched = dir.File("batched" + std::to_string(seed));
        const bool exists = !original.empty() || gen.Chance(50);
        if (exists) WriteFileBytes(single, original), WriteFileBytes(batched, original);
        IniFile one(single);
        IniBatch batch{IniFile(batched)};
        std::string trace = std::to_string(seed) + ":";
        for (int steps = 1 + gen.Below(12); steps > 0; --steps) {
            const std::string section = gen.Section();
            const bool odd = gen.Chance(4);
            reshaping += odd;
            const std::string key = odd && gen.Chance(50) ? gen.OddKey() : gen.Key();
            const std::string value = odd ? gen.OddValue() : gen.Value();
            const int kind = gen.Below(10);
            trace += " " + std::to_string(kind) + "[" + section + "]" + key + "=" + value;
            for (ProfileStore* store : std::initializer_list<ProfileStore*>{&one, &batch}) {
                if (kind < 7) store->WriteString(section, key, value);
                if (kind == 7 || kind == 8) store->DeleteKey(section, key);
                if (kind == 9) store->EraseSection(section);
            }
            const std::string probe = gen.Section();
            ASSERT_EQ(batch.ReadSections(), one.ReadSections()) << trace;
            ASSERT_EQ(batch.ReadSection(probe), one.ReadSection(probe)) << trace;
            ASSERT_EQ(batch.ReadString(section, key, "-"), one.ReadString(section, key, "-"))
                << trace;
        }
        ASSERT_EQ(exists ? ReadFileBytes(batched) : "", original) << trace;
        batch.Commit();
        ASSERT_EQ(FileExistsAt(batched), FileExistsAt(single)) << trace;
        ASSERT_EQ(ReadFileBytes(batched), ReadFileBytes(single)) << trace;
    }
    FlushFileReplacements(true);
    EXPECT_GT(reshaping, 90) << "the generator must reach the rare reshaping writes";
}

TEST(Batch, CommitRepeatsTheWritesOnAFileChangedMeanwhile) {
    TempDir dir;
    const std::string path = dir.File("Game.dat");
    WriteFileBytes(path, "[Old]\r\nRun=a\r\n");
    IniBatch batch{IniFile(path)};
    batch.WriteString("New", "Run", batch.ReadString("Old", "Run", ""));
    batch.EraseSection("Old");
    // Another program adds an entry before the batch is committed.
    WriteFileBytes(path, "[Other]\r\nRun=o\r\n[Old]\r\nRun=b\r\n");
    batch.Commit();
    EXPECT_EQ(ReadFileBytes(path), "[Other]\r\nRun=o\r\n[New]\r\nRun=a\r\n");
}

// A write that fails part way, at each point of the replacement: the old file is
// intact, no temporary file is left, and the batch keeps its writes for another try.
// A failure on a file not there yet leaves no file at all.
TEST(Batch, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.File("Game.dat");
    const auto files = [&] {
        namespace fs = std::filesystem;
        return std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
    };
    const std::string before = "[Game]\r\nRun=old\r\n";
    const std::string after = "[Game]\r\nRun=new\r\nParams=-w\r\n";
    for (const long long failAfter : {0LL, 1LL, 9LL, static_cast<long long>(after.size())}) {
        SCOPED_TRACE(failAfter);
        WriteFileBytes(path, before);
        IniBatch batch{IniFile(path)};
        batch.WriteString("Game", "Run", "new");
        batch.WriteString("Game", "Params", "-w");
        FailNextFileReplaceAfter(failAfter);
        EXPECT_THROW(batch.Commit(), FileWriteError);
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_EQ(files(), 1) << "a temporary file left";
        batch.Commit();
        EXPECT_EQ(ReadFileBytes(path), after);
    }
    std::filesystem::remove(path);
    FailNextFileReplaceAfter(3);
    EXPECT_THROW(IniFile(path).WriteString("Game", "Run", "x"), FileWriteError);
    EXPECT_EQ(files(), 0);
}
