#include "tweaks/card_detection.h"

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
    const char* enumKey;
    const char* driverRoot;
    const char* firstLogLine;
};

constexpr Layout kNtLayout = {
    "SYSTEM\\ControlSet001\\Enum\\PCI\\",
    "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\",
    "WindowsNT Detected : Using Key \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\\"",
};

constexpr Layout k9xLayout = {
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

}  // namespace

CardDetection DetectCard(TweakContext& context, const SystemInfo& system) {
    DriverState& driver = context.Driver;
    const bool nt = system.IsWindowsNT();
    const Layout& layout = nt ? kNtLayout : k9xLayout;
    context.Log.WriteLog(layout.firstLogLine);

    std::vector<std::string> deviceIds;
    context.Machine(layout.enumKey).GetKeyNames("", deviceIds);

    // Every listed id is checked; when several are present the last one wins.
    bool idFound = false;
    std::string foundId;
    for (const std::string& deviceId : deviceIds) {
        for (const PciId& row : kPciIds) {
            if (deviceId != row.id) continue;
            idFound = true;
            foundId = deviceId;
            driver.IsVoodoo3 = row.voodoo3;
            if (row.voodoo3) context.Log.WriteLog("Voodoo3 Series Detected");
            context.Log.WriteLog("Voodoo PNP ID found : " + deviceId);
        }
    }

    CardDetection result;
    std::string driverPart = kNone;  // NT: the device name; 95/98: the "Driver" value
    if (idFound) {
        const std::string idKey = std::string(layout.enumKey) + foundId;
        std::vector<std::string> instances;
        context.Machine(idKey).GetKeyNames("", instances);

        // The values of the last instance examined are the ones kept.
        for (const std::string& instance : instances) {
            const TRegistryEnhanced::BaseKey reg = context.Machine(idKey + "\\" + instance);
            context.Log.WriteLog("Examining " + reg.Path());
            result.Description = reg.ReadValueDefault("DeviceDesc", kNone);
            context.Log.WriteLog("Driver Name Found : " + result.Description);
            bool faulty = false;
            if (nt) {
                const std::string service = reg.ReadValueDefault("Service", kNone);
                context.Log.WriteLog("Service Found : " + service);
                const std::string location = reg.ReadValueDefault("LocationInformation", kNone);
                context.Log.WriteLog("Location Info Found: " + location);
                driverPart = "Device" + std::to_string(LocationDeviceNumber(location) - 1);
                context.Log.WriteLog("Device ID Found : " + driverPart);
                faulty = service == kNone || result.Description == kNone || location == kNone;
            } else {
                driverPart = reg.ReadValueDefault("Driver", kNone);
                context.Log.WriteLog("Driver Key Found : " + driverPart);
                faulty = driverPart == kNone || result.Description == kNone;
            }
            if (faulty) {
                // The board is there but its driver is not properly installed: stop
                // here, leaving the caption and the multi-chip mode alone.
                context.Log.WriteLog("ERROR IN DRIVERS");
                return result;
            }
        }
        driver.DriverKey = layout.driverRoot + driverPart;
    }

    if (driverPart != kNone) {
        context.Log.WriteLog("Using Voodoo Card At " + driver.DriverKey);
        result.Found = true;
    }
    result.ChangeCaption = true;
    if (!driver.IsVoodoo3) DetectSliMode(context);
    return result;
}

}  // namespace pallisar
