#pragma once
// Scenarios of the tweak engine that run the same on every RegistryStore, so the
// in-memory registry and the Windows registry under Wine can be held to the same
// results, and the small tools the engine's tests share.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_store.h"
#include "support/board_scenarios.h"
#include "support/regedit_file.h"
#include "tweaks/driver_state.h"
#include "tweaks/previous_settings.h"
#include "tweaks/tweak_settings.h"

namespace pallisar::test {

// Every value below HKEY_LOCAL_MACHINE\root, by its path relative to root and its
// name ("Glide\Triple Buffering\Value"; the unnamed value is "@"). A string value
// maps to its text, any other to "type<n>:" and its bytes in hex.
using ValueMap = std::map<std::string, std::string>;
ValueMap ReadValueTree(RegistryStore& store, std::string_view root);

// The entries that differ between two maps: name -> {before, after}, with "<absent>"
// standing for a missing entry.
std::map<std::string, std::pair<std::string, std::string>> Differences(const ValueMap& before,
                                                                       const ValueMap& after);

// A store that passes everything on to another one but refuses to set or delete the
// values named in `refused` (anywhere) with kAccessDenied, as a value protected by
// the driver's installer would be, and to open the keys whose paths are in
// `unreadableKeys` (in upper case), as a key whose permissions let nobody read it.
// `beforeWrite`, when given, runs ahead of every write that reaches the other store: a
// value set or deleted, a key created or deleted. `onFlush` runs ahead of every flush.
class ValueRefusingStore : public RegistryStore {
  public:
    explicit ValueRefusingStore(RegistryStore& inner) : inner_(inner) {}

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override;
    long CreateKey(RegRoot root, std::string_view path, std::unique_ptr<RegistryKey>& key) override;
    long DeleteTree(RegRoot root, std::string_view path) override;
    long FlushKey(RegRoot root, std::string_view path) override;

    std::set<std::string> refused;
    std::set<std::string> unreadableKeys;
    std::function<void()> beforeWrite;
    std::function<void(std::string_view path)> onFlush;

  private:
    long Wrap(long rc, std::unique_ptr<RegistryKey>& key);
    RegistryStore& inner_;
};

// A TSettings as the launch reads it for an entry without tweak keys.
TSettings DefaultTweakSettings();
// A TSettings in which every tweak differs from its default.
TSettings EveryTweakChanged();

// One launch with restoring on, on a simulated board: the driver key's tree
// (the Glide and D3D keys with their sub-keys) before the launch, while the game
// runs and after the restore.
struct RoundTrip {
    DriverState driver;
    RegistrySnapshot before;
    RegistrySnapshot during;
    RegistrySnapshot after;
    // What SavePreviousSettings records from `before`.
    TPrevSettings saved;
    // The launch's log lines.
    std::vector<std::string> log;
    // Every value the restore wrote or deleted, in order: "<key below the driver
    // key>\<value name>" ("Glide\AA Demo Key\Value", "Glide\SSTH3_RGAMMA").
    std::vector<std::string> restoreWrites;
};

// How the launch's operations reach the registry: as the launcher makes them, with
// the keys kept open through each burst, or with every registry call opening a key of
// its own, as operations outside a burst do.
enum class KeyUse { PerOperation, InBursts };

// Removes what an earlier board left below HKEY_LOCAL_MACHINE, loads `board`, finds
// its driver key as the start-up does, and launches a game with `game`'s tweaks from
// the game list through GameLauncher, with restoring on and a fake game that ends
// at once.
RoundTrip RunRoundTrip(RegistryStore& store, const BoardScenario& board, const TSettings& game,
                       KeyUse keys = KeyUse::PerOperation);

}  // namespace pallisar::test
