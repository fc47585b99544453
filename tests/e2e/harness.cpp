#include "harness.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "support/temp_dir.h"

namespace pallisar::e2e {
namespace {

constexpr UINT kSendLimitMs = 5000;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Quotes one argument so that the program's command-line split gives it back unchanged.
std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// This process's environment with the given variables set (replacing same names).
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> entries;
    if (LPCH strings = GetEnvironmentStringsA()) {
        for (const char* p = strings; *p != '\0'; p += std::strlen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& [name, value] : extra) {
        const std::string key = name + "=";
        std::erase_if(entries, [&](const std::string& entry) {
            return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry.c_str(),
                                  static_cast<int>(std::min(entry.size(), key.size())), key.c_str(),
                                  static_cast<int>(key.size())) == CSTR_EQUAL;
        });
        entries.push_back(key + value);
    }
    std::string block;
    for (const auto& entry : entries) block += entry + '\0';
    return block + '\0';
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

MessageBoxInfo DescribeDialog(HWND dialog) {
    MessageBoxInfo box;
    box.hwnd = dialog;
    box.caption = WindowText(dialog);
    for (HWND child : ChildrenOf(dialog)) {
        if (!IsWindowVisible(child)) continue;
        const std::string kind = WindowClass(child);
        const std::string text = WindowText(child);
        if (_stricmp(kind.c_str(), "Static") == 0 && !text.empty()) {
            if (!box.text.empty()) box.text += "\n";
            box.text += text;
        } else if (_stricmp(kind.c_str(), "Button") == 0) {
            box.buttons.push_back({child, GetDlgCtrlID(child), text});
        }
    }
    return box;
}

bool SendWithLimit(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    DWORD_PTR answer = 0;
    const bool sent = SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                                          kSendLimitMs, &answer) != 0;
    *result = static_cast<LRESULT>(answer);
    return sent;
}

}  // namespace

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      size_(address_ != nullptr ? size : 0) {}

RemoteBuffer::~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(size_t offset, const void* bytes, size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && WriteProcessMemory(process_, At(offset), bytes, size, &done) &&
           done == size;
}

bool RemoteBuffer::Read(size_t offset, void* bytes, size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ReadProcessMemory(process_, At(offset), bytes, size, &done) &&
           done == size;
}

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string converted = "Z:" + path;
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}

ScopedHandle& ScopedHandle::operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.Take();
    }
    return *this;
}

void ScopedHandle::Close() {
    if (Valid()) CloseHandle(handle_);
    handle_ = nullptr;
}

ProgramDirectory::ProgramDirectory() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "pallisar-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create test directory " + path_);
        }
    }
}

ProgramDirectory::~ProgramDirectory() {
    // The program may have just exited and still hold its files for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        bool allGone = true;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                SetFileAttributesA((path_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileA((path_ + name).c_str())) allGone = false;
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (allGone && RemoveDirectoryA(path_.c_str())) return;
        Sleep(100);
    }
}

std::string ProgramDirectory::Install(const std::string& exe) {
    const std::string source = WindowsPath(exe);
    const std::string name = source.substr(source.find_last_of("\\/") + 1);
    const std::string target = path_ + name;
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + source + " to " + target);
    }
    return target;
}

void ProgramDirectory::Write(const std::string& name, const std::string& bytes) const {
    test::WriteFileBytes(File(name), bytes);
}

std::string ProgramDirectory::Read(const std::string& name) const {
    return test::ReadFileBytes(File(name));
}

bool ProgramDirectory::Exists(const std::string& name) const {
    const DWORD attributes = GetFileAttributesA(File(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> MessageBoxInfo::ButtonTexts() const {
    std::vector<std::string> texts;
    for (const auto& button : buttons) texts.push_back(button.text);
    return texts;
}

AppProcess::~AppProcess() { Kill(); }

testing::AssertionResult AppProcess::Start(const std::string& exe, const LaunchOptions& options) {
    if (Running()) return testing::AssertionFailure() << "a process is already running";
    const std::string path = WindowsPath(exe);
    std::string commandLine = QuoteArgument(path);
    for (const auto& arg : options.args) commandLine += " " + QuoteArgument(arg);
    std::string environment = EnvironmentBlock(options.env);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const char* directory = options.workingDir.empty() ? nullptr : options.workingDir.c_str();
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        environment.data(), directory, &startup, &info)) {
        return testing::AssertionFailure()
               << "CreateProcess failed for " << commandLine << ": error " << GetLastError();
    }
    CloseHandle(info.hThread);
    process_ = ScopedHandle(info.hProcess);
    id_ = info.dwProcessId;
    return testing::AssertionSuccess() << commandLine;
}

bool AppProcess::Running() const {
    return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

testing::AssertionResult AppProcess::WaitForExit(Millis limit, DWORD* exitCode) {
    if (!process_.Valid()) return testing::AssertionFailure() << "no process was started";
    if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        return testing::AssertionFailure()
               << "process " << id_ << " still running after " << limit.count() << " ms";
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    if (exitCode != nullptr) *exitCode = code;
    return testing::AssertionSuccess() << "exit code " << code;
}

void AppProcess::Kill() {
    if (Running()) {
        TerminateProcess(process_.Get(), 255);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

testing::AssertionResult AppProcess::WaitForMainWindow(const std::string& captionPrefix,
                                                       Millis limit, HWND* window) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        for (HWND candidate : TopLevelWindowsOf(id_)) {
            if (StartsWith(WindowText(candidate), captionPrefix) &&
                FindListView(candidate) != nullptr) {
                *window = candidate;
                return testing::AssertionSuccess();
            }
        }
        if (!Running()) {
            return testing::AssertionFailure()
                   << "process ended before showing a window \"" << captionPrefix << "...\"";
        }
        Sleep(50);
    } while (std::chrono::steady_clock::now() < deadline);
    return testing::AssertionFailure()
           << "no window \"" << captionPrefix << "...\" with a list"
           << " view in process " << id_ << " after " << limit.count() << " ms";
}

std::vector<MessageBoxInfo> AppProcess::MessageBoxes() const {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelWindowsOf(id_)) {
        if (IsWindowVisible(window) && WindowClass(window) == "#32770") {
            boxes.push_back(DescribeDialog(window));
        }
    }
    return boxes;
}

testing::AssertionResult AppProcess::WaitForMessageBox(Millis limit, MessageBoxInfo* box) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        auto boxes = MessageBoxes();
        // A box is complete once its buttons exist; it may be caught while being built.
        if (!boxes.empty() && !boxes.front().buttons.empty()) {
            *box = std::move(boxes.front());
            return testing::AssertionSuccess();
        }
        if (!Running()) return testing::AssertionFailure() << "process ended without a box";
        Sleep(50);
    } while (std::chrono::steady_clock::now() < deadline);
    return testing::AssertionFailure() << "no message box after " << limit.count() << " ms";
}

std::string WindowText(HWND window) {
    // WM_GETTEXT with a time limit: GetWindowText of another process's child control would
    // not ask the control, and a busy program must not stall the harness.
    char buffer[4096] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kSendLimitMs, &length)) {
        return {};
    }
    return std::string(buffer, std::min<size_t>(length, sizeof buffer - 1));
}

std::string WindowClass(HWND window) {
    char buffer[256] = {};
    const int length = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    for (HWND child : ChildrenOf(parent)) {
        if (_stricmp(WindowClass(child).c_str(), className.c_str()) == 0 &&
            WindowText(child) == text) {
            return child;
        }
    }
    return nullptr;
}

testing::AssertionResult PressButton(HWND parent, const std::string& text) {
    // Buttons may sit on a panel inside the window: search one level deeper too.
    HWND button = FindChild(parent, "Button", text);
    for (HWND child : ChildrenOf(parent)) {
        if (button != nullptr) break;
        button = FindChild(child, "Button", text);
    }
    if (button == nullptr) return testing::AssertionFailure() << "no button \"" << text << "\"";
    if (!IsWindowEnabled(button)) {
        return testing::AssertionFailure() << "button \"" << text << "\" is disabled";
    }
    if (!PostMessageA(button, BM_CLICK, 0, 0)) {
        return testing::AssertionFailure() << "PostMessage failed: " << GetLastError();
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult AnswerMessageBox(const MessageBoxInfo& box, const std::string& button) {
    for (const auto& candidate : box.buttons) {
        if (candidate.text == button) {
            // WM_COMMAND to the box itself: the dialog ends with that button's id, without
            // depending on focus or mouse capture in the other process.
            PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(candidate.id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(candidate.hwnd));
            return testing::AssertionSuccess();
        }
    }
    std::string texts;
    for (const auto& text : box.ButtonTexts()) texts += " \"" + text + "\"";
    return testing::AssertionFailure()
           << "box \"" << box.caption << "\" has no button \"" << button << "\"; it has" << texts;
}

std::vector<std::string> ListViewState::Captions() const {
    std::vector<std::string> captions;
    for (const auto& item : items) captions.push_back(item.texts.empty() ? "" : item.texts[0]);
    return captions;
}

HWND FindListView(HWND window) { return FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr); }

testing::AssertionResult ReadListView(const AppProcess& process, HWND list, ListViewState* state) {
    if (list == nullptr) return testing::AssertionFailure() << "no list view";
    constexpr size_t kTextOffset = 512;  // after the LVITEMA / LVCOLUMNA record
    constexpr int kTextSize = 1024;
    RemoteBuffer remote(process.Handle(), kTextOffset + kTextSize);
    if (!remote.Valid()) {
        return testing::AssertionFailure() << "VirtualAllocEx failed: " << GetLastError();
    }
    ListViewState read;
    LRESULT result = 0;
    if (!SendWithLimit(list, LVM_GETVIEW, 0, 0, &result)) {
        return testing::AssertionFailure() << "LVM_GETVIEW got no answer";
    }
    read.view = static_cast<DWORD>(result);
    read.styleView = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE)) & LVS_TYPEMASK;

    for (int index = 0;; ++index) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = remote.At(kTextOffset);
        column.cchTextMax = kTextSize;
        const char empty = '\0';
        if (!remote.Write(0, &column, sizeof column) || !remote.Write(kTextOffset, &empty, 1)) {
            return testing::AssertionFailure() << "WriteProcessMemory failed";
        }
        if (!SendWithLimit(list, LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(remote.At(0)),
                           &result)) {
            return testing::AssertionFailure() << "LVM_GETCOLUMNA got no answer";
        }
        if (result == 0) break;
        char text[kTextSize] = {};
        if (!remote.Read(0, &column, sizeof column) || !remote.Read(kTextOffset, text, kTextSize)) {
            return testing::AssertionFailure() << "ReadProcessMemory failed";
        }
        text[kTextSize - 1] = '\0';
        read.columns.push_back({text, column.cx});
    }

    if (!SendWithLimit(list, LVM_GETITEMCOUNT, 0, 0, &result)) {
        return testing::AssertionFailure() << "LVM_GETITEMCOUNT got no answer";
    }
    const int count = static_cast<int>(result);
    const int columns = std::max<int>(1, static_cast<int>(read.columns.size()));
    for (int index = 0; index < count; ++index) {
        ListItem item;
        for (int sub = 0; sub < columns; ++sub) {
            LVITEMA record{};
            record.mask = LVIF_TEXT | (sub == 0 ? LVIF_IMAGE : 0);
            record.iItem = index;
            record.iSubItem = sub;
            record.pszText = remote.At(kTextOffset);
            record.cchTextMax = kTextSize;
            const char empty = '\0';
            if (!remote.Write(0, &record, sizeof record) || !remote.Write(kTextOffset, &empty, 1)) {
                return testing::AssertionFailure() << "WriteProcessMemory failed";
            }
            if (!SendWithLimit(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.At(0)),
                               &result) ||
                result == 0) {
                return testing::AssertionFailure()
                       << "LVM_GETITEMA failed for item " << index << ", column " << sub;
            }
            char text[kTextSize] = {};
            if (!remote.Read(0, &record, sizeof record)) {
                return testing::AssertionFailure() << "ReadProcessMemory failed";
            }
            // The control may answer with a pointer to its own copy of the text.
            if (record.pszText != nullptr && record.pszText != LPSTR_TEXTCALLBACKA) {
                SIZE_T done = 0;
                ReadProcessMemory(process.Handle(), record.pszText, text, kTextSize - 1, &done);
            }
            text[kTextSize - 1] = '\0';
            item.texts.emplace_back(text);
            if (sub == 0) item.image = record.iImage;
        }
        read.items.push_back(std::move(item));
    }
    *state = std::move(read);
    return testing::AssertionSuccess();
}

ShowState ReadShowState(HWND window) {
    ShowState state;
    state.visible = IsWindowVisible(window) != FALSE;
    state.iconic = IsIconic(window) != FALSE;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) state.showCmd = placement.showCmd;
    return state;
}

std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string SystemDirectory() {
    char buffer[MAX_PATH] = {};
    GetSystemDirectoryA(buffer, sizeof buffer);
    return buffer;
}

}  // namespace pallisar::e2e
