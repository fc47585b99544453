#pragma once
// What the program knows about the 3dfx board once the card detection has run,
// and the pieces every operation of the tweak engine works through.

#include <string>

#include "core/log_writer.h"
#include "tweaks/registry_enhanced.h"

namespace pallisar {

struct DriverState {
    // Registry path of the board's driver below HKEY_LOCAL_MACHINE, no trailing backslash.
    std::string DriverKey;
    // True when the board belongs to the Voodoo3 series.
    bool IsVoodoo3 = false;
    // "SingleChipAASLI", "DualChipAASLI", "QuadChipAASLI" or empty.
    std::string SliMode;
};

// The registry component, the log and the driver state that the engine's
// operations share; owned by the main window for the whole run.
struct TweakContext {
    TRegistryEnhanced& Reg;
    LogWriter& Log;
    DriverState& Driver;
};

}  // namespace pallisar
