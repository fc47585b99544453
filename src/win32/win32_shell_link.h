#pragma once
// The shell's link object over COM: CLSID_ShellLink with its IShellLinkA and
// IPersistFile interfaces. COM must be initialised on the calling thread
// (ScopedCoInitialize, win32/com_ptr.h); objects are used on that thread only.

#include <cstdint>
#include <string>

#include "platform/shell_link.h"

namespace pallisar {

// The text of a COM failure for the user: the system's message for `result` without
// its final blanks and full stops (the error box adds its own), or "OLE error " and
// the code in eight hexadecimal digits when the system has none.
std::string ComErrorText(int32_t result);

class Win32ShellLinkFactory final : public ShellLinkFactory {
  public:
    // Throws Error with ComErrorText of the failing call.
    std::unique_ptr<ShellLink> Create() override;
};

}  // namespace pallisar
