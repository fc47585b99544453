#include "core/icon_resources.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "core/program_resources.h"

namespace pallisar {

namespace {

constexpr std::uint64_t kIconDirSize = 6;
constexpr std::uint64_t kIconDirEntrySize = 16;
constexpr std::uint64_t kGroupEntrySize = 14;

// Limits that keep a hostile file from making us allocate without end: a 256 x 256
// image with 32-bit colour takes about 260 KB, so these leave plenty of room.
constexpr std::uint64_t kMaxImageBytes = 16u << 20;
constexpr std::uint64_t kMaxIconBytes = 64u << 20;

void PutU16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

int StoredSize(std::uint32_t stored) { return stored == 0 ? 256 : static_cast<int>(stored); }

// The fields shared by ICONDIRENTRY and GRPICONDIRENTRY (their first 12 bytes).
IconImage ImageFromEntry(LittleEndianReader& entry, std::uint64_t at) {
    IconImage image;
    image.width = StoredSize(entry.U8(at));
    image.height = StoredSize(entry.U8(at + 1));
    image.colorCount = static_cast<int>(entry.U8(at + 2));
    image.planes = static_cast<int>(entry.U16(at + 4));
    image.bitCount = static_cast<int>(entry.U16(at + 6));
    return image;
}

// Reserved 0, type 1 (icon) and at least one image: the header of an .ico file
// and of an icon group alike. Returns the number of images, 0 when not valid.
std::uint32_t IconDirCount(std::string_view header) {
    LittleEndianReader fields(header);
    const std::uint32_t reserved = fields.U16(0);
    const std::uint32_t type = fields.U16(2);
    const std::uint32_t count = fields.U16(4);
    return fields.Complete() && reserved == 0 && type == 1 ? count : 0;
}

// ---- .ico files ----

struct IcoEntry {
    IconImage image;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// The entries of an .ico file whose images lie inside the file.
std::vector<IcoEntry> ReadIcoEntries(const ByteSource& source) {
    std::vector<IcoEntry> entries;
    const auto header = source.Read(0, kIconDirSize);
    if (!header) return entries;
    const std::uint32_t count = IconDirCount(*header);
    const auto table = source.Read(kIconDirSize, count * kIconDirEntrySize);
    if (count == 0 || !table) return entries;
    LittleEndianReader fields(*table);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = i * kIconDirEntrySize;
        IcoEntry entry{ImageFromEntry(fields, at), fields.U32(at + 12), fields.U32(at + 8)};
        const bool inside =
            entry.offset <= source.Size() && entry.size <= source.Size() - entry.offset;
        if (entry.size > 0 && entry.size <= kMaxImageBytes && inside) entries.push_back(entry);
    }
    return entries;
}

std::optional<Icon> ReadIcoFile(const ByteSource& source) {
    Icon icon;
    std::uint64_t total = 0;
    for (IcoEntry& entry : ReadIcoEntries(source)) {
        total += entry.size;
        if (total > kMaxIconBytes) break;
        auto data = source.Read(entry.offset, entry.size);
        if (!data) continue;
        entry.image.data = std::move(*data);
        icon.images.push_back(std::move(entry.image));
    }
    if (icon.images.empty()) return std::nullopt;
    return icon;
}

// ---- program files ----

std::optional<Icon> ReadProgramIcon(const ByteSource& source, int index) {
    const auto resources = OpenProgramResources(source);
    if (!resources || index < 0) return std::nullopt;
    const auto group = resources->Group(static_cast<size_t>(index));
    if (!group) return std::nullopt;
    const std::uint32_t count = IconDirCount(*group);
    LittleEndianReader fields(*group);
    if (count == 0 || !fields.Has(0, kIconDirSize + count * kGroupEntrySize)) return std::nullopt;

    Icon icon;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = kIconDirSize + i * kGroupEntrySize;
        auto data = resources->Image(fields.U16(at + 12), fields.U32(at + 8));
        if (!data || data->empty()) continue;
        total += data->size();
        if (total > kMaxIconBytes) break;
        IconImage image = ImageFromEntry(fields, at);
        image.data = std::move(*data);
        icon.images.push_back(std::move(image));
    }
    if (icon.images.empty()) return std::nullopt;
    return icon;
}

bool IsProgramFile(const ByteSource& source) {
    const auto magic = source.Read(0, 2);
    return magic && *magic == "MZ";
}

}  // namespace

bool IconImage::IsPng() const { return data.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0; }

int IconImage::BitsPerPixel() const {
    if (bitCount > 0) return bitCount;
    LittleEndianReader fields(data);
    if (IsPng()) {
        // IHDR: bit depth and colour type (grey, -, RGB, palette, grey+alpha, -, RGBA).
        static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
        const std::uint32_t depth = fields.U8(24);
        const std::uint32_t type = fields.U8(25);
        if (!fields.Complete()) return 0;
        return type < 7 ? static_cast<int>(depth) * kChannels[type] : 0;
    }
    const std::uint32_t dibBits = fields.U16(14);  // biBitCount
    if (fields.Complete()) return static_cast<int>(dibBits);
    if (colorCount == 0) return 0;
    int bits = 1;
    while ((1 << bits) < colorCount && bits < 8) ++bits;
    return bits;
}

int CountIcons(const ByteSource& source) {
    if (IsProgramFile(source)) {
        const auto resources = OpenProgramResources(source);
        return resources ? static_cast<int>(resources->GroupCount()) : 0;
    }
    return ReadIcoEntries(source).empty() ? 0 : 1;
}

std::optional<Icon> ReadIcon(const ByteSource& source, int index) {
    if (IsProgramFile(source)) return ReadProgramIcon(source, index);
    if (index != 0) return std::nullopt;
    return ReadIcoFile(source);
}

int CountIconsInFile(const std::string& path) { return CountIcons(FileByteSource(path)); }

std::optional<Icon> ReadIconFromFile(const std::string& path, int index) {
    return ReadIcon(FileByteSource(path), index);
}

const IconImage* ChooseImage(const Icon& icon, int cx, int cy) {
    const IconImage* best = nullptr;
    auto rank = [cx, cy](const IconImage& image) {
        const int distance = std::abs(image.width - cx) + std::abs(image.height - cy);
        const bool notSmaller = image.width >= cx && image.height >= cy;
        return std::make_tuple(-distance, notSmaller, std::min(image.BitsPerPixel(), 32));
    };
    for (const IconImage& image : icon.images) {
        if (!best || rank(image) > rank(*best)) best = &image;
    }
    return best;
}

std::string WriteIconFile(const Icon& icon) {
    std::string out;
    const auto count = static_cast<std::uint32_t>(icon.images.size());
    PutU16(out, 0);
    PutU16(out, 1);
    PutU16(out, count);
    auto offset = static_cast<std::uint32_t>(kIconDirSize + count * kIconDirEntrySize);
    auto storedSize = [](int pixels) {
        return static_cast<char>(pixels >= 256 || pixels <= 0 ? 0 : pixels);
    };
    for (const IconImage& image : icon.images) {
        out += storedSize(image.width);
        out += storedSize(image.height);
        out += static_cast<char>(image.colorCount & 0xFF);
        out += '\0';
        PutU16(out, static_cast<std::uint32_t>(image.planes));
        PutU16(out, static_cast<std::uint32_t>(image.bitCount));
        PutU32(out, static_cast<std::uint32_t>(image.data.size()));
        PutU32(out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : icon.images) out += image.data;
    return out;
}

}  // namespace pallisar
