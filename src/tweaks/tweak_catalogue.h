#pragma once
// The program's vocabulary of driver tweaks: for every setting of a game, the driver
// variable it sets, under which group key ("Glide" or "D3D"), the data each choice
// writes and the bookkeeping sub-key that records the choice. ApplySettings walks
// this table in order; nothing about a tweak is written anywhere else.

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "tweaks/tweak_settings.h"

namespace pallisar {

// Data that deletes the variable instead of writing it.
inline constexpr std::string_view kDeleteData = "*";
// Sub-key name that means "no bookkeeping".
inline constexpr std::string_view kNoSubKey = "*";

enum class TweakGroups {
    Glide,
    D3D,
    GlideThenD3D,  // the same write, first under "Glide", then under "D3D"
};

enum class TweakKind {
    Choice,        // the setting's text picks one of Choices
    AntiAliasing,  // the anti-aliasing table picks data and sub-key value by SliMode
    LodBias,       // the setting is a number; 4 x that number is data and sub-key value
    Verbatim,      // the setting's text is the data, as stored
};

// One choice of a tweak, compared case-sensitively with the upper-cased setting.
struct TweakChoice {
    std::string_view Text;
    std::string_view Data;      // kDeleteData deletes the variable
    std::string_view SubValue;  // the "Value" recorded in the bookkeeping sub-key
};

struct TweakRow {
    TweakField Field;
    TweakKind Kind;
    TweakGroups Groups;
    std::string_view Variable;
    // kNoSubKey for none; unused for AntiAliasing, whose sub-key is named by SliMode.
    std::string_view SubKey;
    bool NotVoodoo3;  // skipped on Voodoo3 boards
    std::span<const TweakChoice> Choices;
};

// The catalogue in application order.
std::span<const TweakRow> TweakCatalogue();

// Anti-aliasing: what an AA choice writes on a board of a given multi-chip mode.
struct AntiAliasingCell {
    std::string_view Data;
    std::string_view SubValue;
};

struct AntiAliasingRow {
    std::string_view Text;
    // By mode: none (empty SliMode), "SingleChipAASLI", "DualChipAASLI", "QuadChipAASLI".
    std::array<std::optional<AntiAliasingCell>, 4> ByMode;
};

std::span<const AntiAliasingRow> AntiAliasingTable();

// The cell for the (upper-cased) AA text on a board with `sliMode`; nullopt when the
// choice writes nothing there. A mode the table does not know counts as none.
std::optional<AntiAliasingCell> FindAntiAliasing(std::string_view aaText, std::string_view sliMode);

}  // namespace pallisar
