#include "ui/presets.h"

#include <algorithm>

#include "app/program_settings.h"
#include "core/ini_batch.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

using F = TweakField;

// The values a preset holds, in the order presets have always been written. The
// Direct3D V Synch choice follows them, so that older versions read the same keys
// in the same places.
constexpr F kSavedFields[] = {
    F::Splash,
    F::TextureCompression,
    F::AlphaBlending,
    F::TDFilterQuality,
    F::MIPMap,
    F::TripleBuffering,
    F::ColorDepth,
    F::MaxBufferedFrames,
    F::AA,
    F::LODBias,
    F::ZBuffer,
    F::glAAToggle,
    F::D3DAAToggle,
    F::VSynch,
    F::D3DVSynch,
};

void RemoveProgramSection(std::vector<std::string>& names) {
    const auto program = std::find_if(names.begin(), names.end(), [](const std::string& name) {
        return SameText(name, ProgramSettings::kSection);
    });
    if (program != names.end()) names.erase(program);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SortedPresetNames(const IniFile& settingsFile) {
    std::vector<std::string> names = settingsFile.ReadSections();
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareText(a, b) < 0;
    });
    RemoveProgramSection(names);
    return names;
}

std::vector<std::string> PresetNamesInFileOrder(const IniFile& settingsFile) {
    std::vector<std::string> names = settingsFile.ReadSections();
    RemoveProgramSection(names);
    return names;
}

bool IsFreePresetName(std::string_view name, const std::vector<std::string>& sections) {
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
    if (name.find(']') != std::string_view::npos) return false;
    return std::none_of(sections.begin(), sections.end(),
                        [name](const std::string& section) { return SameText(section, name); });
}

TSettings ReadPreset(const IniFile& settingsFile, const std::string& name) {
    const IniSnapshot file = settingsFile.Snapshot();
    TSettings preset;
    for (const TweakRow& row : TweakCatalogue()) {
        preset[row.Field] =
            file.ReadString(name, row.Key, row.PresetWithoutDefault() ? "" : row.Default);
    }
    return preset;
}

void WritePreset(const IniFile& settingsFile, const std::string& name,
                 const GameSettingsInput& input) {
    IniBatch batch(settingsFile);
    for (F field : kSavedFields) {
        batch.WriteString(name, TweakOf(field).Key, input.Combos[field]);
    }
    batch.Commit();
}

}  // namespace pallisar
