#include "win32/windows_version.h"

namespace pallisar {

namespace {

WindowsVersion AskWindows() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    // Deprecated for telling Windows 8 from 10, which the program never needs to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return {};
#pragma GCC diagnostic pop
    return {info.dwPlatformId == VER_PLATFORM_WIN32_NT, info.dwMajorVersion, info.dwMinorVersion};
}

}  // namespace

WindowsVersion RunningWindows() {
    // The version does not change while the program runs: asked once.
    static const WindowsVersion version = AskWindows();
    return version;
}

bool IsWindows95() {
    const WindowsVersion version = RunningWindows();
    return !version.nt && version.major == 4 && version.minor < 10;
}

}  // namespace pallisar
