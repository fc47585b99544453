#pragma once
// A program module (the program itself or a library) as a source of icon resources,
// for components that load an icon by resource name.

#include <string>

#include "core/icon_resources.h"

namespace pallisar {

class IconModule {
  public:
    virtual ~IconModule() = default;
    // The images of the module's icon resource `name` ("#12" names the number 12).
    // Raises Error when the module has no such icon.
    virtual Icon LoadIconResource(const std::string& name) const = 0;
};

}  // namespace pallisar
