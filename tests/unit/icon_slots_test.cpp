#include "app/icon_slots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pallisar {
namespace {

// One step on the slots and what it gives, as text: a draw gives "<slot>" and " wanted"
// when the icon is to be read; a placement "<icon>@<slot>" per icon placed, with
// "-<icon>" for the icon let go.
struct Step {
    enum Kind { Draw, Place, Unreadable, Unwanted } kind;
    std::vector<int> icons;
    std::vector<int> onScreen;  // for Place
    std::string gives;
};

std::string Apply(IconSlots& slots, const Step& step) {
    std::string out;
    for (int icon : step.icons) {
        if (step.kind == Step::Draw) {
            const IconSlots::Drawn drawn = slots.Draw(icon);
            out += (out.empty() ? "" : " ") + std::to_string(drawn.slot) +
                   (drawn.wanted ? " wanted" : "");
        } else if (step.kind == Step::Unreadable) {
            slots.Unreadable(icon);
        } else if (step.kind == Step::Unwanted) {
            slots.Unwanted(icon);
        }
    }
    if (step.kind != Step::Place) return out;
    const auto onScreen = [&](int icon) {
        return std::count(step.onScreen.begin(), step.onScreen.end(), icon) > 0;
    };
    for (const IconSlots::Placement& placed : slots.Place(step.icons, onScreen)) {
        out += (out.empty() ? "" : " ") + std::to_string(placed.icon) + "@" +
               std::to_string(placed.slot) +
               (placed.released >= 0 ? "-" + std::to_string(placed.released) : "");
    }
    return out;
}

TEST(IconSlotsTest, IconsAreReadOnceWhenDrawnAndLetGoOnlyOutOfSight) {
    IconSlots slots(2);
    slots.Reset(6);
    const Step steps[] = {
        {Step::Draw, {0, 0, 1}, {}, "0 wanted 0 0 wanted"},  // wanted once
        {Step::Draw, {2, 3}, {}, "0 wanted 0 wanted"},
        {Step::Place, {0, 1}, {}, "0@1 1@2"},  // within the budget
        {Step::Draw, {1, 0}, {}, "2 1"},       // 0 drawn last
        {Step::Place, {2}, {}, "2@2-1"},       // 1 drawn least recently
        {Step::Draw, {1}, {}, "0 wanted"},     // let go: read again
        {Step::Place, {3}, {0, 2}, "3@3"},     // all in sight: one more slot
        {Step::Place, {3, 5}, {}, ""},         // not wanted (any more)
        {Step::Place, {1}, {2, 3}, "1@1-0"},   // the one out of sight
        {Step::Unreadable, {4}, {}, ""},
        {Step::Draw, {4, 4}, {}, "0 0"},               // never wanted
        {Step::Unwanted, {2}, {}, ""},                 // its slot is free again
        {Step::Draw, {2, 9, -1}, {}, "0 wanted 0 0"},  // unknown icons: the default
        {Step::Place, {2}, {0, 1, 3}, "2@2"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << (&step - steps));
        EXPECT_EQ(Apply(slots, step), step.gives);
    }
    EXPECT_EQ(slots.Slots(), 4);
    EXPECT_EQ(slots.Reads(), 6);
    EXPECT_EQ(slots.SlotOf(3), 3);
    EXPECT_EQ(slots.SlotOf(0), IconSlots::kDefaultSlot);

    // A new list starts empty.
    slots.Reset(2);
    EXPECT_EQ(slots.Slots(), 1);
    EXPECT_EQ(slots.Reads(), 0);
    EXPECT_EQ(Apply(slots, {Step::Draw, {1}, {}, ""}), "0 wanted");
}

}  // namespace
}  // namespace pallisar
