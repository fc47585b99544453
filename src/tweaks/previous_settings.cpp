#include "tweaks/previous_settings.h"

#include <set>
#include <variant>
#include <vector>

#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

constexpr std::string_view kGlide = kGlideGroup;
constexpr std::string_view kD3D = kD3DGroup;
constexpr std::string_view kNone = "NONE";
constexpr std::string_view kDisable = "DISABLE";
constexpr std::string_view kEnable = "ENABLE";
// What the driver uses while a gamma value is absent.
constexpr std::string_view kDefaultGamma = "1.30";

using F = TweakField;

// A bookkeeping sub-key of the restore's fixed lists: the one of a tweak, or one the
// driver keeps for a setting that no tweak writes.
using ListedSubKey = std::variant<TweakField, std::string_view>;

// The sub-keys the restore exchanges first, in the order it has always exchanged
// them; every other sub-key follows in the registry's order. The lists are not the
// catalogue's: their order decides which value a variable governed by two sub-keys
// gets back and where a refused write stops the restore, and they hold the driver's
// "Geometry Assist" but leave hidden-surface removal and guardband clipping to the
// second pass. The anti-aliasing entry stands for the multi-chip mode's sub-key.
constexpr ListedSubKey kGlideSubKeys[] = {F::TDFilterQuality,
                                          F::glAAToggle,
                                          F::AlphaBlending,
                                          F::Splash,
                                          F::gl16BitZPrecision,
                                          F::gl32BitZPrecision,
                                          F::TextureCompression,
                                          F::LODBias,
                                          F::MaxBufferedFrames,
                                          F::MIPMap,
                                          F::ColorDepth,
                                          F::TripleBuffering,
                                          F::VSynch,
                                          F::AA};
constexpr ListedSubKey kD3DSubKeys[] = {F::TDFilterQuality,
                                        F::D3DAAToggle,
                                        F::AlphaBlending,
                                        std::string_view("Geometry Assist"),
                                        F::LODBias,
                                        F::D3DMaxBufferedFrames,
                                        F::D3DMIPMap,
                                        F::ZBuffer,
                                        F::AA};

std::string SubKeyName(const ListedSubKey& listed, std::string_view sliMode) {
    if (const auto* field = std::get_if<TweakField>(&listed)) {
        return std::string(BookkeepingSubKey(TweakOf(*field), sliMode));
    }
    return std::string(std::get<std::string_view>(listed));
}

std::string_view Variable(TweakField field) { return TweakOf(field).Variable; }

using BaseKey = TRegistryEnhanced::BaseKey;

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
void SaveGroup(const BaseKey& key, std::string_view toggleKey, std::string_view swapInterval,
               std::string& toggle, std::string& vsync, std::string& r, std::string& g,
               std::string& b) {
    // The text read already is the value's own (string or number), so it is kept
    // rather than read a second time.
    toggle = key.ReadValueDefault(toggleKey, kNone);
    if (toggle == kNone) toggle = kDisable;
    // Only "0" and "absent" are told apart: any other interval restores as absent.
    vsync = key.ReadValueDefault(swapInterval, kNone) == "0" ? kDisable : kEnable;
    r = key.ReadValueDefault(Variable(F::RGamma), kDefaultGamma);
    g = key.ReadValueDefault(Variable(F::GGamma), kDefaultGamma);
    b = key.ReadValueDefault(Variable(F::BGamma), kDefaultGamma);
}

void RestoreGroup(const BaseKey& key, std::string_view toggleKey, std::string_view swapInterval,
                  const std::string& toggle, const std::string& vsync, const std::string& r,
                  const std::string& g, const std::string& b) {
    key.WriteValue(Variable(F::RGamma), r);
    key.WriteValue(Variable(F::GGamma), g);
    key.WriteValue(Variable(F::BGamma), b);
    if (toggle == kDisable) {
        key.DeleteValue(toggleKey);
    } else {
        key.WriteValue(toggleKey, toggle);
    }
    if (vsync == kDisable) {
        key.WriteValue(swapInterval, "0");
    } else {
        key.DeleteValue(swapInterval);
    }
}

void DeleteIfZero(const BaseKey& key, std::string_view variable) {
    if (key.ReadValueDefault(variable, "0") == "0") key.DeleteValue(variable);
}

}  // namespace

TPrevSettings SavePreviousSettings(TweakContext& context) {
    TPrevSettings previous;
    SaveGroup(context.Machine(context.GroupKey(kGlide)), Variable(F::glAAToggle),
              Variable(F::VSynch), previous.GlideAAToggleKey, previous.GlideVSync,
              previous.GlideRGamma, previous.GlideGGamma, previous.GlideBGamma);
    SaveGroup(context.Machine(context.GroupKey(kD3D)), Variable(F::D3DAAToggle),
              Variable(F::D3DVSynch), previous.D3DAAToggleKey, previous.D3DVSync,
              previous.D3DRGamma, previous.D3DGGamma, previous.D3DBGamma);
    return previous;
}

void ExchangeSubKey(TweakContext& context, std::string_view group, std::string_view subKey) {
    const BaseKey key = context.Machine(context.GroupKey(group, subKey));

    const std::string variable = key.ReadValueDefault("Tweak Value", "NOT FOUND");
    if (variable == "NOT FOUND") return;

    const std::string prev = key.ReadValueDefault("Previous Value", kNone);
    const std::string cur = key.ReadValueDefault("Value", kNone);
    if (prev != kNone) key.WriteValue("Value", prev);
    if (cur != kNone) key.WriteValue("Previous Value", cur);

    // Without a recorded earlier choice there is nothing to put back; writing the
    // "NONE" marker would hand the driver a value it never had. An empty "Tweak Value"
    // names no variable: it would address the group key's unnamed value instead.
    if (prev == kNone || variable.empty()) return;
    context.Machine(context.GroupKey(group)).WriteValue(variable, prev);
}

void RestorePreviousSettings(TweakContext& context, const TPrevSettings& previous) {
    const std::string& sliMode = context.Driver.SliMode;

    // Every bookkeeping sub-key is exchanged exactly once: one exchange puts the
    // previous choice back, a second one would undo it again. The tweaks' own
    // sub-keys go first, in their fixed order, then whatever else the driver keeps
    // below the group keys (hidden-surface removal and guardband clipping among them).
    // Without a multi-chip mode the lists end in the empty name, which addresses the
    // group key itself: it is exchanged like a sub-key when it carries a "Tweak Value".
    KeyNameSet glideDone;
    KeyNameSet d3dDone;
    for (const ListedSubKey& listed : kGlideSubKeys) {
        ExchangeOnce(context, kGlide, SubKeyName(listed, sliMode), glideDone);
    }
    for (const ListedSubKey& listed : kD3DSubKeys) {
        ExchangeOnce(context, kD3D, SubKeyName(listed, sliMode), d3dDone);
    }

    for (auto [group, done] : {std::pair{kGlide, &glideDone}, std::pair{kD3D, &d3dDone}}) {
        std::vector<std::string> subKeys;
        context.Machine(context.GroupKey(group)).GetKeyNames("", subKeys);
        for (const std::string& subKey : subKeys) ExchangeOnce(context, group, subKey, *done);
    }

    const BaseKey glide = context.Machine(context.GroupKey(kGlide));
    RestoreGroup(glide, Variable(F::glAAToggle), Variable(F::VSynch), previous.GlideAAToggleKey,
                 previous.GlideVSync, previous.GlideRGamma, previous.GlideGGamma,
                 previous.GlideBGamma);
    DeleteIfZero(glide, Variable(F::Splash));
    DeleteIfZero(glide, Variable(F::MIPMap));

    RestoreGroup(context.Machine(context.GroupKey(kD3D)), Variable(F::D3DAAToggle),
                 Variable(F::D3DVSynch), previous.D3DAAToggleKey, previous.D3DVSync,
                 previous.D3DRGamma, previous.D3DGGamma, previous.D3DBGamma);
}

}  // namespace pallisar
