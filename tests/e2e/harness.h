#pragma once
// End-to-end harness: starts a Windows program of ours under Wine in a directory of its
// own, finds its windows, reads its list view and message boxes through window messages,
// presses its buttons, and waits for it to end. Every step has a time limit, so a hung
// program fails the test instead of stalling the run. Helpers that can fail return
// testing::AssertionResult carrying what was seen.

// commctrl.h (the list view's messages and LV_VIEW_* values) needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pallisar::e2e {

using Millis = std::chrono::milliseconds;
inline constexpr Millis kTimeout{20000};

// A path as this process sees it: Unix paths (from the build) go through Wine's Z: drive;
// Windows paths are returned unchanged.
std::string WindowsPath(const std::string& path);

// Owns one kernel handle; closes it once.
class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Take()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept;
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE Take() { return std::exchange(handle_, nullptr); }
    void Close();

  private:
    HANDLE handle_ = nullptr;
};

// A fresh directory for one run of the program, removed with its contents at the end.
class ProgramDirectory {
  public:
    ProgramDirectory();
    ~ProgramDirectory();
    ProgramDirectory(const ProgramDirectory&) = delete;
    ProgramDirectory& operator=(const ProgramDirectory&) = delete;

    // With a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }
    // Copies an executable (a Unix or Windows path) into the directory under its own name
    // and returns the copy's path.
    std::string Install(const std::string& exe);
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

  private:
    std::string path_;
};

struct LaunchOptions {
    std::vector<std::string> args;  // quoted by the Windows rules when needed
    std::vector<std::pair<std::string, std::string>> env;  // added to this process's own
    std::string workingDir;  // empty: this process's current directory
};

struct DialogButton {
    HWND hwnd = nullptr;
    int id = 0;
    std::string text;
};

// A message box (dialog class #32770) as the user sees it.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;  // the static texts joined with "\n"
    std::vector<DialogButton> buttons;
    std::vector<std::string> ButtonTexts() const;
};

// One running program. The destructor kills it when it is still running; once it has
// ended, Start may run the next one.
class AppProcess {
  public:
    AppProcess() = default;
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    testing::AssertionResult Start(const std::string& exe, const LaunchOptions& options = {});
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }
    bool Running() const;
    // Waits for the end of the process; its exit code goes to *exitCode.
    testing::AssertionResult WaitForExit(Millis limit, DWORD* exitCode = nullptr);
    void Kill();

    // The process's top-level window whose caption starts with captionPrefix and that has
    // a list view child (an application's hidden helper windows may share the caption).
    testing::AssertionResult WaitForMainWindow(const std::string& captionPrefix, Millis limit,
                                               HWND* window) const;
    // Visible message boxes of this process, oldest first as the system lists them.
    std::vector<MessageBoxInfo> MessageBoxes() const;
    testing::AssertionResult WaitForMessageBox(Millis limit, MessageBoxInfo* box) const;

  private:
    ScopedHandle process_;
    DWORD id_ = 0;
};

// Memory inside another process (for the messages of its controls that take a
// pointer), freed with the object. Reads and writes outside the buffer fail.
class RemoteBuffer {
  public:
    RemoteBuffer(HANDLE process, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return address_ != nullptr; }
    char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    bool Write(size_t offset, const void* bytes, size_t size) const;
    bool Read(size_t offset, void* bytes, size_t size) const;

  private:
    HANDLE process_;
    void* address_;
    size_t size_;
};

std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// Waits until the window's caption satisfies the predicate.
template <typename Predicate>
testing::AssertionResult WaitForCaption(HWND window, Millis limit, Predicate predicate);
// A direct child by class and exact text (with its "&"); nullptr when absent.
HWND FindChild(HWND parent, const std::string& className, const std::string& text);
// Posts BM_CLICK to the button with this text: posting, because a click that opens a
// modal box would block a sent message until the box closes.
testing::AssertionResult PressButton(HWND parent, const std::string& text);
// Answers a message box with the button of this text.
testing::AssertionResult AnswerMessageBox(const MessageBoxInfo& box, const std::string& button);

struct ListColumn {
    std::string text;
    int width = 0;
};
struct ListItem {
    std::vector<std::string> texts;  // caption, then one text per further column
    int image = -1;
};
// LV_VIEW_ICON (0), LV_VIEW_DETAILS (1), LV_VIEW_SMALLICON (2), LV_VIEW_LIST (3); the
// window style's LVS_TYPEMASK bits use the same numbers.
struct ListViewState {
    DWORD view = 0;
    DWORD styleView = 0;
    std::vector<ListColumn> columns;
    std::vector<ListItem> items;
    std::vector<std::string> Captions() const;
};
HWND FindListView(HWND window);
// The system directory (where the list's fallback icon, shell32.dll, is).
std::string SystemDirectory();
// Reads another process's list view through memory allocated in that process.
testing::AssertionResult ReadListView(const AppProcess& process, HWND list, ListViewState* state);

struct ShowState {
    bool visible = false;
    bool iconic = false;
    UINT showCmd = 0;  // from GetWindowPlacement
};
ShowState ReadShowState(HWND window);

// Lines of a text file without their CR LF ends; nullopt when the file cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& path);

template <typename Predicate>
testing::AssertionResult WaitForCaption(HWND window, Millis limit, Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string caption;
    for (;;) {
        caption = WindowText(window);
        if (predicate(caption)) return testing::AssertionSuccess() << caption;
        if (std::chrono::steady_clock::now() >= deadline) break;
        Sleep(50);
    }
    return testing::AssertionFailure()
           << "caption still \"" << caption << "\" after " << limit.count() << " ms";
}

}  // namespace pallisar::e2e
