#pragma once
// The 24 tweak values of one game as Game.dat stores them, and their reading and
// writing. A TSettings read from the file holds every text upper-cased except the
// three gamma values, which the driver takes verbatim.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "core/ini_file.h"
#include "core/profile_store.h"

namespace pallisar {

// The fields of TSettings, named by their Game.dat keys; the editor and the tweak
// catalogue address the values by them.
enum class TweakField : std::size_t {
    Splash,
    ColorDepth,
    TextureCompression,
    MIPMap,
    D3DMIPMap,
    AlphaBlending,
    MaxBufferedFrames,
    D3DMaxBufferedFrames,
    TDFilterQuality,
    AA,
    TripleBuffering,
    LODBias,
    glAAToggle,
    D3DAAToggle,
    ZBuffer,
    VSynch,
    D3DVSynch,
    RGamma,
    GGamma,
    BGamma,
    gl16BitZPrecision,
    gl32BitZPrecision,
    glHSR,
    glGuardbandClipping,
};
inline constexpr std::size_t kTweakFieldCount =
    static_cast<std::size_t>(TweakField::glGuardbandClipping) + 1;

// One text per field, in field order; the tweak catalogue (tweaks/tweak_catalogue.h)
// holds each field's Game.dat key, default and meaning.
struct TSettings {
    std::array<std::string, kTweakFieldCount> Texts;

    std::string& operator[](TweakField field) { return Texts[static_cast<std::size_t>(field)]; }
    const std::string& operator[](TweakField field) const {
        return Texts[static_cast<std::size_t>(field)];
    }

    bool operator==(const TSettings&) const = default;
};

// What the game editor hands over for writing: the displayed text of each of its tweak
// boxes, by the field the box shows (the gamma fields are not used), and the positions
// (10 to 400) of the three gamma sliders.
struct GameSettingsInput {
    TSettings Combos;
    int RGammaPosition = 130;
    int GGammaPosition = 130;
    int BGammaPosition = 130;
};

// Reads the 24 keys of the section `title`; a missing section or key gives its
// default. An empty title reads under a random title, so that every key gives its
// default and no other game's values are ever picked up.
TSettings ReadGameSettings(const IniSnapshot& gameDat, std::string title);
inline TSettings ReadGameSettings(const IniFile& gameDat, std::string title) {
    return ReadGameSettings(gameDat.Snapshot(), std::move(title));
}

// Writes the 21 combo texts (a box without selection shows, and writes, the empty
// text) and then the three gamma values as position / 100 with two decimals. File errors
// (FileWriteError) go to the caller.
void WriteGameSettings(ProfileStore& gameDat, const std::string& title,
                       const GameSettingsInput& input);

}  // namespace pallisar
