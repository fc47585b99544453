#include "tweaks/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "core/text.h"

using namespace pallisar;

namespace {

bool HasItem(const std::vector<std::string>& items, std::string_view text) {
    return std::find(items.begin(), items.end(), text) != items.end();
}

}  // namespace

// The facts of one tweak must agree with each other: what a new entry shows, what the
// editor falls back to and what the launch matches are the same texts.
TEST(TweakCatalogue, EveryFieldHasOneRowWhoseTextsAgree) {
    std::set<TweakField> fields;
    for (const TweakRow& row : TweakCatalogue()) {
        SCOPED_TRACE(std::string(row.Key));
        EXPECT_TRUE(fields.insert(row.Field).second) << "field listed twice";
        EXPECT_EQ(&TweakOf(row.Field), &row);

        std::vector<std::string> items;
        for (const TweakChoice& choice : row.Choices) items.emplace_back(choice.Item);
        if (row.Kind == TweakKind::AntiAliasing) items = AntiAliasingItems("");
        std::set<std::string> upper;
        for (const std::string& item : items) {
            EXPECT_TRUE(upper.insert(UpperCase(item)).second) << item << " twice";
        }

        if (row.Kind == TweakKind::Choice) {
            EXPECT_TRUE(HasItem(items, row.Default));
            EXPECT_TRUE(HasItem(items, row.Fallback)) << row.Fallback;
            // The launch matches the upper-cased stored text, and only that.
            EXPECT_NE(FindChoice(row, UpperCase(row.Default)), nullptr);
            EXPECT_EQ(FindChoice(row, row.Default), nullptr);
        } else {
            EXPECT_TRUE(row.Choices.empty());
            EXPECT_EQ(row.Fallback, "") << "the first item of a list built at run time";
        }
        if (row.Kind == TweakKind::AntiAliasing) {
            EXPECT_TRUE(HasItem(items, row.Default));
        }
        EXPECT_EQ(row.UpperCased(), row.Kind != TweakKind::Gamma);
        EXPECT_EQ(BookkeepingSubKey(row, "DualChipAASLI"),
                  row.Kind == TweakKind::AntiAliasing ? "DualChipAASLI" : row.SubKey);
    }
    EXPECT_EQ(fields.size(), kTweakFieldCount);
}

TEST(TweakCatalogue, EveryOfferedAntiAliasingItemWritesOnItsBoard) {
    for (const std::string_view mode : kSliModeNames) {
        for (const std::string& item : AntiAliasingItems(mode)) {
            EXPECT_TRUE(FindAntiAliasing(UpperCase(item), mode)) << mode << ": " << item;
            EXPECT_FALSE(FindAntiAliasing(item, mode)) << "matched before upper-casing";
        }
    }
}

// The editor's boxes come from the rows: each tab's boxes fill its lines from the top
// without a gap or a clash, on a Voodoo3 too (where the boxes shown close up), and a
// linked box has its partner of the same label on the other tab.
TEST(TweakCatalogue, TheRowsBoxesFillEachTabLineByLine) {
    for (const bool voodoo3 : {false, true}) {
        SCOPED_TRACE(voodoo3 ? "Voodoo3" : "other boards");
        std::array<std::set<int>, kTweakTabCount> lines;
        std::array<std::size_t, kTweakTabCount> boxes{};
        for (const TweakRow& row : TweakCatalogue()) {
            for (std::size_t tab = 0; tab < kTweakTabCount; ++tab) {
                const TweakBox& box = row.Boxes[tab];
                if (!box.Exists()) continue;
                const int line = voodoo3 ? box.Voodoo3Line : box.Line;
                if (line == kHiddenOnVoodoo3) continue;
                ++boxes[tab];
                EXPECT_TRUE(lines[tab].insert(line).second) << box.Name << " on a taken line";
            }
        }
        for (std::size_t tab = 0; tab < kTweakTabCount; ++tab) {
            ASSERT_FALSE(lines[tab].empty());
            EXPECT_EQ(*lines[tab].begin(), 0);
            EXPECT_EQ(static_cast<std::size_t>(*lines[tab].rbegin()) + 1, boxes[tab]) << "a gap";
        }
    }
    for (const TweakRow& row : TweakCatalogue()) {
        SCOPED_TRACE(std::string(row.Key));
        const bool hasBox = row.Boxes[0].Exists() || row.Boxes[1].Exists();
        EXPECT_EQ(hasBox, row.Kind != TweakKind::Gamma) << "a box for each value but gamma";
        if (!row.Linked()) continue;
        std::size_t partners = 0;
        for (const TweakRow& other : TweakCatalogue()) {
            for (std::size_t tab = 0; tab < kTweakTabCount; ++tab) {
                const bool otherTab = row.Boxes[1 - tab].Exists() && other.Boxes[tab].Exists();
                if (other.Linked() && other.Label == row.Label && otherTab) ++partners;
            }
        }
        EXPECT_EQ(partners, row.Boxes[0].Exists() && row.Boxes[1].Exists() ? 2u : 1u);
    }
}
