#include "win32/win32_system_info.h"

#include <windows.h>

#include "win32/windows_version.h"

namespace pallisar {

bool Win32SystemInfo::IsWindowsNT() const { return RunningWindows().nt; }

std::string Win32SystemInfo::SystemDir() const {
    char path[256] = {};
    const UINT length = GetSystemDirectoryA(path, sizeof(path));
    // Zero is a failure; a length not below the buffer size is the size the
    // directory would need, which is more than the 255 characters accepted.
    if (length == 0 || length >= sizeof(path)) return {};
    std::string dir(path, length);
    // A root directory ("C:\") is the only form that comes with a backslash.
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

}  // namespace pallisar
