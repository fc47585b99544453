#pragma once
// The input box: a caption, a label, one text field of at most 255 characters, and
// "OK" and "Cancel" (dialog IDD_INPUTBOX).

#include <windows.h>

#include <optional>
#include <string>

#include "win32/application.h"
#include "win32/window.h"

namespace pallisar {

class InputBoxDialog : public Dialog {
  public:
    static constexpr int kMaxLength = 255;

    InputBoxDialog(Application& app, std::string caption, std::string prompt, std::string text);

    // The field's text: the starting text until OK is pressed.
    const std::string& Text() const { return text_; }

  protected:
    void Fill() override;
    bool Read() override;

  private:
    std::string caption_;
    std::string prompt_;
    std::string text_;
};

// Shows the input box owned by `owner`; the text on OK, none on Cancel or when the
// box could not be shown.
std::optional<std::string> ShowInputBox(Application& app, HWND owner, const std::string& caption,
                                        const std::string& prompt, const std::string& text);

}  // namespace pallisar
