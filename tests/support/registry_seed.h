#pragma once
// Puts keys and values into a RegistryStore for a test, below HKEY_LOCAL_MACHINE.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/registry_store.h"

namespace pallisar::test {

// Creates the key `path` (and every key above it) and sets one value in it.
inline testing::AssertionResult SeedValue(RegistryStore& store, std::string_view path,
                                          std::string_view name, const RegValue& value) {
    std::unique_ptr<RegistryKey> key;
    long rc = store.CreateKey(RegRoot::LocalMachine, path, key);
    if (rc != regError::kSuccess) {
        return testing::AssertionFailure() << "cannot create " << path << ": " << rc;
    }
    rc = key->SetValue(name, value);
    if (rc != regError::kSuccess) {
        return testing::AssertionFailure() << "cannot set " << path << "\\" << name << ": " << rc;
    }
    return testing::AssertionSuccess();
}

inline testing::AssertionResult SeedText(RegistryStore& store, std::string_view path,
                                         std::string_view name, std::string_view text) {
    return SeedValue(store, path, name, RegValue::Text(text));
}

// Creates the key `path` without values.
inline testing::AssertionResult SeedKey(RegistryStore& store, std::string_view path) {
    std::unique_ptr<RegistryKey> key;
    const long rc = store.CreateKey(RegRoot::LocalMachine, path, key);
    if (rc != regError::kSuccess) {
        return testing::AssertionFailure() << "cannot create " << path << ": " << rc;
    }
    return testing::AssertionSuccess();
}

}  // namespace pallisar::test
