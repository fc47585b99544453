#include "shell/shortcut_link.h"

#include <gtest/gtest.h>

#include <optional>
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

TEST(ShortcutLink, FailuresAreErrorsAndTheObjectIsReleasedEveryTime) {
    struct Case {
        std::optional<std::string> createError;
        ShellLinkResult saveResult;
        std::string error;  // with "E: " for an EShortcutError
    };
    RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetShortcutFile("x.lnk");
    for (const Case& c :
         {Case{std::nullopt, 0, ""}, Case{std::nullopt, 1, "E: Unable to create .lnk file"},
          Case{std::nullopt, static_cast<int32_t>(0x80070005), "E: Unable to create .lnk file"},
          Case{"Class not registered", 0, "Class not registered"}}) {
        SCOPED_TRACE(c.error);
        factory.createError = c.createError;
        factory.saveResult = c.saveResult;
        factory.calls.clear();
        std::string error;
        try {
            link.SaveLink();
        } catch (const EShortcutError& e) {
            error = std::string("E: ") + e.what();
        } catch (const Error& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        if (c.createError) {
            EXPECT_TRUE(factory.calls.empty());  // nothing saved
        } else {
            ASSERT_EQ(factory.calls.size(), 8u);
            EXPECT_EQ(factory.calls[6], "save x.lnk");
            EXPECT_EQ(factory.calls[7], "release");
        }
    }
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
