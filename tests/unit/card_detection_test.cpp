#include "tweaks/card_detection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "support/board_scenarios.h"
#include "support/fake_system_info.h"
#include "support/key_recording_store.h"
#include "support/recording_log.h"
#include "support/regedit_file.h"
#include "support/registry_seed.h"

using namespace pallisar;
using pallisar::test::BoardScenario;
using pallisar::test::BoardScenarios;
using pallisar::test::DetectOn;
using pallisar::test::FakeSystemInfo;
using pallisar::test::FixturePath;
using pallisar::test::KeyRecordingStore;
using pallisar::test::LoadRegeditFile;
using pallisar::test::MatchesScenario;
using pallisar::test::RecordingLog;
using pallisar::test::RemoveBoards;
using pallisar::test::SeedKey;
using pallisar::test::SeedText;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

namespace {

constexpr const char* kNtEnum = "SYSTEM\\ControlSet001\\Enum\\PCI\\";
constexpr const char* k9xEnum = "Enum\\PCI\\";
constexpr const char* kNtRoot = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\";
constexpr const char* k9xRoot = "System\\CurrentControlSet\\Services\\Class\\";
constexpr const char* kNtFirstLine =
    "WindowsNT Detected : Using Key \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\\"";
constexpr const char* k9xFirstLine =
    "Windows9x Detected : Using Key "
    "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\\"";

// Table rows used below.
constexpr const char* kVoodoo3Row3 = "VEN_121A&DEV_0009&SUBSYS_0005121A";
constexpr const char* kVoodoo3Row4 = "VEN_121A&DEV_0009&SUBSYS_0001121A&REV_01";
constexpr const char* kOtherRow7 = "VEN_121A&DEV_0009&SUBSYS_0004121A&REV_01";
constexpr const char* kOtherRow8 = "VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01";
constexpr const char* kVoodoo5Row10 = "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01";

constexpr const char* kLocation1 = "PCI bus 1, device 1, function 0";

class CardDetectionTest : public testing::Test {
  protected:
    // One device instance on the NT layout; a value given as nullopt is left out.
    void AddNt(const std::string& id, const std::string& instance,
               std::optional<std::string> description, std::optional<std::string> service,
               std::optional<std::string> location) {
        const std::string key = kNtEnum + id + "\\" + instance;
        ASSERT_TRUE(SeedKey(memory, key));
        if (description) {
            ASSERT_TRUE(SeedText(memory, key, "DeviceDesc", *description));
        }
        if (service) {
            ASSERT_TRUE(SeedText(memory, key, "Service", *service));
        }
        if (location) {
            ASSERT_TRUE(SeedText(memory, key, "LocationInformation", *location));
        }
    }

    // One device instance on the 95/98 layout.
    void Add9x(const std::string& id, const std::string& instance,
               std::optional<std::string> description, std::optional<std::string> driverValue) {
        const std::string key = k9xEnum + id + "\\" + instance;
        ASSERT_TRUE(SeedKey(memory, key));
        if (description) {
            ASSERT_TRUE(SeedText(memory, key, "DeviceDesc", *description));
        }
        if (driverValue) {
            ASSERT_TRUE(SeedText(memory, key, "Driver", *driverValue));
        }
    }

    // Removes every board from the store (a missing key is fine).
    void ClearBoards() {
        memory.DeleteTree(RegRoot::LocalMachine, "SYSTEM");
        memory.DeleteTree(RegRoot::LocalMachine, "Enum");
        log.lines.clear();
        store.openedForReading.clear();
        driver = DriverState();
    }

    void EnableMode(const std::string& driverKey, const std::string& mode) {
        ASSERT_TRUE(SeedText(memory, driverKey + "\\Glide\\" + mode, "Disabled", "0"));
    }

    void Detect(bool nt) {
        TRegistryEnhanced reg(store);
        reg.RootKey = TRootKey::hkCurrentUser;  // detection sets its own root
        TweakContext context{reg, log, driver};
        result = DetectCard(context, FakeSystemInfo(nt));
    }

    MemoryRegistry memory;
    KeyRecordingStore store{memory};
    RecordingLog log;
    DriverState driver;
    CardDetection result;
};

TEST_F(CardDetectionTest, NtBoardLogsEveryStepAndDetectsMode) {
    AddNt(kVoodoo5Row10, "4&2b8260c3&0&0008", "3dfx Voodoo5 5500 AGP", "3dfxvs", kLocation1);
    EnableMode(std::string(kNtRoot) + "Device0", "DualChipAASLI");
    Detect(true);

    EXPECT_TRUE(result.Found);
    EXPECT_TRUE(result.ChangeCaption);
    EXPECT_EQ(result.Description, "3dfx Voodoo5 5500 AGP");
    EXPECT_EQ(driver.DriverKey, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0");
    EXPECT_FALSE(driver.IsVoodoo3);
    EXPECT_EQ(driver.SliMode, "DualChipAASLI");
    EXPECT_THAT(
        log.lines,
        ElementsAre(kNtFirstLine, "Voodoo PNP ID found : VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01",
                    "Examining SYSTEM\\ControlSet001\\Enum\\PCI\\"
                    "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01\\4&2b8260c3&0&0008",
                    "Driver Name Found : 3dfx Voodoo5 5500 AGP", "Service Found : 3dfxvs",
                    "Location Info Found: PCI bus 1, device 1, function 0",
                    "Device ID Found : Device0",
                    "Using Voodoo Card At SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0",
                    "\tUsing DualChipAASLI"));
}

TEST_F(CardDetectionTest, Windows9xVoodoo3LogsEveryStepAndSkipsMode) {
    Add9x(kVoodoo3Row4, "000800", "3dfx Voodoo3", "DISPLAY\\0000");
    // Mode keys on a Voodoo3 are never looked at.
    EnableMode(std::string(k9xRoot) + "DISPLAY\\0000", "SingleChipAASLI");
    Detect(false);

    EXPECT_TRUE(result.Found);
    EXPECT_TRUE(result.ChangeCaption);
    EXPECT_EQ(result.Description, "3dfx Voodoo3");
    EXPECT_EQ(driver.DriverKey, "System\\CurrentControlSet\\Services\\Class\\DISPLAY\\0000");
    EXPECT_TRUE(driver.IsVoodoo3);
    EXPECT_EQ(driver.SliMode, "");
    EXPECT_FALSE(store.Read("AASLI"));
    EXPECT_THAT(log.lines,
                ElementsAre(k9xFirstLine, "Voodoo3 Series Detected",
                            "Voodoo PNP ID found : VEN_121A&DEV_0009&SUBSYS_0001121A&REV_01",
                            "Examining Enum\\PCI\\VEN_121A&DEV_0009&SUBSYS_0001121A&REV_01\\000800",
                            "Driver Name Found : 3dfx Voodoo3", "Driver Key Found : DISPLAY\\0000",
                            "Using Voodoo Card At "
                            "System\\CurrentControlSet\\Services\\Class\\DISPLAY\\0000"));
}

TEST_F(CardDetectionTest, LayoutFollowsTheWindowsFamily) {
    // A registry holding both layouts: each family reads only its own.
    AddNt(kVoodoo5Row10, "nt", "NT board", "3dfxvs", "PCI bus 1, device 3, function 0");
    Add9x(kVoodoo3Row3, "9x", "9x board", "DISPLAY\\0001");

    Detect(true);
    EXPECT_EQ(driver.DriverKey, "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device2");
    EXPECT_EQ(result.Description, "NT board");
    EXPECT_FALSE(driver.IsVoodoo3);

    log.lines.clear();
    driver = DriverState();
    Detect(false);
    EXPECT_EQ(driver.DriverKey, "System\\CurrentControlSet\\Services\\Class\\DISPLAY\\0001");
    EXPECT_EQ(result.Description, "9x board");
    EXPECT_TRUE(driver.IsVoodoo3);
    EXPECT_THAT(log.lines, Not(Contains(HasSubstr("Service Found"))));
}

TEST_F(CardDetectionTest, LastListedIdWinsAndDecidesTheSeries) {
    // Ids are added in their sorted order, so the order listed is the same whether
    // the store enumerates by insertion or by name.
    struct Case {
        const char* first;
        const char* last;
        bool lastIsVoodoo3;
    };
    for (const Case& c :
         {Case{kVoodoo3Row3, kOtherRow8, false}, Case{kOtherRow7, kVoodoo3Row3, true}}) {
        SCOPED_TRACE(c.last);
        ClearBoards();
        AddNt(c.first, "0", "first board", "3dfxvs", "PCI bus 1, device 1, function 0");
        AddNt(c.last, "0", "last board", "3dfxvs", "PCI bus 1, device 2, function 0");
        Detect(true);

        EXPECT_TRUE(result.Found);
        EXPECT_EQ(driver.IsVoodoo3, c.lastIsVoodoo3);
        EXPECT_EQ(result.Description, "last board");
        EXPECT_EQ(driver.DriverKey, std::string(kNtRoot) + "Device1");
        std::vector<std::string> idLines;
        for (const std::string& line : log.lines) {
            if (line.starts_with("Voodoo PNP ID found : ") || line == "Voodoo3 Series Detected") {
                idLines.push_back(line);
            }
        }
        std::vector<std::string> expected;
        for (const char* id : {c.first, c.last}) {
            if (id == kVoodoo3Row3) expected.push_back("Voodoo3 Series Detected");
            expected.push_back(std::string("Voodoo PNP ID found : ") + id);
        }
        EXPECT_EQ(idLines, expected);
        EXPECT_THAT(log.lines, Contains(std::string("Examining ") + kNtEnum + c.last + "\\0"));
        EXPECT_THAT(log.lines,
                    Not(Contains(std::string("Examining ") + kNtEnum + c.first + "\\0")));
    }
}

TEST_F(CardDetectionTest, IdsMatchOnlyExactly) {
    // Registry key names ignore case, so each variant gets a registry of its own.
    for (const char* id :
         {"ven_121a&dev_000b&subsys_0004121a&rev_01", "VEN_121A&DEV_000B&SUBSYS_0004121A&rev_01",
          "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_02", "VEN_121A&DEV_000B&SUBSYS_0004121A",
          "VEN_121A&DEV_0009&SUBSYS_0001121A", "VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01&X"}) {
        for (bool nt : {true, false}) {
            SCOPED_TRACE(std::string(nt ? "NT " : "9x ") + id);
            ClearBoards();
            AddNt(id, "0", "board", "3dfxvs", kLocation1);
            Add9x(id, "0", "board", "DISPLAY\\0000");
            Detect(nt);
            EXPECT_FALSE(result.Found);
            // Neither layout lists a board: the other one's search leaves no line.
            EXPECT_THAT(log.lines, ElementsAre(nt ? kNtFirstLine : k9xFirstLine));
            EXPECT_EQ(driver.DriverKey, "");
            EXPECT_FALSE(driver.IsVoodoo3);
        }
    }
}

TEST_F(CardDetectionTest, NoIdMeansNoCardAndNoInstanceExamined) {
    ASSERT_TRUE(SeedKey(memory, std::string(kNtEnum) + "VEN_8086&DEV_7190&SUBSYS_00000000&REV_03"));
    for (bool nt : {true, false}) {
        SCOPED_TRACE(nt ? "NT" : "9x");
        log.lines.clear();
        Detect(nt);
        EXPECT_FALSE(result.Found);
        // The caller still gets " - " with the empty description before it closes.
        EXPECT_TRUE(result.ChangeCaption);
        EXPECT_EQ(result.Description, "");
        EXPECT_EQ(driver.DriverKey, "");
        // Exactly the reported family's line: no claim of the other family.
        EXPECT_THAT(log.lines, ElementsAre(nt ? kNtFirstLine : k9xFirstLine));
    }
}

TEST_F(CardDetectionTest, LocationTextGivesTheDeviceNumber) {
    struct Case {
        const char* location;
        const char* device;
    };
    const Case cases[] = {
        {"PCI bus 1, device 1, function 0", "Device0"},
        {"PCI bus 1, device 3, function 0", "Device2"},
        {"PCI bus 0, device 0, function 0", "Device-1"},
        {"device 9", "Device8"},
        // Only one character is taken.
        {"PCI bus 2, device 12, function 0", "Device0"},
        // The first "device " counts.
        {"PCI bus 1, device 7 (device 5)", "Device6"},
        // Without "device " (matched case-sensitively) the seventh character is taken.
        {"Bus 1234567", "Device2"},
        {"PCI bus 1, Device 4, function 0", "Device0"},
        // Not a digit, or nothing there at all: n = 1.
        {"PCI bus 1, device x", "Device0"},
        {"PCI bus 1, device $", "Device0"},
        {"PCI bus 1, device -", "Device0"},
        {"PCI bus 1, device ", "Device0"},
        {"slot", "Device0"},
        {"", "Device0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        ClearBoards();
        AddNt(kVoodoo5Row10, "0", "board", "3dfxvs", c.location);
        Detect(true);
        EXPECT_TRUE(result.Found);
        EXPECT_THAT(log.lines, Contains(std::string("Device ID Found : ") + c.device));
        EXPECT_EQ(driver.DriverKey, std::string(kNtRoot) + c.device);
    }
}

TEST_F(CardDetectionTest, TwoInstancesAreBothExaminedAndTheLastIsKept) {
    AddNt(kVoodoo5Row10, "A", "first", "3dfxvs", "PCI bus 1, device 1, function 0");
    AddNt(kVoodoo5Row10, "B", "second", "3dfxvs", "PCI bus 1, device 3, function 0");
    Add9x(kOtherRow7, "A", "first", "DISPLAY\\0000");
    Add9x(kOtherRow7, "B", "second", "DISPLAY\\0001");

    Detect(true);
    EXPECT_TRUE(result.Found);
    EXPECT_EQ(driver.DriverKey, std::string(kNtRoot) + "Device2");
    EXPECT_EQ(result.Description, "second");
    EXPECT_THAT(log.lines, Contains(std::string("Examining ") + kNtEnum + kVoodoo5Row10 + "\\A"));
    EXPECT_THAT(log.lines, Contains(std::string("Examining ") + kNtEnum + kVoodoo5Row10 + "\\B"));
    EXPECT_THAT(log.lines, Contains("Device ID Found : Device0"));

    log.lines.clear();
    Detect(false);
    EXPECT_TRUE(result.Found);
    EXPECT_EQ(driver.DriverKey, std::string(k9xRoot) + "DISPLAY\\0001");
    EXPECT_EQ(result.Description, "second");
    EXPECT_THAT(log.lines, Contains("Driver Key Found : DISPLAY\\0000"));
    EXPECT_THAT(log.lines, Contains("Driver Key Found : DISPLAY\\0001"));
}

TEST_F(CardDetectionTest, MissingValueIsAnErrorInTheDrivers) {
    struct Case {
        const char* name;
        bool nt;
        bool description, second, location;  // second: "Service" on NT, "Driver" on 9x
    };
    for (const Case& c : {Case{"NT no DeviceDesc", true, false, true, true},
                          Case{"NT no Service", true, true, false, true},
                          Case{"NT no LocationInformation", true, true, true, false},
                          Case{"9x no DeviceDesc", false, false, true, true},
                          Case{"9x no Driver", false, true, false, true}}) {
        SCOPED_TRACE(c.name);
        ClearBoards();
        auto opt = [](bool present, const char* text) {
            return present ? std::optional<std::string>(text) : std::nullopt;
        };
        if (c.nt) {
            AddNt(kVoodoo5Row10, "A", opt(c.description, "board"), opt(c.second, "3dfxvs"),
                  opt(c.location, kLocation1));
            // A sound second instance is never reached.
            AddNt(kVoodoo5Row10, "B", "board", "3dfxvs", kLocation1);
            EnableMode(std::string(kNtRoot) + "Device0", "DualChipAASLI");
        } else {
            Add9x(kVoodoo5Row10, "A", opt(c.description, "board"), opt(c.second, "DISPLAY\\0000"));
            Add9x(kVoodoo5Row10, "B", "board", "DISPLAY\\0000");
            EnableMode(std::string(k9xRoot) + "DISPLAY\\0000", "DualChipAASLI");
        }
        Detect(c.nt);

        EXPECT_FALSE(result.Found);
        EXPECT_FALSE(result.ChangeCaption);
        ASSERT_FALSE(log.lines.empty());
        EXPECT_EQ(log.lines.back(), "ERROR IN DRIVERS");
        EXPECT_THAT(log.lines, Not(Contains(HasSubstr("\\B"))));
        EXPECT_EQ(driver.DriverKey, "");
        EXPECT_EQ(driver.SliMode, "");
        EXPECT_FALSE(store.Read("AASLI"));
    }
}

TEST_F(CardDetectionTest, MissingLocationStillLogsItsDeviceLine) {
    AddNt(kVoodoo5Row10, "A", "board", "3dfxvs", std::nullopt);
    Detect(true);
    const std::string examining = std::string("Examining ") + kNtEnum + kVoodoo5Row10 + "\\A";
    EXPECT_THAT(
        log.lines,
        ElementsAre(kNtFirstLine, std::string("Voodoo PNP ID found : ") + kVoodoo5Row10, examining,
                    "Driver Name Found : board", "Service Found : 3dfxvs",
                    "Location Info Found: NONE", "Device ID Found : Device0", "ERROR IN DRIVERS"));
}

TEST_F(CardDetectionTest, IdWithoutInstancesIsNoCardButModeIsStillProbed) {
    ASSERT_TRUE(SeedKey(memory, std::string(kNtEnum) + kVoodoo5Row10));
    Detect(true);
    EXPECT_FALSE(result.Found);
    EXPECT_TRUE(result.ChangeCaption);
    EXPECT_EQ(result.Description, "");
    EXPECT_THAT(log.lines,
                ElementsAre(kNtFirstLine, std::string("Voodoo PNP ID found : ") + kVoodoo5Row10));
    EXPECT_TRUE(store.Read("Glide\\QuadChipAASLI"));

    // On a Voodoo3 the mode is not probed at all.
    store.openedForReading.clear();
    ASSERT_TRUE(SeedKey(memory, std::string(k9xEnum) + kVoodoo3Row3));
    Detect(false);
    EXPECT_FALSE(result.Found);
    EXPECT_TRUE(driver.IsVoodoo3);
    EXPECT_FALSE(store.Read("AASLI"));
}

TEST(CardDetectionOnBoards, EachSimulatedBoardAsItsWindowsFamilyRecordsIt) {
    for (const BoardScenario& scenario : BoardScenarios()) {
        SCOPED_TRACE(scenario.fixture);
        MemoryRegistry memory;
        LoadRegeditFile(memory, FixturePath(scenario.fixture));
        EXPECT_TRUE(
            MatchesScenario(DetectOn(memory, FakeSystemInfo(scenario.windowsNT)), scenario));

        // Reported as the other family (a compatibility mode), the board is found where
        // its own family records it, after a look into the reported family's layout.
        auto other = DetectOn(memory, FakeSystemInfo(!scenario.windowsNT));
        ASSERT_FALSE(other.log.empty());
        EXPECT_EQ(other.log.front(), scenario.windowsNT ? k9xFirstLine : kNtFirstLine);
        other.log.erase(other.log.begin());
        EXPECT_TRUE(MatchesScenario(other, scenario));
    }
}

TEST(CardDetectionOnBoards, RemovingTheBoardsLeavesNoBoardValueAndNothingElseGone) {
    MemoryRegistry memory;
    ASSERT_TRUE(SeedText(memory, "SYSTEM\\CurrentControlSet\\Services\\Other", "Start", "3"));
    for (const BoardScenario& scenario : BoardScenarios()) {
        LoadRegeditFile(memory, FixturePath(scenario.fixture));
    }
    RemoveBoards(memory);

    const auto left = pallisar::test::SnapshotTree(memory, RegRoot::LocalMachine, "");
    std::vector<std::string> values;
    for (const auto& [entry, data] : left) {
        if (!entry.ends_with("]")) values.push_back(entry + " = " + data);
    }
    EXPECT_THAT(values,
                ElementsAre("[SYSTEM\\CurrentControlSet\\Services\\Other]\"Start\" = \"3\""));
    for (bool nt : {true, false}) {
        EXPECT_FALSE(DetectOn(memory, FakeSystemInfo(nt)).result.Found);
    }
}

}  // namespace
