#pragma once
// The registry component: a base key (`Key` under `RootKey`) and values addressed
// by relative names, sub-key path and value name joined by backslashes
// ("Glide Splash Screen\Value"). Every operation opens its own key through the
// RegistryStore and releases it before returning, except while a KeepKeysOpen scope
// lives (see tweaks/operation_keys.h); with an empty base key an operation does nothing
// (reads yield their default). A key that cannot be opened for reading or deleting is
// never reported; the operation has no effect.
//
// The operations also come with the base key as an argument (At): the program's own
// code names the key of every operation so, and leaves the shared Key and RootKey to
// the component's other callers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

    // One base key and the component's operations on the values below it, with the
    // rules described for them below. Made by At; valid as long as the component.
    class BaseKey {
      public:
        // The base key's path, as given to At.
        const std::string& Path() const { return path_; }
        void WriteValue(std::string_view name, std::string_view value) const;
        void WriteValue(std::string_view name, uint32_t value) const;
        std::string ReadValue(std::string_view name) const;
        std::string ReadValueDefault(std::string_view name, std::string_view fallback) const;
        // As the component's GetKeyNames; the registry's error of a key that cannot be
        // opened or listed goes to *error when given (kSuccess otherwise).
        void GetKeyNames(std::string_view subPath, std::vector<std::string>& list,
                         long* error = nullptr) const;
        // Replaces `list` with every value of the base key itself, whatever its type.
        // Returns the registry's answer: kSuccess, or the error of a key that cannot be
        // opened or of a value that cannot be read (`list` is then as it was).
        long GetValues(std::vector<NamedRegValue>& list) const;
        // As the component's DeleteValue, which ignores what the registry answers; that
        // answer is returned for a caller that must tell a refusal apart: kSuccess,
        // kFileNotFound for a missing key or value, or the error of the refusal.
        long DeleteValue(std::string_view name) const;

      private:
        friend class TRegistryEnhanced;
        BaseKey(TRegistryEnhanced& reg, TRootKey root, std::string path)
            : reg_(reg), root_(root), path_(std::move(path)) {}
        TRegistryEnhanced& reg_;
        TRootKey root_;
        std::string path_;
    };
    // The values below `path` (relative to `root`, with or without a leading or
    // trailing backslash), whatever Key and RootKey hold.
    BaseKey At(TRootKey root, std::string path) { return BaseKey(*this, root, std::move(path)); }

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
    // refuses the key (then a RegistryKeyError) or the value, carrying the registry's
    // error code: a tweak that did not reach the driver must not pass for written.
    void WriteValue(std::string_view name, std::string_view value) {
        Current().WriteValue(name, value);
    }
    // Writes a REG_DWORD value; same failure as above.
    void WriteValue(std::string_view name, uint32_t value) { Current().WriteValue(name, value); }
    // A REG_SZ value's text or a REG_DWORD value's number in signed decimal; empty
    // for any other type and for a missing value or key. Throws RegistryError
    // "Failed to get data for '<value name>'" when a present value cannot be read,
    // and "Invalid data type for '<value name>'" for a REG_DWORD that is not 4 bytes.
    std::string ReadValue(std::string_view name) { return Current().ReadValue(name); }
    // As ReadValue, but `fallback` whenever the value cannot be read as text or number.
    std::string ReadValueDefault(std::string_view name, std::string_view fallback) {
        return Current().ReadValueDefault(name, fallback);
    }
    // Replaces `list` with the sub-key names of Key (or Key\subPath); leaves it as
    // it was when that key cannot be opened.
    void GetKeyNames(std::string_view subPath, std::vector<std::string>& list) {
        Current().GetKeyNames(subPath, list);
    }
    // Deletes a value when its key exists; a missing value or a refusal is ignored.
    void DeleteValue(std::string_view name) { Current().DeleteValue(name); }

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
    // The operations on the values below the base key `at`.
    void WriteData(const BaseKey& at, std::string_view name, const RegValue& value);
    // Reads the value `name` addresses below `at`; nothing when its key cannot be opened.
    std::optional<long> Query(const BaseKey& at, std::string_view name, RegValue& value);
    BaseKey Current() { return At(RootKey, Key); }

    OperationKeys keys_;
};

}  // namespace pallisar
