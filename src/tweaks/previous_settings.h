#pragma once
// Recording part of the driver's configuration before a game runs and putting it
// back afterwards. The record lives in memory only.

#include <string>
#include <string_view>

#include "tweaks/driver_state.h"

namespace pallisar {

struct TPrevSettings {
    std::string GlideAAToggleKey;  // the key code, or "DISABLE" when absent
    std::string GlideVSync;        // "DISABLE" when the swap interval is 0, else "ENABLE"
    std::string GlideRGamma;       // the text, "1.30" when absent
    std::string GlideGGamma;
    std::string GlideBGamma;
    std::string D3DAAToggleKey;
    std::string D3DVSync;
    std::string D3DRGamma;
    std::string D3DGGamma;
    std::string D3DBGamma;

    bool operator==(const TPrevSettings&) const = default;
};

// Reads the toggle keys, swap intervals and gamma values of both groups. Never throws:
// missing keys and values read as their defaults.
TPrevSettings SavePreviousSettings(TweakContext& context);

// Swaps "Value" and "Previous Value" of the bookkeeping sub-key DriverKey\group\subKey
// and writes the previous choice into the variable its "Tweak Value" names. A
// sub-key without a (non-empty) "Tweak Value" is left alone. Throws RegistryError
// when a write is refused.
void ExchangeSubKey(TweakContext& context, std::string_view group, std::string_view subKey);

// Exchanges the bookkeeping sub-keys of both groups, then writes the recorded values
// back. A refused write throws RegistryError and ends the restore there.
void RestorePreviousSettings(TweakContext& context, const TPrevSettings& previous);

}  // namespace pallisar
