#pragma once
// The program's vocabulary of driver tweaks, one row per tweak of a game: its key and
// default in Game.dat, its label, items and boxes in the game editor, the driver
// variable it sets under which group key ("Glide" or "D3D"), the data each choice
// writes and the bookkeeping sub-key that records the choice. Reading and writing
// Game.dat, ApplySettings, the restore and the editor (its boxes, their places, labels,
// items and links) all take these facts from here.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tweaks/tweak_settings.h"

namespace pallisar {

// The driver's two group keys below its driver key.
inline constexpr std::string_view kGlideGroup = "Glide";
inline constexpr std::string_view kD3DGroup = "D3D";

// Data that deletes the variable instead of writing it.
inline constexpr std::string_view kDeleteData = "*";
// Sub-key name that means "no bookkeeping".
inline constexpr std::string_view kNoSubKey = "*";

// The multi-chip modes, in the order they are probed. Each is a sub-key of the
// driver's Glide key and the name of the anti-aliasing tweak's bookkeeping sub-key.
inline constexpr std::array<std::string_view, 3> kSliModeNames = {"SingleChipAASLI",
                                                                  "DualChipAASLI", "QuadChipAASLI"};

enum class TweakGroups {
    Glide,
    D3D,
    GlideThenD3D,  // the same write, first under "Glide", then under "D3D"
};

enum class TweakKind {
    Choice,        // the setting's text picks one of Choices
    AntiAliasing,  // the anti-aliasing table picks data and sub-key value by SliMode
    LodBias,       // the setting is a number; 4 x that number is data and sub-key value
    // The setting's text is the data, as stored. The gamma rows follow each other and
    // go to the driver as triples: all three to Glide, then all three to D3D.
    Gamma,
};

// The game editor's two tabs of tweak boxes, "Glide/OpenGL Settings" and "Direct3D
// Settings".
enum class TweakTab { Glide, Direct3D };
inline constexpr std::size_t kTweakTabCount = 2;

// The preset box of a tab, emptied by a user's change of a tweak box: the values shown
// are then no longer the preset's.
enum class PresetBox { None, Glide, Direct3D };

// A box's line when the box is not shown on a Voodoo3, which lacks its feature.
inline constexpr int kHiddenOnVoodoo3 = -1;

// The game editor's drop-down list of a tweak on one tab: the box and its label stand
// on one line of the tab, counted from the top.
struct TweakBox {
    std::string_view Name;  // the control's name ("cbxGlideSplash"); empty: no box
    int Line = 0;
    // Its line on a Voodoo3: the same line, one that closes up the place of a hidden
    // box, or kHiddenOnVoodoo3. Hidden boxes keep their values and are saved.
    int Voodoo3Line = 0;
    PresetBox Clears = PresetBox::None;

    bool Exists() const { return !Name.empty(); }
};

// One choice of a tweak: an item of its editor list as Game.dat stores it, and what
// the choice writes. A setting matches when it equals the item upper-cased.
struct TweakChoice {
    std::string_view Item;
    std::string_view Data;      // kDeleteData deletes the variable
    std::string_view SubValue;  // the "Value" recorded in the bookkeeping sub-key
};

// What else holds for a tweak, as flags of its row's Traits.
enum TweakTrait : unsigned {
    kPlain = 0,
    // ApplySettings skips it on Voodoo3 boards.
    kNotVoodoo3 = 1u << 0,
    // While the editor is open, a user's change of one of its boxes gives the box of
    // the same label on the other tab the same item.
    kLinkedBoxes = 1u << 1,
    // Presets have always read it without a default: a preset that lacks it shows the
    // box's fallback item, not a new game's value.
    kPresetWithoutDefault = 1u << 2,
};

struct TweakRow {
    TweakField Field;
    std::string_view Key;      // the Game.dat key
    std::string_view Default;  // read when the key is missing
    std::string_view Label;    // the game editor's label for the tweak's box or slider
    TweakKind Kind;
    TweakGroups Groups;
    std::string_view Variable;
    // kNoSubKey for none; unused for AntiAliasing, whose sub-key is named by SliMode.
    std::string_view SubKey;
    // Choice: the editor's items in order. AntiAliasing takes its items from the
    // anti-aliasing table, LodBias builds them from the program settings; a gamma
    // value has a slider.
    std::span<const TweakChoice> Choices;
    // The item the editor shows for a stored text that no item has; empty for the
    // first item of the list.
    std::string_view Fallback;
    // The editor's boxes, by TweakTab; a gamma value has a slider instead. A value with
    // a box on each tab shows in both.
    std::array<TweakBox, kTweakTabCount> Boxes;
    unsigned Traits;  // TweakTrait flags

    // The setting's text as a TSettings holds it: upper-cased, except gamma.
    bool UpperCased() const { return Kind != TweakKind::Gamma; }
    bool NotVoodoo3() const { return (Traits & kNotVoodoo3) != 0; }
    bool Linked() const { return (Traits & kLinkedBoxes) != 0; }
    bool PresetWithoutDefault() const { return (Traits & kPresetWithoutDefault) != 0; }
};

// The catalogue in application order, one row per TSettings field.
std::span<const TweakRow> TweakCatalogue();
const TweakRow& TweakOf(TweakField field);

// The bookkeeping sub-key of a row on a board with `sliMode`; kNoSubKey for none.
std::string_view BookkeepingSubKey(const TweakRow& row, std::string_view sliMode);

// The choice of a Choice row that the (upper-cased) setting picks; null for none.
const TweakChoice* FindChoice(const TweakRow& row, std::string_view setting);

// Anti-aliasing: what an AA choice writes on a board of a given multi-chip mode, and
// on which boards the editor offers it.
struct AntiAliasingCell {
    std::string_view Data;
    std::string_view SubValue;
};

struct AntiAliasingRow {
    std::string_view Item;  // the editor's text
    // By mode: none (empty SliMode), "SingleChipAASLI", "DualChipAASLI", "QuadChipAASLI".
    std::array<std::optional<AntiAliasingCell>, 4> ByMode;
    // Offered by the editor, by the same columns; the first column is the editor's
    // own list, kept on boards without a known mode.
    std::array<bool, 4> Offered;
};

std::span<const AntiAliasingRow> AntiAliasingTable();

// The cell for the (upper-cased) AA text on a board with `sliMode`; nullopt when the
// choice writes nothing there. A mode the table does not know counts as none.
std::optional<AntiAliasingCell> FindAntiAliasing(std::string_view aaText, std::string_view sliMode);

// The anti-aliasing items the editor offers for `sliMode`, in order; an unknown or
// empty mode gives the editor's own list.
std::vector<std::string> AntiAliasingItems(std::string_view sliMode);

}  // namespace pallisar
