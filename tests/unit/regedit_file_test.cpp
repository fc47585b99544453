#include "support/regedit_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory_registry.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

using Names = std::vector<std::string>;
constexpr RegRoot kMachine = RegRoot::LocalMachine;

RegValue Get(RegistryStore& store, const std::string& path, const std::string& name,
             RegRoot root = kMachine) {
    RegValue value;
    std::unique_ptr<RegistryKey> key;
    if (store.OpenKey(root, path, false, key) == regError::kSuccess) key->QueryValue(name, value);
    return value;
}

Names SubKeys(RegistryStore& store, const std::string& path) {
    Names names;
    std::unique_ptr<RegistryKey> key;
    if (store.OpenKey(kMachine, path, false, key) == regError::kSuccess) key->EnumSubKeys(names);
    return names;
}

std::string Text(RegistryStore& store, const std::string& path, const std::string& name) {
    const RegValue value = Get(store, path, name);
    return value.type == RegType::String ? value.data : "<absent or not text>";
}

std::string ErrorOf(std::string_view text) {
    MemoryRegistry store;
    try {
        LoadRegeditText(store, text);
    } catch (const RegeditError& e) {
        return e.what();
    }
    return "no error";
}

// The PCI ids that identify a 3dfx board; the first five are the Voodoo3 series.
const Names kBoardIds = {
    "VEN_121A&DEV_0009&SUBSYS_0002121A",        "VEN_121A&DEV_0009&SUBSYS_0003121A",
    "VEN_121A&DEV_0009&SUBSYS_0004121A",        "VEN_121A&DEV_0009&SUBSYS_0005121A",
    "VEN_121A&DEV_0009&SUBSYS_0001121A&REV_01", "VEN_121A&DEV_0009&SUBSYS_0002121A&REV_01",
    "VEN_121A&DEV_0009&SUBSYS_0003121A&REV_01", "VEN_121A&DEV_0009&SUBSYS_0004121A&REV_01",
    "VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01", "VEN_121A&DEV_000B&SUBSYS_0002121A&REV_01",
    "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01", "VEN_121A&DEV_000B&SUBSYS_0005121A&REV_01",
    "VEN_121A&DEV_000B&SUBSYS_0006121A&REV_01"};

struct Board {
    const char* file;
    bool nt;
    int tableRow;
    const char* driverKey;
    const char* sliMode;  // the one multi-chip mode with "Disabled" = "0", or ""
};

const Board kBoards[] = {
    {"voodoo3_win98", false, 1, "System\\CurrentControlSet\\Services\\Class\\Display\\0000", ""},
    {"voodoo4_single", true, 7, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0",
     "SingleChipAASLI"},
    {"voodoo5_dual", true, 8, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0",
     "DualChipAASLI"},
    {"voodoo5_quad", true, 12, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0",
     "QuadChipAASLI"},
};

}  // namespace

TEST(RegeditFile, ReadsEveryKindOfEntry) {
    MemoryRegistry store;
    LoadRegeditText(store,
                    "REGEDIT4\r\n"
                    "\r\n"
                    "; a comment \\\r\n"
                    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\Dev]\r\n"
                    "@=\"default\"\r\n"
                    "\"Driver\"=\"Display\\\\0000\"\r\n"
                    "\"Quote \\\"q\\\"\"=\"say \\\"hi\\\" = ; [x]\"\r\n"
                    "\"Empty\"=\"\"\r\n"
                    "\"Count\"=dword:0000002A\r\n"
                    "\"Short\"=dword:ff\r\n"
                    "\"Flags\"=hex:00,ff,\\\r\n"
                    "    10\r\n"
                    "\"None\"=hex:\r\n"
                    "\"Path\"=hex(2):25,57,25,00\r\n"
                    "\"Ids\"=hex(7):61,00,62,00,00\r\n"
                    "  \"Indented\"=\"yes\"\r\n"
                    "\r\n"
                    "[HKCU\\Software\\Short]\n"
                    "\"Root\"=\"user\"\n");
    const std::string dev = "Enum\\PCI\\Dev";
    EXPECT_EQ(Text(store, dev, ""), "default");
    EXPECT_EQ(Text(store, dev, "Driver"), "Display\\0000");
    EXPECT_EQ(Text(store, dev, "Quote \"q\""), "say \"hi\" = ; [x]");
    EXPECT_EQ(Text(store, dev, "Empty"), "");
    EXPECT_EQ(Get(store, dev, "Count").type, RegType::Dword);
    EXPECT_EQ(Get(store, dev, "Count").AsDword(), 42u);
    EXPECT_EQ(Get(store, dev, "Short").AsDword(), 255u);
    EXPECT_EQ(Get(store, dev, "Flags").type, RegType::Binary);
    EXPECT_EQ(Get(store, dev, "Flags").data, std::string("\x00\xff\x10", 3));
    EXPECT_EQ(Get(store, dev, "None").type, RegType::Binary);
    EXPECT_EQ(Get(store, dev, "None").data, "");
    EXPECT_EQ(Get(store, dev, "Path").type, RegType::ExpandString);
    EXPECT_EQ(Get(store, dev, "Path").data, "%W%");
    EXPECT_EQ(Get(store, dev, "Ids").type, RegType::MultiString);
    EXPECT_EQ(Get(store, dev, "Ids").data, std::string("a\0b\0\0", 5));
    EXPECT_EQ(Text(store, dev, "Indented"), "yes");
    EXPECT_EQ(Get(store, "Software\\Short", "Root", RegRoot::CurrentUser).data, "user");
}

TEST(RegeditFile, DeletesKeysAndValues) {
    MemoryRegistry store;
    LoadRegeditText(store,
                    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"v\"=\"1\"\n"
                    "[HKEY_LOCAL_MACHINE\\A\\Keep]\n\"gone\"=\"1\"\n\"stays\"=\"1\"\n");
    LoadRegeditText(store,
                    "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A\\B]\n[-HKEY_LOCAL_MACHINE\\Never\\There]\n"
                    "[HKEY_LOCAL_MACHINE\\A\\Keep]\n\"gone\"=-\n\"never\"=-\n");
    EXPECT_EQ(SubKeys(store, "A"), Names{"Keep"});
    EXPECT_EQ(Get(store, "A\\Keep", "gone").type, RegType::None);
    EXPECT_EQ(Text(store, "A\\Keep", "stays"), "1");
}

TEST(RegeditFile, MalformedTextNamesTheLine) {
    EXPECT_EQ(ErrorOf(""), "line 0: the file does not begin with REGEDIT4");
    EXPECT_EQ(ErrorOf("Windows Registry Editor Version 5.00\n"),
              "line 1: the file does not begin with REGEDIT4");
    EXPECT_EQ(ErrorOf("REGEDIT4\n\"v\"=\"1\"\n"), "line 2: a value outside of a key");
    EXPECT_EQ(ErrorOf("REGEDIT4\n[-HKLM\\A]\n\"v\"=\"1\"\n"), "line 3: a value outside of a key");
    EXPECT_EQ(ErrorOf("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\n"),
              "line 3: a key name must end with ']'");
    EXPECT_EQ(ErrorOf("REGEDIT4\n[HKEY_NOWHERE\\A]\n"), "line 2: unknown root key HKEY_NOWHERE");
    const std::string key = "REGEDIT4\n[HKLM\\A]\n";
    EXPECT_EQ(ErrorOf(key + "\"v\"=\"a\\q\"\n"), "line 3: unknown escape in a quoted text");
    EXPECT_EQ(ErrorOf(key + "\"v\"=\"open\n"), "line 3: a quoted text is not closed");
    EXPECT_EQ(ErrorOf(key + "\"v\"=\"1\" x\n"), "line 3: text after the closing quote");
    EXPECT_EQ(ErrorOf(key + "\"v\" = \"1\"\n"), "line 3: '=' expected after the value name");
    EXPECT_EQ(ErrorOf(key + "\"v\"=dword:123456789\n"), "line 3: a dword needs 1 to 8 hex digits");
    EXPECT_EQ(ErrorOf(key + "\"v\"=dword:12g4\n"), "line 3: a dword needs 1 to 8 hex digits");
    EXPECT_EQ(ErrorOf(key + "\"v\"=hex:00,1\n"), "line 3: bad hexadecimal byte list");
    EXPECT_EQ(ErrorOf(key + "\"v\"=hex:00,\n"), "line 3: bad hexadecimal byte list");
    EXPECT_EQ(ErrorOf(key + "\"v\"=hex:00,\\\n  zz\n"), "line 3: bad hexadecimal byte list");
    EXPECT_EQ(ErrorOf(key + "\"a\"=\"1\"\n\"v\"=hex(x):00\n"), "line 4: bad hex(type) prefix");
    EXPECT_EQ(ErrorOf(key + "\"v\"=yes\n"), "line 3: unknown value data: yes");
    EXPECT_EQ(ErrorOf(key + "v=1\n"), "line 3: unexpected text: v=1");
}

TEST(RegeditFile, RefusedWriteIsAnError) {
    MemoryRegistry store;
    store.RefuseWritesBelow(kMachine, "Locked");
    try {
        LoadRegeditText(store, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Locked\\A]\n");
        FAIL() << "no error raised";
    } catch (const RegeditError& e) {
        EXPECT_STREQ(e.what(), "line 2: cannot create HKEY_LOCAL_MACHINE\\Locked\\A: error 5");
    }
}

TEST(RegeditFile, MissingFileIsAnError) {
    MemoryRegistry store;
    EXPECT_THROW(LoadRegeditFile(store, FixturePath("boards/no_such_board.reg")), RegeditError);
}

TEST(RegeditFile, SnapshotAndDifferences) {
    MemoryRegistry store;
    LoadRegeditText(store,
                    "REGEDIT4\n[HKLM\\Drv\\Glide]\n@=\"d\"\n\"SSTH3_RGAMMA\"=\"1.30\"\n"
                    "\"FX_GLIDE_SWAPINTERVAL\"=\"0\"\n[HKLM\\Drv\\Glide\\Sub]\n\"n\"=dword:1\n");
    const RegistrySnapshot before = SnapshotTree(store, kMachine, "Drv");
    EXPECT_EQ(before, (RegistrySnapshot{{"[]", ""},
                                        {"[Glide]", ""},
                                        {"[Glide]@", "\"d\""},
                                        {"[Glide]\"FX_GLIDE_SWAPINTERVAL\"", "\"0\""},
                                        {"[Glide]\"SSTH3_RGAMMA\"", "\"1.30\""},
                                        {"[Glide\\Sub]", ""},
                                        {"[Glide\\Sub]\"n\"", "dword:00000001"}}));
    EXPECT_EQ(DescribeDifferences(before, before), "");
    LoadRegeditText(store,
                    "REGEDIT4\n[HKLM\\Drv\\Glide]\n\"SSTH3_RGAMMA\"=\"2.00\"\n"
                    "\"FX_GLIDE_SWAPINTERVAL\"=-\n\"FX_GLIDE_NO_SPLASH\"=\"1\"\n");
    EXPECT_EQ(DescribeDifferences(before, SnapshotTree(store, kMachine, "Drv")),
              "- [Glide]\"FX_GLIDE_SWAPINTERVAL\" = \"0\"\n"
              "~ [Glide]\"SSTH3_RGAMMA\": \"1.30\" -> \"2.00\"\n"
              "+ [Glide]\"FX_GLIDE_NO_SPLASH\" = \"1\"\n");
    EXPECT_TRUE(SnapshotTree(store, kMachine, "Nothing").empty());
}

TEST(RegeditFile, DataIsWrittenAsRegeditWritesIt) {
    EXPECT_EQ(FormatRegeditData(RegValue::Text("C:\\Games \"x\"")), "\"C:\\\\Games \\\"x\\\"\"");
    EXPECT_EQ(FormatRegeditData(RegValue::Text(std::string("a\0b", 3))), "hex(1):61,00,62,00");
    EXPECT_EQ(FormatRegeditData(RegValue::Dword(0xDEADBEEFu)), "dword:deadbeef");
    EXPECT_EQ(FormatRegeditData(RegValue{RegType::Dword, "\x01"}), "hex(4):01");
    EXPECT_EQ(FormatRegeditData(RegValue{RegType::ExpandString, "%W%"}), "hex(2):25,57,25,00");
    EXPECT_EQ(FormatRegeditData(RegValue{RegType::Binary, ""}), "hex:");
    EXPECT_EQ(FormatRegeditData(RegValue{static_cast<RegType>(11), "\x0a"}), "hex(b):0a");
}

TEST(BoardFixtures, ExportAndReloadGiveTheSameTree) {
    for (const auto& board : kBoards) {
        SCOPED_TRACE(board.file);
        MemoryRegistry store;
        LoadRegeditFile(store, FixturePath(std::string("boards/") + board.file + ".reg"));
        MemoryRegistry copy;
        LoadRegeditText(copy, ExportRegedit(store, kMachine, ""));
        EXPECT_EQ(DescribeDifferences(SnapshotTree(store, kMachine, ""),
                                      SnapshotTree(copy, kMachine, "")),
                  "");
        EXPECT_GT(SnapshotTree(copy, kMachine, "").size(), 50u);
    }
}

// Each board is what the card detection expects to find: exactly one 3dfx id of
// the table, one instance naming the driver key, the driver's Glide and D3D keys
// with bookkeeping sub-keys (with and without "Tweak Value"), and the multi-chip keys.
TEST(BoardFixtures, DescribeTheBoardAsTheDriverRecordsIt) {
    for (const auto& board : kBoards) {
        SCOPED_TRACE(board.file);
        MemoryRegistry store;
        LoadRegeditFile(store, FixturePath(std::string("boards/") + board.file + ".reg"));
        const std::string enumeration = board.nt ? "SYSTEM\\ControlSet001\\Enum\\PCI" : "Enum\\PCI";
        const Names ids = SubKeys(store, enumeration);
        Names boardIds;
        for (const auto& id : ids)
            if (std::find(kBoardIds.begin(), kBoardIds.end(), id) != kBoardIds.end())
                boardIds.push_back(id);
        ASSERT_EQ(boardIds, Names{kBoardIds[board.tableRow]});
        EXPECT_GT(ids.size(), 1u) << "other PCI devices are listed too";

        const std::string idKey = enumeration + "\\" + boardIds[0];
        const Names instances = SubKeys(store, idKey);
        ASSERT_EQ(instances.size(), 1u);
        const std::string instance = idKey + "\\" + instances[0];
        EXPECT_NE(Text(store, instance, "DeviceDesc").find("3dfx Voodoo"), std::string::npos);
        std::string driverKey;
        if (board.nt) {
            EXPECT_EQ(Text(store, instance, "Service"), "3dfxvs");
            const std::string location = Text(store, instance, "LocationInformation");
            const size_t device = location.find("device ");
            ASSERT_NE(device, std::string::npos);
            const int number = location[device + 7] - '0';
            driverKey =
                "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device" + std::to_string(number - 1);
            EXPECT_EQ(Get(store, instance, "HardwareID").type, RegType::MultiString);
            EXPECT_EQ(Get(store, instance, "HardwareID").data.rfind("PCI\\" + boardIds[0], 0), 0u);
        } else {
            driverKey =
                "System\\CurrentControlSet\\Services\\Class\\" + Text(store, instance, "Driver");
        }
        EXPECT_EQ(driverKey, board.driverKey);

        int withTweakValue = 0;
        int withoutTweakValue = 0;
        for (const char* group : {"Glide", "D3D"}) {
            const std::string groupKey = driverKey + "\\" + group;
            EXPECT_EQ(Get(store, groupKey, "SSTH3_SLI_AA_CONFIGURATION").type,
                      board.nt ? RegType::String : RegType::None);
            for (const auto& sub : SubKeys(store, groupKey)) {
                if (sub.find("ChipAASLI") != std::string::npos) continue;
                const RegValue tweak = Get(store, groupKey + "\\" + sub, "Tweak Value");
                (tweak.type == RegType::String ? withTweakValue : withoutTweakValue)++;
                if (tweak.type == RegType::String) {
                    EXPECT_EQ(Get(store, groupKey + "\\" + sub, "Value").type, RegType::String)
                        << sub;
                }
            }
        }
        EXPECT_GE(withTweakValue, 3);
        EXPECT_GE(withoutTweakValue, 1);

        std::string enabled;
        for (const char* mode : {"SingleChipAASLI", "DualChipAASLI", "QuadChipAASLI"}) {
            const RegValue disabled = Get(store, driverKey + "\\Glide\\" + mode, "Disabled");
            if (disabled.type == RegType::String && disabled.data == "0") enabled += mode;
        }
        EXPECT_EQ(enabled, board.sliMode);
    }
}

TEST(BoardFixtures, BoardsDifferInTheValuesTheRestoreRecords) {
    auto recordedValues = [](const Board& board) {
        MemoryRegistry store;
        LoadRegeditFile(store, FixturePath(std::string("boards/") + board.file + ".reg"));
        std::string summary;
        for (const char* group : {"\\Glide", "\\D3D"}) {
            for (const char* name :
                 {"FX_GLIDE_AA_TOGGLE_KEY", "FX_GLIDE_SWAPINTERVAL", "SSTH3_AAJITTER_TOGGLE_KEY",
                  "SSTH3_SWAPINTERVAL", "SSTH3_RGAMMA", "SSTH3_GGAMMA", "SSTH3_BGAMMA"}) {
                const RegValue value = Get(store, std::string(board.driverKey) + group, name);
                summary += value.type == RegType::String ? value.data : "-";
                summary += ' ';
            }
        }
        return summary;
    };
    std::vector<std::string> summaries;
    for (const auto& board : kBoards) summaries.push_back(recordedValues(board));
    std::sort(summaries.begin(), summaries.end());
    EXPECT_EQ(std::unique(summaries.begin(), summaries.end()), summaries.end());
}
