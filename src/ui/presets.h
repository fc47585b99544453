#pragma once
// Presets: named sets of tweak values kept in settings.cfg, one section each; every
// section but Program is a preset. The game editor lists, applies, saves and deletes
// them through these functions.

#include <string>
#include <string_view>
#include <vector>

#include "core/ini_file.h"
#include "tweaks/tweak_settings.h"

namespace pallisar {

// The preset names sorted without regard to letter case (as the editor first lists
// them and after saving).
std::vector<std::string> SortedPresetNames(const IniFile& settingsFile);
// The preset names in the order the file holds them (as the editor lists them after a
// delete).
std::vector<std::string> PresetNamesInFileOrder(const IniFile& settingsFile);

// False for a name the preset cannot be saved under: empty, used by a section already
// (letter case ignored, Program included), or one the file format cannot hold as a
// section name (a "]", blanks at either end).
bool IsFreePresetName(std::string_view name, const std::vector<std::string>& sections);

// The preset's values: every tweak value it holds, each missing one as the editor is
// to show it. Both V Synch choices read "Enable" when missing.
TSettings ReadPreset(const IniFile& settingsFile, const std::string& name);
// Writes the editor's values under `name` in the order presets have always been
// written, then the Direct3D V Synch choice, with one replacement of the file: a write
// that is refused (FileWriteError) leaves the file as it was, never a part of a preset.
void WritePreset(const IniFile& settingsFile, const std::string& name,
                 const GameSettingsInput& input);

}  // namespace pallisar
