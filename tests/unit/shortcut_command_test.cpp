#include "ui/shortcut_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ini_file.h"
#include "support/fake_prompts.h"
#include "support/recording_shell_link.h"
#include "support/temp_dir.h"

namespace pallisar {
namespace {

using Calls = std::vector<std::string>;
using Prompts = std::vector<test::FakePrompts::Prompt>;

TEST(ShortcutCommand, EntryGivesTheShortcutsFieldsOrAWarningOrAnError) {
    enum End { kSaved, kFailed, kWarned, kCancelled };
    struct Case {
        std::string title, run, more;  // the entry: Run, its other lines; all have Params
        End end;
        std::string dir, icon;  // given to the link when saved
    } cases[] = {
        {"Foo", "C:\\Games\\Foo\\foo.exe", "IconName=C:\\x\\y.dll,12", kSaved, "C:\\Games\\Foo",
         "C:\\x\\y.dll,12"},
        {"Root", "C:\\foo.exe", "IconName=y.dll,65537", kSaved, "C:\\", "y.dll,1"},
        {"Comma", "C:\\Tomb Raider, Gold\\tomb.exe", "IconName=C:\\Tomb Raider, Gold\\tomb.exe,2",
         kSaved, "C:\\Tomb Raider, Gold", "C:\\Tomb Raider, Gold\\tomb.exe,2"},
        {"Drive", "C:foo.exe", "IconName=7", kSaved, "C:", ",7"},
        {"Bare", "foo.exe", "IconName=,0", kSaved, "", ",0"},
        {"Letters", "C:\\foo.exe", "IconName=C:\\x\\y.dll,abc", kFailed},
        {"Config", "internal", "IconName=C:\\x.dll,0", kWarned},
        {"Game only", "C:\\foo.exe", "IconName=C:\\x.dll,0\r\nGameOnly=1", kWarned},
        {"Cancelled", "C:\\foo.exe", "IconName=C:\\x.dll,0", kCancelled},
    };
    test::TempDir dir;
    std::string text;
    for (const Case& c : cases)
        text += "[" + c.title + "]\r\nRun=" + c.run + "\r\n" + c.more + "\r\nParams=-fast\r\n";
    test::WriteFileBytes(dir.File("Game.dat"), text);
    const IniFile catalogue(dir.File("Game.dat"));
    test::RecordingShellLinkFactory factory;
    TShortcutLink link(factory);
    link.SetDescription("Old comment"), link.SetShowCmd(TShowCmd::scShowMinimized);  // kept
    const Prompts warned{{"Warning", "This option is currently not supported for these types."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        test::FakePrompts prompts;
        if (c.end != kCancelled) prompts.texts = {"D:\\S.lnk"};
        factory.calls.clear(), link.SetHotKey("K");
        std::string error;
        try {
            CreateShortcut(LoadGameEntry(catalogue, c.title), prompts, "C:\\Tools\\pallisar.exe",
                           link);
        } catch (const ConvertError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.end == kFailed ? "'abc' is not a valid integer value" : "");
        EXPECT_EQ(prompts.shown, (c.end == kWarned ? warned : Prompts{{"Save", c.title}}));
        if (c.end != kSaved) {
            EXPECT_TRUE(factory.calls.empty());
            continue;
        }
        EXPECT_EQ(factory.calls, (Calls{"path \"C:\\Tools\\pallisar.exe\"", "dir " + c.dir,
                                        "args  /run \"" + c.run + "\"", "desc Old comment",
                                        "show 2", "icon " + c.icon, "save D:\\S.lnk", "release"}));
        EXPECT_EQ(link.HotKey(), " ");  // the hot key set before is dropped, never handed on
    }
}

}  // namespace
}  // namespace pallisar
