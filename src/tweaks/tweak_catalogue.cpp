#include "tweaks/tweak_catalogue.h"

#include <algorithm>

#include "core/text.h"

namespace pallisar {

namespace {

using F = TweakField;
using G = TweakGroups;
using K = TweakKind;

constexpr std::string_view D = kDeleteData;
constexpr std::string_view N = kNoSubKey;

// Items in the editor's order. Legacy texture compression and the Z-buffer
// optimisation record the opposite of their data: the driver's sub-keys count
// "disabled" as choice 1.
constexpr TweakChoice kSplash[] = {{"Enable", D, "0"}, {"Disable", "1", "1"}};
constexpr TweakChoice kTextureCompression[] = {{"Enable", "1", "0"}, {"Disable", "0", "1"}};
constexpr TweakChoice kEnableDisable[] = {{"Enable", "1", "1"}, {"Disable", "0", "0"}};
constexpr TweakChoice kTripleBuffering[] = {{"Enable", "3", "1"}, {"Disable", "-1", "0"}};
constexpr TweakChoice kColorDepth[] = {{"Software Controlled", "16", "0"},
                                       {"Force 32bpp Rendering", "32", "1"}};
constexpr TweakChoice kMaxBufferedFrames[] = {{"No Pending Buffers", "0", "0"},
                                              {"1 Pending Buffer", "1", "1"},
                                              {"2 Pending Buffers", "2", "2"},
                                              {"3 Pending Buffers", "3", "3"}};
constexpr TweakChoice kZPrecision[] = {
    {"Disable", "0", "0"}, {"Fast", "1", "1"}, {"Faster", "2", "2"}};
constexpr TweakChoice kD3DMaxBufferedFrames[] = {
    {"Default", "0", "0"},           {"1 Pending Buffer", "1", "1"},
    {"2 Pending Buffers", "2", "2"}, {"3 Pending Buffers", "3", "3"},
    {"4 Pending Buffers", "4", "4"}, {"5 Pending Buffers", "5", "5"},
    {"6 Pending Buffers", "6", "6"}};
constexpr TweakChoice kHsr[] = {{"Disable", "0", "0"},
                                {"Conservative Tiling", "1", "1"},
                                {"Non-Aggressive Tiling", "2", "2"},
                                {"Semi-Aggressive Tiling", "3", "3"},
                                {"Aggressive Tiling", "4", "4"}};
constexpr TweakChoice kAlphaBlending[] = {
    {"Automatic", "1", "1"}, {"Sharper", "2", "2"}, {"Smoother", "3", "3"}};
constexpr TweakChoice kFilterQuality[] = {
    {"Automatic", "1", "1"}, {"Normal", "2", "2"}, {"High", "3", "3"}};
// Windows virtual-key codes in decimal.
constexpr TweakChoice kGlideAAToggle[] = {{"Disable", D, "0"},       {"Num-Lock", "144", "1"},
                                          {"Key-Pad /", "111", "2"}, {"Key-Pad *", "106", "3"},
                                          {"Key-Pad -", "109", "4"}, {"F12", "123", "5"}};
constexpr TweakChoice kD3DAAToggle[] = {{"Disable", D, "0"},
                                        {"Ctrl-Alt-A", "65", "4"},
                                        {"Key-Pad *", "106", "1"},
                                        {"Key-Pad -", "109", "2"},
                                        {"F12", "123", "3"}};
constexpr TweakChoice kVSync[] = {{"Enable", D, "0"}, {"Disable", "0", "1"}};
constexpr TweakChoice kZBuffer[] = {{"Enable", "1", "0"}, {"Disable", "0", "1"}};

using P = PresetBox;

// A box that stands where it is on a Voodoo3 as well, one that a Voodoo3 hides, and one
// that closes up to another line there.
constexpr TweakBox Box(std::string_view name, int line, PresetBox clears) {
    return {name, line, line, clears};
}
constexpr TweakBox NotOnVoodoo3(std::string_view name, int line, PresetBox clears) {
    return {name, line, kHiddenOnVoodoo3, clears};
}
constexpr TweakBox MovesOnVoodoo3(std::string_view name, int line, int voodoo3Line,
                                  PresetBox clears) {
    return {name, line, voodoo3Line, clears};
}
using Boxes = std::array<TweakBox, kTweakTabCount>;
constexpr Boxes OnGlideTab(TweakBox box) { return {box, TweakBox{}}; }
constexpr Boxes OnD3DTab(TweakBox box) { return {TweakBox{}, box}; }
constexpr Boxes OnBothTabs(TweakBox glide, TweakBox d3d) { return {glide, d3d}; }
// A gamma value has a slider of its own; its items and boxes are none.
constexpr Boxes kNoBoxes{};
constexpr std::span<const TweakChoice> kNoChoices{};

// Columns: Field, Game.dat key and default, editor label, kind, groups, driver
// variable, bookkeeping sub-key, editor items, editor fallback, the editor's boxes on
// the Glide/OpenGL and the Direct3D tab, traits.
constexpr TweakRow kCatalogue[] = {
    {F::Splash, "Splash", "Enable", "Glide Splash Screen", K::Choice, G::Glide,
     "FX_GLIDE_NO_SPLASH", "Glide Splash Screen", kSplash, "Enable",
     OnGlideTab(Box("cbxGlideSplash", 0, P::Glide)), kPlain},
    {F::TextureCompression, "TextureCompression", "Enable", "Legacy Texture Compression", K::Choice,
     G::Glide, "FX_GL_COMPRESS_LEGACY_TEXTURES", "Legacy Texture Compression", kTextureCompression,
     "Enable", OnGlideTab(Box("cbxGlideLegacyTextureCompression", 1, P::Glide)), kPlain},
    {F::MIPMap, "MIPMap", "Disable", "MIP Map Dithering", K::Choice, G::Glide,
     "FX_GLIDE_LOD_DITHER", "MIP Map Dithering", kEnableDisable, "Disable",
     OnGlideTab(Box("cbxGlideMIPMapDithering", 4, P::Glide)), kLinkedBoxes},
    {F::D3DMIPMap, "D3DMIPMap", "Disable", "MIP Map Dithering", K::Choice, G::D3D,
     "SSTH3_LOD_DITHER", "MIP Map Dithering", kEnableDisable, "Disable",
     OnD3DTab(NotOnVoodoo3("cbxD3DMIPMapDithering", 8, P::Direct3D)), kLinkedBoxes},
    {F::TripleBuffering, "TripleBuffering", "Disable", "Triple Buffering", K::Choice, G::Glide,
     "FX_GLIDE_ALLOC_COLOR", "Triple Buffering", kTripleBuffering, "Enable",
     OnGlideTab(Box("cbxGlideTripleBuffering", 5, P::Glide)), kPresetWithoutDefault},
    {F::ColorDepth, "ColorDepth", "Software Controlled", "Rendering Color-depth", K::Choice,
     G::Glide, "FX_GLIDE_BPP", "Rendering Color-depth", kColorDepth, "Software Controlled",
     OnGlideTab(NotOnVoodoo3("cbxGlideRenderingColorDepth", 8, P::Glide)), kNotVoodoo3},
    {F::MaxBufferedFrames, "MaxBufferedFrames", "1 Pending Buffer", "Maximum Buffered Frames",
     K::Choice, G::Glide, "FX_GLIDE_SWAPPENDINGCOUNT", "Maximum Buffered Frames",
     kMaxBufferedFrames, "No Pending Buffers",
     OnGlideTab(Box("cbxGlideMaxBufferedFrames", 6, P::Glide)), kPlain},
    {F::gl16BitZPrecision, "gl16BitZPrecision", "Fast", "Depth Precision (16 Bit)", K::Choice,
     G::Glide, "FX_GL_16BPP_ZPRECISION", "Depth Precision (16 Bit)", kZPrecision, "Fast",
     OnGlideTab(NotOnVoodoo3("cbxGlide16BPPDepth", 12, P::Glide)), kPlain},
    {F::gl32BitZPrecision, "gl32BitZPrecision", "Fast", "Depth Precision (32 Bit)", K::Choice,
     G::Glide, "FX_GL_32BPP_ZPRECISION", "Depth Precision (32 Bit)", kZPrecision, "Fast",
     OnGlideTab(NotOnVoodoo3("cbxGlide32BPPDepth", 13, P::None)), kPlain},
    // The Direct3D tab's box, but a change of it empties the Glide/OpenGL tab's preset box.
    {F::D3DMaxBufferedFrames, "D3DMaxBufferedFrames", "1 Pending Buffer", "Maximum Buffered Frames",
     K::Choice, G::D3D, "SSTH3_MAX_PENDING_BUFFERS", "Maximum Buffered Frames",
     kD3DMaxBufferedFrames, "Default",
     OnD3DTab(NotOnVoodoo3("cbxD3DMaxBufferedFrames", 7, P::Glide)), kPresetWithoutDefault},
    {F::glHSR, "glHSR", "Disable", "Hidden Surface Removal", K::Choice, G::Glide, "FX_GL_HSR",
     "Hidden Surface Removal", kHsr, "Disable",
     OnGlideTab(NotOnVoodoo3("cbxGlideHSR", 14, P::Glide)), kPlain},
    {F::glGuardbandClipping, "glGuardbandClipping", "Disable", "Guardband Clipping", K::Choice,
     G::Glide, "FX_GL_GUARDBAND_ENABLED", "Guardband Clipping", kEnableDisable, "Disable",
     OnGlideTab(NotOnVoodoo3("cbxGlideGuardbandClipping", 15, P::None)), kPlain},
    {F::AlphaBlending, "AlphaBlending", "Automatic", "Alpha-Blending", K::Choice, G::GlideThenD3D,
     "SSTH3_ALPHADITHERMODE", "Alpha-Blending", kAlphaBlending, "Automatic",
     OnBothTabs(Box("cbxGlideAlphaBlending", 2, P::Glide),
                Box("cbxD3DAlphaBlending", 0, P::Direct3D)),
     kLinkedBoxes},
    {F::TDFilterQuality, "TDFilterQuality", "Automatic", "3D Filter Quality", K::Choice,
     G::GlideThenD3D, "SSTH3_OVERLAYMODE", "3D Filter Quality", kFilterQuality, "Automatic",
     OnBothTabs(Box("cbxGlide3DFilterQuality", 3, P::Glide),
                Box("cbxD3D3DFilterQuality", 1, P::Direct3D)),
     kLinkedBoxes},
    {F::AA, "AA", "Fastest Performance", "Anti-Aliasing", K::AntiAliasing, G::GlideThenD3D,
     "SSTH3_SLI_AA_CONFIGURATION", N, kNoChoices, "",
     OnBothTabs(NotOnVoodoo3("cbxGlideAntiAliasing", 9, P::Glide),
                NotOnVoodoo3("cbxD3DAntiAliasing", 3, P::Direct3D)),
     kNotVoodoo3 | kLinkedBoxes | kPresetWithoutDefault},
    {F::LODBias, "LODBias", "0", "Level Of Detail Bias", K::LodBias, G::GlideThenD3D,
     "FX_GLIDE_LOD_BIAS", "Level Of Detail Bias", kNoChoices, "",
     OnBothTabs(Box("cbxGlideLODBias", 7, P::Glide),
                MovesOnVoodoo3("cbxD3DLODBias", 5, 4, P::Direct3D)),
     kLinkedBoxes | kPresetWithoutDefault},
    {F::glAAToggle, "glAAToggle", "Disable", "Toggle AA with:", K::Choice, G::Glide,
     "FX_GLIDE_AA_TOGGLE_KEY", "AA Demo Key", kGlideAAToggle, "Num-Lock",
     OnGlideTab(NotOnVoodoo3("cbxGlideFSAAToggleKey", 10, P::None)), kNotVoodoo3},
    {F::D3DAAToggle, "D3DAAToggle", "Disable", "Toggle AA with:", K::Choice, G::D3D,
     "SSTH3_AAJITTER_TOGGLE_KEY", "AA Demo Key", kD3DAAToggle, "Ctrl-Alt-A",
     OnD3DTab(NotOnVoodoo3("cbxD3DFSAAToggleKey", 4, P::None)), kNotVoodoo3},
    {F::VSynch, "VSynch", "Enable", "V Synch", K::Choice, G::Glide, "FX_GLIDE_SWAPINTERVAL",
     "Vertical Sync", kVSync, "Enable",
     OnGlideTab(MovesOnVoodoo3("cbxGlideVSynch", 11, 8, P::None)), kPlain},
    {F::D3DVSynch, "D3DVSynch", "Enable", "V Synch", K::Choice, G::D3D, "SSTH3_SWAPINTERVAL", N,
     kVSync, "Enable", OnD3DTab(MovesOnVoodoo3("cbxD3DVsynch", 6, 3, P::None)), kPlain},
    {F::RGamma, "RGamma", "1.30", "Red", K::Gamma, G::GlideThenD3D, "SSTH3_RGAMMA", N, kNoChoices,
     "", kNoBoxes, kPlain},
    {F::GGamma, "GGamma", "1.30", "Green", K::Gamma, G::GlideThenD3D, "SSTH3_GGAMMA", N, kNoChoices,
     "", kNoBoxes, kPlain},
    {F::BGamma, "BGamma", "1.30", "Blue", K::Gamma, G::GlideThenD3D, "SSTH3_BGAMMA", N, kNoChoices,
     "", kNoBoxes, kPlain},
    {F::ZBuffer, "ZBuffer", "Enable", "Z-Buffer Optimization", K::Choice, G::D3D,
     "SSTH3_Z_CLEAR_OPTIMIZATION", "Z-buffer Optimization", kZBuffer, "Enable",
     OnD3DTab(Box("cbxD3DZBuffer", 2, P::Direct3D)), kPlain},
};
static_assert(std::size(kCatalogue) == kTweakFieldCount);

using C = AntiAliasingCell;
constexpr std::nullopt_t None = std::nullopt;

// Columns: no mode, single chip, dual chip, quad chip.
const AntiAliasingRow kAntiAliasing[] = {
    {"Single Chip Only",
     {C{"0", "0"}, C{"0", "0"}, C{"0", "0"}, C{"0", "0"}},
     {true, false, true, true}},
    {"Fastest Performance",
     {None, C{"0", "0"}, C{"2", "1"}, C{"5", "1"}},
     {true, true, true, true}},
    {"2 Sample Anti-Aliasing",
     {None, C{"1", "1"}, C{"3", "2"}, C{"6", "2"}},
     {true, true, true, true}},
    {"4 Sample Anti-Aliasing", {None, None, C{"4", "3"}, C{"7", "3"}}, {true, false, true, true}},
    {"8 Sample Anti-Aliasing",
     {C{"8", "4"}, C{"8", "4"}, C{"8", "4"}, C{"8", "4"}},
     {false, false, false, true}},
};

std::size_t ModeColumn(std::string_view sliMode) {
    const auto* mode = std::find(kSliModeNames.begin(), kSliModeNames.end(), sliMode);
    return mode == kSliModeNames.end() ? 0 : 1 + (mode - kSliModeNames.begin());
}

// Settings are compared case-sensitively with the upper-cased item: a text that was
// never upper-cased matches nothing.
bool Matches(std::string_view item, std::string_view setting) {
    return item.size() == setting.size() && UpperCase(item) == setting;
}

}  // namespace

std::span<const TweakRow> TweakCatalogue() { return kCatalogue; }

const TweakRow& TweakOf(TweakField field) {
    static const auto byField = [] {
        std::array<const TweakRow*, kTweakFieldCount> rows{};
        for (const TweakRow& row : kCatalogue) rows.at(static_cast<std::size_t>(row.Field)) = &row;
        return rows;
    }();
    return *byField.at(static_cast<std::size_t>(field));
}

std::string_view BookkeepingSubKey(const TweakRow& row, std::string_view sliMode) {
    // The mode's own sub-key keeps the anti-aliasing bookkeeping; with no mode the
    // name is empty and it lands in the group key itself.
    return row.Kind == TweakKind::AntiAliasing ? sliMode : row.SubKey;
}

const TweakChoice* FindChoice(const TweakRow& row, std::string_view setting) {
    for (const TweakChoice& choice : row.Choices) {
        if (Matches(choice.Item, setting)) return &choice;
    }
    return nullptr;
}

std::span<const AntiAliasingRow> AntiAliasingTable() { return kAntiAliasing; }

std::optional<AntiAliasingCell> FindAntiAliasing(std::string_view aaText,
                                                 std::string_view sliMode) {
    for (const AntiAliasingRow& row : kAntiAliasing) {
        if (Matches(row.Item, aaText)) return row.ByMode[ModeColumn(sliMode)];
    }
    return std::nullopt;
}

std::vector<std::string> AntiAliasingItems(std::string_view sliMode) {
    const std::size_t column = ModeColumn(sliMode);
    std::vector<std::string> items;
    for (const AntiAliasingRow& row : kAntiAliasing) {
        if (row.Offered[column]) items.emplace_back(row.Item);
    }
    return items;
}

}  // namespace pallisar
