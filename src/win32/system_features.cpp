#include "win32/system_features.h"

#include <commctrl.h>

#include <cstddef>

namespace pallisar {

namespace {

// The address of an export of a DLL the program has loaded already; null when the
// running Windows does not have it.
template <typename Function>
Function SystemFunction(const char* module, const char* name) {
    const HMODULE dll = GetModuleHandleA(module);
    return dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)))
               : nullptr;
}

}  // namespace

bool HasWindows98Interface() {
    const WindowsVersion version = RunningWindows();
    return version.nt ? version.major >= 5 : !IsWindows95();
}

MENUITEMINFOA OldMenuItemInfo() {
    MENUITEMINFOA info{};
    info.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    return info;
}

void InitCommonControlClasses(DWORD classes) {
    using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initEx =
        IsWindows95() ? nullptr : SystemFunction<InitEx>("comctl32.dll", "InitCommonControlsEx");
    if (initEx) {
        const INITCOMMONCONTROLSEX controls{sizeof controls, classes};
        initEx(&controls);
    } else {
        InitCommonControls();
    }
}

DWORD WaitForHandleOrMessage(HANDLE handle) {
    return WaitForHandlesOrMessage(1, &handle, INFINITE);
}

DWORD WaitForHandlesOrMessage(DWORD count, const HANDLE* handles, DWORD timeout) {
    using WaitEx = DWORD(WINAPI*)(DWORD, const HANDLE*, DWORD, DWORD, DWORD);
    const auto waitEx = IsWindows95()
                            ? nullptr
                            : SystemFunction<WaitEx>("user32.dll", "MsgWaitForMultipleObjectsEx");
    if (waitEx) return waitEx(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Without MWMO_INPUTAVAILABLE the wait wakes only for messages that arrived since
    // the queue was last looked at. Looking with GetQueueStatus counts as a look, so a
    // message that comes after it wakes the wait below.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) {
        const DWORD ended = count ? WaitForMultipleObjects(count, handles, FALSE, 0) : WAIT_TIMEOUT;
        return ended == WAIT_TIMEOUT ? WAIT_OBJECT_0 + count : ended;
    }
    return MsgWaitForMultipleObjects(count, handles, FALSE, timeout, QS_ALLINPUT);
}

}  // namespace pallisar
