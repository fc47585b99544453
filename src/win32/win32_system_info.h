#pragma once
// SystemInfo answered by the running Windows (GetVersionExA, GetSystemDirectoryA).

#include <string>

#include "platform/system_info.h"

namespace pallisar {

class Win32SystemInfo : public SystemInfo {
  public:
    bool IsWindowsNT() const override;
    std::string SystemDir() const override;
};

}  // namespace pallisar
