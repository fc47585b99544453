// pallisar.exe as a user meets it: started under Wine on a simulated board in a directory
// of its own, looked at through its windows and its state report, closed, and its files and
// the registry checked afterwards.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "board.h"
#include "harness.h"
#include "state_file.h"

namespace pallisar::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kCurrentSettings[] = "[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\n";

struct Board {
    const char* name;
    const char* description;
    const char* driverKey;
    const char* firstLogLine;
};

constexpr char kNtLine[] =
    "WindowsNT Detected : Using Key "
    "\"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\\"";
constexpr char k9xLine[] =
    "Windows9x Detected : Using Key "
    "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\\"";
constexpr Board kDual{"voodoo5_dual", "3dfx Voodoo5 5500 PCI",
                      "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0", kNtLine};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = dir_.Install(PALLISAR_EXE);
        state_ = dir_.File("e2e-state.txt");
        dir_.Write("settings.cfg", kCurrentSettings);
    }

    // Starts the program from another directory, so that it must find its files through
    // its own location.
    void Start(std::vector<std::string> args = {}) {
        LaunchOptions options{std::move(args), {{"PALLISAR_STATE_FILE", state_}}, otherDir_.Path()};
        ASSERT_TRUE(app_.Start(exe_, options));
    }

    // Starts the program and waits for its first activation: card detection has named
    // the board in the caption.
    void StartReady(std::vector<std::string> args = {}) {
        ASSERT_NO_FATAL_FAILURE(Start(std::move(args)));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }

    StateReport State() {
        StateReport report;
        EXPECT_TRUE(RequestStateReport(window_, state_, &report));
        return report;
    }

    ListViewState List() {
        ListViewState list;
        EXPECT_TRUE(ReadListView(app_, FindListView(window_), &list));
        return list;
    }

    void ExitAndWait() {
        ASSERT_TRUE(PressButton(window_, "Exit"));
        DWORD code = 99;
        ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
        EXPECT_EQ(code, 0u);
    }

    std::vector<std::string> LogLines() {
        auto lines = ReadLines(dir_.File("pallisar.log"));
        EXPECT_TRUE(lines.has_value()) << "no pallisar.log";
        return lines.value_or(std::vector<std::string>{});
    }

    ProgramDirectory dir_;
    ProgramDirectory otherDir_;
    std::string exe_;
    std::string state_;
    AppProcess app_;
    HWND window_ = nullptr;
};

TEST_F(MainWindowTest, CaptionAndLogNameTheBoardFound) {
    const Board boards[] = {
        kDual,
        {"voodoo4_single", "3dfx Voodoo4 4500 PCI",
         "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0", kNtLine},
        {"voodoo5_quad", "3dfx Voodoo5 6000 AGP",
         "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0", kNtLine},
        {"voodoo3_win98", "3dfx Voodoo3 3000 AGP",
         "System\\CurrentControlSet\\Services\\Class\\Display\\0000", k9xLine},
    };
    for (const Board& board : boards) {
        SCOPED_TRACE(board.name);
        ASSERT_TRUE(LoadBoard(board.name));
        ASSERT_NO_FATAL_FAILURE(StartReady());
        const std::string expected = std::string(kTitle) + " - " + board.description;
        EXPECT_EQ(WindowText(window_), expected);
        EXPECT_EQ(State().caption, expected);
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
        const auto lines = LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[2], board.firstLogLine);
        EXPECT_THAT(lines,
                    testing::Contains("Driver Name Found : " + std::string(board.description)));
        EXPECT_THAT(lines,
                    testing::Contains("Using Voodoo Card At " + std::string(board.driverKey)));
        // Detection runs once: a single suffix in the caption, a single first line.
        EXPECT_EQ(std::count(lines.begin(), lines.end(), board.firstLogLine), 1);
    }
}

TEST_F(MainWindowTest, ListAndTrayMenuAreSortedWithConfigOnlyEntriesApart) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    struct Case {
        const char* name;
        std::string gameDat;
        std::vector<std::string> list;
        std::vector<std::string> paths;
        std::vector<std::string> tray;
        std::vector<int> trayImages;
    };
    const Case cases[] = {
        {"titles sorted without regard to case",
         "[beta]\r\nRun=C:\\games\\beta.exe\r\n[Alpha]\r\nRun=C:\\games\\alpha.exe\r\n"
         "[gamma]\r\nRun=C:\\games\\gamma.exe\r\n",
         {"Alpha", "beta", "gamma"},
         {"C:\\games\\alpha.exe", "C:\\games\\beta.exe", "C:\\games\\gamma.exe"},
         {"Alpha", "beta", "gamma", "-", "Stop &Waiting", "&Restore", "E&xit"},
         {0, 0, 0, -1, -1, -1, -1}},
        {"config only entries after their own separator",
         "[C game]\r\nRun=C:\\c.exe\r\n[B Config Only]\r\nRun=INTERNAL\r\n"
         "[A game]\r\nRun=C:\\a.exe\r\n",
         {"A game", "B Config Only", "C game"},
         {"C:\\a.exe", "INTERNAL", "C:\\c.exe"},
         {"A game", "C game", "-", "B Config Only", "-", "Stop &Waiting", "&Restore", "E&xit"},
         {0, 0, -1, 0, -1, -1, -1, -1}},
        {"lower-case internal counts as a game in the tray",
         "[Tool]\r\nRun=internal\r\n[Game]\r\nRun=C:\\g.exe\r\n",
         {"Game", "Tool"},
         {"C:\\g.exe", "internal"},
         {"Game", "Tool", "-", "Stop &Waiting", "&Restore", "E&xit"},
         {0, 0, -1, -1, -1, -1}},
        {"the system's collation: punctuation first, hyphens weighed last",
         "[Zebra]\r\nRun=C:\\z.exe\r\n[Co-op]\r\nRun=C:\\co-op.exe\r\n"
         "[Coma]\r\nRun=C:\\coma.exe\r\n[_Under]\r\nRun=C:\\u.exe\r\n"
         "[alpha]\r\nRun=C:\\a.exe\r\n",
         {"_Under", "alpha", "Coma", "Co-op", "Zebra"},
         {"C:\\u.exe", "C:\\a.exe", "C:\\coma.exe", "C:\\co-op.exe", "C:\\z.exe"},
         {"_Under", "alpha", "Coma", "Co-op", "Zebra", "-", "Stop &Waiting", "&Restore", "E&xit"},
         {0, 0, 0, 0, 0, -1, -1, -1, -1}},
    };
    const std::string fallbackIcon = SystemDirectory() + "\\shell32.dll,0";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir_.Write("Game.dat", c.gameDat);
        ASSERT_NO_FATAL_FAILURE(StartReady());

        const ListViewState list = List();
        EXPECT_EQ(list.Captions(), c.list);
        ASSERT_EQ(list.columns.size(), 2u);
        EXPECT_EQ(list.columns[0].text, "Title");
        EXPECT_EQ(list.columns[1].text, "Path");
        EXPECT_EQ(list.columns[1].width, 240);
        for (size_t i = 0; i < list.items.size() && i < c.paths.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i));
            // Every entry shows the fallback icon: one image, shared.
            EXPECT_EQ(list.items[i].image, list.items[0].image);
            ASSERT_EQ(list.items[i].texts.size(), 2u);
            EXPECT_EQ(list.items[i].texts[1], c.paths[i]);
        }

        const StateReport state = State();
        EXPECT_EQ(state.MenuCaptions("TrayPopup"), c.tray);
        std::vector<int> images;
        for (const auto& item : state.menus.at("TrayPopup")) images.push_back(item.image);
        EXPECT_EQ(images, c.trayImages);
        EXPECT_THAT(state.Flagged("TrayPopup", 'd'), ElementsAre("&Restore"));
        EXPECT_EQ(state.Flagged("TrayPopup", 's').size(),
                  static_cast<size_t>(std::count(c.tray.begin(), c.tray.end(), "-")));
        ASSERT_EQ(state.list.size(), c.list.size());
        for (size_t i = 0; i < c.list.size(); ++i) EXPECT_EQ(state.list[i].caption, c.list[i]);
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());

        // No entry named an icon file: each now names shell32.dll's first icon.
        const std::string gameDat = dir_.Read("Game.dat");
        size_t rewritten = 0;
        for (size_t at = 0;
             (at = gameDat.find("IconName=" + fallbackIcon, at)) != std::string::npos; ++at) {
            ++rewritten;
        }
        EXPECT_EQ(rewritten, c.list.size()) << gameDat;
    }
}

TEST_F(MainWindowTest, IconNumberThatIsNoIntegerStopsTheListAtItsEntry) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    const std::string shell32 = SystemDirectory() + "\\shell32.dll";
    std::string gameDat = "[Alpha]\r\nRun=C:\\a.exe\r\nIconName=" + shell32 + ",1\r\n";
    gameDat += "[Beta]\r\nRun=C:\\b.exe\r\nIconName=" + shell32 + ",abc\r\n";
    gameDat += "[Gamma]\r\nRun=C:\\g.exe\r\n";
    dir_.Write("Game.dat", gameDat);
    ASSERT_NO_FATAL_FAILURE(Start());
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.text, "'abc' is not a valid integer value.");
    EXPECT_THAT(box.ButtonTexts(), ElementsAre("OK"));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));

    // The program goes on: the board is found, and the entries before the faulty one
    // are listed.
    ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
    ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
        return caption == std::string(kTitle) + " - " + kDual.description;
    }));
    EXPECT_EQ(List().Captions(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(State().MenuCaptions("TrayPopup"),
              (std::vector<std::string>{"Alpha", "-", "Stop &Waiting", "&Restore", "E&xit"}));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    // Nothing was repaired: the entry after the faulty one was never reached.
    EXPECT_EQ(dir_.Read("Game.dat"), gameDat);
}

TEST_F(MainWindowTest, WithoutABoardTheFatalErrorEndsTheProgram) {
    ASSERT_TRUE(LoadBoard(""));
    dir_.Write("Game.dat", "[Probe]\r\nRun=C:\\no\\such\\game.exe\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"/RUN", "C:\\no\\such\\game.exe"}}) {
        SCOPED_TRACE(args.empty() ? "no arguments" : "/RUN");
        ASSERT_NO_FATAL_FAILURE(Start(args));
        MessageBoxInfo box;
        ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, "FATAL ERROR: No Voodoo Card Found");
        EXPECT_THAT(box.ButtonTexts(), ElementsAre("OK"));
        // The program waits for the answer.
        EXPECT_FALSE(app_.WaitForExit(Millis(500)));
        ASSERT_TRUE(AnswerMessageBox(box, "OK"));
        DWORD code = 99;
        ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
        EXPECT_EQ(code, 0u);
        const auto lines = LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_THAT(lines.back(), StartsWith("Application Terminated - "));
        // The NT layout was searched; the 95/98 one, holding no board, left no line.
        EXPECT_EQ(lines[2], kNtLine);
        EXPECT_THAT(lines, Not(Contains(k9xLine)));
        // Nothing was launched.
        for (const auto& line : lines) EXPECT_THAT(line, Not(HasSubstr("Running Shortcut")));
    }
}

TEST_F(MainWindowTest, ViewStyleFromSettingsSetsTheListAndTicksTheViewMenu) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    dir_.Write("Game.dat", "[One]\r\nRun=C:\\one.exe\r\n");
    struct Case {
        const char* viewStyle;
        DWORD listView;
        std::vector<std::string> ticked;
    };
    const Case cases[] = {
        {"0", LV_VIEW_ICON, {"View > Large Icons"}},
        {"1", LV_VIEW_SMALLICON, {"View > Small Icons"}},
        {"2", LV_VIEW_LIST, {"View > List"}},
        {"3", LV_VIEW_DETAILS, {"View > Details"}},
        {"7", LV_VIEW_ICON, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("ViewStyle=") + c.viewStyle);
        dir_.Write("settings.cfg",
                   std::string(kCurrentSettings) + "ViewStyle=" + c.viewStyle + "\r\n");
        ASSERT_NO_FATAL_FAILURE(StartReady());
        const ListViewState list = List();
        EXPECT_EQ(list.view, c.listView);
        EXPECT_EQ(list.styleView, c.listView);
        const StateReport state = State();
        EXPECT_EQ(state.Flagged("PopupMenu1", 'c'), c.ticked);
        EXPECT_THAT(state.Flagged("PopupMenu1", 'r'),
                    ElementsAre("View > Large Icons", "View > Small Icons", "View > List",
                                "View > Details"));
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    }
}

TEST_F(MainWindowTest, MinArgumentInAnyCaseStartsMinimised) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    struct Case {
        const char* arg;
        bool minimised;
    };
    for (const Case& c : {Case{"/MIN", true}, Case{"/mIn", true}, Case{"-min", false},
                          Case{"min", false}, Case{"", false}}) {
        SCOPED_TRACE(std::string("argument \"") + c.arg + "\"");
        ASSERT_NO_FATAL_FAILURE(
            StartReady(*c.arg ? std::vector<std::string>{c.arg} : std::vector<std::string>{}));
        ShowState state = ReadShowState(window_);
        for (int wait = 0; wait < 100 && state.iconic != c.minimised; ++wait) {
            Sleep(50);
            state = ReadShowState(window_);
        }
        EXPECT_EQ(state.iconic, c.minimised);
        if (c.minimised) {
            EXPECT_EQ(state.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
        } else {
            EXPECT_TRUE(state.visible);
            EXPECT_EQ(state.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
        }
        // Minimised or not, the program still answers and ends normally.
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    }
}

TEST_F(MainWindowTest, LogHoldsOneRunFromStartLinesToTheTerminatedLine) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    dir_.Write("pallisar.log", "a line of the previous run\r\n");
    const std::string glide = std::string(kDual.driverKey) + "\\Glide";
    const auto splashBefore = ReadRegString(HKEY_LOCAL_MACHINE, glide, "FX_GLIDE_NO_SPLASH");
    ASSERT_TRUE(splashBefore.has_value());
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_THAT(lines.front(), StartsWith("Application Initialized - "));
    // Date, one space, time: both parts present.
    const std::string stamp =
        lines.front().substr(std::string("Application Initialized - ").size());
    EXPECT_NE(stamp.find(' '), std::string::npos) << stamp;
    EXPECT_NE(stamp.find_first_of("0123456789"), std::string::npos) << stamp;
    EXPECT_EQ(lines[1], "Version 1.01");
    EXPECT_EQ(lines[2], kNtLine);
    EXPECT_THAT(lines, testing::Contains("\tUsing DualChipAASLI"));
    EXPECT_THAT(lines.back(), StartsWith("Application Terminated - "));
    EXPECT_THAT(dir_.Read("pallisar.log"), Not(HasSubstr("previous run")));
    // Every line ends in CR LF.
    const std::string raw = dir_.Read("pallisar.log");
    size_t bareLineFeeds = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) ++bareLineFeeds;
    }
    EXPECT_EQ(bareLineFeeds, 0u);
    EXPECT_TRUE(raw.ends_with("\r\n"));
    // Starting and closing changes no driver value, and settings.cfg stays as it was.
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, glide, "FX_GLIDE_NO_SPLASH"), splashBefore);
    EXPECT_EQ(dir_.Read("settings.cfg"), kCurrentSettings);
}

TEST_F(MainWindowTest, FirstStartWithoutSettingsUpgradesAfterTheInformationBox) {
    ASSERT_TRUE(LoadBoard(kDual.name));
    DeleteFileA(dir_.File("settings.cfg").c_str());
    dir_.Write("Game.dat", "[Old]\r\nRun=C:\\old.exe\r\nAAToggle=enable\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, "Information");
    // Two lines; how the line break reads back from the box is the control's business.
    EXPECT_THAT(box.text, StartsWith("You have just upgraded to a newer version of the "
                                     "Pallisar Game Launcher."));
    EXPECT_THAT(box.text, testing::EndsWith("It is now going to update your game file."));
    const std::string first = "Launcher.";
    const std::string second = "It is now";
    const size_t endOfFirst = box.text.find(first) + first.size();
    const size_t startOfSecond = box.text.find(second);
    ASSERT_NE(startOfSecond, std::string::npos);
    const std::string lineBreak = box.text.substr(endOfFirst, startOfSecond - endOfFirst);
    EXPECT_FALSE(lineBreak.empty());
    EXPECT_EQ(lineBreak.find_first_not_of("\r\n"), std::string::npos) << lineBreak;
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
    EXPECT_EQ(List().Captions(), std::vector<std::string>{"Old"});
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    EXPECT_THAT(dir_.Read("settings.cfg"), HasSubstr("Version=1.01"));
    const std::string gameDat = dir_.Read("Game.dat");
    EXPECT_THAT(gameDat, HasSubstr("glAAToggle=Num-Lock"));
    EXPECT_THAT(gameDat, HasSubstr("D3DAAToggle=Ctrl-Alt-A"));
    EXPECT_THAT(gameDat, Not(HasSubstr("\nAAToggle=")));
    // Logging is off by default: no log file.
    EXPECT_FALSE(dir_.Exists("pallisar.log"));
}

}  // namespace
}  // namespace pallisar::e2e
