#include "tweaks/card_detection.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "tweaks/sli_mode.h"

namespace pallisar {

namespace {

struct PciId {
    const char* id;
    bool voodoo3;
};

// 3dfx PCI ids as Windows names the enumeration sub-keys; matched exactly,
// letter case and revision suffix included.
constexpr PciId kPciIds[] = {
    {"VEN_121A&DEV_0009&SUBSYS_0002121A", true},
    {"VEN_121A&DEV_0009&SUBSYS_0003121A", true},
    {"VEN_121A&DEV_0009&SUBSYS_0004121A", true},
    {"VEN_121A&DEV_0009&SUBSYS_0005121A", true},
    {"VEN_121A&DEV_0009&SUBSYS_0001121A&REV_01", true},
    {"VEN_121A&DEV_0009&SUBSYS_0002121A&REV_01", false},
    {"VEN_121A&DEV_0009&SUBSYS_0003121A&REV_01", false},
    {"VEN_121A&DEV_0009&SUBSYS_0004121A&REV_01", false},
    {"VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01", false},
    {"VEN_121A&DEV_000B&SUBSYS_0002121A&REV_01", false},
    {"VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01", false},
    {"VEN_121A&DEV_000B&SUBSYS_0005121A&REV_01", false},
    {"VEN_121A&DEV_000B&SUBSYS_0006121A&REV_01", false},
};

// Where each Windows family records its PCI devices and display drivers (below
// HKEY_LOCAL_MACHINE). The NT line names CurrentControlSet although ControlSet001
// is the set searched; the log has always read that way.
struct Layout {
    bool nt;
    const char* enumKey;
    const char* driverRoot;
    const char* firstLogLine;
};

constexpr Layout kNtLayout = {
    true,
    "SYSTEM\\ControlSet001\\Enum\\PCI\\",
    "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\",
    "WindowsNT Detected : Using Key \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\\"",
};

constexpr Layout k9xLayout = {
    false,
    "Enum\\PCI\\",
    "System\\CurrentControlSet\\Services\\Class\\",
    "Windows9x Detected : Using Key "
    "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\\"",
};

// Read default that tells a missing value from a present one.
constexpr const char* kNone = "NONE";

// The number after "device " in a location text such as "PCI bus 1, device 1,
// function 0" (the seventh character when "device " is absent); 1 when that
// character is missing or not a digit.
int LocationDeviceNumber(const std::string& location) {
    constexpr std::string_view kMarker = "device ";
    const size_t marker = location.find(kMarker);
    const size_t at = marker == std::string::npos ? 6 : marker + kMarker.size();
    int number = 1;
    if (at < location.size()) TryStrToInt(location.substr(at, 1), number);
    return number;
}

// The log of one layout's search: written at once, or held back until the caller
// knows whether the search found a board there.
class SearchLog {
  public:
    SearchLog(LogWriter& log, bool held) : log_(log), held_(held) {}
    void WriteLog(const std::string& line) {
        if (held_) {
            lines_.push_back(line);
        } else {
            log_.WriteLog(line);
        }
    }
    void WriteHeldLines() {
        for (const std::string& line : lines_) log_.WriteLog(line);
        lines_.clear();
    }

  private:
    LogWriter& log_;
    bool held_;
    std::vector<std::string> lines_;
};

// What one layout holds of a board.
struct LayoutSearch {
    bool boardListed = false;        // a device id of the table is there
    bool faulty = false;             // "ERROR IN DRIVERS": the search stopped there
    std::string driverPart = kNone;  // NT: the device name; 95/98: the "Driver" value
};

LayoutSearch SearchLayout(TweakContext& context, const Layout& layout, CardDetection& result,
                          SearchLog& log) {
    DriverState& driver = context.Driver;
    log.WriteLog(layout.firstLogLine);

    std::vector<std::string> deviceIds;
    context.Machine(layout.enumKey).GetKeyNames("", deviceIds);

    // Every listed id is checked; when several are present the last one wins.
    LayoutSearch search;
    std::string foundId;
    for (const std::string& deviceId : deviceIds) {
        for (const PciId& row : kPciIds) {
            if (deviceId != row.id) continue;
            search.boardListed = true;
            foundId = deviceId;
            driver.IsVoodoo3 = row.voodoo3;
            if (row.voodoo3) log.WriteLog("Voodoo3 Series Detected");
            log.WriteLog("Voodoo PNP ID found : " + deviceId);
        }
    }
    if (!search.boardListed) return search;

    const std::string idKey = std::string(layout.enumKey) + foundId;
    std::vector<std::string> instances;
    context.Machine(idKey).GetKeyNames("", instances);

    // The values of the last instance examined are the ones kept.
    for (const std::string& instance : instances) {
        const TRegistryEnhanced::BaseKey reg = context.Machine(idKey + "\\" + instance);
        log.WriteLog("Examining " + reg.Path());
        result.Description = reg.ReadValueDefault("DeviceDesc", kNone);
        log.WriteLog("Driver Name Found : " + result.Description);
        if (layout.nt) {
            const std::string service = reg.ReadValueDefault("Service", kNone);
            log.WriteLog("Service Found : " + service);
            const std::string location = reg.ReadValueDefault("LocationInformation", kNone);
            log.WriteLog("Location Info Found: " + location);
            search.driverPart = "Device" + std::to_string(LocationDeviceNumber(location) - 1);
            log.WriteLog("Device ID Found : " + search.driverPart);
            search.faulty = service == kNone || result.Description == kNone || location == kNone;
        } else {
            search.driverPart = reg.ReadValueDefault("Driver", kNone);
            log.WriteLog("Driver Key Found : " + search.driverPart);
            search.faulty = search.driverPart == kNone || result.Description == kNone;
        }
        if (search.faulty) {
            // The board is there but its driver is not properly installed.
            log.WriteLog("ERROR IN DRIVERS");
            return search;
        }
    }
    driver.DriverKey = layout.driverRoot + search.driverPart;
    return search;
}

}  // namespace

CardDetection DetectCard(TweakContext& context, const SystemInfo& system) {
    const bool nt = system.IsWindowsNT();
    CardDetection result;
    SearchLog reportedLog(context.Log, false);
    LayoutSearch search = SearchLayout(context, nt ? kNtLayout : k9xLayout, result, reportedLog);
    // Windows 2000 and XP report the 95/98 family to a program run in a "Windows 95"
    // or "Windows 98" compatibility mode: a board the reported family's layout does
    // not list is looked for where the other family records it. That search is logged
    // only when it finds the board, so that a PC without one logs the reported
    // family's lines alone.
    if (!search.boardListed) {
        SearchLog otherLog(context.Log, true);
        LayoutSearch other = SearchLayout(context, nt ? k9xLayout : kNtLayout, result, otherLog);
        if (other.boardListed) {
            otherLog.WriteHeldLines();
            search = other;
        }
    }
    // A fault in the driver's records leaves the caption and the multi-chip mode alone.
    if (search.faulty) return result;

    if (search.driverPart != kNone) {
        context.Log.WriteLog("Using Voodoo Card At " + context.Driver.DriverKey);
        result.Found = true;
    }
    result.ChangeCaption = true;
    if (!context.Driver.IsVoodoo3) DetectSliMode(context);
    return result;
}

}  // namespace pallisar
