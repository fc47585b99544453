#pragma once
// The registry as the program sees it: predefined roots, hierarchical keys with
// case-insensitive names, typed named values and an unnamed default value per key
// (the empty name). Implemented over the Windows registry (win32/win32_registry.h)
// and in memory (platform/memory_registry.h); one contract test suite holds both to
// the same behaviour. Results are Windows error codes; an out-parameter is left
// untouched when the call fails.
//
// Paths are relative to the root and backslash-separated. Empty components (a
// doubled or trailing backslash) are skipped; a path that begins with a backslash
// is refused with kBadPathname. Sub-keys and values enumerate sorted by name,
// compared without regard to letter case (the order Wine's registry gives).

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
namespace regError {
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kInvalidParameter = 87;
constexpr long kBadPathname = 161;  // a path that begins with a backslash
constexpr long kMoreData = 234;
constexpr long kNoMoreItems = 259;
constexpr long kKeyDeleted = 1018;  // the key behind an open handle was deleted
}  // namespace regError

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

// A value with its name, as a key's values enumerate.
struct NamedRegValue {
    std::string name;
    RegValue value;
};

// One open key. Destroying it releases the handle. QueryValue of a missing value
// and DeleteValue of a missing value give kFileNotFound; writing through a key
// opened for reading gives kAccessDenied.
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
    // The values with their data, in the registry's enumeration order: what EnumValues
    // and a QueryValue of each name give (a value deleted meanwhile is left out; one that
    // cannot be read fails the call with its error), in as few calls as the store can.
    virtual long EnumValueData(std::vector<NamedRegValue>& values);
};

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;
    // Opens an existing key ("" is the root itself); `write` asks for write access.
    virtual long OpenKey(RegRoot root, std::string_view path, bool write,
                         std::unique_ptr<RegistryKey>& key) = 0;
    // Opens a key for writing, creating every missing key on the path.
    virtual long CreateKey(RegRoot root, std::string_view path,
                           std::unique_ptr<RegistryKey>& key) = 0;
    // Deletes a key and everything below it (used by tests and fixture loading);
    // kFileNotFound when it does not exist. Handles open below it then fail with
    // kKeyDeleted.
    virtual long DeleteTree(RegRoot root, std::string_view path) = 0;
    // Has the key's changes written to the disk now rather than when the registry gets
    // to it (RegFlushKey); kFileNotFound when the key does not exist.
    virtual long FlushKey(RegRoot root, std::string_view path) = 0;
    // The system's sentence for an error code ("Access is denied."), for telling the
    // user why a write was refused. The registry in memory names the codes it gives.
    virtual std::string ErrorText(long code) const;
};

}  // namespace pallisar
