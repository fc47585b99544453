#include "launch_support.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "dialogs.h"
#include "state_file.h"
#include "support/regedit_file.h"
#include "win32/win32_registry.h"

namespace pallisar::e2e {

namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string ProbeExe() { return PROBE_EXE; }

std::string ProbeRun::Field(const std::string& name) const {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string("<none>") : found->second;
}

std::vector<ProbeRun> ReadProbeRuns(const std::string& path) {
    std::vector<ProbeRun> runs;
    const auto lines = ReadLines(path);
    if (!lines) return runs;
    for (const std::string& line : *lines) {
        if (line == "[run]") {
            runs.emplace_back();
            continue;
        }
        const size_t equals = line.find('=');
        if (runs.empty() || equals == std::string::npos) continue;
        ProbeRun& run = runs.back();
        const std::string name = Unescape(line.substr(0, equals));
        const std::string value = Unescape(line.substr(equals + 1));
        if (name.starts_with("Glide\\")) {
            run.glide[name.substr(6)] = value;
        } else if (name.starts_with("D3D\\")) {
            run.d3d[name.substr(4)] = value;
        } else if (name == "End" && value == "1") {
            run.complete = true;
        } else {
            run.fields[name] = value;
        }
    }
    return runs;
}

testing::AssertionResult WaitForProbeRuns(const std::string& path, size_t count, Millis limit,
                                          std::vector<ProbeRun>* runs) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        *runs = ReadProbeRuns(path);
        size_t complete = 0;
        for (const auto& run : *runs) complete += run.complete ? 1 : 0;
        if (complete >= count) return testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= deadline) {
            return testing::AssertionFailure()
                   << path << " holds " << complete << " complete runs, wanted " << count;
        }
        Sleep(50);
    }
}

testing::AssertionResult SelectListItem(const AppProcess& process, HWND list, int index) {
    if (list == nullptr) return testing::AssertionFailure() << "no list view";
    RemoteBuffer remote(process.Handle(), sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!remote.Write(0, &item, sizeof item)) {
        return testing::AssertionFailure() << "cannot write into the process: " << GetLastError();
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), remote.Address(),
                             SMTO_ABORTIFHUNG, 5000, &answer) ||
        !answer) {
        return testing::AssertionFailure() << "LVM_SETITEMSTATE failed for item " << index;
    }
    return testing::AssertionSuccess();
}

namespace {

// Real input, as the user's mouse and keyboard give it.
testing::AssertionResult SendInputs(std::vector<INPUT>& inputs) {
    const auto count = static_cast<UINT>(inputs.size());
    if (SendInput(count, inputs.data(), sizeof(INPUT)) != count) {
        return testing::AssertionFailure() << "SendInput failed: " << GetLastError();
    }
    return testing::AssertionSuccess();
}

}  // namespace

testing::AssertionResult ListItemIconCenter(const AppProcess& process, HWND list, int index,
                                            POINT* center) {
    if (list == nullptr) return testing::AssertionFailure() << "no list view";
    RemoteBuffer remote(process.Handle(), sizeof(RECT));
    RECT rect{};
    rect.left = LVIR_ICON;
    DWORD_PTR answer = 0;
    if (!remote.Write(0, &rect, sizeof rect) ||
        !SendMessageTimeoutA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), remote.Address(),
                             SMTO_ABORTIFHUNG, 5000, &answer) ||
        !answer || !remote.Read(0, &rect, sizeof rect)) {
        return testing::AssertionFailure() << "cannot find item " << index << " on the screen";
    }
    *center = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(list, center);
    return testing::AssertionSuccess();
}

testing::AssertionResult ClickListItem(const AppProcess& process, HWND list, int index,
                                       int clicks) {
    POINT point{};
    if (auto found = ListItemIconCenter(process, list, index, &point); !found) return found;
    if (!SetCursorPos(point.x, point.y)) {
        return testing::AssertionFailure() << "SetCursorPos failed: " << GetLastError();
    }
    std::vector<INPUT> inputs;
    for (int i = 0; i < clicks; ++i) {
        for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flags;
            inputs.push_back(input);
        }
    }
    return SendInputs(inputs);
}

testing::AssertionResult DoubleClickListItem(const AppProcess& process, HWND list, int index) {
    return ClickListItem(process, list, index, 2);
}

testing::AssertionResult PressKeys(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    return SendInputs(inputs);
}

testing::AssertionResult SelectTitle(const AppProcess& process, HWND window,
                                     const std::string& title) {
    const HWND list = FindListView(window);
    ListViewState state;
    if (auto read = ReadListView(process, list, &state); !read) return read;
    const auto captions = state.Captions();
    for (size_t i = 0; i < captions.size(); ++i) {
        if (captions[i] == title) return SelectListItem(process, list, static_cast<int>(i));
    }
    auto failure = testing::AssertionFailure() << "\"" << title << "\" is not in the list:";
    for (const auto& caption : captions) failure << " \"" << caption << "\"";
    return failure;
}

testing::AssertionResult ClickTrayItem(const AppProcess& process, HWND window,
                                       const std::string& stateFile, const std::string& caption,
                                       const std::function<void(HWND menu)>& whileOpen) {
    StateReport state;
    if (auto report = RequestStateReport(window, stateFile, &state); !report) return report;
    const auto items = state.MenuCaptions("TrayPopup");
    const auto found = std::find(items.begin(), items.end(), caption);
    if (found == items.end()) {
        return testing::AssertionFailure() << caption << " is not in the tray menu";
    }
    // The arrow keys pass over separators.
    const auto downs = 1 + std::count_if(items.begin(), found,
                                         [](const std::string& item) { return item != "-"; });
    if (auto click = ClickWineTrayIcon(WM_RBUTTONDOWN); !click) return click;
    HWND menu = nullptr;
    if (auto popup = WaitForPopupMenu(process.Id(), &menu); !popup) return popup;
    if (whileOpen) whileOpen(menu);
    for (int i = 0; i < downs; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return testing::AssertionSuccess();
}

bool Answers(HWND window, Millis limit) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(limit.count()),
                               &answer) != 0;
}

bool WaitForProcessEnd(DWORD processId, Millis limit) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return true;  // already gone
    const bool ended =
        WaitForSingleObject(process, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

testing::AssertionResult ContainsInOrder(const std::vector<std::string>& lines,
                                         const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& wanted : expected) {
        while (at < lines.size() && lines[at] != wanted) ++at;
        if (at == lines.size()) {
            auto failure = testing::AssertionFailure()
                           << "\"" << wanted << "\" missing or out of order; the log:\n";
            for (const auto& line : lines) failure << "  " << line << "\n";
            return failure;
        }
        ++at;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult ContainsRun(const std::vector<std::string>& lines,
                                     const std::vector<std::string>& expected) {
    for (size_t start = 0; start + expected.size() <= lines.size(); ++start) {
        if (std::equal(expected.begin(), expected.end(), lines.begin() + start)) {
            return testing::AssertionSuccess();
        }
    }
    auto failure = testing::AssertionFailure() << "these lines do not follow each other:\n";
    for (const auto& line : expected) failure << "  " << line << "\n";
    failure << "the log:\n";
    for (const auto& line : lines) failure << "  " << line << "\n";
    return failure;
}

std::map<std::string, std::string> SnapshotGroup(const std::string& driverKey,
                                                 const std::string& group) {
    Win32Registry registry;
    return test::SnapshotTree(registry, RegRoot::LocalMachine, driverKey + "\\" + group);
}

std::vector<std::string> Differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
    std::vector<std::string> lines;
    std::istringstream text(test::DescribeDifferences(before, after));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::map<std::string, std::string> GroupValuesAsProbeSees(const std::string& driverKey,
                                                          const std::string& group) {
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (driverKey + "\\" + group).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        char name[1024];
        char data[4096];
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataLength) != ERROR_SUCCESS) {
            break;
        }
        std::string text(data, dataLength);
        if (type == REG_SZ && !text.empty() && text.back() == '\0') text.pop_back();
        values[std::string(name, nameLength)] = std::to_string(type) + ":" + text;
    }
    RegCloseKey(key);
    return values;
}

bool CreateDirectories(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
    std::string dir = path;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace pallisar::e2e
