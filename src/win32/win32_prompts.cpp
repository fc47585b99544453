#include "win32/win32_prompts.h"

namespace pallisar {

int Win32Prompts::Box(const std::string& message, const char* caption, UINT type) const {
    HWND owner = GetActiveWindow();
    if (!owner) owner = owner_;
    // The system labels MB_OK "OK" and MB_YESNO "&Yes" / "&No" (with Alt+Y, Alt+N).
    return MessageBoxA(owner, message.c_str(), caption, type | MB_APPLMODAL);
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

}  // namespace pallisar
