#pragma once
// Modal prompts: the program's four kinds of message box, the application's error
// box, the common file dialogs and the input box. Each call blocks until the user has
// answered.

#include <optional>
#include <string>
#include <string_view>

namespace pallisar {

// What a common file dialog offers.
struct FileDialogRequest {
    // Pairs of text and patterns, all separated by "|":
    // "Executables (*.exe)|*.exe|All Files (*.*)|*.*".
    std::string Filter;
    // Added to a typed name without one ("lnk"); empty for none.
    std::string DefaultExt;
    // The name proposed in the name box.
    std::string FileName;
    // The folder the dialog opens in; empty for the system's choice.
    std::string InitialDir;
};

class Prompts {
  public:
    virtual ~Prompts() = default;
    // Caption "Error", error icon, one "OK" button.
    virtual void ShowError(const std::string& message) = 0;
    // Caption "Information", information icon, one "OK" button.
    virtual void ShowInformation(const std::string& message) = 0;
    // Caption "Warning", warning icon, one "OK" button.
    virtual void ShowWarning(const std::string& message) = 0;
    // Caption "Confirm", buttons "&Yes" and "&No"; true for "&Yes".
    virtual bool Confirm(const std::string& message) = 0;
    // The error box of the application's error handler: caption = the application's
    // title, error icon, one "OK" button, text as ApplicationErrorText makes it.
    virtual void ShowApplicationError(const std::string& message) = 0;
    // A plain message box: the application's title as caption, no icon, one "OK"
    // button.
    virtual void ShowMessage(const std::string& message) = 0;

    // The common file-open dialog (read-only box hidden, can be resized); the chosen
    // path, or none when the user cancels.
    virtual std::optional<std::string> PromptOpenFile(const FileDialogRequest& request) = 0;
    // The common file-save dialog: asks before replacing an existing file, hides the
    // read-only box, can be resized. The chosen path, or none when the user cancels.
    virtual std::optional<std::string> PromptSaveFile(const FileDialogRequest& request) = 0;
    // A modal input box captioned `caption` with the label `prompt`, one text field
    // starting with `text` and taking at most 255 characters, and "OK" and "Cancel".
    // The text on OK (possibly empty), none on Cancel.
    virtual std::optional<std::string> InputBox(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& text) = 0;
};

// The text the application's error box shows for an error message: a full stop is
// appended when the message is not empty and its last character has a higher code
// than "." (so "Failed" gets one, "Done." "Stop!" and "(x)" do not).
std::string ApplicationErrorText(std::string_view message);

}  // namespace pallisar
