#include "ui/shortcut_command.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "support/fake_prompts.h"
#include "support/recording_shell_link.h"
#include "support/temp_dir.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using test::RecordingShellLinkFactory;
using test::TempDir;
using Calls = std::vector<std::string>;
using Prompt = FakePrompts::Prompt;

// Also keeps what the save dialog was asked to offer.
class DialogPrompts : public FakePrompts {
  public:
    std::optional<std::string> PromptSaveFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        return FakePrompts::PromptSaveFile(request);
    }
    std::vector<FileDialogRequest> requests;
};

constexpr const char* kLauncher = "C:\\Tools\\pallisar.exe";
constexpr const char* kWarning = "This option is currently not supported for these types.";

TEST(ShortcutCommand, EntryGivesTheShortcutsFieldsOrAWarningOrAnError) {
    struct Case {
        std::string title;
        std::string entry;  // the section's lines; each entry also has Params=-PARAMS-
        std::optional<std::string> chosen;  // the save dialog's answer
        // Expected: the warning, the error, or (neither) the fields given to the link
        // (none when nothing is saved).
        bool warning;
        std::string error;
        std::string dir, args, icon;
    };
    const std::vector<Case> cases = {
        {"Foo", "Run=C:\\Games\\Foo\\foo.exe\r\nIconName=C:\\Games\\Foo\\foo.exe,0\r\nGameOnly=0",
         "C:\\Desk\\Foo.lnk", false, "", "C:\\Games\\Foo", " /run \"C:\\Games\\Foo\\foo.exe\"",
         "C:\\Games\\Foo\\foo.exe,0"},
        {"Root", "Run=C:\\foo.exe\r\nIconName=C:\\x\\y.dll,12", "D:\\Root.lnk", false, "", "C:\\",
         " /run \"C:\\foo.exe\"", "C:\\x\\y.dll,12"},
        {"Drive", "Run=C:foo.exe\r\nIconName=y.dll,65537", "D:\\Drive.lnk", false, "",
         "C:", " /run \"C:foo.exe\"", "y.dll,1"},
        {"Bare", "Run=foo.exe\r\nIconName=7", "Bare.lnk", false, "", "", " /run \"foo.exe\"", ",7"},
        {"Share", "Run=\\\\srv\\games\\x,y.exe\r\nIconName=\\\\srv\\games\\icons.dll, 2", "S.lnk",
         false, "", "\\\\srv\\games", " /run \"\\\\srv\\games\\x,y.exe\"",
         "\\\\srv\\games\\icons.dll,2"},
        // The icon's file ends at the first comma.
        {"Comma", "Run=C:\\foo.exe\r\nIconName=C:\\a,b\\c.dll,2", "D:\\M.lnk", false,
         "'b\\c.dll,2' is not a valid integer value", "", "", ""},
        {"Letters", "Run=C:\\foo.exe\r\nIconName=C:\\x\\y.dll,abc", "D:\\L.lnk", false,
         "'abc' is not a valid integer value", "", "", ""},
        {"No icon", "Run=C:\\foo.exe", "D:\\N.lnk", false, "'' is not a valid integer value", "",
         "", ""},
        {"Config", "Run=internal\r\nIconName=C:\\x.dll,0", "D:\\C.lnk", true, "", "", "", ""},
        {"Game only", "Run=C:\\foo.exe\r\nIconName=C:\\x.dll,0\r\nGameOnly=1", "D:\\G.lnk", true,
         "", "", "", ""},
        {"Cancelled", "Run=C:\\foo.exe\r\nIconName=C:\\x.dll,abc", std::nullopt, false, "", "", "",
         ""},
    };
    TempDir dir;
    std::string text;
    for (const Case& c : cases)
        text += "[" + c.title + "]\r\n" + c.entry + "\r\nParams=-PARAMS-\r\n";
    test::WriteFileBytes(dir.File("Game.dat"), text);
    const IniFile catalogue(dir.File("Game.dat"));

    RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    // What the command leaves alone.
    link.SetDescription("Old comment");
    link.SetShowCmd(TShowCmd::scShowMinimized);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        DialogPrompts prompts;
        prompts.texts = {c.chosen};
        factory.calls.clear();
        link.SetHotKey("K");
        try {
            CreateShortcut(catalogue, c.title, prompts, kLauncher, link);
            EXPECT_EQ(c.error, "");
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), c.error);
        }
        if (c.warning) {
            EXPECT_EQ(prompts.shown, (std::vector<Prompt>{{"Warning", kWarning}}));
            EXPECT_TRUE(factory.calls.empty());
            continue;
        }
        EXPECT_EQ(prompts.shown, (std::vector<Prompt>{{"Save", c.title}}));
        ASSERT_EQ(prompts.requests.size(), 1u);
        EXPECT_EQ(prompts.requests[0].Filter, "Shortcuts|*.lnk|All Files (*.*)|*.*");
        EXPECT_EQ(prompts.requests[0].DefaultExt, "lnk");
        if (!c.error.empty() || !c.chosen) {
            EXPECT_TRUE(factory.calls.empty());
            continue;
        }
        EXPECT_EQ(factory.calls, (Calls{"path \"C:\\Tools\\pallisar.exe\"", "dir " + c.dir,
                                        "args " + c.args, "desc Old comment", "show 2",
                                        "icon " + c.icon, "save " + *c.chosen, "release"}));
        EXPECT_EQ(link.HotKey(), " ");
    }
}

}  // namespace
}  // namespace pallisar
