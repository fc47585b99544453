#pragma once
// Writing one game's tweaks below the driver key, row by row of the tweak catalogue,
// with a log line for every registry change.

#include <string>
#include <string_view>
#include <vector>

#include "tweaks/driver_state.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

// Writes (or, with data "*", deletes) `variable` in DriverKey\group and, unless
// subKey is "*", records the choice in DriverKey\group\subKey: its old "Value" (or
// "0") becomes "Previous Value" and subValue the new "Value". Logs every change.
// Never throws: a refused write is logged as an error and the rest of the row skipped;
// the result is then the registry's error code (regError::kSuccess when all was
// written, -1 for a failure that carries no code).
long SetTweak(TweakContext& context, std::string_view group, std::string_view variable,
              std::string_view data, std::string_view subKey, std::string_view subValue);

// One SetTweak of a game's tweaks, for the setting `field`.
struct TweakWrite {
    TweakField field;
    std::string_view group;
    std::string_view variable;
    std::string data;
    std::string_view subKey;
    std::string subValue;
};
using TweakPlan = std::vector<TweakWrite>;

// Every write that applying `settings` makes on this board, in order: the rows of the
// catalogue (rows whose setting matches no choice write nothing; rows not meant for
// Voodoo3 are skipped on such boards), the gamma values as one triple per group.
// Converting every value happens here, so that a value that cannot be written stops
// the launch before anything is: throws ConvertError when the LOD bias is no number.
TweakPlan PlanSettings(const DriverState& driver, const TSettings& settings);

// What became of a game's settings in the driver: how many of them were written (in
// one write or several), how many of those the registry refused in whole or part, and
// the registry's error code for the first refusal.
struct TweakWriteReport {
    int settings = 0;
    int refused = 0;
    long firstError = 0;
};

// Writes the plan, logging as it goes; a refused write does not stop the others.
TweakWriteReport ApplySettings(TweakContext& context, const TweakPlan& plan);
// PlanSettings, then the writes.
TweakWriteReport ApplySettings(TweakContext& context, const TSettings& settings);

// The user's sentence for refused settings ("3 of 24 driver settings could not be
// written: Access is denied."); empty when none was refused.
std::string RefusedSettingsText(const TweakWriteReport& report, const RegistryStore& registry);

}  // namespace pallisar
