#include "support/icon_fixtures.h"

#include <algorithm>

namespace pallisar::test {

namespace {

void U16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void U32(std::string& out, std::uint32_t v) {
    U16(out, v & 0xFFFF);
    U16(out, v >> 16);
}
void U64(std::string& out, std::uint64_t v) {
    U32(out, static_cast<std::uint32_t>(v));
    U32(out, static_cast<std::uint32_t>(v >> 32));
}
void PadTo(std::string& out, size_t size) { out.resize(std::max(out.size(), size), '\0'); }
std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }

struct Resource {
    std::string name;
    std::uint32_t id = 0;
    std::string data;
};

struct ResourceType {
    std::uint32_t type;
    std::vector<Resource> resources;
};

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kFileAlignment = 0x200;

// The .rsrc section: directories, then language directories, data entries, names
// and data, as resource compilers lay them out.
std::string ResourceSection(const std::vector<ResourceType>& types) {
    size_t total = 0;
    for (const auto& t : types) total += t.resources.size();
    const std::uint32_t rootSize = 16 + 8 * static_cast<std::uint32_t>(types.size());
    std::vector<std::uint32_t> typeDirs;
    std::uint32_t at = rootSize;
    for (const auto& t : types) {
        typeDirs.push_back(at);
        at += 16 + 8 * static_cast<std::uint32_t>(t.resources.size());
    }
    const std::uint32_t languages = at;
    const std::uint32_t dataEntries = languages + 24 * static_cast<std::uint32_t>(total);
    std::uint32_t strings = dataEntries + 16 * static_cast<std::uint32_t>(total);

    std::vector<std::uint32_t> nameOffsets;
    std::string names;
    for (const auto& t : types) {
        for (const auto& r : t.resources) {
            nameOffsets.push_back(strings + static_cast<std::uint32_t>(names.size()));
            if (r.name.empty()) continue;
            U16(names, static_cast<std::uint32_t>(r.name.size()));
            for (char c : r.name) U16(names, static_cast<unsigned char>(c));
        }
    }
    std::uint32_t blobs = AlignUp(strings + static_cast<std::uint32_t>(names.size()), 8);

    std::string out;
    auto directory = [&out](size_t named, size_t ids) {
        U32(out, 0);  // characteristics
        U32(out, 0);  // time stamp
        U32(out, 4);  // version 4.0
        U16(out, static_cast<std::uint32_t>(named));
        U16(out, static_cast<std::uint32_t>(ids));
    };
    directory(0, types.size());
    for (size_t i = 0; i < types.size(); ++i) {
        U32(out, types[i].type);
        U32(out, 0x80000000u | typeDirs[i]);
    }
    size_t index = 0;
    for (const auto& t : types) {
        const auto named = std::count_if(t.resources.begin(), t.resources.end(),
                                         [](const Resource& r) { return !r.name.empty(); });
        directory(static_cast<size_t>(named), t.resources.size() - static_cast<size_t>(named));
        for (const auto& r : t.resources) {
            U32(out, r.name.empty() ? r.id : 0x80000000u | nameOffsets[index]);
            U32(out, 0x80000000u | (languages + 24 * static_cast<std::uint32_t>(index)));
            ++index;
        }
    }
    for (size_t i = 0; i < total; ++i) {
        directory(0, 1);
        U32(out, 0x409);
        U32(out, dataEntries + 16 * static_cast<std::uint32_t>(i));
    }
    std::string data;
    for (const auto& t : types) {
        for (const auto& r : t.resources) {
            const std::uint32_t offset = blobs + static_cast<std::uint32_t>(data.size());
            U32(out, kSectionRva + offset);
            U32(out, static_cast<std::uint32_t>(r.data.size()));
            U32(out, 0);
            U32(out, 0);
            data += r.data;
            PadTo(data, AlignUp(static_cast<std::uint32_t>(data.size()), 8));
        }
    }
    out += names;
    PadTo(out, blobs);
    out += data;
    return out;
}

// An image of width x height at `bits` per pixel with its BITMAPINFOHEADER (the
// height counting the colour bits and the mask), before its colours and pixels.
IconImage DibImageHeader(int width, int height, int bits) {
    IconImage image;
    image.width = width;
    image.height = height;
    image.colorCount = bits < 8 ? 1 << bits : 0;
    image.planes = 1;
    image.bitCount = bits;
    std::string& d = image.data;
    U32(d, 40);
    U32(d, static_cast<std::uint32_t>(width));
    U32(d, static_cast<std::uint32_t>(height * 2));  // colour bits and mask
    U16(d, 1);
    U16(d, static_cast<std::uint32_t>(bits));
    for (int i = 0; i < 6; ++i) U32(d, 0);  // no compression, sizes and colours implied
    return image;
}

}  // namespace

IconImage MakeDibImage(int width, int height, int bits, int seed) {
    IconImage image = DibImageHeader(width, height, bits);
    std::string& d = image.data;
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i)
            U32(d, static_cast<std::uint32_t>(i * 0x010203 + seed));
    }
    const int colourRow = (width * bits + 31) / 32 * 4;
    const int maskRow = (width + 31) / 32 * 4;
    for (int i = 0; i < colourRow * height; ++i) d += static_cast<char>((i * 7 + seed * 13) & 0xFF);
    for (int i = 0; i < maskRow * height; ++i) d += static_cast<char>(i % 3 == 0 ? 0xFF : 0);
    return image;
}

IconImage MakeSolidImage(int width, int height, std::uint32_t rgb) {
    IconImage image = DibImageHeader(width, height, 24);
    std::string& d = image.data;
    const int colourRow = (width * 24 + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row += static_cast<char>(rgb & 0xFF);
            row += static_cast<char>((rgb >> 8) & 0xFF);
            row += static_cast<char>((rgb >> 16) & 0xFF);
        }
        row.resize(static_cast<size_t>(colourRow), '\0');
        d += row;
    }
    d.append(static_cast<size_t>((width + 31) / 32 * 4 * height), '\0');  // all opaque
    return image;
}

IconImage MakePngImage(int width, int height, int seed) {
    IconImage image;
    image.width = width;
    image.height = height;
    image.planes = 1;
    image.bitCount = 32;
    std::string& d = image.data;
    d = std::string("\x89PNG\r\n\x1A\n", 8);
    U32(d, 0x0D000000);  // IHDR length 13, big-endian
    d += "IHDR";
    for (int v : {width, height}) {
        d += static_cast<char>((v >> 24) & 0xFF);
        d += static_cast<char>((v >> 16) & 0xFF);
        d += static_cast<char>((v >> 8) & 0xFF);
        d += static_cast<char>(v & 0xFF);
    }
    d += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA
    for (int i = 0; i < 64; ++i) d += static_cast<char>((i + seed) & 0xFF);
    return image;
}

std::string MakeIcoFile(const std::vector<IconImage>& images) {
    std::string out;
    U16(out, 0);
    U16(out, 1);
    U16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        out += static_cast<char>(image.width & 0xFF);  // 256 is stored as 0
        out += static_cast<char>(image.height & 0xFF);
        out += static_cast<char>(image.colorCount);
        out += '\0';
        U16(out, static_cast<std::uint32_t>(image.planes));
        U16(out, static_cast<std::uint32_t>(image.bitCount));
        U32(out, static_cast<std::uint32_t>(image.data.size()));
        U32(out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) out += image.data;
    return out;
}

std::string MakePeFile(const std::vector<IconGroupFixture>& groups, bool pe32plus,
                       const std::string& version) {
    ResourceType icons{3, {}};
    ResourceType rcdata{10, {{"", 1, "not an icon"}}};
    ResourceType groupType{14, {}};
    ResourceType versionType{16, {{"", 1, version}}};
    std::uint32_t nextId = 1;
    for (const IconGroupFixture& group : groups) {
        std::string dir;
        U16(dir, 0);
        U16(dir, 1);
        U16(dir, static_cast<std::uint32_t>(group.images.size() + group.danglingEntries));
        for (const IconImage& image : group.images) {
            dir += static_cast<char>(image.width & 0xFF);
            dir += static_cast<char>(image.height & 0xFF);
            dir += static_cast<char>(image.colorCount);
            dir += '\0';
            U16(dir, static_cast<std::uint32_t>(image.planes));
            U16(dir, static_cast<std::uint32_t>(image.bitCount));
            U32(dir, static_cast<std::uint32_t>(image.data.size()));
            U16(dir, nextId);
            icons.resources.push_back({"", nextId++, image.data});
        }
        for (int i = 0; i < group.danglingEntries; ++i) {
            dir += std::string("\x20\x20\x00\x00\x01\x00\x20\x00\x00\x01\x00\x00", 12);
            U16(dir, 0xFFF0 - static_cast<std::uint32_t>(i));
        }
        groupType.resources.push_back({group.name, group.id, dir});
    }
    std::vector<ResourceType> types = {icons, rcdata, groupType};
    if (!version.empty()) types.push_back(versionType);
    const std::string section = ResourceSection(types);
    const auto sectionSize = static_cast<std::uint32_t>(section.size());

    std::string out;
    out += "MZ";
    PadTo(out, 0x3C);
    U32(out, 0x40);  // eLfanew
    out += std::string("PE\0\0", 4);
    U16(out, pe32plus ? 0x8664 : 0x14C);
    U16(out, 1);  // one section
    U32(out, 0);
    U32(out, 0);
    U32(out, 0);
    U16(out, pe32plus ? 240 : 224);
    U16(out, pe32plus ? 0x2022 : 0x2102);  // a DLL
    const size_t optional = out.size();
    U16(out, pe32plus ? 0x20B : 0x10B);
    U16(out, 0);  // linker version
    U32(out, 0);  // size of code
    U32(out, AlignUp(sectionSize, kFileAlignment));
    U32(out, 0);
    U32(out, 0);  // entry point
    U32(out, kSectionRva);
    if (pe32plus) {
        U64(out, 0x180000000ull);
    } else {
        U32(out, kSectionRva);
        U32(out, 0x10000000);
    }
    U32(out, 0x1000);          // section alignment
    U32(out, kFileAlignment);  // file alignment
    for (int v : {4, 0, 0, 0, 4, 0}) U16(out, static_cast<std::uint32_t>(v));
    U32(out, 0);
    U32(out, kSectionRva + AlignUp(sectionSize, 0x1000));  // size of image
    U32(out, kFileAlignment);                              // size of headers
    U32(out, 0);                                           // checksum
    U16(out, 2);                                           // GUI
    U16(out, 0);
    for (int i = 0; i < 4; ++i) pe32plus ? U64(out, 0x100000) : U32(out, 0x100000);
    U32(out, 0);   // loader flags
    U32(out, 16);  // data directories
    for (int i = 0; i < 16; ++i) {
        U32(out, i == 2 ? kSectionRva : 0);
        U32(out, i == 2 ? sectionSize : 0);
    }
    if (out.size() - optional != (pe32plus ? 240u : 224u)) return {};  // layout slip
    out += std::string(".rsrc\0\0\0", 8);
    U32(out, sectionSize);
    U32(out, kSectionRva);
    U32(out, AlignUp(sectionSize, kFileAlignment));
    U32(out, kFileAlignment);
    for (int i = 0; i < 3; ++i) U32(out, 0);
    U32(out, 0x40000040);  // initialised data, readable
    PadTo(out, kFileAlignment);
    out += section;
    PadTo(out, kFileAlignment + AlignUp(sectionSize, kFileAlignment));
    return out;
}

namespace {

// One block of a version resource: length, value length, type, key, the value and the
// blocks inside, each starting on a 4-byte boundary.
std::string VersionBlock(const std::string& key, std::uint32_t type, std::uint32_t valueLength,
                         const std::string& value, const std::vector<std::string>& children) {
    std::string block;
    U16(block, 0);  // the length, set below
    U16(block, valueLength);
    U16(block, type);
    for (char c : key) U16(block, static_cast<unsigned char>(c));
    U16(block, 0);
    PadTo(block, AlignUp(static_cast<std::uint32_t>(block.size()), 4));
    block += value;
    for (const std::string& child : children) {
        PadTo(block, AlignUp(static_cast<std::uint32_t>(block.size()), 4));
        block += child;
    }
    block[0] = static_cast<char>(block.size() & 0xFF);
    block[1] = static_cast<char>((block.size() >> 8) & 0xFF);
    return block;
}

// UTF-8 as UTF-16 (the characters of the Basic Multilingual Plane), with its zero.
std::string Utf16Text(const std::string& utf8, std::uint32_t* characters) {
    std::string out;
    *characters = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = c;
        size_t length = 1;
        if (c >= 0xE0 && i + 2 < utf8.size()) {
            code = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            length = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            code = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            length = 2;
        }
        U16(out, code);
        ++*characters;
        i += length;
    }
    U16(out, 0);
    ++*characters;
    return out;
}

}  // namespace

std::string MakeVersionResource(const std::vector<VersionTable>& tables,
                                std::uint32_t translation) {
    std::vector<std::string> stringTables;
    for (const VersionTable& table : tables) {
        std::vector<std::string> strings;
        for (const auto& [name, value] : table.strings) {
            std::uint32_t characters = 0;
            const std::string text = Utf16Text(value, &characters);
            strings.push_back(VersionBlock(name, 1, characters, text, {}));
        }
        stringTables.push_back(VersionBlock(table.key, 1, 0, "", strings));
    }
    std::vector<std::string> top = {VersionBlock("StringFileInfo", 1, 0, "", stringTables)};
    if (translation != 0) {
        std::string pair;
        U32(pair, translation);
        top.push_back(
            VersionBlock("VarFileInfo", 1, 0, "", {VersionBlock("Translation", 0, 4, pair, {})}));
    }
    std::string fixed;
    U32(fixed, 0xFEEF04BD);  // VS_FIXEDFILEINFO's signature
    U32(fixed, 0x00010000);
    PadTo(fixed, 52);
    return VersionBlock("VS_VERSION_INFO", 0, 52, fixed, top);
}

std::string MakeNeFile(const std::vector<IconGroupFixture>& groups) {
    struct NeResource {
        std::uint32_t id;
        std::string data;
    };
    std::vector<NeResource> icons;
    std::vector<NeResource> directories;
    std::uint32_t nextId = 1;
    for (const IconGroupFixture& group : groups) {
        std::string dir;
        U16(dir, 0);
        U16(dir, 1);
        U16(dir, static_cast<std::uint32_t>(group.images.size()));
        for (const IconImage& image : group.images) {
            dir += static_cast<char>(image.width & 0xFF);
            dir += static_cast<char>(image.height & 0xFF);
            dir += static_cast<char>(image.colorCount);
            dir += '\0';
            U16(dir, static_cast<std::uint32_t>(image.planes));
            U16(dir, static_cast<std::uint32_t>(image.bitCount));
            U32(dir, static_cast<std::uint32_t>(image.data.size()));
            U16(dir, nextId);
            icons.push_back({nextId++, image.data});
        }
        directories.push_back({group.id, dir});
    }

    constexpr std::uint32_t kShift = 4;
    constexpr std::uint32_t kTableStart = 0x40;           // from the NE header
    const std::string moduleName("\x07ICONLIB\0\0", 10);  // name and ordinal
    const auto tableSize =
        static_cast<std::uint32_t>(2 + 2 * 8 + 12 * (icons.size() + directories.size()) + 2 + 1);
    const std::uint32_t names = kTableStart + tableSize;
    std::uint32_t dataAt =
        AlignUp(0x40 + names + static_cast<std::uint32_t>(moduleName.size()) + 1, 16);

    std::string table;
    U16(table, kShift);
    std::string data;
    auto type = [&](std::uint32_t typeId, const std::vector<NeResource>& resources) {
        U16(table, 0x8000 | typeId);
        U16(table, static_cast<std::uint32_t>(resources.size()));
        U32(table, 0);
        for (const NeResource& r : resources) {
            const std::uint32_t at = dataAt + static_cast<std::uint32_t>(data.size());
            U16(table, at >> kShift);
            U16(table, AlignUp(static_cast<std::uint32_t>(r.data.size()), 16) >> kShift);
            U16(table, 0x1C30);  // moveable, pure, discardable
            U16(table, 0x8000 | r.id);
            U32(table, 0);
            data += r.data;
            PadTo(data, AlignUp(static_cast<std::uint32_t>(data.size()), 16));
        }
    };
    type(3, icons);
    type(14, directories);
    U16(table, 0);  // end of types
    table += '\0';  // no resource names

    std::string out = "MZ";
    PadTo(out, 0x3C);
    U32(out, 0x40);
    std::string ne = "NE";
    ne += "\x05\x0A";
    U16(ne, names + static_cast<std::uint32_t>(moduleName.size()) + 1);  // entry table
    U16(ne, 0);
    U32(ne, 0);
    U16(ne, 0x8000);  // a library
    PadTo(ne, 0x22);
    U16(ne, kTableStart);                                                // segment table (empty)
    U16(ne, kTableStart);                                                // resources
    U16(ne, names);                                                      // resident names
    U16(ne, names + static_cast<std::uint32_t>(moduleName.size()) + 1);  // module references
    U16(ne, names + static_cast<std::uint32_t>(moduleName.size()) + 1);  // imported names
    PadTo(ne, 0x32);
    U16(ne, kShift);  // segment alignment
    U16(ne, 0);
    ne += '\x02';  // Windows
    PadTo(ne, 0x3E);
    U16(ne, 0x0300);  // Windows 3.0
    out += ne;
    out += table;
    out += moduleName;
    out += '\0';
    PadTo(out, dataAt);
    out += data;
    return out;
}

std::vector<IconGroupFixture> NumberedGroups(int count, int seed) {
    std::vector<IconGroupFixture> groups;
    for (int i = 0; i < count; ++i) {
        groups.push_back({"",
                          static_cast<std::uint16_t>(i + 1),
                          {MakeDibImage(16, 16, 4, seed + i), MakeDibImage(32, 32, 8, seed + i)},
                          0});
    }
    return groups;
}

}  // namespace pallisar::test
