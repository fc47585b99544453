#include "win32/change_icon_view.h"

// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "win32/resource.h"
#include "win32/runtime/processor_emulation.h"

namespace pallisar {

namespace {

// Sent by the file-name box to the dialog when Enter is pressed in it, so that the
// handler runs in the dialog's procedure, under its error handler.
constexpr UINT kFilenameEnter = WM_APP + 1;

// The edit control's own procedure, kept in its user data while the box is subclassed
// (through its window procedure, as every Windows since 95 allows; comctl32's subclass
// functions come only with version 6).
WNDPROC PreviousProc(HWND edit) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
}

std::string WindowText(HWND hwnd) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

ChangeIconDialog::ChangeIconDialog(Application& app, TfmChangeIcon& model)
    : Dialog(app), model_(model), list_(model.IconListBox()) {}

ChangeIconDialog::~ChangeIconDialog() = default;

void ChangeIconDialog::Fill() {
    HWND edit = GetDlgItem(hwnd_, IDC_CHANGEICON_FILENAME);
    SetWindowLongPtrA(
        edit, GWLP_USERDATA,
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilenameProc)));
    SyncFilename();
    list_.Attach(GetDlgItem(hwnd_, IDC_CHANGEICON_ICONS));
}

bool ChangeIconDialog::Read() {
    // The list's selection is the result; the box's text is not (only Enter accepts it).
    list_.SelectionChanged();
    return true;
}

INT_PTR ChangeIconDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DRAWITEM:
            if (wParam != IDC_CHANGEICON_ICONS) break;
            list_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            if (wParam != IDC_CHANGEICON_ICONS) break;
            list_.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        case kFilenameEnter: {
            char key = TfmChangeIcon::kEnterKey;
            model_.edFilenameKeyPress(key);
            SyncFilename();
            return TRUE;
        }
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            break;
        case WM_DESTROY:
            list_.Detach();
            break;
        default:
            break;
    }
    return Dialog::OnMessage(message, wParam, lParam);
}

void ChangeIconDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_CHANGEICON_FILENAME:
            if (code == EN_CHANGE && !syncing_) {
                model_.SetEdFilename(WindowText(GetDlgItem(hwnd_, IDC_CHANGEICON_FILENAME)));
            }
            break;
        case IDC_CHANGEICON_BROWSE:
            if (code == BN_CLICKED) {
                model_.btnBrowseClick();
                SyncFilename();
            }
            break;
        case IDC_CHANGEICON_ICONS:
            if (code == LBN_SELCHANGE) list_.SelectionChanged();
            break;
        default:
            break;
    }
}

void ChangeIconDialog::SyncFilename() {
    HWND edit = GetDlgItem(hwnd_, IDC_CHANGEICON_FILENAME);
    if (WindowText(edit) == model_.edFilename()) return;
    syncing_ = true;
    SetWindowTextA(edit, model_.edFilename().c_str());
    syncing_ = false;
    const auto end = static_cast<LPARAM>(model_.edFilename().size());
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
}

LRESULT CALLBACK ChangeIconDialog::FilenameProc(HWND edit, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    ProcessorEmulationScope emulation;  // an entry from the system
    const WNDPROC previous = PreviousProc(edit);
    switch (message) {
        case WM_GETDLGCODE: {
            // Enter belongs to the box, not to the dialog's default button.
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            LRESULT code = CallWindowProcA(previous, edit, message, wParam, lParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam != VK_RETURN) break;
            SendMessageA(GetParent(edit), kFilenameEnter, 0, 0);
            return 0;
        case WM_CHAR:
            // The character of Enter would only beep in a one-line box.
            if (wParam == '\r' || wParam == '\n') return 0;
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, edit, message, wParam, lParam);
}

bool ShowChangeIcon(Application& app, HWND owner, TfmChangeIcon& model) {
    ChangeIconDialog dialog(app, model);
    return RunDialog(owner, IDD_CHANGEICON, dialog) == IDOK;
}

}  // namespace pallisar
