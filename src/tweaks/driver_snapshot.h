#pragma once
// A copy of the driver's tweak trees: every key below DriverKey\Glide and DriverKey\D3D
// (the group keys included) with every value's name, type and data. Taken before the
// driver is changed, it lets the tree be put back exactly as it was, also by a later
// run of the program.

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "tweaks/driver_state.h"

namespace pallisar {

struct SnapshotValue {
    std::string Name;  // empty for the key's unnamed value
    RegValue Value;

    bool operator==(const SnapshotValue& other) const {
        return Name == other.Name && Value.type == other.Value.type &&
               Value.data == other.Value.data;
    }
};

struct SnapshotKey {
    // Below the driver key: "Glide", "Glide\Triple Buffering", ...
    std::string Path;
    std::vector<SnapshotValue> Values;

    bool operator==(const SnapshotKey&) const = default;
};

struct DriverSnapshot {
    // Every key that exists, each after the key that holds it. A group whose key does
    // not exist has no entry at all.
    std::vector<SnapshotKey> Keys;

    bool operator==(const DriverSnapshot&) const = default;
};

// The two group keys a snapshot covers, in the order they are taken and put back.
inline constexpr std::string_view kSnapshotGroups[] = {"Glide", "D3D"};

// Reads both trees. Throws RegistryError "Failed to read key '<key>': <the system's
// reason>" when a key that exists (or one of its values) cannot be read; only keys that
// do not exist are left out.
DriverSnapshot TakeDriverSnapshot(TweakContext& context);

// Makes both trees hold exactly what `snapshot` holds: values and keys it lacks are
// deleted, missing or different values written, missing keys created, and a group it
// has no key for removed. Each change is logged as a tweak write is. Throws
// RegistryError when the registry refuses a change; the changes made until then stay.
void PutBackDriverSnapshot(TweakContext& context, const DriverSnapshot& snapshot);

// Whether `path` can name a key of a snapshot: pieces without empty ones, the first
// being one of the two groups (letters in any case).
bool IsSnapshotPath(std::string_view path);

}  // namespace pallisar
