#include "app/launch_sequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "core/errors.h"
#include "platform/memory_registry.h"
#include "support/fake_process_starter.h"
#include "support/fake_prompts.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"

using namespace pallisar;
using namespace pallisar::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

const char* const kDriverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

// The three kinds of launch, for tests that hold for each.
const std::pair<const char*, LaunchOutcome (GameLauncher::*)(const GameEntry&)> kLaunches[] = {
    {"list", &GameLauncher::ListLaunch},
    {"tray", &GameLauncher::TrayLaunch},
    {"/RUN", &GameLauncher::CommandLineLaunch},
};

// Records what the driver keys hold while the "game" runs (during the wait).
class GameStarter : public FakeProcessStarter {
  public:
    std::function<void()> onStart;
    std::function<void()> whileRunning;
    ProcessStartResult StartProcess(const ProcessStart& start) override {
        if (onStart) onStart();
        return FakeProcessStarter::StartProcess(start);
    }
    void WaitForProcess(const ProcessHandle& process) override {
        FakeProcessStarter::WaitForProcess(process);
        if (whileRunning) whileRunning();
    }
    bool WaitForProcessOrMessage(const ProcessHandle& process) override {
        const bool ended = FakeProcessStarter::WaitForProcessOrMessage(process);
        if (ended && whileRunning) whileRunning();
        return ended;
    }
};

// Notes how many log lines were written when each box came up.
class BoxPrompts : public FakePrompts {
  public:
    explicit BoxPrompts(const RecordingLog& log) : log_(log) {}
    void ShowInformation(const std::string& message) override {
        linesAtBox.push_back(log_.lines.size());
        FakePrompts::ShowInformation(message);
    }
    std::vector<size_t> linesAtBox;

  private:
    const RecordingLog& log_;
};

class LaunchTest : public ::testing::Test {
  protected:
    LaunchTest() {
        driver.DriverKey = kDriverKey;
        driver.SliMode = "DualChipAASLI";
        Set("Glide", "FX_GLIDE_SWAPINTERVAL", "0");
        Set("Glide", "SSTH3_RGAMMA", "1.10");
        Set("Glide", "FX_GLIDE_AA_TOGGLE_KEY", "123");
        Set("D3D", "SSTH3_RGAMMA", "1.20");
        Settings("ResetSettings=1");
        WriteFileBytes(dir.File("Game.dat"),
                       "[Quake]\r\nRun=C:\\Games\\Quake\\quake.exe\r\nParams=-fast\r\n"
                       "VSynch=Enable\r\nRGamma=2.00\r\nglAAToggle=F12\r\nSplash=Disable\r\n"
                       "[Solo]\r\nRun=C:\\Solo\\solo.exe\r\nGameOnly=1\r\nRGamma=3.00\r\n"
                       "[Tune]\r\nRun=internal\r\nRGamma=0.50\r\n"
                       "[Broken]\r\nRun=C:\\Broken\\b.exe\r\nLODBias=abc\r\n");
        starter.whileRunning = [this] {
            heldWhileRunning = {store.OpenHandles(), log.openBursts};
            during = Glide();
        };
    }

    void Settings(const std::string& program) {
        WriteFileBytes(dir.File("settings.cfg"),
                       "[Program]\r\nVersion=1.01\r\n" + program + "\r\n");
    }
    void Set(const std::string& group, const std::string& name, const std::string& value) {
        reg.RootKey = TRootKey::hkLocalMachine;
        reg.Key = std::string(kDriverKey) + "\\" + group;
        reg.WriteValue(name, value);
    }
    std::string Get(const std::string& group, const std::string& name) {
        reg.RootKey = TRootKey::hkLocalMachine;
        reg.Key = std::string(kDriverKey) + "\\" + group;
        return reg.ReadValueDefault(name, "<absent>");
    }
    // The Glide values a test looks at.
    std::map<std::string, std::string> Glide() {
        std::map<std::string, std::string> values;
        for (const char* name : {"FX_GLIDE_SWAPINTERVAL", "SSTH3_RGAMMA", "FX_GLIDE_AA_TOGGLE_KEY",
                                 "FX_GLIDE_NO_SPLASH"})
            values[name] = Get("Glide", name);
        return values;
    }
    // The entry as the main window hands it to a launch.
    GameEntry Entry(const std::string& title) const { return LoadGameEntry(gameDat, title); }
    std::vector<std::string> LinesFrom(const std::string& first) const {
        auto it = std::find(log.lines.begin(), log.lines.end(), first);
        return {it, log.lines.end()};
    }
    bool Waited() const {
        return std::any_of(starter.events.begin(), starter.events.end(), [](const std::string& e) {
            return e.rfind("wait", 0) == 0 || e == "ended?";
        });
    }

    TempDir dir;
    IniFile gameDat{dir.File("Game.dat")};
    ProgramSettings settings{dir.Path()};
    MemoryRegistry store;
    ValueRefusingStore refusing{store};
    TRegistryEnhanced reg{refusing};
    RecordingLog log;
    BoxPrompts prompts{log};
    DriverState driver;
    TweakContext tweaks{reg, log, driver};
    GameStarter starter;
    TExecFile exec{starter};
    GameLauncher launcher{settings, log, prompts, tweaks, exec};
    std::map<std::string, std::string> during;
    // Registry keys and log bursts still open when the game was started.
    std::pair<int, int> heldWhileRunning{-1, -1};
};

}  // namespace

TEST_F(LaunchTest, ListLaunchWritesTheGameValuesWaitsAndPutsThePreviousOnesBack) {
    const auto before = Glide();
    launcher.ListLaunch(Entry("Quake"));

    EXPECT_EQ(log.lines.front(), "Quake selected.");
    EXPECT_THAT(log.lines, Contains("Loading Enviroment Settings..."));
    EXPECT_THAT(
        LinesFrom("Running Shortcut \"Quake\""),
        ElementsAre("Running Shortcut \"Quake\"", "\tCommand String - C:\\Games\\Quake\\quake.exe",
                    "\tCommand Paramaters - -fast", "\tQuake terminated."));
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].commandLine, "C:\\Games\\Quake\\quake.exe -fast");
    EXPECT_EQ(starter.starts[0].currentDir, "C:\\Games\\Quake\\");
    EXPECT_TRUE(Waited());

    // While the game ran it saw its own values ...
    EXPECT_EQ(during.at("SSTH3_RGAMMA"), "2.00");
    EXPECT_EQ(during.at("FX_GLIDE_SWAPINTERVAL"), "<absent>");  // VSynch Enable deletes it
    EXPECT_EQ(during.at("FX_GLIDE_AA_TOGGLE_KEY"), "123");      // F12
    EXPECT_EQ(during.at("FX_GLIDE_NO_SPLASH"), "1");
    // ... and afterwards the recorded ones are back. The splash variable is not part
    // of the record: it keeps the game's choice.
    auto expected = before;
    expected["FX_GLIDE_NO_SPLASH"] = "1";
    EXPECT_EQ(Glide(), expected);
    EXPECT_EQ(Get("D3D", "SSTH3_RGAMMA"), "1.20");
    // Nothing of the launcher's is held open while the game runs, nor afterwards.
    EXPECT_EQ(heldWhileRunning, std::make_pair(0, 0));
    EXPECT_EQ(store.OpenHandles(), 0);
    EXPECT_EQ(log.openBursts, 0);
}

TEST_F(LaunchTest, WithoutRestoreTheLauncherNeitherWaitsNorRestores) {
    Settings("ResetSettings=0");
    launcher.ListLaunch(Entry("Quake"));
    EXPECT_FALSE(Waited());
    EXPECT_EQ(log.lines.back(), "\tQuake terminated.");
    EXPECT_EQ(log.lines[log.lines.size() - 2], "\tCommand Paramaters - -fast");
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "2.00");
    EXPECT_EQ(Get("Glide", "FX_GLIDE_SWAPINTERVAL"), "<absent>");
}

TEST_F(LaunchTest, GameOnlyFromTheListLeavesTheDriverAlone) {
    launcher.ListLaunch(Entry("Solo"));
    EXPECT_THAT(
        log.lines,
        ElementsAre("Solo selected.",
                    "Running application in \"GAME ONLY\" mode. No settings will be adjusted.",
                    "Running Shortcut \"Solo\"", "\tCommand String - C:\\Solo\\solo.exe",
                    "\tCommand Paramaters - ", "\tSolo terminated."));
    EXPECT_EQ(during.at("SSTH3_RGAMMA"), "1.10");
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].commandLine, "C:\\Solo\\solo.exe ");  // empty Params: one space
    // With restoring on the launcher still waits for the game, though nothing follows.
    EXPECT_TRUE(Waited());
}

TEST_F(LaunchTest, GameOnlyFromTheTrayIsLaunchedWithItsTweaks) {
    launcher.TrayLaunch(Entry("Solo"));
    EXPECT_EQ(during.at("SSTH3_RGAMMA"), "3.00");
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "1.10");  // restored afterwards
    EXPECT_THAT(log.lines, Not(Contains("Solo selected.")));
}

TEST_F(LaunchTest, ConfigOnlyWritesTheTweaksAndStartsNothing) {
    launcher.ListLaunch(Entry("Tune"));
    EXPECT_THAT(prompts.shown, ElementsAre(FakePrompts::Prompt{"Information", "Tune Loaded"}));
    EXPECT_EQ(log.lines.back(), "Config Only option loaded - Tune");
    // The box comes after the tweaks were written and before that last line.
    EXPECT_THAT(prompts.linesAtBox, ElementsAre(log.lines.size() - 1));
    EXPECT_THAT(starter.starts, IsEmpty());
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "0.50");  // written and left in place

    log.lines.clear();
    Set("Glide", "SSTH3_RGAMMA", "1.10");
    launcher.TrayLaunch(Entry("Tune"));
    EXPECT_EQ(prompts.shown.size(), 1u);  // the tray shows no box
    EXPECT_EQ(log.lines.back(), "Config Only option loaded - Tune");
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "0.50");
}

TEST_F(LaunchTest, RestoringIsDecidedAgainAfterTheGameAndOnlyWhatThisLaunchRecordedGoesBack) {
    // Switched off while the game runs: the game's values stay in the driver.
    starter.whileRunning = [this] {
        during = Glide();
        Settings("ResetSettings=0");
    };
    launcher.ListLaunch(Entry("Quake"));
    EXPECT_TRUE(Waited());
    EXPECT_EQ(during.at("SSTH3_RGAMMA"), "2.00");
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "2.00");
    EXPECT_EQ(Get("Glide", "FX_GLIDE_SWAPINTERVAL"), "<absent>");

    // Switched on once a launch that records nothing has started its game: the older
    // launch's record must not be written back.
    starter.events.clear();
    starter.onStart = [this] { Settings("ResetSettings=1"); };
    launcher.TrayLaunch(Entry("Solo"));
    EXPECT_FALSE(Waited());
    EXPECT_EQ(log.lines.back(), "\tSolo terminated.");
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "3.00");
    EXPECT_EQ(Get("D3D", "SSTH3_RGAMMA"), "3.00");
}

TEST_F(LaunchTest, AProgramThatCannotStartIsSilentAndTheDriverIsRestoredAtOnce) {
    starter.createErrors = {2};
    const auto before = Glide();
    launcher.ListLaunch(Entry("Quake"));
    EXPECT_THAT(prompts.shown, IsEmpty());
    EXPECT_THAT(
        LinesFrom("Running Shortcut \"Quake\""),
        ElementsAre("Running Shortcut \"Quake\"", "\tCommand String - C:\\Games\\Quake\\quake.exe",
                    "\tCommand Paramaters - -fast", "\tQuake terminated."));
    EXPECT_FALSE(Waited());
    EXPECT_EQ(Glide().at("SSTH3_RGAMMA"), before.at("SSTH3_RGAMMA"));
    EXPECT_EQ(Glide().at("FX_GLIDE_SWAPINTERVAL"), before.at("FX_GLIDE_SWAPINTERVAL"));
}

// A value that cannot be written stops every kind of launch before the driver is
// touched: nothing is recorded, written or started.
TEST_F(LaunchTest, ALodBiasThatIsNoNumberStopsTheLaunchWithTheDriverAsItWas) {
    const ValueMap before = ReadValueTree(store, kDriverKey);
    for (const auto& [name, launch] : kLaunches) {
        SCOPED_TRACE(name);
        try {
            (launcher.*launch)(Entry("Broken"));
            ADD_FAILURE() << "no error raised";
        } catch (const ConvertError& e) {
            EXPECT_STREQ(e.what(), "'ABC' is not a valid floating point value");
        }
        EXPECT_EQ(ReadValueTree(store, kDriverKey), before);
        EXPECT_THAT(starter.starts, IsEmpty());
        // The error leaves no key and no log burst open behind it.
        EXPECT_EQ(store.OpenHandles(), 0);
        EXPECT_EQ(log.openBursts, 0);
    }
}

// Refused driver values do not stop the launch; it reports how many of the game's
// settings they belong to, and why.
TEST_F(LaunchTest, RefusedDriverValuesAreCountedBySettingInTheLaunchesReport) {
    for (const auto& [name, launch] : kLaunches) {
        SCOPED_TRACE(name);
        // One value of one setting, and the value of another in each group.
        refusing.refused = {"FX_GLIDE_BPP", "SSTH3_ALPHADITHERMODE"};
        starter.starts.clear();
        EXPECT_EQ((launcher.*launch)(Entry("Quake")).status,
                  "2 of 24 driver settings could not be written: Access is denied.");
        EXPECT_EQ(starter.starts.size(), 1u);
        refusing.refused.clear();
        EXPECT_EQ((launcher.*launch)(Entry("Quake")).status, "");
    }
}

TEST_F(LaunchTest, CommandLineLaunchNeitherRecordsNorRestores) {
    launcher.CommandLineLaunch(Entry("Quake"));
    EXPECT_TRUE(Waited());                            // ResetSettings on: it waits ...
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "2.00");  // ... but puts nothing back
    EXPECT_THAT(log.lines, Not(Contains("Quake selected.")));
}

TEST_F(LaunchTest, AnUnknownTitleWritesTheDefaultsAndStartsNothingUseful) {
    launcher.ListLaunch(Entry("No Such Game"));
    const std::string glideGamma =
        std::string("\tSet Value: ") + kDriverKey + "\\Glide : \"SSTH3_RGAMMA\" = 1.30";
    EXPECT_THAT(log.lines, Contains(glideGamma));  // the default was written
    EXPECT_THAT(LinesFrom("Running Shortcut \"No Such Game\""),
                ElementsAre("Running Shortcut \"No Such Game\"", "\tCommand String - ",
                            "\tCommand Paramaters - ", "\tNo Such Game terminated."));
    EXPECT_EQ(Get("Glide", "SSTH3_RGAMMA"), "1.10");  // restored at once
}

// A launch works from the entry it is given, read once when the user asked for the
// launch: Game.dat changed after that reaches neither the driver nor the start.
TEST_F(LaunchTest, EveryLaunchTakesItsValuesFromTheEntryItIsGiven) {
    const std::string catalogue = ReadFileBytes(dir.File("Game.dat"));
    for (const auto& [name, launch] : kLaunches) {
        SCOPED_TRACE(name);
        WriteFileBytes(dir.File("Game.dat"), catalogue);
        const GameEntry quake = Entry("Quake");
        WriteFileBytes(dir.File("Game.dat"),
                       "[Quake]\r\nRun=C:\\Other\\o.exe\r\nParams=-slow\r\nGameOnly=1\r\n"
                       "RGamma=3.00\r\n");
        starter.starts.clear();
        log.lines.clear();
        (launcher.*launch)(quake);
        ASSERT_EQ(starter.starts.size(), 1u);
        EXPECT_EQ(starter.starts[0].commandLine, "C:\\Games\\Quake\\quake.exe -fast");
        EXPECT_EQ(during.at("SSTH3_RGAMMA"), "2.00");
        EXPECT_EQ(log.lines.back(), "\tQuake terminated.");
    }
}

// List and tray launches (Game Only too) follow the programs the game starts, unless
// the entry says FollowStartedPrograms=0; /RUN waits for its program alone, as before.
TEST_F(LaunchTest, ListAndTrayLaunchesFollowTheProgramsTheGameStarts) {
    WriteFileBytes(dir.File("Game.dat"),
                   ReadFileBytes(dir.File("Game.dat")) +
                       "[Own]\r\nRun=C:\\Own\\own.exe\r\nFollowStartedPrograms=0\r\n");
    starter.followJoins = {{"GAME.EXE", "SETUP.EXE"}};
    starter.followMeans = "job object";
    const std::vector<std::string> followed = {"\tAlso waiting for GAME.EXE, started by SETUP.EXE.",
                                               "\tEvery program started for Quake has ended "
                                               "(followed by job object).",
                                               "\tQuake terminated."};
    struct Case {
        const char* name;
        std::function<void()> launch;
        bool follows;
        std::vector<std::string> lastLines;
    };
    const Case cases[] = {
        {"list", [&] { launcher.ListLaunch(Entry("Quake")); }, true, followed},
        {"tray", [&] { launcher.TrayLaunch(Entry("Quake")); }, true, followed},
        {"Game Only",
         [&] { launcher.ListLaunch(Entry("Solo")); },
         true,
         {"\tAlso waiting for GAME.EXE, started by SETUP.EXE.",
          "\tEvery program started for Solo has ended (followed by job object).",
          "\tSolo terminated."}},
        {"setting off", [&] { launcher.ListLaunch(Entry("Own")); }, false, {"\tOwn terminated."}},
        {"/RUN",
         [&] { launcher.CommandLineLaunch(Entry("Quake")); },
         false,
         {"\tQuake terminated."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        starter.starts.clear();
        log.lines.clear();
        c.launch();
        ASSERT_EQ(starter.starts.size(), 1u);
        EXPECT_EQ(starter.starts[0].followStarted, c.follows);
        ASSERT_GE(log.lines.size(), c.lastLines.size());
        EXPECT_EQ(std::vector<std::string>(log.lines.end() - c.lastLines.size(), log.lines.end()),
                  c.lastLines);
        EXPECT_FALSE(launcher.Waiting());
    }
}

// Stop Waiting during the wait: the launch ends its wait at once, says so, and puts
// the driver back.
TEST_F(LaunchTest, StoppingTheWaitRestoresAtOnceAndSaysSo) {
    const auto before = Glide();
    std::vector<bool> waitingSeen;
    launcher.OnWaitingChanged = [&] { waitingSeen.push_back(launcher.Waiting()); };
    starter.runningPolls = 1000;  // the game and its helpers never end
    starter.messages = {{MessageStep::kDispatched, 0}};
    starter.onDispatch = [&] { launcher.StopWaiting(); };
    launcher.ListLaunch(Entry("Quake"));
    EXPECT_EQ(waitingSeen, (std::vector<bool>{true, false}));
    EXPECT_THAT(LinesFrom("Running Shortcut \"Quake\""),
                testing::IsSupersetOf(
                    {"\tStopped waiting for Quake at the user's request.", "\tQuake terminated."}));
    EXPECT_EQ(log.lines.back(), "\tQuake terminated.");
    auto expected = before;
    expected["FX_GLIDE_NO_SPLASH"] = "1";
    EXPECT_EQ(Glide(), expected);
    EXPECT_FALSE(launcher.Waiting());
}

TEST(FindEntryByRunPath, MatchesWithoutRegardToCaseOrQuotesAndTheLastMatchWins) {
    TempDir dir;
    WriteFileBytes(dir.File("Game.dat"),
                   "[First]\r\nRun=C:\\Games\\Doom\\doom.exe\r\n"
                   "[Other]\r\nRun=C:\\Other\\o.exe\r\n"
                   "[Second]\r\nRun=c:\\games\\DOOM\\doom.exe\r\n");
    IniFile gameDat(dir.File("Game.dat"));
    EXPECT_EQ(FindEntryByRunPath(gameDat, "C:\\GAMES\\doom\\DOOM.EXE").Title, "Second");
    EXPECT_EQ(FindEntryByRunPath(gameDat, "\"c:\\other\\O.exe\"").Title, "Other");
    EXPECT_EQ(FindEntryByRunPath(gameDat, "C:\\Other").Title, "DUMMY");
    EXPECT_EQ(FindEntryByRunPath(gameDat, "").Title, "DUMMY");
}
