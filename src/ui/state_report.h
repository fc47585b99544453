#pragma once
// The main window's observable state as text, for tools that check the running
// program from outside (under Wine the menus of another process cannot be read).
//
// Format: lines ending in "\n", in this order:
//   caption=<window caption>
//   viewstyle=<0..3>
//   [menu MainMenu1]            then [menu PopupMenu1] and [menu TrayPopup], each
//   item=<caption>\t<flags>\t<image index>
//                               one line per visible item, in menu order, sub-items
//                               right after their parent with the parent's caption
//                               and " > " before their own ("&File > E&xit");
//                               flags: any of the letters s (separator), c (checked),
//                               d (default), g (grayed), r (radio item), in that
//                               order, or nothing; image index -1 for none
//   [list]
//   item=<caption>\t<image index>\t<Path column>
//                               one line per list item, in list order
//   [icons]                     then, from the window (RenderIconReport):
//   reads=<icons read since the list was loaded>
//   held=<icon number>\t<slot> one line per icon the image lists hold, by number

#include <string>

#include "app/icon_slots.h"
#include "ui/main_window.h"

namespace pallisar {

std::string RenderStateReport(const TfmMain& form);
// The [icons] section: what the image lists hold of the list's `icons` icons.
std::string RenderIconReport(const IconSlots& slots, size_t icons);

}  // namespace pallisar
