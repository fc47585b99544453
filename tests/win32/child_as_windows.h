#pragma once
// Tests that must see an older Windows than Wine's default: this test program runs
// some of its own tests again in a child process that Wine reports the chosen version
// to (its per-program setting), so that GetVersionExA itself answers as the old system
// would.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pallisar::test {

// Runs this program's tests matching `filter` in a child that Wine runs as `version`
// ("win95", "win98", "nt40", ...). Succeeds when the child passed and ran each of
// `mustRun` ("Suite.Name") rather than skipping it; otherwise carries its output.
testing::AssertionResult RunTestsAsWindows(const std::string& version, const std::string& filter,
                                           const std::vector<std::string>& mustRun);

// True in such a child: its tests skip themselves everywhere else.
bool InChildAsOldWindows();

}  // namespace pallisar::test
