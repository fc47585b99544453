#include "tweaks/tweak_catalogue.h"

#include <algorithm>

namespace pallisar {

namespace {

using F = TweakField;
using G = TweakGroups;
using K = TweakKind;

constexpr std::string_view D = kDeleteData;

constexpr TweakChoice kSplash[] = {{"DISABLE", "1", "1"}, {"ENABLE", D, "0"}};
// Legacy texture compression and the Z-buffer optimisation record the opposite of
// their data: the driver's sub-keys count "disabled" as choice 1.
constexpr TweakChoice kTextureCompression[] = {{"ENABLE", "1", "0"}, {"DISABLE", "0", "1"}};
constexpr TweakChoice kEnableDisable[] = {{"ENABLE", "1", "1"}, {"DISABLE", "0", "0"}};
constexpr TweakChoice kTripleBuffering[] = {{"ENABLE", "3", "1"}, {"DISABLE", "-1", "0"}};
constexpr TweakChoice kColorDepth[] = {{"SOFTWARE CONTROLLED", "16", "0"},
                                       {"FORCE 32BPP RENDERING", "32", "1"}};
constexpr TweakChoice kMaxBufferedFrames[] = {{"NO PENDING BUFFERS", "0", "0"},
                                              {"1 PENDING BUFFER", "1", "1"},
                                              {"2 PENDING BUFFERS", "2", "2"},
                                              {"3 PENDING BUFFERS", "3", "3"}};
constexpr TweakChoice kZPrecision[] = {
    {"DISABLE", "0", "0"}, {"FAST", "1", "1"}, {"FASTER", "2", "2"}};
constexpr TweakChoice kD3DMaxBufferedFrames[] = {
    {"DEFAULT", "0", "0"},           {"1 PENDING BUFFER", "1", "1"},
    {"2 PENDING BUFFERS", "2", "2"}, {"3 PENDING BUFFERS", "3", "3"},
    {"4 PENDING BUFFERS", "4", "4"}, {"5 PENDING BUFFERS", "5", "5"},
    {"6 PENDING BUFFERS", "6", "6"}};
constexpr TweakChoice kHsr[] = {{"DISABLE", "0", "0"},
                                {"CONSERVATIVE TILING", "1", "1"},
                                {"NON-AGGRESSIVE TILING", "2", "2"},
                                {"SEMI-AGGRESSIVE TILING", "3", "3"},
                                {"AGGRESSIVE TILING", "4", "4"}};
constexpr TweakChoice kDisableEnable[] = {{"DISABLE", "0", "0"}, {"ENABLE", "1", "1"}};
constexpr TweakChoice kAlphaBlending[] = {
    {"AUTOMATIC", "1", "1"}, {"SHARPER", "2", "2"}, {"SMOOTHER", "3", "3"}};
constexpr TweakChoice kFilterQuality[] = {
    {"AUTOMATIC", "1", "1"}, {"NORMAL", "2", "2"}, {"HIGH", "3", "3"}};
// Windows virtual-key codes in decimal.
constexpr TweakChoice kGlideAAToggle[] = {{"NUM-LOCK", "144", "1"},  {"KEY-PAD /", "111", "2"},
                                          {"KEY-PAD *", "106", "3"}, {"KEY-PAD -", "109", "4"},
                                          {"F12", "123", "5"},       {"DISABLE", D, "0"}};
constexpr TweakChoice kD3DAAToggle[] = {{"KEY-PAD *", "106", "1"},
                                        {"KEY-PAD -", "109", "2"},
                                        {"F12", "123", "3"},
                                        {"CTRL-ALT-A", "65", "4"},
                                        {"DISABLE", D, "0"}};
constexpr TweakChoice kVSync[] = {{"DISABLE", "0", "1"}, {"ENABLE", D, "0"}};
constexpr TweakChoice kZBuffer[] = {{"ENABLE", "1", "0"}, {"DISABLE", "0", "1"}};

constexpr TweakRow kCatalogue[] = {
    {F::Splash, K::Choice, G::Glide, "FX_GLIDE_NO_SPLASH", "Glide Splash Screen", false, kSplash},
    {F::TextureCompression, K::Choice, G::Glide, "FX_GL_COMPRESS_LEGACY_TEXTURES",
     "Legacy Texture Compression", false, kTextureCompression},
    {F::MIPMap, K::Choice, G::Glide, "FX_GLIDE_LOD_DITHER", "MIP Map Dithering", false,
     kEnableDisable},
    {F::D3DMIPMap, K::Choice, G::D3D, "SSTH3_LOD_DITHER", "MIP Map Dithering", false,
     kEnableDisable},
    {F::TripleBuffering, K::Choice, G::Glide, "FX_GLIDE_ALLOC_COLOR", "Triple Buffering", false,
     kTripleBuffering},
    {F::ColorDepth, K::Choice, G::Glide, "FX_GLIDE_BPP", "Rendering Color-depth", true,
     kColorDepth},
    {F::MaxBufferedFrames, K::Choice, G::Glide, "FX_GLIDE_SWAPPENDINGCOUNT",
     "Maximum Buffered Frames", false, kMaxBufferedFrames},
    {F::gl16BitZPrecision, K::Choice, G::Glide, "FX_GL_16BPP_ZPRECISION",
     "Depth Precision (16 Bit)", false, kZPrecision},
    {F::gl32BitZPrecision, K::Choice, G::Glide, "FX_GL_32BPP_ZPRECISION",
     "Depth Precision (32 Bit)", false, kZPrecision},
    {F::D3DMaxBufferedFrames, K::Choice, G::D3D, "SSTH3_MAX_PENDING_BUFFERS",
     "Maximum Buffered Frames", false, kD3DMaxBufferedFrames},
    {F::glHSR, K::Choice, G::Glide, "FX_GL_HSR", "Hidden Surface Removal", false, kHsr},
    {F::glGuardbandClipping, K::Choice, G::Glide, "FX_GL_GUARDBAND_ENABLED", "Guardband Clipping",
     false, kDisableEnable},
    {F::AlphaBlending, K::Choice, G::GlideThenD3D, "SSTH3_ALPHADITHERMODE", "Alpha-Blending", false,
     kAlphaBlending},
    {F::TDFilterQuality, K::Choice, G::GlideThenD3D, "SSTH3_OVERLAYMODE", "3D Filter Quality",
     false, kFilterQuality},
    {F::AA, K::AntiAliasing, G::GlideThenD3D, "SSTH3_SLI_AA_CONFIGURATION", kNoSubKey, true, {}},
    {F::LODBias,
     K::LodBias,
     G::GlideThenD3D,
     "FX_GLIDE_LOD_BIAS",
     "Level Of Detail Bias",
     false,
     {}},
    {F::glAAToggle, K::Choice, G::Glide, "FX_GLIDE_AA_TOGGLE_KEY", "AA Demo Key", true,
     kGlideAAToggle},
    {F::D3DAAToggle, K::Choice, G::D3D, "SSTH3_AAJITTER_TOGGLE_KEY", "AA Demo Key", true,
     kD3DAAToggle},
    {F::VSynch, K::Choice, G::Glide, "FX_GLIDE_SWAPINTERVAL", "Vertical Sync", false, kVSync},
    {F::D3DVSynch, K::Choice, G::D3D, "SSTH3_SWAPINTERVAL", kNoSubKey, false, kVSync},
    // Gamma: Glide red, green, blue, then Direct3D red, green, blue.
    {F::RGamma, K::Verbatim, G::Glide, "SSTH3_RGAMMA", kNoSubKey, false, {}},
    {F::GGamma, K::Verbatim, G::Glide, "SSTH3_GGAMMA", kNoSubKey, false, {}},
    {F::BGamma, K::Verbatim, G::Glide, "SSTH3_BGAMMA", kNoSubKey, false, {}},
    {F::RGamma, K::Verbatim, G::D3D, "SSTH3_RGAMMA", kNoSubKey, false, {}},
    {F::GGamma, K::Verbatim, G::D3D, "SSTH3_GGAMMA", kNoSubKey, false, {}},
    {F::BGamma, K::Verbatim, G::D3D, "SSTH3_BGAMMA", kNoSubKey, false, {}},
    {F::ZBuffer, K::Choice, G::D3D, "SSTH3_Z_CLEAR_OPTIMIZATION", "Z-buffer Optimization", false,
     kZBuffer},
};

constexpr std::string_view kSliModes[] = {"SingleChipAASLI", "DualChipAASLI", "QuadChipAASLI"};

using C = AntiAliasingCell;
constexpr std::nullopt_t None = std::nullopt;

// Columns: no mode, single chip, dual chip, quad chip.
const AntiAliasingRow kAntiAliasing[] = {
    {"SINGLE CHIP ONLY", {C{"0", "0"}, C{"0", "0"}, C{"0", "0"}, C{"0", "0"}}},
    {"FASTEST PERFORMANCE", {None, C{"0", "0"}, C{"2", "1"}, C{"5", "1"}}},
    {"2 SAMPLE ANTI-ALIASING", {None, C{"1", "1"}, C{"3", "2"}, C{"6", "2"}}},
    {"4 SAMPLE ANTI-ALIASING", {None, None, C{"4", "3"}, C{"7", "3"}}},
    {"8 SAMPLE ANTI-ALIASING", {C{"8", "4"}, C{"8", "4"}, C{"8", "4"}, C{"8", "4"}}},
};

std::size_t ModeColumn(std::string_view sliMode) {
    const auto* mode = std::find(std::begin(kSliModes), std::end(kSliModes), sliMode);
    return mode == std::end(kSliModes) ? 0 : 1 + (mode - std::begin(kSliModes));
}

}  // namespace

std::span<const TweakRow> TweakCatalogue() { return kCatalogue; }

std::span<const AntiAliasingRow> AntiAliasingTable() { return kAntiAliasing; }

std::optional<AntiAliasingCell> FindAntiAliasing(std::string_view aaText,
                                                 std::string_view sliMode) {
    for (const AntiAliasingRow& row : kAntiAliasing) {
        if (row.Text == aaText) return row.ByMode[ModeColumn(sliMode)];
    }
    return std::nullopt;
}

}  // namespace pallisar
