#include "core/version_resource.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/program_resources.h"

namespace pallisar {

namespace {

constexpr std::uint64_t kBlockHeader = 6;  // wLength, wValueLength, wType

std::uint64_t Align4(std::uint64_t at) { return (at + 3) & ~std::uint64_t{3}; }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

bool SameKey(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// One block of the resource: a key, a value and the blocks inside it, all within
// [begin, end) of the resource's bytes.
struct Block {
    std::u16string key;
    std::uint64_t value = 0;       // where the value starts
    std::uint64_t valueBytes = 0;  // its length as stored
    std::uint64_t children = 0;    // where the blocks inside start
    std::uint64_t end = 0;         // one past the block
};

class VersionBlocks {
  public:
    explicit VersionBlocks(std::string_view bytes) : bytes_(bytes) {}

    // The block at `at`, which must end by `limit`; nothing for a damaged one.
    std::optional<Block> At(std::uint64_t at, std::uint64_t limit) const {
        LittleEndianReader header(bytes_);
        const std::uint32_t length = header.U16(at);
        const std::uint32_t valueLength = header.U16(at + 2);
        const std::uint32_t type = header.U16(at + 4);
        if (!header.Complete() || length < kBlockHeader || at + length > limit) return std::nullopt;
        Block block;
        block.end = at + length;
        std::uint64_t pos = at + kBlockHeader;
        for (;; pos += 2) {
            if (pos + 2 > block.end) return std::nullopt;  // the key has no end
            const char16_t c = Char(pos);
            if (c == 0) break;
            block.key += c;
        }
        block.value = Align4(pos + 2);
        // A text value is counted in characters, anything else in bytes.
        block.valueBytes = type == 1 ? valueLength * 2ull : valueLength;
        block.children = std::min(Align4(block.value + block.valueBytes), block.end);
        return block;
    }

    // The blocks inside `parent`, up to the first damaged one.
    std::vector<Block> Children(const Block& parent) const {
        std::vector<Block> children;
        for (std::uint64_t at = parent.children; at + kBlockHeader <= parent.end;) {
            const std::optional<Block> child = At(at, parent.end);
            if (!child) break;
            children.push_back(*child);
            at = Align4(child->end);
        }
        return children;
    }

    // A text value: from its start to its first zero or the end of its block.
    std::u16string Text(const Block& block) const {
        std::u16string text;
        for (std::uint64_t at = block.value; at + 2 <= block.end; at += 2) {
            const char16_t c = Char(at);
            if (c == 0) break;
            text += c;
        }
        return text;
    }

    char16_t Char(std::uint64_t at) const {
        return static_cast<char16_t>(LittleEndianReader(bytes_).U16(at));
    }

  private:
    std::string_view bytes_;
};

const Block* Find(const std::vector<Block>& blocks, std::u16string_view key) {
    for (const Block& block : blocks) {
        if (SameKey(block.key, key)) return &block;
    }
    return nullptr;
}

// The key of the string table of the first translation ("040904b0"); empty without one.
std::u16string FirstTranslation(const VersionBlocks& blocks, const std::vector<Block>& top) {
    const Block* var = Find(top, u"VarFileInfo");
    if (!var) return {};
    const std::vector<Block> vars = blocks.Children(*var);
    const Block* translation = Find(vars, u"Translation");
    if (!translation || translation->valueBytes < 4 || translation->value + 4 > translation->end) {
        return {};
    }
    const std::uint32_t language = blocks.Char(translation->value);
    const std::uint32_t codePage = blocks.Char(translation->value + 2);
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string key;
    for (const std::uint32_t part : {language, codePage}) {
        for (int shift = 12; shift >= 0; shift -= 4) key += kHex[(part >> shift) & 0xF];
    }
    return key;
}

std::u16string Trimmed(std::u16string text) {
    const auto blank = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (!text.empty() && blank(text.back())) text.pop_back();
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    return std::u16string(first, text.end());
}

}  // namespace

std::optional<std::u16string> VersionString(std::string_view resource, std::u16string_view name) {
    const VersionBlocks blocks(resource);
    const std::optional<Block> root = blocks.At(0, resource.size());
    if (!root || !SameKey(root->key, u"VS_VERSION_INFO")) return std::nullopt;
    const std::vector<Block> top = blocks.Children(*root);
    const Block* strings = Find(top, u"StringFileInfo");
    if (!strings) return std::nullopt;

    std::vector<Block> tables = blocks.Children(*strings);
    const std::u16string first = FirstTranslation(blocks, top);
    std::stable_partition(tables.begin(), tables.end(),
                          [&](const Block& table) { return SameKey(table.key, first); });
    for (const Block& table : tables) {
        const std::vector<Block> strings = blocks.Children(table);
        const Block* value = Find(strings, name);
        if (!value) continue;
        std::u16string text = Trimmed(blocks.Text(*value));
        if (!text.empty()) return text;
    }
    return std::nullopt;
}

std::optional<std::u16string> ReadVersionString(const ByteSource& program,
                                                std::u16string_view name) {
    const std::unique_ptr<ProgramResources> resources = OpenProgramResources(program);
    if (!resources) return std::nullopt;
    const std::optional<std::string> version = resources->Version();
    if (!version) return std::nullopt;
    return VersionString(*version, name);
}

}  // namespace pallisar
