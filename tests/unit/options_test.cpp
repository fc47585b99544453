#include "ui/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/ini_file.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/registry_seed.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using test::FileExistsAt;
using test::ReadFileBytes;
using test::ValueRefusingStore;
using test::WriteFileBytes;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValue = "Pallisar5 Game Launcher";
constexpr const char* kIconError = "Error in icon! Icon has been reset.";

// Shows the dialog by running `user` on it (true: OK); answers the change-icon dialog
// with `iconChoice` (none: Cancel) after noting the file and icon it started on.
class ScriptedHost : public OptionsHost {
  public:
    bool ShowOptions(TfmOptions& options) override { return user(options); }
    bool ShowChangeIcon(TfmChangeIcon& dialog) override {
        iconStarts.push_back(dialog.ChosenFileName() + "," +
                             std::to_string(dialog.ChosenIconIndex()));
        if (!iconChoice) return false;
        dialog.SetUp(iconChoice->first, iconChoice->second);
        return true;
    }
    std::function<bool(TfmOptions&)> user;
    std::optional<std::pair<std::string, int>> iconChoice;
    std::vector<std::string> iconStarts;
};

class OptionsTest : public testing::Test {
  protected:
    OptionsTest() { WriteFileBytes(program, test::MakePeFile(groups)); }

    OptionsServices Services() { return {dir.Path(), program, prompts, reg}; }
    void Settings(const std::string& program) {
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + program);
    }
    std::string Setting(const char* key) const {
        return IniFile(dir.File("settings.cfg")).ReadString("Program", key, "(none)");
    }
    std::optional<std::string> RunValue() {
        std::unique_ptr<RegistryKey> key;
        RegValue value;
        if (memory.OpenKey(RegRoot::LocalMachine, kRun, false, key) != regError::kSuccess ||
            key->QueryValue(kValue, value) != regError::kSuccess)
            return std::nullopt;
        return value.data;
    }
    // Runs the command; the user's part is `user`; counts the calls of afterOK.
    bool Run(std::function<bool(TfmOptions&)> user) {
        host.user = std::move(user);
        return RunOptions(Services(), host, [&] { ++afterOK; });
    }

    test::TempDir dir;
    const std::string program = dir.File("pallisar.exe");
    const std::string icoFile = dir.File("pallisar.ico");
    const std::vector<test::IconGroupFixture> groups = test::NumberedGroups(3);
    MemoryRegistry memory;
    ValueRefusingStore store{memory};
    TRegistryEnhanced reg{store};
    FakePrompts prompts;
    ScriptedHost host;
    int afterOK = 0;
};

TEST_F(OptionsTest, OpensOnTheAutostartValueAndTheStoredSettings) {
    struct Case {
        std::optional<std::string> runValue;
        std::string settings;
        bool autoStart, restore, log;
        std::string low, high;
    };
    const Case cases[] = {
        {std::nullopt, "", false, true, false, "-2", "2"},
        {"NO", "ResetSettings=0\r\nGenerateLog=1\r\nLODLowRange=-1.5\r\nLODHighRange=abc\r\n",
         false, false, true, "-1.5", "abc"},
        {"no", "ResetSettings=1\r\n", true, true, false, "-2", "2"},
        {"C:\\Pallisar\\pallisar.exe /min", "", true, true, false, "-2", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runValue.value_or("(no value)") + " | " + c.settings);
        memory.DeleteTree(RegRoot::LocalMachine, "Software");
        if (c.runValue) {
            ASSERT_TRUE(test::SeedText(memory, kRun, kValue, *c.runValue));
        }
        Settings(c.settings);
        reg.Key = "Elsewhere";
        reg.RootKey = TRootKey::hkCurrentUser;
        TfmOptions options(Services());
        EXPECT_EQ(options.chkAutoStart.Checked, c.autoStart);
        EXPECT_EQ(options.chkRestorePrev.Checked, c.restore);
        EXPECT_EQ(options.chkLog.Checked, c.log);
        EXPECT_EQ(options.edLODLow.Text, c.low);
        EXPECT_EQ(options.edLODHigh.Text, c.high);
        EXPECT_EQ(reg.Key, kRun);  // left on the Run key, for all to see
        EXPECT_EQ(reg.RootKey, TRootKey::hkLocalMachine);
    }
}

TEST_F(OptionsTest, OkStoresEachChoiceAndCancelNothing) {
    struct Case {
        bool ok, seededRun, autoStart, restore, log;
        std::string low, high;
        std::optional<std::string> runValue;  // after the command
        std::string storedLow, storedHigh;
    };
    const std::string onValue = program + " /min";
    const Case cases[] = {
        {true, false, true, false, true, "x", "3", onValue, "-1", "3"},
        {true, true, false, true, false, "-0.25", "1,5", std::nullopt, "-0.25", "1"},
        // Written as typed; a profile read drops the blanks around a value.
        {true, false, false, false, false, "", " 1.5e0 ", std::nullopt, "-1", "1.5e0"},
        {true, true, true, true, true, "-3", "-4", onValue, "-3", "-4"},  // no order check
        {false, true, false, false, true, "-3", "3", "old /min", "-1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ok << c.autoStart << " " << c.low << "|" << c.high);
        memory.DeleteTree(RegRoot::LocalMachine, "Software");
        if (c.seededRun) {
            ASSERT_TRUE(test::SeedText(memory, kRun, kValue, "old /min"));
        }
        Settings("LODLowRange=-1\r\nLODHighRange=1\r\nResetSettings=1\r\nGenerateLog=0\r\n");
        const std::string before = ReadFileBytes(dir.File("settings.cfg"));
        afterOK = 0;
        const bool ran = Run([&](TfmOptions& o) {
            o.chkAutoStart.Checked = c.autoStart;
            o.chkRestorePrev.Checked = c.restore;
            o.chkLog.Checked = c.log;
            o.edLODLow.Text = c.low;
            o.edLODHigh.Text = c.high;
            return c.ok;
        });
        EXPECT_EQ(ran, c.ok);
        EXPECT_EQ(afterOK, c.ok ? 1 : 0);
        EXPECT_EQ(RunValue(), c.runValue);
        if (!c.ok) {
            EXPECT_EQ(ReadFileBytes(dir.File("settings.cfg")), before);
            continue;
        }
        EXPECT_EQ(Setting("ResetSettings"), c.restore ? "1" : "0");
        EXPECT_EQ(Setting("GenerateLog"), c.log ? "1" : "0");
        EXPECT_EQ(Setting("LODLowRange"), c.storedLow);
        EXPECT_EQ(Setting("LODHighRange"), c.storedHigh);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(OptionsTest, RefusedAutostartKeepsTheOtherChoicesAndIsReportedLast) {
    struct Case {
        const char* what;
        bool refuseKey;  // the Run key cannot be opened or created
        bool autoStart;
        std::string error;  // raised at the end; empty for none
        std::optional<std::string> runValue;
    };
    const Case cases[] = {
        {"value refused", false, true, "Failed to set data for 'Pallisar5 Game Launcher'",
         std::nullopt},
        {"key refused", true, true, "", std::nullopt},
        {"key refused, off", true, false, "", "old /min"},  // the delete is refused quietly
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        memory.AcceptAllWrites();
        memory.DeleteTree(RegRoot::LocalMachine, "Software");
        if (!c.autoStart) {
            ASSERT_TRUE(test::SeedText(memory, kRun, kValue, "old /min"));
        }
        ASSERT_TRUE(test::SeedKey(memory, kRun));
        if (c.refuseKey) memory.RefuseWritesBelow(RegRoot::LocalMachine, kRun);
        store.refused.clear();
        if (!c.refuseKey) store.refused.insert(kValue);
        Settings("LODLowRange=-1\r\nLODHighRange=1\r\n");
        afterOK = 0;
        std::string error;
        try {
            Run([&](TfmOptions& o) {
                o.chkAutoStart.Checked = c.autoStart;
                o.chkRestorePrev.Checked = false;
                o.chkLog.Checked = true;
                o.edLODLow.Text = "-0.5";
                o.edLODHigh.Text = "0.75";
                return true;
            });
        } catch (const RegistryError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(afterOK, 1);
        EXPECT_EQ(RunValue(), c.runValue);
        EXPECT_EQ(Setting("ResetSettings"), "0");
        EXPECT_EQ(Setting("GenerateLog"), "1");
        EXPECT_EQ(Setting("LODLowRange"), "-0.5");
        EXPECT_EQ(Setting("LODHighRange"), "0.75");
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(OptionsTest, ChosenIconIsSavedAtOnceOrTheIconFileDeleted) {
    const std::string oldIco = test::MakeIcoFile({test::MakeDibImage(32, 32, 4, 9)});
    WriteFileBytes(dir.File("broken.dll"), test::MakePeFile({{"", 1, {}, 1}}));
    struct Case {
        const char* what;
        bool icoBefore;
        std::optional<std::pair<std::string, int>> choice;  // none: Cancel
        bool optionsOk;
        std::string start;                    // where the change-icon dialog opened
        std::optional<std::string> icoAfter;  // none: no pallisar.ico
        bool error;
    };
    const Case cases[] = {
        {"program's icon 2, then Cancel", false, std::pair{program, 2}, false, program + ",0",
         test::MakeIcoFile({groups[2].images[1]}), false},
        {"replaces the old one, then OK", true, std::pair{program, 1}, true, icoFile + ",0",
         test::MakeIcoFile({groups[1].images[1]}), false},
        {"change-icon Cancel", true, std::nullopt, false, icoFile + ",0", oldIco, false},
        {"no such file", true, std::pair{dir.File("gone.exe"), 0}, false, icoFile + ",0",
         std::nullopt, true},
        {"an icon that cannot be read", true, std::pair{dir.File("broken.dll"), 0}, true,
         icoFile + ",0", std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(icoFile.c_str());
        if (c.icoBefore) WriteFileBytes(icoFile, oldIco);
        host.iconChoice = c.choice;
        host.iconStarts.clear();
        prompts.shown.clear();
        std::optional<std::string> atOnce;
        Run([&](TfmOptions& o) {
            o.btnEdPathClick();
            if (FileExistsAt(icoFile)) atOnce = ReadFileBytes(icoFile);
            return c.optionsOk;
        });
        EXPECT_EQ(host.iconStarts, std::vector<std::string>{c.start});
        EXPECT_EQ(atOnce, c.icoAfter);
        EXPECT_EQ(FileExistsAt(icoFile) ? std::optional(ReadFileBytes(icoFile)) : std::nullopt,
                  c.icoAfter);
        std::vector<FakePrompts::Prompt> said;
        if (c.error) said.push_back({"Error", kIconError});
        EXPECT_EQ(prompts.shown, said);
    }
}

TEST_F(OptionsTest, ResetRemovesTheCardAtOnceWhateverEndsTheDialog) {
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        prompts.shown.clear();
        Settings("VideoCard=3dfx Voodoo5 5500\r\nLODLowRange=-1\r\n");
        std::string cardWhileOpen;
        Run([&](TfmOptions& o) {
            o.Button1Click();
            cardWhileOpen = Setting("VideoCard");
            return ok;
        });
        EXPECT_EQ(cardWhileOpen, "(none)");
        EXPECT_EQ(Setting("LODLowRange"), "-1");
        EXPECT_EQ(prompts.shown, (std::vector<FakePrompts::Prompt>{
                                     {"Information",
                                      "Video Card Reset.\rPlease restart program to reselect "
                                      "video card."}}));
    }
}

}  // namespace
}  // namespace pallisar
