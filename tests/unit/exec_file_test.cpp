#include "app/exec_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_process_starter.h"

using namespace pallisar;
using pallisar::test::FakeProcessStarter;
using Events = std::vector<std::string>;

namespace {

const std::string kGame = "C:\\GAMES\\QUAKE\\GLQUAKE.EXE";

struct ExecFileTest : ::testing::Test {
    FakeProcessStarter starter;
    TExecFile exec{starter};
    int fails = 0;

    void CountFails() {
        exec.OnFail = [this](TExecFile& sender) {
            EXPECT_EQ(&sender, &exec);
            ++fails;
        };
    }
};

}  // namespace

TEST_F(ExecFileTest, DefaultsAndSystemValues) {
    EXPECT_FALSE(exec.Associate());
    EXPECT_EQ(exec.CommandLine(), "");
    EXPECT_EQ(exec.WorkingDir(), "");
    EXPECT_EQ(exec.Parameters(), "");
    EXPECT_EQ(exec.Priority(), TPriorityClass::pcNormal);
    EXPECT_FALSE(exec.Wait());
    EXPECT_EQ(exec.WaitStyle(), TWaitStyle::wRegular);
    EXPECT_EQ(exec.WindowStyle(), TWindowStyle::wsNorm);
    EXPECT_FALSE(exec.OnFail);
    EXPECT_FALSE(exec.OnStart);
    EXPECT_EQ(exec.LastError(), 0u);
    EXPECT_EQ(exec.ProcessInfo(), nullptr);

    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsNorm), 1);
    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsMinimize), 2);
    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsMaximize), 3);
    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsHide), 0);
    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsMinNoActivate), 7);
    EXPECT_EQ(ShowWindowValue(TWindowStyle::wsShowNoActivate), 8);
    EXPECT_EQ(PriorityClassValue(TPriorityClass::pcNormal), 0x20u);
    EXPECT_EQ(PriorityClassValue(TPriorityClass::pcIdle), 0x40u);
    EXPECT_EQ(PriorityClassValue(TPriorityClass::pcHigh), 0x80u);
    EXPECT_EQ(PriorityClassValue(TPriorityClass::pcRealTime), 0x100u);
}

TEST_F(ExecFileTest, TextPropertiesKeepTheirFirst255Characters) {
    const std::string longer = std::string(250, 'a') + "bcdefgh";
    exec.SetCommandLine(longer);
    exec.SetWorkingDir(longer);
    exec.SetParameters(longer);
    for (const std::string& value : {exec.CommandLine(), exec.WorkingDir(), exec.Parameters()}) {
        EXPECT_EQ(value, std::string(250, 'a') + "bcdef");
    }
    exec.SetParameters(std::string(255, 'p'));
    EXPECT_EQ(exec.Parameters(), std::string(255, 'p'));
    // Storing properties starts nothing.
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    exec.SetPriority(TPriorityClass::pcHigh);
    exec.SetWindowStyle(TWindowStyle::wsHide);
    EXPECT_TRUE(starter.events.empty());
}

TEST_F(ExecFileTest, PathWithoutParametersGetsOneSpaceAndStartsInRootOfC) {
    exec.SetCommandLine(kGame);
    ASSERT_TRUE(exec.Execute());
    ASSERT_EQ(starter.starts.size(), 1u);
    const ProcessStart& start = starter.starts[0];
    EXPECT_EQ(start.commandLine, kGame + " ");
    EXPECT_EQ(start.currentDir, "C:\\");
    EXPECT_EQ(start.creationFlags, 0x20u | 0x10u);
    EXPECT_EQ(start.startup.size, 68u);
    EXPECT_EQ(start.startup.flags, 1u);
    EXPECT_EQ(start.startup.showWindow, 1);
    EXPECT_EQ(exec.StartInfo().showWindow, 1);
    ASSERT_NE(exec.ProcessInfo(), nullptr);
    EXPECT_EQ(exec.ProcessInfo()->ProcessId(), 100u);
    // Not waiting: nothing but the start.
    EXPECT_EQ(starter.events, Events{"create " + kGame + " "});

    exec.SetWorkingDir("D:\\Quake\\");
    exec.SetParameters("+map e1m1 -width 640");
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[1].commandLine, kGame + " +map e1m1 -width 640");
    EXPECT_EQ(starter.starts[1].currentDir, "D:\\Quake\\");
}

TEST_F(ExecFileTest, CommandLineIsCutTo255Characters) {
    exec.SetCommandLine(std::string(200, 'c'));
    exec.SetParameters(std::string(100, 'p'));
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[0].commandLine, std::string(200, 'c') + " " + std::string(54, 'p'));
    EXPECT_EQ(starter.starts[0].commandLine.size(), 255u);

    // A 255-character path leaves no room for the space.
    exec.SetCommandLine(std::string(255, 'c'));
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[1].commandLine, std::string(255, 'c'));
}

TEST_F(ExecFileTest, WindowStyleAndPriorityReachTheStart) {
    exec.SetCommandLine(kGame);
    exec.SetPriority(TPriorityClass::pcIdle);
    exec.SetWindowStyle(TWindowStyle::wsMinNoActivate);
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[0].creationFlags, 0x40u | 0x10u);
    EXPECT_EQ(starter.starts[0].startup.flags, 1u);
    EXPECT_EQ(starter.starts[0].startup.showWindow, 7);

    exec.SetPriority(TPriorityClass::pcRealTime);
    exec.SetWindowStyle(TWindowStyle::wsHide);
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[1].creationFlags, 0x110u);
    EXPECT_EQ(starter.starts[1].startup.showWindow, 0);
}

TEST_F(ExecFileTest, ProgramPathWithBlankIsQuoted) {
    exec.SetCommandLine("C:\\Program Files\\Game\\game.exe");
    exec.SetParameters("-window");
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[0].commandLine, "\"C:\\Program Files\\Game\\game.exe\" -window");

    // Already quoted: left as it is.
    exec.SetCommandLine("\"C:\\Program Files\\Game\\game.exe\"");
    exec.SetParameters("");
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[1].commandLine, "\"C:\\Program Files\\Game\\game.exe\" ");

    // A tab splits the line as a space does.
    exec.SetCommandLine("C:\\Odd\tName\\game.exe");
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[2].commandLine, "\"C:\\Odd\tName\\game.exe\" ");

    // The cut never reaches into the quoted program.
    const std::string longest = "C:\\Program Files\\" + std::string(234, 'g') + ".exe";
    ASSERT_EQ(longest.size(), 255u);
    exec.SetCommandLine(longest);
    exec.SetParameters("-x");
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts[3].commandLine, "\"" + longest + "\"");
}

TEST_F(ExecFileTest, UnusableProgramPathFailsWithoutStarting) {
    CountFails();
    // No program: the parameters must not be run as one.
    exec.SetParameters("format.com c:");
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.LastError(), kErrorFileNotFound);

    // A double quote that does not enclose the path would move the split point.
    for (const char* path : {"C:\\Program \"Files\\game.exe", "\"C:\\Program Files\\game.exe",
                             "\"C:\\a\" b\\game.exe\""}) {
        SCOPED_TRACE(path);
        exec.SetCommandLine(path);
        EXPECT_FALSE(exec.Execute());
        EXPECT_EQ(exec.LastError(), kErrorInvalidName);
    }
    EXPECT_EQ(fails, 4);
    EXPECT_TRUE(starter.events.empty());
}

TEST_F(ExecFileTest, FailedStartSetsLastErrorAndCallsOnFailWithoutAssociation) {
    exec.SetCommandLine("C:\\NOWHERE\\GAME.EXE");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    exec.OnFail = [this](TExecFile& sender) {
        EXPECT_EQ(sender.LastError(), 3u);  // set before the event runs
        ++fails;
    };
    starter.createErrors = {3};
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(fails, 1);
    EXPECT_EQ(exec.LastError(), 3u);
    EXPECT_EQ(exec.ProcessInfo(), nullptr);
    // Associate is off: no lookup, no wait.
    EXPECT_EQ(starter.events, Events{"create C:\\NOWHERE\\GAME.EXE "});

    // Without OnFail the failure is silent.
    exec.OnFail = nullptr;
    starter.createErrors = {2};
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.LastError(), 2u);
}

TEST_F(ExecFileTest, FailedStartFallsBackToTheAssociatedProgram) {
    exec.SetAssociate(true);
    exec.SetCommandLine("\"C:\\My Docs\\readme.txt\"");
    exec.SetWorkingDir("C:\\My Docs\\");
    exec.SetParameters("/p");
    exec.SetPriority(TPriorityClass::pcHigh);
    starter.createErrors = {193};
    starter.findResult = {42, 0, "C:\\Program Files\\Editor\\edit.exe"};
    ASSERT_TRUE(exec.Execute());
    ASSERT_EQ(starter.starts.size(), 2u);
    EXPECT_EQ(starter.events[1], "find C:\\My Docs\\readme.txt");
    const ProcessStart& second = starter.starts[1];
    EXPECT_EQ(second.commandLine,
              "\"C:\\Program Files\\Editor\\edit.exe\" \"C:\\My Docs\\readme.txt\" /p");
    EXPECT_EQ(second.currentDir, "");  // inherits the launcher's
    EXPECT_EQ(second.creationFlags, 0x80u | 0x10u);
    EXPECT_EQ(second.startup.showWindow, 1);
    EXPECT_EQ(exec.ProcessInfo()->ProcessId(), 100u);
}

TEST_F(ExecFileTest, FailedAssociationReportsAnError) {
    CountFails();
    exec.SetAssociate(true);
    exec.SetCommandLine("C:\\Docs\\notes.xyz");
    struct Case {
        FindExecutableResult found;
        uint32_t error;
    };
    for (const Case& c : {Case{{31, 1155, ""}, 1155}, Case{{31, 0, ""}, 31}, Case{{0, 0, ""}, 8},
                          Case{{2, 0, ""}, 2}}) {
        SCOPED_TRACE(c.found.code);
        starter.events.clear();
        starter.createErrors = {193};
        starter.findResult = c.found;
        EXPECT_FALSE(exec.Execute());
        EXPECT_EQ(exec.LastError(), c.error);
        EXPECT_EQ(starter.events,
                  (Events{"create C:\\Docs\\notes.xyz ", "find C:\\Docs\\notes.xyz"}));
    }
    EXPECT_EQ(fails, 4);

    // The associated program is found but cannot start either.
    starter.createErrors = {193, 5};
    starter.findResult = {42, 0, "C:\\EDIT.EXE"};
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.LastError(), 5u);
    EXPECT_EQ(fails, 5);
}

TEST_F(ExecFileTest, AssociatedCommandLineOver512CharactersIsRefused) {
    CountFails();
    exec.SetAssociate(true);
    exec.SetCommandLine("C:\\" + std::string(251, 'd'));  // 254 characters
    exec.SetParameters(std::string(254, 'p'));
    // 254 + 1 + 254 + 1 + 2 = 512 with a two-character program: still allowed.
    starter.createErrors = {193};
    starter.findResult = {42, 0, "e:"};
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.starts.back().commandLine.size(), 512u);

    starter.createErrors = {193};
    starter.findResult = {42, 0, "e:x"};
    starter.starts.clear();
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.LastError(), kErrorFilenameExcedRange);
    EXPECT_EQ(starter.starts.size(), 1u);  // the too long line is never started
    EXPECT_EQ(fails, 1);
}

TEST_F(ExecFileTest, ProcessIsReleasedBeforeTheNextStartAndAtDestruction) {
    {
        TExecFile local(starter);
        local.SetCommandLine(kGame);
        ASSERT_TRUE(local.Execute());
        EXPECT_EQ(starter.LiveHandles(), 1u);
        ASSERT_TRUE(local.Execute());
        EXPECT_EQ(starter.LiveHandles(), 1u);
        // A failed start leaves no process behind either.
        starter.createErrors = {2};
        EXPECT_FALSE(local.Execute());
        EXPECT_EQ(local.ProcessInfo(), nullptr);
        EXPECT_EQ(starter.LiveHandles(), 0u);
        ASSERT_TRUE(local.Execute());
        EXPECT_EQ(starter.LiveHandles(), 1u);
    }
    EXPECT_EQ(starter.LiveHandles(), 0u);
    EXPECT_EQ(starter.liveAtCreate, (std::vector<std::size_t>{0, 0, 0, 0}));
}

// OnStart comes once the process exists and before any wait; a failed start has none.
TEST_F(ExecFileTest, OnStartComesBetweenTheStartAndTheWait) {
    exec.OnStart = [this](TExecFile& sender) {
        EXPECT_EQ(&sender, &exec);
        EXPECT_NE(exec.ProcessInfo(), nullptr);
        starter.events.push_back("started");
    };
    exec.SetCommandLine(kGame);
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    ASSERT_TRUE(exec.Execute());
    starter.createErrors = {2};
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(starter.events,
              (Events{"create " + kGame + " ", "started", "wait 100", "create " + kGame + " "}));
}

TEST_F(ExecFileTest, SuspendedWaitBlocksOnTheProcessOnly) {
    exec.SetCommandLine(kGame);
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    starter.messages = {{MessageStep::kDispatched, 0}};
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.events, (Events{"create " + kGame + " ", "wait 100"}));
    EXPECT_EQ(starter.messages.size(), 1u);  // no message was served meanwhile
}

TEST_F(ExecFileTest, RegularWaitServesMessagesUntilTheProcessEnds) {
    exec.SetCommandLine(kGame);
    exec.SetWait(true);
    starter.messages = {{MessageStep::kDispatched, 0}, {MessageStep::kDispatched, 0}};
    starter.runningPolls = 2;
    ASSERT_TRUE(exec.Execute());
    EXPECT_EQ(starter.events, (Events{"create " + kGame + " ", "dispatch", "dispatch", "ended?",
                                      "ended?", "ended?", "process pending"}));
}

TEST_F(ExecFileTest, QuitMessageDuringRegularWaitEndsTheProgramWithItsCode) {
    exec.SetCommandLine(kGame);
    exec.SetWait(true);
    starter.messages = {{MessageStep::kDispatched, 0}, {MessageStep::kQuit, 7}};
    starter.runningPolls = 100;
    exec.Execute();
    EXPECT_EQ(starter.events, (Events{"create " + kGame + " ", "dispatch", "quit", "exit 7"}));
}

TEST_F(ExecFileTest, StartFromAHandlerDuringRegularWaitKeepsTheWaitedProcess) {
    exec.SetCommandLine(kGame);
    exec.SetWait(true);
    starter.messages = {{MessageStep::kDispatched, 0}};
    starter.runningPolls = 1;
    starter.onDispatch = [this] {
        exec.SetWait(false);
        EXPECT_TRUE(exec.Execute());
    };
    ASSERT_TRUE(exec.Execute());
    // The fake fails the test if the outer wait tests a released handle.
    EXPECT_EQ(starter.events.back(), "process pending");
    EXPECT_EQ(exec.ProcessInfo()->ProcessId(), 104u);
    EXPECT_EQ(starter.LiveHandles(), 1u);
}

TEST(ExtractProgramDir, DirectoryOfThePathWithoutItsQuotes) {
    EXPECT_EQ(ExtractProgramDir("C:\\Games\\Quake\\glquake.exe"), "C:\\Games\\Quake\\");
    EXPECT_EQ(ExtractProgramDir("\"C:\\Program Files\\Game\\game.exe\""),
              "C:\\Program Files\\Game\\");
    EXPECT_EQ(ExtractProgramDir("C:game.exe"), "C:");
    EXPECT_EQ(ExtractProgramDir("game.exe"), "");
    EXPECT_EQ(ExtractProgramDir(""), "");
    EXPECT_EQ(ExtractProgramDir("\""), "");
    EXPECT_EQ(UnquotedPath("\"\""), "");
    EXPECT_EQ(UnquotedPath("\"a b\" c\""), "a b\" c");
    EXPECT_EQ(QuotedProgramPath("C:\\Games\\q.exe"), "C:\\Games\\q.exe");
    EXPECT_EQ(QuotedProgramPath("a b"), "\"a b\"");
}
