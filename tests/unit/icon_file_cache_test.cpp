#include "app/icon_file_cache.h"

#include <gtest/gtest.h>

#include "app/file_index_icon.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

testing::AssertionResult SameIcon(const Icon* got, const Icon* expected) {
    if (!got || !expected) {
        if (got == expected) return testing::AssertionSuccess();
        return testing::AssertionFailure() << (got ? "an icon where none was" : "no icon");
    }
    if (got->images.size() != expected->images.size()) {
        return testing::AssertionFailure() << "image count " << got->images.size();
    }
    for (size_t k = 0; k < got->images.size(); ++k) {
        if (got->images[k].data != expected->images[k].data) {
            return testing::AssertionFailure() << "image " << k << " differs";
        }
    }
    return testing::AssertionSuccess();
}

class IconFileCacheTest : public testing::Test {
  protected:
    IconFileCacheTest() : program(dir.File("game.exe")), ico(dir.File("shared.ico")) {
        WriteFileBytes(program, MakePeFile(NumberedGroups(5)));
        WriteFileBytes(ico, MakeIcoFile({MakeDibImage(16, 16, 32, 1), MakeDibImage(32, 32, 8, 2)}));
        WriteFileBytes(dir.File("readme.txt"), "not an icon\r\n");
    }

    TempDir dir;
    std::string program;
    std::string ico;
};

// Every lookup gives what TFileIndexIcon loads for the same name and number, in any
// order and with repeats.
TEST_F(IconFileCacheTest, GivesWhatTFileIndexIconLoads) {
    const std::pair<std::string, int> lookups[] = {{program, 0},
                                                   {program, 3},
                                                   {program, 9},
                                                   {program, -2},
                                                   {ico, 0},
                                                   {ico, 4},
                                                   {program, 3},
                                                   {ico, -1},
                                                   {program, 4},
                                                   {dir.File("missing.exe"), 0},
                                                   {"", 0},
                                                   {"", 2},
                                                   {dir.File("readme.txt"), 1},
                                                   {program, 1}};
    IconFileCache cache;
    for (const auto& [file, index] : lookups) {
        SCOPED_TRACE(file + "," + std::to_string(index));
        TFileIndexIcon expected;
        expected.SetFileName(file);
        expected.SetIconIndex(index);
        EXPECT_TRUE(SameIcon(cache.Find(file, index), expected.GetIcon()));
    }
}

TEST_F(IconFileCacheTest, EachFileIsOpenedOncePerIcon) {
    IconFileCache cache;
    for (int round = 0; round < 3; ++round) {
        for (int index : {0, 2, 7, 2, -1}) cache.Find(program, index);
        for (int index : {0, 0, 5}) cache.Find(ico, index);
        cache.Find(dir.File("missing.exe"), 0);
        cache.Find(dir.File("readme.txt"), 0);
    }
    // program: icons 0, 2 and 4 (7 clamped), the first with the count; ico: icon 0
    // (5 clamped) with its count; readme.txt: counted, no icons.
    EXPECT_EQ(cache.FilesOpened(), 5);

    // What was read stays for the cache's life, even when the file changes on disk; a
    // new cache (the next fill) reads the new contents.
    const Icon* before = cache.Find(program, 2);
    ASSERT_NE(before, nullptr);
    const Icon saved = *before;
    WriteFileBytes(program, MakePeFile(NumberedGroups(5, 40)));
    EXPECT_TRUE(SameIcon(cache.Find(program, 2), &saved));
    IconFileCache next;
    EXPECT_FALSE(SameIcon(next.Find(program, 2), &saved));
}

}  // namespace
