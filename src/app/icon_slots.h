#pragma once
// Which of the games' icons the image lists on screen hold. The icons are numbered as
// the game list numbers them (GameListView::Icons); the image lists hold a few of them,
// each in a slot. Slot 0 holds the icon shown for an icon that is not read (yet) or
// cannot be read.
//
// An icon is wanted when something showing it is drawn and it is not held; once read
// it takes a free slot, a new one while the slots are within their budget, or else the
// slot of the held icon drawn least recently among those not on screen. When every held
// icon is on screen a new slot is added. So the slots grow with what the screen shows at
// once, not with the catalogue.

#include <cstdint>
#include <functional>
#include <vector>

namespace pallisar {

class IconSlots {
  public:
    static constexpr int kDefaultSlot = 0;

    // `budget`: the slots (besides the default one) filled before any is taken over.
    explicit IconSlots(int budget) : budget_(budget) {}

    // A new list of `icons` icons: nothing is held or wanted.
    void Reset(int icons);

    struct Drawn {
        int slot = kDefaultSlot;
        bool wanted = false;  // the icon was not held nor wanted: read it now
    };
    // Icon `icon` is drawn now.
    Drawn Draw(int icon);

    struct Placement {
        int icon = -1;
        int slot = kDefaultSlot;
        int released = -1;  // the icon that held the slot, now let go; -1: none
    };
    // Places icons that were read (those still wanted; the others are passed over).
    // `onScreen` tells whether a held icon is on screen now. A slot number equal to the
    // number of slots before the call, or above, is a new slot (they come in order).
    std::vector<Placement> Place(const std::vector<int>& icons,
                                 const std::function<bool(int icon)>& onScreen);
    // The icon could not be read: it shows the default slot, and is not wanted again.
    void Unreadable(int icon);
    // The icon is neither held nor wanted: the next draw wants it again.
    void Unwanted(int icon);

    // The slots in use or once used, the default one included.
    int Slots() const { return static_cast<int>(slotIcons_.size()); }
    // The slot holding `icon`; kDefaultSlot when it is not held.
    int SlotOf(int icon) const;
    // How many icons were placed since the last Reset (each read counts).
    int Reads() const { return reads_; }

  private:
    enum class State : std::uint8_t { Absent, Wanted, Held, Unreadable };
    struct Entry {
        State state = State::Absent;
        int slot = kDefaultSlot;
        std::uint32_t lastUse = 0;  // the tick of its last draw or placement
    };
    // A slot for a newly read icon, and the icon it held (or -1).
    Placement TakeSlot(const std::function<bool(int icon)>& onScreen);

    int budget_;
    std::vector<Entry> icons_;
    std::vector<int> slotIcons_;  // by slot: its icon, or -1 when free or the default
    std::vector<int> freeSlots_;
    std::uint32_t tick_ = 0;  // counts draws and placements
    int reads_ = 0;
};

}  // namespace pallisar
