#include "support/board_scenarios.h"

#include <algorithm>
#include <set>

#include "core/text.h"
#include "support/recording_log.h"
#include "support/regedit_file.h"
#include "support/temp_dir.h"
#include "tweaks/registry_enhanced.h"

namespace pallisar::test {

namespace {

constexpr const char* kNtFirstLine =
    "WindowsNT Detected : Using Key \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\\"";
constexpr const char* k9xFirstLine =
    "Windows9x Detected : Using Key "
    "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\\"";

// An NT-layout board whose one instance sits at PCI device 1 of its bus (any
// location whose digit after "device " is 1), so its driver key is Device0.
BoardScenario NtBoard(const std::string& fixture, const std::string& id,
                      const std::string& instance, const std::string& description,
                      const std::string& location, const std::string& mode) {
    const std::string driverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
    BoardScenario s;
    s.fixture = fixture;
    s.windowsNT = true;
    s.driverKey = driverKey;
    s.sliMode = mode;
    s.description = description;
    s.log = {kNtFirstLine,
             "Voodoo PNP ID found : " + id,
             "Examining SYSTEM\\ControlSet001\\Enum\\PCI\\" + id + "\\" + instance,
             "Driver Name Found : " + description,
             "Service Found : 3dfxvs",
             "Location Info Found: " + location,
             "Device ID Found : Device0",
             "Using Voodoo Card At " + driverKey,
             "\tUsing " + mode};
    return s;
}

std::vector<BoardScenario> MakeScenarios() {
    std::vector<BoardScenario> all;

    BoardScenario v3;
    v3.fixture = "boards/voodoo3_win98.reg";
    v3.windowsNT = false;
    v3.driverKey = "System\\CurrentControlSet\\Services\\Class\\Display\\0000";
    v3.isVoodoo3 = true;
    v3.description = "3dfx Voodoo3 3000 AGP";
    v3.log = {k9xFirstLine,
              "Voodoo3 Series Detected",
              "Voodoo PNP ID found : VEN_121A&DEV_0009&SUBSYS_0003121A",
              "Examining Enum\\PCI\\VEN_121A&DEV_0009&SUBSYS_0003121A\\BUS_01&DEV_00&FUNC_00",
              "Driver Name Found : 3dfx Voodoo3 3000 AGP",
              "Driver Key Found : Display\\0000",
              "Using Voodoo Card At System\\CurrentControlSet\\Services\\Class\\Display\\0000"};
    all.push_back(v3);

    // "device 12" and "device 11": only the first digit is taken.
    all.push_back(NtBoard("boards/voodoo4_single.reg", "VEN_121A&DEV_0009&SUBSYS_0004121A&REV_01",
                          "4&1d8c6c1a&0&6008", "3dfx Voodoo4 4500 PCI",
                          "PCI bus 0, device 12, function 0", "SingleChipAASLI"));
    all.push_back(NtBoard("boards/voodoo5_dual.reg", "VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01",
                          "4&1d8c6c1a&0&5808", "3dfx Voodoo5 5500 PCI",
                          "PCI bus 0, device 11, function 0", "DualChipAASLI"));
    all.push_back(NtBoard("boards/voodoo5_quad.reg", "VEN_121A&DEV_000B&SUBSYS_0006121A&REV_01",
                          "4&2a1d5e0c&0&0810", "3dfx Voodoo5 6000 AGP",
                          "PCI bus 2, device 1, function 0", "QuadChipAASLI"));
    return all;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The tree a board file's key belongs to: the key one level below the PCI
// enumeration key or below the services key (the driver class for 95/98). Empty
// for any other key, which is never removed: a real registry holds it too.
std::string BoardTree(const std::string& path) {
    // Longest parents first: the class key lies below the services key.
    static const char* const kParents[] = {"SYSTEM\\ControlSet001\\Enum\\PCI\\",
                                           "SYSTEM\\CurrentControlSet\\Services\\Class\\",
                                           "SYSTEM\\CurrentControlSet\\Services\\", "Enum\\PCI\\"};
    for (const char* parent : kParents) {
        const std::string prefix = parent;
        if (path.size() > prefix.size() && SameText(path.substr(0, prefix.size()), prefix)) {
            const size_t end = path.find('\\', prefix.size());
            return path.substr(0, end);
        }
    }
    return {};
}

}  // namespace

const std::vector<BoardScenario>& BoardScenarios() {
    static const std::vector<BoardScenario> scenarios = MakeScenarios();
    return scenarios;
}

DetectionOutcome DetectOn(RegistryStore& store, const SystemInfo& system) {
    TRegistryEnhanced reg(store);
    RecordingLog log;
    DetectionOutcome outcome;
    TweakContext context{reg, log, outcome.driver};
    outcome.result = DetectCard(context, system);
    outcome.log = log.lines;
    return outcome;
}

testing::AssertionResult MatchesScenario(const DetectionOutcome& outcome, const BoardScenario& s) {
    std::string differences;
    auto check = [&](const char* what, const std::string& actual, const std::string& expected) {
        if (actual != expected) {
            differences += std::string("\n  ") + what + ": " + Quoted(actual) + ", expected " +
                           Quoted(expected);
        }
    };
    auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
    check("Found", flag(outcome.result.Found), flag(s.found));
    check("ChangeCaption", flag(outcome.result.ChangeCaption), flag(true));
    check("Description", outcome.result.Description, s.description);
    check("DriverKey", outcome.driver.DriverKey, s.driverKey);
    check("IsVoodoo3", flag(outcome.driver.IsVoodoo3), flag(s.isVoodoo3));
    check("SliMode", outcome.driver.SliMode, s.sliMode);
    const size_t lines = std::max(outcome.log.size(), s.log.size());
    for (size_t i = 0; i < lines; ++i) {
        const std::string actual = i < outcome.log.size() ? outcome.log[i] : "(none)";
        const std::string expected = i < s.log.size() ? s.log[i] : "(none)";
        check(("log line " + std::to_string(i + 1)).c_str(), actual, expected);
    }
    if (differences.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << s.fixture << ":" << differences;
}

void RemoveBoards(RegistryStore& store) {
    std::set<std::string> trees;
    for (const BoardScenario& s : BoardScenarios()) {
        const std::string text = ReadFileBytes(FixturePath(s.fixture));
        const std::string_view header = "[HKEY_LOCAL_MACHINE\\";
        for (size_t at = text.find(header); at != std::string::npos;
             at = text.find(header, at + 1)) {
            const size_t start = at + header.size();
            const size_t end = text.find(']', start);
            if (end == std::string::npos) break;
            const std::string tree = BoardTree(text.substr(start, end - start));
            if (!tree.empty()) trees.insert(UpperCase(tree));
        }
    }
    for (const std::string& tree : trees) store.DeleteTree(RegRoot::LocalMachine, tree);
}

}  // namespace pallisar::test
