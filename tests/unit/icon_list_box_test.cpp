// The icon list box and the change-icon dialog's model, on icon files and program
// files built for the test, with a source that counts what is read.
#include "ui/icon_list_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/counting_icon_source.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/change_icon.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

class RecordingHost : public IconListBoxHost {
  public:
    void IconListChanged() override { ++changes; }
    void BeginWait() override { calls += "wait "; }
    void EndWait() override { calls += "done "; }
    int changes = 0;
    std::string calls;
};

class IconListBoxTest : public testing::Test {
  protected:
    IconListBoxTest() {
        WriteFileBytes(program, MakePeFile(groups));
        WriteFileBytes(iconFile, MakeIcoFile({MakeDibImage(32, 32, 8, 7)}));
        WriteFileBytes(textFile, "no icons here");
    }

    // `icon` is icon i of the program file.
    bool IsProgramIcon(const Icon* icon, int i) const {
        if (!icon || icon->images.size() != 2) return false;
        const auto& expected = groups[static_cast<size_t>(i)].images;
        return icon->images[0].data == expected[0].data && icon->images[1].data == expected[1].data;
    }

    TempDir dir;
    std::vector<IconGroupFixture> groups = NumberedGroups(5);
    std::string program = dir.File("game.exe"), iconFile = dir.File("one.ico"),
                textFile = dir.File("notes.txt"), missing = dir.File("missing.exe");
    CountingIconSource source;
};

TEST_F(IconListBoxTest, ListsTheIconsOfAFile) {
    struct Case {
        const std::string* file;
        bool caching;
        int numberOfIcons;  // items "0", "1", ...
        int itemIndex;
        bool enabled;  // with AutoDisable
        std::vector<int> extracted;
    } const cases[] = {
        {&iconFile, true, 1, 0, true, {}},
        {&program, true, 5, 0, true, {}},
        {&program, false, 5, 0, true, {0, 1, 2, 3, 4}},
        {&textFile, false, 0, -1, true, {}},
        {&missing, true, -1, -1, false, {}},
        {&missing, false, -1, -1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.file + (c.caching ? " cached" : " all at once"));
        source.extracted.clear();
        TIconListBox list(source);
        RecordingHost host;
        list.SetHost(&host);
        list.SetEnableCaching(c.caching);
        std::vector<std::string> texts;
        list.OnFileChange = [&] {
            for (int i = 0; i < list.Count(); ++i) texts.push_back(list.ItemText(i));
            texts.push_back("fired");
        };
        list.SetFileName(*c.file);
        std::vector<std::string> expected;
        for (int i = 0; i < c.numberOfIcons; ++i) expected.push_back(std::to_string(i));
        expected.push_back("fired");
        EXPECT_EQ(texts, expected) << "fired once, after the rebuild";
        EXPECT_EQ(list.NumberOfIcons(), c.numberOfIcons);
        EXPECT_EQ(list.ItemIndex(), c.itemIndex);
        EXPECT_EQ(list.Enabled(), c.enabled);
        EXPECT_EQ(source.extracted, c.extracted);
        EXPECT_EQ(host.calls, c.extracted.empty() ? "" : "wait done ");
        EXPECT_GT(host.changes, 0);
        for (int i = 0; i < list.Count(); ++i) {
            EXPECT_TRUE(c.file != &program || IsProgramIcon(list.ItemIcon(i), i)) << i;
            EXPECT_NE(list.ItemIcon(i), nullptr) << i;
        }
    }
}

TEST_F(IconListBoxTest, ReadsAnIconOnlyWhenItsItemIsFirstDrawn) {
    TIconListBox list(source);
    list.SetFileName(program);
    EXPECT_TRUE(source.extracted.empty()) << "nothing drawn yet";
    for (int i : {3, 1, 3, 5, -1}) EXPECT_EQ(IsProgramIcon(list.ItemIcon(i), i), i == 3 || i == 1);
    EXPECT_EQ(source.extracted, (std::vector<int>{3, 1})) << "each icon read once, none outside";
    EXPECT_FALSE(list.IconLoaded(0));

    // The same name again keeps the list and its icons, and fires nothing.
    int fired = 0;
    list.OnFileChange = [&] { ++fired; };
    list.SetItemIndex(2);
    list.SetFileName(program);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_TRUE(list.IconLoaded(3));

    // Caching off reads every icon at once; back on changes nothing until a new file.
    list.SetEnableCaching(false);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(source.extracted, (std::vector<int>{3, 1, 0, 1, 2, 3, 4}));
    list.SetEnableCaching(true);
    EXPECT_EQ(fired, 1);
    list.SetFileName(iconFile);
    EXPECT_FALSE(list.IconLoaded(0));
}

TEST_F(IconListBoxTest, DefaultsAutoDisableAndSelection) {
    TIconListBox list(source);
    EXPECT_EQ(list.NumberOfIcons(), -1);
    EXPECT_FALSE(list.Enabled()) << "no file yet";
    EXPECT_EQ(list.ItemHeight(32), 37) << "a margin of 5";
    list.SetVersion("TIconListBox v2.0");
    EXPECT_EQ(list.Version(), "TIconListBox v1.14");

    // Whether set before or after the file, AutoDisable leaves the list enabled only
    // for an existing file.
    for (const std::string* file : {&missing, &program}) {
        for (bool autoDisable : {true, false}) {
            TIconListBox after(source), before(source);
            after.SetFileName(*file);
            after.SetAutoDisable(!autoDisable);
            after.SetAutoDisable(autoDisable);
            before.SetAutoDisable(autoDisable);
            before.SetFileName(*file);
            const bool enabled = !autoDisable || file == &program;
            EXPECT_EQ(after.Enabled(), enabled) << *file << autoDisable;
            EXPECT_EQ(before.Enabled(), enabled) << *file << autoDisable;
        }
    }

    list.SetFileName(program);
    for (const auto& [index, selected] :
         std::vector<std::pair<int, int>>{{4, 4}, {0, 0}, {5, -1}, {2, 2}, {-1, -1}, {-7, -1}}) {
        list.SetItemIndex(index);
        EXPECT_EQ(list.ItemIndex(), selected) << "index " << index;
    }
}

TEST_F(IconListBoxTest, ChangeIconAcceptsANameOnlyWithEnterOrBrowse) {
    // One user action: type a text (without Enter), press Enter, pick an item, or
    // browse (the dialog answers the text; null cancels).
    enum Kind { Type, Enter, Pick, Browse };
    struct Step {
        Kind kind;
        const std::string* text = nullptr;
        int item = 0;
    };
    const std::string wrong = dir.File("nowhere.ico");
    const FakePrompts::Prompt open{"Open", ""},
        warning{"Warning", "Windows cannot find the file " + wrong};
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string edFilename, chosenFile;
        int chosenIndex;
        std::vector<FakePrompts::Prompt> prompts;
    } const cases[] = {
        // clang-format off
        {"typed without Enter", {{Type, &iconFile}}, iconFile, program, 3, {}},
        {"typed with Enter", {{Type, &iconFile}, {Enter}}, iconFile, iconFile, 0, {}},
        {"wrong name after browse", {{Browse, &iconFile}, {Type, &wrong}, {Enter}},
         iconFile, iconFile, 0, {open, warning}},
        {"wrong name keeps the pick", {{Pick, nullptr, 4}, {Type, &wrong}, {Enter}},
         program, program, 4, {warning}},
        {"browse cancelled", {{Type, &iconFile}, {Browse}}, iconFile, program, 3, {open}},
        {"browse, then pick", {{Browse, &program}, {Pick, nullptr, 2}},
         program, program, 2, {open}},
        {"Enter on the accepted name", {{Pick, nullptr, 4}, {Enter}}, program, program, 0, {}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePrompts prompts;
        TfmChangeIcon form(prompts, source);
        form.SetUp(program, 3);
        for (const Step& step : c.steps) {
            char key = step.kind == Enter ? '\r' : 'x';
            switch (step.kind) {
                case Type:
                    form.edFilenameKeyPress(key);
                    EXPECT_EQ(key, 'x') << "an ordinary key is left to the text box";
                    form.SetEdFilename(*step.text);
                    break;
                case Enter:
                    form.edFilenameKeyPress(key);
                    EXPECT_EQ(key, 0) << "Enter is consumed";
                    break;
                case Pick:
                    form.IconListBox().SetItemIndex(step.item);
                    break;
                case Browse:
                    prompts.texts.push_back(step.text ? std::optional(*step.text) : std::nullopt);
                    form.btnBrowseClick();
                    break;
            }
        }
        EXPECT_EQ(form.edFilename(), c.edFilename);
        EXPECT_EQ(form.ChosenFileName(), c.chosenFile);
        EXPECT_EQ(form.ChosenIconIndex(), c.chosenIndex);
        EXPECT_EQ(form.AcceptedFileName(), c.chosenFile);
        EXPECT_EQ(prompts.shown, c.prompts);
    }
}

}  // namespace
