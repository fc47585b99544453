#include "tweak_scenarios.h"

#include <cstdio>

#include "support/fake_system_info.h"
#include "support/recording_log.h"
#include "tweaks/apply_settings.h"
#include "tweaks/tweak_burst.h"

namespace pallisar::test {

namespace {

void ReadValuesBelow(RegistryStore& store, const std::string& root, const std::string& relative,
                     ValueMap& values) {
    const std::string path = relative.empty() ? root : root + "\\" + relative;
    std::unique_ptr<RegistryKey> key;
    if (store.OpenKey(RegRoot::LocalMachine, path, false, key) != reg_error::kSuccess) return;

    std::vector<std::string> names;
    key->EnumValues(names);
    for (const std::string& name : names) {
        RegValue value;
        if (key->QueryValue(name, value) != reg_error::kSuccess) continue;
        std::string shown;
        if (value.type == RegType::String) {
            shown = value.data;
        } else {
            shown = "type" + std::to_string(static_cast<uint32_t>(value.type)) + ":";
            for (unsigned char byte : value.data) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02x", byte);
                shown += hex;
            }
        }
        const std::string shownName = name.empty() ? "@" : name;
        values[relative.empty() ? shownName : relative + "\\" + shownName] = shown;
    }

    std::vector<std::string> subKeys;
    key->EnumSubKeys(subKeys);
    key.reset();
    for (const std::string& subKey : subKeys) {
        ReadValuesBelow(store, root, relative.empty() ? subKey : relative + "\\" + subKey, values);
    }
}

class RefusingKey : public RegistryKey {
  public:
    RefusingKey(std::unique_ptr<RegistryKey> inner, const std::set<std::string>& refused)
        : inner_(std::move(inner)), refused_(refused) {}

    long QueryValue(std::string_view name, RegValue& value) override {
        return inner_->QueryValue(name, value);
    }
    long SetValue(std::string_view name, const RegValue& value) override {
        if (refused_.count(std::string(name))) return reg_error::kAccessDenied;
        return inner_->SetValue(name, value);
    }
    long DeleteValue(std::string_view name) override {
        if (refused_.count(std::string(name))) return reg_error::kAccessDenied;
        return inner_->DeleteValue(name);
    }
    long EnumSubKeys(std::vector<std::string>& names) override {
        return inner_->EnumSubKeys(names);
    }
    long EnumValues(std::vector<std::string>& names) override { return inner_->EnumValues(names); }

  private:
    std::unique_ptr<RegistryKey> inner_;
    const std::set<std::string>& refused_;
};

}  // namespace

ValueMap ReadValueTree(RegistryStore& store, std::string_view root) {
    ValueMap values;
    ReadValuesBelow(store, std::string(root), "", values);
    return values;
}

std::map<std::string, std::pair<std::string, std::string>> Differences(const ValueMap& before,
                                                                       const ValueMap& after) {
    static const std::string kAbsent = "<absent>";
    std::map<std::string, std::pair<std::string, std::string>> changes;
    for (const auto& [name, value] : before) {
        const auto found = after.find(name);
        const std::string& now = found == after.end() ? kAbsent : found->second;
        if (now != value) changes[name] = {value, now};
    }
    for (const auto& [name, value] : after) {
        if (!before.count(name)) changes[name] = {kAbsent, value};
    }
    return changes;
}

long ValueRefusingStore::Wrap(long rc, std::unique_ptr<RegistryKey>& key) {
    if (rc == reg_error::kSuccess) key = std::make_unique<RefusingKey>(std::move(key), refused);
    return rc;
}

long ValueRefusingStore::OpenKey(RegRoot root, std::string_view path, bool write,
                                 std::unique_ptr<RegistryKey>& key) {
    return Wrap(inner_.OpenKey(root, path, write, key), key);
}

long ValueRefusingStore::CreateKey(RegRoot root, std::string_view path,
                                   std::unique_ptr<RegistryKey>& key) {
    return Wrap(inner_.CreateKey(root, path, key), key);
}

long ValueRefusingStore::DeleteTree(RegRoot root, std::string_view path) {
    return inner_.DeleteTree(root, path);
}

TSettings DefaultTweakSettings() {
    TSettings s;
    s.Splash = "ENABLE";
    s.ColorDepth = "SOFTWARE CONTROLLED";
    s.TextureCompression = "ENABLE";
    s.MIPMap = "DISABLE";
    s.D3DMIPMap = "DISABLE";
    s.AlphaBlending = "AUTOMATIC";
    s.MaxBufferedFrames = "1 PENDING BUFFER";
    s.D3DMaxBufferedFrames = "1 PENDING BUFFER";
    s.TDFilterQuality = "AUTOMATIC";
    s.AA = "FASTEST PERFORMANCE";
    s.TripleBuffering = "DISABLE";
    s.LODBias = "0";
    s.glAAToggle = "DISABLE";
    s.D3DAAToggle = "DISABLE";
    s.ZBuffer = "ENABLE";
    s.VSynch = "ENABLE";
    s.D3DVSynch = "ENABLE";
    s.RGamma = "1.30";
    s.GGamma = "1.30";
    s.BGamma = "1.30";
    s.gl16BitZPrecision = "FAST";
    s.gl32BitZPrecision = "FAST";
    s.glHSR = "DISABLE";
    s.glGuardbandClipping = "DISABLE";
    return s;
}

TSettings EveryTweakChanged() {
    TSettings s;
    s.Splash = "DISABLE";
    s.ColorDepth = "FORCE 32BPP RENDERING";
    s.TextureCompression = "DISABLE";
    s.MIPMap = "ENABLE";
    s.D3DMIPMap = "ENABLE";
    s.AlphaBlending = "SMOOTHER";
    s.MaxBufferedFrames = "3 PENDING BUFFERS";
    s.D3DMaxBufferedFrames = "6 PENDING BUFFERS";
    s.TDFilterQuality = "HIGH";
    s.AA = "2 SAMPLE ANTI-ALIASING";
    s.TripleBuffering = "ENABLE";
    s.LODBias = "-0.75";
    s.glAAToggle = "KEY-PAD /";
    s.D3DAAToggle = "CTRL-ALT-A";
    s.ZBuffer = "DISABLE";
    s.VSynch = "DISABLE";
    s.D3DVSynch = "DISABLE";
    s.RGamma = "0.50";
    s.GGamma = "2.25";
    s.BGamma = "1.3";
    s.gl16BitZPrecision = "FASTER";
    s.gl32BitZPrecision = "DISABLE";
    s.glHSR = "AGGRESSIVE TILING";
    s.glGuardbandClipping = "ENABLE";
    return s;
}

RoundTrip RunRoundTrip(RegistryStore& store, const BoardScenario& board, const TSettings& game,
                       KeyUse keys) {
    RemoveBoards(store);
    LoadRegeditFile(store, FixturePath(board.fixture));
    const FakeSystemInfo system(board.windowsNT);

    RoundTrip trip;
    trip.driver = DetectOn(store, system).driver;
    const auto snapshot = [&] {
        return SnapshotTree(store, RegRoot::LocalMachine, trip.driver.DriverKey);
    };
    TRegistryEnhanced reg(store);
    RecordingLog log;
    TweakContext context{reg, log, trip.driver};

    std::unique_ptr<TweakBurst> burst;
    const auto begin_burst = [&] {
        if (keys == KeyUse::InBursts) burst = std::make_unique<TweakBurst>(context);
    };

    trip.before = snapshot();
    begin_burst();
    trip.saved = SavePreviousSettings(context);
    ApplySettings(context, game);
    burst.reset();
    trip.during = snapshot();
    begin_burst();
    RestorePreviousSettings(context, trip.saved);
    burst.reset();
    trip.after = snapshot();
    trip.log = std::move(log.lines);
    return trip;
}

}  // namespace pallisar::test
