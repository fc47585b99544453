// A launcher killed while its game runs: the next start asks whether to put the driver's
// settings back, and does so exactly as the end of the game would have. probe.exe is the
// game; the simulated dual-chip board is loaded afresh for every run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/launch_journal.h"
#include "board.h"
#include "core/file_access.h"
#include "harness.h"
#include "launch_support.h"
#include "support/icon_fixtures.h"

namespace pallisar::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Tree = std::map<std::string, std::string>;

constexpr char kBoard[] = "voodoo5_dual";
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
constexpr const char* kJournal = LaunchJournal::kFileName;

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
        dir_.Write("settings.cfg",
                   "[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\n");
    }
    void TearDown() override { app_.Kill(); }

    // Starts a launcher whose game list holds the probe, running `delayMs`.
    void Start(AppProcess& app, int delayMs, std::vector<std::string> args = {}) {
        dir_.Write("Game.dat", "[Probe Game]\r\nRun=" + probe_ + "\r\nParams=--delay-ms " +
                                   std::to_string(delayMs) + "\r\n" + kTweaks);
        ASSERT_NO_FATAL_FAILURE(StartAsItIs(app, std::move(args)));
    }
    // Game.dat with the probe as two games: "Probe Game" running a minute, "Quick Game"
    // ending at once.
    void WriteTwoGames() {
        dir_.Write("Game.dat", "[Probe Game]\r\nRun=" + probe_ + "\r\nParams=--delay-ms 60000\r\n" +
                                   kTweaks + "[Quick Game]\r\nRun=" + probe_ + "\r\n" + kTweaks);
    }
    // Starts the long game in a launcher of its own; *game is its process id.
    void RunLongGame(AppProcess& app, HWND* window, DWORD* game) {
        ASSERT_NO_FATAL_FAILURE(StartAsItIs(app));
        ASSERT_NO_FATAL_FAILURE(WaitReady(app, window));
        ASSERT_TRUE(SelectTitle(app, *window, "Probe Game"));
        ASSERT_TRUE(PressButton(*window, "Run"));
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        *game = std::stoul(runs[0].Field("ProcessId"));
    }
    // The driver after `launches` launches of the quick game in `app`, one after the
    // other; the board is then loaded afresh.
    void AfterQuickLaunches(AppProcess& app, HWND window, size_t launches, Tree* tree) {
        DeleteFileA(report_.c_str());
        std::vector<ProbeRun> runs;
        for (size_t n = 1; n <= launches; ++n) {
            ASSERT_TRUE(SelectTitle(app, window, "Quick Game"));
            ASSERT_TRUE(PressButton(window, "Run"));
            ASSERT_TRUE(WaitForProbeRuns(report_, n, kTimeout, &runs));
            ASSERT_NO_FATAL_FAILURE(WaitForLaunchesEnded("Quick Game", n));
            ASSERT_TRUE(Answers(window, kTimeout));
        }
        *tree = Driver();
        ASSERT_TRUE(LoadBoard(kBoard));
        DeleteFileA(report_.c_str());
    }
    static void EndGame(DWORD game) {
        const ScopedHandle probe(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, game));
        TerminateProcess(probe.Get(), 0);
        WaitForSingleObject(probe.Get(), 5000);
    }
    // Starts a launcher on the program directory as it is.
    void StartAsItIs(AppProcess& app, std::vector<std::string> args = {}) {
        ASSERT_TRUE(app.Start(exe_, {std::move(args),
                                     {{"PALLISAR_PROBE_DRIVER_KEY", kDriverKey},
                                      {"PALLISAR_PROBE_REPORT", report_},
                                      {"PALLISAR_STATE_FILE", dir_.File("e2e-state.txt")}},
                                     otherDir_.Path()}));
    }
    // Waits until the main window is up with the game list read.
    void WaitReady(AppProcess& app, HWND* window) {
        ASSERT_TRUE(app.WaitForMainWindow("Pallisar Game Launcher", kTimeout, window));
        ASSERT_TRUE(WaitForCaption(*window, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }
    // A new launcher runs the game; *game is its process id once it runs.
    void RunGame(int delayMs, DWORD* game) {
        DeleteFileA(report_.c_str());
        ASSERT_NO_FATAL_FAILURE(Start(app_, delayMs));
        ASSERT_NO_FATAL_FAILURE(WaitReady(app_, &window_));
        ASSERT_TRUE(SelectTitle(app_, window_, "Probe Game"));
        ASSERT_TRUE(PressButton(window_, "Run"));
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        *game = std::stoul(runs[0].Field("ProcessId"));
        ASSERT_TRUE(dir_.Exists(kJournal));
    }
    // `launches` launches of `title` have ended and put the driver back, which lets go
    // of the launch lock (the window answers while a launch waits).
    void WaitForLaunchesEnded(const std::string& title, size_t launches) {
        const auto ended = [&] {
            const auto lines = ReadLines(dir_.File("pallisar.log"));
            return lines && !dir_.Exists(kJournal) &&
                   static_cast<size_t>(std::count(lines->begin(), lines->end(),
                                                  "\t" + title + " terminated.")) >= launches;
        };
        for (int wait = 0; wait < 400 && !ended(); ++wait) Sleep(50);
        ASSERT_TRUE(ended()) << "journal " << (dir_.Exists(kJournal) ? "still there" : "gone")
                             << "; the log:\n"
                             << dir_.Read("pallisar.log");
    }
    // The launch of RunGame has ended (the window answers during it).
    void WaitForLaunchEnd() {
        const auto ended = [&] {
            const auto lines = ReadLines(dir_.File("pallisar.log"));
            return lines && std::find(lines->begin(), lines->end(), "\tProbe Game terminated.") !=
                                lines->end();
        };
        for (int wait = 0; wait < 400 && !ended(); ++wait) Sleep(50);
        ASSERT_TRUE(ended());
    }
    void Exit(AppProcess& app, HWND window) {
        ASSERT_TRUE(PressButton(window, "Exit"));
        ASSERT_TRUE(app.WaitForExit(kTimeout));
    }
    // A launcher killed while its game runs; the driver as the game left it.
    void KillWhileTheGameRuns(Tree* during) {
        DWORD game = 0;
        ASSERT_NO_FATAL_FAILURE(RunGame(60000, &game));
        app_.Kill();
        const ScopedHandle probe(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, game));
        TerminateProcess(probe.Get(), 0);
        WaitForSingleObject(probe.Get(), 5000);
        *during = Driver();
    }
    Tree Driver() {
        Tree tree = SnapshotGroup(kDriverKey, "Glide");
        for (const auto& [name, data] : SnapshotGroup(kDriverKey, "D3D")) tree["D3D" + name] = data;
        return tree;
    }

    ProgramDirectory dir_;
    ProgramDirectory otherDir_;
    std::string exe_, probe_, report_ = dir_.File("launch-report.ini");
    AppProcess app_;
    HWND window_ = nullptr;
};

// A second launcher started while the first one's game runs (a shortcut, say) neither
// asks nor touches that launch's journal; the first one restores as usual. After a killed
// launcher, Yes leaves exactly what that normal end left and No the game's values; "/RUN"
// asks first and launches only once the box is answered.
TEST_F(JournalTest, ARunningLaunchIsLeftAloneAndAKilledOneRecoveredAsAnswered) {
    DWORD game = 0;
    ASSERT_NO_FATAL_FAILURE(RunGame(5000, &game));
    const std::string journal = dir_.Read(kJournal);
    AppProcess second;
    HWND secondWindow = nullptr;
    ASSERT_NO_FATAL_FAILURE(Start(second, 5000));
    ASSERT_NO_FATAL_FAILURE(WaitReady(second, &secondWindow));
    Sleep(500);  // a box would be up by now
    EXPECT_TRUE(second.MessageBoxes().empty());
    EXPECT_EQ(dir_.Read(kJournal), journal);
    ASSERT_NO_FATAL_FAILURE(Exit(second, secondWindow));
    ASSERT_TRUE(WaitForProcessEnd(game, kTimeout));
    ASSERT_NO_FATAL_FAILURE(WaitForLaunchEnd());
    ASSERT_NO_FATAL_FAILURE(Exit(app_, window_));
    EXPECT_FALSE(dir_.Exists(kJournal));
    const Tree normalEnd = Driver();

    for (const std::string row : {"&Yes", "&No", "/run"}) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(LoadBoard(kBoard));
        Tree during;
        ASSERT_NO_FATAL_FAILURE(KillWhileTheGameRuns(&during));
        ASSERT_NE(during, normalEnd);

        const bool run = row == "/run";
        ASSERT_NO_FATAL_FAILURE(
            Start(app_, 0, run ? std::vector{row, probe_} : std::vector<std::string>{}));
        MessageBoxInfo box;
        ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
        EXPECT_EQ(box.caption, "Confirm");
        EXPECT_THAT(box.text, HasSubstr("\"Probe Game\""));
        EXPECT_THAT(box.ButtonTexts(), ElementsAre("&Yes", "&No"));
        Sleep(300);
        EXPECT_EQ(ReadProbeRuns(report_).size(), 1u) << "the game started before the answer";
        ASSERT_TRUE(AnswerMessageBox(box, run ? "&Yes" : row));
        if (run) {
            ASSERT_TRUE(app_.WaitForExit(kTimeout));
            EXPECT_EQ(ReadProbeRuns(report_).size(), 2u);
            EXPECT_TRUE(ContainsInOrder(
                ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{}),
                {"\tDriver settings restored; launch journal removed.",
                 "Running Shortcut \"Probe Game\""}));
        } else {
            ASSERT_NO_FATAL_FAILURE(WaitReady(app_, &window_));
            ASSERT_TRUE(Answers(window_, kTimeout));
            EXPECT_EQ(Driver(), row == "&Yes" ? normalEnd : during);
            ASSERT_NO_FATAL_FAILURE(Exit(app_, window_));
        }
        EXPECT_FALSE(dir_.Exists(kJournal));
    }
}

// Windows 95, 98 and ME replace a file in steps; a crash or a power cut between two of
// them leaves copies whose names tell the state (see core/file_replace.h), here of a
// writer that has ended. The next start completes or puts back each file before it is
// first read (the journal before the recovery looks for it), takes a copy only when it
// is whole, and removes the rest.
TEST_F(JournalTest, FilesLeftHalfWayAreCompletedOrPutBackAtTheNextStart) {
    Tree during;
    ASSERT_NO_FATAL_FAILURE(KillWhileTheGameRuns(&during));
    const auto leftover = [](const std::string& file, int serial, const char* kind) {
        return file + ".~1.2-" + std::to_string(serial) + kind;
    };
    // The journal and the catalogue: set aside, the new copy whole (the copy set aside of
    // the journal cut short: it would not be used).
    const std::string journal = dir_.Read(kJournal);
    ASSERT_TRUE(DeleteFileA(dir_.File(kJournal).c_str()));
    dir_.Write(leftover(kJournal, 0, ".tmp"), journal);
    dir_.Write(leftover(kJournal, 0, ".old"), journal.substr(0, journal.size() / 2));
    const std::string catalogue = dir_.Read("Game.dat");
    const std::string newCatalogue =
        catalogue + "[New Game]\r\nRun=INTERNAL\r\nIconName=" + exe_ + ",0\r\n";
    ASSERT_TRUE(DeleteFileA(dir_.File("Game.dat").c_str()));
    dir_.Write(leftover("Game.dat", 1, ".old"), catalogue);
    dir_.Write(leftover("Game.dat", 1, ".tmp"), newCatalogue);
    // The settings: new bytes flushed but never moved, and a copy of a replacement done.
    const std::string settings = dir_.Read("settings.cfg");
    dir_.Write(leftover("settings.cfg", 2, ".tmp"), "[Program]\r\nGenerateLog=0\r\n");
    dir_.Write(leftover("settings.cfg", 3, ".old"), "[Program]\r\nGenerateLog=0\r\n");
    // The icon: set aside, the new copy not a whole icon.
    const std::string icon = test::MakeIcoFile({test::MakeDibImage(32, 32, 8, 5)});
    dir_.Write(leftover("pallisar.ico", 4, ".old"), icon);
    dir_.Write(leftover("pallisar.ico", 4, ".tmp"), icon.substr(0, icon.size() / 2));

    ASSERT_NO_FATAL_FAILURE(StartAsItIs(app_));
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_THAT(box.text, HasSubstr("\"Probe Game\""));
    ASSERT_TRUE(AnswerMessageBox(box, "&Yes"));
    ASSERT_NO_FATAL_FAILURE(WaitReady(app_, &window_));
    ASSERT_TRUE(Answers(window_, kTimeout));
    ListViewState list;
    ASSERT_TRUE(ReadListView(app_, FindListView(window_), &list));
    EXPECT_THAT(list.Captions(), ElementsAre("New Game", "Probe Game"));
    EXPECT_NE(Driver(), during);
    ASSERT_NO_FATAL_FAILURE(Exit(app_, window_));

    EXPECT_EQ(dir_.Read("Game.dat"), newCatalogue);
    EXPECT_EQ(dir_.Read("settings.cfg"), settings);
    EXPECT_EQ(dir_.Read("pallisar.ico"), icon);
    EXPECT_FALSE(dir_.Exists(kJournal));
    for (const std::string& name : FileNamesStartingWith(dir_.Path(), "")) {
        EXPECT_EQ(name.find(".~"), std::string::npos) << name;
        EXPECT_EQ(name.find(".bad"), std::string::npos) << name;
    }
    const auto log = ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{});
    EXPECT_THAT(log, Contains("Interrupted write of " + dir_.File("Game.dat") + " completed."));
    EXPECT_THAT(log, Contains("Interrupted write of " + dir_.File("pallisar.ico") +
                              " undone: its previous contents were kept."));
    EXPECT_THAT(log, Contains("\tDriver settings restored; launch journal removed."));
}

// Two launchers: the second one's launch while the first one's game runs is refused
// with the reason, and starts nothing; the driver ends as the first launch alone leaves it.
TEST_F(JournalTest, ASecondLaunchWhileAGameRunsIsRefused) {
    WriteTwoGames();
    AppProcess second;
    HWND secondWindow = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartAsItIs(second));
    ASSERT_NO_FATAL_FAILURE(WaitReady(second, &secondWindow));
    Tree afterOne;
    ASSERT_NO_FATAL_FAILURE(AfterQuickLaunches(second, secondWindow, 1, &afterOne));
    DWORD game = 0;
    ASSERT_NO_FATAL_FAILURE(RunLongGame(app_, &window_, &game));
    const std::string journal = dir_.Read(kJournal);

    ASSERT_TRUE(SelectTitle(second, secondWindow, "Quick Game"));
    ASSERT_TRUE(PressButton(secondWindow, "Run"));
    MessageBoxInfo box;
    ASSERT_TRUE(second.WaitForMessageBox(kTimeout, &box));
    EXPECT_THAT(box.text, HasSubstr("Another game is running whose driver settings are to be "
                                    "restored when it ends"));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    ASSERT_TRUE(Answers(secondWindow, kTimeout));
    EXPECT_EQ(ReadProbeRuns(report_).size(), 1u);
    EXPECT_EQ(dir_.Read(kJournal), journal);
    ASSERT_NO_FATAL_FAILURE(Exit(second, secondWindow));

    EndGame(game);
    ASSERT_TRUE(Answers(window_, kTimeout));
    ASSERT_NO_FATAL_FAILURE(Exit(app_, window_));
    EXPECT_EQ(Driver(), afterOne);
    EXPECT_FALSE(dir_.Exists(kJournal));
}

// A launcher that died after this one started left its journal: the launch finds it,
// asks the start-up's question before anything else, restores, and only then launches.
TEST_F(JournalTest, AJournalLeftByALauncherThatDiedIsFoundAtLaunchTime) {
    WriteTwoGames();
    AppProcess survivor;
    HWND survivorWindow = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartAsItIs(survivor));
    ASSERT_NO_FATAL_FAILURE(WaitReady(survivor, &survivorWindow));
    // What the dead launcher's game and then this launch leave when both end normally.
    Tree afterTwo;
    ASSERT_NO_FATAL_FAILURE(AfterQuickLaunches(survivor, survivorWindow, 2, &afterTwo));
    const Tree before = Driver();
    DWORD game = 0;
    ASSERT_NO_FATAL_FAILURE(RunLongGame(app_, &window_, &game));
    app_.Kill();
    EndGame(game);
    ASSERT_TRUE(dir_.Exists(kJournal));
    ASSERT_NE(Driver(), before);

    ASSERT_TRUE(SelectTitle(survivor, survivorWindow, "Quick Game"));
    ASSERT_TRUE(PressButton(survivorWindow, "Run"));
    MessageBoxInfo box;
    ASSERT_TRUE(survivor.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, "Confirm");
    EXPECT_THAT(box.text, HasSubstr("\"Probe Game\""));
    EXPECT_EQ(ReadProbeRuns(report_).size(), 1u) << "the game started before the answer";
    ASSERT_TRUE(AnswerMessageBox(box, "&Yes"));
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 2, kTimeout, &runs));
    // The log began afresh with the dead launcher's start.
    ASSERT_NO_FATAL_FAILURE(WaitForLaunchesEnded("Quick Game", 1));
    ASSERT_NO_FATAL_FAILURE(Exit(survivor, survivorWindow));
    EXPECT_EQ(Driver(), afterTwo);
    EXPECT_FALSE(dir_.Exists(kJournal));
    EXPECT_TRUE(
        ContainsInOrder(ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{}),
                        {"Launch journal of an earlier launch found: " + dir_.File(kJournal),
                         "\tDriver settings restored; launch journal removed.",
                         "Running Shortcut \"Quick Game\"", "\tQuick Game terminated."}));
}

}  // namespace
}  // namespace pallisar::e2e
