#include "win32/win32_prompts.h"

#include <commdlg.h>

#include "win32/input_box.h"
#include "win32/system_features.h"

namespace pallisar {

namespace {

// Runs the open or save dialog; the chosen path or none.
std::optional<std::string> RunFileDialog(HWND owner, const FileDialogRequest& request, DWORD flags,
                                         BOOL(WINAPI* show)(OPENFILENAMEA*)) {
    const std::string filter = CommonDialogFilter(request.Filter);
    char path[MAX_PATH] = {};
    request.FileName.copy(path, sizeof path - 1);
    OPENFILENAMEA dialog{};
    // The layout of Windows 95 and NT 4.0, which refuse the longer one.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrDefExt = request.DefaultExt.empty() ? nullptr : request.DefaultExt.c_str();
    dialog.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
    dialog.Flags = flags | OFN_EXPLORER | OFN_HIDEREADONLY;
    if (HasWindows98Interface()) dialog.Flags |= OFN_ENABLESIZING;
    if (!show(&dialog)) return std::nullopt;
    return std::string(path);
}

}  // namespace

std::string CommonDialogFilter(const std::string& filter) {
    if (filter.empty()) return {};
    std::string result = filter;
    for (char& c : result) {
        if (c == '|') c = '\0';
    }
    result.push_back('\0');
    result.push_back('\0');
    return result;
}

HWND Win32Prompts::Owner() const {
    if (HWND active = GetActiveWindow()) return active;
    // Another program is in front: the box still belongs on top of the window the user
    // was working in (an open dialog of the main window), which it disables meanwhile.
    return owner_ ? GetLastActivePopup(owner_) : nullptr;
}

int Win32Prompts::Box(const std::string& message, const char* caption, UINT type) const {
    // The system labels MB_OK "OK" and MB_YESNO "&Yes" / "&No" (with Alt+Y, Alt+N).
    return MessageBoxA(Owner(), message.c_str(), caption, type | MB_APPLMODAL);
}

void Win32Prompts::ShowError(const std::string& message) {
    Box(message, "Error", MB_OK | MB_ICONERROR);
}

void Win32Prompts::ShowInformation(const std::string& message) {
    Box(message, "Information", MB_OK | MB_ICONINFORMATION);
}

void Win32Prompts::ShowWarning(const std::string& message) {
    Box(message, "Warning", MB_OK | MB_ICONWARNING);
}

bool Win32Prompts::Confirm(const std::string& message) {
    return Box(message, "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Win32Prompts::ShowApplicationError(const std::string& message) {
    Box(ApplicationErrorText(message), title_.c_str(), MB_OK | MB_ICONERROR);
}

void Win32Prompts::ShowMessage(const std::string& message) { Box(message, title_.c_str(), MB_OK); }

std::optional<std::string> Win32Prompts::PromptOpenFile(const FileDialogRequest& request) {
    return RunFileDialog(Owner(), request, 0, GetOpenFileNameA);
}

std::optional<std::string> Win32Prompts::PromptSaveFile(const FileDialogRequest& request) {
    return RunFileDialog(Owner(), request, OFN_OVERWRITEPROMPT, GetSaveFileNameA);
}

std::optional<std::string> Win32Prompts::InputBox(const std::string& caption,
                                                  const std::string& prompt,
                                                  const std::string& text) {
    if (!app_) return std::nullopt;
    return ShowInputBox(*app_, Owner(), caption, prompt, text);
}

}  // namespace pallisar
