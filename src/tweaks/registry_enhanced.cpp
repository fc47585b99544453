#include "tweaks/registry_enhanced.h"

#include "core/errors.h"

namespace pallisar {

namespace {

// Key paths are built absolute ("\" + path, as the component's callers know them);
// the store takes them relative to the root, so the one leading backslash goes.
std::string_view StorePath(std::string_view absolute) {
    if (!absolute.empty() && absolute.front() == '\\') absolute.remove_prefix(1);
    return absolute;
}

std::string Quoted(const char* what, std::string_view valueName) {
    return std::string(what) + " '" + std::string(valueName) + "'";
}

// The program's text for a value read from the registry; false when the value's
// type is neither REG_SZ nor a 4-byte REG_DWORD.
bool ValueText(const RegValue& value, std::string& text) {
    if (value.type == RegType::String) {
        // Text ends at the first zero, as every Windows string does.
        text = value.data.substr(0, value.data.find('\0'));
        return true;
    }
    if (value.type == RegType::Dword && value.data.size() == 4) {
        text = std::to_string(static_cast<int32_t>(value.AsDword()));
        return true;
    }
    return false;
}

// The store's root that a TRootKey names.
RegRoot StoreRoot(TRootKey root) {
    switch (root) {
        case TRootKey::hkClassesRoot:
            return RegRoot::ClassesRoot;
        case TRootKey::hkCurrentConfig:
            return RegRoot::CurrentConfig;
        case TRootKey::hkCurrentUser:
            return RegRoot::CurrentUser;
        case TRootKey::hkDynData:
            return RegRoot::DynData;
        case TRootKey::hkLocalMachine:
            return RegRoot::LocalMachine;
        case TRootKey::hkUsers:
            return RegRoot::Users;
    }
    return RegRoot::CurrentUser;
}

// The key that holds the value `name` addresses below the base key `base`, from the
// root: "\\" + the base key (trimmed) + the name's sub-key part.
std::string ValueKeyPath(std::string_view base, std::string_view name) {
    return "\\" + TRegistryEnhanced::TrimSlashes(base) + TRegistryEnhanced::ParentPath(name);
}

}  // namespace

std::vector<std::string> TRegistryEnhanced::Pieces(std::string_view name) {
    TBrkApart splitter;
    splitter.BreakString = "\\";
    splitter.BaseString = std::string(name);
    splitter.AllowEmptyString = false;
    splitter.Split();
    return std::move(splitter.StringList);
}

std::string TRegistryEnhanced::TrimSlashes(std::string_view s) {
    if (!s.empty() && s.back() == '\\') s.remove_suffix(1);
    if (s.size() > 1 && s.front() == '\\') s.remove_prefix(1);
    return std::string(s);
}

std::string TRegistryEnhanced::ParentPath(std::string_view name) {
    const auto pieces = Pieces(name);
    std::string path;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) path += "\\" + pieces[i];
    return path;
}

std::string TRegistryEnhanced::ValueName(std::string_view name) {
    auto pieces = Pieces(name);
    return pieces.size() >= 2 ? std::move(pieces.back()) : std::string(name);
}

void TRegistryEnhanced::BaseKey::WriteValue(std::string_view name, std::string_view value) const {
    reg_.WriteData(*this, name, RegValue::Text(value));
}

void TRegistryEnhanced::BaseKey::WriteValue(std::string_view name, uint32_t value) const {
    reg_.WriteData(*this, name, RegValue::Dword(value));
}

std::optional<long> TRegistryEnhanced::Query(const BaseKey& at, std::string_view name,
                                             RegValue& value) {
    const std::string valueName = ValueName(name);
    return keys_.Use(StoreRoot(at.root_), StorePath(ValueKeyPath(at.path_, name)), KeyAccess::Read,
                     [&](RegistryKey& key) { return key.QueryValue(valueName, value); });
}

void TRegistryEnhanced::WriteData(const BaseKey& at, std::string_view name, const RegValue& value) {
    if (at.path_.empty()) return;
    const std::string valueName = ValueName(name);
    long openError = 0;
    const auto result = keys_.Use(
        StoreRoot(at.root_), StorePath(ValueKeyPath(at.path_, name)), KeyAccess::Create,
        [&](RegistryKey& key) { return key.SetValue(valueName, value); }, &openError);
    if (!result) throw RegistryKeyError(Quoted("Failed to set data for", valueName), openError);
    if (*result != regError::kSuccess)
        throw RegistryError(Quoted("Failed to set data for", valueName), *result);
}

std::string TRegistryEnhanced::BaseKey::ReadValue(std::string_view name) const {
    if (path_.empty()) return {};
    const std::string valueName = ValueName(name);
    RegValue value;
    const auto result = reg_.Query(*this, name, value);
    if (!result || *result == regError::kFileNotFound) return {};
    if (*result != regError::kSuccess)
        throw RegistryError(Quoted("Failed to get data for", valueName));
    if (value.type == RegType::Dword && value.data.size() != 4)
        throw RegistryError(Quoted("Invalid data type for", valueName));
    std::string text;
    return ValueText(value, text) ? text : std::string();
}

std::string TRegistryEnhanced::BaseKey::ReadValueDefault(std::string_view name,
                                                         std::string_view fallback) const {
    if (path_.empty()) return std::string(fallback);
    RegValue value;
    const auto result = reg_.Query(*this, name, value);
    std::string text;
    if (result != regError::kSuccess || !ValueText(value, text)) return std::string(fallback);
    return text;
}

void TRegistryEnhanced::BaseKey::GetKeyNames(std::string_view subPath,
                                             std::vector<std::string>& list, long* error) const {
    if (error) *error = regError::kSuccess;
    if (path_.empty()) return;
    std::string path = "\\" + TrimSlashes(path_);
    if (!subPath.empty()) path += "\\" + TrimSlashes(subPath);
    std::vector<std::string> names;
    long openError = regError::kSuccess;
    const auto result = reg_.keys_.Use(
        StoreRoot(root_), StorePath(path), KeyAccess::Read,
        [&](RegistryKey& key) { return key.EnumSubKeys(names); }, &openError);
    if (result == regError::kSuccess) {
        list = std::move(names);
    } else if (error) {
        *error = result ? *result : openError;
    }
}

long TRegistryEnhanced::BaseKey::GetValues(std::vector<NamedRegValue>& list) const {
    if (path_.empty()) return regError::kFileNotFound;
    std::vector<NamedRegValue> values;
    long openError = regError::kSuccess;
    const auto result = reg_.keys_.Use(
        StoreRoot(root_), StorePath("\\" + TrimSlashes(path_)), KeyAccess::Read,
        [&](RegistryKey& key) { return key.EnumValueData(values); }, &openError);
    if (!result) return openError;
    if (*result == regError::kSuccess) list = std::move(values);
    return *result;
}

long TRegistryEnhanced::BaseKey::DeleteValue(std::string_view name) const {
    if (path_.empty()) return regError::kFileNotFound;
    // Unlike the other operations, the base key is used as it stands here.
    const std::string path = "\\" + path_ + ParentPath(name);
    const std::string valueName = ValueName(name);
    // A missing key, a missing value and a refusal have no effect.
    long openError = regError::kSuccess;
    const auto result = reg_.keys_.Use(
        StoreRoot(root_), StorePath(path), KeyAccess::Write,
        [&](RegistryKey& key) { return key.DeleteValue(valueName); }, &openError);
    return result ? *result : openError;
}

}  // namespace pallisar
