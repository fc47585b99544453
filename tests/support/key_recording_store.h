#pragma once
// A RegistryStore that passes every call on to another store and remembers the
// paths of the keys opened for reading, so a test can tell which keys were read.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace pallisar::test {

class KeyRecordingStore : public RegistryStore {
  public:
    explicit KeyRecordingStore(RegistryStore& inner) : inner_(inner) {}

    long OpenKey(RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<RegistryKey>& key) override {
        if (!write) openedForReading.emplace_back(path);
        return inner_.OpenKey(root, path, write, key);
    }
    long CreateKey(RegRoot root, std::string_view path,
                   std::unique_ptr<RegistryKey>& key) override {
        return inner_.CreateKey(root, path, key);
    }
    long DeleteTree(RegRoot root, std::string_view path) override {
        return inner_.DeleteTree(root, path);
    }
    long FlushKey(RegRoot root, std::string_view path) override {
        return inner_.FlushKey(root, path);
    }

    // True when a key whose path contains `part` was opened for reading.
    bool Read(std::string_view part) const {
        for (const std::string& path : openedForReading) {
            if (path.find(part) != std::string::npos) return true;
        }
        return false;
    }

    std::vector<std::string> openedForReading;

  private:
    RegistryStore& inner_;
};

}  // namespace pallisar::test
