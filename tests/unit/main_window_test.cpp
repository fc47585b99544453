#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/program_settings.h"
#include "core/errors.h"
#include "core/text.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/fake_system_info.h"
#include "support/fake_window_host.h"
#include "support/icon_fixtures.h"
#include "support/recording_log.h"
#include "support/recording_shell_link.h"
#include "support/registry_seed.h"
#include "support/temp_dir.h"
#include "ui/command_ids.h"
#include "ui/state_report.h"

namespace pallisar {
namespace {

using test::FakeLaunches;
using test::FakePrompts;
using test::FakeSystemInfo;
using test::FakeWindowHost;
using test::RecordingLog;
using test::TempDir;
using test::WriteFileBytes;
using Strings = std::vector<std::string>;

class FixedClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "02/01/2024"; }
    std::string LongTime() const override { return "10:11:12"; }
};

class CountingIconFiles : public IconFileInfo {
  public:
    int NumberOfIcons(const std::string& fileName) override {
        const auto it = counts.find(fileName);
        return it == counts.end() ? -1 : it->second;
    }
    std::map<std::string, int> counts;
};

constexpr const char* kBoardId = "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01";
constexpr const char* kBoardName = "3dfx Voodoo5 5500 AGP";
constexpr const char* kStartLine = "Application Initialized - 02/01/2024 10:11:12";
constexpr const char* kStopLine = "Application Terminated - 02/01/2024 10:11:12";

class MainWindowTest : public testing::Test {
  protected:
    MainWindowTest() : system(true) {
        WriteSettings("[Program]\r\n");
        // What the log held when the tray icon went: FormClose removes it first.
        host.onCall = [this](const std::string& call) {
            if (call == "tray off") logLinesAtTrayOff = log.lines.size();
        };
    }

    // A Voodoo5 on the NT layout.
    void AddBoard() {
        const std::string key =
            std::string("SYSTEM\\ControlSet001\\Enum\\PCI\\") + kBoardId + "\\0";
        ASSERT_TRUE(test::SeedText(registry, key, "DeviceDesc", kBoardName));
        ASSERT_TRUE(test::SeedText(registry, key, "Service", "3dfxvs"));
        ASSERT_TRUE(test::SeedText(registry, key, "LocationInformation",
                                   "PCI bus 1, device 1, function 0"));
    }

    // `text` begins with [Program]; a current version stamp is added, so that no upgrade runs.
    void WriteSettings(const std::string& text) {
        WriteFileBytes(dir.File("settings.cfg"), text + "Version=1.01\r\n");
    }
    void WriteCatalogue(const std::string& text) { WriteFileBytes(dir.File("Game.dat"), text); }

    // The window with the recording host; launches are recorded among its calls.
    TfmMain& Make(Strings arguments = {}, TitleOrder order = {}) {
        host.calls.clear();
        form = std::make_unique<TfmMain>(
            MainWindowServices{dir.Path(), log, clock, prompts, session, system, icons, launches,
                               std::move(order), nullptr, dir.File("pallisar.exe"), &links},
            std::move(arguments));
        form->SetHost(&host);
        return *form;
    }

    Strings Events() const { return host.Actions(); }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(host.calls.begin(), host.calls.end(), call));
    }

    // Created and activated once, as the program starts.
    TfmMain& Start(Strings arguments = {}) {
        TfmMain& f = Make(std::move(arguments));
        f.FormCreate();
        f.FormActivate();
        return f;
    }

    size_t LogCount(const std::string& line) const {
        return std::count(log.lines.begin(), log.lines.end(), line);
    }

    TempDir dir;
    RecordingLog log;
    FixedClock clock;
    FakePrompts prompts;
    MemoryRegistry registry;
    Session session{registry, log};
    FakeSystemInfo system;
    CountingIconFiles icons;
    FakeWindowHost host;
    FakeLaunches launches{host.calls};
    test::RecordingShellLinkFactory links;
    std::unique_ptr<TfmMain> form;
    size_t logLinesAtTrayOff = 0;
};

TEST_F(MainWindowTest, CreationRunsItsStepsInOrder) {
    // No settings.cfg: the upgrade runs, on the open catalogue, before the list loads.
    std::filesystem::remove(dir.File("settings.cfg"));
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\nAAToggle=Enable\r\n");
    TfmMain& f = Make();
    size_t promptsAtLoad = 0;
    host.onCall = [&](const std::string& call) {
        if (call == "list loaded") promptsAtLoad = prompts.shown.size();
    };
    f.FormCreate();

    EXPECT_EQ(
        log.lines,
        (Strings{kStartLine, "Version 1.01", "Version 0.9 in settings.cfg is older then 1.01",
                 "Updated game.dat to version 1.01", "Updated settings.cfg to version 1.01"}));
    EXPECT_EQ(promptsAtLoad, 1u);
    EXPECT_EQ(IniFile(dir.File("Game.dat")).ReadString("Game", "glAAToggle", ""), "Num-Lock");
    EXPECT_EQ(ProgramSettings(dir.Path()).Version(), "1.01");
    ASSERT_EQ(f.Items().size(), 1u);
    EXPECT_TRUE(f.StartupPending());
    EXPECT_EQ(f.Caption(), "Pallisar Game Launcher");
    // The list is drawn once, and nothing else is asked of the view.
    EXPECT_EQ(host.calls, Strings{"list loaded"});

    // Now with a current stamp: no upgrade.
    log.lines.clear();
    prompts.shown.clear();
    Make().FormCreate();
    EXPECT_EQ(log.lines, (Strings{kStartLine, "Version 1.01"}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowTest, ListIsSortedByTheGivenCollationAtEveryLoad) {
    WriteCatalogue("[b]\r\nRun=C:\\b.exe\r\n[A]\r\nRun=C:\\a.exe\r\n[c]\r\nRun=C:\\c.exe\r\n");
    Make({}, [](std::string_view a, std::string_view b) { return CompareText(b, a); }).FormCreate();
    const auto captions = [&] {
        Strings list;
        for (const ListItem& item : form->Items()) list.push_back(item.Caption);
        return list;
    };
    EXPECT_EQ(captions(), (Strings{"c", "b", "A"}));
    WriteCatalogue("[b]\r\nRun=C:\\b.exe\r\n[D]\r\nRun=C:\\d.exe\r\n");
    form->ListViewKeyDown(kRefreshKey);
    EXPECT_EQ(captions(), (Strings{"D", "b"}));
    EXPECT_EQ(form->TrayPopup()[0].Caption, "D");
}

TEST_F(MainWindowTest, StoredViewStyleChoosesTheListStyleAndItsRadioItem) {
    const Strings names = {"miLargeIcons", "miSmallIcons", "miList", "miDetails"};
    for (int stored : {0, 1, 2, 3, 7, -1}) {
        SCOPED_TRACE(stored);
        WriteSettings("[Program]\r\nViewStyle=" + std::to_string(stored) + "\r\n");
        TfmMain& f = Make();
        f.FormCreate();
        const bool known = stored >= 0 && stored <= 3;
        EXPECT_EQ(f.GetViewStyle(), known ? static_cast<ViewStyle>(stored) : ViewStyle::vsIcon);
        for (int i = 0; i < 4; ++i) {
            const MenuItem* item = FindMenuItem(f.PopupMenu1().Items, names[i]);
            ASSERT_NE(item, nullptr);
            EXPECT_TRUE(item->RadioItem);
            EXPECT_EQ(item->Checked, known && i == stored) << names[i];
        }
    }
}

TEST_F(MainWindowTest, ViewStyleEntryTicksItselfAndIsStored) {
    WriteSettings("[Program]\r\nViewStyle=3\r\n");
    TfmMain& f = Make();
    f.FormCreate();
    f.ViewStyleClick(ViewStyle::vsList);
    EXPECT_EQ(f.GetViewStyle(), ViewStyle::vsList);
    EXPECT_TRUE(FindMenuItem(f.PopupMenu1().Items, "miList")->Checked);
    EXPECT_FALSE(FindMenuItem(f.PopupMenu1().Items, "miDetails")->Checked);
    EXPECT_EQ(IniFile(dir.File("settings.cfg")).ReadString("Program", "ViewStyle", ""), "2");
}

TEST_F(MainWindowTest, ApplicationIconComesFromPallisarIcoWhenItHoldsOne) {
    Make().FormCreate();
    EXPECT_FALSE(form->ApplicationIcon().has_value());

    WriteFileBytes(dir.File("pallisar.ico"), "x");
    Make().FormCreate();  // a file without icons: the built-in icon stays
    EXPECT_FALSE(form->ApplicationIcon().has_value());

    icons.counts[dir.File("pallisar.ico")] = 1;
    Make().FormCreate();
    EXPECT_EQ(form->ApplicationIcon(), (IconRef{dir.File("pallisar.ico"), 0}));
}

TEST_F(MainWindowTest, OptionsOkReloadsTheIconsAndAGoneIconFileMeansTheBuiltInOne) {
    WriteFileBytes(dir.File("pallisar.ico"), "x");
    icons.counts[dir.File("pallisar.ico")] = 1;
    TfmMain& f = Make();
    f.FormCreate();
    ASSERT_TRUE(f.ApplicationIcon().has_value());
    std::filesystem::remove(dir.File("pallisar.ico"));

    ASSERT_TRUE(f.Execute(IDM_EDIT_OPTIONS));  // cancelled: nothing reloaded
    EXPECT_EQ(Events(), Strings{"options"});
    host.onOptions = [](TfmOptions&) { return true; };
    ASSERT_TRUE(f.Execute(IDM_EDIT_OPTIONS));
    EXPECT_EQ(Events(), (Strings{"options", "options", "icons"}));
    EXPECT_FALSE(f.ApplicationIcon().has_value());
}

TEST_F(MainWindowTest, CardIsDetectedAtTheFirstActivationOnly) {
    AddBoard();
    TfmMain& f = Make();
    f.FormCreate();
    EXPECT_TRUE(session.Driver().DriverKey.empty());  // not at creation
    f.FormActivate();
    f.FormActivate();  // e.g. after a dialog closed
    f.FormActivate();

    EXPECT_EQ(f.Caption(), std::string("Pallisar Game Launcher - ") + kBoardName);
    EXPECT_EQ(session.Driver().DriverKey, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0");
    EXPECT_FALSE(f.StartupPending());
    EXPECT_EQ(LogCount(std::string("Voodoo PNP ID found : ") + kBoardId), 1u);
    EXPECT_FALSE(f.Closed());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(Events().empty());
}

TEST_F(MainWindowTest, NoCardShowsTheFatalErrorAndCloses) {
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    for (const Strings& args : {Strings{}, Strings{"/RUN", "C:\\g.exe"}, Strings{"/min"}}) {
        SCOPED_TRACE(args.empty() ? "no arguments" : args[0]);
        prompts.shown.clear();
        log.lines.clear();
        TfmMain& f = Start(args);

        EXPECT_EQ(
            prompts.shown,
            (std::vector<FakePrompts::Prompt>{{"Error", "FATAL ERROR: No Voodoo Card Found"}}));
        EXPECT_TRUE(f.Closed());
        EXPECT_EQ(f.Catalogue(), nullptr);
        // No launch and no minimising: the command line is not acted on.
        EXPECT_EQ(Events(), (Strings{"tray off", "close window"}));
        EXPECT_EQ(logLinesAtTrayOff, log.lines.size() - 1);
        EXPECT_EQ(log.lines.back(), kStopLine);
    }
}

TEST_F(MainWindowTest, MinSwitchMinimisesInAnyCase) {
    AddBoard();
    for (const char* first : {"/MIN", "/min", "/mIn"}) {
        SCOPED_TRACE(first);
        TfmMain& f = Start({first, "ignored"});
        EXPECT_EQ(Events(), Strings{"minimize"});
        EXPECT_FALSE(f.Closed());
    }
}

TEST_F(MainWindowTest, OtherArgumentsStartNormally) {
    AddBoard();
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    for (const Strings& args : {Strings{}, Strings{"-min"}, Strings{"min"}, Strings{"/RUN"},
                                Strings{"/run"}, Strings{"/minimise"}, Strings{"C:\\g.exe"}}) {
        SCOPED_TRACE(args.empty() ? "none" : args[0]);
        TfmMain& f = Start(args);
        EXPECT_TRUE(Events().empty());
        EXPECT_FALSE(f.Closed());
    }
}

TEST_F(MainWindowTest, RunSwitchLaunchesTheLastEntryWithThePathAndCloses) {
    AddBoard();
    WriteCatalogue(
        "[First]\r\nRun=C:\\Games\\Same.exe\r\n"
        "[Other]\r\nRun=C:\\Other\\o.exe\r\n"
        "[Second]\r\nRun=c:\\games\\SAME.EXE\r\n"
        "[Tool]\r\nRun=INTERNAL\r\n");
    struct Case {
        Strings args;
        std::string launched;
    };
    const Case cases[] = {
        {{"/RUN", "C:\\GAMES\\same.exe"}, "Second"},
        {{"/run", "\"c:\\games\\same.exe\""}, "Second"},  // quotes still on the path
        {{"/Run", "c:\\other\\O.EXE", "extra"}, "Other"},
        {{"/RUN", "internal"}, "Tool"},
        {{"/RUN", "C:\\Nowhere.exe"}, "DUMMY"},
        {{"/RUN", "\"\"C:\\Other\\o.exe\"\""}, "DUMMY"},  // only one pair of quotes counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        log.lines.clear();
        TfmMain& f = Start(c.args);
        EXPECT_EQ(Events(), (Strings{"minimize", "run " + c.launched, "tray off", "close window"}));
        EXPECT_EQ(logLinesAtTrayOff, log.lines.size() - 1);
        EXPECT_TRUE(f.Closed());
        EXPECT_EQ(log.lines.back(), kStopLine);
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST_F(MainWindowTest, RunSwitchShowsAnErrorThatEndsTheLaunchAndStillCloses) {
    AddBoard();
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    launches.action = [](const std::string&) { throw ConvertError("'X' is not a valid value"); };
    TfmMain& f = Start({"/RUN", "C:\\g.exe"});
    EXPECT_EQ(Events(),
              (Strings{"minimize", "error 'X' is not a valid value", "tray off", "close window"}));
    EXPECT_TRUE(f.Closed());
}

TEST_F(MainWindowTest, AboutShowsThirteenLinesEndedByCarriageReturns) {
    TfmMain& f = Make();
    ASSERT_TRUE(f.Execute(IDC_BTN_ABOUT));
    ASSERT_TRUE(f.Execute(IDM_HELP_ABOUT));
    ASSERT_EQ(prompts.shown.size(), 2u);
    const std::string& text = prompts.shown[0].message;
    EXPECT_EQ(prompts.shown[0].kind, "Message");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 13);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.substr(0, 38), "Pallisar Game Launcher\r\rVersion 1.01\r\r");
    EXPECT_NE(text.find("\rThis program is in no way affiliated with 3dfx\r"
                        "and is not supported by them (and only barely by me...)\r\r"),
              std::string::npos);
}

TEST_F(MainWindowTest, ClosingRemovesTheTrayIconLogsAndReleasesTheCatalogueOnce) {
    TfmMain& f = Make();
    f.FormCreate();
    f.btnExitClick();
    f.btnExitClick();
    f.FormClose();
    EXPECT_EQ(Events(), (Strings{"tray off", "close window"}));
    EXPECT_EQ(logLinesAtTrayOff, 2u);
    EXPECT_EQ(log.lines, (Strings{kStartLine, "Version 1.01", kStopLine}));
    EXPECT_EQ(f.Catalogue(), nullptr);
    f.LoadGameList();  // nothing to load from any more
    EXPECT_TRUE(f.Items().empty());
}

TEST_F(MainWindowTest, LaunchHandlersUseTheSelectedOrClickedTitle) {
    AddBoard();
    WriteCatalogue("[Beta]\r\nRun=C:\\b.exe\r\n[Alpha]\r\nRun=C:\\a.exe\r\n");
    TfmMain& f = Start();

    f.ListViewDblClick();  // nothing selected: nothing happens
    EXPECT_TRUE(Events().empty());
    f.btnRunClick();
    EXPECT_EQ(prompts.shown, (std::vector<FakePrompts::Prompt>{{"Error", "No Title Selected"}}));

    f.SetSelected(1);
    // What a launch reports shows in the status bar until the next launch.
    launches.outcome.status = "2 of 24 driver settings could not be written: Access is denied.";
    f.btnRunClick();
    EXPECT_EQ(f.StatusText(), launches.outcome.status);
    launches.outcome.status.clear();
    f.SetItemCaption(1, "Beta Edited");  // an in-place edit lasts until the next load
    f.ListViewDblClick();
    EXPECT_EQ(f.StatusText(), "");
    f.TrayPopupRun(0);
    f.TrayPopupRun(2);  // the fixed separator
    f.TrayPopupRun(99);
    EXPECT_EQ(Events(), (Strings{"list Beta", "list Beta Edited", "tray Alpha"}));

    f.SetSelected(5);
    EXPECT_EQ(f.Selected(), -1);
    f.miRestoreClick();
    EXPECT_EQ(Events().back(), "restore");
}

// While a launch waits for its game the window answers: Stop Waiting is enabled in the
// File menu and the tray menu, another launch is refused, and closing stops the wait
// first and closes once the launch has put the driver back.
TEST_F(MainWindowTest, WhileALaunchWaitsStopWaitingIsEnabledAndOnlyItEndsTheWait) {
    AddBoard();
    WriteCatalogue("[Beta]\r\nRun=C:\\b.exe\r\n");
    TfmMain& f = Start();
    const auto stopEnabled = [&] {
        return std::make_pair(f.FindCommand(IDM_FILE_STOP_WAITING)->Enabled,
                              f.FindCommand(IDM_TRAY_STOP_WAITING)->Enabled);
    };
    EXPECT_EQ(stopEnabled(), std::make_pair(false, false));
    std::vector<std::pair<bool, bool>> during;
    launches.action = [&](const std::string& what) {
        host.calls.push_back(what);
        launches.waiting = true;
        launches.OnWaitingChanged();
        during.push_back(stopEnabled());
        f.LoadGameList();  // a list loaded meanwhile keeps the tray item enabled
        during.push_back(stopEnabled());
        f.TrayPopupRun(0);  // refused
        EXPECT_TRUE(f.Execute(IDM_TRAY_STOP_WAITING));
        f.btnExitClick();  // stops the wait and waits for the launch to end
        EXPECT_FALSE(f.Closed());
        launches.waiting = false;
        launches.OnWaitingChanged();
    };
    f.SetSelected(0);
    f.btnRunClick();
    EXPECT_EQ(during, (std::vector<std::pair<bool, bool>>{{true, true}, {true, true}}));
    EXPECT_EQ(Count("list Beta"), 1);
    EXPECT_EQ(Count("tray Beta"), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].message,
              "A game is still running. Launch another once it has ended, or choose Stop "
              "Waiting first.");
    EXPECT_EQ(launches.stops, 2);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(stopEnabled(), std::make_pair(false, false));
}

TEST_F(MainWindowTest, CommandIdsReachTheirHandlers) {
    AddBoard();
    WriteCatalogue("[Beta]\r\nRun=C:\\b.exe\r\n[Tool]\r\nRun=INTERNAL\r\n");
    struct Case {
        int command;
        Strings events;  // what the handler asked for; {"unhandled"} when Execute refused
    };
    const Case cases[] = {
        {IDC_BTN_RUN, {"list Beta"}},
        {IDM_FILE_RUN, {"list Beta"}},
        {IDM_POPUP_RUN, {"list Beta"}},
        {IDM_TRAY_GAME_FIRST, {"tray Beta"}},
        {IDM_TRAY_GAME_FIRST + 1, {}},  // the separator before the Config Only entries
        {IDM_TRAY_GAME_FIRST + 2, {"tray Tool"}},
        {IDM_TRAY_GAME_FIRST + 4, {}},  // "&Restore" is no game
        {IDM_TRAY_RESTORE, {"restore"}},
        {IDM_POPUP_REFRESH, {}},
        {IDC_BTN_ADD_ICON, {"editor"}},
        {IDC_BTN_EDIT_GAME, {"editor"}},
        {IDM_FILE_EDIT, {"editor"}},
        {IDM_POPUP_DELETE, {}},  // answered No
        {IDM_TRAY_DUMMY, {"unhandled"}},
        {IDM_FILE_EXIT, {"tray off", "close window"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        TfmMain& f = Start();
        f.SetSelected(0);
        Strings events;
        if (!f.Execute(c.command)) events.push_back("unhandled");
        for (const std::string& e : Events()) events.push_back(e);
        EXPECT_EQ(events, c.events);
    }

    // Each View entry ticks itself and sets its style.
    TfmMain& f = Start();
    for (int command = IDM_VIEW_LARGE_ICONS; command <= IDM_VIEW_DETAILS; ++command) {
        EXPECT_TRUE(f.Execute(command));
        EXPECT_TRUE(f.FindCommand(command)->Checked);
        EXPECT_EQ(static_cast<int>(f.GetViewStyle()), command - IDM_VIEW_LARGE_ICONS);
    }
}

TEST_F(MainWindowTest, ListKeysReloadLaunchAndDeleteAsInExplorer) {
    AddBoard();
    WriteCatalogue("[Beta]\r\nRun=C:\\b.exe\r\n[Alpha]\r\nRun=C:\\a.exe\r\n");
    TfmMain& f = Start();
    // Without a selection Enter and Delete do nothing, and ask nothing.
    f.ListViewKeyDown(kLaunchKey);
    f.ListViewKeyDown(kDeleteKey);
    EXPECT_TRUE(Events().empty());
    EXPECT_TRUE(prompts.shown.empty());

    f.SetSelected(1);
    f.ListViewKeyDown(kLaunchKey);
    EXPECT_EQ(Events(), Strings{"list Beta"});
    prompts.answers = {false, true};
    f.ListViewKeyDown(kDeleteKey);  // answered No
    EXPECT_EQ(IniFile(dir.File("Game.dat")).ReadSections(), (Strings{"Beta", "Alpha"}));
    f.ListViewKeyDown(kDeleteKey);  // answered Yes
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(
                  2, {"Confirm", "Are you sure you want to delete this shortcut?"})));
    EXPECT_EQ(IniFile(dir.File("Game.dat")).ReadSections(), Strings{"Alpha"});
    ASSERT_EQ(f.Items().size(), 1u);

    // F5 reads Game.dat again; other keys do nothing.
    WriteCatalogue("[New Game]\r\nRun=C:\\n.exe\r\n");
    f.ListViewKeyDown(115);  // F4
    EXPECT_EQ(f.Items()[0].Caption, "Alpha");
    const int before = Count("list loaded");
    f.ListViewKeyDown(kRefreshKey);
    ASSERT_EQ(f.Items().size(), 1u);
    EXPECT_EQ(f.Items()[0].Caption, "New Game");
    EXPECT_EQ(Count("list loaded"), before + 1);
    EXPECT_EQ(Events(), Strings{"list Beta"});
}

TEST_F(MainWindowTest, StateReportShowsCaptionMenusAndList) {
    AddBoard();
    WriteSettings("[Program]\r\nViewStyle=1\r\n");
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n[Setup]\r\nRun=INTERNAL\r\n");
    system.systemDir = "C:\\SYS";
    TfmMain& f = Start();

    const std::string expected = std::string("caption=Pallisar Game Launcher - ") + kBoardName +
                                 "\n"
                                 "viewstyle=1\n"
                                 "[menu MainMenu1]\n"
                                 "item=&File\t\t-1\n"
                                 "item=&File > &New...\t\t-1\n"
                                 "item=&File > -\ts\t-1\n"
                                 "item=&File > &Run\t\t-1\n"
                                 "item=&File > Stop &Waiting\tg\t-1\n"
                                 "item=&File > &Edit...\t\t-1\n"
                                 "item=&File > Create &Shortcut...\t\t-1\n"
                                 "item=&File > -\ts\t-1\n"
                                 "item=&File > &Delete\t\t-1\n"
                                 "item=&File > -\ts\t-1\n"
                                 "item=&File > E&xit\t\t-1\n"
                                 "item=&Edit\t\t-1\n"
                                 "item=&Edit > &Options...\t\t-1\n"
                                 "item=&Help\t\t-1\n"
                                 "item=&Help > &About...\t\t-1\n"
                                 "[menu PopupMenu1]\n"
                                 "item=&New...\t\t-1\n"
                                 "item=&Run\td\t-1\n"
                                 "item=&Edit...\t\t-1\n"
                                 "item=Create &Shortcut...\t\t-1\n"
                                 "item=-\ts\t-1\n"
                                 "item=View\t\t-1\n"
                                 "item=View > Large Icons\tr\t-1\n"
                                 "item=View > Small Icons\tcr\t-1\n"
                                 "item=View > List\tr\t-1\n"
                                 "item=View > Details\tr\t-1\n"
                                 "item=R&efresh\t\t-1\n"
                                 "item=Delete\t\t-1\n"
                                 "[menu TrayPopup]\n"
                                 "item=Game\t\t0\n"
                                 "item=-\ts\t-1\n"
                                 "item=Setup\t\t0\n"
                                 "item=-\ts\t-1\n"
                                 "item=Stop &Waiting\tg\t-1\n"
                                 "item=&Restore\td\t-1\n"
                                 "item=E&xit\t\t-1\n"
                                 "[list]\n"
                                 "item=Game\t0\tC:\\g.exe\n"
                                 "item=Setup\t0\tINTERNAL\n";
    EXPECT_EQ(RenderStateReport(f), expected);
}

// The catalogue commands: New, Edit, Delete and the menus' rules.
class CatalogueCommandsTest : public MainWindowTest {
  protected:
    CatalogueCommandsTest() { AddBoard(); }
    IniFile GameDat() const { return IniFile(dir.File("Game.dat")); }
};

TEST_F(CatalogueCommandsTest, NewWritesTheEntryUnderTheTypedTitle) {
    WriteCatalogue("[Other]\r\nRun=C:\\o.exe\r\n");
    TfmMain& f = Start();
    const std::string before = test::ReadFileBytes(dir.File("Game.dat"));  // as loaded
    f.btnAddIconClick();  // cancelled: nothing written, nothing reloaded
    EXPECT_EQ(test::ReadFileBytes(dir.File("Game.dat")), before);
    EXPECT_EQ(Count("list loaded"), 1);
    host.onEditor = [&](TfmGlide& e) {
        EXPECT_EQ(e.edTitle.Text, "");
        e.edTitle.Text = "Quake";
        e.edPath.Text = "C:\\q.exe";
        e.Box(EditorBox{TweakField::Splash, TweakTab::Glide}).ItemIndex = 1;
        return e.btnOKClick();
    };
    f.btnAddIconClick();
    EXPECT_EQ(Count("list loaded"), 2);
    ASSERT_EQ(f.Items().size(), 2u);
    EXPECT_EQ(f.Items()[1].Caption, "Quake");
    const IniFile gameDat = GameDat();
    EXPECT_EQ(gameDat.ReadSections(), Strings({"Other", "Quake"}));
    std::string keys;
    for (const std::string& key : gameDat.ReadSection("Quake")) keys += key + " ";
    EXPECT_EQ(keys,
              "IconName Run Params Splash TextureCompression AlphaBlending ColorDepth MIPMap "
              "D3DMIPMap MaxBufferedFrames D3DMaxBufferedFrames TDFilterQuality AA "
              "TripleBuffering glAAToggle D3DAAToggle LODBias ZBuffer RGamma GGamma "
              "gl16BitZPrecision gl32BitZPrecision glHSR glGuardbandClipping GameOnly "
              "FollowStartedPrograms VSynch "
              "D3DVSynch BGamma ");
    EXPECT_EQ(gameDat.ReadString("Quake", "Splash", "") + gameDat.ReadString("Quake", "Run", ""),
              "DisableC:\\q.exe");
}

TEST_F(CatalogueCommandsTest, EditShowsAnEntryOfBothModesAndWritesItBack) {
    WriteCatalogue(
        "[Tool]\r\nRun=internal\r\nGameOnly=1\r\nRGamma=1.5\r\nGGamma=1.5\r\nBGamma=1.5\r\n"
        "Splash=disable\r\n");
    TfmMain& f = Start();
    f.SetSelected(0);
    host.onEditor = [&](TfmGlide& e) {
        EXPECT_EQ(e.OldTitle + e.edTitle.Text + e.edPath.Text, "ToolTool");
        // Both run modes: neither box is disabled, so either can be unchecked.
        EXPECT_TRUE(e.chkConfig.Checked && e.chkGameOnly.Checked);
        EXPECT_TRUE(e.chkConfig.Enabled && e.chkGameOnly.Enabled);
        EXPECT_FALSE(e.edPath.Enabled || e.TabVisible(EditorTab::Gamma));
        e.chkGameOnly.Checked = false;
        e.chkGameOnlyClick();
        EXPECT_FALSE(e.chkGameOnly.Enabled || e.edPath.Enabled);
        EXPECT_TRUE(e.TabVisible(EditorTab::Gamma));
        EXPECT_EQ(e.Box(EditorBox{TweakField::Splash, TweakTab::Glide}).Text(), "Disable");
        e.Box(EditorBox{TweakField::Splash, TweakTab::Glide}).ItemIndex = 0;
        return e.btnOKClick();
    };
    EXPECT_TRUE(f.Execute(IDM_POPUP_EDIT));
    const IniFile gameDat = GameDat();
    EXPECT_EQ(gameDat.ReadSections(), Strings{"Tool"});
    EXPECT_EQ(gameDat.ReadString("Tool", "Splash", "") + gameDat.ReadString("Tool", "Run", "") +
                  gameDat.ReadString("Tool", "GGamma", "") +
                  gameDat.ReadString("Tool", "GameOnly", ""),
              "EnableINTERNAL1.500");
}

TEST_F(CatalogueCommandsTest, DeleteAsksFirst) {
    WriteCatalogue("[A]\r\nRun=C:\\a.exe\r\n[B]\r\nRun=C:\\b.exe\r\n");
    TfmMain& f = Start();
    const std::string before = test::ReadFileBytes(dir.File("Game.dat"));  // as loaded
    f.SetSelected(0);
    prompts.answers = {false, true};
    EXPECT_TRUE(f.Execute(IDM_POPUP_DELETE));
    EXPECT_EQ(test::ReadFileBytes(dir.File("Game.dat")), before);
    EXPECT_TRUE(f.Execute(IDM_FILE_DELETE));
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>(
                  2, {"Confirm", "Are you sure you want to delete this shortcut?"})));
    EXPECT_EQ(GameDat().ReadSections(), Strings{"B"});
    EXPECT_EQ(Count("list loaded"), 2);
    EXPECT_EQ(f.Items().size(), 1u);
    EXPECT_EQ(f.Selected(), -1);
    f.mpDeleteClick();
    EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST_F(CatalogueCommandsTest, MenusFollowTheSelection) {
    WriteCatalogue("[A]\r\nRun=C:\\a.exe\r\n");
    TfmMain& f = Start();
    const auto names = [](const std::vector<MenuItem>& items, bool MenuItem::*flag) {
        std::string result;
        for (const MenuItem& item : items) {
            if (item.*flag) result += item.Name + " ";
        }
        return result;
    };
    for (const int selected : {-1, 0, -1}) {
        SCOPED_TRACE(selected);
        f.SetSelected(selected);
        f.PopupMenu1Popup();
        f.File1Click();
        const std::string popup = names(f.PopupMenu1().Items, &MenuItem::Visible);
        const std::string file = names(f.MainMenu1().Items[0].Items, &MenuItem::Enabled);
        if (selected < 0) {
            EXPECT_EQ(popup, "mpNew N5 mpView mpRefresh ");
            EXPECT_EQ(file, "miNew N1 N2 N3 miExit ");
        } else {
            EXPECT_EQ(popup, "mpRun mpEdit mpCreateShortcut N5 mpDelete ");
            EXPECT_EQ(file, "miNew N1 miRun miEdit miCreateShortcut N2 miDelete N3 miExit ");
        }
    }
}

// Files dropped from Explorer: programs and shortcuts to programs open New filled in, one
// after the other; anything else is named and skipped.
TEST_F(CatalogueCommandsTest, DroppedProgramsAndShortcutsOpenNewFilledIn) {
    const std::string quake = dir.File("quake3.exe");
    WriteFileBytes(
        quake, test::MakePeFile(
                   test::NumberedGroups(2), false,
                   test::MakeVersionResource({{"040904B0", {{"FileDescription", "Quake III"}}}})));
    icons.counts[quake] = 2;
    const std::string doom = dir.File("DOOM.lnk");  // its program is gone
    links.links[doom] = {"C:\\Games\\Doom\\doom95.exe", "-warp 1 1"};
    const std::string readme = dir.File("Readme.lnk");
    links.links[readme] = {"C:\\Games\\Doom\\readme.txt", ""};
    const std::string notes = dir.File("notes.txt");
    WriteFileBytes(notes, "notes\r\n");
    const std::string broken = dir.File("broken.lnk");  // the shell cannot read it

    TfmMain& f = Start();
    Strings editors;
    host.onEditor = [&](TfmGlide& e) {
        const auto icon = e.ShownIcon();
        editors.push_back(e.edTitle.Text + "|" + e.edPath.Text + "|" + e.edCommandLine.Text + "|" +
                          (icon ? icon->FileName + "," + std::to_string(icon->Index) : "none"));
        // The first is added as it came; the shortcut's game is cancelled.
        return editors.size() == 1 && e.btnOKClick();
    };
    f.WMDropFiles({quake, notes, doom, readme, broken});

    EXPECT_EQ(editors, (Strings{"Quake III|" + quake + "||" + quake + ",0",
                                "doom95|C:\\Games\\Doom\\doom95.exe|-warp 1 1|none"}));
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>{{"Error", NotAProgramMessage(notes)},
                                                {"Error", NotAProgramMessage(readme)},
                                                {"Error", NotAProgramMessage(broken)}}));
    const IniFile gameDat = GameDat();
    EXPECT_EQ(gameDat.ReadSections(), Strings{"Quake III"});
    EXPECT_EQ(gameDat.ReadString("Quake III", "Run", "") + "|" +
                  gameDat.ReadString("Quake III", "IconName", "") + "|" +
                  gameDat.ReadString("Quake III", "Params", "?"),
              quake + "|" + quake + ",0|");
    ASSERT_EQ(f.Items().size(), 1u);
}

}  // namespace
}  // namespace pallisar
