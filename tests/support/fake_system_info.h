#pragma once
// A SystemInfo whose answers a test chooses.

#include <string>

#include "platform/system_info.h"

namespace pallisar::test {

class FakeSystemInfo : public SystemInfo {
  public:
    explicit FakeSystemInfo(bool nt) : windowsNT(nt) {}

    bool IsWindowsNT() const override { return windowsNT; }
    std::string SystemDir() const override { return systemDir; }

    bool windowsNT = true;
    std::string systemDir = "C:\\WINDOWS\\system32";
};

}  // namespace pallisar::test
