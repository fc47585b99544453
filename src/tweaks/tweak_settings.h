#pragma once
// The 24 tweak values of one game as Game.dat stores them, and their reading and
// writing. A TSettings read from the file holds every text upper-cased except the
// three gamma values, which the driver takes verbatim.

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "core/ini_file.h"
#include "core/profile_store.h"

namespace pallisar {

// Field numbers of TSettings; the editor and the tweak catalogue address fields by them.
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
inline constexpr std::size_t kTweakFieldCount = 24;

// Fields are named by their Game.dat keys and declared in field order; the tweak
// catalogue (tweaks/tweak_catalogue.h) holds each field's key, default and meaning.
struct TSettings {
    std::string Splash;
    std::string ColorDepth;
    std::string TextureCompression;
    std::string MIPMap;
    std::string D3DMIPMap;
    std::string AlphaBlending;
    std::string MaxBufferedFrames;
    std::string D3DMaxBufferedFrames;
    std::string TDFilterQuality;
    std::string AA;
    std::string TripleBuffering;
    std::string LODBias;
    std::string glAAToggle;
    std::string D3DAAToggle;
    std::string ZBuffer;
    std::string VSynch;
    std::string D3DVSynch;
    std::string RGamma;
    std::string GGamma;
    std::string BGamma;
    std::string gl16BitZPrecision;
    std::string gl32BitZPrecision;
    std::string glHSR;
    std::string glGuardbandClipping;

    std::string& operator[](TweakField field);
    const std::string& operator[](TweakField field) const;
    std::string& operator[](std::size_t field) { return (*this)[static_cast<TweakField>(field)]; }
    const std::string& operator[](std::size_t field) const {
        return (*this)[static_cast<TweakField>(field)];
    }

    bool operator==(const TSettings&) const = default;
};

// What the game editor hands over for writing: the displayed text of each of its 21
// tweak combo boxes, by the Game.dat key the text is stored under, and the positions
// (10 to 400) of the three gamma sliders.
struct GameSettingsInput {
    std::map<std::string, std::string, std::less<>> Combos;
    int RGammaPosition = 130;
    int GGammaPosition = 130;
    int BGammaPosition = 130;
};

// Reads the 24 keys of the section `title`; a missing section or key gives its
// default. An empty title reads under a random title, so that every key gives its
// default and no other game's values are ever picked up.
TSettings ReadGameSettings(const IniFile& gameDat, std::string title);

// Writes the 21 combo texts (a combo missing from `input.Combos` is written as the
// empty text, as a box without selection shows) and then the three gamma values as
// position / 100 with two decimals. File errors (FileWriteError) go to the caller.
void WriteGameSettings(ProfileStore& gameDat, const std::string& title,
                       const GameSettingsInput& input);

}  // namespace pallisar
