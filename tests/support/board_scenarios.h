#pragma once
// The simulated boards under tests/fixtures/boards and what the card detection
// must find on each. One definition serves the in-memory tests and the tests
// against Wine's registry, so both check the same expectations.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "platform/system_info.h"
#include "tweaks/card_detection.h"

namespace pallisar::test {

struct BoardScenario {
    std::string fixture;  // relative to tests/fixtures, for FixturePath()
    bool windowsNT = true;
    bool found = true;
    std::string driverKey;
    bool isVoodoo3 = false;
    std::string sliMode;
    std::string description;
    std::vector<std::string> log;
};

const std::vector<BoardScenario>& BoardScenarios();

// What one run of DetectCard left behind.
struct DetectionOutcome {
    CardDetection result;
    DriverState driver;
    std::vector<std::string> log;
};

// Runs DetectCard on `store` with a fresh driver state, as the main window does
// once at start-up.
DetectionOutcome DetectOn(RegistryStore& store, const SystemInfo& system);

// Success when the outcome is the scenario's, field by field; the failure names
// every field that differs.
testing::AssertionResult MatchesScenario(const DetectionOutcome& outcome,
                                         const BoardScenario& scenario);

// Removes from HKEY_LOCAL_MACHINE every key tree that any board file creates (the
// PCI device ids and the driver keys), so that the next board starts clean. Keys
// the files merely pass through (SYSTEM, Services, ...) stay.
void RemoveBoards(RegistryStore& store);

}  // namespace pallisar::test
