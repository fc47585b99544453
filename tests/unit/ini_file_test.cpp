#include "core/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "support/temp_dir.h"

using namespace pallisar;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;
using pallisar::test::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

// A file with the given bytes in a fresh directory.
struct IniFixture : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("test.ini");
    IniFile ini{path};
    void Write(const std::string& bytes) { WriteFileBytes(path, bytes); }
    std::string Bytes() const { return ReadFileBytes(path); }
};

using IniRead = IniFixture;
using IniWrite = IniFixture;
using IniList = IniFixture;
using IniNumbers = IniFixture;
using IniFreshness = IniFixture;

}  // namespace

// ------------------------------------------------------------------------------- reads

TEST_F(IniRead, MissingFileGivesDefaults) {
    EXPECT_EQ(ini.ReadString("Program", "Version", "0.9"), "0.9");
    EXPECT_EQ(ini.ReadInteger("Program", "ViewStyle", 0), 0);
    EXPECT_TRUE(ini.ReadBool("Program", "ResetSettings", true));
    EXPECT_FALSE(ini.ReadBool("Program", "GenerateLog", false));
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_TRUE(ini.ReadSection("Program").empty());
    EXPECT_FALSE(ini.SectionExists("Program"));
    EXPECT_FALSE(ini.ValueExists("Program", "Version"));
    EXPECT_FALSE(std::filesystem::exists(path)) << "a read must not create the file";
}

TEST_F(IniRead, SectionAndKeyNamesMatchWithoutRegardToCase) {
    Write("[program]\r\nviewstyle=2\r\n[Game One]\r\nRUN=c:\\game.exe\r\n");
    EXPECT_EQ(ini.ReadInteger("Program", "ViewStyle", 0), 2);
    EXPECT_EQ(ini.ReadInteger("PROGRAM", "VIEWSTYLE", 0), 2);
    EXPECT_EQ(ini.ReadString("game one", "Run", ""), "c:\\game.exe");
    // Only ASCII letters fold: code page 1252 letters are compared as they are.
    Write("[caf\xE9]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("CAF\xE9", "K", "-"), "1");
    EXPECT_EQ(ini.ReadString("CAF\xC9", "K", "-"), "-");
}

TEST_F(IniRead, BlanksAndOneQuotePairAreDropped) {
    Write(
        "[S]\r\n"
        "  Plain  =   value with inner  blanks \t \r\n"
        "Double=\"quoted value\"\r\n"
        "Single='quoted'\r\n"
        "Padded =  \"  keeps inner blanks  \"  \r\n"
        "Twice=\"\"twice\"\"\r\n"
        "Mixed=\"mixed'\r\n"
        "Lone=\"\r\n"
        "Empty=\r\n"
        "EmptyQuotes=\"\"\r\n");
    EXPECT_EQ(ini.ReadString("S", "Plain", "-"), "value with inner  blanks");
    EXPECT_EQ(ini.ReadString("S", "Double", "-"), "quoted value");
    EXPECT_EQ(ini.ReadString("S", "Single", "-"), "quoted");
    EXPECT_EQ(ini.ReadString("S", "Padded", "-"), "  keeps inner blanks  ");
    EXPECT_EQ(ini.ReadString("S", "Twice", "-"), "\"twice\"");
    EXPECT_EQ(ini.ReadString("S", "Mixed", "-"), "\"mixed'");
    EXPECT_EQ(ini.ReadString("S", "Lone", "-"), "\"");
    EXPECT_EQ(ini.ReadString("S", "Empty", "-"), "") << "a present empty value is not the default";
    EXPECT_EQ(ini.ReadString("S", "EmptyQuotes", "-"), "");
    // Blanks around the names asked for do not matter either.
    EXPECT_EQ(ini.ReadString("  S ", " Plain ", "-"), "value with inner  blanks");
}

TEST_F(IniRead, ValuesAreCutAt2047Characters) {
    const std::string longValue(3000, 'x');
    Write("[S]\r\nLong=" + longValue + "\r\nExact=" + std::string(2047, 'y') + "\r\nQuoted=\"" +
          std::string(2047, 'q') + "\"\r\nLongQuoted=\"" + std::string(2048, 'z') + "\"\r\n");
    EXPECT_EQ(ini.ReadString("S", "Long", ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadString("S", "Exact", ""), std::string(2047, 'y'));
    // All 2047 characters between the quotes (Wine gives 2046 here; see the
    // differential test's deliberate difference 3).
    EXPECT_EQ(ini.ReadString("S", "Quoted", ""), std::string(2047, 'q'));
    EXPECT_EQ(ini.ReadString("S", "LongQuoted", ""), std::string(2047, 'z'));
}

TEST_F(IniRead, LineEndsCommentsAndOddLines) {
    Write(
        "; a comment before any section\n"
        "[A]\n"
        "; comment=not a key\n"
        "NoEquals\n"
        "x=1\n"
        "[B] trailing text\n"
        "x=2\n"
        "[Broken\n"
        "y=3");  // no final line end
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("B", "x", ""), "2");
    EXPECT_EQ(ini.ReadString("B", "y", ""), "3") << "a header without ] is no header";
    EXPECT_EQ(ini.ReadString("A", "NoEquals", "def"), "def");
    EXPECT_EQ(ini.ReadSections(), (Names{"A", "B"}));
    EXPECT_EQ(ini.ReadSection("A"), (Names{"x"}));
    EXPECT_EQ(ini.ReadSection("B"), (Names{"x", "y"})) << "lines without = are not listed";
}

TEST_F(IniRead, FirstOfDuplicateSectionsAndKeysWins) {
    Write("[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\nonly=here\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "first");
    EXPECT_EQ(ini.ReadString("S", "only", "none"), "none") << "only the first [S] is searched";
    EXPECT_EQ(ini.ReadSections(), (Names{"S", "s"}));
    EXPECT_EQ(ini.ReadSection("S"), (Names{"k", "k"}));
}

TEST_F(IniRead, TheDefaultLosesTrailingSpaces) {
    EXPECT_EQ(ini.ReadString("S", "missing", "abc  "), "abc");
    EXPECT_EQ(ini.ReadString("S", "missing", "  abc"), "  abc");
    EXPECT_EQ(ini.ReadString("S", "", "dflt"), "dflt") << "an empty key name reads the default";
}

// ------------------------------------------------------------------------------- lists

TEST_F(IniList, SectionsInFileOrderWithoutTheSixteenKilobyteLimit) {
    std::string text;
    Names expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "A rather long game title number " + std::to_string(i);
        text += "[" + name + "]\r\nRun=x\r\n";
        expected.push_back(name);
    }
    Write(text);
    EXPECT_EQ(ini.ReadSections(), expected);
}

TEST_F(IniList, ExistenceFollowsTheKeyList) {
    Write("[Full]\r\nA=1\r\nB\r\n[Empty]\r\n[Comments]\r\n;x=1\r\n");
    EXPECT_TRUE(ini.SectionExists("full"));
    // A section counts as present when it lists a key.
    EXPECT_FALSE(ini.SectionExists("Empty"));
    EXPECT_FALSE(ini.SectionExists("Comments"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("FULL", "a"));
    EXPECT_FALSE(ini.ValueExists("Full", "B")) << "a line without = is no value";
    EXPECT_FALSE(ini.ValueExists("Full", "C"));
}

TEST_F(IniList, KeyWithoutNameEndsTheKeyList) {
    Write("[S]\r\na=1\r\n=x\r\nb=2\r\n[T]\r\n = y\r\nc=3\r\n");
    EXPECT_EQ(ini.ReadSection("S"), (Names{"a"}));
    EXPECT_EQ(ini.ReadSection("T"), Names{});
    EXPECT_EQ(ini.ReadString("S", "b", ""), "2") << "the key itself is still there";
    EXPECT_FALSE(ini.ValueExists("S", "b"));
}

TEST_F(IniRead, ByteOrderMarkIsNotPartOfTheFirstLine) {
    Write("\xEF\xBB\xBF[Program]\r\nVersion=1.0\r\n");
    EXPECT_EQ(ini.ReadSections(), (Names{"Program"}));
    ini.WriteString("Program", "Version", "1.01");
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Program]\r\nVersion=1.01\r\n");
}

// ------------------------------------------------------------------------------ writes

TEST_F(IniWrite, CreatesTheFileAndTheSection) {
    ini.WriteString("Program", "Version", "1.01");
    EXPECT_EQ(Bytes(), "[Program]\r\nVersion=1.01\r\n");
    ini.WriteInteger("Program", "ViewStyle", 3);
    ini.WriteBool("Other", "Flag", true);
    EXPECT_EQ(Bytes(), "[Program]\r\nVersion=1.01\r\nViewStyle=3\r\n[Other]\r\nFlag=1\r\n");
    EXPECT_EQ(ini.ReadInteger("program", "viewstyle", 0), 3);
}

TEST_F(IniWrite, RoundTripKeepsEveryOtherLineByteForByte) {
    const std::string before =
        "; Pallisar settings\n"
        "\n"
        "[Program]   \n"
        "  Version = 1.0   ; old\n"
        "Unknown Thing\n"
        "\n"
        "[Preset]\n"
        "Splash=Enable\n"
        "\n";
    Write(before);
    ini.WriteString("program", "VERSION", "1.01");
    EXPECT_EQ(Bytes(),
              "; Pallisar settings\n"
              "\n"
              "[Program]   \n"
              "Version=1.01\n"
              "Unknown Thing\n"
              "\n"
              "[Preset]\n"
              "Splash=Enable\n"
              "\n");
    // A new key goes after the section's last line that is not blank.
    ini.WriteString("Program", "ViewStyle", "1");
    EXPECT_EQ(Bytes(),
              "; Pallisar settings\n"
              "\n"
              "[Program]   \n"
              "Version=1.01\n"
              "Unknown Thing\n"
              "ViewStyle=1\r\n"
              "\n"
              "[Preset]\n"
              "Splash=Enable\n"
              "\n");
    EXPECT_EQ(ini.ReadString("Preset", "Splash", ""), "Enable");
}

TEST_F(IniWrite, UnchangedValueLeavesTheFileAlone) {
    Write("[S]\nk = v \n");
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(Bytes(), "[S]\nk = v \n");
    ini.WriteString("S", "k", "  w");  // leading blanks of a value are not written
    EXPECT_EQ(Bytes(), "[S]\nk=w\n");
}

TEST_F(IniWrite, FileWithoutFinalLineEnd) {
    Write("[S]\r\na=1");
    ini.WriteString("S", "b", "2");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\nb=2\r\n");
    ini.WriteString("T", "c", "3");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n");
    Write("[S]");
    ini.WriteString("S", "a", "1");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\n");
}

TEST_F(IniWrite, LinesEndingInCarriageReturnStaySeparate) {
    Write("[S]\ra=1\r");
    ini.WriteString("S", "b", "2");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "b", ""), "2");
    EXPECT_EQ(ini.ReadSection("S"), (Names{"a", "b"}));
}

TEST_F(IniWrite, DeleteKeyAndEraseSection) {
    Write("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n[C]\r\nw=4\r\n");
    ini.DeleteKey("a", "X");
    EXPECT_EQ(Bytes(), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n[C]\r\nw=4\r\n");
    ini.DeleteKey("A", "missing");
    ini.DeleteKey("Missing", "y");
    EXPECT_EQ(Bytes(), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n[C]\r\nw=4\r\n");
    ini.EraseSection("b");
    EXPECT_EQ(Bytes(), "[A]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n");
    ini.EraseSection("A");
    EXPECT_EQ(Bytes(), "[C]\r\nw=4\r\n");
    ini.EraseSection("Missing");
    EXPECT_EQ(Bytes(), "[C]\r\nw=4\r\n");
    EXPECT_EQ(ini.ReadSections(), (Names{"C"}));
}

TEST_F(IniWrite, DeleteOnMissingFileCreatesNothing) {
    ini.DeleteKey("Program", "VideoCard");
    ini.EraseSection("Program");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(IniWrite, RefusedWriteRaisesUnableToWrite) {
    // Root may write even read-only files: a missing directory is refused to anyone.
    IniFile impossible(dir.File("no such dir/settings.cfg"));
    try {
        impossible.WriteString("Program", "Version", "1.01");
        FAIL() << "no error raised";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + dir.File("no such dir/settings.cfg"));
    }
    // A directory in place of the file cannot be written either.
    std::filesystem::create_directory(dir.File("adir"));
    IniFile directory(dir.File("adir"));
    EXPECT_THROW(directory.WriteString("S", "k", "v"), FileWriteError);
}

TEST_F(IniWrite, ReadOnlyFileRaises) {
    Write("[S]\r\nk=1\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    // root may write anything; only check where the system refuses.
    if (std::FILE* probe = std::fopen(path.c_str(), "ab")) {
        std::fclose(probe);
        GTEST_SKIP() << "this user can write read-only files";
    }
    EXPECT_THROW(ini.WriteString("S", "k", "2"), FileWriteError);
    EXPECT_THROW(ini.DeleteKey("S", "k"), FileWriteError);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
}

// ----------------------------------------------------------------------------- numbers

TEST_F(IniNumbers, IntegersAndBooleansAsTheProgramReadsThem) {
    Write(
        "[Program]\r\n"
        "GenerateLog=0x1\r\n"
        "ResetSettings=yes\r\n"
        "ViewStyle= 3 \r\n"
        "Hex=$1F\r\n"
        "Neg=-2\r\n"
        "Zero=0\r\n"
        "Quoted=\"7\"\r\n"
        "Float=1.5\r\n"
        "Empty=\r\n");
    EXPECT_TRUE(ini.ReadBool("Program", "GenerateLog", false));
    EXPECT_EQ(ini.ReadInteger("Program", "GenerateLog", 0), 1);
    EXPECT_TRUE(ini.ReadBool("Program", "ResetSettings", true)) << "yes is not an integer";
    EXPECT_FALSE(ini.ReadBool("Program", "ResetSettings", false));
    EXPECT_EQ(ini.ReadInteger("Program", "ResetSettings", 42), 42);
    EXPECT_EQ(ini.ReadInteger("Program", "ViewStyle", 0), 3);
    EXPECT_EQ(ini.ReadInteger("Program", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Program", "Neg", 0), -2);
    EXPECT_FALSE(ini.ReadBool("Program", "Zero", true));
    EXPECT_EQ(ini.ReadInteger("Program", "Quoted", 0), 7);
    EXPECT_EQ(ini.ReadInteger("Program", "Float", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Program", "Empty", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Program", "Missing", -1), -1);
}

// --------------------------------------------------------------------------- freshness

TEST_F(IniFreshness, ChangesByOthersAreSeenByTheNextRead) {
    Write("[S]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    // Same size, same time-stamp tick: the cache must not answer from memory.
    Write("[S]\r\nk=2\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    IniFile other(path);
    other.WriteString("S", "k", "3");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "3");
    std::filesystem::remove(path);
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
    Write("[S]\r\nk=4\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "4");
}

TEST_F(IniFreshness, SettledFileStillSeesChanges) {
    Write("[S]\r\nk=1\r\n");
    // An old time stamp: the cache trusts time stamp and size from now on.
    const auto oldTime = std::filesystem::last_write_time(path) - std::chrono::hours(1);
    std::filesystem::last_write_time(path, oldTime);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    Write("[S]\r\nk=5\r\n");  // a new time stamp
    EXPECT_EQ(ini.ReadString("S", "k", ""), "5");
    IniFile(path).WriteString("S", "k", "6");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "6");
}

TEST_F(IniFreshness, SnapshotKeepsTheFileAsItWas) {
    Write("[S]\r\nk=1\r\n[T]\r\nj=2\r\n");
    const IniSnapshot snapshot = ini.Snapshot();
    ini.WriteString("S", "k", "changed");
    ini.EraseSection("T");
    EXPECT_EQ(snapshot.ReadString("s", "K", ""), "1");
    EXPECT_EQ(snapshot.ReadInteger("T", "j", 0), 2);
    EXPECT_TRUE(snapshot.ReadBool("T", "j", false));
    EXPECT_EQ(snapshot.ReadSections(), (Names{"S", "T"}));
    EXPECT_EQ(snapshot.ReadSection("T"), (Names{"j"}));
    EXPECT_TRUE(snapshot.SectionExists("T"));
    EXPECT_TRUE(snapshot.ValueExists("T", "J"));
    // The file itself has moved on.
    EXPECT_EQ(ini.ReadString("S", "k", ""), "changed");
    EXPECT_EQ(ini.Snapshot().ReadSections(), (Names{"S"}));
}
