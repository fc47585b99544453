#include "tweaks/operation_keys.h"

#include "core/text.h"

namespace pallisar {

namespace {

// Whether a key opened with `held` serves an operation that asks for `wanted`. A key
// open for writing proves that it exists, so it serves a create as well.
bool Serves(KeyAccess held, KeyAccess wanted) {
    return wanted == KeyAccess::Read || held != KeyAccess::Read;
}

}  // namespace

std::unique_ptr<RegistryKey> OperationKeys::Open(RegRoot root, std::string_view path,
                                                 KeyAccess access, long* openError) {
    std::unique_ptr<RegistryKey> key;
    const long result = access == KeyAccess::Create
                            ? store_.CreateKey(root, path, key)
                            : store_.OpenKey(root, path, access == KeyAccess::Write, key);
    if (result == regError::kSuccess) return key;
    if (openError) *openError = result;
    return nullptr;
}

std::optional<long> OperationKeys::Use(RegRoot root, std::string_view path, KeyAccess access,
                                       const Operation& operation, long* openError) {
    if (holds_ == 0) {
        const auto key = Open(root, path, access, openError);
        if (!key) return std::nullopt;
        return operation(*key);
    }

    KeyId id{root, UpperCase(path)};
    const auto found = held_.find(id);
    if (found != held_.end() && Serves(found->second.access, access)) {
        const long result = operation(*found->second.key);
        if (result != regError::kKeyDeleted) return result;
        held_.erase(found);  // deleted behind our back: open it as a new operation would
    }
    // A key read in a burst is usually written next (a launch reads a driver value,
    // then writes it): opened for writing when the user may, it serves both.
    KeyAccess opened = access == KeyAccess::Read ? KeyAccess::Write : access;
    long error = regError::kSuccess;
    auto key = Open(root, path, opened, &error);
    if (!key && opened != access && error != regError::kFileNotFound) {
        opened = access;  // the user may only read it
        key = Open(root, path, opened, &error);
    }
    if (!key) {
        if (openError) *openError = error;
        return std::nullopt;
    }
    const long result = operation(*key);
    held_[std::move(id)] = HeldKey{std::move(key), opened};
    return result;
}

void OperationKeys::Release() {
    if (holds_ > 0 && --holds_ == 0) held_.clear();
}

}  // namespace pallisar
