#include "ui/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
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
using Prompts = std::vector<FakePrompts::Prompt>;
using Choice = std::optional<std::pair<std::string, int>>;  // none: Cancel

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValue = "Pallisar5 Game Launcher";

// The user's part is `user` (true: OK); the change-icon dialog notes where it started
// and answers `choice`.
class ScriptedHost : public OptionsHost {
  public:
    bool ShowOptions(TfmOptions& options) override { return user(options); }
    bool ShowChangeIcon(TfmChangeIcon& dialog) override {
        start = dialog.ChosenFileName() + "," + std::to_string(dialog.ChosenIconIndex());
        if (choice) dialog.SetUp(choice->first, choice->second);
        return choice.has_value();
    }
    std::function<bool(TfmOptions&)> user;
    Choice choice;
    std::string start;
};

class OptionsTest : public testing::Test {
  protected:
    OptionsTest() { test::WriteFileBytes(program, test::MakePeFile(groups)); }
    void Settings(const std::string& keys) {
        test::WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + keys);
    }
    std::string Setting(const char* key) const {
        return IniFile(dir.File("settings.cfg")).ReadString("Program", key, "(none)");
    }
    std::optional<std::string> RunValue() {
        std::unique_ptr<RegistryKey> key;
        RegValue value;
        if (memory.OpenKey(RegRoot::LocalMachine, kRun, false, key) ||
            key->QueryValue(kValue, value))
            return std::nullopt;
        return value.data;
    }
    void SeedRun(const std::optional<std::string>& data) {
        memory.AcceptAllWrites();
        memory.DeleteTree(RegRoot::LocalMachine, "Software");
        ASSERT_TRUE(data ? test::SeedText(memory, kRun, kValue, *data)
                         : test::SeedKey(memory, kRun));
    }
    // The whole command; counts the calls of afterOK; a RegistryError's text or "".
    std::string Run(std::function<bool(TfmOptions&)> user) {
        host.user = std::move(user);
        afterOK = 0, ran = false;
        try {
            ran = RunOptions({dir.Path(), program, prompts, reg}, host, [&] { ++afterOK; });
        } catch (const RegistryError& e) {
            return e.what();
        }
        return "";
    }

    test::TempDir dir;
    const std::string program = dir.File("pallisar.exe"), ico = dir.File("pallisar.ico");
    const std::vector<test::IconGroupFixture> groups = test::NumberedGroups(3);
    MemoryRegistry memory;
    test::ValueRefusingStore store{memory};
    TRegistryEnhanced reg{store};
    FakePrompts prompts;
    ScriptedHost host;
    int afterOK = 0;
    bool ran = false;
};

// Each case opens on the Run value `before` and the settings below, then the user sets
// the boxes and ends with OK or Cancel.
TEST_F(OptionsTest, OkStoresEveryChoiceEvenPastARefusedAutostartAndCancelNothing) {
    enum Refuse { kNone, kValueRefused, kKeyRefused };
    const std::string on = program + " /min",
                      refused = "Failed to set data for '" + std::string(kValue) + "'";
    struct Case {
        bool ok;
        std::optional<std::string> before;
        bool shown, autoStart;  // the autostart box as opened, as left
        Refuse refuse;
        std::string low, high;
        std::optional<std::string> after;  // the Run value
        std::string stored, error;         // "low high"; -1 and 1 before
    } cases[] = {
        {true, std::nullopt, false, true, kNone, "x", "3", on, "-1 3", ""},
        {true, "NO", false, false, kNone, "-0.25", "1,5", std::nullopt, "-0.25 1", ""},
        // Written as typed; a profile read drops the blanks around a value.
        {true, "no", true, true, kNone, "", " 1.5e0 ", on, "-1 1.5e0", ""},
        {true, "old", true, true, kNone, "-3", "-4", on, "-3 -4", ""},  // the order is free
        {true, "old", true, true, kValueRefused, "-3", "3", "old", "-3 3", refused},
        {true, "old", true, true, kKeyRefused, "-3", "3", "old", "-3 3", ""},
        {true, "old", true, false, kKeyRefused, "-3", "3", "old", "-3 3", ""},
        {false, "old", true, false, kNone, "-3", "3", "old", "-1 1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ok << c.before.value_or("-") << c.autoStart << c.refuse
                                        << " " << c.low << "|" << c.high);
        SeedRun(c.before);
        if (c.refuse == kKeyRefused) memory.RefuseWritesBelow(RegRoot::LocalMachine, kRun);
        store.refused = {c.refuse == kValueRefused ? kValue : ""};
        Settings("LODLowRange=-1\r\nLODHighRange=1\r\nResetSettings=0\r\nGenerateLog=1\r\n");
        const std::string error = Run([&](TfmOptions& o) {
            EXPECT_EQ((std::vector<bool>{o.chkAutoStart.Checked, o.chkRestorePrev.Checked,
                                         o.chkLog.Checked}),
                      (std::vector<bool>{c.shown, false, true}));
            EXPECT_EQ(o.edLODLow.Text + " " + o.edLODHigh.Text, "-1 1");
            EXPECT_TRUE(reg.Key == kRun && reg.RootKey == TRootKey::hkLocalMachine);
            o.chkAutoStart.Checked = c.autoStart, o.chkRestorePrev.Checked = true;
            o.chkLog.Checked = false, o.edLODLow.Text = c.low, o.edLODHigh.Text = c.high;
            return c.ok;
        });
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(ran || !error.empty(), c.ok);
        EXPECT_EQ(afterOK, c.ok ? 1 : 0);
        EXPECT_EQ(RunValue(), c.after);
        EXPECT_EQ(Setting("ResetSettings") + Setting("GenerateLog"), c.ok ? "10" : "01");
        EXPECT_EQ(Setting("LODLowRange") + " " + Setting("LODHighRange"), c.stored);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(OptionsTest, ChosenIconIsSavedAtOnceOrTheIconFileDeleted) {
    const std::string old = test::MakeIcoFile({test::MakeDibImage(32, 32, 4, 9)});
    test::WriteFileBytes(dir.File("broken.dll"), test::MakePeFile({{"", 1, {}, 1}}));
    const Prompts iconError = {{"Error", "Error in icon! Icon has been reset."}};
    struct Case {
        bool icoBefore;
        Choice choice;
        std::string start;
        std::optional<std::string> icoAfter;  // none: no pallisar.ico
        Prompts said;
    } cases[] = {
        {false,
         std::pair{program, 2},
         program + ",0",
         test::MakeIcoFile({groups[2].images[1]}),
         {}},
        {true, std::pair{program, 1}, ico + ",0", test::MakeIcoFile({groups[1].images[1]}), {}},
        {true, std::nullopt, ico + ",0", old, {}},
        {true, std::pair{dir.File("gone.exe"), 0}, ico + ",0", std::nullopt, iconError},
        {true, std::pair{dir.File("broken.dll"), 0}, ico + ",0", std::nullopt, iconError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " " + (c.choice ? c.choice->first : "Cancel"));
        std::remove(ico.c_str());
        if (c.icoBefore) test::WriteFileBytes(ico, old);
        host.choice = c.choice;
        prompts.shown.clear();
        Run([&](TfmOptions& o) { return o.btnEdPathClick(), false; });  // Options cancelled
        EXPECT_EQ(host.start, c.start);
        EXPECT_EQ(test::FileExistsAt(ico) ? std::optional(test::ReadFileBytes(ico)) : std::nullopt,
                  c.icoAfter);
        EXPECT_EQ(prompts.shown, c.said);
    }
}

TEST_F(OptionsTest, ResetRemovesTheCardAtOnce) {
    Settings("VideoCard=3dfx Voodoo5 5500\r\nLODLowRange=-1\r\n");
    std::string whileOpen;
    Run([&](TfmOptions& o) { return o.Button1Click(), whileOpen = Setting("VideoCard"), false; });
    EXPECT_EQ(whileOpen, "(none)");
    EXPECT_EQ(Setting("LODLowRange"), "-1");
    EXPECT_EQ(prompts.shown,
              (Prompts{{"Information",
                        "Video Card Reset.\rPlease restart program to reselect video card."}}));
}

}  // namespace
}  // namespace pallisar
