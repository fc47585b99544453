#include "core/icon_resources.h"

#include <gtest/gtest.h>

#include <random>

#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

testing::AssertionResult SameImages(const std::vector<IconImage>& actual,
                                    const std::vector<IconImage>& expected) {
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure()
               << actual.size() << " images instead of " << expected.size();
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        const IconImage& a = actual[i];
        const IconImage& e = expected[i];
        if (a.width != e.width || a.height != e.height || a.colorCount != e.colorCount ||
            a.planes != e.planes || a.bitCount != e.bitCount) {
            return testing::AssertionFailure()
                   << "image " << i << " is " << a.width << "x" << a.height << "x" << a.bitCount
                   << " instead of " << e.width << "x" << e.height << "x" << e.bitCount;
        }
        if (a.data != e.data)
            return testing::AssertionFailure() << "image " << i << " bytes differ";
    }
    return testing::AssertionSuccess();
}

int Count(const std::string& bytes) { return CountIcons(MemoryByteSource(bytes)); }
std::optional<Icon> Read(const std::string& bytes, int index) {
    return ReadIcon(MemoryByteSource(bytes), index);
}

}  // namespace

TEST(IconFile, HoldsOneIconWhateverTheNumberOfImages) {
    const std::vector<IconImage> images = {MakeDibImage(16, 16, 4, 1), MakeDibImage(32, 32, 8, 2),
                                           MakeDibImage(48, 48, 32, 3), MakePngImage(256, 256)};
    const std::string several = MakeIcoFile(images);
    EXPECT_EQ(Count(several), 1);
    const auto icon = Read(several, 0);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(SameImages(icon->images, images));  // the PNG one is 256 x 256 (stored as 0)
    EXPECT_TRUE(icon->images[3].IsPng());
    EXPECT_FALSE(Read(several, 1));
    EXPECT_FALSE(Read(several, -1));

    const std::string single = MakeIcoFile({images[1]});
    EXPECT_EQ(Count(single), 1);
    ASSERT_TRUE(Read(single, 0));
    EXPECT_TRUE(SameImages(Read(single, 0)->images, {images[1]}));
}

TEST(IconFile, ImagesOutsideTheFileAreLeftOut) {
    const IconImage good = MakeDibImage(32, 32, 4);
    std::string bytes = MakeIcoFile({MakeDibImage(16, 16, 4), good});
    // First entry's data offset far beyond the end, 32-bit wrap-around included.
    bytes[6 + 12] = bytes[6 + 13] = bytes[6 + 14] = bytes[6 + 15] = '\xF0';
    ASSERT_TRUE(Read(bytes, 0));
    EXPECT_TRUE(SameImages(Read(bytes, 0)->images, {good}));

    // All of them out: no icon at all.
    std::string none = MakeIcoFile({good});
    none.resize(none.size() - 1);
    EXPECT_EQ(Count(none), 0);
    EXPECT_FALSE(Read(none, 0));
}

TEST(IconFile, WrongHeadersHoldNoIcons) {
    const std::string good = MakeIcoFile({MakeDibImage(32, 32, 4)});
    std::string cursor = good;
    cursor[2] = 2;  // a cursor file
    std::string reserved = good;
    reserved[0] = 1;
    std::string noImages = good;
    noImages[4] = 0;
    std::string directoryCut = good.substr(0, 6 + 15);
    for (const std::string& bytes :
         {cursor, reserved, noImages, directoryCut, std::string(), std::string("\0\0\1", 3),
          std::string("[Program]\r\nVersion=1.01\r\n")}) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 8)));
        EXPECT_EQ(Count(bytes), 0);
        EXPECT_FALSE(Read(bytes, 0));
    }
}

TEST(ProgramFile, CountsAndReadsIconGroupsInDirectoryOrder) {
    for (bool pe32plus : {false, true}) {
        SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
        // A named group comes first, then ids; the numbers of the ids do not matter.
        std::vector<IconGroupFixture> groups = {
            {"MAINICON", 0, {MakeDibImage(32, 32, 8, 10), MakeDibImage(16, 16, 8, 11)}, 0},
            {"", 2, {MakeDibImage(48, 48, 32, 20)}, 0},
            {"", 7, {MakeDibImage(32, 32, 4, 30), MakeDibImage(32, 32, 8, 31)}, 0},
        };
        const std::string bytes = MakePeFile(groups, pe32plus);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(Count(bytes), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto icon = Read(bytes, i);
            ASSERT_TRUE(icon);
            EXPECT_TRUE(SameImages(icon->images, groups[static_cast<size_t>(i)].images));
        }
        EXPECT_FALSE(Read(bytes, 3));
        EXPECT_FALSE(Read(bytes, -1));
    }
}

TEST(ProgramFile, SixteenBitLibrariesToo) {
    const auto groups = NumberedGroups(4, 3);
    const std::string bytes = MakeNeFile(groups);
    EXPECT_EQ(Count(bytes), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto icon = Read(bytes, i);
        ASSERT_TRUE(icon);
        // Images come out at their stored size, without the padding of the file's alignment.
        EXPECT_TRUE(SameImages(icon->images, groups[static_cast<size_t>(i)].images));
    }
    EXPECT_FALSE(Read(bytes, 4));
    EXPECT_EQ(Count(MakeNeFile({})), 0);

    // A resource table that runs past its end, and one cut by the end of the file.
    std::string overlong = bytes;
    overlong[0x80 + 2 + 2] = '\xFF';  // RT_ICON count
    EXPECT_EQ(Count(overlong), 0);
    EXPECT_EQ(Count(bytes.substr(0, 0x90)), 0);
}

TEST(ProgramFile, ManyGroupsFromAFile) {
    const auto groups = NumberedGroups(40);
    TempDir dir;
    WriteFileBytes(dir.File("game.exe"), MakePeFile(groups));
    EXPECT_EQ(CountIconsInFile(dir.File("game.exe")), 40);
    for (int i : {0, 17, 39}) {
        const auto icon = ReadIconFromFile(dir.File("game.exe"), i);
        ASSERT_TRUE(icon);
        EXPECT_TRUE(SameImages(icon->images, groups[static_cast<size_t>(i)].images));
    }
    EXPECT_EQ(CountIconsInFile(dir.File("missing.exe")), 0);
    EXPECT_FALSE(ReadIconFromFile(dir.File("missing.exe"), 0));
    EXPECT_EQ(CountIconsInFile(dir.Path()), 0);  // a directory
}

TEST(ProgramFile, GroupsNamingMissingImages) {
    const IconImage present = MakeDibImage(32, 32, 8, 5);
    const std::string bytes = MakePeFile({
        {"", 1, {present}, 2},  // two entries point nowhere
        {"", 2, {}, 1},         // nothing but a dangling entry
        {"", 3, {MakeDibImage(16, 16, 4)}, 0},
    });
    EXPECT_EQ(Count(bytes), 3);  // every group counts, as the shell counts them
    ASSERT_TRUE(Read(bytes, 0));
    EXPECT_TRUE(SameImages(Read(bytes, 0)->images, {present}));
    EXPECT_FALSE(Read(bytes, 1));
    EXPECT_TRUE(Read(bytes, 2));
}

TEST(ProgramFile, WithoutIconGroupsHoldsNoIcons) {
    EXPECT_EQ(Count(MakePeFile({})), 0);
    EXPECT_FALSE(Read(MakePeFile({}), 0));

    std::string bytes = MakePeFile(NumberedGroups(2));
    std::string noResources = bytes;
    const size_t resourceDirectory = 0x40 + 24 + 96 + 16;
    for (size_t i = 0; i < 4; ++i) noResources[resourceDirectory + i] = 0;
    EXPECT_EQ(Count(noResources), 0);

    std::string notPe = bytes;
    notPe[0x40] = 'N';  // a 16-bit "NE" program
    EXPECT_EQ(Count(notPe), 0);
    EXPECT_EQ(Count("MZ"), 0);
    EXPECT_EQ(Count(std::string("MZ") + std::string(62, '\xFF')), 0);
}

// Every prefix of a file: the reader either finds what is really there or nothing.
TEST(HostileFiles, TruncatedFilesNeverYieldForeignBytes) {
    const auto groups = NumberedGroups(3);
    const std::string pe = MakePeFile(groups);
    const std::string ne = MakeNeFile(groups);
    const std::vector<IconImage> icoImages = {MakeDibImage(16, 16, 4), MakeDibImage(32, 32, 8)};
    const std::string ico = MakeIcoFile(icoImages);
    for (size_t size = 0; size < pe.size() + ne.size(); ++size) {
        const std::string cut =
            size < pe.size() ? pe.substr(0, size) : ne.substr(0, size - pe.size());
        const int count = Count(cut);
        ASSERT_TRUE(count == 0 || count == 3) << size;
        for (int i = 0; i < 3; ++i) {
            const auto icon = Read(cut, i);
            if (!icon) continue;
            // Images may be missing from the end, never altered.
            for (const IconImage& image : icon->images) {
                const auto& expected = groups[static_cast<size_t>(i)].images;
                ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const IconImage& e) {
                    return e.data == image.data;
                })) << size;
            }
        }
    }
    for (size_t size = 0; size < ico.size(); ++size) {
        const auto icon = Read(ico.substr(0, size), 0);
        if (size < ico.size() - icoImages[1].data.size()) {
            EXPECT_EQ(Count(ico.substr(0, size)), 0) << size;
        } else {
            ASSERT_TRUE(icon) << size;
            EXPECT_TRUE(SameImages(icon->images, {icoImages[0]})) << size;
        }
    }
}

TEST(HostileFiles, ForgedOffsetsAndCounts) {
    const std::string good = MakePeFile(NumberedGroups(2));
    const size_t section = 0x200;
    auto patched = [&](size_t at, std::string bytes) {
        std::string copy = good;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    // PE header offset beyond the file.
    EXPECT_EQ(Count(patched(0x3C, "\xFF\xFF\xFF\x7F")), 0);
    // 65535 sections, the table cut short by the end of the file.
    EXPECT_EQ(Count(patched(0x46, "\xFF\xFF")), 0);
    // The root directory claims 65535 + 65535 entries.
    EXPECT_EQ(Count(patched(section + 12, "\xFF\xFF\xFF\xFF")), 0);
    // The group type points back at the root directory: three "groups", none valid.
    const std::string loop = patched(section + 16 + 2 * 8 + 4, std::string("\0\0\0\x80", 4));
    EXPECT_EQ(Count(loop), 3);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Read(loop, i));
    // A data entry that claims 4 GB: that icon cannot be read, the others can.
    const std::string huge = MakePeFile(NumberedGroups(1));
    std::string forged = huge;
    // The first data entry describes the first RT_ICON image (16x16).
    const size_t dataEntries = section + 16 + 3 * 8 + (16 + 2 * 8) + (16 + 8) + (16 + 8) + 4 * 24;
    forged.replace(dataEntries + 4, 4, "\xFF\xFF\xFF\xFF");
    ASSERT_TRUE(Read(forged, 0));
    EXPECT_EQ(Read(forged, 0)->images.size(), 1u);
    EXPECT_EQ(Read(forged, 0)->images[0].width, 32);
}

TEST(HostileFiles, RandomDamageIsSurvived) {
    const std::string pe = MakePeFile(NumberedGroups(4));
    const std::string ne = MakeNeFile(NumberedGroups(4));
    const std::string ico = MakeIcoFile({MakeDibImage(16, 16, 4), MakeDibImage(32, 32, 8)});
    std::mt19937 random(12345);
    for (const std::string& original : {pe, ne, ico}) {
        for (int round = 0; round < 3000; ++round) {
            std::string bytes = original;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int c = 0; c < changes; ++c) {
                bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
            }
            const int count = Count(bytes);
            ASSERT_GE(count, 0);
            for (int i = 0; i < std::min(count, 6); ++i) {
                const auto icon = Read(bytes, i);
                if (!icon) continue;
                for (const IconImage& image : icon->images) {
                    ASSERT_FALSE(image.data.empty());
                    ASSERT_LE(image.data.size(), bytes.size());
                }
            }
        }
    }
}

TEST(ChooseImage, NearestSizeThenDeepestColour) {
    Icon icon{{MakeDibImage(16, 16, 4), MakeDibImage(32, 32, 4), MakeDibImage(32, 32, 8),
               MakeDibImage(48, 48, 32)}};
    EXPECT_EQ(ChooseImage(icon, 32, 32), &icon.images[2]);
    EXPECT_EQ(ChooseImage(icon, 16, 16), &icon.images[0]);
    EXPECT_EQ(ChooseImage(icon, 24, 24), &icon.images[2]);  // as near as 16: the larger one
    EXPECT_EQ(ChooseImage(icon, 256, 256), &icon.images[3]);

    // Old files leave the depth 0 in the directory: the image's own header tells it.
    Icon unstated{{MakeDibImage(32, 32, 8), MakeDibImage(32, 32, 32)}};
    unstated.images[1].bitCount = 0;
    EXPECT_EQ(unstated.images[1].BitsPerPixel(), 32);
    EXPECT_EQ(ChooseImage(unstated, 32, 32), &unstated.images[1]);

    EXPECT_EQ(ChooseImage(Icon{}, 32, 32), nullptr);
}

TEST(WriteIconFile, LaysOutTheFileAsWindowsDoesAndReadsBack) {
    const Icon icon{
        {MakeDibImage(16, 16, 4, 1), MakePngImage(256, 256, 2), MakeDibImage(32, 32, 32, 3)}};
    const std::string bytes = WriteIconFile(icon);
    EXPECT_EQ(bytes, MakeIcoFile(icon.images));
    const auto back = Read(bytes, 0);
    ASSERT_TRUE(back);
    EXPECT_TRUE(SameImages(back->images, icon.images));

    // An icon read out of a program file becomes an .ico file with the same images.
    const auto groups = NumberedGroups(2, 9);
    const auto fromPe = Read(MakePeFile(groups), 1);
    ASSERT_TRUE(fromPe);
    const auto again = Read(WriteIconFile(*fromPe), 0);
    ASSERT_TRUE(again);
    EXPECT_TRUE(SameImages(again->images, groups[1].images));
}

TEST(LittleEndianReader, ReadsFieldsInsideTheBlockAndMarksShortReads) {
    const std::string bytes("\x01\x02\x03\x04\xFF", 5);
    // Only the first four bytes are the block: the fifth must never be read.
    LittleEndianReader fields(std::string_view(bytes).substr(0, 4));
    EXPECT_EQ(fields.U8(3), 0x04u);
    EXPECT_EQ(fields.U16(2), 0x0403u);
    EXPECT_EQ(fields.U32(0), 0x04030201u);
    EXPECT_TRUE(fields.Complete());
    EXPECT_TRUE(fields.Has(4, 0));
    EXPECT_FALSE(fields.Has(3, 2));

    for (const std::uint64_t at : {3ull, 4ull, ~0ull - 1}) {
        LittleEndianReader shortRead(std::string_view(bytes).substr(0, 4));
        EXPECT_EQ(shortRead.U16(at), 0u) << at;
        EXPECT_FALSE(shortRead.Complete()) << at;
        EXPECT_EQ(shortRead.U8(0), 0x01u);   // later reads still work ...
        EXPECT_FALSE(shortRead.Complete());  // ... but the short one is remembered
    }
}
