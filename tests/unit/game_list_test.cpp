#include "app/game_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "support/fake_system_info.h"
#include "support/temp_dir.h"
#include "ui/main_menus.h"

namespace pallisar {
namespace {

using test::FakeSystemInfo;
using test::TempDir;
using test::WriteFileBytes;

std::vector<std::string> Captions(const std::vector<MenuItem>& items) {
    std::vector<std::string> captions;
    for (const MenuItem& item : items) captions.push_back(item.Caption);
    return captions;
}

// The icon each entry shows, in list order.
std::vector<IconRef> EntryIcons(const GameListView& view) {
    std::vector<IconRef> icons;
    for (const ListItem& item : view.Items) icons.push_back(view.Icons.at(item.ImageIndex));
    return icons;
}

std::vector<std::string> Captions(const std::vector<ListItem>& items) {
    std::vector<std::string> captions;
    for (const ListItem& item : items) captions.push_back(item.Caption);
    return captions;
}

class GameListTest : public testing::Test {
  protected:
    GameListTest() : system(true), catalogue(dir.File("Game.dat")) {
        system.systemDir = "C:\\WINDOWS\\system32";
    }

    // A file that exists on disk (a load does not read the icons in it).
    std::string IconFile(const std::string& name) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, "icon");
        return path;
    }

    void Load() { LoadGameList(view, catalogue, system); }

    TempDir dir;
    FakeSystemInfo system;
    IniFile catalogue;
    GameListView view;
};

TEST_F(GameListTest, TitlesAreSortedWithoutRegardToCase) {
    const std::string exe = IconFile("game.exe");
    for (const char* title : {"beta", "Alpha", "gamma"}) {
        catalogue.WriteString(title, "Run", std::string("C:\\") + title + ".exe");
        catalogue.WriteString(title, "IconName", exe + ",0");
    }
    Load();

    // One icon, shared by the three.
    const std::vector<ListItem> expected = {{"Alpha", 0, "C:\\Alpha.exe", false},
                                            {"beta", 0, "C:\\beta.exe", false},
                                            {"gamma", 0, "C:\\gamma.exe", false}};
    EXPECT_EQ(view.Items, expected);
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"Alpha", "beta", "gamma", "-", "Stop &Waiting", "&Restore",
                                        "E&xit"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TrayPopupFor(view.Items)[i].ImageIndex, 0);
    EXPECT_EQ(view.Icons, (std::vector<IconRef>{IconRef{exe, 0}}));
}

TEST_F(GameListTest, AGivenTitleOrderSortsTheListAndBothPartsOfTheTrayMenu) {
    for (const char* title : {"Alpha", "_Under", "Co-op", "Coma"}) {
        catalogue.WriteString(title, "Run", "C:\\x.exe");
    }
    catalogue.WriteString("Setup", "Run", "INTERNAL");
    catalogue.WriteString("-Tune", "Run", "INTERNAL");

    // Without an order: the ASCII letters compared after upper-casing.
    Load();
    EXPECT_EQ(Captions(view.Items),
              (std::vector<std::string>{"-Tune", "Alpha", "Co-op", "Coma", "Setup", "_Under"}));

    // An order that ignores "-" and "_" (as the system's collation weighs them last).
    const auto stripped = [](std::string_view text) {
        std::string kept;
        for (char c : text) {
            if (c != '-' && c != '_') kept += c;
        }
        return kept;
    };
    const TitleOrder order = [&](std::string_view a, std::string_view b) {
        return CompareText(stripped(a), stripped(b));
    };
    LoadGameList(view, catalogue, system, order);
    EXPECT_EQ(Captions(view.Items),
              (std::vector<std::string>{"Alpha", "Coma", "Co-op", "Setup", "-Tune", "_Under"}));
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"Alpha", "Coma", "Co-op", "_Under", "-", "Setup", "-Tune",
                                        "-", "Stop &Waiting", "&Restore", "E&xit"}));
}

TEST_F(GameListTest, ConfigOnlyEntriesFollowTheGamesAfterTheirOwnSeparator) {
    catalogue.WriteString("C", "Run", "C:\\c.exe");
    catalogue.WriteString("B", "Run", "INTERNAL");
    catalogue.WriteString("A", "Run", "C:\\a.exe");
    for (const char* title : {"C", "B", "A"}) {
        catalogue.WriteString(title, "IconName", IconFile(std::string(title) + ".ico") + ",0");
    }
    Load();

    EXPECT_EQ(
        Captions(TrayPopupFor(view.Items)),
        (std::vector<std::string>{"A", "C", "-", "B", "-", "Stop &Waiting", "&Restore", "E&xit"}));
    // Images follow the sorted order, not the tray position.
    EXPECT_EQ(TrayPopupFor(view.Items)[0].ImageIndex, 0);
    EXPECT_EQ(TrayPopupFor(view.Items)[1].ImageIndex, 2);
    EXPECT_EQ(TrayPopupFor(view.Items)[3].ImageIndex, 1);
    EXPECT_EQ(view.Items[1], (ListItem{"B", 1, "INTERNAL", true}));
    // The fixed items keep their names and the default mark.
    EXPECT_EQ(TrayPopupFor(view.Items)[5].Name, "miTrayStopWaiting");
    EXPECT_FALSE(TrayPopupFor(view.Items)[5].Enabled);
    EXPECT_EQ(TrayPopupFor(view.Items)[6].Name, "miRestore");
    EXPECT_TRUE(TrayPopupFor(view.Items)[6].Default);
    EXPECT_EQ(TrayPopupFor(view.Items)[7].Name, "Exi1");
}

TEST_F(GameListTest, OnlyUpperCaseInternalMakesAConfigOnlyEntryInTheList) {
    catalogue.WriteString("Tweak", "Run", "internal");
    catalogue.WriteString("Game", "Run", "C:\\g.exe");
    Load();
    // No Config Only entry: the games run straight into the fixed separator.
    EXPECT_EQ(
        Captions(TrayPopupFor(view.Items)),
        (std::vector<std::string>{"Game", "Tweak", "-", "Stop &Waiting", "&Restore", "E&xit"}));
    EXPECT_EQ(view.Items[1].Path, "internal");
}

// A load looks only at whether each icon file exists: a missing one is repaired at
// once; entries showing the same icon share it; nothing is kept for the next load.
TEST_F(GameListTest, MissingIconFilesAreRepairedAtLoadAndEqualIconsShared) {
    const std::string shared = IconFile("shared.ico");
    const std::string other = IconFile("other.exe");
    const std::string gone = dir.File("gone.exe");  // never created
    const std::pair<const char*, std::string> entries[] = {
        {"A", shared + ",0"}, {"B", shared + ",2"},
        {"C", other + ",1"},  {"D", shared + ",-1"},
        {"E", gone + ",2"},   {"F", ""},
        {"G", "7"},           {"H", shared + ",2"}};
    for (const auto& [title, iconName] : entries) {
        catalogue.WriteString(title, "IconName", iconName);
    }
    Load();
    const IconRef shell{"C:\\WINDOWS\\system32\\shell32.dll", 0};
    // A negative number is icon 0; the others are clamped when the icon is read.
    EXPECT_EQ(
        EntryIcons(view),
        (std::vector<IconRef>{
            {shared, 0}, {shared, 2}, {other, 1}, {shared, 0}, shell, shell, shell, {shared, 2}}));
    EXPECT_EQ(view.Icons, (std::vector<IconRef>{{shared, 0}, {shared, 2}, {other, 1}, shell}));
    for (const char* title : {"E", "F", "G"}) {
        EXPECT_EQ(catalogue.ReadString(title, "IconName", ""), shell.FileName + ",0");
    }
    EXPECT_EQ(catalogue.ReadString("B", "IconName", ""), shared + ",2");

    std::remove(other.c_str());
    Load();
    EXPECT_EQ(view.Items[2].ImageIndex, view.Items[4].ImageIndex);
    EXPECT_EQ(catalogue.ReadString("C", "IconName", ""), shell.FileName + ",0");
}

// Icon files found to hold no icons when drawn are repaired like missing ones, in one
// write, for every entry showing them, unless the entry names another file by now.
TEST_F(GameListTest, RepairedIconsFallBackToShell32InTheFileAndTheView) {
    const std::string empty = IconFile("empty.dll");
    const std::string good = IconFile("good.exe");
    catalogue.WriteString("A", "IconName", empty + ",0");
    catalogue.WriteString("B", "IconName", good + ",1");
    catalogue.WriteString("C", "IconName", empty + ",0");
    catalogue.WriteString("D", "IconName", empty + ",0");
    Load();
    ASSERT_EQ(view.Icons.size(), 2u);
    catalogue.WriteString("D", "IconName", good + ",3");  // changed meanwhile

    RepairIcons(view, catalogue, system, {0, 7});
    const IconRef shell{"C:\\WINDOWS\\system32\\shell32.dll", 0};
    EXPECT_EQ(view.Icons, (std::vector<IconRef>{shell, {good, 1}}));
    EXPECT_EQ(catalogue.ReadString("A", "IconName", ""), shell.FileName + ",0");
    EXPECT_EQ(catalogue.ReadString("C", "IconName", ""), shell.FileName + ",0");
    EXPECT_EQ(catalogue.ReadString("B", "IconName", ""), good + ",1");
    EXPECT_EQ(catalogue.ReadString("D", "IconName", ""), good + ",3");
}

TEST(IconName, TheNumberFollowsTheLastComma) {
    const std::pair<std::string, IconNameParts> cases[] = {
        {"C:\\x\\y.dll,12", {"C:\\x\\y.dll", "12"}},
        {"C:\\Games\\Tomb Raider, Gold\\tomb.exe,1",
         {"C:\\Games\\Tomb Raider, Gold\\tomb.exe", "1"}},
        {"a,b,c.ico,-1", {"a,b,c.ico", "-1"}},
        {"C:\\x.dll, 2", {"C:\\x.dll", " 2"}},
        {"C:\\x.dll,", {"C:\\x.dll", ""}},
        {",0", {"", "0"}},
        {"7", {"", "7"}},
        {"", {"", ""}},
    };
    for (const auto& [iconName, parts] : cases) {
        SCOPED_TRACE(iconName);
        EXPECT_EQ(SplitIconName(iconName), parts);
    }
}

TEST_F(GameListTest, IconPathsMayHoldCommas) {
    const std::string one = IconFile("Tomb Raider, Gold.ico");
    const std::string two = IconFile("a, b, c.exe");
    catalogue.WriteString("One", "IconName", one + ",1");
    catalogue.WriteString("Two", "IconName", two + ",2");
    Load();
    EXPECT_EQ(EntryIcons(view), (std::vector<IconRef>{{one, 1}, {two, 2}}));
    // Both are usable: nothing was written back.
    EXPECT_EQ(catalogue.ReadString("One", "IconName", ""), one + ",1");
    EXPECT_EQ(catalogue.ReadString("Two", "IconName", ""), two + ",2");

    // Without its number, the text after the last comma must still be one.
    IconFile("Tomb Raider");
    catalogue.WriteString("One", "IconName", one);
    EXPECT_THROW(Load(), ConvertError);
}

TEST_F(GameListTest, BadIconNumberStopsTheLoadAndKeepsEarlierEntries) {
    const std::string exe = IconFile("game.exe");
    catalogue.WriteString("Alpha", "IconName", exe + ",1");
    catalogue.WriteString("Config", "Run", "INTERNAL");
    catalogue.WriteString("Beta", "IconName", exe + ",abc");
    catalogue.WriteString("Gamma", "IconName", exe + ",0");

    try {
        Load();
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(Captions(view.Items), (std::vector<std::string>{"Alpha"}));
    EXPECT_EQ(view.Icons.size(), 1u);
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"Alpha", "-", "Stop &Waiting", "&Restore", "E&xit"}));

    // Nothing after the comma is not a number either.
    catalogue.WriteString("Beta", "IconName", exe + ",");
    try {
        Load();
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

TEST_F(GameListTest, LoadingAgainGivesTheSameViewAndDummyNeverReturns) {
    EXPECT_EQ(DesignTimeTrayPopup().front().Caption, "DUMMY");
    catalogue.WriteString("B", "Run", "INTERNAL");
    catalogue.WriteString("A", "Run", "C:\\a.exe");
    Load();
    const GameListView first = view;
    Load();
    EXPECT_EQ(view.Items, first.Items);
    EXPECT_EQ(view.Icons, first.Icons);
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"A", "-", "B", "-", "Stop &Waiting", "&Restore", "E&xit"}));

    // Entries removed from the file disappear at the next load.
    catalogue.EraseSection("A");
    catalogue.EraseSection("B");
    Load();
    EXPECT_TRUE(view.Items.empty());
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"-", "Stop &Waiting", "&Restore", "E&xit"}));
}

TEST_F(GameListTest, MissingCatalogueGivesAnEmptyList) {
    Load();
    EXPECT_TRUE(view.Items.empty());
    EXPECT_TRUE(view.Icons.empty());
    EXPECT_EQ(Captions(TrayPopupFor(view.Items)),
              (std::vector<std::string>{"-", "Stop &Waiting", "&Restore", "E&xit"}));
    EXPECT_FALSE(test::FileExistsAt(dir.File("Game.dat")));
}

}  // namespace
}  // namespace pallisar
