// The launch journal: its file format, the journals that must never be applied, and
// launches cut short after every single registry write on every simulated board, each
// followed by the next start's recovery.

#include "app/launch_journal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "app/exec_file.h"
#include "app/launch_recovery.h"
#include "app/launch_sequence.h"
#include "app/program_settings.h"
#include "core/errors.h"
#include "core/file_replace.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "platform/memory_registry.h"
#include "support/fake_process_starter.h"
#include "support/fake_prompts.h"
#include "support/fake_system_info.h"
#include "support/recording_log.h"
#include "support/regedit_file.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"
#include "tweaks/tweak_catalogue.h"

using namespace pallisar;
using namespace pallisar::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// The death of the process as seen from inside: no handler of the program catches it.
struct SimulatedCrash {};

class FixedClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "2026-12-08"; }
    std::string LongTime() const override { return "09:30:15"; }
};

const char* const kTitle = "Quake III: Arena";

// One program directory and one board in an in-memory registry; launches and start-up
// recoveries run on them as separate runs of the program would, and count their writes
// (values set or deleted, keys created or deleted).
class JournalTest : public ::testing::Test {
  protected:
    JournalTest() {
        FlushFileReplacements(false);
        Settings("1");
        IniFile gameDat(dir.File("Game.dat"));
        gameDat.WriteString(kTitle, "Run", "C:\\Games\\Quake3\\quake3.exe");
        for (const TweakRow& row : TweakCatalogue()) {
            gameDat.WriteString(kTitle, row.Key, EveryTweakChanged()[row.Field]);
        }
        gameDat.WriteString("Tool", "Run", "INTERNAL");
        store.beforeWrite = [this] {
            if (crashAt == writes) Crash();
            ++writes;
        };
    }
    ~JournalTest() override { FlushFileReplacements(true); }

    void Settings(const std::string& reset) {
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\nResetSettings=" + reset + "\r\n");
    }
    // Loads the board afresh; `withoutD3D` removes its D3D key first.
    void LoadBoard(const BoardScenario& board, bool withoutD3D = false) {
        RemoveBoards(memory);
        LoadRegeditFile(memory, FixturePath(board.fixture));
        driver = DetectOn(memory, FakeSystemInfo(board.windowsNT)).driver;
        if (withoutD3D) memory.DeleteTree(RegRoot::LocalMachine, driver.DriverKey + "\\D3D");
    }
    RegistrySnapshot Tree() {
        return SnapshotTree(memory, RegRoot::LocalMachine, driver.DriverKey);
    }

    // A list launch as the running program makes it.
    void Launch(const char* title = kTitle) {
        TRegistryEnhanced reg(store);
        TweakContext context{reg, log, driver};
        IniFile gameDat(dir.File("Game.dat"));
        const ProgramSettings settings(dir.Path());
        TExecFile exec(game);
        LaunchJournal journal(dir.Path(), clock);
        GameLauncher(settings, log, prompts, context, exec, &journal)
            .ListLaunch(LoadGameEntry(gameDat, title));
    }
    // The next start's recovery, answering the box with `yes`.
    void Recover(bool yes) {
        TRegistryEnhanced reg(store);
        TweakContext context{reg, log, driver};
        LaunchJournal journal(dir.Path(), clock);
        prompts.shown.clear();
        log.lines.clear();
        prompts.answers = {yes};
        RecoverInterruptedLaunch(journal, context, prompts);
    }
    // Runs `run` with the process dying at write `at` (none: while the game runs); false
    // when it ended first. The journal stays as the death found it.
    bool Dies(std::optional<int> at, const std::function<void()>& run) {
        crashAt = at;
        writes = 0;
        journalAtCrash.reset();
        game.whileWaiting = [this, at] {
            if (!at) Crash();
        };
        bool died = false;
        try {
            run();
        } catch (const SimulatedCrash&) {
            died = true;
        }
        crashAt.reset();
        if (journalAtCrash) WriteFileBytes(JournalPath(), *journalAtCrash);
        return died;
    }
    void Crash() {
        if (FileExistsAt(JournalPath())) journalAtCrash = ReadFileBytes(JournalPath());
        throw SimulatedCrash{};
    }
    std::string JournalPath() const { return dir.File(LaunchJournal::kFileName); }

    TempDir dir;
    FixedClock clock;
    MemoryRegistry memory;
    ValueRefusingStore store{memory};
    std::optional<int> crashAt;
    int writes = 0;
    std::optional<std::string> journalAtCrash;
    DriverState driver;
    RecordingLog log;
    FakePrompts prompts;
    FakeProcessStarter game;
};

}  // namespace

// Any data a registry value or a title may hold comes back byte for byte from a file of
// printable lines.
TEST(JournalFormat, EveryRecordComesBackByteForByte) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
    const JournalRecord record{
        JournalPhase::Restoring,
        "System\\Services\\3dfx",
        "Caf\xe9 100% = \"fun\"\r\n [x]",
        "08.12.2026 09:30:15",
        {"DISABLE", "ENABLE", "1.30", "", "2.00 ", "65", "", "%", "=", " "},
        {{{"Glide",
           {{"", RegValue::Text("default")},
            {"Odd name =%", {RegType::String, everyByte}},
            {"Count", RegValue::Dword(0xFFFFFFFFu)},
            {"Blob", {RegType::Binary, std::string("\0\x01\xff", 3)}},
            {"Strange type", {static_cast<RegType>(0x7FFFFFFF), ""}}}},
          {"Glide\\AA Demo Key 100%", {{"Tweak Value", RegValue::Text("FX_X")}}},
          {"D3D", {}}}}};
    const std::string bytes = FormatJournal(record);
    for (char c : bytes) ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');
    JournalProblem problem = JournalProblem::Damaged;
    EXPECT_EQ(ParseJournal(bytes, &problem), record);
    EXPECT_EQ(problem, JournalProblem::None);
}

// A journal that cannot be used is renamed beside the program (never over an earlier
// one) and logged; nothing is asked and nothing reaches the driver.
TEST_F(JournalTest, AJournalThatCannotBeUsedIsSetAsideAndNeverApplied) {
    LoadBoard(BoardScenarios()[2]);
    ASSERT_TRUE(Dies(5, [&] { Launch(); }));  // a real journal of this board, which would restore
    const std::string good = ReadFileBytes(JournalPath());
    JournalProblem problem;
    JournalRecord otherDriver = *ParseJournal(good, &problem);
    otherDriver.DriverKey += "1";
    const std::string version = "Version=" + std::to_string(kJournalVersion);
    std::string newer = good;
    newer.replace(newer.find(version), version.size(), version + "0");
    std::vector<std::pair<std::string, std::string>> cases = {
        // bytes, why
        {"", "is damaged"},
        {FormatJournal(otherDriver), "belongs to another driver"},
        {newer, "is of a newer version"}};
    for (size_t n = 1; n < good.size(); ++n) cases.push_back({good.substr(0, n), "is damaged"});

    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        WriteFileBytes(JournalPath(), cases[i].first);
        writes = 0;
        Recover(true);
        EXPECT_EQ(writes, 0);
        EXPECT_THAT(prompts.shown, IsEmpty());
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        EXPECT_THAT(log.lines, Contains(HasSubstr(cases[i].second)));
        // The first ones stay side by side; the cut ones come and go one at a time.
        const std::string aside =
            JournalPath() + ".bad" + std::to_string(std::min<size_t>(i, 3) + 1);
        EXPECT_EQ(ReadFileBytes(aside), cases[i].first);
        if (i >= 3) std::remove(aside.c_str());
    }
}

// Only a launch that is going to restore keeps a journal (looked for at its first write).
TEST_F(JournalTest, ALaunchThatDoesNotRestoreKeepsNoJournal) {
    LoadBoard(BoardScenarios()[1]);
    for (const auto& run : {std::pair{kTitle, "0"}, {"Tool", "1"}}) {
        const char* title = run.first;
        SCOPED_TRACE(title);
        Settings(run.second);
        ASSERT_TRUE(Dies(0, [&] { Launch(title); }));
        EXPECT_FALSE(FileExistsAt(JournalPath()));
    }
}

// The launcher dies at each single registry write of a launch, and once while the game
// runs; the next start recovers with the journal left on disk (a recovery that dies in
// turn is finished by the start after it). Before the game was started the driver gets
// back the tree it had before the launch; after that, the tree a normal end leaves.
TEST_F(JournalTest, ALaunchCutShortAnywhereIsRecoveredOnEveryBoard) {
    for (const BoardScenario& board : BoardScenarios()) {
        for (bool withoutD3D : {false, true}) {
            SCOPED_TRACE(board.fixture + (withoutD3D ? " without D3D" : ""));
            LoadBoard(board, withoutD3D);
            const RegistrySnapshot before = Tree();
            int writesBeforeGame = -1;
            game.whileWaiting = [&] { writesBeforeGame = writes; };
            writes = 0;
            Launch();
            const RegistrySnapshot normalEnd = Tree();
            const int launchWrites = writes;
            ASSERT_GT(launchWrites, writesBeforeGame);

            for (int n = 0; n <= launchWrites; ++n) {  // n == launchWrites: while the game runs
                for (int m = 0;; ++m) {
                    SCOPED_TRACE("launch dies at write " + std::to_string(n) +
                                 ", recovery at write " + std::to_string(m));
                    LoadBoard(board, withoutD3D);
                    const bool inGame = n == launchWrites;
                    ASSERT_TRUE(Dies(inGame ? std::nullopt : std::optional(n), [&] { Launch(); }));
                    ASSERT_TRUE(FileExistsAt(JournalPath()));
                    // After a game that was running the recovery dies at its write m in turn.
                    const bool recoveryDied =
                        Dies(inGame ? std::optional(m) : std::nullopt, [&] { Recover(true); });
                    if (recoveryDied) Recover(true);
                    const bool started = n >= writesBeforeGame;
                    ASSERT_EQ(DescribeDifferences(started ? normalEnd : before, Tree()), "");
                    EXPECT_FALSE(FileExistsAt(JournalPath()));
                    EXPECT_EQ(prompts.shown.size(), 1u);
                    if (!recoveryDied) break;
                }
            }
        }
    }
}

TEST_F(JournalTest, TheUserIsAskedAndNoLeavesTheGameValues) {
    LoadBoard(BoardScenarios()[2]);
    ASSERT_TRUE(Dies(std::nullopt, [&] { Launch(); }));
    const RegistrySnapshot whileRunning = Tree();
    Recover(false);
    EXPECT_EQ(DescribeDifferences(whileRunning, Tree()), "");
    EXPECT_THAT(prompts.shown,
                ElementsAre(FakePrompts::Prompt{
                    "Confirm",
                    "The launcher was closed before \"Quake III: Arena\" (launched 2026-12-08 "
                    "09:30:15) ended, so the driver may still hold that game's settings.\n\n"
                    "Do you want to restore the previous driver settings?"}));
    EXPECT_FALSE(FileExistsAt(JournalPath()));
}

// The journal's record of the game's start cannot be written (a disk refusing it for a
// moment): the game still starts under the journal of the launch's start, the log says
// why, and a crash while the game runs gives back the tree before the launch.
TEST_F(JournalTest, AFailedRunningRecordKeepsTheJournalOfTheLaunchsStart) {
    LoadBoard(BoardScenarios()[2]);
    const RegistrySnapshot before = Tree();
    int journalWrites = 0;
    InjectFileReplaceFailures([&](ReplaceStep step) {
        const bool running = step == ReplaceStep::Flushed && ++journalWrites == 2;
        return running ? InjectedFailure::NextCall : InjectedFailure::None;
    });
    const bool died = Dies(std::nullopt, [&] { Launch(); });
    InjectFileReplaceFailures({});
    ASSERT_TRUE(died);  // in the game
    EXPECT_EQ(game.starts.size(), 1u);
    JournalProblem problem;
    const auto kept = ParseJournal(ReadFileBytes(JournalPath()), &problem);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Phase, JournalPhase::Applying);
    EXPECT_THAT(log.lines, Contains("\tThe \"Running\" record could not be written; the journal "
                                    "as it was is kept."));
    Recover(true);
    EXPECT_EQ(DescribeDifferences(before, Tree()), "");
    EXPECT_FALSE(FileExistsAt(JournalPath()));
}

// A driver key that exists but cannot be read would be missing from the journal's copy,
// and putting the copy back would delete it: the launch stops before its first write,
// with the reason Windows gives.
TEST_F(JournalTest, AKeyThatCannotBeReadStopsTheLaunchBeforeAnyWrite) {
    LoadBoard(BoardScenarios()[2]);
    const RegistrySnapshot before = Tree();
    const std::string key = driver.DriverKey + "\\D3D";
    store.unreadableKeys = {UpperCase(key)};
    writes = 0;
    try {
        Launch();
        ADD_FAILURE() << "the launch went on";
    } catch (const RegistryError& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to read key '" + key + "': Access is denied.");
    }
    store.unreadableKeys.clear();
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(DescribeDifferences(before, Tree()), "");
    EXPECT_TRUE(game.starts.empty());
    EXPECT_FALSE(FileExistsAt(JournalPath()));
    EXPECT_THAT(log.lines, Contains("!ERROR! Failed to read key '" + key + "': Access is denied."));
}

// The registry writes lazily: the driver's key is flushed after the restore, of a launch
// and of a recovery, while the journal is still there.
TEST_F(JournalTest, TheRestoreIsFlushedBeforeItsJournalGoes) {
    LoadBoard(BoardScenarios()[1]);
    std::vector<std::pair<std::string, bool>> flushes;  // the key, the journal there
    store.onFlush = [&](std::string_view path) {
        flushes.emplace_back(path, FileExistsAt(JournalPath()));
    };
    Launch();
    ASSERT_TRUE(Dies(std::nullopt, [&] { Launch(); }));
    EXPECT_EQ(flushes.size(), 1u);
    Recover(true);
    store.onFlush = nullptr;
    const std::pair<std::string, bool> flushed{driver.DriverKey, true};
    EXPECT_THAT(flushes, ElementsAre(flushed, flushed));
    EXPECT_FALSE(FileExistsAt(JournalPath()));
}

namespace {

// The launch lock as another launcher would hold it.
class FakeLock : public LaunchLock {
  public:
    LockTake Take() override {
        if (elsewhere) return LockTake::HeldElsewhere;
        held = true;
        return LockTake::Taken;
    }
    void Release() override { held = false; }
    bool Held() const override { return held; }
    bool HeldElsewhere() const override { return elsewhere; }
    bool held = false;
    bool elsewhere = false;
};

std::optional<JournalPhase> PhaseOn(const std::string& path) {
    if (!FileExistsAt(path)) return std::nullopt;
    JournalProblem problem;
    const auto record = ParseJournal(ReadFileBytes(path), &problem);
    return record ? std::optional(record->Phase) : std::nullopt;
}

}  // namespace

// While another launch with restore runs, a launch is refused before it reads or writes
// anything of the driver; the journal found when none runs is offered for recovery
// first (a launcher that died after this one started), and one that stays (the restore
// refused) stops the launch.
TEST_F(JournalTest, ALaunchNeverOverlapsAnotherOrOverwritesAJournalItDidNotWrite) {
    LoadBoard(BoardScenarios()[2]);
    Launch();
    Launch();
    const RegistrySnapshot afterTwo = Tree();
    LoadBoard(BoardScenarios()[2]);
    ASSERT_TRUE(Dies(std::nullopt, [&] { Launch(); }));
    const std::string left = ReadFileBytes(JournalPath());

    FakeLock lock;
    const auto launchWithLock = [&] {
        TRegistryEnhanced reg(store);
        TweakContext context{reg, log, driver};
        IniFile gameDat(dir.File("Game.dat"));
        const ProgramSettings settings(dir.Path());
        TExecFile exec(game);
        LaunchJournal journal(dir.Path(), clock, &lock);
        GameLauncher(settings, log, prompts, context, exec, &journal)
            .ListLaunch(LoadGameEntry(gameDat, kTitle));
    };
    game.starts.clear();
    game.whileWaiting = nullptr;
    lock.elsewhere = true;
    writes = 0;
    EXPECT_THROW(launchWithLock(), Error);
    EXPECT_EQ(writes, 0);
    EXPECT_TRUE(game.starts.empty());
    EXPECT_EQ(ReadFileBytes(JournalPath()), left);
    EXPECT_THAT(prompts.shown, IsEmpty());

    // The recovery's restore refused: the journal stays, the game is not started.
    lock.elsewhere = false;
    store.refused = {"SSTH3_RGAMMA"};
    prompts.answers = {true};
    try {
        launchWithLock();
        ADD_FAILURE() << "the launch went on";
    } catch (const Error& error) {
        EXPECT_THAT(error.what(), HasSubstr("The game was not started"));
    }
    store.refused.clear();
    EXPECT_TRUE(game.starts.empty());
    EXPECT_TRUE(FileExistsAt(JournalPath()));
    EXPECT_FALSE(lock.held);

    // Yes: the recovery first, then the launch.
    prompts.shown.clear();
    prompts.answers = {true};
    launchWithLock();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_THAT(prompts.shown[0].message, HasSubstr("\"Quake III: Arena\""));
    EXPECT_EQ(game.starts.size(), 1u);
    EXPECT_EQ(DescribeDifferences(afterTwo, Tree()), "");
    EXPECT_FALSE(FileExistsAt(JournalPath()));
    EXPECT_FALSE(lock.held);
}

// A restore that stops halfway (a refused write), and a "Restoring" record that cannot
// be written (in the launch and in the recovery): the journal stays and tells the next
// start what to do, which then leaves exactly what a normal end leaves.
TEST_F(JournalTest, ARestoreStoppedKeepsItsJournalForTheNextStart) {
    LoadBoard(BoardScenarios()[2]);
    Launch();
    const RegistrySnapshot normalEnd = Tree();
    enum Stop { RefusedWrite, LaunchRecord, RecoveryRecord };
    for (const Stop stop : {RefusedWrite, LaunchRecord, RecoveryRecord}) {
        SCOPED_TRACE(stop);
        LoadBoard(BoardScenarios()[2]);
        RegistrySnapshot during;
        bool inGame = false;
        int restoreWrites = 0;
        game.whileWaiting = [&] {
            during = Tree();
            inGame = true;
        };
        store.beforeWrite = [&] {
            ++writes;
            if (stop == RefusedWrite && inGame && ++restoreWrites == 4)
                throw RegistryError("Failed to set data for 'X'");
        };
        int journalWrites = 0;
        InjectFileReplaceFailures([&](ReplaceStep step) {
            const bool third = step == ReplaceStep::Flushed && ++journalWrites == 3;
            return third && stop == LaunchRecord ? InjectedFailure::NextCall
                                                 : InjectedFailure::None;
        });
        if (stop == RecoveryRecord) {
            ASSERT_TRUE(Dies(std::nullopt, [&] { Launch(); }));
            during = Tree();
            journalWrites = 0;
            InjectFileReplaceFailures([&](ReplaceStep step) {
                return step == ReplaceStep::Flushed ? InjectedFailure::NextCall
                                                    : InjectedFailure::None;
            });
            writes = 0;
            Recover(true);
            EXPECT_EQ(writes, 0);
            ASSERT_EQ(prompts.shown.size(), 2u);
            EXPECT_THAT(prompts.shown[1].message, HasSubstr("could not be written"));
        } else {
            EXPECT_THROW(Launch(), Error);
        }
        InjectFileReplaceFailures({});
        inGame = false;
        if (stop == LaunchRecord) {
            EXPECT_EQ(DescribeDifferences(during, Tree()), "");
        }
        EXPECT_EQ(PhaseOn(JournalPath()),
                  stop == RefusedWrite ? JournalPhase::Restoring : JournalPhase::Running);
        Recover(true);
        EXPECT_EQ(DescribeDifferences(normalEnd, Tree()), "");
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        EXPECT_THAT(log.lines, Contains("\tDriver settings restored; launch journal removed."));
    }
}
