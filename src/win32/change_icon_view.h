#pragma once
// The "Change Icon" dialog on screen (template IDD_CHANGEICON): a thin view of
// TfmChangeIcon. Enter in the file-name box accepts the typed name (the model's
// edFilenameKeyPress) instead of closing the dialog; "&Browse..." runs btnBrowseClick;
// the list is an IconListBoxView of the model's IconListBox.

#include <windows.h>

#include "ui/change_icon.h"
#include "win32/application.h"
#include "win32/icon_list_box_view.h"
#include "win32/window.h"

namespace pallisar {

class ChangeIconDialog : public Dialog {
  public:
    ChangeIconDialog(Application& app, TfmChangeIcon& model);
    ~ChangeIconDialog() override;

  protected:
    void Fill() override;
    bool Read() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static LRESULT CALLBACK FilenameProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    // Copies the model's text of edFilename into the box, the caret after it.
    void SyncFilename();

    TfmChangeIcon& model_;
    IconListBoxView list_;
    bool syncing_ = false;  // the box's text is being set from the model
};

// Shows the dialog over `model`, owned by `owner`, and returns true when it was
// closed with OK; the chosen icon is then the model's ChosenFileName and
// ChosenIconIndex. False on Cancel or when the dialog could not be shown. The
// caller sets the model up first (TfmChangeIcon::SetUp).
bool ShowChangeIcon(Application& app, HWND owner, TfmChangeIcon& model);

}  // namespace pallisar
