#pragma once
// The tweak engine on an in-memory registry: a dual-group driver key, a store that
// can refuse chosen values, a recording log and the driver state of a quad-chip board.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/memory_registry.h"
#include "support/recording_log.h"
#include "support/tweak_scenarios.h"
#include "tweaks/driver_state.h"

namespace pallisar::test {

inline const std::string kFixtureDriverKey = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

class TweakEngineTest : public testing::Test {
  protected:
    MemoryRegistry memory;
    ValueRefusingStore store{memory};
    TRegistryEnhanced reg{store};
    RecordingLog log;
    DriverState driver{kFixtureDriverKey, false, "QuadChipAASLI"};
    TweakContext context{reg, log, driver};

    // Every value below the driver key.
    ValueMap Tree() { return ReadValueTree(memory, kFixtureDriverKey); }
    // One value of Tree(), by its full name; none when absent.
    std::optional<std::string> Value(const std::string& name) {
        const ValueMap tree = Tree();
        const auto found = tree.find(name);
        if (found == tree.end()) return std::nullopt;
        return found->second;
    }
};

}  // namespace pallisar::test
