// The title a dropped program is offered under: its version resource's texts, read from
// resources as resource compilers write them and from damaged ones, and the file name
// when there is nothing (usable) to read.

#include "app/program_title.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/version_resource.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

constexpr std::uint32_t kUsEnglishUnicode = 0x04B00409;

std::string Narrow(const std::optional<std::u16string>& text) {
    if (!text) return "<none>";
    std::string narrow;
    for (char16_t c : *text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

TEST(VersionResource, TheTranslationsTableFirstThenTheOthersInOrder) {
    const VersionTable german{"040704B0", {{"FileDescription", "Spiel"}, {"ProductName", "Q"}}};
    const VersionTable english{"040904B0",
                               {{"CompanyName", "id"}, {"FileDescription", "Quake III Arena"}}};
    const VersionTable blank{"041D04B0", {{"FileDescription", "  "}, {"ProductName", " Q3A \t"}}};
    struct Case {
        const char* name;
        std::string resource;
        std::string description, product;
    };
    const Case cases[] = {
        {"one table", MakeVersionResource({english}, kUsEnglishUnicode), "Quake III Arena",
         "<none>"},
        {"the translation's table", MakeVersionResource({german, english}, kUsEnglishUnicode),
         "Quake III Arena", "Q"},
        {"no translation: the first table", MakeVersionResource({german, english}), "Spiel", "Q"},
        {"a translation without a table", MakeVersionResource({german}, kUsEnglishUnicode), "Spiel",
         "Q"},
        {"blanks are no text", MakeVersionResource({blank, english}), "Quake III Arena", "Q3A"},
        {"no string tables", MakeVersionResource({}, kUsEnglishUnicode), "<none>", "<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Narrow(VersionString(c.resource, u"FileDescription")), c.description);
        EXPECT_EQ(Narrow(VersionString(c.resource, u"productname")), c.product);
    }
}

// Whatever is cut or overrun, the reader neither reads outside the bytes nor fails: it
// finds the text or finds nothing.
TEST(VersionResource, DamagedResourcesHoldNoTextInsteadOfFailing) {
    const std::string whole = MakeVersionResource(
        {{"040904B0", {{"FileDescription", "Unreal Tournament"}}}}, kUsEnglishUnicode);
    for (size_t size = 0; size < whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        const std::string text = Narrow(VersionString(cut, u"FileDescription"));
        EXPECT_TRUE(text == "<none>" || text == "Unreal Tournament") << size << ": " << text;
    }
    // Each block's length set past the end, to zero and to less than its header.
    for (const char* key : {"VS_VERSION_INFO", "StringFileInfo", "040904B0", "FileDescription",
                            "VarFileInfo", "Translation"}) {
        std::string utf16;
        for (const char* c = key; *c; ++c) utf16 += std::string{*c, '\0'};
        const size_t at = whole.find(utf16) - 6;  // the block's header comes before its key
        ASSERT_LT(at, whole.size()) << key;
        for (const unsigned length : {0xFFFFu, 0u, 5u}) {
            std::string damaged = whole;
            damaged[at] = static_cast<char>(length & 0xFF);
            damaged[at + 1] = static_cast<char>(length >> 8);
            const std::string text = Narrow(VersionString(damaged, u"FileDescription"));
            EXPECT_TRUE(text == "<none>" || text == "Unreal Tournament") << key << ": " << text;
        }
    }
    EXPECT_EQ(Narrow(VersionString("VS_VERSION_INFO", u"FileDescription")), "<none>");
    std::string otherKey = whole;
    otherKey[6] = 'W';  // "WS_VERSION_INFO"
    EXPECT_EQ(Narrow(VersionString(otherKey, u"FileDescription")), "<none>");
}

TEST(ProgramTitle, FromTheVersionResourceElseTheFileName) {
    TempDir dir;
    const auto program = [&](const std::string& name, const std::string& version) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, MakePeFile(NumberedGroups(1), false, version));
        return path;
    };
    const auto strings = [](std::vector<std::pair<std::string, std::string>> texts) {
        return MakeVersionResource({{"040904E4", std::move(texts)}}, 0x04E40409);
    };
    std::string damaged = strings({{"FileDescription", "Half-Life"}});
    damaged[0] = '\x7F';  // a length beyond the resource
    WriteFileBytes(dir.File("readme.exe"), "not a program\r\n");
    struct Case {
        std::string path;
        std::string title;
    };
    const Case cases[] = {
        {program("quake3.exe",
                 strings({{"ProductName", "Quake III"}, {"FileDescription", "Quake III Arena"}})),
         "Quake III Arena"},
        {program("ut.exe", strings({{"FileDescription", ""}, {"ProductName", "Unreal"}})),
         "Unreal"},
        {program("doom95.exe", ""), "doom95"},
        {program("hl.exe", damaged), "hl"},
        {program("glq.exe", strings({{"FileDescription", "GLQuake [3dfx]\r\n"}})),
         "GLQuake (3dfx)"},
        {program("cafe.exe", strings({{"FileDescription", "Caf\xC3\xA9 Racer"}})), "Caf\xE9 Racer"},
        {dir.File("readme.exe"), "readme"},
        {"C:\\Games\\Tomb Raider\\tomb.raider.exe", "tomb.raider"},
        {"C:\\Games\\Quake2\\quake2.exe", "quake2"},
        {"D:setup.bat", "setup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ProgramTitle(c.path), c.title);
    }
}

}  // namespace
