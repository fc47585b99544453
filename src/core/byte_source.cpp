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

std::optional<std::string> MemoryByteSource::Read(std::uint64_t offset, std::uint64_t size) const {
    if (!Contains(offset, size)) return std::nullopt;
    return std::string(bytes_.substr(static_cast<size_t>(offset), static_cast<size_t>(size)));
}

FileByteSource::FileByteSource(const std::string& path) : file_(path, std::ios::binary) {
    if (!file_) return;
    file_.seekg(0, std::ios::end);
    const std::streamoff end = file_.tellg();
    if (end > 0) size_ = static_cast<std::uint64_t>(end);
}

std::optional<std::string> FileByteSource::Read(std::uint64_t offset, std::uint64_t size) const {
    if (!Contains(offset, size)) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(bytes.data(), static_cast<std::streamsize>(size));
    if (file_.gcount() != static_cast<std::streamsize>(size)) return std::nullopt;
    return bytes;
}

}  // namespace pallisar
