#include "support/regedit_file.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace pallisar::test {

namespace {

struct RootName {
    const char* full;
    const char* abbreviated;
    RegRoot root;
};

constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", RegRoot::ClassesRoot},
    {"HKEY_CURRENT_CONFIG", "HKCC", RegRoot::CurrentConfig},
    {"HKEY_CURRENT_USER", "HKCU", RegRoot::CurrentUser},
    {"HKEY_DYN_DATA", "HKDD", RegRoot::DynData},
    {"HKEY_LOCAL_MACHINE", "HKLM", RegRoot::LocalMachine},
    {"HKEY_USERS", "HKU", RegRoot::Users},
};

const char* FullRootName(RegRoot root) {
    for (const auto& entry : kRoots)
        if (entry.root == root) return entry.full;
    return "";
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string EscapeText(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string HexBytes(std::string_view bytes) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i > 0) text += ',';
        text += digits;
    }
    return text;
}

std::string FormatName(std::string_view name) {
    return name.empty() ? "@" : "\"" + EscapeText(name) + "\"";
}

// Reads one REGEDIT4 file line by line and applies it.
class Loader {
  public:
    explicit Loader(RegistryStore& store) : store_(store) {}

    void Load(std::string_view text) {
        bool headerSeen = false;
        size_t lineNumber = 0;
        while (!text.empty()) {
            ++lineNumber;
            const size_t firstLine = lineNumber;
            std::string line(TrimLeft(TrimRight(NextLine(text))));
            if (line.empty() || line.front() == ';') continue;
            // A final backslash joins the next line (long hex data).
            while (!line.empty() && line.back() == '\\' && !text.empty()) {
                line.pop_back();
                ++lineNumber;
                line += TrimLeft(TrimRight(NextLine(text)));
            }
            line_ = firstLine;
            if (!headerSeen) {
                if (line != "REGEDIT4") Fail("the file does not begin with REGEDIT4");
                headerSeen = true;
                continue;
            }
            if (line.front() == '[')
                Section(line);
            else if (line.front() == '"' || line.front() == '@')
                Value(line);
            else
                Fail("unexpected text: " + line);
        }
        if (!headerSeen) Fail("the file does not begin with REGEDIT4");
    }

  private:
    static std::string_view NextLine(std::string_view& text) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        return line;
    }

    [[noreturn]] void Fail(const std::string& message) const {
        throw RegeditError("line " + std::to_string(line_) + ": " + message);
    }

    void Section(std::string_view line) {
        if (line.back() != ']') Fail("a key name must end with ']'");
        line = line.substr(1, line.size() - 2);
        const bool remove = !line.empty() && line.front() == '-';
        if (remove) line.remove_prefix(1);
        const size_t slash = line.find('\\');
        const std::string_view rootName = line.substr(0, slash);
        const std::string_view path =
            slash == std::string_view::npos ? std::string_view() : line.substr(slash + 1);
        const RootName* root = nullptr;
        for (const auto& entry : kRoots)
            if (rootName == entry.full || rootName == entry.abbreviated) root = &entry;
        if (!root) Fail("unknown root key " + std::string(rootName));

        key_.reset();
        if (remove) {
            const long result = store_.DeleteTree(root->root, path);
            if (result != regError::kSuccess && result != regError::kFileNotFound)
                Fail("cannot delete " + std::string(line) + ": error " + std::to_string(result));
            return;
        }
        const long result = store_.CreateKey(root->root, path, key_);
        if (result != regError::kSuccess)
            Fail("cannot create " + std::string(line) + ": error " + std::to_string(result));
    }

    // A quoted text starting at line[pos] (the opening quote); pos ends after the
    // closing quote.
    std::string Quoted(std::string_view line, size_t& pos) const {
        std::string text;
        for (++pos; pos < line.size(); ++pos) {
            const char c = line[pos];
            if (c == '"') {
                ++pos;
                return text;
            }
            if (c == '\\') {
                if (++pos == line.size() || (line[pos] != '\\' && line[pos] != '"'))
                    Fail("unknown escape in a quoted text");
                text += line[pos];
            } else {
                text += c;
            }
        }
        Fail("a quoted text is not closed");
    }

    std::string Bytes(std::string_view list) const {
        std::string bytes;
        list = TrimLeft(list);
        if (list.empty()) return bytes;
        while (true) {
            list = TrimLeft(list);
            if (list.size() < 2 || HexDigit(list[0]) < 0 || HexDigit(list[1]) < 0)
                Fail("bad hexadecimal byte list");
            bytes += static_cast<char>(HexDigit(list[0]) * 16 + HexDigit(list[1]));
            list = TrimLeft(list.substr(2));
            if (list.empty()) return bytes;
            if (list.front() != ',') Fail("bad hexadecimal byte list");
            list.remove_prefix(1);
        }
    }

    void Value(std::string_view line) {
        if (!key_) Fail("a value outside of a key");
        size_t pos = 0;
        std::string name;
        if (line.front() == '@')
            pos = 1;
        else
            name = Quoted(line, pos);
        if (pos >= line.size() || line[pos] != '=') Fail("'=' expected after the value name");
        const std::string_view data = line.substr(pos + 1);

        if (data == "-") {
            const long result = key_->DeleteValue(name);
            if (result != regError::kSuccess && result != regError::kFileNotFound)
                Fail("cannot delete value " + name);
            return;
        }
        RegValue value;
        if (!data.empty() && data.front() == '"') {
            size_t end = 0;
            value = RegValue::Text(Quoted(data, end));
            if (end != data.size()) Fail("text after the closing quote");
        } else if (data.substr(0, 6) == "dword:") {
            const std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) Fail("a dword needs 1 to 8 hex digits");
            uint32_t number = 0;
            for (char c : digits) {
                if (HexDigit(c) < 0) Fail("a dword needs 1 to 8 hex digits");
                number = number * 16 + static_cast<uint32_t>(HexDigit(c));
            }
            value = RegValue::Dword(number);
        } else if (data.substr(0, 4) == "hex:") {
            value = RegValue{RegType::Binary, Bytes(data.substr(4))};
        } else if (data.substr(0, 4) == "hex(") {
            const size_t close = data.find("):");
            if (close == std::string_view::npos || close == 4) Fail("bad hex(type) prefix");
            uint32_t type = 0;
            for (char c : data.substr(4, close - 4)) {
                if (HexDigit(c) < 0) Fail("bad hex(type) prefix");
                type = type * 16 + static_cast<uint32_t>(HexDigit(c));
            }
            value = RegValue{static_cast<RegType>(type), Bytes(data.substr(close + 2))};
            // Strings keep their text without the terminating zero.
            const bool stringType = type == 1 || type == 2;
            if (stringType && !value.data.empty() && value.data.back() == '\0')
                value.data.pop_back();
        } else {
            Fail("unknown value data: " + std::string(data));
        }
        const long result = key_->SetValue(name, value);
        if (result != regError::kSuccess)
            Fail("cannot set value " + name + ": error " + std::to_string(result));
    }

    RegistryStore& store_;
    std::unique_ptr<RegistryKey> key_;
    size_t line_ = 0;
};

// Walks root\path depth first, keys in enumeration order.
template <typename Visit>
void WalkTree(RegistryStore& store, RegRoot root, const std::string& path,
              const std::string& relative, Visit&& visit) {
    std::unique_ptr<RegistryKey> key;
    if (store.OpenKey(root, path, false, key) != regError::kSuccess) return;
    std::vector<std::pair<std::string, RegValue>> values;
    std::vector<std::string> names;
    key->EnumValues(names);
    for (const auto& name : names) {
        RegValue value;
        if (key->QueryValue(name, value) == regError::kSuccess) values.emplace_back(name, value);
    }
    visit(relative, values);
    names.clear();
    key->EnumSubKeys(names);
    key.reset();
    for (const auto& child : names)
        WalkTree(store, root, path.empty() ? child : path + "\\" + child,
                 relative.empty() ? child : relative + "\\" + child, visit);
}

}  // namespace

void LoadRegeditText(RegistryStore& store, std::string_view text) { Loader(store).Load(text); }

void LoadRegeditFile(RegistryStore& store, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RegeditError("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        LoadRegeditText(store, bytes.str());
    } catch (const RegeditError& e) {
        throw RegeditError(path + ", " + e.what());
    }
}

std::string FixturePath(const std::string& relative) {
    std::string path = std::string(PALLISAR_FIXTURE_DIR) + "/" + relative;
#ifdef _WIN32
    // The fixtures live in the Linux tree, which Wine shows as drive Z:.
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

std::string FormatRegeditData(const RegValue& value) {
    switch (value.type) {
        case RegType::String:
            if (value.data.find_first_of(std::string("\0\r\n", 3)) == std::string::npos)
                return "\"" + EscapeText(value.data) + "\"";
            return "hex(1):" + HexBytes(value.data + '\0');
        case RegType::Dword:
            if (value.data.size() == 4) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x",
                              static_cast<unsigned>(value.AsDword()));
                return digits;
            }
            return "hex(4):" + HexBytes(value.data);
        case RegType::Binary:
            return "hex:" + HexBytes(value.data);
        case RegType::ExpandString:
            return "hex(2):" + HexBytes(value.data + '\0');
        default: {
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
            return prefix + HexBytes(value.data);
        }
    }
}

RegistrySnapshot SnapshotTree(RegistryStore& store, RegRoot root, std::string_view path) {
    RegistrySnapshot snapshot;
    WalkTree(store, root, std::string(path), "", [&](const std::string& key, const auto& values) {
        const std::string section = "[" + key + "]";
        snapshot[section] = "";
        for (const auto& [name, value] : values)
            snapshot[section + FormatName(name)] = FormatRegeditData(value);
    });
    return snapshot;
}

std::string DescribeDifferences(const RegistrySnapshot& before, const RegistrySnapshot& after) {
    std::string text;
    for (const auto& [entry, data] : before) {
        const auto found = after.find(entry);
        if (found == after.end())
            text += "- " + entry + " = " + data + "\n";
        else if (found->second != data)
            text += "~ " + entry + ": " + data + " -> " + found->second + "\n";
    }
    for (const auto& [entry, data] : after)
        if (!before.count(entry)) text += "+ " + entry + " = " + data + "\n";
    return text;
}

std::string ExportRegedit(RegistryStore& store, RegRoot root, std::string_view path) {
    std::string text = "REGEDIT4\r\n\r\n";
    WalkTree(store, root, std::string(path), std::string(path),
             [&](const std::string& key, const auto& values) {
                 text += "[" + std::string(FullRootName(root)) + (key.empty() ? "" : "\\") + key +
                         "]\r\n";
                 for (const auto& [name, value] : values)
                     text += FormatName(name) + "=" + FormatRegeditData(value) + "\r\n";
                 text += "\r\n";
             });
    return text;
}

}  // namespace pallisar::test
