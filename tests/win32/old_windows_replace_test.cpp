// The replacement of the program's four files on the way of Windows 95, 98 and ME, in a
// child process that Wine runs as Windows 98 (its MoveFileExA answering as theirs does):
// a failure injected after each step, for a moment or for good (a disk gone, or the
// process dead there), then the next start, in this process, which finds the whole old
// or new contents of each file and nothing else.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/launch_journal.h"
#include "child_as_windows.h"
#include "core/file_access.h"
#include "core/file_replace.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/interrupted_writes.h"

namespace pallisar {
namespace {

constexpr char kCasesVariable[] = "PALLISAR_REPLACE_CASES";
constexpr size_t npos = std::string::npos;

struct ProgramFile {
    const char* name;
    std::string before, after;
};

std::string Journal(JournalPhase phase) {
    JournalRecord record;
    record.Phase = phase;
    record.DriverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
    record.Title = "Quake";
    record.Snapshot.Keys = {{"Glide", {{"SSTH3_RGAMMA", RegValue::Text("1.3")}}}};
    return FormatJournal(record);
}

std::vector<ProgramFile> ProgramFiles() {
    return {
        {"Game.dat", "[Quake]\r\nRun=C:\\Quake\\quake.exe\r\n",
         "[Quake]\r\nRun=C:\\Quake\\quake.exe\r\n[Doom]\r\nRun=C:\\Doom\\doom.exe\r\n"},
        {"settings.cfg", "[Program]\r\nViewStyle=0\r\n", "[Program]\r\nViewStyle=3\r\n"},
        {"pallisar.ico", test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 1)}),
         test::MakeIcoFile({test::MakeDibImage(16, 16, 4, 2), test::MakeDibImage(32, 32, 8, 3)})},
        {LaunchJournal::kFileName, Journal(JournalPhase::Applying), Journal(JournalPhase::Running)},
    };
}

struct Case {
    ReplaceStep step;
    InjectedFailure failure;
    bool existed;       // the files were there before
    bool returns;       // what ReplaceFileContents answers
    bool newAtNextRun;  // the next start finds the new contents (else the old, or none)
    // Written again once the failure has passed (the next start of a program that makes
    // a missing file anew): the file beside both copies of the first write.
    bool writtenAgain = false;
};

const Case kCases[] = {
    {ReplaceStep::Flushed, InjectedFailure::NextCall, true, false, false},
    {ReplaceStep::Flushed, InjectedFailure::EveryCall, true, false, false},
    {ReplaceStep::SetAside, InjectedFailure::NextCall, true, false, false},
    // The old file could not be put back: the new bytes stay for the next start.
    {ReplaceStep::SetAside, InjectedFailure::EveryCall, true, false, true},
    {ReplaceStep::InPlace, InjectedFailure::NextCall, true, true, true},
    {ReplaceStep::InPlace, InjectedFailure::EveryCall, true, true, true},
    {ReplaceStep::AsideDeleted, InjectedFailure::None, true, true, true},
    {ReplaceStep::Flushed, InjectedFailure::EveryCall, false, false, false},
    {ReplaceStep::InPlace, InjectedFailure::None, false, true, true},
    {ReplaceStep::SetAside, InjectedFailure::EveryCall, true, false, true, true},
};
constexpr size_t kNotPutBack = 3;  // the old file could not be put back

std::string CaseDir(const std::string& root, size_t index) {
    return root + "case" + std::to_string(index) + "\\";
}

class NoClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return ""; }
    std::string LongTime() const override { return ""; }
};

TEST(OldWindowsReplace, EachFileWholeAfterAFailureAfterEachStep) {
    test::TempDir root;
    SetEnvironmentVariableA(kCasesVariable, root.Path().c_str());
    const testing::AssertionResult child = test::RunTestsAsWindows(
        "win98", "OldWindowsReplaceChild.*", {"OldWindowsReplaceChild.FailAfterEachStep"});
    SetEnvironmentVariableA(kCasesVariable, nullptr);
    ASSERT_TRUE(child);

    const NoClock clock;
    for (size_t i = 0; i < std::size(kCases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string dir = CaseDir(root.Path(), i);
        const size_t leftBehind = FileNamesStartingWith(dir, "").size();
        // The next start: before the first read of each file. Where a copy has to take
        // the file's name, a rename refused for good keeps every copy and says so; one
        // refused for a moment is tried again.
        std::vector<std::string> log;
        if (i == kNotPutBack) {
            InjectFileReplaceFailures([](ReplaceStep step) {
                return step == ReplaceStep::Cleanup ? InjectedFailure::EveryCall
                                                    : InjectedFailure::None;
            });
            log = FinishInterruptedWrites(dir);
            LaunchJournal(dir, clock).Read(&log);
            EXPECT_EQ(FileNamesStartingWith(dir, "").size(), leftBehind);
            EXPECT_EQ(log.size(), ProgramFiles().size());
            for (const std::string& line : log) EXPECT_NE(line.find("could not be renamed"), npos);
            log.clear();
            InjectFileReplaceFailures([](ReplaceStep step) {
                return step == ReplaceStep::Cleanup ? InjectedFailure::NextCall
                                                    : InjectedFailure::None;
            });
        }
        const std::vector<std::string> finished = FinishInterruptedWrites(dir);
        log.insert(log.end(), finished.begin(), finished.end());
        LaunchJournal(dir, clock).Read(&log);
        InjectFileReplaceFailures({});
        size_t present = 0;
        for (const ProgramFile& file : ProgramFiles()) {
            const auto bytes = ReadFileBytes(dir + file.name);
            if (kCases[i].newAtNextRun) {
                EXPECT_EQ(bytes, file.after) << file.name;
            } else if (kCases[i].existed) {
                EXPECT_EQ(bytes, file.before) << file.name;
            } else {
                EXPECT_FALSE(bytes) << file.name;
            }
            present += bytes.has_value();
        }
        if (kCases[i].writtenAgain) {
            // Both copies of each file kept, and named.
            EXPECT_EQ(FileNamesStartingWith(dir, "").size(), present * 3);
            size_t named = 0;
            for (const std::string& line : log) named += line.find("both copies kept") != npos;
            EXPECT_EQ(named, ProgramFiles().size());
        } else {
            EXPECT_EQ(FileNamesStartingWith(dir, "").size(), present);  // nothing else
        }
    }
}

TEST(OldWindowsReplaceChild, FailAfterEachStep) {
    if (!test::InChildAsOldWindows()) GTEST_SKIP() << "runs in a child process run as Windows 98";
    char root[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA(kCasesVariable, root, sizeof root), 0u);
    ReplaceAsWithoutMoveFileEx(true);
    for (size_t i = 0; i < std::size(kCases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = kCases[i];
        const std::string dir = CaseDir(root, i);
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        for (const ProgramFile& file : ProgramFiles()) {
            if (c.existed) test::WriteFileBytes(dir + file.name, file.before);
            InjectFileReplaceFailures([&c](ReplaceStep step) {
                return step == c.step ? c.failure : InjectedFailure::None;
            });
            EXPECT_EQ(ReplaceFileContents(dir + file.name, file.after), c.returns) << file.name;
            InjectFileReplaceFailures({});
            if (c.writtenAgain) {
                EXPECT_TRUE(ReplaceFileContents(dir + file.name, file.after));
            }
        }
    }
    ReplaceAsWithoutMoveFileEx(false);
}

}  // namespace
}  // namespace pallisar
