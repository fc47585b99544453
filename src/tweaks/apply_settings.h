#pragma once
// Writing one game's tweaks below the driver key, row by row of the tweak catalogue,
// with a log line for every registry change.

#include <string_view>

#include "tweaks/driver_state.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

// Writes (or, with data "*", deletes) `variable` in DriverKey\group and, unless
// subKey is "*", records the choice in DriverKey\group\subKey: its old "Value" (or
// "0") becomes "Previous Value" and subValue the new "Value". Logs every change.
// Never throws: a refused write is logged as an error and the rest of the row skipped.
void SetTweak(TweakContext& context, std::string_view group, std::string_view variable,
              std::string_view data, std::string_view subKey, std::string_view subValue);

// Applies every row of the tweak catalogue to the driver. Rows whose setting matches
// no choice write nothing; rows not meant for Voodoo3 are skipped on such boards.
// Throws ConvertError when the LOD bias is not a number: the rows before it stay
// written, that row and the ones after it are not applied.
void ApplySettings(TweakContext& context, const TSettings& settings);

}  // namespace pallisar
