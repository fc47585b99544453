#pragma once
// Modal prompts: the program's four kinds of message box and the application's
// error box. Each call blocks until the user has answered.

#include <string>
#include <string_view>

namespace pallisar {

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
};

// The text the application's error box shows for an error message: a full stop is
// appended when the message is not empty and its last character has a higher code
// than "." (so "Failed" gets one, "Done." "Stop!" and "(x)" do not).
std::string ApplicationErrorText(std::string_view message);

}  // namespace pallisar
