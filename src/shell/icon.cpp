#include "shell/icon.h"

#include <utility>

#include "core/byte_source.h"
#include "core/errors.h"

namespace pallisar {

void TIcon::Assign(const TIcon* source) { SetIcon(source ? source->icon_ : Icon{}); }

void TIcon::SetIcon(Icon icon) {
    icon_ = std::move(icon);
    Change();
}

void TIcon::LoadFromBytes(const std::string& bytes) {
    // The icon reader also understands program files; an icon stream is an .ico file
    // only (reserved 0, type 1).
    const bool icoHeader =
        bytes.size() >= 6 && bytes.compare(0, 4, std::string("\0\0\1\0", 4)) == 0;
    std::optional<Icon> icon;
    if (icoHeader) icon = ReadIcon(MemoryByteSource(bytes), 0);
    if (!icon || icon->images.empty()) throw Error("Invalid icon format");
    SetIcon(std::move(*icon));
}

std::string TIcon::SaveToBytes() const { return Empty() ? std::string() : WriteIconFile(icon_); }

void TIcon::Change() {
    if (OnChange) OnChange();
}

}  // namespace pallisar
