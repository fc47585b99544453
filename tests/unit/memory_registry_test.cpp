#include "platform/memory_registry.h"

#include <gtest/gtest.h>

#include "support/registry_contract.h"

using namespace pallisar;
using namespace pallisar::test;

INSTANTIATE_TEST_SUITE_P(Memory, RegistryContractTest,
                         testing::Values(RegistryStoreFactory{
                             "Memory", [] { return std::make_unique<MemoryRegistry>(); }}),
                         RegistryContractCaseName);

// The test hooks that other tests rely on to simulate a locked registry.
TEST(MemoryRegistry, RefusedWritesBelowAKey) {
    MemoryRegistry store;
    std::unique_ptr<RegistryKey> early;
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv\\Glide", early), regError::kSuccess);
    std::unique_ptr<RegistryKey> sibling;
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv2", sibling), regError::kSuccess);
    store.RefuseWritesBelow(RegRoot::LocalMachine, "DRV");

    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv\\Glide\\New", key),
              regError::kAccessDenied);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide\\New", false, key),
              regError::kFileNotFound);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide", true, key),
              regError::kAccessDenied);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide", false, key), regError::kSuccess);
    EXPECT_EQ(early->SetValue("V", RegValue::Text("1")), regError::kAccessDenied);
    EXPECT_EQ(store.DeleteTree(RegRoot::LocalMachine, "Drv\\Glide"), regError::kAccessDenied);
    // A key whose name merely begins the same way, and other roots, stay writable.
    EXPECT_EQ(sibling->SetValue("V", RegValue::Text("1")), regError::kSuccess);
    EXPECT_EQ(store.CreateKey(RegRoot::CurrentUser, "Drv", key), regError::kSuccess);

    store.AcceptAllWrites();
    EXPECT_EQ(early->SetValue("V", RegValue::Text("1")), regError::kSuccess);
}

TEST(MemoryRegistry, CountsHandles) {
    MemoryRegistry store;
    {
        std::unique_ptr<RegistryKey> a, b;
        store.CreateKey(RegRoot::CurrentUser, "A", a);
        store.OpenKey(RegRoot::CurrentUser, "A", false, b);
        store.OpenKey(RegRoot::CurrentUser, "Missing", false, b);
        EXPECT_EQ(store.OpenHandles(), 2);
    }
    EXPECT_EQ(store.OpenHandles(), 0);
    EXPECT_EQ(store.HandlesOpened(), 2);
}

TEST(MemoryRegistry, RootsAreSeparate) {
    MemoryRegistry store;
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Enum\\PCI", key), regError::kSuccess);
    EXPECT_EQ(store.OpenKey(RegRoot::CurrentUser, "Enum", false, key), regError::kFileNotFound);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "", false, key), regError::kSuccess);
    std::vector<std::string> names;
    ASSERT_EQ(key->EnumSubKeys(names), regError::kSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"Enum"});
    EXPECT_EQ(store.DeleteTree(RegRoot::LocalMachine, ""), regError::kAccessDenied);
}
