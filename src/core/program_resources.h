#pragma once
// The icon resources of program files and libraries: 32- and 64-bit PE images and
// 16-bit NE ones. Used by the icon reader; nothing here trusts the file.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/byte_source.h"

namespace pallisar {

class ProgramResources {
  public:
    virtual ~ProgramResources() = default;

    // Number of icon group resources (RT_GROUP_ICON), in the order the Windows
    // shell numbers icons: the order of the resource directory as stored.
    virtual std::size_t GroupCount() const = 0;
    // The bytes of group `index` (a GRPICONDIR); nothing when it cannot be read.
    virtual std::optional<std::string> Group(std::size_t index) const = 0;
    // The bytes of the icon image (RT_ICON) with resource id `id`; `storedSize` is
    // what the group says the image takes.
    virtual std::optional<std::string> Image(std::uint32_t id, std::uint32_t storedSize) const = 0;
    // The bytes of the first version resource (RT_VERSION), a VS_VERSIONINFO block;
    // nothing when there is none or it cannot be read. 16-bit images give nothing (their
    // version resources have another layout).
    virtual std::optional<std::string> Version() const = 0;
};

// The resources of a program file in `source`, which must outlive the result; null
// when the source is no PE or NE image or its resources cannot be found. A file
// without icon groups gives a GroupCount of 0.
std::unique_ptr<ProgramResources> OpenProgramResources(const ByteSource& source);

}  // namespace pallisar
