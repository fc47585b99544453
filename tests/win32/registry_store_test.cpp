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
