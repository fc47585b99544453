// What a start makes of the files a replacement cut short left beside a file: each state
// between two steps of the replacement, by a writer that has ended and by one that
// still runs, and names that are not a replacement's.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "core/file_access.h"
#include "core/file_replace.h"
#include "support/temp_dir.h"

namespace pallisar {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// No process has this id (above any process id Linux hands out; no Windows process made
// the named object it stands for).
constexpr char kEnded[] = "7ffffffe.1";

// New contents are whole when they end with "!" (the journal and the icon have checks
// of their own, standing for any such check here).
bool EndsWithMark(std::string_view bytes) { return !bytes.empty() && bytes.back() == '!'; }

std::vector<std::string> FilesIn(const TempDir& dir) {
    std::vector<std::string> names = FileNamesStartingWith(dir.Path(), "");
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FinishInterruptedReplacements, EveryStateLeavesTheWholeOldOrNewContentsAndNothingElse) {
    const char* none = nullptr;
    struct Case {
        const char* what;
        const char* file;  // the file itself, none when missing
        const char* temporary;
        const char* aside;
        std::string writer;
        const char* after;  // the file afterwards, none when missing
        ReplacementFinish finish;
    } cases[] = {
        {"written, not yet set aside", "old", "new!", none, kEnded, "old",
         ReplacementFinish::Nothing},
        {"cut short while writing", "old", "ne", none, kEnded, "old", ReplacementFinish::Nothing},
        {"set aside", none, "new!", "old", kEnded, "new!", ReplacementFinish::NewContents},
        {"set aside, the new copy not whole", none, "ne", "old", kEnded, "old",
         ReplacementFinish::OldContents},
        {"in place", "new!", none, "old", kEnded, "new!", ReplacementFinish::Nothing},
        {"a first write cut short", none, "new!", none, kEnded, none, ReplacementFinish::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string file = dir.File("Game.dat");
        const std::string stem = file + ".~" + c.writer + "-7";
        if (c.file) WriteFileBytes(file, c.file);
        if (c.temporary) WriteFileBytes(stem + ".tmp", c.temporary);
        if (c.aside) WriteFileBytes(stem + ".old", c.aside);
        EXPECT_EQ(FinishInterruptedReplacements(file, EndsWithMark), c.finish);
        EXPECT_EQ(FilesIn(dir),
                  c.after ? std::vector<std::string>{"Game.dat"} : std::vector<std::string>{});
        if (c.after) EXPECT_EQ(ReadFileBytes(file), c.after);
    }
}

// Another launcher that still runs may be between two steps: its files are its own.
// Names of other files, and of a replacement of another file, are no leftovers either.
TEST(FinishInterruptedReplacements, FilesOfARunningWriterAndOtherNamesAreLeftAlone) {
    TempDir dir;
    const std::string file = dir.File("Game.dat");
    const std::string running = file + ".~" + detail::ThisFileWriter() + "-0";
    const std::vector<std::string> others = {running + ".tmp",
                                             running + ".old",
                                             file + ".bak",
                                             file + ".~" + kEnded + ".tmp",
                                             file + ".~" + kEnded + "-x.old",
                                             dir.File("Game.datx.~") + kEnded + "-1.tmp",
                                             dir.File("settings.cfg.~") + kEnded + "-1.tmp"};
    for (const std::string& other : others) WriteFileBytes(other, "kept!");
    EXPECT_EQ(FinishInterruptedReplacements(file), ReplacementFinish::Nothing);
    for (const std::string& other : others) EXPECT_EQ(ReadFileBytes(other), "kept!") << other;
    EXPECT_FALSE(FileExists(file));
}

// The replacement this process makes leaves nothing to finish, and one whose disk goes
// away after the flush leaves the file as it was.
TEST(FinishInterruptedReplacements, AReplacementFailingAfterItsFlushKeepsTheOldFile) {
    TempDir dir;
    const std::string file = dir.File("settings.cfg");
    WriteFileBytes(file, "old");
    InjectFileReplaceFailures([](ReplaceStep step) {
        return step == ReplaceStep::Flushed ? InjectedFailure::NextCall : InjectedFailure::None;
    });
    EXPECT_FALSE(ReplaceFileContents(file, "new"));
    InjectFileReplaceFailures({});
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"settings.cfg"});
    EXPECT_EQ(ReadFileBytes(file), "old");
    ASSERT_TRUE(ReplaceFileContents(file, "new"));
    EXPECT_EQ(FinishInterruptedReplacements(file), ReplacementFinish::Nothing);
    EXPECT_EQ(ReadFileBytes(file), "new");
}

}  // namespace
}  // namespace pallisar
