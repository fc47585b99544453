#pragma once
// Simulated 3dfx boards in the Wine prefix's registry, and reads of the registry as the
// program left it. The harness shares the program's prefix, so it sees the same registry.

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pallisar::e2e {

// The board fixture file of this name ("voodoo5_dual" and so on).
std::string BoardFile(const std::string& board);

// Removes every board the fixtures can create (the 3dfx PCI ids of both registry layouts,
// the driver keys, the per-program Windows version), then imports the named board with
// regedit. An empty name leaves the registry without any board.
testing::AssertionResult LoadBoard(const std::string& board);

// Makes Wine report this Windows version ("win95", "win98", "winme", "nt40", "win2k",
// "winxp") to pallisar.exe alone, from its next start on; an empty one removes the
// setting, so that it gets Wine's own version again.
testing::AssertionResult ReportWindowsVersion(const std::string& version);

// Imports a REGEDIT4 file with "regedit /s" and waits for it.
testing::AssertionResult ImportRegFile(const std::string& path);

// Deletes a key with all its sub-keys; true when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
// A string value; nullopt when the key or value is missing or not a string.
std::optional<std::string> ReadRegString(HKEY root, const std::string& path,
                                         const std::string& name);
std::vector<std::string> SubKeyNames(HKEY root, const std::string& path);

// The keys headed in a REGEDIT4 file that carry at least one value, split into root and
// path ("HKEY_LOCAL_MACHINE\A\B" gives HKEY_LOCAL_MACHINE and "A\B").
struct RegKeyName {
    HKEY root = nullptr;
    std::string path;
};
std::vector<RegKeyName> KeysWithValues(const std::string& regFileText);

}  // namespace pallisar::e2e
