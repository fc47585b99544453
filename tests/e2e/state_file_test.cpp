// Reading pallisar.exe's state report: the tests trust what it gives them, so a misread
// tab, flag or half-written file must fail here.

#include "state_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace pallisar::e2e {
namespace {

using ::testing::ElementsAre;

constexpr char kReport[] =
    "caption=Pallisar Game Launcher - 3dfx Voodoo5 5500\n"
    "viewstyle=3\n"
    "[menu MainMenu1]\n"
    "item=&File\t\t-1\n"
    "item=&File > &Run\tEnter\tg\t-1\n"
    "item=&File > -\ts\t-1\n"
    "[menu PopupMenu1]\n"
    "item=View > Large Icons\tr\t-1\n"
    "item=View > Details\tcr\t-1\n"
    "[menu TrayPopup]\n"
    "item=A game\t\t0\n"
    "item=-\ts\t-1\n"
    "item=&Restore\td\t-1\n"
    "[list]\n"
    "item=A game\t0\tC:\\games\\a.exe\n"
    "item=B Config\t1\tINTERNAL\n"
    "item=C\t2\t\n"
    "[icons]\n"
    "reads=3\n"
    "held=0\t2\n"
    "held=2\t1\n";

TEST(StateReportParse, ReadsEveryPart) {
    StateReport report;
    ASSERT_TRUE(ParseStateReport(kReport, &report));
    EXPECT_EQ(report.caption, "Pallisar Game Launcher - 3dfx Voodoo5 5500");
    EXPECT_EQ(report.viewStyle, 3);
    // A tab inside a menu caption stays part of the caption.
    EXPECT_THAT(report.MenuCaptions("MainMenu1"),
                ElementsAre("&File", "&File > &Run\tEnter", "&File > -"));
    EXPECT_THAT(report.Flagged("MainMenu1", 'g'), ElementsAre("&File > &Run\tEnter"));
    EXPECT_THAT(report.Flagged("MainMenu1", 's'), ElementsAre("&File > -"));
    EXPECT_THAT(report.Flagged("PopupMenu1", 'c'), ElementsAre("View > Details"));
    EXPECT_THAT(report.Flagged("PopupMenu1", 'r'),
                ElementsAre("View > Large Icons", "View > Details"));
    EXPECT_THAT(report.MenuCaptions("TrayPopup"), ElementsAre("A game", "-", "&Restore"));
    EXPECT_EQ(report.menus.at("TrayPopup")[0].image, 0);
    EXPECT_EQ(report.menus.at("TrayPopup")[1].image, -1);
    EXPECT_TRUE(report.MenuCaptions("NoSuchMenu").empty());
    ASSERT_EQ(report.list.size(), 3u);
    EXPECT_EQ(report.list[0].caption, "A game");
    EXPECT_EQ(report.list[0].path, "C:\\games\\a.exe");
    EXPECT_EQ(report.list[1].image, 1);
    EXPECT_EQ(report.list[1].path, "INTERNAL");
    EXPECT_EQ(report.list[2].path, "");
    EXPECT_EQ(report.iconReads, 3);
    EXPECT_EQ(report.heldIcons, (std::map<int, int>{{0, 2}, {2, 1}}));
}

TEST(StateReportParse, AcceptsCrLfAndAnEmptyList) {
    StateReport report;
    ASSERT_TRUE(
        ParseStateReport("caption=X\r\nviewstyle=0\r\n[menu TrayPopup]\r\n[list]\r\n", &report));
    EXPECT_EQ(report.caption, "X");
    EXPECT_TRUE(report.list.empty());
    EXPECT_TRUE(report.menus.count("TrayPopup"));
}

TEST(StateReportParse, RejectsBrokenFilesAndLeavesTheResultAlone) {
    const std::string full = kReport;
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"cut before the list", full.substr(0, full.find("[list]"))},
        {"view style not a number", "caption=X\nviewstyle=x\n[list]\n"},
        {"unknown flag", "caption=X\nviewstyle=0\n[menu M]\nitem=A\tz\t0\n[list]\n"},
        {"menu item short of fields", "caption=X\nviewstyle=0\n[menu M]\nitem=A\t0\n[list]\n"},
        {"list item short of fields", "caption=X\nviewstyle=0\n[list]\nitem=A\t0\n"},
        {"image not a number", "caption=X\nviewstyle=0\n[list]\nitem=A\tx\tp\n"},
        {"item outside a section", "caption=X\nviewstyle=0\nitem=A\t\t0\n[list]\n"},
        {"caption not first", "viewstyle=0\ncaption=X\n[list]\n"},
        {"held icon short of a slot", "caption=X\nviewstyle=0\n[list]\n[icons]\nheld=1\n"},
        {"list item after the icons", "caption=X\nviewstyle=0\n[list]\n[icons]\nitem=A\t0\tp\n"},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        StateReport report;
        report.caption = "untouched";
        EXPECT_FALSE(ParseStateReport(text, &report));
        EXPECT_EQ(report.caption, "untouched");
    }
}

}  // namespace
}  // namespace pallisar::e2e
