// The games' icons as a user sees them: a catalogue whose games each show an icon file of
// their own (one colour each), started under Wine. What is out of sight is not read; it is
// read and shown once scrolled into view, and the tray menu shows each game's own icon.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board.h"
#include "core/ini_file.h"
#include "dialogs.h"
#include "harness.h"
#include "state_file.h"
#include "support/icon_fixtures.h"

namespace pallisar::e2e {
namespace {

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr int kGames = 40;
constexpr char kNoIcons[] = "Zz No Icons";  // sorted last: out of sight at first

// Game i's colour, told apart from its neighbours' and from the window's greys.
COLORREF GameColour(int i) { return RGB(40 + (i * 97) % 200, 255 - (i * 53) % 200, 30 + i * 5); }

// Which of the games' colours the screen shows of a window.
std::set<int> ColoursShown(HWND window) {
    const ScreenImage image = CaptureScreen(window);
    const std::set<COLORREF> pixels(image.pixels.begin(), image.pixels.end());
    std::set<int> shown;
    for (int i = 0; i < kGames; ++i) {
        if (pixels.count(GameColour(i))) shown.insert(i);
    }
    return shown;
}

class IconsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard("voodoo5_dual"));
        exe_ = dir_.Install(PALLISAR_EXE);
        state_ = dir_.File("state.txt");
        dir_.Write("settings.cfg", "[Program]\r\nVersion=1.01\r\n");
        std::string gameDat;
        for (int i = 0; i < kGames; ++i) {
            char title[16];
            std::snprintf(title, sizeof title, "Game %02d", i);
            const std::string icon = "game" + std::to_string(i) + ".ico";
            const COLORREF c = GameColour(i);
            const std::uint32_t rgb = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
            dir_.Write(icon, test::MakeIcoFile({test::MakeSolidImage(16, 16, rgb),
                                                test::MakeSolidImage(32, 32, rgb)}));
            gameDat += "[" + std::string(title) + "]\r\nRun=C:\\g" + std::to_string(i) +
                       ".exe\r\nIconName=" + dir_.File(icon) + ",0\r\n";
        }
        dir_.Write("readme.txt", "no icons in here\r\n");
        gameDat += "[" + std::string(kNoIcons) +
                   "]\r\nRun=C:\\z.exe\r\nIconName=" + dir_.File("readme.txt") + ",0\r\n";
        dir_.Write("Game.dat", gameDat);

        LaunchOptions options{{}, {{"PALLISAR_STATE_FILE", state_}}, dir_.Path()};
        ASSERT_TRUE(app_.Start(exe_, options));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
        list_ = FindListView(window_);
        ASSERT_NE(list_, nullptr);
    }
    void TearDown() override { app_.Kill(); }

    StateReport State() {
        StateReport report;
        EXPECT_TRUE(RequestStateReport(window_, state_, &report));
        return report;
    }
    std::string IconNameOf(const char* title) const {
        return IniFile(dir_.File("Game.dat")).ReadString(title, "IconName", "");
    }

    ProgramDirectory dir_;
    AppProcess app_;
    std::string exe_;
    std::string state_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(IconsTest, IconsAreReadWhenSeenAndShowFromThen) {
    // The first games show their own icons; the last ones are out of sight and unread.
    ASSERT_TRUE(Eventually([&] { return ColoursShown(list_).count(0) > 0; }, "game 0's icon"));
    StateReport state = State();
    ASSERT_EQ(state.list.size(), kGames + 1u);
    const int lastIcon = state.list[kGames - 1].image;
    EXPECT_EQ(state.heldIcons.count(state.list[0].image), 1u);
    EXPECT_EQ(state.heldIcons.count(lastIcon), 0u);
    EXPECT_GT(state.iconReads, 0);
    EXPECT_LT(state.iconReads, kGames);
    EXPECT_EQ(ColoursShown(list_).count(kGames - 1), 0u);
    EXPECT_EQ(IconNameOf(kNoIcons), dir_.File("readme.txt") + ",0");

    // Scrolled to the end: the last games' icons are read and shown, and the file without
    // icons is mended as a missing one is at start-up.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(list_, LVM_ENSUREVISIBLE, kGames, FALSE, SMTO_NORMAL, 10000, &ignored);
    ASSERT_TRUE(Eventually([&] { return ColoursShown(list_).count(kGames - 1) > 0; },
                           "the last game's icon"));
    EXPECT_EQ(State().heldIcons.count(lastIcon), 1u);
    SaveScreenshot(window_, Shot("main-own-icons-scrolled"));
    ASSERT_TRUE(
        Eventually([&] { return IconNameOf(kNoIcons).find("shell32.dll,0") != std::string::npos; },
                   "the entry without icons mended"));
    EXPECT_EQ(IconNameOf(kNoIcons), SystemDirectory() + "\\shell32.dll,0");
}

TEST_F(IconsTest, TrayMenuShowsEachGamesOwnIcon) {
    ASSERT_TRUE(ClickWineTrayIcon(WM_RBUTTONDOWN));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitForPopupMenu(app_.Id(), &menu));
    // The menu's first games, each in its own colour, once read.
    EXPECT_TRUE(Eventually(
        [&] {
            const std::set<int> shown = ColoursShown(menu);
            return shown.count(0) && shown.count(1) && shown.count(5);
        },
        "the first games' icons in the tray menu"));
    SaveScreenshot(menu, Shot("tray-menu-own-icons"));
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace
}  // namespace pallisar::e2e
