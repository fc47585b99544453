// The icon list box and the change-icon dialog's model, on icon and program files
// built for the test, with a source that records every icon it reads.
#include "ui/icon_list_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/change_icon.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

struct CountingIconSource : FileIconListSource {
    std::optional<Icon> ExtractIcon(const std::string& fileName, int index) override {
        extracted.push_back(index);
        return FileIconListSource::ExtractIcon(fileName, index);
    }
    std::vector<int> extracted;  // icon numbers, in the order read
};

struct IconListBoxTest : testing::Test {
    IconListBoxTest() {
        WriteFileBytes(program, MakePeFile(groups));
        WriteFileBytes(iconFile, MakeIcoFile({MakeDibImage(32, 32, 8, 7)}));
    }
    TempDir dir;
    std::vector<IconGroupFixture> groups = NumberedGroups(5);
    std::string program = dir.File("game.exe"), iconFile = dir.File("one.ico"),
                missing = dir.File("missing.exe");
    CountingIconSource source;
};

// A file lists "0", "1", ... with item 0 selected, then fires OnFileChange once (not again
// for the same name); AutoDisable, set before or after the file, disables a missing one.
TEST_F(IconListBoxTest, ListsTheIconsOfAFileAndReadsNoneUntilDrawn) {
    const struct {
        const std::string* file;
        std::vector<std::string> texts;
        int itemIndex;
    } cases[] = {{&iconFile, {"0", "fired"}, 0},
                 {&program, {"0", "1", "2", "3", "4", "fired"}, 0},
                 {&missing, {"fired"}, -1}};
    const bool autoDisable[][2] = {{true, true}, {false, false}, {true, false}, {false, true}};
    for (const auto& c : cases) {
        for (const auto& [before, after] : autoDisable) {
            SCOPED_TRACE(*c.file + " " + std::to_string(before) + std::to_string(after));
            TIconListBox list(source);
            std::vector<std::string> texts;
            list.OnFileChange = [&] {
                for (int i = 0; i < list.Count(); ++i) texts.push_back(list.ItemText(i));
                texts.push_back("fired");
            };
            list.SetAutoDisable(before);
            list.SetFileName(*c.file);
            list.SetAutoDisable(after);
            list.SetFileName(*c.file);  // the same name again: nothing
            EXPECT_EQ(texts, c.texts);
            EXPECT_EQ(list.ItemIndex(), c.itemIndex);
            EXPECT_EQ(list.Enabled(), !after || c.file != &missing);
            EXPECT_TRUE(source.extracted.empty()) << "nothing drawn yet";
        }
    }
}

TEST_F(IconListBoxTest, ReadsAnIconOnceWhenItsItemIsFirstDrawn) {
    TIconListBox list(source);
    list.SetFileName(program);
    for (int i : {3, 1, 3}) EXPECT_EQ(list.ItemIcon(i)->images[1].data, groups[i].images[1].data);
    EXPECT_EQ(source.extracted, (std::vector<int>{3, 1})) << "each icon read once";
    list.SetFileName(program);
    EXPECT_TRUE(list.IconLoaded(3)) << "the same name again keeps the icons";
}

// Steps: T<text> types, E presses Enter, P picks item 4, B<answer> browses (none cancels).
TEST_F(IconListBoxTest, ChangeIconAcceptsANameOnlyWithEnterOrBrowse) {
    const std::string wrong = dir.File("nowhere.ico");
    const FakePrompts::Prompt open{"Open", ""},
        warning{"Warning", "Windows cannot find the file " + wrong};
    const struct {
        std::vector<std::string> steps;
        std::string edFilename, chosenFile;
        int chosenIndex;
        std::vector<FakePrompts::Prompt> prompts;
    } cases[] = {
        {{"T" + iconFile, "E"}, iconFile, iconFile, 0, {}},
        {{"B" + iconFile, "T" + wrong, "E"}, iconFile, iconFile, 0, {open, warning}},
        {{"P", "T" + wrong, "E"}, program, program, 4, {warning}},
        {{"T" + iconFile, "B"}, iconFile, program, 3, {open}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        FakePrompts prompts;
        TfmChangeIcon form(prompts, source);
        form.SetUp(program, 3);
        for (const std::string& step : c.steps) {
            char enter = '\r';
            if (step[0] == 'T') form.SetEdFilename(step.substr(1));
            if (step[0] == 'P') form.IconListBox().SetItemIndex(4);
            if (step[0] == 'B' && step.size() > 1) prompts.texts.push_back(step.substr(1));
            if (step[0] == 'B') form.btnBrowseClick();
            if (step[0] == 'E') form.edFilenameKeyPress(enter);
        }
        EXPECT_EQ(form.edFilename(), c.edFilename);
        EXPECT_EQ(form.ChosenFileName(), c.chosenFile);
        EXPECT_EQ(form.ChosenIconIndex(), c.chosenIndex);
        EXPECT_EQ(prompts.shown, c.prompts);
    }
}

}  // namespace
