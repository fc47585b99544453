#pragma once
// The multi-chip anti-aliasing mode of boards outside the Voodoo3 series, and the
// anti-aliasing choices the game editor offers for it.

#include <optional>
#include <string>
#include <vector>

#include "tweaks/driver_state.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

// Sets Driver.SliMode to the last mode whose "Disabled" value reads "0", logging a
// tab + "Using <mode>" line for each such mode. Does nothing on a Voodoo3 board.
// Driver.SliMode is left as it was when no mode is enabled.
void DetectSliMode(TweakContext& context);

// The anti-aliasing choices the game editor has at design time.
const std::vector<std::string>& DefaultAntiAliasingChoices();

// The choices for the board's mode, in the order shown; nullopt when the editor's
// lists are to stay as they are (a Voodoo3 board, or no known mode).
std::optional<std::vector<std::string>> AntiAliasingChoices(const DriverState& driver);

}  // namespace pallisar
