#pragma once
// Finds the 3dfx board among the PCI devices Windows has recorded and works out
// the registry key of its display driver.

#include <string>

#include "platform/system_info.h"
#include "tweaks/driver_state.h"

namespace pallisar {

struct CardDetection {
    // True when the driver key was found; Driver.DriverKey then names it.
    bool Found = false;
    // True when the main window is to append " - " + Description to its caption.
    // False after a fault in the driver's records ("ERROR IN DRIVERS").
    bool ChangeCaption = false;
    // The board's "DeviceDesc" as read from the last device instance examined;
    // empty when no instance was examined.
    std::string Description;
};

// Searches the layout of the running Windows family (NT or 95/98), and the other
// family's when that lists no board (a compatibility mode reports the wrong family;
// that search is logged only when it finds the board there), sets Driver.DriverKey
// and Driver.IsVoodoo3, logs each step, and detects the
// multi-chip mode (DetectSliMode) on boards outside the Voodoo3 series. Missing
// keys and values never raise; they end in a result with Found false.
CardDetection DetectCard(TweakContext& context, const SystemInfo& system);

}  // namespace pallisar
