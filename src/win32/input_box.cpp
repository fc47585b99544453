#include "win32/input_box.h"

#include <utility>

#include "win32/resource.h"

namespace pallisar {

InputBoxDialog::InputBoxDialog(Application& app, std::string caption, std::string prompt,
                               std::string text)
    : Dialog(app),
      caption_(std::move(caption)),
      prompt_(std::move(prompt)),
      text_(std::move(text)) {}

void InputBoxDialog::Fill() {
    SetWindowTextA(hwnd_, caption_.c_str());
    SetDlgItemTextA(hwnd_, IDC_INPUTBOX_PROMPT, prompt_.c_str());
    SendDlgItemMessageA(hwnd_, IDC_INPUTBOX_TEXT, EM_LIMITTEXT, kMaxLength, 0);
    SetDlgItemTextA(hwnd_, IDC_INPUTBOX_TEXT, text_.c_str());
}

bool InputBoxDialog::Read() {
    char text[kMaxLength + 1] = {};
    GetDlgItemTextA(hwnd_, IDC_INPUTBOX_TEXT, text, sizeof text);
    text_ = text;
    return true;
}

std::optional<std::string> ShowInputBox(Application& app, HWND owner, const std::string& caption,
                                        const std::string& prompt, const std::string& text) {
    InputBoxDialog dialog(app, caption, prompt, text);
    if (RunDialog(owner, IDD_INPUTBOX, dialog) != IDOK) return std::nullopt;
    return dialog.Text();
}

}  // namespace pallisar
