#include "win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "win32/scoped_handle.h"

namespace pallisar {

namespace {

HKEY RootHandle(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
        case RegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegRoot::DynData:
            return HKEY_DYN_DATA;
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegRoot::Users:
            return HKEY_USERS;
    }
    return HKEY_CURRENT_USER;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// A value as read from the registry: a string's data loses its terminating zero.
RegValue ReadValue(DWORD type, std::string data) {
    if (IsStringType(type) && !data.empty() && data.back() == '\0') data.pop_back();
    return {static_cast<RegType>(type), std::move(data)};
}

// The first buffer for an enumerated name: every key name fits (255 characters at
// most); a longer value name is met with ERROR_MORE_DATA and a larger buffer. Asking
// the key for its longest name first would cost a call per key.
constexpr DWORD kFirstNameSize = 256;

// Names of the sub-keys (or values) of `key`, in the registry's order.
long EnumNames(HKEY key, bool subKeys, std::vector<std::string>& names) {
    std::vector<char> buffer(kFirstNameSize);
    std::vector<std::string> found;
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const long result = subKeys ? RegEnumKeyExA(key, index, buffer.data(), &length, nullptr,
                                                    nullptr, nullptr, nullptr)
                                    : RegEnumValueA(key, index, buffer.data(), &length, nullptr,
                                                    nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2 + 256);
            --index;
            continue;
        }
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        found.emplace_back(buffer.data(), length);
    }
    names = std::move(found);
    return ERROR_SUCCESS;
}

class Win32Key final : public RegistryKey {
  public:
    static constexpr DWORD kFirstReadSize = 256;

    explicit Win32Key(ScopedRegKey key) : key_(std::move(key)) {}

    long QueryValue(std::string_view name, RegValue& value) override {
        const std::string valueName(name);
        DWORD type = 0;
        // Driver values are short: most reads are done in one call with this buffer.
        std::string data(kFirstReadSize, '\0');
        DWORD size = kFirstReadSize;
        long result = RegQueryValueExA(key_.Get(), valueName.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
        // A longer value: read again with the size it has; it may grow in between.
        while (result == ERROR_MORE_DATA) {
            data.resize(size);
            result = RegQueryValueExA(key_.Get(), valueName.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size);
        }
        if (result != ERROR_SUCCESS) return result;
        data.resize(size);
        value = ReadValue(type, std::move(data));
        return ERROR_SUCCESS;
    }

    long SetValue(std::string_view name, const RegValue& value) override {
        std::string data = value.data;
        if (IsStringType(static_cast<DWORD>(value.type))) data.push_back('\0');
        return RegSetValueExA(
            key_.Get(), std::string(name).c_str(), 0, static_cast<DWORD>(value.type),
            reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }

    long DeleteValue(std::string_view name) override {
        return RegDeleteValueA(key_.Get(), std::string(name).c_str());
    }

    long EnumSubKeys(std::vector<std::string>& names) override {
        return EnumNames(key_.Get(), true, names);
    }

    long EnumValues(std::vector<std::string>& names) override {
        return EnumNames(key_.Get(), false, names);
    }

    // One call per value, its data with its name.
    long EnumValueData(std::vector<NamedRegValue>& values) override {
        std::vector<char> name(kFirstNameSize);
        std::string data(kFirstReadSize, '\0');
        std::vector<NamedRegValue> found;
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD size = static_cast<DWORD>(data.size());
            DWORD type = 0;
            const long result = RegEnumValueA(key_.Get(), index, name.data(), &nameLength, nullptr,
                                              &type, reinterpret_cast<BYTE*>(data.data()), &size);
            if (result == ERROR_MORE_DATA) {
                // A longer name or value than the buffers hold: again, with larger ones.
                name.resize(name.size() * 2 + 256);
                data.resize(std::max<size_t>(data.size() * 2, size));
                --index;
                continue;
            }
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result != ERROR_SUCCESS) return result;
            found.push_back(
                {std::string(name.data(), nameLength), ReadValue(type, data.substr(0, size))});
        }
        values = std::move(found);
        return ERROR_SUCCESS;
    }

  private:
    ScopedRegKey key_;
};

// RegDeleteTree does not exist on Windows 98 and 2000: remove the sub-keys one by
// one, deepest first.
long DeleteKeyAndBelow(HKEY parent, const std::string& path) {
    ScopedRegKey key;
    long result = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, key.Receive());
    if (result != ERROR_SUCCESS) return result;
    std::vector<std::string> children;
    result = EnumNames(key.Get(), true, children);
    if (result != ERROR_SUCCESS) return result;
    for (const auto& child : children) {
        result = DeleteKeyAndBelow(key.Get(), child);
        if (result != ERROR_SUCCESS) return result;
    }
    key.Reset();
    return RegDeleteKeyA(parent, path.c_str());
}

}  // namespace

long Win32Registry::OpenKey(RegRoot root, std::string_view path, bool write,
                            std::unique_ptr<RegistryKey>& key) {
    ScopedRegKey handle;
    const REGSAM access = write ? (KEY_READ | KEY_WRITE) : KEY_READ;
    const long result =
        RegOpenKeyExA(RootHandle(root), std::string(path).c_str(), 0, access, handle.Receive());
    if (result != ERROR_SUCCESS) return result;
    key = std::make_unique<Win32Key>(std::move(handle));
    return ERROR_SUCCESS;
}

long Win32Registry::CreateKey(RegRoot root, std::string_view path,
                              std::unique_ptr<RegistryKey>& key) {
    ScopedRegKey handle;
    const long result = RegCreateKeyExA(RootHandle(root), std::string(path).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                        handle.Receive(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    key = std::make_unique<Win32Key>(std::move(handle));
    return ERROR_SUCCESS;
}

long Win32Registry::DeleteTree(RegRoot root, std::string_view path) {
    // Deleting a whole root (an empty path) is never meant.
    if (path.empty()) return ERROR_ACCESS_DENIED;
    return DeleteKeyAndBelow(RootHandle(root), std::string(path));
}

long Win32Registry::FlushKey(RegRoot root, std::string_view path) {
    ScopedRegKey key;
    const long result =
        RegOpenKeyExA(RootHandle(root), std::string(path).c_str(), 0, KEY_READ, key.Receive());
    if (result != ERROR_SUCCESS) return result;
    return RegFlushKey(key.Get());
}

std::string Win32Registry::ErrorText(long code) const {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    // The system's sentences end with a line break.
    while (length > 0 &&
           (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        --length;
    return length > 0 ? std::string(text, length) : RegistryStore::ErrorText(code);
}

}  // namespace pallisar
