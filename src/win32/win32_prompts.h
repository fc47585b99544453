#pragma once
// Prompts shown as Windows message boxes, owned by the active window of the thread
// (or by `owner` when none is active), so that they are modal to it.

#include <windows.h>

#include <string>

#include "platform/prompts.h"

namespace pallisar {

class Win32Prompts : public Prompts {
  public:
    // `applicationTitle` is the caption of the application's error box.
    explicit Win32Prompts(std::string applicationTitle) : title_(std::move(applicationTitle)) {}

    void SetOwner(HWND owner) { owner_ = owner; }

    void ShowError(const std::string& message) override;
    void ShowInformation(const std::string& message) override;
    void ShowWarning(const std::string& message) override;
    bool Confirm(const std::string& message) override;
    void ShowApplicationError(const std::string& message) override;

  private:
    int Box(const std::string& message, const char* caption, UINT type) const;

    std::string title_;
    HWND owner_ = nullptr;
};

}  // namespace pallisar
