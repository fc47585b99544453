#include "win32/windows_version.h"

namespace pallisar {

WindowsVersion RunningWindows() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    // Deprecated for telling Windows 8 from 10, which the program never needs to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return {};
#pragma GCC diagnostic pop
    return {info.dwPlatformId == VER_PLATFORM_WIN32_NT, info.dwMajorVersion, info.dwMinorVersion};
}

bool IsWindows95() {
    const WindowsVersion version = RunningWindows();
    return !version.nt && version.major == 4 && version.minor < 10;
}

}  // namespace pallisar
