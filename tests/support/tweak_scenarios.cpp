#include "tweak_scenarios.h"

#include <cstdio>
#include <functional>

#include "app/exec_file.h"
#include "app/launch_sequence.h"
#include "app/program_settings.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "support/fake_process_starter.h"
#include "support/fake_prompts.h"
#include "support/fake_system_info.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar::test {

namespace {

void ReadValuesBelow(RegistryStore& store, const std::string& root, const std::string& relative,
                     ValueMap& values) {
    const std::string path = relative.empty() ? root : root + "\\" + relative;
    std::unique_ptr<RegistryKey> key;
    if (store.OpenKey(RegRoot::LocalMachine, path, false, key) != regError::kSuccess) return;

    std::vector<std::string> names;
    key->EnumValues(names);
    for (const std::string& name : names) {
        RegValue value;
        if (key->QueryValue(name, value) != regError::kSuccess) continue;
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
    RefusingKey(std::unique_ptr<RegistryKey> inner, const ValueRefusingStore& store)
        : inner_(std::move(inner)), store_(store) {}

    long QueryValue(std::string_view name, RegValue& value) override {
        return inner_->QueryValue(name, value);
    }
    long SetValue(std::string_view name, const RegValue& value) override {
        return Allowed(name) ? inner_->SetValue(name, value) : regError::kAccessDenied;
    }
    long DeleteValue(std::string_view name) override {
        return Allowed(name) ? inner_->DeleteValue(name) : regError::kAccessDenied;
    }
    long EnumSubKeys(std::vector<std::string>& names) override {
        return inner_->EnumSubKeys(names);
    }
    long EnumValues(std::vector<std::string>& names) override { return inner_->EnumValues(names); }

  private:
    bool Allowed(std::string_view name) {
        if (store_.refused.count(std::string(name))) return false;
        if (store_.beforeWrite) store_.beforeWrite();
        return true;
    }
    std::unique_ptr<RegistryKey> inner_;
    const ValueRefusingStore& store_;
};

// A store for one launch: passes every call on to `inner`, remembers the values set
// or deleted while `writes` is given, and with `perCall` gives keys that open the
// inner key afresh for every call, as operations each with a key of their own do.
class LaunchStore : public RegistryStore {
  public:
    LaunchStore(RegistryStore& inner, bool perCall) : inner_(inner), perCall_(perCall) {}

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override {
        std::unique_ptr<RegistryKey> opened;
        const long rc = inner_.OpenKey(root, path, write, opened);
        if (rc == regError::kSuccess) key = Wrap(root, path, write, std::move(opened));
        return rc;
    }
    long CreateKey(RegRoot root, std::string_view path,
                   std::unique_ptr<RegistryKey>& key) override {
        std::unique_ptr<RegistryKey> created;
        const long rc = inner_.CreateKey(root, path, created);
        if (rc == regError::kSuccess) key = Wrap(root, path, true, std::move(created));
        return rc;
    }
    long DeleteTree(RegRoot root, std::string_view path) override {
        return inner_.DeleteTree(root, path);
    }
    long FlushKey(RegRoot root, std::string_view path) override {
        return inner_.FlushKey(root, path);
    }

    std::vector<std::string>* writes = nullptr;

  private:
    class Key : public RegistryKey {
      public:
        Key(LaunchStore& store, RegRoot root, std::string_view path, bool write,
            std::unique_ptr<RegistryKey> held)
            : store_(store), root_(root), path_(path), write_(write), held_(std::move(held)) {}

        long QueryValue(std::string_view name, RegValue& value) override {
            return Use([&](RegistryKey& key) { return key.QueryValue(name, value); });
        }
        long SetValue(std::string_view name, const RegValue& value) override {
            return Note(name, Use([&](RegistryKey& key) { return key.SetValue(name, value); }));
        }
        long DeleteValue(std::string_view name) override {
            return Note(name, Use([&](RegistryKey& key) { return key.DeleteValue(name); }));
        }
        long EnumSubKeys(std::vector<std::string>& names) override {
            return Use([&](RegistryKey& key) { return key.EnumSubKeys(names); });
        }
        long EnumValues(std::vector<std::string>& names) override {
            return Use([&](RegistryKey& key) { return key.EnumValues(names); });
        }

      private:
        template <typename Operation>
        long Use(const Operation& operation) {
            if (held_) return operation(*held_);
            std::unique_ptr<RegistryKey> fresh;
            const long rc = store_.inner_.OpenKey(root_, path_, write_, fresh);
            // What a handle to a key deleted meanwhile answers.
            if (rc == regError::kFileNotFound) return regError::kKeyDeleted;
            return rc == regError::kSuccess ? operation(*fresh) : rc;
        }
        long Note(std::string_view name, long rc) {
            if (rc == regError::kSuccess && store_.writes) {
                store_.writes->push_back(path_ + "\\" + std::string(name));
            }
            return rc;
        }

        LaunchStore& store_;
        RegRoot root_;
        std::string path_;
        bool write_;
        std::unique_ptr<RegistryKey> held_;  // null: opened afresh for every call
    };

    std::unique_ptr<RegistryKey> Wrap(RegRoot root, std::string_view path, bool write,
                                      std::unique_ptr<RegistryKey> key) {
        if (perCall_) key.reset();
        return std::make_unique<Key>(*this, root, path, write, std::move(key));
    }

    RegistryStore& inner_;
    bool perCall_;
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
    if (rc == regError::kSuccess) key = std::make_unique<RefusingKey>(std::move(key), *this);
    return rc;
}

long ValueRefusingStore::OpenKey(RegRoot root, std::string_view path, bool write,
                                 std::unique_ptr<RegistryKey>& key) {
    if (unreadableKeys.count(UpperCase(path))) return regError::kAccessDenied;
    return Wrap(inner_.OpenKey(root, path, write, key), key);
}

long ValueRefusingStore::CreateKey(RegRoot root, std::string_view path,
                                   std::unique_ptr<RegistryKey>& key) {
    if (unreadableKeys.count(UpperCase(path))) return regError::kAccessDenied;
    std::unique_ptr<RegistryKey> existing;
    if (beforeWrite && inner_.OpenKey(root, path, false, existing) != regError::kSuccess) {
        beforeWrite();
    }
    return Wrap(inner_.CreateKey(root, path, key), key);
}

long ValueRefusingStore::DeleteTree(RegRoot root, std::string_view path) {
    if (beforeWrite) beforeWrite();
    return inner_.DeleteTree(root, path);
}

long ValueRefusingStore::FlushKey(RegRoot root, std::string_view path) {
    if (onFlush) onFlush(path);
    return inner_.FlushKey(root, path);
}

TSettings DefaultTweakSettings() {
    TSettings s;
    s[TweakField::Splash] = "ENABLE";
    s[TweakField::ColorDepth] = "SOFTWARE CONTROLLED";
    s[TweakField::TextureCompression] = "ENABLE";
    s[TweakField::MIPMap] = "DISABLE";
    s[TweakField::D3DMIPMap] = "DISABLE";
    s[TweakField::AlphaBlending] = "AUTOMATIC";
    s[TweakField::MaxBufferedFrames] = "1 PENDING BUFFER";
    s[TweakField::D3DMaxBufferedFrames] = "1 PENDING BUFFER";
    s[TweakField::TDFilterQuality] = "AUTOMATIC";
    s[TweakField::AA] = "FASTEST PERFORMANCE";
    s[TweakField::TripleBuffering] = "DISABLE";
    s[TweakField::LODBias] = "0";
    s[TweakField::glAAToggle] = "DISABLE";
    s[TweakField::D3DAAToggle] = "DISABLE";
    s[TweakField::ZBuffer] = "ENABLE";
    s[TweakField::VSynch] = "ENABLE";
    s[TweakField::D3DVSynch] = "ENABLE";
    s[TweakField::RGamma] = "1.30";
    s[TweakField::GGamma] = "1.30";
    s[TweakField::BGamma] = "1.30";
    s[TweakField::gl16BitZPrecision] = "FAST";
    s[TweakField::gl32BitZPrecision] = "FAST";
    s[TweakField::glHSR] = "DISABLE";
    s[TweakField::glGuardbandClipping] = "DISABLE";
    return s;
}

TSettings EveryTweakChanged() {
    TSettings s;
    s[TweakField::Splash] = "DISABLE";
    s[TweakField::ColorDepth] = "FORCE 32BPP RENDERING";
    s[TweakField::TextureCompression] = "DISABLE";
    s[TweakField::MIPMap] = "ENABLE";
    s[TweakField::D3DMIPMap] = "ENABLE";
    s[TweakField::AlphaBlending] = "SMOOTHER";
    s[TweakField::MaxBufferedFrames] = "3 PENDING BUFFERS";
    s[TweakField::D3DMaxBufferedFrames] = "6 PENDING BUFFERS";
    s[TweakField::TDFilterQuality] = "HIGH";
    s[TweakField::AA] = "2 SAMPLE ANTI-ALIASING";
    s[TweakField::TripleBuffering] = "ENABLE";
    s[TweakField::LODBias] = "-0.75";
    s[TweakField::glAAToggle] = "KEY-PAD /";
    s[TweakField::D3DAAToggle] = "CTRL-ALT-A";
    s[TweakField::ZBuffer] = "DISABLE";
    s[TweakField::VSynch] = "DISABLE";
    s[TweakField::D3DVSynch] = "DISABLE";
    s[TweakField::RGamma] = "0.50";
    s[TweakField::GGamma] = "2.25";
    s[TweakField::BGamma] = "1.3";
    s[TweakField::gl16BitZPrecision] = "FASTER";
    s[TweakField::gl32BitZPrecision] = "DISABLE";
    s[TweakField::glHSR] = "AGGRESSIVE TILING";
    s[TweakField::glGuardbandClipping] = "ENABLE";
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
    trip.before = snapshot();

    LaunchStore launchStore(store, keys == KeyUse::PerOperation);
    TRegistryEnhanced reg(launchStore);
    RecordingLog log;
    TweakContext context{reg, log, trip.driver};
    trip.saved = SavePreviousSettings(context);  // reads only

    TempDir dir;
    WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\nResetSettings=1\r\n");
    IniFile gameDat(dir.File("Game.dat"));
    const std::string title = "Game";
    gameDat.WriteString(title, "Run", "C:\\Games\\game.exe");
    for (const TweakRow& row : TweakCatalogue())
        gameDat.WriteString(title, row.Key, game[row.Field]);
    const ProgramSettings settings(dir.Path());

    std::vector<std::string> writes;
    // The registry is read while the game "runs", and the restore's writes are recorded
    // from its end on.
    FakeProcessStarter starter;
    starter.whileWaiting = [&] {
        trip.during = snapshot();
        launchStore.writes = &writes;
    };
    FakePrompts prompts;
    TExecFile exec(starter);
    GameLauncher launcher(settings, log, prompts, context, exec);
    launcher.ListLaunch(LoadGameEntry(gameDat, title));
    EXPECT_EQ(starter.starts.size(), 1u) << "the game was not started";

    trip.after = snapshot();
    trip.log = std::move(log.lines);
    const std::string below = UpperCase(trip.driver.DriverKey + "\\");
    for (std::string& write : writes) {
        if (UpperCase(write).rfind(below, 0) == 0) write.erase(0, below.size());
        trip.restoreWrites.push_back(std::move(write));
    }
    return trip;
}

}  // namespace pallisar::test
