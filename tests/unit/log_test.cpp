#include "app/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_names.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

class FixedDateTime : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "07/12/2026"; }
    std::string LongTime() const override { return "21:30:05"; }
};

class LogTest : public ::testing::Test {
  protected:
    void Settings(const std::string& program) {
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + program + "\r\n");
    }
    std::string LogText() const { return ReadFileBytes(dir.File("pallisar.log")); }

    TempDir dir;
};

}  // namespace

TEST_F(LogTest, NothingIsWrittenWhileLoggingIsOff) {
    Log log(dir.Path());
    log.WriteLog("no settings file at all");
    Settings("GenerateLog=0");
    log.WriteLog("switched off");
    Settings("GenerateLog=yes");  // not an integer: the default, off
    log.WriteLog("not a number");
    EXPECT_FALSE(FileExistsAt(dir.File("pallisar.log")));
    EXPECT_FALSE(log.Started());
}

TEST_F(LogTest, FirstLineOfARunReplacesTheOldLogThenLinesAreAppended) {
    WriteFileBytes(dir.File("pallisar.log"), "line of the previous run\r\n");
    Settings("GenerateLog=0x1");
    Log log(dir.Path());
    log.WriteLog("first");
    log.WriteLog("\tcontinued");
    EXPECT_EQ(LogText(), "first\r\n\tcontinued\r\n");
    EXPECT_TRUE(log.Started());
}

TEST_F(LogTest, TextIsWrittenByteForByte) {
    Settings("GenerateLog=1");
    Log log(dir.Path());
    const std::string text = std::string("\tcaf\xE9 \"quoted\" ") + '\x01' + " end ";
    log.WriteLog(text);
    log.WriteLog("");
    EXPECT_EQ(LogText(), text + "\r\n\r\n");
}

TEST_F(LogTest, SettingIsReadAfreshForEveryLine) {
    Settings("GenerateLog=1");
    Log log(dir.Path());
    log.WriteLog("one");
    Settings("GenerateLog=0");
    log.WriteLog("dropped");
    Settings("GenerateLog=1");
    log.WriteLog("two");  // switched on again in the same run: appended
    EXPECT_EQ(LogText(), "one\r\ntwo\r\n");

    std::filesystem::remove(dir.File("settings.cfg"));
    log.WriteLog("after settings.cfg was deleted");
    EXPECT_EQ(LogText(), "one\r\ntwo\r\n");
}

TEST_F(LogTest, SwitchedOnMidRunTheFirstLineReplacesTheOldFile) {
    WriteFileBytes(dir.File("pallisar.log"), "old run\r\n");
    Log log(dir.Path());
    log.WriteLog("not logged");
    Settings("GenerateLog=1");
    log.WriteLog("now logged");
    EXPECT_EQ(LogText(), "now logged\r\n");
}

TEST_F(LogTest, ADeletedLogIsCreatedAgainByTheNextLine) {
    Settings("GenerateLog=1");
    Log log(dir.Path());
    log.WriteLog("one");
    std::filesystem::remove(dir.File("pallisar.log"));
    log.WriteLog("two");
    EXPECT_EQ(LogText(), "two\r\n");
}

TEST_F(LogTest, ALogThatCannotBeCreatedDropsTheLineQuietly) {
    Settings("GenerateLog=1");
    // A directory where the log file should be: it can be neither created nor opened.
    std::filesystem::create_directory(dir.File("pallisar.log"));
    Log log(dir.Path());
    EXPECT_NO_THROW(log.WriteLog("dropped"));
    EXPECT_FALSE(log.Started());
}

TEST_F(LogTest, ProgramDirectoryWithoutTrailingDelimiterStillFindsItsFiles) {
    Settings("GenerateLog=1");
    std::string bare = dir.Path();
    bare.pop_back();
    Log log(IncludeTrailingPathDelimiter(bare));
    log.WriteLog("inside");
    EXPECT_EQ(LogText(), "inside\r\n");
}

TEST(LogLines, StartAndStopLinesCarryDateAndTime) {
    FixedDateTime clock;
    EXPECT_EQ(ApplicationInitializedLine(clock), "Application Initialized - 07/12/2026 21:30:05");
    EXPECT_EQ(ApplicationTerminatedLine(clock), "Application Terminated - 07/12/2026 21:30:05");
}

TEST_F(LogTest, ABurstKeepsTheRulesAndEveryLineIsInTheFileAtOnce) {
    WriteFileBytes(dir.File("pallisar.log"), "old run\r\n");
    Settings("GenerateLog=1");
    Log log(dir.Path());
    {
        const LogBurst burst(log);
        log.WriteLog("first of the run");  // replaces the old run's log
        EXPECT_EQ(LogText(), "first of the run\r\n");
        log.WriteLog("\tsecond");
        EXPECT_EQ(LogText(), "first of the run\r\n\tsecond\r\n");
    }
    log.WriteLog("after the burst");
    EXPECT_EQ(LogText(), "first of the run\r\n\tsecond\r\nafter the burst\r\n");

    // Released at the end: a deleted log is created again by the next burst.
    std::filesystem::remove(dir.File("pallisar.log"));
    {
        const LogBurst burst(log);
        log.WriteLog("again");
    }
    EXPECT_EQ(LogText(), "again\r\n");
}

TEST_F(LogTest, ABurstReadsTheSettingOnceAtItsFirstLine) {
    Log log(dir.Path());
    {
        const LogBurst burst(log);
        Settings("GenerateLog=1");  // still before the burst's first line
        log.WriteLog("one");
        Settings("GenerateLog=0");
        log.WriteLog("two");
    }
    log.WriteLog("dropped");  // outside a burst the setting counts for every line again
    EXPECT_EQ(LogText(), "one\r\ntwo\r\n");
    {
        const LogBurst burst(log);
        log.WriteLog("dropped too");
        Settings("GenerateLog=1");
        log.WriteLog("also dropped");
    }
    EXPECT_EQ(LogText(), "one\r\ntwo\r\n");
}
