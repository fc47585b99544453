#include "app/icon_reader.h"

#include <gtest/gtest.h>

#include "app/file_index_icon.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

using Outcome = IconReadResult::Outcome;

bool SameIcon(const std::optional<Icon>& got, const Icon* expected) {
    if (!got || !expected) return !got && !expected;
    if (got->images.size() != expected->images.size()) return false;
    for (size_t k = 0; k < got->images.size(); ++k) {
        if (got->images[k].data != expected->images[k].data) return false;
    }
    return true;
}

class IconReaderTest : public testing::Test {
  protected:
    IconReaderTest() : program(dir.File("game.exe")), ico(dir.File("shared.ico")) {
        WriteFileBytes(program, MakePeFile(NumberedGroups(5)));
        WriteFileBytes(ico, MakeIcoFile({MakeDibImage(16, 16, 32, 1), MakeDibImage(32, 32, 8, 2)}));
        WriteFileBytes(dir.File("readme.txt"), "not an icon\r\n");
    }

    TempDir dir;
    std::string program;
    std::string ico;
};

// Each read gives what TFileIndexIcon loads for the same name and number; a file that
// is gone or holds no icons is told apart (its entries are repaired).
TEST_F(IconReaderTest, ReadsWhatTFileIndexIconLoads) {
    const struct {
        std::string file;
        int index;
        Outcome outcome;
    } cases[] = {{program, 3, Outcome::Read},
                 {program, 9, Outcome::Read},
                 {program, -2, Outcome::Read},
                 {ico, 4, Outcome::Read},
                 {dir.File("gone.exe"), 0, Outcome::NoIcons},
                 {"", 0, Outcome::NoIcons},
                 {dir.File("readme.txt"), 1, Outcome::NoIcons}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + "," + std::to_string(c.index));
        const IconReadResult result = ReadWantedIcon(7, {c.file, c.index});
        EXPECT_EQ(result.icon, 7);
        EXPECT_EQ(result.outcome, c.outcome);
        TFileIndexIcon expected;
        expected.SetFileName(c.file);
        expected.SetIconIndex(c.index);
        EXPECT_TRUE(SameIcon(result.image, expected.GetIcon()));
    }
}

TEST(IconReaderLimitTest, TheWantOfLongestAgoMakesRoom) {
    // The worker is held in its callback after its first read until all wants are in.
    WakeSignal entered;
    WakeSignal release;
    IconReader reader(
        [&] {
            entered.Set();
            release.Wait(WakeSignal::kForever);
        },
        2);
    reader.Want(0, {"", 0});
    ASSERT_TRUE(entered.Wait(10000));
    EXPECT_EQ(reader.Want(1, {"", 0}), -1);
    EXPECT_EQ(reader.Want(2, {"", 0}), -1);
    EXPECT_EQ(reader.Want(3, {"", 0}), 1);
    release.Set();
}

}  // namespace
