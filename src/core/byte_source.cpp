#include "core/byte_source.h"

namespace pallisar {

std::uint32_t LittleEndianReader::Field(std::uint64_t at, unsigned width) {
    if (!Has(at, width)) {
        complete_ = false;
        return 0;
    }
    std::uint32_t value = 0;
    for (unsigned i = width; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes_[static_cast<size_t>(at) + i]);
    }
    return value;
}

std::optional<std::string_view> ByteStream::Read(std::size_t size) {
    if (size > rest_.size()) return std::nullopt;
    const std::string_view piece = rest_.substr(0, size);
    rest_.remove_prefix(size);
    return piece;
}

std::optional<std::string> MemoryByteSource::Read(std::uint64_t offset, std::uint64_t size) const {
    if (!Contains(offset, size)) return std::nullopt;
    return std::string(bytes_.substr(static_cast<size_t>(offset), static_cast<size_t>(size)));
}

FileByteSource::FileByteSource(const std::string& path) : file_(path) {}

std::optional<std::string> FileByteSource::Read(std::uint64_t offset, std::uint64_t size) const {
    if (!Contains(offset, size)) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!file_.ReadAt(offset, size, bytes.data())) return std::nullopt;
    return bytes;
}

}  // namespace pallisar
