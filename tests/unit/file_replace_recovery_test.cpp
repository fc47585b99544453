// What a start makes of the files a replacement cut short left beside a file: each state
// between two steps of the replacement, by a writer that has ended and by one that
// still runs (its files are its own, as are names that no replacement makes).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/file_access.h"
#include "core/file_replace.h"
#include "support/temp_dir.h"

namespace pallisar {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// No process has this id (above any process id Linux hands out; no Windows process made
// the named object it stands for).
constexpr char kEnded[] = "7ffffffe.1";

// New contents are whole when they end with "!" (standing for the journal's and the
// icon's own checks).
bool EndsWithMark(std::string_view bytes) { return !bytes.empty() && bytes.back() == '!'; }

TEST(FinishInterruptedReplacements, EveryStateLeavesTheWholeOldOrNewContentsAndNothingElse) {
    const char* none = nullptr;
    const std::string running = detail::ThisFileWriter();
    struct Case {
        const char* what;
        const char* file;  // the file itself, none when missing
        const char* temporary;
        const char* aside;
        std::string writer;
        const char* after;  // the file afterwards, none when missing
        ReplacementFinish finish;
        size_t kept;  // copies left
    } cases[] = {
        {"written, not yet set aside", "old", "new!", none, kEnded, "old",
         ReplacementFinish::Nothing, 0},
        {"cut short while writing", "old", "ne", none, kEnded, "old", ReplacementFinish::Nothing,
         0},
        {"set aside", none, "new!", "old", kEnded, "new!", ReplacementFinish::NewContents, 0},
        {"set aside, the new copy not whole", none, "ne", "old", kEnded, "old",
         ReplacementFinish::OldContents, 0},
        {"in place", "new!", none, "old", kEnded, "new!", ReplacementFinish::Nothing, 0},
        {"a first write cut short", none, "new!", none, kEnded, none, ReplacementFinish::Nothing,
         0},
        {"set aside by a running launcher", none, "new!", "old", running, none,
         ReplacementFinish::Nothing, 2},
        // A failed rename, then a later write that made the file anew: either copy may be
        // the only whole one.
        {"the file beside both copies", "newer", "new!", "old", kEnded, "newer",
         ReplacementFinish::Nothing, 2},
        {"a writer name of another form", none, "new!", "old", "12-3.4", none,
         ReplacementFinish::Nothing, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string file = dir.File("Game.dat");
        const std::string stem = file + ".~" + c.writer + "-7";
        if (c.file) WriteFileBytes(file, c.file);
        if (c.temporary) WriteFileBytes(stem + ".tmp", c.temporary);
        if (c.aside) WriteFileBytes(stem + ".old", c.aside);
        WriteFileBytes(file + ".~" + kEnded + "-x.tmp", "no serial");
        WriteFileBytes(dir.File("settings.cfg.~") + kEnded + "-1.tmp", "another file's");
        EXPECT_EQ(FinishInterruptedReplacements(file, EndsWithMark), c.finish);
        EXPECT_EQ(FileNamesStartingWith(dir.Path(), "").size(), (c.after ? 1 : 0) + c.kept + 2);
        if (c.after) EXPECT_EQ(ReadFileBytes(file), c.after);
    }
}

// A rename of the start that fails for good keeps every copy and says so; one that fails
// for a moment is tried again. A copy that cannot be removed is named.
TEST(FinishInterruptedReplacements, AFailedRenameOrRemovalIsLoggedAndLosesNothing) {
    test::TempDir dir;
    const std::string file = dir.File("settings.cfg");
    const std::string stem = file + ".~" + kEnded + "-7";
    WriteFileBytes(stem + ".old", "old");
    WriteFileBytes(stem + ".tmp", "new!");
    std::vector<std::string> log;
    InjectFileReplaceFailures([](ReplaceStep step) {
        return step == ReplaceStep::Cleanup ? InjectedFailure::EveryCall : InjectedFailure::None;
    });
    EXPECT_EQ(FinishInterruptedReplacements(file, EndsWithMark, &log), ReplacementFinish::Nothing);
    EXPECT_EQ(FileNamesStartingWith(dir.Path(), "").size(), 2u);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "!ERROR! Interrupted write of " + file + ": " + stem +
                          ".tmp could not be renamed; every copy is kept for the next start.");
    // Renamed now; the copy set aside cannot be removed.
    int calls = 0;
    InjectFileReplaceFailures([&calls](ReplaceStep step) {
        return step == ReplaceStep::Cleanup && ++calls == 2 ? InjectedFailure::EveryCall
                                                            : InjectedFailure::None;
    });
    log.clear();
    EXPECT_EQ(FinishInterruptedReplacements(file, EndsWithMark, &log),
              ReplacementFinish::NewContents);
    InjectFileReplaceFailures({});
    EXPECT_EQ(ReadFileBytes(file), "new!");
    EXPECT_THAT(log, ::testing::ElementsAre(
                         "!ERROR! Leftover of an interrupted write could not be removed: " + stem +
                         ".old"));
}

}  // namespace
}  // namespace pallisar
