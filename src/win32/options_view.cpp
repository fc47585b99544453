#include "win32/options_view.h"

#include <string>

#include "win32/change_icon_view.h"
#include "win32/resource.h"

namespace pallisar {

namespace {

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetCheck(HWND dialog, int id, const CheckState& state) {
    CheckDlgButton(dialog, id, state.Checked ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, id), state.Enabled);
}

void SetEdit(HWND dialog, int id, const EditState& state) {
    SetDlgItemTextA(dialog, id, state.Text.c_str());
    EnableWindow(GetDlgItem(dialog, id), state.Enabled);
}

}  // namespace

OptionsDialog::OptionsDialog(Application& app, TfmOptions& model) : Dialog(app), model_(model) {}

void OptionsDialog::Fill() {
    SetCheck(hwnd_, IDC_CHKRESTOREPREV, model_.chkRestorePrev);
    SetCheck(hwnd_, IDC_CHKAUTOSTART, model_.chkAutoStart);
    SetCheck(hwnd_, IDC_CHKLOG, model_.chkLog);
    SetEdit(hwnd_, IDC_EDLODLOW, model_.edLODLow);
    SetEdit(hwnd_, IDC_EDLODHIGH, model_.edLODHigh);
}

bool OptionsDialog::Read() {
    model_.chkRestorePrev.Checked = IsDlgButtonChecked(hwnd_, IDC_CHKRESTOREPREV) == BST_CHECKED;
    model_.chkAutoStart.Checked = IsDlgButtonChecked(hwnd_, IDC_CHKAUTOSTART) == BST_CHECKED;
    model_.chkLog.Checked = IsDlgButtonChecked(hwnd_, IDC_CHKLOG) == BST_CHECKED;
    model_.edLODLow.Text = ItemText(hwnd_, IDC_EDLODLOW);
    model_.edLODHigh.Text = ItemText(hwnd_, IDC_EDLODHIGH);
    return true;
}

INT_PTR OptionsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_OPTIONS_BTNEDPATH:
                model_.btnEdPathClick();
                return TRUE;
            case IDC_BUTTON1:
                model_.Button1Click();
                return TRUE;
            default:
                break;
        }
    }
    return Dialog::OnMessage(message, wParam, lParam);
}

bool ShowOptions(Application& app, HWND owner, TfmOptions& model) {
    OptionsDialog dialog(app, model);
    return RunDialog(owner, IDD_OPTIONS, dialog) == IDOK;
}

bool OptionsWindowHost::ShowOptions(TfmOptions& options) {
    OptionsDialog dialog(app_, options);
    shown_ = &dialog;
    const INT_PTR result = RunDialog(owner_, IDD_OPTIONS, dialog);
    shown_ = nullptr;
    return result == IDOK;
}

bool OptionsWindowHost::ShowChangeIcon(TfmChangeIcon& dialog) {
    HWND owner = shown_ && shown_->Handle() ? shown_->Handle() : owner_;
    return pallisar::ShowChangeIcon(app_, owner, dialog);
}

}  // namespace pallisar
