#include "app/icon_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "app/file_index_icon.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

using Outcome = IconReadResult::Outcome;

void Pause(unsigned milliseconds) { WakeSignal().Wait(milliseconds); }

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

// The worker reads what is wanted and says when results wait; a new list drops what
// was wanted before it.
TEST_F(IconReaderTest, WorkerReadsWantsAndForgetsThemForANewList) {
    std::atomic<int> told{0};
    IconReader reader([&] { ++told; }, 8);
    EXPECT_EQ(reader.Want(0, {program, 0}), -1);
    EXPECT_EQ(reader.Want(1, {dir.File("gone.exe"), 0}), -1);
    EXPECT_EQ(reader.Want(2, {ico, 0}), -1);
    std::vector<IconReadResult> results;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (results.size() < 3 && std::chrono::steady_clock::now() < deadline) {
        for (auto& result : reader.TakeResults()) results.push_back(std::move(result));
        Pause(5);
    }
    ASSERT_EQ(results.size(), 3u);
    EXPECT_GE(told.load(), 1);
    int read = 0;
    for (const IconReadResult& result : results) {
        EXPECT_EQ(result.outcome, result.icon == 1 ? Outcome::NoIcons : Outcome::Read);
        read += result.image ? 1 : 0;
    }
    EXPECT_EQ(read, 2);

    reader.Forget();
    EXPECT_TRUE(reader.TakeResults().empty());
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
