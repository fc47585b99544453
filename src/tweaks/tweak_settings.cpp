#include "tweaks/tweak_settings.h"

#include "core/random_title.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

using F = TweakField;

// The order in which the editor's values are written. It is not the catalogue's
// order: a new entry's keys land in Game.dat in this order, as they always have, so
// the files the editor writes stay the same.
constexpr std::array<F, kTweakFieldCount> kWriteOrder = {
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
    F::RGamma,
    F::GGamma,
    F::BGamma,
};

std::string GammaText(int position) { return FormatFloat00(position / 100.0); }

int GammaPosition(const GameSettingsInput& input, F field) {
    switch (field) {
        case F::RGamma:
            return input.RGammaPosition;
        case F::GGamma:
            return input.GGammaPosition;
        default:
            return input.BGammaPosition;
    }
}

}  // namespace

TSettings ReadGameSettings(const IniSnapshot& gameDat, std::string title) {
    // Reading the empty name would find a section written as "[]"; a random name
    // that no section carries reads nothing but defaults.
    if (title.empty()) {
        do {
            title = RandomTitle();
        } while (gameDat.SectionExists(title));
    }

    // One snapshot serves every read, so the catalogue's order does as well as any.
    TSettings settings;
    for (const TweakRow& row : TweakCatalogue()) {
        std::string text = gameDat.ReadString(title, row.Key, row.Default);
        settings[row.Field] = row.UpperCased() ? UpperCase(text) : std::move(text);
    }
    return settings;
}

void WriteGameSettings(ProfileStore& gameDat, const std::string& title,
                       const GameSettingsInput& input) {
    for (F field : kWriteOrder) {
        const TweakRow& row = TweakOf(field);
        if (row.Kind == TweakKind::Gamma) {
            gameDat.WriteString(title, row.Key, GammaText(GammaPosition(input, field)));
            continue;
        }
        gameDat.WriteString(title, row.Key, input.Combos[field]);
    }
}

}  // namespace pallisar
