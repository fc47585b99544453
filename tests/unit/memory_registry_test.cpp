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
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv\\Glide", early), reg_error::kSuccess);
    std::unique_ptr<RegistryKey> sibling;
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv2", sibling), reg_error::kSuccess);
    store.RefuseWritesBelow(RegRoot::LocalMachine, "DRV");

    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(store.CreateKey(RegRoot::LocalMachine, "Drv\\Glide\\New", key),
              reg_error::kAccessDenied);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide\\New", false, key),
              reg_error::kFileNotFound);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide", true, key),
              reg_error::kAccessDenied);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "Drv\\Glide", false, key), reg_error::kSuccess);
    EXPECT_EQ(early->SetValue("V", RegValue::Text("1")), reg_error::kAccessDenied);
    EXPECT_EQ(store.DeleteTree(RegRoot::LocalMachine, "Drv\\Glide"), reg_error::kAccessDenied);
    // A key whose name merely begins the same way, and other roots, stay writable.
    EXPECT_EQ(sibling->SetValue("V", RegValue::Text("1")), reg_error::kSuccess);
    EXPECT_EQ(store.CreateKey(RegRoot::CurrentUser, "Drv", key), reg_error::kSuccess);

    store.AcceptAllWrites();
    EXPECT_EQ(early->SetValue("V", RegValue::Text("1")), reg_error::kSuccess);
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
    ASSERT_EQ(store.CreateKey(RegRoot::LocalMachine, "Enum\\PCI", key), reg_error::kSuccess);
    EXPECT_EQ(store.OpenKey(RegRoot::CurrentUser, "Enum", false, key), reg_error::kFileNotFound);
    EXPECT_EQ(store.OpenKey(RegRoot::LocalMachine, "", false, key), reg_error::kSuccess);
    std::vector<std::string> names;
    ASSERT_EQ(key->EnumSubKeys(names), reg_error::kSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"Enum"});
    EXPECT_EQ(store.DeleteTree(RegRoot::LocalMachine, ""), reg_error::kAccessDenied);
}
