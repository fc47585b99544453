#pragma once
// Icon files and program files with icon resources, built byte by byte for tests
// (independently of the program's own icon writer).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/icon_resources.h"

namespace pallisar::test {

// A valid DIB image of an icon: BITMAPINFOHEADER, a palette for 8 bits or fewer,
// colour bits and AND mask. `seed` varies the pixels so that images differ.
IconImage MakeDibImage(int width, int height, int bits, int seed = 0);
// A stand-in PNG image: the PNG signature and an IHDR chunk, then filler bytes.
IconImage MakePngImage(int width, int height, int seed = 0);
// A 24-bit image of one colour (0xRRGGBB), opaque.
IconImage MakeSolidImage(int width, int height, std::uint32_t rgb);

// The bytes of an .ico file with these images, data in order after the directory.
std::string MakeIcoFile(const std::vector<IconImage>& images);

// One icon group resource of a program file.
struct IconGroupFixture {
    std::string name;  // a named resource when not empty (ASCII), else `id`
    std::uint16_t id = 0;
    std::vector<IconImage> images;
    // Extra group entries naming icon images that do not exist.
    int danglingEntries = 0;
};

// A DLL image (PE32, or PE32+ when `pe32plus`) with one resource section holding
// the groups in the order given, their images as RT_ICON resources with ids from 1,
// and one unrelated RCDATA resource; and `version` as its version resource (RT_VERSION)
// when that is not empty. The caller stores named groups first, as resource compilers
// do.
std::string MakePeFile(const std::vector<IconGroupFixture>& groups, bool pe32plus = false,
                       const std::string& version = {});

// One string table of a version resource: its key ("040904B0": language and code
// page) and its texts (ASCII names, UTF-8 values), in order.
struct VersionTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
};
// A version resource (VS_VERSIONINFO) as resource compilers write it: the fixed file
// information, the string tables in order and, when `translation` is not 0, a
// VarFileInfo whose Translation names it (language in the low word, code page in the
// high one).
std::string MakeVersionResource(const std::vector<VersionTable>& tables,
                                std::uint32_t translation = 0);

// A 16-bit NE library with the groups (ids only; names are ignored) and their
// images as RT_ICON resources with ids from 1, data aligned to 16 bytes.
std::string MakeNeFile(const std::vector<IconGroupFixture>& groups);

// `count` groups with ids 1..count; group i holds a 16x16 and a 32x32 image whose
// pixels depend on i.
std::vector<IconGroupFixture> NumberedGroups(int count, int seed = 0);

}  // namespace pallisar::test
