#pragma once
// The games' icons on screen: the list view's large and small image lists, whose small
// images the tray menu draws too. An icon is read when something showing it is first
// drawn, on the icon reader's thread (app/icon_reader.h); until then, and when it cannot
// be read, the default images of slot 0 stand in. The image lists hold the icons in
// slots (app/icon_slots.h), so they grow with what the screen shows, not with the
// catalogue.

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <functional>
#include <vector>

#include "app/icon_reader.h"
#include "app/icon_ref.h"
#include "app/icon_slots.h"
#include "win32/scoped_handle.h"

namespace pallisar {

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
using ScopedImageList = ScopedHandle<ImageListTraits>;

class ListIcons {
  public:
    // Slots filled before any is taken over, and wants that wait at most.
    static constexpr int kSlotBudget = 64;

    // `readMessage` is posted to `window` whenever read icons wait to be taken (Take).
    ListIcons(HWND window, UINT readMessage, int budget = kSlotBudget);

    // A new list of `icons` icons, shown with `large` and `small` until read: new image
    // lists holding only those. The two icons stay the caller's, alive while used.
    void Reset(int icons, HICON large, HICON small);
    HIMAGELIST Large() const { return large_.Get(); }
    HIMAGELIST Small() const { return small_.Get(); }

    // The image to draw icon `icon` with now; when it is not held, the default one, and
    // the icon is read from `ref`.
    int Image(int icon, const IconRef& ref);

    struct Taken {
        std::vector<int> placed;    // icons whose images are in the lists now
        std::vector<int> released;  // icons let go to make room: the default image now
        std::vector<int> noIcons;   // icons whose files hold none, or are gone
    };
    // Puts the icons read so far into the image lists. `onScreen` tells whether a held
    // icon is on screen now (its slot is not taken over). The icons whose files hold
    // none are left unread: once their reference is mended, they are read at their next
    // draw; Unreadable makes them show the default for good.
    Taken Take(const std::function<bool(int icon)>& onScreen);
    void Unreadable(int icon) { slots_.Unreadable(icon); }

    const IconSlots& Slots() const { return slots_; }

  private:
    IconSlots slots_;
    IconReader reader_;
    ScopedImageList large_;
    ScopedImageList small_;
    HICON largeDefault_ = nullptr;  // not owned
    HICON smallDefault_ = nullptr;
};

}  // namespace pallisar
