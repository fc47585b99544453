// The icon list box and the change-icon dialog's model, on icon files and program
// files built for the test, with a source that counts what is read.
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

// The files on disk, with a record of every icon read.
class CountingSource : public FileIconListSource {
  public:
    std::optional<Icon> ExtractIcon(const std::string& fileName, int index) override {
        extracted.push_back(index);
        return FileIconListSource::ExtractIcon(fileName, index);
    }
    std::vector<int> extracted;
};

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
    IconListBoxTest()
        : groups(NumberedGroups(5)),
          program(dir.File("game.exe")),
          iconFile(dir.File("one.ico")),
          textFile(dir.File("notes.txt")),
          missing(dir.File("missing.exe")) {
        WriteFileBytes(program, MakePeFile(groups));
        WriteFileBytes(iconFile, MakeIcoFile({MakeDibImage(32, 32, 8, 7)}));
        WriteFileBytes(textFile, "no icons here");
    }

    static std::vector<std::string> Texts(const TIconListBox& list) {
        std::vector<std::string> texts;
        for (int i = 0; i < list.Count(); ++i) texts.push_back(list.ItemText(i));
        return texts;
    }

    // Item i shows icon i of the program file.
    testing::AssertionResult ShowsProgramIcon(TIconListBox& list, int i) {
        const Icon* icon = list.ItemIcon(i);
        if (!icon) return testing::AssertionFailure() << "item " << i << " is blank";
        const auto& expected = groups[static_cast<size_t>(i)].images;
        if (icon->images.size() != expected.size())
            return testing::AssertionFailure() << "item " << i << ": image count";
        for (size_t k = 0; k < expected.size(); ++k) {
            if (icon->images[k].data != expected[k].data)
                return testing::AssertionFailure() << "item " << i << " shows another icon";
        }
        return testing::AssertionSuccess();
    }

    TempDir dir;
    std::vector<IconGroupFixture> groups;
    std::string program, iconFile, textFile, missing;
    CountingSource source;
};

TEST_F(IconListBoxTest, StartsEmptyDisabledWithItsDefaults) {
    TIconListBox list(source);
    EXPECT_EQ(list.FileName(), "");
    EXPECT_EQ(list.NumberOfIcons(), -1);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_TRUE(list.AutoDisable());
    EXPECT_FALSE(list.Enabled());
    EXPECT_TRUE(list.EnableCaching());
    EXPECT_EQ(list.Margin(), 5);
    EXPECT_EQ(list.ItemHeight(32), 37);
    EXPECT_EQ(list.ColumnWidth(48), 53);
    list.SetVersion("TIconListBox v2.0");
    EXPECT_EQ(list.Version(), "TIconListBox v1.14");
}

TEST_F(IconListBoxTest, ListsTheIconsOfAFile) {
    struct Case {
        const std::string* file;
        bool caching;
        int numberOfIcons;
        std::vector<std::string> texts;
        int itemIndex;
        bool enabled;  // with AutoDisable
        std::vector<int> extracted;
    } const cases[] = {
        {&iconFile, true, 1, {"0"}, 0, true, {}},
        {&program, true, 5, {"0", "1", "2", "3", "4"}, 0, true, {}},
        {&program, false, 5, {"0", "1", "2", "3", "4"}, 0, true, {0, 1, 2, 3, 4}},
        {&textFile, false, 0, {}, -1, true, {}},
        {&missing, true, -1, {}, -1, false, {}},
        {&missing, false, -1, {}, -1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.file + (c.caching ? " cached" : " all at once"));
        source.extracted.clear();
        TIconListBox list(source);
        RecordingHost host;
        list.SetHost(&host);
        list.SetEnableCaching(c.caching);
        int fired = 0;
        list.OnFileChange = [&] {
            ++fired;
            EXPECT_EQ(list.Count(), static_cast<int>(c.texts.size())) << "fired before the rebuild";
        };
        list.SetFileName(*c.file);
        EXPECT_EQ(fired, 1);
        EXPECT_EQ(list.FileName(), *c.file);
        EXPECT_EQ(list.NumberOfIcons(), c.numberOfIcons);
        EXPECT_EQ(Texts(list), c.texts);
        EXPECT_EQ(list.ItemIndex(), c.itemIndex);
        EXPECT_EQ(list.Enabled(), c.enabled);
        EXPECT_EQ(source.extracted, c.extracted);
        EXPECT_EQ(host.calls, c.extracted.empty() ? "" : "wait done ");
        EXPECT_GT(host.changes, 0);
        if (c.file == &program) {
            for (int i = 0; i < 5; ++i) EXPECT_TRUE(ShowsProgramIcon(list, i));
        }
        if (c.file == &iconFile) {
            EXPECT_NE(list.ItemIcon(0), nullptr);
        }
    }
}

TEST_F(IconListBoxTest, ReadsAnIconOnlyWhenItsItemIsFirstDrawn) {
    TIconListBox list(source);
    list.SetFileName(program);
    EXPECT_TRUE(source.extracted.empty()) << "nothing drawn yet";

    EXPECT_TRUE(ShowsProgramIcon(list, 3));
    EXPECT_TRUE(ShowsProgramIcon(list, 1));
    EXPECT_TRUE(ShowsProgramIcon(list, 3));
    EXPECT_EQ(source.extracted, (std::vector<int>{3, 1})) << "each icon read once";
    EXPECT_FALSE(list.IconLoaded(0));
    EXPECT_FALSE(list.IconLoaded(4));
    EXPECT_EQ(list.ItemIcon(5), nullptr);
    EXPECT_EQ(list.ItemIcon(-1), nullptr);
    EXPECT_EQ(source.extracted.size(), 2u) << "no read outside the list";

    // The same name again keeps the list and its icons, and fires nothing.
    const int generation = list.Generation();
    int fired = 0;
    list.OnFileChange = [&] { ++fired; };
    list.SetItemIndex(2);
    list.SetFileName(program);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(list.Generation(), generation);
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_TRUE(list.IconLoaded(3));

    // Caching off reads every icon at once; back on changes nothing until a new file.
    list.SetEnableCaching(false);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(source.extracted, (std::vector<int>{3, 1, 0, 1, 2, 3, 4}));
    list.SetEnableCaching(true);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(list.IconLoaded(4));
    list.SetFileName(iconFile);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_FALSE(list.IconLoaded(0));
}

TEST_F(IconListBoxTest, AnIconThatCannotBeReadStaysBlankAndIsNotReadAgain) {
    // Group 1 names only images that do not exist.
    auto broken = groups;
    broken[1].images.clear();
    broken[1].danglingEntries = 2;
    const std::string file = dir.File("broken.dll");
    WriteFileBytes(file, MakePeFile(broken));
    TIconListBox list(source);
    list.SetFileName(file);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.ItemIcon(1), nullptr);
    EXPECT_EQ(list.ItemIcon(1), nullptr);
    EXPECT_EQ(source.extracted, std::vector<int>{1});
    EXPECT_NE(list.ItemIcon(2), nullptr);
}

TEST_F(IconListBoxTest, AutoDisableAndSelection) {
    struct Case {
        const std::string* file;
        bool autoDisable;
        bool enabled;
    } const cases[] = {
        {&missing, true, false},
        {&missing, false, true},
        {&program, true, true},
        {&program, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.file + (c.autoDisable ? " auto" : " always"));
        TIconListBox list(source);
        RecordingHost host;
        list.SetFileName(*c.file);
        list.SetHost(&host);
        list.SetAutoDisable(!c.autoDisable);
        list.SetAutoDisable(c.autoDisable);
        EXPECT_EQ(list.Enabled(), c.enabled) << "set afterwards";
        EXPECT_EQ(host.changes, 2);

        TIconListBox before(source);
        before.SetAutoDisable(c.autoDisable);
        before.SetFileName(*c.file);
        EXPECT_EQ(before.Enabled(), c.enabled) << "set before the file";
    }

    TIconListBox list(source);
    list.SetFileName(program);
    for (const auto& [index, selected] :
         std::vector<std::pair<int, int>>{{4, 4}, {0, 0}, {5, -1}, {2, 2}, {-1, -1}, {-7, -1}}) {
        list.SetItemIndex(index);
        EXPECT_EQ(list.ItemIndex(), selected) << "index " << index;
    }
}

// --- The change-icon dialog's model ---

// Prompts that also keep the file dialog's filter.
class DialogPrompts : public FakePrompts {
  public:
    std::optional<std::string> PromptOpenFile(const FileDialogRequest& request) override {
        filters.push_back(request.Filter);
        return FakePrompts::PromptOpenFile(request);
    }
    std::vector<std::string> filters;
};

TEST_F(IconListBoxTest, ChangeIconStartsWithTheCallersIcon) {
    DialogPrompts prompts;
    TfmChangeIcon form(prompts, source);
    form.SetUp(program, 3);
    EXPECT_EQ(form.edFilename(), program);
    EXPECT_EQ(form.AcceptedFileName(), program);
    EXPECT_EQ(form.IconListBox().FileName(), program);
    EXPECT_EQ(form.IconListBox().Count(), 5);
    EXPECT_EQ(form.ChosenFileName(), program);
    EXPECT_EQ(form.ChosenIconIndex(), 3);
    EXPECT_TRUE(source.extracted.empty());
}

TEST_F(IconListBoxTest, ChangeIconAcceptsANameOnlyWithEnterOrBrowse) {
    // One user action: type a text (without Enter), press Enter, pick an item, or
    // browse (the dialog answers the text; null cancels).
    struct Step {
        enum Kind { Type, Enter, Pick, Browse } kind;
        const std::string* text = nullptr;
        int item = 0;
    };
    const std::string wrong = dir.File("nowhere.ico");
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string edFilename;
        std::string chosenFile;
        int chosenIndex;
        std::vector<std::string> warnings;
        int browsed;
    } const cases[] = {
        {"typed without Enter", {{Step::Type, &iconFile}}, iconFile, program, 3, {}, 0},
        {"typed with Enter",
         {{Step::Type, &iconFile}, {Step::Enter}},
         iconFile,
         iconFile,
         0,
         {},
         0},
        {"wrong name after browse",
         {{Step::Browse, &iconFile}, {Step::Type, &wrong}, {Step::Enter}},
         iconFile,
         iconFile,
         0,
         {"Windows cannot find the file " + wrong},
         1},
        {"wrong name keeps the pick",
         {{Step::Pick, nullptr, 4}, {Step::Type, &wrong}, {Step::Enter}},
         program,
         program,
         4,
         {"Windows cannot find the file " + wrong},
         0},
        {"browse cancelled",
         {{Step::Type, &iconFile}, {Step::Browse}},
         iconFile,
         program,
         3,
         {},
         1},
        {"browse, then pick",
         {{Step::Browse, &program}, {Step::Pick, nullptr, 2}},
         program,
         program,
         2,
         {},
         1},
        {"enter on an accepted name",
         {{Step::Pick, nullptr, 4}, {Step::Enter}},
         program,
         program,
         0,
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogPrompts prompts;
        TfmChangeIcon form(prompts, source);
        form.SetUp(program, 3);
        for (const Step& step : c.steps) {
            switch (step.kind) {
                case Step::Type:
                    for (char typed : *step.text) {
                        char key = typed;
                        form.edFilenameKeyPress(key);
                        EXPECT_EQ(key, typed) << "an ordinary key is left to the text box";
                    }
                    form.SetEdFilename(*step.text);
                    break;
                case Step::Enter: {
                    char key = '\r';
                    form.edFilenameKeyPress(key);
                    EXPECT_EQ(key, 0) << "Enter is consumed";
                    break;
                }
                case Step::Pick:
                    form.IconListBox().SetItemIndex(step.item);
                    break;
                case Step::Browse:
                    prompts.texts.push_back(step.text ? std::optional(*step.text) : std::nullopt);
                    form.btnBrowseClick();
                    break;
            }
        }
        EXPECT_EQ(form.edFilename(), c.edFilename);
        EXPECT_EQ(form.ChosenFileName(), c.chosenFile);
        EXPECT_EQ(form.ChosenIconIndex(), c.chosenIndex);
        EXPECT_EQ(form.AcceptedFileName(), c.chosenFile);
        std::vector<std::string> warnings;
        for (const auto& shown : prompts.shown) {
            if (shown.kind == "Warning") warnings.push_back(shown.message);
        }
        EXPECT_EQ(warnings, c.warnings);
        EXPECT_EQ(prompts.filters,
                  std::vector<std::string>(static_cast<size_t>(c.browsed),
                                           "Icon Files (*.exe; *.dll; *.ico)|*.exe; "
                                           "*.dll; *.ico|All Files (*.*)|*.*"));
    }
}

}  // namespace
