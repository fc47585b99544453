// A launcher killed while its game runs: the next start asks whether to put the driver's
// settings back, and does so exactly as the end of the game would have. probe.exe is the
// game; the simulated dual-chip board is loaded afresh for every run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "board.h"
#include "harness.h"
#include "launch_support.h"

namespace pallisar::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Tree = std::map<std::string, std::string>;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kBoard[] = "voodoo5_dual";
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
constexpr char kJournal[] = "pallisar.jnl";
constexpr char kGame[] = "Probe Game";

// Choices that change the driver's values, its bookkeeping sub-keys and the recorded
// toggle keys, swap intervals and gamma.
constexpr char kTweaks[] =
    "Splash=Disable\r\nTripleBuffering=Enable\r\nColorDepth=Force 32BPP Rendering\r\n"
    "AA=2 Sample Anti-Aliasing\r\nLODBias=0.5\r\nglAAToggle=Num-Lock\r\nD3DAAToggle=F12\r\n"
    "VSynch=Disable\r\nD3DVSynch=Disable\r\nRGamma=2.00\r\nGGamma=1.90\r\nBGamma=1.80\r\n";

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard(kBoard));
        exe_ = dir_.Install(PALLISAR_EXE);
        probe_ = dir_.Install(ProbeExe());
        report_ = dir_.File("launch-report.ini");
        dir_.Write("settings.cfg",
                   "[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\n");
    }
    void TearDown() override { app_.Kill(); }

    void WriteGame(int delayMs) {
        dir_.Write("Game.dat", std::string("[") + kGame + "]\r\nRun=" + probe_ +
                                   "\r\nParams=--delay-ms " + std::to_string(delayMs) + "\r\n" +
                                   kTweaks);
    }

    void Start(std::vector<std::string> args = {}, AppProcess* app = nullptr) {
        LaunchOptions options{std::move(args),
                              {{"PALLISAR_PROBE_DRIVER_KEY", kDriverKey},
                               {"PALLISAR_PROBE_REPORT", report_},
                               {"PALLISAR_STATE_FILE", dir_.File("e2e-state.txt")}},
                              otherDir_.Path()};
        ASSERT_TRUE((app ? *app : app_).Start(exe_, options));
    }
    void WaitReady() {
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }
    void RunGame() {
        ASSERT_TRUE(SelectTitle(app_, window_, kGame));
        ASSERT_TRUE(PressButton(window_, "Run"));
    }
    void ExitAndWait() {
        ASSERT_TRUE(PressButton(window_, "Exit"));
        ASSERT_TRUE(app_.WaitForExit(kTimeout));
    }
    Tree Driver() {
        Tree tree;
        for (const char* group : {"Glide", "D3D"}) {
            for (const auto& [name, data] : SnapshotGroup(kDriverKey, group)) {
                tree[std::string(group) + name] = data;
            }
        }
        return tree;
    }
    std::vector<std::string> LogLines() {
        return ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{});
    }

    // The driver as a normal end of the game leaves it, from the freshly loaded board.
    void NormalEnd(Tree* tree) {
        WriteGame(0);
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(WaitReady());
        ASSERT_NO_FATAL_FAILURE(RunGame());
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        ASSERT_TRUE(WaitForProcessEnd(std::stoul(runs[0].Field("ProcessId")), kTimeout));
        ASSERT_TRUE(Answers(window_, kTimeout));
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
        EXPECT_FALSE(dir_.Exists(kJournal));
        *tree = Driver();
        DeleteFileA(report_.c_str());
        ASSERT_TRUE(LoadBoard(kBoard));
    }

    // Kills the launcher while the game runs (and then the game); the driver as the game
    // had it goes to *during.
    void KillDuringGame(Tree* during) {
        DeleteFileA(report_.c_str());
        WriteGame(60000);
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(WaitReady());
        ASSERT_NO_FATAL_FAILURE(RunGame());
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        app_.Kill();
        ASSERT_FALSE(app_.Running());
        const DWORD probeId = std::stoul(runs[0].Field("ProcessId"));
        const HANDLE probe = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, probeId);
        ASSERT_NE(probe, nullptr);
        TerminateProcess(probe, 0);
        WaitForSingleObject(probe, 5000);
        CloseHandle(probe);
        ASSERT_TRUE(dir_.Exists(kJournal)) << "the launch left no journal";
        *during = Driver();
    }

    // The box that asks at start-up.
    void ExpectQuestion(MessageBoxInfo* box) {
        ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, box));
        EXPECT_EQ(box->caption, "Confirm");
        EXPECT_THAT(box->text,
                    HasSubstr("The launcher was closed before \"Probe Game\" (launched "));
        EXPECT_THAT(box->text, HasSubstr("Do you want to restore the previous driver settings?"));
        EXPECT_THAT(box->ButtonTexts(), ElementsAre("&Yes", "&No"));
    }

    ProgramDirectory dir_;
    ProgramDirectory otherDir_;
    std::string exe_;
    std::string probe_;
    std::string report_;
    AppProcess app_;
    HWND window_ = nullptr;
};

// Yes leaves exactly what a normal end of the game leaves; No leaves the game's values.
// Either way the journal is gone and the log says what was done.
TEST_F(JournalTest, AfterAKilledLauncherTheNextStartAsksAndDoesAsAnswered) {
    Tree normalEnd;
    ASSERT_NO_FATAL_FAILURE(NormalEnd(&normalEnd));
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        ASSERT_TRUE(LoadBoard(kBoard));
        Tree during;
        ASSERT_NO_FATAL_FAILURE(KillDuringGame(&during));
        ASSERT_NE(during, normalEnd);

        ASSERT_NO_FATAL_FAILURE(Start());
        MessageBoxInfo box;
        ASSERT_NO_FATAL_FAILURE(ExpectQuestion(&box));
        ASSERT_TRUE(AnswerMessageBox(box, yes ? "&Yes" : "&No"));
        ASSERT_NO_FATAL_FAILURE(WaitReady());
        ASSERT_TRUE(Answers(window_, kTimeout));
        EXPECT_EQ(Driver(), yes ? normalEnd : during);
        EXPECT_FALSE(dir_.Exists(kJournal));
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
        const std::string logged = yes ? "\tDriver settings restored; launch journal removed."
                                       : "kept; launch journal removed.";
        EXPECT_THAT(LogLines(), ::testing::Contains(HasSubstr(logged)));
    }
}

// "/RUN" after a killed launcher asks first, and launches only once the box is answered.
TEST_F(JournalTest, RunArgumentAfterAKilledLauncherAsksFirst) {
    Tree during;
    ASSERT_NO_FATAL_FAILURE(KillDuringGame(&during));
    WriteGame(0);
    ASSERT_NO_FATAL_FAILURE(Start({"/run", probe_}));
    MessageBoxInfo box;
    ASSERT_NO_FATAL_FAILURE(ExpectQuestion(&box));
    Sleep(300);
    EXPECT_EQ(ReadProbeRuns(report_).size(), 1u) << "the game started before the answer";
    ASSERT_TRUE(AnswerMessageBox(box, "&Yes"));
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
    EXPECT_EQ(ReadProbeRuns(report_).size(), 2u);
    EXPECT_FALSE(dir_.Exists(kJournal));
    EXPECT_TRUE(ContainsInOrder(LogLines(), {"\tDriver settings restored; launch journal removed.",
                                             "Running Shortcut \"Probe Game\""}));
}

// A second launcher started while the first one waits for its game (a shortcut, say)
// neither asks nor touches that launch's journal: the first one restores as usual.
TEST_F(JournalTest, ASecondLauncherLeavesTheJournalOfALaunchStillRunningAlone) {
    WriteGame(5000);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitReady());
    ASSERT_NO_FATAL_FAILURE(RunGame());
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    ASSERT_TRUE(dir_.Exists(kJournal));
    const std::string journal = dir_.Read(kJournal);

    AppProcess second;
    ASSERT_NO_FATAL_FAILURE(Start({}, &second));
    HWND secondWindow = nullptr;
    ASSERT_TRUE(second.WaitForMainWindow(kTitle, kTimeout, &secondWindow));
    ASSERT_TRUE(WaitForCaption(secondWindow, kTimeout, [](const std::string& caption) {
        return caption.find(" - ") != std::string::npos;
    }));
    Sleep(500);  // a box would be up by now
    EXPECT_TRUE(second.MessageBoxes().empty());
    EXPECT_EQ(dir_.Read(kJournal), journal);
    ASSERT_TRUE(PressButton(secondWindow, "Exit"));
    ASSERT_TRUE(second.WaitForExit(kTimeout));

    ASSERT_TRUE(WaitForProcessEnd(std::stoul(runs[0].Field("ProcessId")), kTimeout));
    ASSERT_TRUE(Answers(window_, kTimeout));
    EXPECT_FALSE(dir_.Exists(kJournal));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
}

}  // namespace
}  // namespace pallisar::e2e
