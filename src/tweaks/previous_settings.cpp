#include "tweaks/previous_settings.h"

#include <set>
#include <vector>

#include "core/text.h"

namespace pallisar {

namespace {

constexpr std::string_view kGlide = "Glide";
constexpr std::string_view kD3D = "D3D";
constexpr std::string_view kNone = "NONE";
constexpr std::string_view kDisable = "DISABLE";
constexpr std::string_view kEnable = "ENABLE";
constexpr std::string_view kDefaultGamma = "1.30";

// The bookkeeping sub-keys of the tweaks that ApplySettings writes, in the order the
// restore exchanges them; the multi-chip mode's sub-key follows each list.
const std::vector<std::string> kGlideSubKeys = {"3D Filter Quality",
                                                "AA Demo Key",
                                                "Alpha-Blending",
                                                "Glide Splash Screen",
                                                "Depth Precision (16 Bit)",
                                                "Depth Precision (32 Bit)",
                                                "Legacy Texture Compression",
                                                "Level Of Detail Bias",
                                                "Maximum Buffered Frames",
                                                "MIP Map Dithering",
                                                "Rendering Color-depth",
                                                "Triple Buffering",
                                                "Vertical Sync"};
const std::vector<std::string> kD3DSubKeys = {"3D Filter Quality",    "AA Demo Key",
                                              "Alpha-Blending",       "Geometry Assist",
                                              "Level Of Detail Bias", "Maximum Buffered Frames",
                                              "MIP Map Dithering",    "Z-buffer Optimization"};

std::string GroupKey(const TweakContext& context, std::string_view group) {
    return context.Driver.DriverKey + "\\" + std::string(group);
}

// Registry key names compare without regard to case.
struct KeyNameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return CompareText(a, b) < 0;
    }
};
using KeyNameSet = std::set<std::string, KeyNameLess>;

void ExchangeOnce(TweakContext& context, std::string_view group, const std::string& subKey,
                  KeyNameSet& done) {
    if (done.insert(subKey).second) ExchangeSubKey(context, group, subKey);
}

// Reads one group's toggle key, swap interval and gamma values.
void SaveGroup(TRegistryEnhanced& reg, std::string_view toggleKey, std::string_view swapInterval,
               std::string& toggle, std::string& vsync, std::string& r, std::string& g,
               std::string& b) {
    // The text read already is the value's own (string or number), so it is kept
    // rather than read a second time.
    toggle = reg.ReadValueDefault(toggleKey, kNone);
    if (toggle == kNone) toggle = kDisable;
    // Only "0" and "absent" are told apart: any other interval restores as absent.
    vsync = reg.ReadValueDefault(swapInterval, kNone) == "0" ? kDisable : kEnable;
    r = reg.ReadValueDefault("SSTH3_RGAMMA", kDefaultGamma);
    g = reg.ReadValueDefault("SSTH3_GGAMMA", kDefaultGamma);
    b = reg.ReadValueDefault("SSTH3_BGAMMA", kDefaultGamma);
}

void RestoreGroup(TRegistryEnhanced& reg, std::string_view toggleKey, std::string_view swapInterval,
                  const std::string& toggle, const std::string& vsync, const std::string& r,
                  const std::string& g, const std::string& b) {
    reg.WriteValue("SSTH3_RGAMMA", r);
    reg.WriteValue("SSTH3_GGAMMA", g);
    reg.WriteValue("SSTH3_BGAMMA", b);
    if (toggle == kDisable) {
        reg.DeleteValue(toggleKey);
    } else {
        reg.WriteValue(toggleKey, toggle);
    }
    if (vsync == kDisable) {
        reg.WriteValue(swapInterval, "0");
    } else {
        reg.DeleteValue(swapInterval);
    }
}

void DeleteIfZero(TRegistryEnhanced& reg, std::string_view variable) {
    if (reg.ReadValueDefault(variable, "0") == "0") reg.DeleteValue(variable);
}

}  // namespace

TPrevSettings SavePreviousSettings(TweakContext& context) {
    TRegistryEnhanced& reg = context.Reg;
    TPrevSettings previous;
    reg.RootKey = TRootKey::hkLocalMachine;
    reg.Key = GroupKey(context, kGlide);
    SaveGroup(reg, "FX_GLIDE_AA_TOGGLE_KEY", "FX_GLIDE_SWAPINTERVAL", previous.GlideAAToggleKey,
              previous.GlideVSync, previous.GlideRGamma, previous.GlideGGamma,
              previous.GlideBGamma);
    reg.Key = GroupKey(context, kD3D);
    SaveGroup(reg, "SSTH3_AAJITTER_TOGGLE_KEY", "SSTH3_SWAPINTERVAL", previous.D3DAAToggleKey,
              previous.D3DVSync, previous.D3DRGamma, previous.D3DGGamma, previous.D3DBGamma);
    return previous;
}

void ExchangeSubKey(TweakContext& context, std::string_view group, std::string_view subKey) {
    TRegistryEnhanced& reg = context.Reg;
    reg.RootKey = TRootKey::hkLocalMachine;
    reg.Key = GroupKey(context, group) + "\\" + std::string(subKey);

    const std::string variable = reg.ReadValueDefault("Tweak Value", "NOT FOUND");
    if (variable == "NOT FOUND") return;

    const std::string prev = reg.ReadValueDefault("Previous Value", kNone);
    const std::string cur = reg.ReadValueDefault("Value", kNone);
    if (prev != kNone) reg.WriteValue("Value", prev);
    if (cur != kNone) reg.WriteValue("Previous Value", cur);

    // Without a recorded earlier choice there is nothing to put back; writing the
    // "NONE" marker would hand the driver a value it never had. An empty "Tweak Value"
    // names no variable: it would address the group key's unnamed value instead.
    if (prev == kNone || variable.empty()) return;
    reg.Key = GroupKey(context, group);
    reg.WriteValue(variable, prev);
}

void RestorePreviousSettings(TweakContext& context, const TPrevSettings& previous) {
    TRegistryEnhanced& reg = context.Reg;
    const std::string& sliMode = context.Driver.SliMode;

    // Every bookkeeping sub-key is exchanged exactly once: one exchange puts the
    // previous choice back, a second one would undo it again. The tweaks' own
    // sub-keys go first, in their fixed order, then whatever else the driver keeps
    // below the group keys (hidden-surface removal and guardband clipping among them).
    // Without a multi-chip mode the lists end in the empty name, which addresses the
    // group key itself: it is exchanged like a sub-key when it carries a "Tweak Value".
    KeyNameSet glideDone;
    KeyNameSet d3dDone;
    for (const std::string& subKey : kGlideSubKeys)
        ExchangeOnce(context, kGlide, subKey, glideDone);
    ExchangeOnce(context, kGlide, sliMode, glideDone);
    for (const std::string& subKey : kD3DSubKeys) ExchangeOnce(context, kD3D, subKey, d3dDone);
    ExchangeOnce(context, kD3D, sliMode, d3dDone);

    for (auto [group, done] : {std::pair{kGlide, &glideDone}, std::pair{kD3D, &d3dDone}}) {
        std::vector<std::string> subKeys;
        reg.RootKey = TRootKey::hkLocalMachine;
        reg.Key = GroupKey(context, group);
        reg.GetKeyNames("", subKeys);
        for (const std::string& subKey : subKeys) ExchangeOnce(context, group, subKey, *done);
    }

    reg.RootKey = TRootKey::hkLocalMachine;
    reg.Key = GroupKey(context, kGlide);
    RestoreGroup(reg, "FX_GLIDE_AA_TOGGLE_KEY", "FX_GLIDE_SWAPINTERVAL", previous.GlideAAToggleKey,
                 previous.GlideVSync, previous.GlideRGamma, previous.GlideGGamma,
                 previous.GlideBGamma);
    DeleteIfZero(reg, "FX_GLIDE_NO_SPLASH");
    DeleteIfZero(reg, "FX_GLIDE_LOD_DITHER");

    reg.Key = GroupKey(context, kD3D);
    RestoreGroup(reg, "SSTH3_AAJITTER_TOGGLE_KEY", "SSTH3_SWAPINTERVAL", previous.D3DAAToggleKey,
                 previous.D3DVSync, previous.D3DRGamma, previous.D3DGGamma, previous.D3DBGamma);
}

}  // namespace pallisar
