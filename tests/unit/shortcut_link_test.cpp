#include "shell/shortcut_link.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/recording_shell_link.h"

namespace pallisar {
namespace {

using Calls = std::vector<std::string>;

// Every field but the hot key, in order (the icon number zero-extended, not -1); the
// object released also when saving fails; no object, nothing saved.
TEST(ShortcutLink, SaveLinkGivesTheFieldsInOrderOrFailsAndReleasesTheObject) {
    test::RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetShortcutFile("x.lnk"), link.SetTarget("\"C:\\p.exe\""), link.SetWorkingDir("C:\\G");
    link.SetDescription("d"), link.SetArguments(" /run"), link.SetIconLocation("i.exe");
    link.SetIconNumber(65535), link.SetHotKey("q"), link.SetShowCmd(TShowCmd::scShowMaximized);
    const Calls written = {"path \"C:\\p.exe\"", "dir C:\\G",  "args  /run", "desc d", "show 3",
                           "icon i.exe,65535",   "save x.lnk", "release"};
    const std::string refused = "E: Unable to create .lnk file";  // "E: ": an EShortcutError
    for (const auto& [createError, saveResult, error] :
         {std::tuple<const char*, ShellLinkResult, std::string>{nullptr, 0, ""},
          {nullptr, 1, refused},
          {nullptr, static_cast<int32_t>(0x80070005), refused},
          {"Class not registered", 0, "Class not registered"}}) {
        SCOPED_TRACE(saveResult);
        if (createError) factory.createError = createError;
        factory.saveResult = saveResult, factory.calls.clear();
        std::string raised;
        try {
            link.SaveLink();
        } catch (const Error& e) {
            raised = (dynamic_cast<const EShortcutError*>(&e) ? "E: " : "") + std::string(e.what());
        }
        EXPECT_EQ(raised, error);
        EXPECT_EQ(factory.calls, createError ? Calls{} : written);
    }
}

// One link through the series: an ordinal outside the enum (9, 3, -1) changes nothing.
// What the properties read back, and the show command handed on.
TEST(ShortcutLink, ShowCmdAndHotKeyTranslate) {
    test::RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    using S = TShowCmd;
    for (const auto& [show, hotKey, reads, handedOn, hotKeyReads] :
         {std::tuple<int, std::string, S, int, std::string>{9, "", S::scShowNormal, 0, " "},
          {1, "q", S::scShowMinimized, 2, "Q"},
          {3, "abc", S::scShowMinimized, 2, "A"},
          {-1, "7", S::scShowMinimized, 2, "7"},
          {0, std::string(1, '\0'), S::scShowMaximized, 3, " "},
          {2, "\xE9", S::scShowNormal, 1, "\xE9"}}) {
        SCOPED_TRACE(testing::Message() << show << " " << hotKey);
        link.SetShowCmd(static_cast<TShowCmd>(show)), link.SetHotKey(hotKey);
        factory.calls.clear();
        link.SaveLink();
        EXPECT_EQ(link.ShowCmd(), reads);
        EXPECT_EQ(factory.calls.at(4), "show " + std::to_string(handedOn));
        EXPECT_EQ(link.HotKey(), hotKeyReads);
    }
}

}  // namespace
}  // namespace pallisar
