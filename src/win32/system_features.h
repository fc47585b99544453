#pragma once
// What the running Windows offers beyond Windows 95 and NT 4.0, the oldest systems the
// program runs on. Each newer function is looked up at run time, never imported (an
// import that a system lacks stops the program before it starts there), and chosen by
// the version Windows reports, so that a system told to report an old version (Wine's
// per-program setting) takes the same fallback as the old system itself.
#include "win32/windows_version.h"

namespace pallisar {

// Windows 98, ME, 2000 and later, whose user interface has menu items with a picture
// of their own (MIIM_BITMAP and the 48-byte MENUITEMINFOA) and file dialogs that can be
// resized. Windows 95 and NT 4.0 show plain items and fixed dialogs.
bool HasWindows98Interface();

// A MENUITEMINFOA in the 44-byte layout that every Windows since 95 and NT 4.0 takes;
// only MIIM_TYPE, MIIM_STATE, MIIM_ID, MIIM_SUBMENU, MIIM_CHECKMARKS and MIIM_DATA
// belong in its mask.
MENUITEMINFOA OldMenuItemInfo();

// Registers the common control classes the program uses: InitCommonControlsEx where
// comctl32 has it, InitCommonControls (which registers them all) on Windows 95.
void InitCommonControlClasses(DWORD classes);

// Waits until `handle` is signalled or a message is in the thread's queue, including
// messages that were already there at the last look (MsgWaitForMultipleObjectsEx with
// MWMO_INPUTAVAILABLE; on Windows 95 the queue is asked first).
DWORD WaitForHandleOrMessage(HANDLE handle);
// The same for any of `count` handles (none is allowed) with a time limit in
// milliseconds: WAIT_OBJECT_0 + i for handle i, WAIT_OBJECT_0 + count for a message,
// WAIT_TIMEOUT.
DWORD WaitForHandlesOrMessage(DWORD count, const HANDLE* handles, DWORD timeout);

}  // namespace pallisar
