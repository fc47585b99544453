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

RegRoot TRegistryEnhanced::Root() const {
    switch (RootKey) {
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

void TRegistryEnhanced::WriteValue(std::string_view name, std::string_view value) {
    WriteData(name, RegValue::Text(value));
}

void TRegistryEnhanced::WriteValue(std::string_view name, uint32_t value) {
    WriteData(name, RegValue::Dword(value));
}

std::string TRegistryEnhanced::ValueKeyPath(std::string_view name) const {
    return "\\" + TrimSlashes(Key) + ParentPath(name);
}

std::optional<long> TRegistryEnhanced::Query(std::string_view name, RegValue& value) {
    const std::string valueName = ValueName(name);
    return keys_.Use(Root(), StorePath(ValueKeyPath(name)), KeyAccess::Read,
                     [&](RegistryKey& key) { return key.QueryValue(valueName, value); });
}

void TRegistryEnhanced::WriteData(std::string_view name, const RegValue& value) {
    if (Key.empty()) return;
    const std::string valueName = ValueName(name);
    const auto result = keys_.Use(Root(), StorePath(ValueKeyPath(name)), KeyAccess::Create,
                                  [&](RegistryKey& key) { return key.SetValue(valueName, value); });
    if (!result) throw RegistryKeyError(Quoted("Failed to set data for", valueName));
    if (*result != regError::kSuccess)
        throw RegistryError(Quoted("Failed to set data for", valueName));
}

std::string TRegistryEnhanced::ReadValue(std::string_view name) {
    if (Key.empty()) return {};
    const std::string valueName = ValueName(name);
    RegValue value;
    const auto result = Query(name, value);
    if (!result || *result == regError::kFileNotFound) return {};
    if (*result != regError::kSuccess)
        throw RegistryError(Quoted("Failed to get data for", valueName));
    if (value.type == RegType::Dword && value.data.size() != 4)
        throw RegistryError(Quoted("Invalid data type for", valueName));
    std::string text;
    return ValueText(value, text) ? text : std::string();
}

std::string TRegistryEnhanced::ReadValueDefault(std::string_view name, std::string_view fallback) {
    if (Key.empty()) return std::string(fallback);
    RegValue value;
    const auto result = Query(name, value);
    std::string text;
    if (result != regError::kSuccess || !ValueText(value, text)) return std::string(fallback);
    return text;
}

void TRegistryEnhanced::GetKeyNames(std::string_view subPath, std::vector<std::string>& list) {
    if (Key.empty()) return;
    std::string path = "\\" + TrimSlashes(Key);
    if (!subPath.empty()) path += "\\" + TrimSlashes(subPath);
    std::vector<std::string> names;
    const auto result = keys_.Use(Root(), StorePath(path), KeyAccess::Read,
                                  [&](RegistryKey& key) { return key.EnumSubKeys(names); });
    if (result == regError::kSuccess) list = std::move(names);
}

void TRegistryEnhanced::DeleteValue(std::string_view name) {
    if (Key.empty()) return;
    // Unlike the other operations, the base key is used as it stands here.
    const std::string path = "\\" + Key + ParentPath(name);
    const std::string valueName = ValueName(name);
    // A missing key, a missing value and a refusal are all ignored.
    keys_.Use(Root(), StorePath(path), KeyAccess::Write,
              [&](RegistryKey& key) { return key.DeleteValue(valueName); });
}

}  // namespace pallisar
