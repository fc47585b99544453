#include "board.h"

#include <algorithm>
#include <sstream>

#include "harness.h"
#include "support/temp_dir.h"

#ifndef E2E_BOARD_DIR
#error "E2E_BOARD_DIR names the directory of the board fixtures"
#endif

namespace pallisar::e2e {
namespace {

constexpr char kVendorPrefix[] = "VEN_121A";
const char* const kEnumKeys[] = {"SYSTEM\\ControlSet001\\Enum\\PCI", "Enum\\PCI"};
constexpr char kNtDriverRoot[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs";
// An old Windows version is given to pallisar.exe alone through Wine's per-program
// settings.
constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\pallisar.exe";
const char* const kBoardFiles[] = {"voodoo3_win98", "voodoo4_single", "voodoo5_dual",
                                   "voodoo5_quad"};

class ScopedKey {
  public:
    ScopedKey(HKEY root, const std::string& path, REGSAM access) {
        if (RegOpenKeyExA(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~ScopedKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

bool HasPrefixNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

}  // namespace

std::string BoardFile(const std::string& board) {
    return WindowsPath(std::string(E2E_BOARD_DIR) + "/" + board + ".reg");
}

bool KeyExists(HKEY root, const std::string& path) {
    return ScopedKey(root, path, KEY_READ).Get() != nullptr;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    ScopedKey key(root, path, KEY_READ);
    if (key.Get() == nullptr) return names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

bool DeleteKeyTree(HKEY root, const std::string& path) {
    for (const auto& child : SubKeyNames(root, path)) DeleteKeyTree(root, path + "\\" + child);
    RegDeleteKeyA(root, path.c_str());
    return !KeyExists(root, path);
}

std::optional<std::string> ReadRegString(HKEY root, const std::string& path,
                                         const std::string& name) {
    ScopedKey key(root, path, KEY_READ);
    if (key.Get() == nullptr) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::string value(size, '\0');
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(std::min<size_t>(size, value.size()));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

std::vector<RegKeyName> KeysWithValues(const std::string& regFileText) {
    std::vector<RegKeyName> keys;
    std::istringstream in(regFileText);
    std::string line;
    RegKeyName current;
    bool inKey = false;
    bool currentHasValues = false;
    auto flush = [&] {
        if (inKey && currentHasValues) keys.push_back(current);
        inKey = false;
        currentHasValues = false;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            flush();
            const std::string name = line.substr(1, line.size() - 2);
            const auto slash = name.find('\\');
            if (slash == std::string::npos || slash + 1 == name.size()) continue;
            const std::string root = name.substr(0, slash);
            current.path = name.substr(slash + 1);
            if (root == "HKEY_LOCAL_MACHINE") current.root = HKEY_LOCAL_MACHINE;
            if (root == "HKEY_CURRENT_USER") current.root = HKEY_CURRENT_USER;
            inKey = root == "HKEY_LOCAL_MACHINE" || root == "HKEY_CURRENT_USER";
        } else if (inKey && (HasPrefixNoCase(line, "\"") || HasPrefixNoCase(line, "@="))) {
            currentHasValues = true;
        }
    }
    flush();
    return keys;
}

testing::AssertionResult ImportRegFile(const std::string& path) {
    std::string command = "regedit.exe /s \"" + WindowsPath(path) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return testing::AssertionFailure() << command << ": error " << GetLastError();
    }
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        return testing::AssertionFailure() << command << " did not finish in 30 s";
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    if (code != 0) return testing::AssertionFailure() << command << " exited with " << code;
    return testing::AssertionSuccess();
}

testing::AssertionResult LoadBoard(const std::string& board) {
    for (const char* enumKey : kEnumKeys) {
        for (const auto& id : SubKeyNames(HKEY_LOCAL_MACHINE, enumKey)) {
            if (HasPrefixNoCase(id, kVendorPrefix)) {
                DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(enumKey) + "\\" + id);
            }
        }
    }
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kNtDriverRoot);
    DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaults);
    // Whatever else a board file wrote (the 95/98 driver keys under Services\Class).
    for (const char* name : kBoardFiles) {
        const std::string file = BoardFile(name);
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        for (const auto& key : KeysWithValues(test::ReadFileBytes(file))) {
            DeleteKeyTree(key.root, key.path);
        }
    }
    for (const char* enumKey : kEnumKeys) {
        for (const auto& id : SubKeyNames(HKEY_LOCAL_MACHINE, enumKey)) {
            if (HasPrefixNoCase(id, kVendorPrefix)) {
                return testing::AssertionFailure() << "could not remove " << enumKey << "\\" << id;
            }
        }
    }
    if (board.empty()) return testing::AssertionSuccess() << "no board";

    const std::string file = BoardFile(board);
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "no board fixture " << file;
    }
    if (auto imported = ImportRegFile(file); !imported) return imported;
    const auto keys = KeysWithValues(test::ReadFileBytes(file));
    if (keys.empty()) return testing::AssertionFailure() << file << " holds no values";
    for (const auto& key : keys) {
        if (!KeyExists(key.root, key.path)) {
            return testing::AssertionFailure()
                   << "after importing " << file << " the key " << key.path << " is missing";
        }
    }
    if (board.find("win98") != std::string::npos &&
        !ReadRegString(HKEY_CURRENT_USER, kAppDefaults, "Version")) {
        if (auto reported = ReportWindowsVersion("win98"); !reported) return reported;
    }
    return testing::AssertionSuccess() << board;
}

testing::AssertionResult ReportWindowsVersion(const std::string& version) {
    if (version.empty()) {
        if (DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaults)) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "cannot remove " << kAppDefaults;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return testing::AssertionFailure() << "cannot create " << kAppDefaults;
    }
    const LONG set =
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) return testing::AssertionFailure() << "cannot set " << version;
    return testing::AssertionSuccess() << version;
}

}  // namespace pallisar::e2e
