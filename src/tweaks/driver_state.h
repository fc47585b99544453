#pragma once
// What the program knows about the 3dfx board once the card detection has run,
// and the pieces every operation of the tweak engine works through.

#include <string>
#include <string_view>
#include <utility>

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
// operations share; owned by the main window for the whole run. Every operation names
// the key it reads or writes.
struct TweakContext {
    TRegistryEnhanced& Reg;
    LogWriter& Log;
    DriverState& Driver;

    // The values below HKEY_LOCAL_MACHINE\`path`, where the driver keeps its keys.
    TRegistryEnhanced::BaseKey Machine(std::string path) const {
        return Reg.At(TRootKey::hkLocalMachine, std::move(path));
    }
    // DriverKey\group ("Glide" or "D3D"), and DriverKey\group\subKey.
    std::string GroupKey(std::string_view group) const {
        return Driver.DriverKey + "\\" + std::string(group);
    }
    std::string GroupKey(std::string_view group, std::string_view subKey) const {
        return GroupKey(group) + "\\" + std::string(subKey);
    }
};

}  // namespace pallisar
