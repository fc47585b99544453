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
#include "core/file_replace.h"
#include "core/ini_file.h"
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
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// What the death of the process looks like from inside: no handler of the program
// catches it, and nothing after it reaches the registry.
struct SimulatedCrash {};

// Passes everything on to another store, counts the writes (values set or deleted, keys
// created or deleted) and dies at the chosen one: that write and every later call fail
// with SimulatedCrash, after `onCrash` has seen the state the crash leaves behind.
class CrashingStore : public RegistryStore {
  public:
    explicit CrashingStore(RegistryStore& inner) : inner_(inner) {}

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override {
        Alive();
        const long rc = inner_.OpenKey(root, path, write, key);
        if (rc == regError::kSuccess) key = std::make_unique<Key>(*this, std::move(key));
        return rc;
    }
    long CreateKey(RegRoot root, std::string_view path,
                   std::unique_ptr<RegistryKey>& key) override {
        std::unique_ptr<RegistryKey> existing;
        if (inner_.OpenKey(root, path, false, existing) != regError::kSuccess) Write();
        Alive();
        const long rc = inner_.CreateKey(root, path, key);
        if (rc == regError::kSuccess) key = std::make_unique<Key>(*this, std::move(key));
        return rc;
    }
    long DeleteTree(RegRoot root, std::string_view path) override {
        Write();
        return inner_.DeleteTree(root, path);
    }

    // The write that does not happen any more; none: no crash.
    std::optional<int> crashAt;
    std::function<void()> onCrash;
    int writes = 0;

    // Kills the process now.
    void Crash() {
        dead_ = true;
        if (onCrash) onCrash();
        throw SimulatedCrash{};
    }

  private:
    class Key : public RegistryKey {
      public:
        Key(CrashingStore& store, std::unique_ptr<RegistryKey> inner)
            : store_(store), inner_(std::move(inner)) {}
        long QueryValue(std::string_view name, RegValue& value) override {
            store_.Alive();
            return inner_->QueryValue(name, value);
        }
        long SetValue(std::string_view name, const RegValue& value) override {
            store_.Write();
            return inner_->SetValue(name, value);
        }
        long DeleteValue(std::string_view name) override {
            store_.Write();
            return inner_->DeleteValue(name);
        }
        long EnumSubKeys(std::vector<std::string>& names) override {
            store_.Alive();
            return inner_->EnumSubKeys(names);
        }
        long EnumValues(std::vector<std::string>& names) override {
            store_.Alive();
            return inner_->EnumValues(names);
        }

      private:
        CrashingStore& store_;
        std::unique_ptr<RegistryKey> inner_;
    };

    void Alive() const {
        if (dead_) throw SimulatedCrash{};
    }
    void Write() {
        Alive();
        if (crashAt && writes == *crashAt) Crash();
        ++writes;
    }

    RegistryStore& inner_;
    bool dead_ = false;
};

// A game that can die with the launcher while it runs.
class GameStarter : public FakeProcessStarter {
  public:
    std::function<void()> whileRunning;
    void WaitForProcess(const ProcessHandle& process) override {
        FakeProcessStarter::WaitForProcess(process);
        if (whileRunning) whileRunning();
    }
};

// A lock shared by the launchers of one test: `otherHolder` stands for a second launcher
// that still runs.
class FakeLock : public LaunchLock {
  public:
    bool Take() override {
        held = true;
        return true;
    }
    void Release() override { held = false; }
    bool HeldElsewhere() const override { return otherHolder; }
    bool held = false;
    bool otherHolder = false;
};

class FixedClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "2026-12-08"; }
    std::string LongTime() const override { return "09:30:15"; }
};

const char* const kTitle = "Quake III: Arena";

// One program directory and one board in an in-memory registry; launches and start-up
// recoveries run on them as separate runs of the program would.
class JournalTest : public ::testing::Test {
  protected:
    JournalTest() {
        FlushFileReplacements(false);
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\nResetSettings=1\r\n");
        IniFile gameDat(dir.File("Game.dat"));
        gameDat.WriteString(kTitle, "Run", "C:\\Games\\Quake3\\quake3.exe");
        for (const TweakRow& row : TweakCatalogue()) {
            gameDat.WriteString(kTitle, row.Key, EveryTweakChanged()[row.Field]);
        }
        gameDat.WriteString("Tool", "Run", "INTERNAL");
    }
    ~JournalTest() override { FlushFileReplacements(true); }

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

    // A list launch of the game as the running program makes it, with the registry
    // reached through `store`.
    void Launch(RegistryStore& store, GameStarter& starter, const std::string& title = kTitle) {
        TRegistryEnhanced reg(store);
        TweakContext context{reg, log, driver};
        IniFile gameDat(dir.File("Game.dat"));
        const ProgramSettings settings(dir.Path());
        TExecFile exec(starter);
        LaunchJournal journal(dir.Path(), clock, &lock);
        GameLauncher(gameDat, settings, log, prompts, context, exec, &journal).ListLaunch(title);
    }

    // The next start's recovery, answering the box with `yes`.
    void Recover(bool yes) {
        TRegistryEnhanced reg(memory);
        TweakContext context{reg, log, driver};
        LaunchJournal journal(dir.Path(), clock, &lock);
        prompts.answers.push_back(yes);
        RecoverInterruptedLaunch(journal, context, prompts);
    }

    std::string JournalPath() const { return dir.File(LaunchJournal::kFileName); }
    std::vector<std::string> Confirms() const {
        std::vector<std::string> texts;
        for (const auto& prompt : prompts.shown) {
            if (prompt.kind == "Confirm") texts.push_back(prompt.message);
        }
        return texts;
    }

    TempDir dir;
    FixedClock clock;
    FakeLock lock;
    MemoryRegistry memory;
    DriverState driver;
    RecordingLog log;
    FakePrompts prompts;
};

// Bytes that a registry value or a title may hold and a text file must carry unchanged.
std::string EveryByte() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

JournalRecord Sample(JournalPhase phase) {
    JournalRecord record;
    record.Phase = phase;
    record.DriverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
    record.Title = "Caf\xe9 100% = \"fun\"\r\n [x]";
    record.Started = "08.12.2026 09:30:15";
    record.Previous = {"DISABLE", "ENABLE", "1.30", "", "2.00 ", "65", "DISABLE", "%", "=", " "};
    if (phase != JournalPhase::Running) {
        record.Snapshot.Keys = {
            {"Glide",
             {{"", RegValue::Text("default")},
              {"FX_GLIDE_SWAPINTERVAL", RegValue::Text("")},
              {"Odd name =%", {RegType::String, EveryByte()}},
              {"Count", RegValue::Dword(0xFFFFFFFFu)},
              {"Blob", {RegType::Binary, std::string("\0\x01\xff", 3)}},
              {"Strange type", {static_cast<RegType>(0x7FFFFFFF), "x"}}}},
            {"Glide\\AA Demo Key", {{"Tweak Value", RegValue::Text("FX_GLIDE_AA_TOGGLE_KEY")}}},
            {"Glide\\AA Demo Key\\Deeper 100%", {}},
            {"D3D", {}},
        };
    }
    return record;
}

}  // namespace

TEST(JournalFormat, EveryRecordComesBackByteForByte) {
    for (JournalPhase phase :
         {JournalPhase::Applying, JournalPhase::Running, JournalPhase::Restoring}) {
        SCOPED_TRACE(static_cast<int>(phase));
        const JournalRecord record = Sample(phase);
        const std::string bytes = FormatJournal(record);
        // A text file of printable lines, whatever the data.
        for (char c : bytes) ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');
        JournalProblem problem = JournalProblem::Damaged;
        const auto parsed = ParseJournal(bytes, &problem);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(problem, JournalProblem::None);
        EXPECT_EQ(*parsed, record);
        EXPECT_EQ(FormatJournal(*parsed), bytes);
    }
}

TEST(JournalFormat, ACutOrChangedFileIsDamagedAndALaterVersionIsNewer) {
    const std::string bytes = FormatJournal(Sample(JournalPhase::Restoring));
    JournalProblem problem = JournalProblem::None;
    for (size_t size = 0; size < bytes.size(); ++size) {
        ASSERT_FALSE(ParseJournal(bytes.substr(0, size), &problem)) << "cut at " << size;
        ASSERT_EQ(problem, JournalProblem::Damaged) << "cut at " << size;
    }
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::string changed = bytes;
        changed[at] = changed[at] == 'x' ? 'y' : 'x';
        ASSERT_FALSE(ParseJournal(changed, &problem)) << "changed at " << at;
    }
    std::string later = bytes;
    later.replace(later.find("Version=1"), 9, "Version=2");
    EXPECT_FALSE(ParseJournal(later, &problem));
    EXPECT_EQ(problem, JournalProblem::NewerVersion);
}

// A journal that cannot be used is renamed beside the program (never over an earlier
// one) and logged; nothing is asked and nothing reaches the driver.
TEST_F(JournalTest, AJournalThatCannotBeUsedIsSetAsideAndNeverApplied) {
    const BoardScenario& board = BoardScenarios()[2];
    LoadBoard(board);
    JournalRecord valid = Sample(JournalPhase::Applying);
    valid.DriverKey = driver.DriverKey;  // would empty the D3D key and rewrite Glide
    const std::string good = FormatJournal(valid);
    JournalRecord otherBoard = valid;
    otherBoard.DriverKey = "System\\CurrentControlSet\\Services\\Class\\Display\\0001";
    std::string newer = good;
    newer.replace(newer.find("Version=1"), 9, "Version=7");
    std::string version0 = good;
    version0.replace(version0.find("Version=1"), 9, "Version=0");

    struct Case {
        std::string name;
        std::string bytes;
        std::string why;
    };
    std::vector<Case> cases = {
        {"empty", "", "is damaged"},
        {"other driver", FormatJournal(otherBoard), "belongs to another driver"},
        {"newer", newer, "is of a newer version"},
        {"version 0", version0, "is damaged"},
    };
    for (size_t size = 1; size < good.size(); ++size) {
        cases.push_back({"cut at " + std::to_string(size), good.substr(0, size), "is damaged"});
    }

    const RegistrySnapshot before = Tree();
    CrashingStore counting(memory);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        WriteFileBytes(JournalPath(), c.bytes);
        log.lines.clear();
        TRegistryEnhanced reg(counting);
        TweakContext context{reg, log, driver};
        LaunchJournal journal(dir.Path(), clock);
        RecoverInterruptedLaunch(journal, context, prompts);

        EXPECT_EQ(counting.writes, 0);
        EXPECT_THAT(prompts.shown, IsEmpty());
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        // Every file set aside is kept, with its own bytes (the cut ones one at a time).
        const std::string aside =
            JournalPath() + ".bad" + std::to_string(std::min<size_t>(i, 4) + 1);
        EXPECT_TRUE(FileExistsAt(aside));
        EXPECT_EQ(ReadFileBytes(aside), c.bytes);
        ASSERT_EQ(log.lines.size(), 2u);
        EXPECT_THAT(log.lines[0], HasSubstr(c.why));
        EXPECT_EQ(log.lines[1], "\tRenamed to " + aside + "; nothing was restored.");
        if (i >= 4) std::remove(aside.c_str());
    }
    EXPECT_EQ(DescribeDifferences(before, Tree()), "");
}

// Launches that restore keep a journal until their restore is done; the others never
// write one. A normal end leaves no trace of it.
TEST_F(JournalTest, OnlyARestoringLaunchKeepsAJournalAndANormalEndRemovesIt) {
    LoadBoard(BoardScenarios()[1]);
    struct Case {
        std::string title;
        std::string settings;
        bool journal;
    };
    const Case cases[] = {
        {kTitle, "ResetSettings=1", true},
        {kTitle, "ResetSettings=0", false},
        {"Tool", "ResetSettings=1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + " " + c.settings);
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + c.settings + "\r\n");
        std::optional<JournalRecord> seen;
        GameStarter starter;
        starter.whileRunning = [&] {
            EXPECT_EQ(lock.held, c.journal);
            if (!FileExistsAt(JournalPath())) return;
            JournalProblem problem;
            seen = ParseJournal(ReadFileBytes(JournalPath()), &problem);
        };
        Launch(memory, starter, c.title);
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        EXPECT_FALSE(lock.held);
        if (c.title == "Tool") {
            EXPECT_TRUE(starter.starts.empty());
            continue;  // the game never runs
        }
        ASSERT_EQ(seen.has_value(), c.journal);
        if (!c.journal) continue;
        EXPECT_EQ(seen->Phase, JournalPhase::Running);
        EXPECT_EQ(seen->Title, kTitle);
        EXPECT_EQ(seen->Started, "2026-12-08 09:30:15");
        EXPECT_EQ(seen->DriverKey, driver.DriverKey);
    }
}

// The launcher dies after each single registry write of a launch, and once while the
// game runs; the next start recovers with the journal left on disk. Before the game was
// started the driver gets back the tree it had before the launch; after that, the tree a
// normal end of the game leaves.
TEST_F(JournalTest, ALaunchCutShortAnywhereIsRecoveredOnEveryBoard) {
    for (const BoardScenario& board : BoardScenarios()) {
        for (bool withoutD3D : {false, true}) {
            SCOPED_TRACE(board.fixture + (withoutD3D ? " without D3D" : ""));
            // The normal end, and how many writes come before the game starts.
            LoadBoard(board, withoutD3D);
            const RegistrySnapshot before = Tree();
            CrashingStore counted(memory);
            int writesBeforeGame = -1;
            GameStarter normal;
            normal.whileRunning = [&] { writesBeforeGame = counted.writes; };
            Launch(counted, normal);
            const RegistrySnapshot normalEnd = Tree();
            const int total = counted.writes;
            ASSERT_GT(writesBeforeGame, 0);
            ASSERT_GT(total, writesBeforeGame);
            ASSERT_FALSE(FileExistsAt(JournalPath()));

            // Crash points: before write n (n < total), or with n == total while the game runs.
            for (int n = 0; n <= total; ++n) {
                SCOPED_TRACE("crash before write " + std::to_string(n));
                LoadBoard(board, withoutD3D);
                CrashingStore crashing(memory);
                std::optional<std::string> journalAtCrash;
                crashing.onCrash = [&] {
                    if (FileExistsAt(JournalPath())) journalAtCrash = ReadFileBytes(JournalPath());
                };
                GameStarter game;
                if (n < total) {
                    crashing.crashAt = n;
                } else {
                    game.whileRunning = [&] { crashing.Crash(); };
                }
                EXPECT_THROW(Launch(crashing, game), SimulatedCrash);
                // What the dead launcher left on disk.
                ASSERT_TRUE(journalAtCrash.has_value());
                WriteFileBytes(JournalPath(), *journalAtCrash);

                prompts.shown.clear();
                Recover(true);
                const bool gameStarted = n == total || n >= writesBeforeGame;
                ASSERT_EQ(DescribeDifferences(gameStarted ? normalEnd : before, Tree()), "");
                EXPECT_FALSE(FileExistsAt(JournalPath()));
                EXPECT_EQ(Confirms().size(), 1u);
            }
        }
    }
}

TEST_F(JournalTest, TheUserIsAskedAndNoLeavesTheGameValues) {
    LoadBoard(BoardScenarios()[2]);
    CrashingStore crashing(memory);
    GameStarter game;
    RegistrySnapshot whileRunning;
    std::string journalAtCrash;
    game.whileRunning = [&] {
        whileRunning = Tree();
        journalAtCrash = ReadFileBytes(JournalPath());
        crashing.Crash();
    };
    EXPECT_THROW(Launch(crashing, game), SimulatedCrash);
    WriteFileBytes(JournalPath(), journalAtCrash);
    log.lines.clear();

    Recover(false);
    EXPECT_EQ(DescribeDifferences(whileRunning, Tree()), "");
    EXPECT_FALSE(FileExistsAt(JournalPath()));
    EXPECT_THAT(Confirms(), ::testing::ElementsAre(
                                "The launcher was closed before \"Quake III: Arena\" (launched "
                                "2026-12-08 09:30:15) ended, so the driver may still hold that "
                                "game's settings.\n\nDo you want to restore the previous driver "
                                "settings?"));
    EXPECT_THAT(log.lines, ::testing::ElementsAre(
                               "Driver settings left by \"Quake III: Arena\" (launched 2026-12-08 "
                               "09:30:15) kept; launch journal removed."));
    // Nothing is left to ask about at the next start.
    prompts.shown.clear();
    Recover(true);
    EXPECT_THAT(prompts.shown, IsEmpty());
}

// A recovery that dies in turn is finished by the start after it, still only once.
TEST_F(JournalTest, ARecoveryCutShortIsFinishedByTheNextStart) {
    const BoardScenario& board = BoardScenarios()[3];
    LoadBoard(board);
    GameStarter normal;
    Launch(memory, normal);
    const RegistrySnapshot normalEnd = Tree();

    for (int n = 0;; ++n) {
        SCOPED_TRACE("recovery dies before write " + std::to_string(n));
        LoadBoard(board);
        CrashingStore launching(memory);
        std::string journalAtCrash;
        GameStarter game;
        game.whileRunning = [&] {
            journalAtCrash = ReadFileBytes(JournalPath());
            launching.Crash();
        };
        EXPECT_THROW(Launch(launching, game), SimulatedCrash);
        WriteFileBytes(JournalPath(), journalAtCrash);

        CrashingStore recovering(memory);
        recovering.crashAt = n;
        recovering.onCrash = [&] { journalAtCrash = ReadFileBytes(JournalPath()); };
        TRegistryEnhanced reg(recovering);
        TweakContext context{reg, log, driver};
        LaunchJournal journal(dir.Path(), clock);
        prompts.answers.push_back(true);
        try {
            RecoverInterruptedLaunch(journal, context, prompts);
        } catch (const SimulatedCrash&) {
            WriteFileBytes(JournalPath(), journalAtCrash);
            Recover(true);
            ASSERT_EQ(DescribeDifferences(normalEnd, Tree()), "");
            continue;
        }
        ASSERT_EQ(DescribeDifferences(normalEnd, Tree()), "");
        ASSERT_GT(n, 10) << "the recovery wrote too little to be cut short";
        break;  // n is past the recovery's last write
    }
}

// The log tells what the recovery did: the tree's values put back as tweak writes are
// logged, then the recorded values.
TEST_F(JournalTest, ARecoveryIsLogged) {
    LoadBoard(BoardScenarios()[2]);
    CrashingStore crashing(memory);
    crashing.crashAt = 40;
    crashing.onCrash = [&] { WriteFileBytes(dir.File("copy"), ReadFileBytes(JournalPath())); };
    GameStarter game;
    EXPECT_THROW(Launch(crashing, game), SimulatedCrash);
    WriteFileBytes(JournalPath(), ReadFileBytes(dir.File("copy")));
    log.lines.clear();
    Recover(true);
    const auto line = [&](const std::string& what, const std::string& rest) {
        return "\t" + what + ": " + driver.DriverKey + "\\" + rest;
    };
    ASSERT_GE(log.lines.size(), 3u);
    EXPECT_EQ(log.lines.front(),
              "Restoring driver settings left by \"Quake III: Arena\" (launched 2026-12-08 "
              "09:30:15)...");
    // A variable the launch added, one it changed, a sub-key it created, a bookkeeping
    // value it added.
    EXPECT_THAT(log.lines, Contains(line("Delete Value", "Glide : \"FX_GLIDE_BPP\"")));
    EXPECT_THAT(log.lines,
                Contains(line("Set Value", "Glide : \"FX_GLIDE_SWAPPENDINGCOUNT\" = 2")));
    EXPECT_THAT(log.lines, Contains(line("Delete Key", "Glide\\Triple Buffering")));
    EXPECT_THAT(log.lines, Contains(line("Delete Value",
                                         "Glide\\Maximum Buffered Frames : \"Previous Value\"")));
    EXPECT_EQ(log.lines.back(), "\tDriver settings restored; launch journal removed.");
}

// A second launcher started while the first one waits for its game leaves the journal
// of that launch alone: the first one is alive and will restore.
TEST_F(JournalTest, AJournalOfALauncherStillRunningIsLeftAlone) {
    LoadBoard(BoardScenarios()[1]);
    GameStarter game;
    game.whileRunning = [&] {
        const RegistrySnapshot whileRunning = Tree();
        const std::string bytes = ReadFileBytes(JournalPath());
        FakeLock first = lock;
        lock = FakeLock{};
        lock.otherHolder = true;
        Recover(true);
        EXPECT_EQ(DescribeDifferences(whileRunning, Tree()), "");
        EXPECT_EQ(ReadFileBytes(JournalPath()), bytes);
        EXPECT_THAT(prompts.shown, IsEmpty());
        EXPECT_THAT(log.lines.back(), HasSubstr("in use by another running launcher"));
        lock = first;
    };
    Launch(memory, game);
    EXPECT_FALSE(FileExistsAt(JournalPath()));
}
