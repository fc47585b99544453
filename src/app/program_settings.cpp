#include "app/program_settings.h"

#include "core/file_names.h"

namespace pallisar {

ProgramSettings::ProgramSettings(std::string programDir) : dir_(std::move(programDir)) {}

std::string ProgramSettings::Path() const { return FindFileNoCase(dir_, kFileName); }

bool ProgramSettings::ResetSettings() const {
    return File().ReadBool(kSection, "ResetSettings", true);
}

void ProgramSettings::SetResetSettings(bool on) { File().WriteBool(kSection, "ResetSettings", on); }

bool ProgramSettings::GenerateLog() const {
    return File().ReadBool(kSection, "GenerateLog", false);
}

void ProgramSettings::SetGenerateLog(bool on) { File().WriteBool(kSection, "GenerateLog", on); }

int ProgramSettings::ViewStyle() const { return File().ReadInteger(kSection, "ViewStyle", 0); }

void ProgramSettings::SaveViewStyle(int style) {
    File().WriteInteger(kSection, "ViewStyle", style);
}

std::string ProgramSettings::Version() const {
    return File().ReadString(kSection, "Version", "0.9");
}

void ProgramSettings::SetVersion(std::string_view version) {
    File().WriteString(kSection, "Version", version);
}

std::string ProgramSettings::LODHighRange() const {
    return File().ReadString(kSection, "LODHighRange", "2");
}

std::string ProgramSettings::LODLowRange() const {
    return File().ReadString(kSection, "LODLowRange", "-2");
}

void ProgramSettings::SetLODHighRange(std::string_view value) {
    File().WriteString(kSection, "LODHighRange", value);
}

void ProgramSettings::SetLODLowRange(std::string_view value) {
    File().WriteString(kSection, "LODLowRange", value);
}

void ProgramSettings::DeleteVideoCard() { File().DeleteKey(kSection, "VideoCard"); }

}  // namespace pallisar
