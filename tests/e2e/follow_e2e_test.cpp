// Launches whose game is not the program the entry starts: a start-up program that
// starts the game and ends at once, a chain of two, a batch file, an entry that asks to
// wait for its own program only, and a wait stopped by hand from the tray menu. Each
// means of following runs them all in one session of the launcher: the job object as
// Wine offers it, and the process snapshots and the NT process list forced with the
// launcher's test variable. probe.exe plays every program; the game waits for its
// starter to end before it reads the driver, so it sees what a real game started a
// moment later would see.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>

#include "board.h"
#include "harness.h"
#include "launch_support.h"
#include "state_file.h"
#include "ui/command_ids.h"

namespace pallisar::e2e {
namespace {

using Values = std::map<std::string, std::string>;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
constexpr char kTweaks[] = "RGamma=2.00\r\nGGamma=1.90\r\nBGamma=1.80\r\nVSynch=Enable\r\n";
// What the game's tweaks make of the values the restore puts back.
const Values kGameGlide = {{"SSTH3_RGAMMA", "1:2.00"},
                           {"SSTH3_GGAMMA", "1:1.90"},
                           {"SSTH3_BGAMMA", "1:1.80"},
                           {"FX_GLIDE_SWAPINTERVAL", "<absent>"}};

Values Pick(const Values& values) {
    Values picked;
    for (const auto& [name, value] : kGameGlide) {
        const auto found = values.find(name);
        picked[name] = found == values.end() ? "<absent>" : found->second;
    }
    return picked;
}

struct Means {
    const char* forced;  // PALLISAR_FOLLOW_MEANS; empty: the system's choice
    const char* logged;  // as the log names it
};

void PrintTo(const Means& means, std::ostream* out) { *out << means.logged; }

class FollowTest : public testing::TestWithParam<Means> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard("voodoo5_dual"));
        before_ = Pick(GroupValuesAsProbeSees(kDriverKey, "Glide"));
        ASSERT_NE(before_, kGameGlide);
        exe_ = dir_.Install(PALLISAR_EXE);
        probe_ = dir_.Install(ProbeExe());
        report_ = dir_.File("follow-report.ini");
        state_ = dir_.File("e2e-state.txt");
        dir_.Write("settings.cfg",
                   "[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\n");
        const std::string game = "\"" + probe_ + "\" --after-parent --delay-ms ";
        // The batch file's program lives a quarter of a second after starting the game.
        dir_.Write("start.bat",
                   "@echo off\r\n\"" + probe_ + "\" --delay-ms 250 --spawn " + game + "1000\r\n");
        dir_.Write(
            "Game.dat",
            Entry("Setup", probe_, "--spawn " + game + "1200") +
                Entry("Chain", probe_, "--spawn " + game + "250 --spawn " + game + "1000") +
                Entry("Batch", dir_.File("start.bat"), "") +
                Entry("Own", probe_, "--spawn " + game + "1500", "FollowStartedPrograms=0\r\n") +
                Entry("Helper", probe_, "--spawn \"" + probe_ + "\" --delay-ms 4000"));
        LaunchOptions options{{},
                              {{"PALLISAR_STATE_FILE", state_},
                               {"PALLISAR_PROBE_DRIVER_KEY", kDriverKey},
                               {"PALLISAR_PROBE_REPORT", report_}},
                              ""};
        if (*GetParam().forced) options.env.push_back({"PALLISAR_FOLLOW_MEANS", GetParam().forced});
        ASSERT_TRUE(app_.Start(exe_, options));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }

    static std::string Entry(const std::string& title, const std::string& run,
                             const std::string& params, const std::string& extra = "") {
        return "[" + title + "]\r\nRun=" + run + "\r\nParams=" + params + "\r\n" + extra + kTweaks;
    }

    std::vector<std::string> LogLines() const {
        return ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{});
    }
    bool Logged(const std::string& line) const {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    size_t Count(const std::string& line) const {
        const auto lines = LogLines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }
    // Waits until the log holds the line `count` times.
    testing::AssertionResult WaitForLogLine(const std::string& line, size_t count = 1) const {
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Count(line) >= count) return testing::AssertionSuccess();
            Sleep(20);
        }
        return testing::AssertionFailure()
               << "the log never got \"" << line << "\" " << count << " times";
    }

    // Launches `title` from the list and waits for `programs` probe reports (counted
    // from the launch); the last one is the game's.
    void Launch(const std::string& title, size_t programs, std::vector<ProbeRun>* runs) {
        const size_t earlier = ReadProbeRuns(report_).size();
        ASSERT_TRUE(SelectTitle(app_, window_, title));
        ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FILE_RUN, 0), 0));
        std::vector<ProbeRun> all;
        ASSERT_TRUE(WaitForProbeRuns(report_, earlier + programs, kTimeout, &all));
        runs->assign(all.begin() + static_cast<std::ptrdiff_t>(earlier), all.end());
    }

    // The game saw its tweaks after its starter had ended; they stay while it runs, the
    // window answers meanwhile, and the driver comes back only after every program of
    // the launch has ended, with the log naming what was followed.
    void ExpectFollowed(const std::string& title, const std::vector<ProbeRun>& runs) {
        SCOPED_TRACE(title);
        const ProbeRun& game = runs.back();
        EXPECT_EQ(game.Field("ParentEnded"), "1");
        EXPECT_EQ(Pick(game.glide), kGameGlide);
        const DWORD gameId = std::stoul(game.Field("ProcessId"));
        if (!WaitForProcessEnd(gameId, Millis(0))) {
            EXPECT_TRUE(Answers(window_, Millis(2000)));
            EXPECT_FALSE(Logged("\t" + title + " terminated."));
            EXPECT_EQ(Pick(GroupValuesAsProbeSees(kDriverKey, "Glide")), kGameGlide);
        }
        ASSERT_TRUE(WaitForLogLine("\t" + title + " terminated."));
        ASSERT_TRUE(Answers(window_, kTimeout));  // the restore follows that line
        for (const ProbeRun& run : runs) {
            EXPECT_TRUE(WaitForProcessEnd(std::stoul(run.Field("ProcessId")), Millis(0)))
                << "the driver came back before process " << run.Field("ProcessId") << " ended";
        }
        EXPECT_EQ(Pick(GroupValuesAsProbeSees(kDriverKey, "Glide")), before_);
        EXPECT_TRUE(
            ContainsInOrder(LogLines(), {"Running Shortcut \"" + title + "\"",
                                         "\tAlso waiting for probe.exe, started by probe.exe.",
                                         "\tEvery program started for " + title +
                                             " has ended (followed by " + GetParam().logged + ").",
                                         "\t" + title + " terminated."}));
    }

    ProgramDirectory dir_;
    std::string exe_, probe_, report_, state_;
    AppProcess app_;
    HWND window_ = nullptr;
    Values before_;
};

TEST_P(FollowTest, TheDriverComesBackWhenTheLastProgramOfTheGameEnds) {
    std::vector<ProbeRun> runs;
    // A start-up program that starts the game and ends at once.
    ASSERT_NO_FATAL_FAILURE(Launch("Setup", 2, &runs));
    ASSERT_NO_FATAL_FAILURE(ExpectFollowed("Setup", runs));
    // A chain two deep whose middle program lives a quarter of a second: the fastest
    // chain the README promises on 95/98/ME.
    ASSERT_NO_FATAL_FAILURE(Launch("Chain", 3, &runs));
    ASSERT_NO_FATAL_FAILURE(ExpectFollowed("Chain", runs));
    // A batch file whose program starts the game (and the batch ends with it).
    ASSERT_NO_FATAL_FAILURE(Launch("Batch", 2, &runs));
    ASSERT_NO_FATAL_FAILURE(ExpectFollowed("Batch", runs));

    // Waiting for its own program only: the launch ends, and the driver is back, while
    // the game still runs.
    ASSERT_NO_FATAL_FAILURE(Launch("Own", 2, &runs));
    const DWORD ownGame = std::stoul(runs[1].Field("ProcessId"));
    ASSERT_TRUE(WaitForLogLine("\tOwn terminated."));
    ASSERT_TRUE(Answers(window_, kTimeout));
    EXPECT_FALSE(WaitForProcessEnd(ownGame, Millis(0))) << "the game ended too early to tell";
    EXPECT_EQ(Pick(GroupValuesAsProbeSees(kDriverKey, "Glide")), before_);
    EXPECT_TRUE(ContainsRun(
        LogLines(),
        {"\tCommand Paramaters - " +
             runs[0].Field("CommandLine").substr(runs[0].Field("CommandLine").find("--spawn")),
         "\tOwn terminated."}));
    ASSERT_TRUE(WaitForProcessEnd(ownGame, kTimeout));

    // A helper that outlives its game: Stop Waiting in the tray menu, enabled only while
    // the launch waits, puts the driver back at once.
    StateReport state;
    ASSERT_TRUE(RequestStateReport(window_, state_, &state));
    EXPECT_THAT(state.Flagged("TrayPopup", 'g'), testing::Contains("Stop &Waiting"));
    const std::string joined = "\tAlso waiting for probe.exe, started by probe.exe.";
    const size_t joinedBefore = Count(joined);
    ASSERT_NO_FATAL_FAILURE(Launch("Helper", 2, &runs));
    const DWORD helperId = std::stoul(runs[1].Field("ProcessId"));
    ASSERT_TRUE(WaitForLogLine(joined, joinedBefore + 1));
    ASSERT_TRUE(RequestStateReport(window_, state_, &state));
    EXPECT_THAT(state.Flagged("TrayPopup", 'g'), testing::Not(testing::Contains("Stop &Waiting")));
    EXPECT_THAT(state.Flagged("MainMenu1", 'g'),
                testing::Not(testing::Contains("&File > Stop &Waiting")));
    ASSERT_TRUE(ClickTrayItem(app_, window_, state_, "Stop &Waiting"));
    ASSERT_TRUE(WaitForLogLine("\tHelper terminated."));
    ASSERT_TRUE(Answers(window_, kTimeout));  // the restore follows that line
    EXPECT_FALSE(WaitForProcessEnd(helperId, Millis(0))) << "the helper ended too early to tell";
    EXPECT_EQ(Pick(GroupValuesAsProbeSees(kDriverKey, "Glide")), before_);
    EXPECT_TRUE(ContainsRun(LogLines(), {"\tStopped waiting for Helper at the user's request.",
                                         "\tHelper terminated."}));
    ASSERT_TRUE(RequestStateReport(window_, state_, &state));
    EXPECT_THAT(state.Flagged("TrayPopup", 'g'), testing::Contains("Stop &Waiting"));
    ASSERT_TRUE(WaitForProcessEnd(helperId, kTimeout));

    ASSERT_TRUE(PressButton(window_, "Exit"));
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
}

INSTANTIATE_TEST_SUITE_P(EachMeans, FollowTest,
                         testing::Values(Means{"", "job object"},
                                         Means{"snapshots", "process snapshots"},
                                         Means{"ntdll", "NT process list"}),
                         [](const testing::TestParamInfo<Means>& info) {
                             return std::string(*info.param.forced ? info.param.forced : "job");
                         });

}  // namespace
}  // namespace pallisar::e2e
