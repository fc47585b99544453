#pragma once
// The registry component: a base key (`Key` under `RootKey`) and values addressed
// by relative names, sub-key path and value name joined by backslashes
// ("Glide Splash Screen\Value"). Every operation opens its own key through the
// RegistryStore and releases it before returning; with an empty `Key` an operation
// does nothing (reads yield their default).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "tweaks/brk_apart.h"

namespace pallisar {

enum class TRootKey { hkClassesRoot, hkCurrentConfig, hkCurrentUser, hkDynData, hkLocalMachine, hkUsers };

class TRegistryEnhanced {
public:
    explicit TRegistryEnhanced(RegistryStore& store) : store_(store) {}

    std::string Key;
    TRootKey RootKey = TRootKey::hkCurrentUser;

    // Writes a string value (REG_SZ), creating the key path when missing.
    // Throws RegistryError "Failed to set data for '<value name>'" when refused.
    void WriteValue(std::string_view name, std::string_view value);
    // Writes a REG_DWORD value; same failure as above.
    void WriteValue(std::string_view name, uint32_t value);
    // A REG_SZ value's text or a REG_DWORD value's number in decimal; empty for any
    // other type and for a missing value or key. Throws RegistryError
    // "Failed to get data for '%s'" when a present value cannot be read.
    std::string ReadValue(std::string_view name);
    // As ReadValue, but `fallback` whenever the value cannot be read as text or number.
    std::string ReadValueDefault(std::string_view name, std::string_view fallback);
    // Replaces `list` with the sub-key names of Key (or Key\subPath); leaves it as
    // it was when that key cannot be opened.
    void GetKeyNames(std::string_view subPath, std::vector<std::string>& list);
    // Deletes a value when its key exists; a missing value or a refusal is ignored.
    void DeleteValue(std::string_view name);

    // Path helpers, see the component's description.
    static std::string TrimSlashes(std::string_view s);
    static std::string ParentPath(std::string_view name);
    static std::string ValueName(std::string_view name);

private:
    RegistryStore& store_;
    TBrkApart splitter_;
};

}  // namespace pallisar
