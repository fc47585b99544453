#pragma once
// A registry kept in memory, for builds and tests without Windows. It behaves as
// the Windows registry does under Wine (see registry_store.h); test hooks let a
// test refuse writes below a key and count the handles the code under test opens.

#include <memory>
#include <string_view>

#include "platform/registry_store.h"

namespace pallisar {

class MemoryRegistry final : public RegistryStore {
  public:
    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override;
    long CreateKey(RegRoot root, std::string_view path, std::unique_ptr<RegistryKey>& key) override;
    long DeleteTree(RegRoot root, std::string_view path) override;
    // Nothing to write anywhere: succeeds for a key that exists.
    long FlushKey(RegRoot root, std::string_view path) override;

    // From now on every write at or below root\path fails with kAccessDenied, as on
    // a key whose permissions allow reading only: opening it for writing, creating
    // keys there, and setting or deleting values through handles opened earlier.
    void RefuseWritesBelow(RegRoot root, std::string_view path);
    void AcceptAllWrites();

    // Handles currently open, and handles opened since construction.
    int OpenHandles() const;
    int HandlesOpened() const;

  private:
    struct Node;
    struct State;
    class Key;
    std::shared_ptr<State> state_;
};

}  // namespace pallisar
