#pragma once
// The registry component: a base key (`Key` under `RootKey`) and values addressed
// by relative names, sub-key path and value name joined by backslashes
// ("Glide Splash Screen\Value"). Every operation opens its own key through the
// RegistryStore and releases it before returning, except while a KeepKeysOpen scope
// lives (see tweaks/operation_keys.h); with an empty `Key` an operation does nothing
// (reads yield their default). A key that cannot be opened for reading or deleting is
// never reported; the operation has no effect.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "platform/registry_store.h"
#include "tweaks/brk_apart.h"
#include "tweaks/operation_keys.h"

namespace pallisar {

// The error of a write whose key could not be opened or created, as the registry
// answers a user without the rights to that key: the text of any refused write
// ("Failed to set data for '<value name>'"), told apart for a caller that lets such a
// write pass without a message.
class RegistryKeyError : public RegistryError {
  public:
    using RegistryError::RegistryError;
};

enum class TRootKey {
    hkClassesRoot,
    hkCurrentConfig,
    hkCurrentUser,
    hkDynData,
    hkLocalMachine,
    hkUsers
};

class TRegistryEnhanced {
  public:
    explicit TRegistryEnhanced(RegistryStore& store) : keys_(store) {}

    // For a burst of operations that follow each other at once: while one lives, the
    // keys the operations open stay open for the next operations on the same keys;
    // all are released when the last one ends. The results are those of operations
    // that open their own keys.
    class KeepKeysOpen {
      public:
        explicit KeepKeysOpen(TRegistryEnhanced& reg) : keys_(reg.keys_) { keys_.Hold(); }
        ~KeepKeysOpen() { keys_.Release(); }
        KeepKeysOpen(const KeepKeysOpen&) = delete;
        KeepKeysOpen& operator=(const KeepKeysOpen&) = delete;

      private:
        OperationKeys& keys_;
    };

    std::string Key;
    TRootKey RootKey = TRootKey::hkCurrentUser;

    // The registry itself, for work on whole key trees that values addressed by name
    // cannot do (types other than strings and numbers, removing keys).
    RegistryStore& Store() const { return keys_.Store(); }

    // Writes a string value (REG_SZ), creating the key path when missing.
    // Throws RegistryError "Failed to set data for '<value name>'" when the registry
    // refuses the key (then a RegistryKeyError) or the value: a tweak that did not
    // reach the driver must not pass for written.
    void WriteValue(std::string_view name, std::string_view value);
    // Writes a REG_DWORD value; same failure as above.
    void WriteValue(std::string_view name, uint32_t value);
    // A REG_SZ value's text or a REG_DWORD value's number in signed decimal; empty
    // for any other type and for a missing value or key. Throws RegistryError
    // "Failed to get data for '<value name>'" when a present value cannot be read,
    // and "Invalid data type for '<value name>'" for a REG_DWORD that is not 4 bytes.
    std::string ReadValue(std::string_view name);
    // As ReadValue, but `fallback` whenever the value cannot be read as text or number.
    std::string ReadValueDefault(std::string_view name, std::string_view fallback);
    // Replaces `list` with the sub-key names of Key (or Key\subPath); leaves it as
    // it was when that key cannot be opened.
    void GetKeyNames(std::string_view subPath, std::vector<std::string>& list);
    // Deletes a value when its key exists; a missing value or a refusal is ignored.
    void DeleteValue(std::string_view name);

    // Drops one trailing backslash, then one leading backslash when more than one
    // character remains.
    static std::string TrimSlashes(std::string_view s);
    // The sub-key part of a relative name, each piece preceded by a backslash
    // (Glide\Sub\FX gives \Glide\Sub); empty for a name of one piece. Empty pieces
    // (doubled backslashes) are dropped.
    static std::string ParentPath(std::string_view name);
    // The last piece of a relative name; a name of one piece is returned unchanged.
    static std::string ValueName(std::string_view name);

  private:
    // Pieces of a relative name, empty ones dropped.
    static std::vector<std::string> Pieces(std::string_view name);
    // The store's root that RootKey names.
    RegRoot Root() const;
    void WriteData(std::string_view name, const RegValue& value);
    // The key that holds the value `name` addresses, from the root: "\" + Key (trimmed)
    // + the name's sub-key part.
    std::string ValueKeyPath(std::string_view name) const;
    // Reads the value `name` addresses; nothing when its key cannot be opened.
    std::optional<long> Query(std::string_view name, RegValue& value);

    OperationKeys keys_;
};

}  // namespace pallisar
