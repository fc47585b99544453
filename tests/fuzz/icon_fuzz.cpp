// Feeds arbitrary bytes to the icon reader as an .ico file or a program file, and to the
// reader of a program's version information, as a program file and as a version
// resource itself. Besides surviving (the sanitizers watch memory), every icon it reads
// must survive being written as an .ico file and read back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/icon_resources.h"
#include "core/version_resource.h"

using namespace pallisar;

namespace {

bool SameImages(const Icon& a, const Icon& b) {
    if (a.images.size() != b.images.size()) return false;
    for (size_t i = 0; i < a.images.size(); ++i) {
        const IconImage& x = a.images[i];
        const IconImage& y = b.images[i];
        if (x.width != y.width || x.height != y.height || x.colorCount != y.colorCount ||
            x.planes != y.planes || x.bitCount != y.bitCount || x.data != y.data) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const MemoryByteSource source(bytes);
    const int count = CountIcons(source);
    if (count < 0) std::abort();
    // A few icons are enough to reach every path; thousands would only slow the run.
    for (int i = 0; i < count && i < 4; ++i) {
        const auto icon = ReadIcon(source, i);
        if (!icon) continue;
        if (icon->images.empty() || !ChooseImage(*icon, kLargeIconSize, kLargeIconSize)) {
            std::abort();
        }
        const std::string written = WriteIconFile(*icon);
        const MemoryByteSource again(written);
        const auto back = ReadIcon(again, 0);
        if (CountIcons(again) != 1 || !back || !SameImages(*back, *icon)) std::abort();
    }
    ReadIcon(source, count);  // one beyond the last
    ReadVersionString(source, u"FileDescription");
    VersionString(bytes, u"ProductName");
    return 0;
}
