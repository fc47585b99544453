#include "ui/options.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/file_replace.h"
#include "support/options_world.h"
#include "support/registry_seed.h"

namespace pallisar {
namespace {

using Prompts = std::vector<test::FakePrompts::Prompt>;

// The test is the dialogs' host: `user` plays the Options dialog (true: OK), `choice`
// answers the change-icon dialog (none: Cancel).
class OptionsTest : public testing::Test, public OptionsHost, public test::OptionsWorld {
  protected:
    bool ShowOptions(TfmOptions& options) override { return user(options); }
    bool ShowChangeIcon(TfmChangeIcon& dialog) override {
        if (choice) dialog.SetUp(choice->first, choice->second);
        return choice.has_value();
    }
    // The whole command; a RegistryError's text or "".
    std::string Run(std::function<bool(TfmOptions&)> play) try {
        user = std::move(play), afterOK = 0;
        RunOptions(Services(), *this, [&] { ++afterOK; });
        return "";
    } catch (const RegistryError& e) {
        return e.what();
    }

    std::function<bool(TfmOptions&)> user;
    std::optional<std::pair<std::string, int>> choice;
    int afterOK = 0;
};

// Each row opens on the Run value `before`; the user sets the boxes and ends with OK or
// with Cancel, which first clicks "Reset".
TEST_F(OptionsTest, OkStoresEveryChoiceEvenPastARefusedAutostartAndCancelNothing) {
    const std::string kValue = TfmOptions::kAutoStartValue, on = program + " /min";
    const std::string refused = "Failed to set data for '" + kValue + "'";
    enum Refuse { kNone, kValueRefused, kKeyRefused };
    struct Case {
        bool ok;                // else Cancel
        std::string before;     // the Run value
        bool shown, autoStart;  // the autostart box as opened, as left
        Refuse refuse;
        std::string low, high;      // as typed
        std::string after, stored;  // the Run value; "low high" (-1 and 1 before)
        std::string error;          // reported once every other choice is stored
    } cases[] = {
        {true, "NO", false, true, kNone, "x", "3", on, "-1 3", ""},
        {true, "no", true, false, kNone, "-0.25", "1,5", "(none)", "-0.25 1", ""},
        {true, "old", true, true, kValueRefused, "-3", "3", "old", "-3 3", refused},
        // No rights to the Run key at all: the reason comes with it.
        {true, "old", true, true, kKeyRefused, "-3", "3", "old", "-3 3",
         refused + ": Access is denied."},
        // Turned off, but the value cannot be deleted: Windows would still start it.
        {true, "old", true, false, kKeyRefused, "-3", "3", "old", "-3 3",
         "Failed to delete value '" + kValue + "': Access is denied."},
        {false, "old", true, false, kNone, "-3", "3", "old", "-1 1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ok << c.before << c.autoStart << c.refuse);
        memory.AcceptAllWrites();
        ASSERT_TRUE(test::SeedText(memory, TfmOptions::kRunKey, kValue, c.before));
        if (c.refuse == kKeyRefused)
            memory.RefuseWritesBelow(RegRoot::LocalMachine, TfmOptions::kRunKey);
        store.refused = {c.refuse == kValueRefused ? kValue : ""};
        WriteSettings(
            "LODLowRange=-1\r\nLODHighRange=1\r\nResetSettings=0\r\nGenerateLog=1\r\n"
            "VideoCard=Voodoo5\r\n");
        bool shown = !c.shown;
        std::string card = "(kept)";
        const std::string error = Run([&](TfmOptions& o) {
            shown = o.chkAutoStart.Checked;
            if (!c.ok) o.Button1Click(), card = Setting("VideoCard");
            o.chkAutoStart.Checked = c.autoStart, o.chkRestorePrev.Checked = true;
            o.chkLog.Checked = false, o.edLODLow.Text = c.low, o.edLODHigh.Text = c.high;
            return c.ok;
        });
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(afterOK, c.ok ? 1 : 0);
        EXPECT_EQ(reg.At(TRootKey::hkLocalMachine, TfmOptions::kRunKey)
                      .ReadValueDefault(kValue, "(none)"),
                  c.after);
        EXPECT_EQ(Setting("ResetSettings") + Setting("GenerateLog"), c.ok ? "10" : "01");
        EXPECT_EQ(Setting("LODLowRange") + " " + Setting("LODHighRange"), c.stored);
        EXPECT_EQ(card, c.ok ? "(kept)" : "(none)");  // removed before the dialog closed
    }
    EXPECT_EQ(prompts.shown, (Prompts{{"Information",
                                       "Video Card Reset.\rPlease restart "
                                       "program to reselect video card."}}));
}

// "..." saves the choice at once, though the Options dialog is then cancelled; a choice
// that cannot be saved keeps the icon there was, and says which one that is.
TEST_F(OptionsTest, ChosenIconIsSavedAtOnceOrTheOldOneKept) {
    const auto clickThenCancel = [](TfmOptions& o) { return o.btnEdPathClick(), false; };
    choice = {dir.File("gone.exe"), 0};
    Run(clickThenCancel);
    EXPECT_FALSE(test::FileExistsAt(ico));
    EXPECT_EQ(prompts.shown, (Prompts{{"Error", "Error in icon! Icon has been reset."}}));

    prompts.shown.clear();
    choice = {program, 2};
    Run(clickThenCancel);
    const std::string saved = test::MakeIcoFile({groups[2].images[1]});
    EXPECT_EQ(test::ReadFileBytes(ico), saved);
    EXPECT_TRUE(prompts.shown.empty());
    for (const bool failWhileWriting : {false, true}) {
        // A file that is no icon, or a disk that fails half-way through the new one.
        choice = {failWhileWriting ? program : dir.File("gone.exe"), 0};
        if (failWhileWriting) FailNextFileReplaceAfter(10);
        Run(clickThenCancel);
        EXPECT_EQ(test::ReadFileBytes(ico), saved);
        EXPECT_EQ(
            prompts.shown.back(),
            (Prompts::value_type{"Error", "Error in icon! The previous icon has been kept."}));
    }
}

}  // namespace
}  // namespace pallisar
