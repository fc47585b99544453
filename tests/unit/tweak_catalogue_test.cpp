#include "tweaks/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
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
