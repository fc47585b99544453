// One run of pallisar.exe on each Windows it supports, as Wine reports that version to it
// alone: the start on the board of that system's registry layout, the list, a launch
// that waits and restores, the editor's OK on an entry and on a New one, a launch from
// the tray menu and a shortcut through the save dialog. The program picks its fallbacks
// by the reported version, so each row runs the code a user of that system gets. One
// more row is XP in its "Windows 98" compatibility mode: the 95/98 family reported, the
// board where the NT family records it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "board.h"
#include "core/ini_file.h"
#include "dialogs.h"
#include "harness.h"
#include "launch_support.h"
#include "support/shell_link_reader.h"
#include "win32/com_ptr.h"
#include "win32/resource.h"

namespace pallisar::e2e {
namespace {

using Values = std::map<std::string, std::string>;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kGame[] = "Probe Game";
constexpr char k9xKey[] = "System\\CurrentControlSet\\Services\\Class\\Display\\0000";
constexpr char kNtKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

struct OldWindows {
    const char* name;
    const char* version;  // as Wine's per-program setting names it
    const char* board;
    const char* description;  // the board's name in the caption
    const char* driverKey;
    const char* family;  // how the log names the detection's layout
};

void PrintTo(const OldWindows& system, std::ostream* out) { *out << system.name; }

const OldWindows kSystems[] = {
    {"win95", "win95", "voodoo3_win98", "3dfx Voodoo3 3000 AGP", k9xKey, "Windows9x"},
    {"win98", "win98", "voodoo3_win98", "3dfx Voodoo3 3000 AGP", k9xKey, "Windows9x"},
    {"winme", "winme", "voodoo3_win98", "3dfx Voodoo3 3000 AGP", k9xKey, "Windows9x"},
    {"nt40", "nt40", "voodoo5_dual", "3dfx Voodoo5 5500 PCI", kNtKey, "WindowsNT"},
    {"win2k", "win2k", "voodoo5_dual", "3dfx Voodoo5 5500 PCI", kNtKey, "WindowsNT"},
    {"winxp", "winxp", "voodoo5_dual", "3dfx Voodoo5 5500 PCI", kNtKey, "WindowsNT"},
    {"winxp_as_98", "win98", "voodoo5_dual", "3dfx Voodoo5 5500 PCI", kNtKey, "WindowsNT"},
};

// Gamma and vertical sync unlike either board's; the restore puts these back.
constexpr char kTweaks[] =
    "RGamma=2.00\r\nGGamma=1.90\r\nBGamma=1.80\r\nVSynch=Enable\r\nD3DVSynch=Disable\r\n";
const std::vector<std::string> kGlideRestored = {"SSTH3_RGAMMA", "SSTH3_GGAMMA", "SSTH3_BGAMMA",
                                                 "FX_GLIDE_AA_TOGGLE_KEY", "FX_GLIDE_SWAPINTERVAL"};
// The D3D gamma is left out: a board without it gets the default back, not nothing.
const std::vector<std::string> kD3DRestored = {"SSTH3_AAJITTER_TOGGLE_KEY", "SSTH3_SWAPINTERVAL"};

Values Pick(const Values& values, const std::vector<std::string>& names) {
    Values picked;
    for (const auto& name : names) {
        const auto found = values.find(name);
        picked[name] = found == values.end() ? "<absent>" : found->second;
    }
    return picked;
}

// What the game sees of its tweaks: the gamma in both groups, Glide's vertical sync on
// (no swap interval) and D3D's off.
void ExpectGameTweaks(const ProbeRun& run) {
    EXPECT_EQ(
        Pick(run.glide, {"SSTH3_RGAMMA", "SSTH3_GGAMMA", "SSTH3_BGAMMA", "FX_GLIDE_SWAPINTERVAL"}),
        (Values{{"SSTH3_RGAMMA", "1:2.00"},
                {"SSTH3_GGAMMA", "1:1.90"},
                {"SSTH3_BGAMMA", "1:1.80"},
                {"FX_GLIDE_SWAPINTERVAL", "<absent>"}}));
    EXPECT_EQ(Pick(run.d3d, {"SSTH3_RGAMMA", "SSTH3_SWAPINTERVAL"}),
              (Values{{"SSTH3_RGAMMA", "1:2.00"}, {"SSTH3_SWAPINTERVAL", "1:0"}}));
}

// Whether the first item of a pop-up menu, as the screen shows it, has a picture: its ink
// begins left of where the texts of the other items begin. A row's commonest colour is
// its background (so a separator's row is not one of the menu's background); the frame
// is left out.
bool FirstItemHasPicture(const ScreenImage& menu) {
    const auto commonest = [](const std::map<COLORREF, int>& counts) {
        return std::max_element(counts.begin(), counts.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;
    };
    std::vector<COLORREF> background(static_cast<size_t>(menu.height));
    std::vector<int> ink(static_cast<size_t>(menu.height), -1);  // the row's leftmost ink
    std::map<COLORREF, int> rows;
    for (int y = 2; y < menu.height - 2; ++y) {
        std::map<COLORREF, int> counts;
        for (int x = 2; x < menu.width - 2; ++x) ++counts[menu.At(x, y)];
        ++rows[background[y] = commonest(counts)];
        for (int x = 2; x < menu.width - 2 && ink[y] < 0; ++x) {
            if (menu.At(x, y) != background[y]) ink[y] = x;
        }
    }
    if (rows.empty()) return false;
    const COLORREF menuBackground = commonest(rows);
    int y = 0;
    while (y < menu.height && ink[y] < 0) ++y;
    int first = menu.width;
    for (; y < menu.height && ink[y] >= 0; ++y) first = std::min(first, ink[y]);
    int text = menu.width;
    for (; y < menu.height; ++y) {
        if (ink[y] >= 0 && background[y] == menuBackground) text = std::min(text, ink[y]);
    }
    return first < text - 2;
}

class OldWindowsTest : public ::testing::TestWithParam<OldWindows> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard(GetParam().board));
        ASSERT_TRUE(ReportWindowsVersion(GetParam().version));
        glideBefore_ = Pick(GroupValuesAsProbeSees(Key(), "Glide"), kGlideRestored);
        d3dBefore_ = Pick(GroupValuesAsProbeSees(Key(), "D3D"), kD3DRestored);
        exe_ = dir_.Install(PALLISAR_EXE);
        probe_ = dir_.Install(ProbeExe());
        report_ = dir_.File("probe-report.ini");
        state_ = dir_.File("e2e-state.txt");
        dir_.Write("settings.cfg",
                   "[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\n");
        dir_.Write("Game.dat", std::string("[") + kGame + "]\r\nRun=" + probe_ +
                                   "\r\nParams=--delay-ms 1500\r\n" + kTweaks);
    }

    // The next test must not run on this Windows.
    void TearDown() override { EXPECT_TRUE(ReportWindowsVersion("")); }

    std::string Key() const { return GetParam().driverKey; }
    std::string Shot(const std::string& what) const {
        return e2e::Shot(std::string("old-windows-") + GetParam().name + "-" + what);
    }
    void Command(UINT id) { ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0)); }

    void ExpectRestored() {
        EXPECT_EQ(Pick(GroupValuesAsProbeSees(Key(), "Glide"), kGlideRestored), glideBefore_);
        EXPECT_EQ(Pick(GroupValuesAsProbeSees(Key(), "D3D"), kD3DRestored), d3dBefore_);
    }

    ProgramDirectory dir_;
    std::string exe_;
    std::string probe_;
    std::string report_;
    std::string state_;
    AppProcess app_;
    HWND window_ = nullptr;
    Values glideBefore_;
    Values d3dBefore_;
};

TEST_P(OldWindowsTest, StartListLaunchEditTrayAndShortcut) {
    const OldWindows& system = GetParam();
    {
        SCOPED_TRACE("start");
        const LaunchOptions options{{},
                                    {{"PALLISAR_STATE_FILE", state_},
                                     {"PALLISAR_PROBE_REPORT", report_},
                                     {"PALLISAR_PROBE_DRIVER_KEY", Key()}},
                                    {}};
        ASSERT_TRUE(app_.Start(exe_, options));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        const std::string caption = std::string(kTitle) + " - " + system.description;
        ASSERT_TRUE(
            WaitForCaption(window_, kTimeout, [&](const std::string& c) { return c == caption; }));
        ASSERT_TRUE(Answers(window_, kTimeout));
        Sleep(500);  // painted in full
        SaveScreenshot(window_, Shot("main"));
    }
    // How many launches of the game have ended (the window answers during one).
    const auto Terminated = [&] {
        const auto lines =
            ReadLines(dir_.File("pallisar.log")).value_or(std::vector<std::string>{});
        return std::count(lines.begin(), lines.end(), std::string("\t") + kGame + " terminated.");
    };
    {
        SCOPED_TRACE("list");
        ListViewState list;
        ASSERT_TRUE(ReadListView(app_, FindListView(window_), &list));
        EXPECT_THAT(list.Captions(), testing::ElementsAre(kGame));
    }
    {
        SCOPED_TRACE("launch with restore");
        ASSERT_TRUE(SelectTitle(app_, window_, kGame));
        ASSERT_TRUE(PressButton(window_, "Run"));
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        EXPECT_TRUE(Answers(window_, Millis(1000)))
            << "the launcher did not answer during the game";
        ASSERT_TRUE(Eventually([&] { return Terminated() == 1; }, "the launch's end"));
        ASSERT_TRUE(Answers(window_, kTimeout));  // the restore follows that line
        EXPECT_TRUE(WaitForProcessEnd(std::stoul(runs[0].Field("ProcessId")), Millis(0)))
            << "the launch ended before the game";
        ExpectGameTweaks(runs[0]);
        ExpectRestored();
    }
    {
        SCOPED_TRACE("editor OK");
        ASSERT_TRUE(SelectTitle(app_, window_, kGame));
        Command(IDC_BTN_EDIT_GAME);
        HWND editor = nullptr;
        ASSERT_TRUE(WaitForDialog(app_, "Edit", &editor));
        EXPECT_EQ(WindowText(Item(editor, IDC_EDTITLE)), kGame);
        Click(editor, IDOK);
        ASSERT_TRUE(WaitUntilGone(editor));
        // The editor writes every key of the entry: Splash was not in the file before.
        const IniFile gameDat(dir_.File("Game.dat"));
        EXPECT_TRUE(Eventually([&] { return !gameDat.ReadString(kGame, "Splash", "").empty(); },
                               "the entry written"));
        EXPECT_EQ(gameDat.ReadString(kGame, "Run", ""), probe_);
        EXPECT_EQ(gameDat.ReadString(kGame, "RGamma", ""), "2.00");
        EXPECT_EQ(gameDat.ReadString(kGame, "VSynch", ""), "Enable");
        WIN32_FIND_DATAA found;
        HANDLE temp = FindFirstFileA(dir_.File("Game.dat.~*").c_str(), &found);
        EXPECT_EQ(temp, INVALID_HANDLE_VALUE) << "left behind: " << found.cFileName;
        if (temp != INVALID_HANDLE_VALUE) FindClose(temp);
    }
    {
        SCOPED_TRACE("tray menu");
        ASSERT_TRUE(ClickTrayItem(app_, window_, state_, kGame, [&](HWND menu) {
            Sleep(500);  // painted in full
            SaveScreenshot(menu, Shot("tray-menu"));
            // The program asks for the pictures whatever the version says; Wine gives
            // them in every mode (a real Windows 95 or NT 4.0 refuses them).
            EXPECT_TRUE(FirstItemHasPicture(CaptureScreen(menu)))
                << "the game's item in the tray menu";
        }));
        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 2, kTimeout, &runs));
        ASSERT_TRUE(Eventually([&] { return Terminated() == 2; }, "the launch's end"));
        ASSERT_TRUE(Answers(window_, kTimeout));  // the restore follows that line
        ExpectGameTweaks(runs[1]);
        ExpectRestored();
    }
    {
        SCOPED_TRACE("shortcut");
        const std::string lnk = dir_.File("Probe Game.lnk");
        ASSERT_TRUE(SelectTitle(app_, window_, kGame));
        Command(IDM_FILE_SHORTCUT);
        std::string proposed;
        ASSERT_TRUE(SaveAs(app_, lnk, &proposed));
        EXPECT_EQ(proposed, kGame);
        ASSERT_TRUE(Eventually([&] { return dir_.Exists("Probe Game.lnk"); }, "the shortcut"));
        ScopedCoInitialize com;
        test::LinkFields fields;
        ASSERT_TRUE(test::ReadLink(lnk, fields));
        EXPECT_EQ(fields.arguments, " /run \"" + probe_ + "\"");
    }
    {
        // After the tray menu, whose check wants the one game's picture alone.
        SCOPED_TRACE("editor New");
        HWND editor = nullptr;
        const IniFile gameDat(dir_.File("Game.dat"));
        // A random title that no entry has, then the one typed.
        Command(IDC_BTN_ADD_ICON);
        ASSERT_TRUE(WaitForDialog(app_, "Edit", &editor));
        EXPECT_EQ(WindowText(Item(editor, IDC_EDTITLE)), "");
        SendMessageA(Item(editor, IDC_EDTITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Quake"));
        SendMessageA(Item(editor, IDC_EDPATH), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(probe_.c_str()));
        Click(editor, IDOK);
        ASSERT_TRUE(WaitUntilGone(editor));
        EXPECT_TRUE(Eventually([&] { return gameDat.ReadString("Quake", "Run", "") == probe_; },
                               "the new entry written"));
        EXPECT_THAT(gameDat.ReadSections(), testing::ElementsAre(kGame, "Quake"));
    }
    ASSERT_TRUE(PressButton(window_, "Exit"));
    ASSERT_TRUE(app_.WaitForExit(kTimeout));
    // Detection read the registry layout of this system's family.
    const auto lines = ReadLines(dir_.File("pallisar.log"));
    ASSERT_TRUE(lines.has_value());
    EXPECT_THAT(*lines, testing::Contains(testing::StartsWith(std::string(system.family) +
                                                              " Detected : Using Key")));
}

INSTANTIATE_TEST_SUITE_P(OldWindows, OldWindowsTest, testing::ValuesIn(kSystems),
                         [](const testing::TestParamInfo<OldWindows>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace pallisar::e2e
