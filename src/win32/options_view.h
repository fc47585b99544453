#pragma once
// The "Options" dialog on screen (template IDD_OPTIONS): a thin view of TfmOptions. It
// shows the model's check boxes and LOD texts, runs "..." and "Reset" through the
// model's handlers, and copies the controls into the model on OK. The OK steps
// themselves run after the dialog has closed (RunOptions), so an error they raise is
// shown by the caller's error handler with the dialog gone.

#include <windows.h>

#include "ui/options.h"
#include "win32/application.h"
#include "win32/window.h"

namespace pallisar {

class OptionsDialog : public Dialog {
  public:
    OptionsDialog(Application& app, TfmOptions& model);

  protected:
    void Fill() override;
    bool Read() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    TfmOptions& model_;
};

// Shows the dialog over `model`, owned by `owner`; true when it was closed with OK
// (the controls are then in the model), false on Cancel or when it could not be shown.
bool ShowOptions(Application& app, HWND owner, TfmOptions& model);

// The OptionsHost of a window: the Options dialog over `owner`, and the change-icon
// dialog over the Options dialog while that is up (else over `owner`).
class OptionsWindowHost : public OptionsHost {
  public:
    OptionsWindowHost(Application& app, HWND owner) : app_(app), owner_(owner) {}

    bool ShowOptions(TfmOptions& options) override;
    bool ShowChangeIcon(TfmChangeIcon& dialog) override;

  private:
    Application& app_;
    HWND owner_;
    const OptionsDialog* shown_ = nullptr;
};

}  // namespace pallisar
