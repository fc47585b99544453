#pragma once
// One set of tests that every RegistryStore must pass, so that the in-memory store
// behaves as the Windows registry does. A test program instantiates it for a store:
//
//   INSTANTIATE_TEST_SUITE_P(Memory, RegistryContractTest,
//                            testing::Values(RegistryStoreFactory{"Memory", MakeIt}),
//                            RegistryContractCaseName);
//
// Each case works below HKCU\Software\PallisarTest\<case name>, which it removes
// before and after.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/registry_store.h"

namespace pallisar::test {

struct RegistryStoreFactory {
    std::string name;
    std::function<std::unique_ptr<RegistryStore>()> make;
};

// Test listings name the store rather than dumping the object's bytes.
inline void PrintTo(const RegistryStoreFactory& factory, std::ostream* out) {
    *out << factory.name;
}

class RegistryContractTest : public testing::TestWithParam<RegistryStoreFactory> {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The case's own key path below HKEY_CURRENT_USER, and paths below it.
    std::string Base() const { return base_; }
    std::string Below(const std::string& relative) const { return base_ + "\\" + relative; }

    std::unique_ptr<RegistryStore> store_;

  private:
    std::string base_;
};

// Names the instantiation after its store ("Memory", "Win32").
std::string RegistryContractCaseName(const testing::TestParamInfo<RegistryStoreFactory>& info);

}  // namespace pallisar::test
