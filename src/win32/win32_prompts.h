#pragma once
// Prompts shown as Windows message boxes, common file dialogs and the input box,
// owned by the active window of the thread (or by `owner` when none is active), so
// that they are modal to it.

#include <windows.h>

#include <string>

#include "platform/prompts.h"
#include "win32/application.h"

namespace pallisar {

class Win32Prompts : public Prompts {
  public:
    // `applicationTitle` is the caption of the application's error box.
    explicit Win32Prompts(std::string applicationTitle) : title_(std::move(applicationTitle)) {}

    void SetOwner(HWND owner) { owner_ = owner; }
    // The application whose error handler the input box reports to; without one the
    // input box answers as cancelled.
    void SetApplication(Application* app) { app_ = app; }

    void ShowError(const std::string& message) override;
    void ShowInformation(const std::string& message) override;
    void ShowWarning(const std::string& message) override;
    bool Confirm(const std::string& message) override;
    void ShowApplicationError(const std::string& message) override;
    void ShowMessage(const std::string& message) override;
    std::optional<std::string> PromptOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> PromptSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& text) override;

  private:
    HWND Owner() const;
    int Box(const std::string& message, const char* caption, UINT type) const;

    std::string title_;
    HWND owner_ = nullptr;
    Application* app_ = nullptr;
};

// A file dialog's filter ("Text|pattern|Text|pattern") as the common dialogs take it:
// the parts separated by NUL characters, ending in two of them.
std::string CommonDialogFilter(const std::string& filter);

}  // namespace pallisar
