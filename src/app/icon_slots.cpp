#include "app/icon_slots.h"

#include <algorithm>

namespace pallisar {

void IconSlots::Reset(int icons) {
    icons_.assign(icons > 0 ? static_cast<size_t>(icons) : 0, Entry{});
    slotIcons_.assign(1, -1);
    freeSlots_.clear();
    reads_ = 0;
}

IconSlots::Drawn IconSlots::Draw(int icon) {
    if (icon < 0 || icon >= static_cast<int>(icons_.size())) return {};
    Entry& entry = icons_[icon];
    switch (entry.state) {
        case State::Held:
            entry.lastUse = ++tick_;
            return {entry.slot, false};
        case State::Absent:
            entry.state = State::Wanted;
            return {kDefaultSlot, true};
        case State::Wanted:
        case State::Unreadable:
            break;
    }
    return {};
}

IconSlots::Placement IconSlots::TakeSlot(const std::function<bool(int icon)>& onScreen) {
    if (!freeSlots_.empty()) {
        const int slot = freeSlots_.back();
        freeSlots_.pop_back();
        return {-1, slot, -1};
    }
    if (Slots() - 1 >= budget_) {
        // The held icons by their last use, the oldest first.
        std::vector<int> held;
        for (int slot = 1; slot < Slots(); ++slot) {
            if (slotIcons_[slot] >= 0) held.push_back(slotIcons_[slot]);
        }
        std::sort(held.begin(), held.end(),
                  [this](int a, int b) { return icons_[a].lastUse < icons_[b].lastUse; });
        for (int icon : held) {
            if (onScreen && onScreen(icon)) continue;
            const int slot = icons_[icon].slot;
            icons_[icon] = Entry{};
            return {-1, slot, icon};
        }
    }
    // Within the budget, or every held icon is on screen: one slot more.
    slotIcons_.push_back(-1);
    return {-1, Slots() - 1, -1};
}

std::vector<IconSlots::Placement> IconSlots::Place(const std::vector<int>& icons,
                                                   const std::function<bool(int icon)>& onScreen) {
    std::vector<Placement> placements;
    for (int icon : icons) {
        if (icon < 0 || icon >= static_cast<int>(icons_.size())) continue;
        if (icons_[icon].state != State::Wanted) continue;
        Placement placement = TakeSlot(onScreen);
        placement.icon = icon;
        Entry& entry = icons_[icon];
        entry.state = State::Held;
        entry.slot = placement.slot;
        entry.lastUse = ++tick_;
        slotIcons_[placement.slot] = icon;
        ++reads_;
        placements.push_back(placement);
    }
    return placements;
}

void IconSlots::Unwanted(int icon) {
    if (icon < 0 || icon >= static_cast<int>(icons_.size())) return;
    Entry& entry = icons_[icon];
    if (entry.state == State::Held) {
        slotIcons_[entry.slot] = -1;
        freeSlots_.push_back(entry.slot);
    }
    entry = Entry{};
}

void IconSlots::Unreadable(int icon) {
    Unwanted(icon);
    if (icon >= 0 && icon < static_cast<int>(icons_.size())) icons_[icon].state = State::Unreadable;
}

int IconSlots::SlotOf(int icon) const {
    if (icon < 0 || icon >= static_cast<int>(icons_.size())) return kDefaultSlot;
    return icons_[icon].state == State::Held ? icons_[icon].slot : kDefaultSlot;
}

}  // namespace pallisar
