#pragma once
// Facts about the running Windows that the program asks for.

#include <string>

namespace pallisar {

class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    // True when Windows belongs to the NT family (platform VER_PLATFORM_WIN32_NT);
    // false on the 95/98 family.
    virtual bool IsWindowsNT() const = 0;
    // The Windows system directory, at most 255 characters, without a trailing
    // backslash; empty when Windows does not tell it.
    virtual std::string SystemDir() const = 0;
};

}  // namespace pallisar
