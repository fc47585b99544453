#include "core/icon_resources.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <unordered_map>

namespace pallisar {

namespace {

// Resource type ids of the images and of the groups that list them.
constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;

constexpr std::uint64_t kIconDirSize = 6;
constexpr std::uint64_t kIconDirEntrySize = 16;
constexpr std::uint64_t kGroupEntrySize = 14;
constexpr std::uint64_t kResourceDirSize = 16;
constexpr std::uint64_t kResourceEntrySize = 8;
constexpr std::uint64_t kSectionHeaderSize = 40;

// Limits that keep a hostile file from making us allocate without end: a 256 x 256
// image with 32-bit colour takes about 260 KB, so these leave plenty of room.
constexpr std::uint64_t kMaxImageBytes = 16u << 20;
constexpr std::uint64_t kMaxIconBytes = 64u << 20;

std::uint32_t Byte(const std::string& b, size_t at) { return static_cast<unsigned char>(b[at]); }
std::uint32_t U16(const std::string& b, size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
std::uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

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
IconImage ImageFromEntry(const std::string& entry, size_t at) {
    IconImage image;
    image.width = StoredSize(Byte(entry, at));
    image.height = StoredSize(Byte(entry, at + 1));
    image.color_count = static_cast<int>(Byte(entry, at + 2));
    image.planes = static_cast<int>(U16(entry, at + 4));
    image.bit_count = static_cast<int>(U16(entry, at + 6));
    return image;
}

// Reserved 0, type 1 (icon) and at least one image: the header of an .ico file
// and of an icon group alike. Returns the number of images, 0 when not valid.
std::uint32_t IconDirCount(const std::string& header) {
    if (header.size() < kIconDirSize || U16(header, 0) != 0 || U16(header, 2) != 1) return 0;
    return U16(header, 4);
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
    for (std::uint32_t i = 0; i < count; ++i) {
        const size_t at = i * kIconDirEntrySize;
        IcoEntry entry{ImageFromEntry(*table, at), U32(*table, at + 12), U32(*table, at + 8)};
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

// ---- PE images ----

struct ResourceEntry {
    bool named = false;
    std::uint32_t id = 0;  // the name's offset when named
    bool subdirectory = false;
    std::uint32_t offset = 0;  // from the start of the resource directory
};

class PeResources {
  public:
    static std::optional<PeResources> Open(const ByteSource& source);

    // The entries of the directory at `offset`, as stored.
    std::optional<std::vector<ResourceEntry>> Directory(std::uint32_t offset) const;
    // The entries below the root's entry for `type`.
    std::optional<std::vector<ResourceEntry>> TypeDirectory(std::uint32_t type) const;
    // The bytes of a resource, given its entry in a type's directory: its first
    // language is taken, as the shell does when no language is asked for.
    std::optional<std::string> Data(const ResourceEntry& entry) const;

  private:
    struct Section {
        std::uint32_t address;
        std::uint32_t raw_size;
        std::uint32_t raw_offset;
    };
    explicit PeResources(const ByteSource& source) : source_(&source) {}
    std::optional<std::uint64_t> FileOffset(std::uint32_t rva) const;

    const ByteSource* source_;
    std::vector<Section> sections_;
    std::uint64_t root_ = 0;
};

std::optional<PeResources> PeResources::Open(const ByteSource& source) {
    const auto dos = source.Read(0, 64);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return std::nullopt;
    const std::uint64_t pe = U32(*dos, 0x3C);
    const auto file_header = source.Read(pe, 24);
    if (!file_header || file_header->compare(0, 4, std::string("PE\0\0", 4)) != 0) {
        return std::nullopt;
    }
    const std::uint32_t section_count = U16(*file_header, 6);
    const std::uint32_t optional_size = U16(*file_header, 20);
    const auto optional = source.Read(pe + 24, optional_size);
    if (!optional || optional_size < 2) return std::nullopt;

    // The data directories follow the fields whose width differs in 64-bit images.
    size_t directories = 0;
    switch (U16(*optional, 0)) {
        case 0x10B:
            directories = 96;
            break;
        case 0x20B:
            directories = 112;
            break;
        default:
            return std::nullopt;
    }
    constexpr size_t kResourceDirectoryIndex = 2;
    const size_t resource = directories + kResourceDirectoryIndex * 8;
    if (optional_size < resource + 8 ||
        U32(*optional, directories - 4) <= kResourceDirectoryIndex) {
        return std::nullopt;
    }
    const std::uint32_t resource_rva = U32(*optional, resource);
    if (resource_rva == 0) return std::nullopt;

    const auto table = source.Read(pe + 24 + optional_size, section_count * kSectionHeaderSize);
    if (!table) return std::nullopt;
    PeResources result(source);
    for (std::uint32_t i = 0; i < section_count; ++i) {
        const size_t at = i * kSectionHeaderSize;
        result.sections_.push_back(
            {U32(*table, at + 12), U32(*table, at + 16), U32(*table, at + 20)});
    }
    const auto root = result.FileOffset(resource_rva);
    if (!root) return std::nullopt;
    result.root_ = *root;
    return result;
}

std::optional<std::uint64_t> PeResources::FileOffset(std::uint32_t rva) const {
    for (const Section& section : sections_) {
        if (rva >= section.address && rva - section.address < section.raw_size) {
            return std::uint64_t{section.raw_offset} + (rva - section.address);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<ResourceEntry>> PeResources::Directory(std::uint32_t offset) const {
    const auto header = source_->Read(root_ + offset, kResourceDirSize);
    if (!header) return std::nullopt;
    const std::uint32_t count = U16(*header, 12) + U16(*header, 14);
    const auto table = source_->Read(root_ + offset + kResourceDirSize, count * kResourceEntrySize);
    if (!table) return std::nullopt;
    std::vector<ResourceEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t name = U32(*table, i * kResourceEntrySize);
        const std::uint32_t data = U32(*table, i * kResourceEntrySize + 4);
        entries.push_back(
            {(name >> 31) != 0, name & 0x7FFFFFFF, (data >> 31) != 0, data & 0x7FFFFFFF});
    }
    return entries;
}

std::optional<std::vector<ResourceEntry>> PeResources::TypeDirectory(std::uint32_t type) const {
    const auto root = Directory(0);
    if (!root) return std::nullopt;
    for (const ResourceEntry& entry : *root) {
        if (!entry.named && entry.id == type) {
            if (!entry.subdirectory) return std::nullopt;
            return Directory(entry.offset);
        }
    }
    return std::nullopt;
}

std::optional<std::string> PeResources::Data(const ResourceEntry& entry) const {
    if (!entry.subdirectory) return std::nullopt;
    const auto languages = Directory(entry.offset);
    if (!languages || languages->empty() || languages->front().subdirectory) return std::nullopt;
    const auto data_entry = source_->Read(root_ + languages->front().offset, 16);
    if (!data_entry) return std::nullopt;
    const std::uint32_t size = U32(*data_entry, 4);
    const auto offset = FileOffset(U32(*data_entry, 0));
    if (!offset || size > kMaxImageBytes) return std::nullopt;
    return source_->Read(*offset, size);
}

int CountPeIcons(const ByteSource& source) {
    const auto pe = PeResources::Open(source);
    if (!pe) return 0;
    const auto groups = pe->TypeDirectory(kRtGroupIcon);
    return groups ? static_cast<int>(groups->size()) : 0;
}

std::optional<Icon> ReadPeIcon(const ByteSource& source, int index) {
    const auto pe = PeResources::Open(source);
    if (!pe) return std::nullopt;
    const auto groups = pe->TypeDirectory(kRtGroupIcon);
    if (!groups || index < 0 || static_cast<size_t>(index) >= groups->size()) return std::nullopt;
    const auto group = pe->Data((*groups)[static_cast<size_t>(index)]);
    if (!group) return std::nullopt;
    const std::uint32_t count = IconDirCount(*group);
    if (count == 0 || group->size() < kIconDirSize + count * kGroupEntrySize) return std::nullopt;
    const auto images = pe->TypeDirectory(kRtIcon);
    if (!images) return std::nullopt;
    // By id, the first entry of each (a group may list thousands of images).
    std::unordered_map<std::uint32_t, const ResourceEntry*> by_id;
    for (const ResourceEntry& entry : *images) {
        if (!entry.named) by_id.emplace(entry.id, &entry);
    }

    Icon icon;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count && total <= kMaxIconBytes; ++i) {
        const size_t at = kIconDirSize + i * kGroupEntrySize;
        const std::uint32_t id = U16(*group, at + 12);
        const auto found = by_id.find(id);
        if (found == by_id.end()) continue;
        auto data = pe->Data(*found->second);
        if (!data || data->empty()) continue;
        total += data->size();
        if (total > kMaxIconBytes) break;
        IconImage image = ImageFromEntry(*group, at);
        image.data = std::move(*data);
        icon.images.push_back(std::move(image));
    }
    if (icon.images.empty()) return std::nullopt;
    return icon;
}

bool IsPeFile(const ByteSource& source) {
    const auto magic = source.Read(0, 2);
    return magic && *magic == "MZ";
}

}  // namespace

bool IconImage::IsPng() const { return data.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0; }

int IconImage::BitsPerPixel() const {
    if (bit_count > 0) return bit_count;
    if (IsPng()) {
        // IHDR: bit depth and colour type (grey, -, RGB, palette, grey+alpha, -, RGBA).
        if (data.size() < 26) return 0;
        static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
        const std::uint32_t type = Byte(data, 25);
        return type < 7 ? static_cast<int>(Byte(data, 24)) * kChannels[type] : 0;
    }
    if (data.size() >= 16) return static_cast<int>(U16(data, 14));  // biBitCount
    if (color_count == 0) return 0;
    int bits = 1;
    while ((1 << bits) < color_count && bits < 8) ++bits;
    return bits;
}

int CountIcons(const ByteSource& source) {
    if (IsPeFile(source)) return CountPeIcons(source);
    return ReadIcoEntries(source).empty() ? 0 : 1;
}

std::optional<Icon> ReadIcon(const ByteSource& source, int index) {
    if (IsPeFile(source)) return ReadPeIcon(source, index);
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
        const bool not_smaller = image.width >= cx && image.height >= cy;
        return std::make_tuple(-distance, not_smaller, std::min(image.BitsPerPixel(), 32));
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
    auto stored_size = [](int pixels) {
        return static_cast<char>(pixels >= 256 || pixels <= 0 ? 0 : pixels);
    };
    for (const IconImage& image : icon.images) {
        out += stored_size(image.width);
        out += stored_size(image.height);
        out += static_cast<char>(image.color_count & 0xFF);
        out += '\0';
        PutU16(out, static_cast<std::uint32_t>(image.planes));
        PutU16(out, static_cast<std::uint32_t>(image.bit_count));
        PutU32(out, static_cast<std::uint32_t>(image.data.size()));
        PutU32(out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : icon.images) out += image.data;
    return out;
}

}  // namespace pallisar
