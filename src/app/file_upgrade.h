#pragma once
// The version check of settings.cfg at start-up and the upgrade of files written by
// older versions: their single AAToggle key per game and per preset becomes the
// glAAToggle and D3DAAToggle pair; then settings.cfg is stamped "1.01".

#include "app/program_settings.h"
#include "core/ini_file.h"
#include "core/log_writer.h"
#include "platform/prompts.h"

namespace pallisar {

// True when the stored version is older than the program's file version. A stamp
// that is not a number is logged and taken as 0.9.
bool CheckFileVersion(const ProgramSettings& settings, LogWriter& log);

// Tells the user, converts Game.dat and the presets when the stored version is below
// 1.0, and stamps settings.cfg. A refused write raises FileWriteError; what was
// written before stays.
void UpgradeFiles(ProgramSettings& settings, IniFile& gameDat, LogWriter& log, Prompts& prompts);

// Replaces the AAToggle key of one section by glAAToggle and D3DAAToggle.
void ConvertAAToggle(IniFile& file, const std::string& section);

}  // namespace pallisar
