#include "app/file_index_icon.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

// A program file with five icons; icon i's 32x32 image is groups[i].images[1].
class FileIndexIconTest : public testing::Test {
  protected:
    FileIndexIconTest() : groups(NumberedGroups(5)), program(dir.File("game.exe")) {
        WriteFileBytes(program, MakePeFile(groups));
    }

    // The loaded icon is group `i` of `groups`.
    testing::AssertionResult Holds(const TFileIndexIcon& icon, int i) {
        if (!icon.GetIcon()) return testing::AssertionFailure() << "no icon";
        const auto& expected = groups[static_cast<size_t>(i)].images;
        const auto& images = icon.GetIcon()->images;
        if (images.size() != expected.size()) return testing::AssertionFailure() << "image count";
        for (size_t k = 0; k < images.size(); ++k) {
            if (images[k].data != expected[k].data) {
                return testing::AssertionFailure() << "not icon " << i;
            }
        }
        return testing::AssertionSuccess();
    }

    TempDir dir;
    std::vector<IconGroupFixture> groups;
    std::string program;
};

}  // namespace

TEST_F(FileIndexIconTest, StartsEmptyAndIgnoresAnIndexWithoutFile) {
    TFileIndexIcon icon;
    EXPECT_EQ(icon.FileName(), "");
    EXPECT_EQ(icon.IconIndex(), -1);
    EXPECT_EQ(icon.NumberOfIcons(), -1);
    EXPECT_FALSE(icon.HasIcon());
    icon.SetIconIndex(2);
    EXPECT_EQ(icon.IconIndex(), -1);
    EXPECT_FALSE(icon.HasIcon());
    EXPECT_EQ(icon.Image(32, 32), nullptr);
}

TEST_F(FileIndexIconTest, ProgramWithFiveIconsLoadsIconZeroAndClampsIndexes) {
    TFileIndexIcon icon;
    icon.SetFileName(program);
    EXPECT_EQ(icon.FileName(), program);
    EXPECT_EQ(icon.NumberOfIcons(), 5);
    EXPECT_EQ(icon.IconIndex(), 0);
    EXPECT_TRUE(Holds(icon, 0));

    icon.SetIconIndex(3);
    EXPECT_EQ(icon.IconIndex(), 3);
    EXPECT_TRUE(Holds(icon, 3));
    icon.SetIconIndex(9);
    EXPECT_EQ(icon.IconIndex(), 4);
    EXPECT_TRUE(Holds(icon, 4));
    icon.SetIconIndex(-3);
    EXPECT_EQ(icon.IconIndex(), 0);
    EXPECT_TRUE(Holds(icon, 0));

    // The view gets the image of the size it asks for.
    ASSERT_NE(icon.Image(32, 32), nullptr);
    EXPECT_EQ(icon.Image(32, 32)->data, groups[0].images[1].data);
    EXPECT_EQ(icon.Image(16, 16)->data, groups[0].images[0].data);
}

TEST_F(FileIndexIconTest, MissingFilesAndFilesWithoutIconsGiveNoIcon) {
    WriteFileBytes(dir.File("readme.txt"), "not an icon\r\n");
    WriteFileBytes(dir.File("empty.ico"), "");
    for (const std::string& name :
         {dir.File("missing.exe"), dir.File("readme.txt"), dir.File("empty.ico")}) {
        SCOPED_TRACE(name);
        TFileIndexIcon icon;
        icon.SetFileName(program);
        icon.SetIconIndex(2);
        icon.SetFileName(name);
        EXPECT_EQ(icon.FileName(), name);
        EXPECT_EQ(icon.NumberOfIcons(), -1);
        EXPECT_FALSE(icon.HasIcon());
        icon.SetIconIndex(1);  // does nothing without icons
        EXPECT_FALSE(icon.HasIcon());
        EXPECT_EQ(icon.NumberOfIcons(), -1);
    }
}

TEST_F(FileIndexIconTest, SameNameTwiceDoesNotReload) {
    TFileIndexIcon icon;
    icon.SetFileName(program);
    icon.SetIconIndex(1);
    // The file changes on disk; setting its name again must not read it anew.
    const auto other = NumberedGroups(2, 50);
    WriteFileBytes(program, MakePeFile(other));
    icon.SetFileName(program);
    EXPECT_EQ(icon.NumberOfIcons(), 5);
    EXPECT_EQ(icon.IconIndex(), 1);
    EXPECT_TRUE(Holds(icon, 1));

    // A different name and back: now the new contents count.
    icon.SetFileName(dir.File("missing.exe"));
    icon.SetFileName(program);
    EXPECT_EQ(icon.NumberOfIcons(), 2);
    EXPECT_EQ(icon.IconIndex(), 0);
    ASSERT_TRUE(icon.HasIcon());
    EXPECT_EQ(icon.GetIcon()->images[0].data, other[0].images[0].data);
}

TEST_F(FileIndexIconTest, AnotherFileLoadsItsFirstIconEvenWhenTheIndexWasZero) {
    const std::vector<IconImage> images = {MakeDibImage(32, 32, 4, 77)};
    WriteFileBytes(dir.File("pallisar.ico"), MakeIcoFile(images));
    TFileIndexIcon icon;
    icon.SetFileName(program);
    ASSERT_EQ(icon.IconIndex(), 0);
    icon.SetFileName(dir.File("pallisar.ico"));
    EXPECT_EQ(icon.NumberOfIcons(), 1);
    EXPECT_EQ(icon.IconIndex(), 0);
    ASSERT_TRUE(icon.HasIcon());
    EXPECT_EQ(icon.GetIcon()->images[0].data, images[0].data);
    icon.SetIconIndex(5);  // an .ico file has only icon 0
    EXPECT_EQ(icon.IconIndex(), 0);
    EXPECT_TRUE(icon.HasIcon());
}

TEST_F(FileIndexIconTest, SavesTheLargeImageAsAOneImageIconFile) {
    TFileIndexIcon icon;
    icon.SetFileName(program);
    icon.SetIconIndex(2);
    const std::string saved = dir.File("pallisar.ico");
    WriteFileBytes(saved, std::string(5000, 'x'));  // replaced, not appended to
    icon.SaveToFile(saved);

    const std::string bytes = test::ReadFileBytes(saved);
    EXPECT_EQ(bytes, MakeIcoFile({groups[2].images[1]}));
    // And it loads back as the application icon does.
    TFileIndexIcon back;
    back.SetFileName(saved);
    EXPECT_EQ(back.NumberOfIcons(), 1);
    ASSERT_TRUE(back.HasIcon());
    ASSERT_EQ(back.GetIcon()->images.size(), 1u);
    EXPECT_EQ(back.GetIcon()->images[0].data, groups[2].images[1].data);
}

TEST_F(FileIndexIconTest, SavingWithoutIconRaisesAndWritesNothing) {
    const std::string saved = dir.File("pallisar.ico");
    TFileIndexIcon neverLoaded;
    try {
        neverLoaded.SaveToFile(saved);
        ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), TFileIndexIcon::kNoIconToSave);
    }
    EXPECT_FALSE(FileExistsAt(saved));

    // A file counted but whose icon cannot be read is no better.
    WriteFileBytes(dir.File("broken.dll"), MakePeFile({{"", 1, {}, 1}}));
    TFileIndexIcon broken;
    broken.SetFileName(dir.File("broken.dll"));
    EXPECT_EQ(broken.NumberOfIcons(), 1);
    EXPECT_FALSE(broken.HasIcon());
    EXPECT_THROW(broken.SaveToFile(saved), Error);
    EXPECT_FALSE(FileExistsAt(saved));
}

TEST_F(FileIndexIconTest, SavingWhereNoFileCanBeWrittenRaises) {
    TFileIndexIcon icon;
    icon.SetFileName(program);
    const std::string target = dir.File("no-such-dir") + "/pallisar.ico";
    EXPECT_THROW(icon.SaveToFile(target), FileWriteError);
}
