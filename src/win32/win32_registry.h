#pragma once
// The Windows registry behind the RegistryStore interface (RegOpenKeyExA and
// friends). Every key it hands out owns its HKEY and closes it when destroyed.

#include "platform/registry_store.h"

namespace pallisar {

class Win32Registry final : public RegistryStore {
  public:
    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override;
    long CreateKey(RegRoot root, std::string_view path, std::unique_ptr<RegistryKey>& key) override;
    long DeleteTree(RegRoot root, std::string_view path) override;
    long FlushKey(RegRoot root, std::string_view path) override;
    // FormatMessageA's text for the code.
    std::string ErrorText(long code) const override;
};

}  // namespace pallisar
