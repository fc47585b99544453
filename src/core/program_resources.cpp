#include "core/program_resources.h"

#include <unordered_map>
#include <vector>

namespace pallisar {

namespace {

constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;

// Keeps a hostile file from making us allocate without end: a 256 x 256 image with
// 32-bit colour takes about 260 KB.
constexpr std::uint64_t kMaxResourceBytes = 16u << 20;

std::uint32_t Byte(const std::string& b, size_t at) { return static_cast<unsigned char>(b[at]); }
std::uint32_t U16(const std::string& b, size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
std::uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// ---- PE: a tree of directories (type, name, language) under the resource root ----

struct DirectoryEntry {
    bool named = false;
    std::uint32_t id = 0;  // the name's offset when named
    bool subdirectory = false;
    std::uint32_t offset = 0;  // from the resource root
};

class PeResources final : public ProgramResources {
  public:
    explicit PeResources(const ByteSource& source) : source_(source) {}
    static std::unique_ptr<PeResources> Open(const ByteSource& source, std::uint64_t header);

    std::size_t GroupCount() const override { return groups_.size(); }
    std::optional<std::string> Group(std::size_t index) const override {
        return index < groups_.size() ? Data(groups_[index]) : std::nullopt;
    }
    std::optional<std::string> Image(std::uint32_t id, std::uint32_t) const override {
        const auto found = images_.find(id);
        return found != images_.end() ? Data(found->second) : std::nullopt;
    }

  private:
    struct Section {
        std::uint32_t address;
        std::uint32_t raw_size;
        std::uint32_t raw_offset;
    };

    std::optional<std::uint64_t> FileOffset(std::uint32_t rva) const;
    std::optional<std::vector<DirectoryEntry>> Directory(std::uint32_t offset) const;
    std::optional<std::vector<DirectoryEntry>> TypeDirectory(std::uint32_t type) const;
    std::optional<std::string> Data(const DirectoryEntry& entry) const;

    const ByteSource& source_;
    std::vector<Section> sections_;
    std::uint64_t root_ = 0;
    std::vector<DirectoryEntry> groups_;
    std::unordered_map<std::uint32_t, DirectoryEntry> images_;  // by id, the first of each
};

std::unique_ptr<PeResources> PeResources::Open(const ByteSource& source, std::uint64_t header) {
    const auto file_header = source.Read(header, 24);
    if (!file_header || U16(*file_header, 2) != 0) return nullptr;  // "PE\0\0"
    const std::uint32_t section_count = U16(*file_header, 6);
    const std::uint32_t optional_size = U16(*file_header, 20);
    const auto optional = source.Read(header + 24, optional_size);
    if (!optional || optional_size < 2) return nullptr;

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
            return nullptr;
    }
    constexpr size_t kResourceDirectoryIndex = 2;
    const size_t resource = directories + kResourceDirectoryIndex * 8;
    if (optional_size < resource + 8 ||
        U32(*optional, directories - 4) <= kResourceDirectoryIndex) {
        return nullptr;
    }
    const std::uint32_t resource_rva = U32(*optional, resource);
    if (resource_rva == 0) return nullptr;

    const auto table = source.Read(header + 24 + optional_size, section_count * 40ull);
    if (!table) return nullptr;
    auto result = std::make_unique<PeResources>(source);
    for (std::uint32_t i = 0; i < section_count; ++i) {
        const size_t at = i * 40;
        result->sections_.push_back(
            {U32(*table, at + 12), U32(*table, at + 16), U32(*table, at + 20)});
    }
    const auto root = result->FileOffset(resource_rva);
    if (!root) return nullptr;
    result->root_ = *root;
    if (!result->Directory(0)) return nullptr;

    if (auto groups = result->TypeDirectory(kRtGroupIcon)) result->groups_ = std::move(*groups);
    if (auto images = result->TypeDirectory(kRtIcon)) {
        for (const DirectoryEntry& entry : *images) {
            if (!entry.named) result->images_.emplace(entry.id, entry);
        }
    }
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

std::optional<std::vector<DirectoryEntry>> PeResources::Directory(std::uint32_t offset) const {
    const auto header = source_.Read(root_ + offset, 16);
    if (!header) return std::nullopt;
    const std::uint32_t count = U16(*header, 12) + U16(*header, 14);
    const auto table = source_.Read(root_ + offset + 16, count * 8ull);
    if (!table) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t name = U32(*table, i * 8);
        const std::uint32_t data = U32(*table, i * 8 + 4);
        entries.push_back(
            {(name >> 31) != 0, name & 0x7FFFFFFF, (data >> 31) != 0, data & 0x7FFFFFFF});
    }
    return entries;
}

std::optional<std::vector<DirectoryEntry>> PeResources::TypeDirectory(std::uint32_t type) const {
    const auto root = Directory(0);
    if (!root) return std::nullopt;
    for (const DirectoryEntry& entry : *root) {
        if (!entry.named && entry.id == type) {
            if (!entry.subdirectory) return std::nullopt;
            return Directory(entry.offset);
        }
    }
    return std::nullopt;
}

// The first language of a resource, as the shell takes when no language is asked for.
std::optional<std::string> PeResources::Data(const DirectoryEntry& entry) const {
    if (!entry.subdirectory) return std::nullopt;
    // Only the first entry is read: a forged directory may claim 131070 languages.
    const auto languages = source_.Read(root_ + entry.offset, 24);
    if (!languages || U16(*languages, 12) + U16(*languages, 14) == 0) return std::nullopt;
    const std::uint32_t data_offset = U32(*languages, 20);
    if ((data_offset >> 31) != 0) return std::nullopt;  // a directory, not data
    const auto data_entry = source_.Read(root_ + data_offset, 16);
    if (!data_entry) return std::nullopt;
    const std::uint32_t size = U32(*data_entry, 4);
    const auto offset = FileOffset(U32(*data_entry, 0));
    if (!offset || size > kMaxResourceBytes) return std::nullopt;
    return source_.Read(*offset, size);
}

// ---- NE (16-bit): one resource table of types, each with its resources ----

class NeResources final : public ProgramResources {
  public:
    explicit NeResources(const ByteSource& source) : source_(source) {}
    static std::unique_ptr<NeResources> Open(const ByteSource& source, std::uint64_t header);

    std::size_t GroupCount() const override { return groups_.size(); }
    std::optional<std::string> Group(std::size_t index) const override {
        return index < groups_.size() ? Read(groups_[index], 0) : std::nullopt;
    }
    std::optional<std::string> Image(std::uint32_t id, std::uint32_t stored_size) const override {
        const auto found = images_.find(id);
        return found != images_.end() ? Read(found->second, stored_size) : std::nullopt;
    }

  private:
    struct Block {
        std::uint64_t offset;
        std::uint64_t size;  // rounded up to the file's alignment
    };

    // The block, cut to `size` when that is smaller (blocks carry alignment padding).
    std::optional<std::string> Read(const Block& block, std::uint32_t size) const {
        const std::uint64_t length = size > 0 && size < block.size ? size : block.size;
        if (length > kMaxResourceBytes) return std::nullopt;
        return source_.Read(block.offset, length);
    }

    const ByteSource& source_;
    std::vector<Block> groups_;
    std::unordered_map<std::uint32_t, Block> images_;
};

std::unique_ptr<NeResources> NeResources::Open(const ByteSource& source, std::uint64_t header) {
    const auto ne = source.Read(header, 64);
    if (!ne) return nullptr;
    const std::uint32_t start = U16(*ne, 0x24);
    const std::uint32_t end = U16(*ne, 0x26);  // the resident names follow the resources
    if (start == end) return std::make_unique<NeResources>(source);
    if (end < start + 2) return nullptr;
    const auto table = source.Read(header + start, end - start);
    if (!table) return nullptr;

    auto result = std::make_unique<NeResources>(source);
    const std::uint32_t shift = U16(*table, 0);
    if (shift > 16) return nullptr;
    size_t at = 2;
    constexpr std::uint32_t kIntegerId = 0x8000;
    while (at + 2 <= table->size()) {
        const std::uint32_t type = U16(*table, at);
        if (type == 0) break;
        if (at + 8 > table->size()) return nullptr;
        const std::uint32_t count = U16(*table, at + 2);
        at += 8;
        if (at + count * 12ull > table->size()) return nullptr;
        for (std::uint32_t i = 0; i < count; ++i, at += 12) {
            const Block block{std::uint64_t{U16(*table, at)} << shift,
                              std::uint64_t{U16(*table, at + 2)} << shift};
            const std::uint32_t id = U16(*table, at + 6);
            if (type == (kIntegerId | kRtGroupIcon)) {
                result->groups_.push_back(block);
            } else if (type == (kIntegerId | kRtIcon) && (id & kIntegerId) != 0) {
                result->images_.emplace(id & ~kIntegerId, block);
            }
        }
    }
    return result;
}

}  // namespace

std::unique_ptr<ProgramResources> OpenProgramResources(const ByteSource& source) {
    const auto dos = source.Read(0, 64);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return nullptr;
    const std::uint64_t header = U32(*dos, 0x3C);
    const auto signature = source.Read(header, 2);
    if (!signature) return nullptr;
    if (*signature == "PE") return PeResources::Open(source, header);
    if (*signature == "NE") return NeResources::Open(source, header);
    return nullptr;
}

}  // namespace pallisar
