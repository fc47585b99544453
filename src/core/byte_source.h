#pragma once
// Random access to the bytes of a file or of a block in memory, for readers of
// binary formats that only need a few parts of a possibly large file (a game's
// program file can be hundreds of megabytes; its icons are a few kilobytes).

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

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
    std::uint64_t Size() const override { return size_; }
    std::optional<std::string> Read(std::uint64_t offset, std::uint64_t size) const override;

  private:
    mutable std::ifstream file_;
    std::uint64_t size_ = 0;
};

}  // namespace pallisar
