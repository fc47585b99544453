#include "app/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/state_report.h"
#include "core/text.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/fake_system_info.h"
#include "support/recording_log.h"
#include "support/registry_seed.h"
#include "support/temp_dir.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using test::FakeSystemInfo;
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
    MainWindowTest() : system(true) {}

    // A Voodoo5 on the NT layout.
    void AddBoard() {
        const std::string key =
            std::string("SYSTEM\\ControlSet001\\Enum\\PCI\\") + kBoardId + "\\0";
        ASSERT_TRUE(test::SeedText(registry, key, "DeviceDesc", kBoardName));
        ASSERT_TRUE(test::SeedText(registry, key, "Service", "3dfxvs"));
        ASSERT_TRUE(test::SeedText(registry, key, "LocationInformation",
                                   "PCI bus 1, device 1, function 0"));
    }

    void WriteSettings(const std::string& text) { WriteFileBytes(dir.File("settings.cfg"), text); }
    void WriteCatalogue(const std::string& text) { WriteFileBytes(dir.File("Game.dat"), text); }

    // The window with every hook recording into `events`.
    TfmMain& Make(Strings arguments = {}) {
        form = std::make_unique<TfmMain>(
            MainWindowServices{dir.Path(), log, clock, prompts, registry, system, icons},
            std::move(arguments));
        form->MinimizeApplication = [this] { events.push_back("minimize"); };
        form->RestoreApplication = [this] { events.push_back("restore"); };
        form->CloseWindow = [this] { events.push_back("close window"); };
        form->DeactivateTrayIcon = [this] {
            events.push_back("tray off, log lines " + std::to_string(log.lines.size()));
        };
        form->ListLaunch = [this](const std::string& t) { events.push_back("list " + t); };
        form->TrayLaunch = [this](const std::string& t) { events.push_back("tray " + t); };
        form->CommandLineLaunch = [this](const std::string& t) { events.push_back("run " + t); };
        form->StateChanged = [this] { ++stateChanges; };
        return *form;
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
    FakeSystemInfo system;
    CountingIconFiles icons;
    std::unique_ptr<TfmMain> form;
    Strings events;
    int stateChanges = 0;
};

TEST_F(MainWindowTest, CreationRunsItsStepsInOrder) {
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    TfmMain& f = Make();
    bool catalogueOpenAtCheck = false;
    size_t itemsAtCheck = 99;
    f.CheckFileVersion = [&](TfmMain& m) {
        catalogueOpenAtCheck = m.Catalogue() != nullptr;
        itemsAtCheck = m.Items().size();
        // What the upgrade writes shows in the list loaded afterwards.
        m.Catalogue()->WriteString("Added By Upgrade", "Run", "C:\\u.exe");
    };
    f.FormCreate();

    EXPECT_EQ(log.lines, (Strings{kStartLine, "Version 1.01"}));
    EXPECT_TRUE(catalogueOpenAtCheck);
    EXPECT_EQ(itemsAtCheck, 0u);
    ASSERT_EQ(f.Items().size(), 2u);
    EXPECT_EQ(f.Items()[0].Caption, "Added By Upgrade");
    EXPECT_TRUE(f.StartupPending());
    EXPECT_EQ(f.Caption(), "Pallisar Game Launcher");
    EXPECT_EQ(stateChanges, 1);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(MainWindowTest, ListIsSortedByTheGivenCollationAtEveryLoad) {
    WriteCatalogue("[b]\r\nRun=C:\\b.exe\r\n[A]\r\nRun=C:\\a.exe\r\n[c]\r\nRun=C:\\c.exe\r\n");
    form = std::make_unique<TfmMain>(
        MainWindowServices{
            dir.Path(), log, clock, prompts, registry, system, icons,
            [](std::string_view a, std::string_view b) { return CompareText(b, a); }},
        Strings{});
    form->FormCreate();
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

TEST_F(MainWindowTest, CardIsDetectedAtTheFirstActivationOnly) {
    AddBoard();
    TfmMain& f = Make();
    f.FormCreate();
    EXPECT_TRUE(f.Driver.DriverKey.empty());  // not at creation
    f.FormActivate();
    f.FormActivate();  // e.g. after a dialog closed
    f.FormActivate();

    EXPECT_EQ(f.Caption(), std::string("Pallisar Game Launcher - ") + kBoardName);
    EXPECT_EQ(f.Driver.DriverKey, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0");
    EXPECT_FALSE(f.StartupPending());
    EXPECT_EQ(LogCount(std::string("Voodoo PNP ID found : ") + kBoardId), 1u);
    EXPECT_FALSE(f.Closed());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(MainWindowTest, NoCardShowsTheFatalErrorAndCloses) {
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    for (const Strings& args : {Strings{}, Strings{"/RUN", "C:\\g.exe"}, Strings{"/min"}}) {
        SCOPED_TRACE(args.empty() ? "no arguments" : args[0]);
        events.clear();
        prompts.shown.clear();
        log.lines.clear();
        TfmMain& f = Start(args);

        EXPECT_EQ(
            prompts.shown,
            (std::vector<FakePrompts::Prompt>{{"Error", "FATAL ERROR: No Voodoo Card Found"}}));
        EXPECT_TRUE(f.Closed());
        EXPECT_EQ(f.Catalogue(), nullptr);
        // No launch and no minimising: the command line is not acted on.
        EXPECT_EQ(events, (Strings{"tray off, log lines " + std::to_string(log.lines.size() - 1),
                                   "close window"}));
        EXPECT_EQ(log.lines.back(), kStopLine);
    }
}

TEST_F(MainWindowTest, MinSwitchMinimisesInAnyCase) {
    AddBoard();
    for (const char* first : {"/MIN", "/min", "/mIn"}) {
        SCOPED_TRACE(first);
        events.clear();
        TfmMain& f = Start({first, "ignored"});
        EXPECT_EQ(events, Strings{"minimize"});
        EXPECT_FALSE(f.Closed());
    }
}

TEST_F(MainWindowTest, OtherArgumentsStartNormally) {
    AddBoard();
    WriteCatalogue("[Game]\r\nRun=C:\\g.exe\r\n");
    for (const Strings& args : {Strings{}, Strings{"-min"}, Strings{"min"}, Strings{"/RUN"},
                                Strings{"/run"}, Strings{"/minimise"}, Strings{"C:\\g.exe"}}) {
        SCOPED_TRACE(args.empty() ? "none" : args[0]);
        events.clear();
        TfmMain& f = Start(args);
        EXPECT_TRUE(events.empty());
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
        events.clear();
        log.lines.clear();
        TfmMain& f = Start(c.args);
        EXPECT_EQ(events, (Strings{"minimize", "run " + c.launched,
                                   "tray off, log lines " + std::to_string(log.lines.size() - 1),
                                   "close window"}));
        EXPECT_TRUE(f.Closed());
        EXPECT_EQ(log.lines.back(), kStopLine);
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST_F(MainWindowTest, ClosingRemovesTheTrayIconLogsAndReleasesTheCatalogueOnce) {
    TfmMain& f = Make();
    f.FormCreate();
    f.btnExitClick();
    f.btnExitClick();
    f.FormClose();
    EXPECT_EQ(events, (Strings{"tray off, log lines 2", "close window"}));
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
    EXPECT_TRUE(events.empty());
    f.btnRunClick();
    EXPECT_EQ(prompts.shown, (std::vector<FakePrompts::Prompt>{{"Error", "No Title Selected"}}));

    f.SetSelected(1);
    f.btnRunClick();
    f.SetItemCaption(1, "Beta Edited");  // an in-place edit lasts until the next load
    f.ListViewDblClick();
    f.TrayPopupRun(0);
    f.TrayPopupRun(2);  // the fixed separator
    f.TrayPopupRun(99);
    EXPECT_EQ(events, (Strings{"list Beta", "list Beta Edited", "tray Alpha"}));

    f.SetSelected(5);
    EXPECT_EQ(f.Selected(), -1);
    f.miRestoreClick();
    EXPECT_EQ(events.back(), "restore");
}

TEST_F(MainWindowTest, F5ReloadsTheListAndOtherKeysDoNothing) {
    AddBoard();
    TfmMain& f = Start();
    EXPECT_TRUE(f.Items().empty());
    WriteCatalogue("[New Game]\r\nRun=C:\\n.exe\r\n");
    f.ListViewKeyDown(115);  // F4
    EXPECT_TRUE(f.Items().empty());
    const int before = stateChanges;
    f.ListViewKeyDown(kRefreshKey);
    ASSERT_EQ(f.Items().size(), 1u);
    EXPECT_EQ(f.Items()[0].Caption, "New Game");
    EXPECT_EQ(stateChanges, before + 1);
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
                                 "item=Setup\t\t1\n"
                                 "item=-\ts\t-1\n"
                                 "item=&Restore\td\t-1\n"
                                 "item=E&xit\t\t-1\n"
                                 "[list]\n"
                                 "item=Game\t0\tC:\\g.exe\n"
                                 "item=Setup\t1\tINTERNAL\n";
    EXPECT_EQ(RenderStateReport(f), expected);
}

}  // namespace
}  // namespace pallisar
