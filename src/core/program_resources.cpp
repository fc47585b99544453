#include "core/program_resources.h"

#include <unordered_map>
#include <vector>

namespace pallisar {

namespace {

constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;
constexpr std::uint32_t kRtVersion = 16;

// Keeps a hostile file from making us allocate without end: a 256 x 256 image with
// 32-bit colour takes about 260 KB.
constexpr std::uint64_t kMaxResourceBytes = 16u << 20;

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
    std::optional<std::string> Version() const override {
        const auto versions = TypeDirectory(kRtVersion);
        if (!versions || versions->empty()) return std::nullopt;
        return Data(versions->front());
    }

  private:
    struct Section {
        std::uint32_t address;
        std::uint32_t rawSize;
        std::uint32_t rawOffset;
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
    const auto fileHeader = source.Read(header, 24);
    if (!fileHeader) return nullptr;
    LittleEndianReader fileFields(*fileHeader);
    if (fileFields.U16(2) != 0) return nullptr;  // "PE\0\0"
    const std::uint32_t sectionCount = fileFields.U16(6);
    const std::uint32_t optionalSize = fileFields.U16(20);
    const auto optional = source.Read(header + 24, optionalSize);
    if (!optional) return nullptr;
    LittleEndianReader optionalFields(*optional);
    const std::uint32_t magic = optionalFields.U16(0);
    if (!optionalFields.Complete()) return nullptr;

    // The data directories follow the fields whose width differs in 64-bit images.
    std::uint64_t directories = 0;
    switch (magic) {
        case 0x10B:
            directories = 96;
            break;
        case 0x20B:
            directories = 112;
            break;
        default:
            return nullptr;
    }
    constexpr std::uint64_t kResourceDirectoryIndex = 2;
    const std::uint64_t resource = directories + kResourceDirectoryIndex * 8;
    const std::uint32_t directoryCount = optionalFields.U32(directories - 4);
    const std::uint32_t resourceRva = optionalFields.U32(resource);
    // A short optional header, one without a resource directory, or an empty one.
    if (!optionalFields.Has(resource, 8) || directoryCount <= kResourceDirectoryIndex ||
        resourceRva == 0) {
        return nullptr;
    }

    const auto table = source.Read(header + 24 + optionalSize, sectionCount * 40ull);
    if (!table) return nullptr;
    LittleEndianReader sections(*table);
    auto result = std::make_unique<PeResources>(source);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = i * 40ull;
        result->sections_.push_back(
            {sections.U32(at + 12), sections.U32(at + 16), sections.U32(at + 20)});
    }
    const auto root = result->FileOffset(resourceRva);
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
        if (rva >= section.address && rva - section.address < section.rawSize) {
            return std::uint64_t{section.rawOffset} + (rva - section.address);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<DirectoryEntry>> PeResources::Directory(std::uint32_t offset) const {
    const auto header = source_.Read(root_ + offset, 16);
    if (!header) return std::nullopt;
    LittleEndianReader headerFields(*header);
    const std::uint32_t count = headerFields.U16(12) + headerFields.U16(14);
    const auto table = source_.Read(root_ + offset + 16, count * 8ull);
    if (!table) return std::nullopt;
    LittleEndianReader fields(*table);
    std::vector<DirectoryEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t name = fields.U32(i * 8ull);
        const std::uint32_t data = fields.U32(i * 8ull + 4);
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
    if (!languages) return std::nullopt;
    LittleEndianReader languageFields(*languages);
    if (languageFields.U16(12) + languageFields.U16(14) == 0) return std::nullopt;
    const std::uint32_t dataOffset = languageFields.U32(20);
    if ((dataOffset >> 31) != 0) return std::nullopt;  // a directory, not data
    const auto dataEntry = source_.Read(root_ + dataOffset, 16);
    if (!dataEntry) return std::nullopt;
    LittleEndianReader dataFields(*dataEntry);
    const std::uint32_t size = dataFields.U32(4);
    const auto offset = FileOffset(dataFields.U32(0));
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
    std::optional<std::string> Image(std::uint32_t id, std::uint32_t storedSize) const override {
        const auto found = images_.find(id);
        return found != images_.end() ? Read(found->second, storedSize) : std::nullopt;
    }
    std::optional<std::string> Version() const override { return std::nullopt; }

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
    LittleEndianReader neFields(*ne);
    const std::uint32_t start = neFields.U16(0x24);
    const std::uint32_t end = neFields.U16(0x26);  // the resident names follow the resources
    if (start == end) return std::make_unique<NeResources>(source);
    if (end < start + 2) return nullptr;
    const auto table = source.Read(header + start, end - start);
    if (!table) return nullptr;

    auto result = std::make_unique<NeResources>(source);
    LittleEndianReader fields(*table);
    const std::uint32_t shift = fields.U16(0);
    if (shift > 16) return nullptr;
    std::uint64_t at = 2;
    constexpr std::uint32_t kIntegerId = 0x8000;
    while (fields.Has(at, 2)) {
        const std::uint32_t type = fields.U16(at);
        if (type == 0) break;
        if (!fields.Has(at, 8)) return nullptr;
        const std::uint32_t count = fields.U16(at + 2);
        at += 8;
        if (!fields.Has(at, count * 12ull)) return nullptr;
        for (std::uint32_t i = 0; i < count; ++i, at += 12) {
            const Block block{std::uint64_t{fields.U16(at)} << shift,
                              std::uint64_t{fields.U16(at + 2)} << shift};
            const std::uint32_t id = fields.U16(at + 6);
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
    if (!dos || dos->compare(0, 2, "MZ") != 0) return nullptr;
    const std::uint64_t header = LittleEndianReader(*dos).U32(0x3C);
    const auto signature = source.Read(header, 2);
    if (!signature) return nullptr;
    if (*signature == "PE") return PeResources::Open(source, header);
    if (*signature == "NE") return NeResources::Open(source, header);
    return nullptr;
}

}  // namespace pallisar
