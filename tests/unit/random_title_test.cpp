#include "core/random_title.h"

#include <gtest/gtest.h>

#include <set>

using namespace pallisar;

TEST(RandomTitle, FiftyOneCharactersOfCodes30To89) {
    std::set<int> codes;
    std::set<std::string> titles;
    for (int i = 0; i < 200; ++i) {
        const std::string title = RandomTitle();
        ASSERT_EQ(title.size(), 51u);
        for (unsigned char c : title) {
            ASSERT_GE(c, 30);
            ASSERT_LE(c, 89);
            codes.insert(c);
        }
        titles.insert(title);
    }
    // 10200 draws from 60 codes: every code turns up, the two ends included, and
    // titles made in quick succession differ.
    EXPECT_EQ(codes.size(), 60u);
    EXPECT_EQ(titles.size(), 200u);
}
