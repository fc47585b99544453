#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "support/registry_contract.h"
#include "win32/win32_registry.h"

using namespace pallisar;
using namespace pallisar::test;

// The same contract against the real registry (here: Wine's) and the in-memory one,
// in one program, so that both are measured against the same Windows.
INSTANTIATE_TEST_SUITE_P(
    Stores, RegistryContractTest,
    testing::Values(RegistryStoreFactory{"Win32", [] { return std::make_unique<Win32Registry>(); }},
                    RegistryStoreFactory{"Memory",
                                         [] { return std::make_unique<MemoryRegistry>(); }}),
    RegistryContractCaseName);

// What the user reads for a refused write: the system's own sentence, without the line
// break it ends with.
TEST(Win32RegistryErrorText, IsTheSystemsSentence) {
    const std::string text = Win32Registry().ErrorText(regError::kAccessDenied);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find("ccess"), std::string::npos) << text;
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}
