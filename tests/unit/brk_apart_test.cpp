#include "tweaks/brk_apart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pallisar;

namespace {

std::vector<std::string> SplitOf(const std::string& text, const std::string& separator,
                                 bool allowEmpty) {
    TBrkApart splitter;
    splitter.BreakString = separator;
    splitter.BaseString = text;
    splitter.AllowEmptyString = allowEmpty;
    splitter.Split();
    return splitter.StringList;
}

using List = std::vector<std::string>;

}  // namespace

TEST(TBrkApart, DropsEmptyPiecesUnlessAllowed) {
    EXPECT_EQ(SplitOf("Glide\\Sub\\FX", "\\", false), (List{"Glide", "Sub", "FX"}));
    EXPECT_EQ(SplitOf("\\\\A\\\\B\\", "\\", false), (List{"A", "B"}));
    EXPECT_EQ(SplitOf("\\\\A\\\\B\\", "\\", true), (List{"", "", "A", "", "B", ""}));
    EXPECT_EQ(SplitOf("", "\\", false), List{});
    EXPECT_EQ(SplitOf("", "\\", true), List{""});
    EXPECT_EQ(SplitOf("plain", "\\", true), List{"plain"});
}

TEST(TBrkApart, SeparatorOfSeveralCharacters) {
    EXPECT_EQ(SplitOf("a, b,, c", ", ", true), (List{"a", "b,", "c"}));
    EXPECT_EQ(SplitOf("x--y----z", "--", false), (List{"x", "y", "z"}));
    EXPECT_EQ(SplitOf("x--y----z", "--", true), (List{"x", "y", "", "z"}));
    // A separator that overlaps itself is consumed left to right.
    EXPECT_EQ(SplitOf("a---b", "--", true), (List{"a", "-b"}));
}

TEST(TBrkApart, EmptySeparatorLeavesTheTextWhole) {
    EXPECT_EQ(SplitOf("a\\b", "", false), List{"a\\b"});
}

TEST(TBrkApart, EachSplitReplacesThePreviousPieces) {
    TBrkApart splitter;
    splitter.BreakString = "\\";
    splitter.BaseString = "a\\b\\c";
    splitter.Split();
    splitter.BaseString = "d";
    splitter.Split();
    EXPECT_EQ(splitter.StringList, List{"d"});
}
