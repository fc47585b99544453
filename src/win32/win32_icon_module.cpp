#include "win32/win32_icon_module.h"

#include <optional>
#include <string_view>

#include "core/byte_source.h"
#include "core/errors.h"

namespace pallisar {

namespace {

std::optional<std::string_view> Resource(HMODULE module, const char* name, const char* type) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::string_view(static_cast<const char*>(bytes), SizeofResource(module, found));
}

}  // namespace

Icon Win32IconModule::LoadIconResource(const std::string& name) const {
    const Error notFound("Resource " + name + " not found");
    // A group (GRPICONDIR): a 6-byte header with the count at 4, then 14-byte entries
    // that name their images by resource id.
    const std::optional<std::string_view> group =
        Resource(module_, name.c_str(), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (!group) throw notFound;
    LittleEndianReader fields(*group);
    const std::uint32_t count = fields.U16(4);
    Icon icon;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = 6 + 14 * i;
        IconImage image;
        image.width = fields.U8(at) ? static_cast<int>(fields.U8(at)) : 256;
        image.height = fields.U8(at + 1) ? static_cast<int>(fields.U8(at + 1)) : 256;
        image.colorCount = static_cast<int>(fields.U8(at + 2));
        image.planes = static_cast<int>(fields.U16(at + 4));
        image.bitCount = static_cast<int>(fields.U16(at + 6));
        const std::uint32_t id = fields.U16(at + 12);
        if (!fields.Complete()) throw notFound;
        const std::optional<std::string_view> bytes =
            Resource(module_, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
        if (!bytes) throw notFound;
        image.data = std::string(*bytes);
        icon.images.push_back(std::move(image));
    }
    if (icon.images.empty()) throw notFound;
    return icon;
}

}  // namespace pallisar
