#include "tweaks/driver_snapshot.h"

#include <map>
#include <memory>

#include "core/errors.h"
#include "core/text.h"

namespace pallisar {

namespace {

constexpr RegRoot kRoot = RegRoot::LocalMachine;

std::string Join(std::string_view parent, std::string_view child) {
    return std::string(parent) + "\\" + std::string(child);
}

// The parent of a snapshot path; empty for a group key.
std::string Parent(std::string_view path) {
    const size_t last = path.rfind('\\');
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

// Through the registry component, so that in a launch the keys read here are the ones
// its writes use next. Only a key that does not exist is left out: putting back a copy
// without a key that exists would delete it.
void TakeKey(TweakContext& context, const std::string& path, DriverSnapshot& snapshot) {
    const std::string full = Join(context.Driver.DriverKey, path);
    const TRegistryEnhanced::BaseKey key = context.Machine(full);
    std::vector<NamedRegValue> values;
    long error = key.GetValues(values);
    std::vector<std::string> subKeys;
    if (error == regError::kSuccess) key.GetKeyNames("", subKeys, &error);
    if (error == regError::kFileNotFound) return;  // no such key (any more)
    if (error != regError::kSuccess) {
        throw RegistryError(
            "Failed to read key '" + full + "': " + context.Reg.Store().ErrorText(error), error);
    }
    SnapshotKey taken{path, {}};
    for (NamedRegValue& value : values) {
        taken.Values.push_back({std::move(value.name), std::move(value.value)});
    }
    snapshot.Keys.push_back(std::move(taken));
    for (const std::string& subKey : subKeys) TakeKey(context, Join(path, subKey), snapshot);
}

// A value as the log shows it: a string's text, a number in decimal, other data in hex.
std::string Shown(const RegValue& value) {
    if (value.type == RegType::String) return value.data;
    if (value.type == RegType::Dword && value.data.size() == 4) {
        return std::to_string(value.AsDword());
    }
    std::string hex = "hex(" + std::to_string(static_cast<uint32_t>(value.type)) + "):";
    for (unsigned char byte : value.data) hex += LowerCase(HexText(byte, 2)) + ",";
    if (!value.data.empty()) hex.pop_back();
    return hex;
}

class PutBack {
  public:
    PutBack(TweakContext& context, const DriverSnapshot& snapshot)
        : store_(context.Reg.Store()), log_(context.Log), driverKey_(context.Driver.DriverKey) {
        for (const SnapshotKey& key : snapshot.Keys) wanted_[UpperCase(key.Path)] = &key;
    }

    void Group(std::string_view group) {
        const auto found = wanted_.find(UpperCase(group));
        if (found != wanted_.end()) {
            Key(*found->second);
            return;
        }
        std::unique_ptr<RegistryKey> key;
        const std::string full = Join(driverKey_, group);
        if (store_.OpenKey(kRoot, full, false, key) != regError::kSuccess) return;
        key.reset();
        DeleteKey(full);
    }

  private:
    void Key(const SnapshotKey& wanted) {
        const std::string full = Join(driverKey_, wanted.Path);
        std::unique_ptr<RegistryKey> key;
        if (store_.CreateKey(kRoot, full, key) != regError::kSuccess) {
            throw RegistryError("Failed to create key '" + full + "'");
        }

        std::vector<std::string> names;
        key->EnumValues(names);
        for (const std::string& name : names) {
            if (Find(wanted, name)) continue;
            const long rc = key->DeleteValue(name);
            if (rc != regError::kSuccess && rc != regError::kFileNotFound) Refused(name);
            log_.WriteLog("\tDelete Value: " + full + " : \"" + name + "\"");
        }
        for (const SnapshotValue& value : wanted.Values) {
            RegValue now;
            if (key->QueryValue(value.Name, now) == regError::kSuccess &&
                now.type == value.Value.type && now.data == value.Value.data) {
                continue;
            }
            if (key->SetValue(value.Name, value.Value) != regError::kSuccess) Refused(value.Name);
            log_.WriteLog("\tSet Value: " + full + " : \"" + value.Name +
                          "\" = " + Shown(value.Value));
        }

        std::vector<std::string> subKeys;
        key->EnumSubKeys(subKeys);
        key.reset();
        for (const std::string& subKey : subKeys) {
            if (!wanted_.count(UpperCase(Join(wanted.Path, subKey)))) DeleteKey(Join(full, subKey));
        }
        // The keys it should hold, created when missing.
        const std::string self = UpperCase(wanted.Path);
        for (const auto& [path, child] : wanted_) {
            if (UpperCase(Parent(child->Path)) == self) Key(*child);
        }
    }

    static const SnapshotValue* Find(const SnapshotKey& key, std::string_view name) {
        for (const SnapshotValue& value : key.Values) {
            if (SameText(value.Name, name)) return &value;
        }
        return nullptr;
    }

    void DeleteKey(const std::string& full) {
        const long rc = store_.DeleteTree(kRoot, full);
        if (rc != regError::kSuccess && rc != regError::kFileNotFound) {
            throw RegistryError("Failed to delete key '" + full + "'");
        }
        log_.WriteLog("\tDelete Key: " + full);
    }

    [[noreturn]] static void Refused(std::string_view name) {
        throw RegistryError("Failed to set data for '" + std::string(name) + "'");
    }

    RegistryStore& store_;
    LogWriter& log_;
    const std::string& driverKey_;
    std::map<std::string, const SnapshotKey*> wanted_;  // by path in upper case
};

}  // namespace

DriverSnapshot TakeDriverSnapshot(TweakContext& context) {
    const TRegistryEnhanced::KeepKeysOpen keys(context.Reg);  // each key opened once
    DriverSnapshot snapshot;
    for (std::string_view group : kSnapshotGroups) TakeKey(context, std::string(group), snapshot);
    return snapshot;
}

void PutBackDriverSnapshot(TweakContext& context, const DriverSnapshot& snapshot) {
    PutBack putBack(context, snapshot);
    for (std::string_view group : kSnapshotGroups) putBack.Group(group);
}

bool IsSnapshotPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string_view::npos) {
        return false;
    }
    const std::string_view first = path.substr(0, path.find('\\'));
    for (std::string_view group : kSnapshotGroups) {
        if (SameText(first, group)) return true;
    }
    return false;
}

}  // namespace pallisar
