#pragma once
// The keys the registry component's operations work on. Outside a hold, every
// operation opens its own key and releases it before returning. While held (a launch
// writing a hundred values into a dozen keys), a key opened once is kept open and used
// again by the next operations on the same path, until the hold ends; then every key
// is released. A key that a held read opens is opened for writing when the registry
// allows it, so that the writes that follow use it too. A held key that someone else
// deleted meanwhile is opened afresh, so an operation sees exactly what it would have
// seen with a key of its own.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/registry_store.h"

namespace pallisar {

enum class KeyAccess {
    Read,    // open an existing key for reading
    Write,   // open an existing key for reading and writing
    Create,  // open for reading and writing, creating every missing key on the path
};

class OperationKeys {
  public:
    using Operation = std::function<long(RegistryKey&)>;

    explicit OperationKeys(RegistryStore& store) : store_(store) {}

    // Runs `operation` on the key at `path` (relative to `root`) opened with `access`
    // and returns its result; nothing when the key cannot be opened, the registry's
    // error for that then going to *openError when given.
    std::optional<long> Use(RegRoot root, std::string_view path, KeyAccess access,
                            const Operation& operation, long* openError = nullptr);

    // Holds keys until as many Release calls as Hold calls have been made.
    void Hold() { ++holds_; }
    void Release();
    // The number of keys held open now.
    std::size_t HeldCount() const { return held_.size(); }
    // The registry the operations reach.
    RegistryStore& Store() const { return store_; }

  private:
    struct HeldKey {
        std::unique_ptr<RegistryKey> key;
        KeyAccess access;
    };
    using KeyId = std::pair<RegRoot, std::string>;  // path in upper case

    std::unique_ptr<RegistryKey> Open(RegRoot root, std::string_view path, KeyAccess access,
                                      long* openError);

    RegistryStore& store_;
    int holds_ = 0;
    std::map<KeyId, HeldKey> held_;
};

}  // namespace pallisar
