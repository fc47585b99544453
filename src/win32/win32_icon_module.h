#pragma once
// A loaded module's icon resources (the program's own, or a library's), read through
// the resource API, so that the images come out as the icon reader gives them.

#include <windows.h>

#include "platform/icon_module.h"

namespace pallisar {

class Win32IconModule final : public IconModule {
  public:
    // The module must stay loaded while this object is used.
    explicit Win32IconModule(HMODULE module) : module_(module) {}
    // Raises Error("Resource <name> not found") when the module has no such icon
    // group or one of its images is missing.
    Icon LoadIconResource(const std::string& name) const override;

  private:
    HMODULE module_;
};

}  // namespace pallisar
