#include "tweaks/tweak_settings.h"

#include "core/random_title.h"
#include "core/text.h"

namespace pallisar {

namespace {

using F = TweakField;

constexpr std::array<std::string TSettings::*, kTweakFieldCount> kMembers = {
    &TSettings::Splash,
    &TSettings::ColorDepth,
    &TSettings::TextureCompression,
    &TSettings::MIPMap,
    &TSettings::D3DMIPMap,
    &TSettings::AlphaBlending,
    &TSettings::MaxBufferedFrames,
    &TSettings::D3DMaxBufferedFrames,
    &TSettings::TDFilterQuality,
    &TSettings::AA,
    &TSettings::TripleBuffering,
    &TSettings::LODBias,
    &TSettings::glAAToggle,
    &TSettings::D3DAAToggle,
    &TSettings::ZBuffer,
    &TSettings::VSynch,
    &TSettings::D3DVSynch,
    &TSettings::RGamma,
    &TSettings::GGamma,
    &TSettings::BGamma,
    &TSettings::gl16BitZPrecision,
    &TSettings::gl32BitZPrecision,
    &TSettings::glHSR,
    &TSettings::glGuardbandClipping,
};

const std::array<TweakKey, kTweakFieldCount> kKeys = {{
    {"Splash", "Enable", true},
    {"ColorDepth", "Software Controlled", true},
    {"TextureCompression", "Enable", true},
    {"MIPMap", "Disable", true},
    {"D3DMIPMap", "Disable", true},
    {"AlphaBlending", "Automatic", true},
    {"MaxBufferedFrames", "1 Pending Buffer", true},
    {"D3DMaxBufferedFrames", "1 Pending Buffer", true},
    {"TDFilterQuality", "Automatic", true},
    {"AA", "Fastest Performance", true},
    {"TripleBuffering", "Disable", true},
    {"LODBias", "0", true},
    {"glAAToggle", "Disable", true},
    {"D3DAAToggle", "Disable", true},
    {"ZBuffer", "Enable", true},
    {"VSynch", "Enable", true},
    {"D3DVSynch", "Enable", true},
    {"RGamma", "1.30", false},
    {"GGamma", "1.30", false},
    {"BGamma", "1.30", false},
    {"gl16BitZPrecision", "Fast", true},
    {"gl32BitZPrecision", "Fast", true},
    {"glHSR", "Disable", true},
    {"glGuardbandClipping", "Disable", true},
}};

// The order in which a game's keys are read.
constexpr std::array<F, kTweakFieldCount> kReadOrder = {
    F::Splash,
    F::TextureCompression,
    F::AlphaBlending,
    F::TDFilterQuality,
    F::MIPMap,
    F::D3DMIPMap,
    F::TripleBuffering,
    F::ColorDepth,
    F::MaxBufferedFrames,
    F::D3DMaxBufferedFrames,
    F::gl16BitZPrecision,
    F::gl32BitZPrecision,
    F::glHSR,
    F::glGuardbandClipping,
    F::AA,
    F::LODBias,
    F::glAAToggle,
    F::D3DAAToggle,
    F::ZBuffer,
    F::VSynch,
    F::D3DVSynch,
    F::RGamma,
    F::GGamma,
    F::BGamma,
};

// The order in which the editor's combo boxes are written; the gamma sliders follow.
constexpr std::array<F, 21> kComboWriteOrder = {
    F::Splash,
    F::TextureCompression,
    F::ColorDepth,
    F::MIPMap,
    F::MaxBufferedFrames,
    F::TripleBuffering,
    F::gl16BitZPrecision,
    F::gl32BitZPrecision,
    F::glHSR,
    F::glGuardbandClipping,
    F::ZBuffer,
    F::D3DMIPMap,
    F::D3DMaxBufferedFrames,
    F::AlphaBlending,
    F::TDFilterQuality,
    F::AA,
    F::glAAToggle,
    F::D3DAAToggle,
    F::LODBias,
    F::VSynch,
    F::D3DVSynch,
};

std::string GammaText(int position) { return FormatFloat00(position / 100.0); }

}  // namespace

std::string& TSettings::operator[](TweakField field) {
    return this->*kMembers.at(static_cast<std::size_t>(field));
}

const std::string& TSettings::operator[](TweakField field) const {
    return this->*kMembers.at(static_cast<std::size_t>(field));
}

const std::array<TweakKey, kTweakFieldCount>& TweakKeys() { return kKeys; }

const TweakKey& TweakKeyOf(TweakField field) { return kKeys.at(static_cast<std::size_t>(field)); }

TSettings ReadGameSettings(const IniFile& gameDat, std::string title) {
    // Some thirty reads of one entry: one look at the file serves them all.
    const IniSnapshot entry = gameDat.Snapshot();
    // Reading the empty name would find a section written as "[]"; a random name
    // that no section carries reads nothing but defaults.
    if (title.empty()) {
        do {
            title = RandomTitle();
        } while (entry.SectionExists(title));
    }

    TSettings settings;
    for (F field : kReadOrder) {
        const TweakKey& key = TweakKeyOf(field);
        std::string text = entry.ReadString(title, key.Key, key.Fallback);
        settings[field] = key.UpperCased ? UpperCase(text) : std::move(text);
    }
    return settings;
}

void WriteGameSettings(IniFile& gameDat, const std::string& title, const GameSettingsInput& input) {
    for (F field : kComboWriteOrder) {
        const std::string_view key = TweakKeyOf(field).Key;
        const auto combo = input.Combos.find(key);
        gameDat.WriteString(title, key,
                            combo == input.Combos.end() ? std::string_view() : combo->second);
    }
    gameDat.WriteString(title, "RGamma", GammaText(input.RGammaPosition));
    gameDat.WriteString(title, "GGamma", GammaText(input.GGammaPosition));
    gameDat.WriteString(title, "BGamma", GammaText(input.BGammaPosition));
}

}  // namespace pallisar
