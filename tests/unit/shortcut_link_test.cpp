#include "shell/shortcut_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_shell_link.h"

namespace pallisar {
namespace {

using test::RecordingShellLinkFactory;
using Calls = std::vector<std::string>;

TEST(ShortcutLink, SaveLinkGivesEveryFieldButTheHotKeyInOrder) {
    RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetShortcutFile("C:\\Desk\\Quake.lnk");
    link.SetTarget("\"C:\\Tools\\pallisar.exe\"");
    link.SetWorkingDir("C:\\Games");
    link.SetDescription("comment");
    link.SetArguments(" /run \"C:\\Games\\quake.exe\"");
    link.SetIconLocation("C:\\Games\\quake.exe");
    link.SetHotKey("q");
    link.SetShowCmd(TShowCmd::scShowMaximized);
    link.SetIconNumber(65535);  // zero-extended, not -1
    link.SaveLink();
    EXPECT_EQ(factory.calls,
              (Calls{"path \"C:\\Tools\\pallisar.exe\"", "dir C:\\Games",
                     "args  /run \"C:\\Games\\quake.exe\"", "desc comment", "show 3",
                     "icon C:\\Games\\quake.exe,65535", "save C:\\Desk\\Quake.lnk", "release"}));
}

TEST(ShortcutLink, AnythingButSavedIsAnErrorAndTheObjectIsReleasedEveryTime) {
    struct Case {
        ShellLinkResult result;
        bool fails;
    };
    for (const Case& c : {Case{0, false}, Case{1, true},
                          Case{static_cast<int32_t>(0x80070005), true}, Case{-1, true}}) {
        SCOPED_TRACE(c.result);
        RecordingShellLinkFactory factory;
        factory.saveResult = c.result;
        TShortcutLink link(factory);
        link.SetShortcutFile("x.lnk");
        if (c.fails) {
            try {
                link.SaveLink();
                ADD_FAILURE() << "no error";
            } catch (const EShortcutError& e) {
                EXPECT_STREQ(e.what(), "Unable to create .lnk file");
            }
        } else {
            EXPECT_NO_THROW(link.SaveLink());
        }
        ASSERT_GE(factory.calls.size(), 2u);
        EXPECT_EQ(factory.calls[factory.calls.size() - 2], "save x.lnk");
        EXPECT_EQ(factory.calls.back(), "release");
    }
}

TEST(ShortcutLink, NoLinkObjectPassesTheSystemsErrorOnAndSavesNothing) {
    RecordingShellLinkFactory factory;
    factory.createError = "Class not registered";
    TShortcutLink link(factory);
    link.SetShortcutFile("x.lnk");
    try {
        link.SaveLink();
        ADD_FAILURE() << "no error";
    } catch (const EShortcutError&) {
        ADD_FAILURE() << "taken for a failed save";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Class not registered");
    }
    EXPECT_TRUE(factory.calls.empty());
}

// What a property reads back and what reaches the link after a series of writes.
TEST(ShortcutLink, ShowCmdAndHotKeyTranslate) {
    struct ShowCase {
        int ordinal;  // -9: no write
        TShowCmd reads;
        std::string handedOn;
    };
    RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    // One link through the whole series: a refused write keeps the previous value.
    for (const ShowCase& c : {ShowCase{-9, TShowCmd::scShowNormal, "show 0"},
                              ShowCase{1, TShowCmd::scShowMinimized, "show 2"},
                              ShowCase{3, TShowCmd::scShowMinimized, "show 2"},
                              ShowCase{-1, TShowCmd::scShowMinimized, "show 2"},
                              ShowCase{0, TShowCmd::scShowMaximized, "show 3"},
                              ShowCase{2, TShowCmd::scShowNormal, "show 1"}}) {
        SCOPED_TRACE(c.ordinal);
        if (c.ordinal != -9) link.SetShowCmd(static_cast<TShowCmd>(c.ordinal));
        EXPECT_EQ(link.ShowCmd(), c.reads);
        factory.calls.clear();
        link.SaveLink();
        EXPECT_EQ(factory.calls.at(4), c.handedOn);
    }

    struct HotKeyCase {
        std::string set;
        std::string reads;
    };
    EXPECT_EQ(link.HotKey(), " ");
    for (const HotKeyCase& c : {HotKeyCase{"q", "Q"}, HotKeyCase{"abc", "A"}, HotKeyCase{"7", "7"},
                                HotKeyCase{std::string(1, '\0'), " "}, HotKeyCase{"z", "Z"},
                                HotKeyCase{"", " "}, HotKeyCase{"\xE9", "\xE9"}}) {
        SCOPED_TRACE(c.set);
        link.SetHotKey(c.set);
        EXPECT_EQ(link.HotKey(), c.reads);
    }
}

}  // namespace
}  // namespace pallisar
