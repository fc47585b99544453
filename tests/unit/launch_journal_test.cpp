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
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// The death of the process as seen from inside: no handler of the program catches it.
struct SimulatedCrash {};

// Passes everything on to another store and counts the writes (values set or deleted,
// keys created or deleted). At write number `crashAt` the process dies instead, after
// `onCrash` has seen what the crash leaves behind.
class CrashingStore : public RegistryStore {
  public:
    explicit CrashingStore(RegistryStore& inner) : inner_(inner) {}

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override {
        return Wrap(inner_.OpenKey(root, path, write, key), key);
    }
    long CreateKey(RegRoot root, std::string_view path,
                   std::unique_ptr<RegistryKey>& key) override {
        std::unique_ptr<RegistryKey> existing;
        if (inner_.OpenKey(root, path, false, existing) != regError::kSuccess) Write();
        return Wrap(inner_.CreateKey(root, path, key), key);
    }
    long DeleteTree(RegRoot root, std::string_view path) override {
        Write();
        return inner_.DeleteTree(root, path);
    }
    void Crash() {
        if (onCrash) onCrash();
        throw SimulatedCrash{};
    }

    std::optional<int> crashAt;
    std::function<void()> onCrash;
    int writes = 0;

  private:
    struct Key : RegistryKey {
        Key(CrashingStore& s, std::unique_ptr<RegistryKey> k) : store(s), inner(std::move(k)) {}
        long QueryValue(std::string_view n, RegValue& v) override {
            return inner->QueryValue(n, v);
        }
        long SetValue(std::string_view n, const RegValue& v) override {
            store.Write();
            return inner->SetValue(n, v);
        }
        long DeleteValue(std::string_view n) override {
            store.Write();
            return inner->DeleteValue(n);
        }
        long EnumSubKeys(std::vector<std::string>& n) override { return inner->EnumSubKeys(n); }
        long EnumValues(std::vector<std::string>& n) override { return inner->EnumValues(n); }
        CrashingStore& store;
        std::unique_ptr<RegistryKey> inner;
    };
    long Wrap(long rc, std::unique_ptr<RegistryKey>& key) {
        if (rc == regError::kSuccess) key = std::make_unique<Key>(*this, std::move(key));
        return rc;
    }
    void Write() {
        if (crashAt && writes == *crashAt) Crash();
        ++writes;
    }

    RegistryStore& inner_;
};

class GameStarter : public FakeProcessStarter {
  public:
    std::function<void()> whileRunning;
    void WaitForProcess(const ProcessHandle& process) override {
        FakeProcessStarter::WaitForProcess(process);
        if (whileRunning) whileRunning();
    }
};

class FixedClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "2026-12-08"; }
    std::string LongTime() const override { return "09:30:15"; }
};

const char* const kTitle = "Quake III: Arena";
const char* const kDone = "\tDriver settings restored; launch journal removed.";

// One program directory and one board in an in-memory registry; launches and start-up
// recoveries run on them as separate runs of the program would.
class JournalTest : public ::testing::Test {
  protected:
    JournalTest() {
        FlushFileReplacements(false);
        Settings("ResetSettings=1");
        IniFile gameDat(dir.File("Game.dat"));
        gameDat.WriteString(kTitle, "Run", "C:\\Games\\Quake3\\quake3.exe");
        for (const TweakRow& row : TweakCatalogue()) {
            gameDat.WriteString(kTitle, row.Key, EveryTweakChanged()[row.Field]);
        }
        gameDat.WriteString("Tool", "Run", "INTERNAL");
    }
    ~JournalTest() override { FlushFileReplacements(true); }

    void Settings(const std::string& line) {
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + line + "\r\n");
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

    // A list launch as the running program makes it, the registry reached through `store`.
    void Launch(RegistryStore& store, GameStarter& starter, const std::string& title = kTitle) {
        TRegistryEnhanced reg(store);
        TweakContext context{reg, log, driver};
        IniFile gameDat(dir.File("Game.dat"));
        const ProgramSettings settings(dir.Path());
        TExecFile exec(starter);
        LaunchJournal journal(dir.Path(), clock);
        GameLauncher(gameDat, settings, log, prompts, context, exec, &journal).ListLaunch(title);
    }
    // A launch that dies at write `crashAt` (none: while the game runs); afterwards the
    // program directory holds what the dead launcher left in it.
    void CrashedLaunch(std::optional<int> crashAt) {
        CrashingStore crashing(memory);
        crashing.crashAt = crashAt;
        std::optional<std::string> journalAtCrash;
        crashing.onCrash = [&] {
            if (FileExistsAt(JournalPath())) journalAtCrash = ReadFileBytes(JournalPath());
        };
        GameStarter game;
        if (!crashAt) game.whileRunning = [&] { crashing.Crash(); };
        EXPECT_THROW(Launch(crashing, game), SimulatedCrash);
        ASSERT_TRUE(journalAtCrash.has_value()) << "the launch had no journal";
        WriteFileBytes(JournalPath(), *journalAtCrash);
    }
    // The next start's recovery through `store`, answering the box with `yes`.
    void Recover(bool yes, RegistryStore* store = nullptr) {
        TRegistryEnhanced reg(store ? *store : memory);
        TweakContext context{reg, log, driver};
        LaunchJournal journal(dir.Path(), clock);
        prompts.shown.clear();
        prompts.answers = {yes};
        RecoverInterruptedLaunch(journal, context, prompts);
    }

    std::string JournalPath() const { return dir.File(LaunchJournal::kFileName); }

    TempDir dir;
    FixedClock clock;
    MemoryRegistry memory;
    DriverState driver;
    RecordingLog log;
    FakePrompts prompts;
};

std::string EveryByte() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

}  // namespace

// Any data a registry value or a title may hold comes back byte for byte from a file of
// printable lines.
TEST(JournalFormat, EveryRecordComesBackByteForByte) {
    for (JournalPhase phase :
         {JournalPhase::Applying, JournalPhase::Running, JournalPhase::Restoring}) {
        SCOPED_TRACE(static_cast<int>(phase));
        JournalRecord record{phase, "System\\Services\\3dfx", "Caf\xe9 100% = \"fun\"\r\n [x]",
                             "08.12.2026 09:30:15"};
        record.Previous = {"DISABLE", "ENABLE", "1.30", "", "2.00 ", "65", "", "%", "=", " "};
        if (phase != JournalPhase::Running) {
            record.Snapshot.Keys = {
                {"Glide",
                 {{"", RegValue::Text("default")},
                  {"Odd name =%", {RegType::String, EveryByte()}},
                  {"Count", RegValue::Dword(0xFFFFFFFFu)},
                  {"Blob", {RegType::Binary, std::string("\0\x01\xff", 3)}},
                  {"Strange type", {static_cast<RegType>(0x7FFFFFFF), ""}}}},
                {"Glide\\AA Demo Key 100%", {{"Tweak Value", RegValue::Text("FX_X")}}},
                {"D3D", {}},
            };
        }
        const std::string bytes = FormatJournal(record);
        for (char c : bytes) ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');
        JournalProblem problem = JournalProblem::Damaged;
        const auto parsed = ParseJournal(bytes, &problem);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(problem, JournalProblem::None);
        EXPECT_EQ(*parsed, record);
        EXPECT_EQ(FormatJournal(*parsed), bytes);
    }
}

// A journal that cannot be used is renamed beside the program (never over an earlier
// one) and logged; nothing is asked and nothing reaches the driver.
TEST_F(JournalTest, AJournalThatCannotBeUsedIsSetAsideAndNeverApplied) {
    LoadBoard(BoardScenarios()[2]);
    CrashedLaunch(5);  // a real journal of this board, which would put the tree back
    const std::string good = ReadFileBytes(JournalPath());
    const RegistrySnapshot atCrash = Tree();
    const auto edited = [&](const std::string& from, const std::string& to) {
        std::string bytes = good;
        return bytes.replace(bytes.find(from), from.size(), to);
    };
    JournalProblem problem;
    JournalRecord otherDriver = *ParseJournal(good, &problem);
    otherDriver.DriverKey += "1";
    struct Case {
        std::string name, bytes, why;
    };
    std::vector<Case> cases = {
        {"empty", "", "is damaged"},
        {"other driver", FormatJournal(otherDriver), "belongs to another driver"},
        {"newer", edited("Version=1", "Version=7"), "is of a newer version"},
        {"version 0", edited("Version=1", "Version=0"), "is damaged"},
        {"changed", edited("Phase=Applying", "Phase=Applyinh"), "is damaged"},
    };
    for (size_t size = 1; size < good.size(); ++size) {
        cases.push_back({"cut at " + std::to_string(size), good.substr(0, size), "is damaged"});
    }

    CrashingStore counting(memory);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        WriteFileBytes(JournalPath(), c.bytes);
        log.lines.clear();
        Recover(true, &counting);
        EXPECT_EQ(counting.writes, 0);
        EXPECT_THAT(prompts.shown, IsEmpty());
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        // The first ones stay side by side; the cut ones come and go one at a time.
        const std::string aside =
            JournalPath() + ".bad" + std::to_string(std::min<size_t>(i, 5) + 1);
        EXPECT_EQ(ReadFileBytes(aside), c.bytes);
        EXPECT_THAT(log.lines, ElementsAre(HasSubstr(c.why),
                                           "\tRenamed to " + aside + "; nothing was restored."));
        if (i >= 5) std::remove(aside.c_str());
    }
    EXPECT_EQ(DescribeDifferences(atCrash, Tree()), "");
}

// Only a launch that is going to restore writes a journal, and its normal end removes it.
TEST_F(JournalTest, OnlyARestoringLaunchKeepsAJournalAndANormalEndRemovesIt) {
    LoadBoard(BoardScenarios()[1]);
    const struct {
        const char* title;
        const char* settings;
        bool journal;
    } cases[] = {{kTitle, "ResetSettings=1", true},
                 {kTitle, "ResetSettings=0", false},
                 {"Tool", "ResetSettings=1", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + c.settings);
        Settings(c.settings);
        CrashingStore store(memory);
        store.onCrash = [&] { EXPECT_EQ(FileExistsAt(JournalPath()), c.journal); };
        store.crashAt = 0;  // looks at the disk at the first write, then dies
        GameStarter never;
        EXPECT_THROW(Launch(store, never, c.title), SimulatedCrash);
        EXPECT_FALSE(FileExistsAt(JournalPath()));

        std::optional<JournalRecord> seen;
        GameStarter game;
        game.whileRunning = [&] {
            JournalProblem problem;
            if (FileExistsAt(JournalPath()))
                seen = ParseJournal(ReadFileBytes(JournalPath()), &problem);
        };
        Launch(memory, game, c.title);
        EXPECT_FALSE(FileExistsAt(JournalPath()));
        EXPECT_EQ(seen.has_value(), c.journal);
        if (!seen) continue;
        EXPECT_EQ(seen->Phase, JournalPhase::Running);
        EXPECT_EQ(seen->Started, "2026-12-08 09:30:15");
        EXPECT_EQ(seen->DriverKey, driver.DriverKey);
    }
}

// The launcher dies at each single registry write of a launch, and once while the game
// runs; the next start recovers with the journal left on disk. Before the game was
// started the driver gets back the tree it had before the launch; after that, the tree a
// normal end of the game leaves.
TEST_F(JournalTest, ALaunchCutShortAnywhereIsRecoveredOnEveryBoard) {
    for (const BoardScenario& board : BoardScenarios()) {
        for (bool withoutD3D : {false, true}) {
            SCOPED_TRACE(board.fixture + (withoutD3D ? " without D3D" : ""));
            LoadBoard(board, withoutD3D);
            const RegistrySnapshot before = Tree();
            CrashingStore counted(memory);
            int writesBeforeGame = -1;
            GameStarter normal;
            normal.whileRunning = [&] { writesBeforeGame = counted.writes; };
            Launch(counted, normal);
            const RegistrySnapshot normalEnd = Tree();
            ASSERT_GT(writesBeforeGame, 0);
            ASSERT_GT(counted.writes, writesBeforeGame);

            // n == writes: the crash comes while the game runs.
            for (int n = 0; n <= counted.writes; ++n) {
                SCOPED_TRACE("crash at write " + std::to_string(n));
                LoadBoard(board, withoutD3D);
                CrashedLaunch(n < counted.writes ? std::optional<int>(n) : std::nullopt);
                log.lines.clear();
                Recover(true);
                const bool started = n >= writesBeforeGame;
                ASSERT_EQ(DescribeDifferences(started ? normalEnd : before, Tree()), "");
                EXPECT_FALSE(FileExistsAt(JournalPath()));
                EXPECT_EQ(prompts.shown.size(), 1u);
                EXPECT_EQ(log.lines.back(), kDone);
            }
        }
    }
}

TEST_F(JournalTest, TheUserIsAskedAndNoLeavesTheGameValues) {
    LoadBoard(BoardScenarios()[2]);
    CrashedLaunch(std::nullopt);
    const RegistrySnapshot whileRunning = Tree();
    log.lines.clear();
    Recover(false);
    EXPECT_EQ(DescribeDifferences(whileRunning, Tree()), "");
    EXPECT_FALSE(FileExistsAt(JournalPath()));
    EXPECT_THAT(prompts.shown,
                ElementsAre(FakePrompts::Prompt{
                    "Confirm",
                    "The launcher was closed before \"Quake III: Arena\" (launched 2026-12-08 "
                    "09:30:15) ended, so the driver may still hold that game's settings.\n\n"
                    "Do you want to restore the previous driver settings?"}));
    EXPECT_THAT(log.lines, ElementsAre("Driver settings left by \"Quake III: Arena\" (launched "
                                       "2026-12-08 09:30:15) kept; launch journal removed."));
    Recover(true);  // nothing is left to ask about
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
        SCOPED_TRACE("recovery dies at write " + std::to_string(n));
        LoadBoard(board);
        CrashedLaunch(std::nullopt);
        CrashingStore recovering(memory);
        recovering.crashAt = n;
        std::string journalAtCrash;
        recovering.onCrash = [&] { journalAtCrash = ReadFileBytes(JournalPath()); };
        try {
            Recover(true, &recovering);
        } catch (const SimulatedCrash&) {
            WriteFileBytes(JournalPath(), journalAtCrash);
            Recover(true);
            ASSERT_EQ(DescribeDifferences(normalEnd, Tree()), "");
            continue;
        }
        ASSERT_EQ(DescribeDifferences(normalEnd, Tree()), "");
        ASSERT_GT(n, 10) << "the recovery wrote too little to be cut short";
        break;  // past the recovery's last write
    }
}
