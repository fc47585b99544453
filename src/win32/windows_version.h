#pragma once
// The version of Windows the program runs on, as Windows reports it to this program
// (Wine can be told to report an old one to one program).
#include <windows.h>

namespace pallisar {

struct WindowsVersion {
    bool nt = false;  // the NT family; otherwise 95, 98 or ME
    DWORD major = 0;
    DWORD minor = 0;
};
WindowsVersion RunningWindows();

// Windows 95 itself (4.00 of the 95/98 family, its service releases included).
bool IsWindows95();

}  // namespace pallisar
