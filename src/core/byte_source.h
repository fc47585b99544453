#pragma once
// Random access to the bytes of a file or of a block in memory, for readers of
// binary formats that only need a few parts of a possibly large file (a game's
// program file can be hundreds of megabytes; its icons are a few kilobytes).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/file_access.h"

namespace pallisar {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // The `size` bytes at `offset`; nothing when the range is not wholly inside.
    virtual std::optional<std::string> Read(std::uint64_t offset, std::uint64_t size) const = 0;

  protected:
    bool Contains(std::uint64_t offset, std::uint64_t size) const {
        return offset <= Size() && size <= Size() - offset;
    }
};

// Little-endian fields at offsets in a block of bytes, the way the binary formats
// store them. A field that does not lie wholly inside the block is a short read: it
// yields 0 and makes Complete() false for good, and no byte outside the block is ever
// touched. A parser reads its fields, then checks Complete() once.
class LittleEndianReader {
  public:
    explicit LittleEndianReader(std::string_view bytes) : bytes_(bytes) {}
    std::uint32_t U8(std::uint64_t at) { return Field(at, 1); }
    std::uint32_t U16(std::uint64_t at) { return Field(at, 2); }
    std::uint32_t U32(std::uint64_t at) { return Field(at, 4); }
    // Whether `size` bytes at `at` lie inside the block.
    bool Has(std::uint64_t at, std::uint64_t size) const {
        return at <= bytes_.size() && size <= bytes_.size() - at;
    }
    std::uint64_t Size() const { return bytes_.size(); }
    // False once a read was short.
    bool Complete() const { return complete_; }

  private:
    std::uint32_t Field(std::uint64_t at, unsigned width);

    std::string_view bytes_;
    bool complete_ = true;
};

// Bytes read from the front, one piece after the other (a stored property's data). The
// caller keeps the bytes alive while the stream is read.
class ByteStream {
  public:
    explicit ByteStream(std::string_view bytes) : rest_(bytes) {}
    // The next `size` bytes; nothing, and nothing taken, when fewer are left.
    std::optional<std::string_view> Read(std::size_t size);

  private:
    std::string_view rest_;
};

// A view of bytes owned by the caller, who keeps them alive while the source is used.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::optional<std::string> Read(std::uint64_t offset, std::uint64_t size) const override;

  private:
    std::string_view bytes_;
};

// A file opened for reading for the lifetime of the source. A file that cannot be
// opened reads as an empty source.
class FileByteSource final : public ByteSource {
  public:
    explicit FileByteSource(const std::string& path);
    // Whether the file could be opened.
    bool IsOpen() const { return file_.IsOpen(); }
    std::uint64_t Size() const override { return file_.Size(); }
    std::optional<std::string> Read(std::uint64_t offset, std::uint64_t size) const override;

  private:
    ReadOnlyFile file_;
};

}  // namespace pallisar
