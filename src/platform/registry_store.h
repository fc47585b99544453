#pragma once
// The registry as the program sees it: predefined roots, hierarchical keys with
// case-insensitive names, typed named values and an unnamed default value per key
// (the empty name). Implemented over the Windows registry (win32/) and in memory
// (platform/memory_registry.h). Results are Windows error codes; an out-parameter
// is left untouched when the call fails.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

enum class RegRoot { ClassesRoot, CurrentConfig, CurrentUser, DynData, LocalMachine, Users };

// Value types with their Windows numbers.
enum class RegType : uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    Dword = 4,         // REG_DWORD
    MultiString = 7,   // REG_MULTI_SZ
};

// Error codes as Windows numbers them.
namespace reg_error {
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kInvalidParameter = 87;
constexpr long kMoreData = 234;
constexpr long kNoMoreItems = 259;
}  // namespace reg_error

struct RegValue {
    RegType type = RegType::None;
    // The raw data; for RegType::String the text without its terminating zero,
    // for RegType::Dword four little-endian bytes.
    std::string data;

    static RegValue Text(std::string_view text) { return {RegType::String, std::string(text)}; }
    static RegValue Dword(uint32_t number);
    // The number of a RegType::Dword value.
    uint32_t AsDword() const;
};

// One open key. Destroying it releases the handle.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    virtual long QueryValue(std::string_view name, RegValue& value) = 0;
    virtual long SetValue(std::string_view name, const RegValue& value) = 0;
    virtual long DeleteValue(std::string_view name) = 0;
    // Names of the immediate sub-keys, in the registry's enumeration order.
    virtual long EnumSubKeys(std::vector<std::string>& names) = 0;
    // Names of the values, in the registry's enumeration order.
    virtual long EnumValues(std::vector<std::string>& names) = 0;
};

class RegistryStore {
public:
    virtual ~RegistryStore() = default;
    // Opens an existing key; `path` is relative to the root, backslash-separated,
    // without leading backslash ("" is the root itself).
    virtual long OpenKey(RegRoot root, std::string_view path, bool write,
                         std::unique_ptr<RegistryKey>& key) = 0;
    // Opens a key for writing, creating every missing key on the path.
    virtual long CreateKey(RegRoot root, std::string_view path,
                           std::unique_ptr<RegistryKey>& key) = 0;
    // Deletes a key and everything below it (used by tests and fixture loading).
    virtual long DeleteTree(RegRoot root, std::string_view path) = 0;
};

}  // namespace pallisar
