#include "win32/game_editor_view.h"

#include <commctrl.h>

#include <iterator>
#include <utility>

#include "ui/change_icon.h"
#include "win32/change_icon_view.h"
#include "win32/resource.h"
#include "win32/runtime/processor_emulation.h"
#include "win32/slider_control.h"
#include "win32/tweak_box_ids.h"

namespace pallisar {

namespace {

constexpr int kPageTemplates[kEditorTabCount] = {IDD_EDITOR_PROPERTIES, IDD_EDITOR_GLIDE,
                                                 IDD_EDITOR_D3D, IDD_EDITOR_GAMMA};

// On a Voodoo3 the dialog is this high, in pixels.
constexpr int kVoodoo3Height = 400;

// Where a tweak box and its label stand on a tab page, in dialog units: one line each,
// from the top.
constexpr int kTweakLineHeight = 15;
constexpr RECT kFirstTweakLabel = {8, 10, 8 + 112, 10 + 8};
constexpr RECT kFirstTweakBox = {122, 8, 122 + 110, 8 + 150};  // with its list dropped down

// `first` moved down `line` lines, in the page's pixels.
RECT OnLine(HWND page, RECT first, int line) {
    OffsetRect(&first, 0, line * kTweakLineHeight);
    MapDialogRect(page, &first);
    return first;
}

constexpr const char* kSavePresetHint = "Save Preset As...";
constexpr const char* kDeletePresetHint = "Delete Preset";

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

void SetTextIfChanged(HWND window, const std::string& text) {
    if (window && WindowText(window) != text) SetWindowTextA(window, text.c_str());
}

RECT RectIn(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MoveTo(HWND parent, HWND window, const RECT& place) {
    const RECT now = RectIn(parent, window);
    SetWindowPos(window, nullptr, place.left, place.top, now.right - now.left, now.bottom - now.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// A tab page: a child dialog whose commands go to the editor.
class GameEditorView::Page : public Dialog {
  public:
    Page(Application& app, GameEditorView& editor) : Dialog(app), editor_(editor) {}

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_COMMAND) {
            editor_.OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }

  private:
    GameEditorView& editor_;
};

GameEditorView::GameEditorView(Application& app, TfmGlide& model)
    : Dialog(app), model_(model), shownItems_(EditorBoxes().size()) {}

// The editor whose dialog is open, with its hook (one at a time: it is modal, and
// the program's windows all run on its one user-interface thread).
namespace {
GameEditorView* tabbingEditor = nullptr;
HHOOK tabbingHook = nullptr;
}  // namespace

GameEditorView::~GameEditorView() {
    if (keyFilter_) UnhookWindowsHookEx(keyFilter_);
    if (tabbingEditor == this) {
        tabbingEditor = nullptr;
        tabbingHook = nullptr;
    }
    model_.SetHost(nullptr);
}

LRESULT CALLBACK GameEditorView::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    ProcessorEmulationScope emulation;  // an entry from the system
    GameEditorView* editor = tabbingEditor;
    if (code == MSGF_DIALOGBOX && editor) {
        // A hook is called by user32: no exception may leave it.
        bool switched = false;
        editor->app_.Guard(
            [&] { switched = editor->SwitchTab(*reinterpret_cast<const MSG*>(lParam)); });
        if (switched) return TRUE;
    }
    // Windows 95, 98 and ME pass the message on only with the hook's own handle.
    return CallNextHookEx(tabbingHook, code, wParam, lParam);
}

bool GameEditorView::SwitchTab(const MSG& message) {
    if (message.message != WM_KEYDOWN || !hwnd_ || shownTabs_.empty()) return false;
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    if (GetKeyState(VK_CONTROL) >= 0) {
        // Tab from the tab strip goes into the page shown, not past it.
        if (message.wParam != VK_TAB || shift || message.hwnd != tabs) return false;
        const int selected = TabCtrl_GetCurSel(tabs);
        if (selected < 0 || selected >= static_cast<int>(shownTabs_.size())) return false;
        HWND page =
            pages_[static_cast<size_t>(shownTabs_[static_cast<size_t>(selected)])]->Handle();
        HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
        if (!first) return false;
        SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        return true;
    }
    int step = 0;
    if (message.wParam == VK_TAB) step = shift ? -1 : 1;
    if (message.wParam == VK_NEXT) step = 1;
    if (message.wParam == VK_PRIOR) step = -1;
    if (step == 0) return false;
    const int count = static_cast<int>(shownTabs_.size());
    const int next = (TabCtrl_GetCurSel(tabs) + step + count) % count;
    SelectTab(shownTabs_[static_cast<size_t>(next)]);
    SetFocus(tabs);
    return true;
}

bool GameEditorView::Show(HWND owner) { return RunDialog(owner, IDD_EDITOR, *this) == IDOK; }

void GameEditorView::Fill() {
    SetWindowTextA(hwnd_, TfmGlide::kCaption);
    CreatePages();
    BindSlider(Control(IDC_SLRGAMMA), model_.slRGamma);
    BindSlider(Control(IDC_SLGGAMMA), model_.slGGamma);
    BindSlider(Control(IDC_SLBGAMMA), model_.slBGamma);
    model_.SetHost(this);
    filling_ = true;
    StateChanged();
    filling_ = false;
    if (model_.ReducedForVoodoo3()) ArrangeForVoodoo3();
    SelectTab(EditorTab::Properties);
    PostMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_EDTITLE)), TRUE);
    tabbingEditor = this;
    keyFilter_ = SetWindowsHookExA(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());
    tabbingHook = keyFilter_;
}

void GameEditorView::CreatePages() {
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    // The pages are children of the tab control: it paints around them, and the dialog's
    // keyboard goes from the tabs into the page shown and on to OK and Cancel.
    SetWindowLongPtrA(tabs, GWL_STYLE, GetWindowLongPtrA(tabs, GWL_STYLE) | WS_CLIPCHILDREN);
    SetWindowLongPtrA(tabs, GWL_EXSTYLE,
                      GetWindowLongPtrA(tabs, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    for (size_t i = 0; i < kEditorTabCount; ++i) {
        pages_[i] = std::make_unique<Page>(app_, *this);
        CreateDialogParamA(app_.Instance(), MAKEINTRESOURCEA(kPageTemplates[i]), tabs,
                           Dialog::DialogProc,
                           reinterpret_cast<LPARAM>(static_cast<Dialog*>(pages_[i].get())));
    }
    CreateTweakBoxes();
    // The preset buttons tell what they do in a tip.
    toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                               hwnd_, nullptr, app_.Instance(), nullptr);
    const std::pair<int, const char*> hints[] = {{IDC_BTNSAVEPRESETGLIDE, kSavePresetHint},
                                                 {IDC_BTNDELETEPRESETGLIDE, kDeletePresetHint},
                                                 {IDC_BTNSAVEPRESETD3D, kSavePresetHint},
                                                 {IDC_BTNDELETEPRESETD3D, kDeletePresetHint}};
    for (const auto& [id, hint] : hints) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(Control(id));
        tool.lpszText = const_cast<char*>(hint);
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void GameEditorView::CreateTweakBoxes() {
    const bool voodoo3 = model_.ReducedForVoodoo3();
    // Each page's boxes come first in its tab order, line by line, ahead of its presets.
    std::array<HWND, kEditorTabCount> last;
    last.fill(HWND_TOP);
    for (const EditorBox box : EditorBoxes()) {
        const auto tab = static_cast<size_t>(TabOf(box));
        HWND page = pages_[tab]->Handle();
        const auto font = static_cast<WPARAM>(SendMessageA(page, WM_GETFONT, 0, 0));
        const int line = LineOf(box, voodoo3);
        const std::string label(LabelOf(box));
        const std::pair<HWND, RECT> controls[] = {
            {CreateWindowExA(0, "STATIC", label.c_str(), WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT,
                             0, 0, 0, 0, page,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(TweakLabelId(box))),
                             app_.Instance(), nullptr),
             OnLine(page, kFirstTweakLabel, line)},
            {CreateWindowExA(0, "COMBOBOX", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 0,
                             0, 0, 0, page,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(TweakBoxId(box))),
                             app_.Instance(), nullptr),
             OnLine(page, kFirstTweakBox, line)},
        };
        for (const auto& [control, place] : controls) {
            SendMessageA(control, WM_SETFONT, font, FALSE);
            SetWindowPos(control, last[tab], place.left, place.top, place.right - place.left,
                         place.bottom - place.top, SWP_NOACTIVATE);
            last[tab] = control;
        }
    }
}

HWND GameEditorView::Control(int id) const {
    for (const auto& page : pages_) {
        if (!page || !page->Handle()) continue;
        if (HWND control = GetDlgItem(page->Handle(), id)) return control;
    }
    return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr;
}

void GameEditorView::ShowTabs() {
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    std::vector<EditorTab> wanted;
    for (size_t i = 0; i < kEditorTabCount; ++i) {
        const auto tab = static_cast<EditorTab>(i);
        if (model_.TabVisible(tab)) wanted.push_back(tab);
    }
    if (wanted == shownTabs_) return;
    const int selected = TabCtrl_GetCurSel(tabs);
    const EditorTab current = selected >= 0 && selected < static_cast<int>(shownTabs_.size())
                                  ? shownTabs_[static_cast<size_t>(selected)]
                                  : EditorTab::Properties;
    TabCtrl_DeleteAllItems(tabs);
    shownTabs_ = wanted;
    for (size_t i = 0; i < shownTabs_.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(TabCaption(shownTabs_[i]));
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SelectTab(current);
}

void GameEditorView::SelectTab(EditorTab tab) {
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    for (size_t i = 0; i < shownTabs_.size(); ++i) {
        if (shownTabs_[i] == tab) TabCtrl_SetCurSel(tabs, static_cast<int>(i));
    }
    if (TabCtrl_GetCurSel(tabs) < 0) TabCtrl_SetCurSel(tabs, 0);
    ShowSelectedPage();
}

void GameEditorView::ShowSelectedPage() {
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    RECT area{};
    GetClientRect(tabs, &area);
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    const int selected = TabCtrl_GetCurSel(tabs);
    for (size_t i = 0; i < kEditorTabCount; ++i) {
        HWND page = pages_[i] ? pages_[i]->Handle() : nullptr;
        if (!page) continue;
        const bool shown = selected >= 0 && selected < static_cast<int>(shownTabs_.size()) &&
                           static_cast<size_t>(shownTabs_[static_cast<size_t>(selected)]) == i;
        SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
}

void GameEditorView::ArrangeForVoodoo3() {
    // The tweak boxes stand in their Voodoo3 places from the start (CreateTweakBoxes). The
    // dialog gets shorter; the buttons keep their distance from its bottom edge.
    RECT window{};
    GetWindowRect(hwnd_, &window);
    const int delta = kVoodoo3Height - (window.bottom - window.top);
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, kVoodoo3Height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : {IDOK, IDCANCEL}) {
        HWND button = GetDlgItem(hwnd_, id);
        RECT place = RectIn(hwnd_, button);
        OffsetRect(&place, 0, delta);
        MoveTo(hwnd_, button, place);
    }
    HWND tabs = GetDlgItem(hwnd_, IDC_EDITOR_TABS);
    const RECT area = RectIn(hwnd_, tabs);
    SetWindowPos(tabs, nullptr, 0, 0, area.right - area.left, area.bottom - area.top + delta,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowSelectedPage();
}

void GameEditorView::StateChanged() {
    if (!hwnd_) return;
    auto showCombo = [this](int id, const ComboBoxState& state, std::vector<std::string>& shown) {
        HWND combo = Control(id);
        if (shown != state.Items) {
            SendMessageA(combo, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : state.Items) {
                SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            }
            shown = state.Items;
        }
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(state.ItemIndex), 0);
    };
    for (const EditorBox box : EditorBoxes()) {
        const ComboBoxState& state = model_.Box(box);
        showCombo(TweakBoxId(box), state, shownItems_[BoxIndex(box)]);
        const int show = state.Visible ? SW_SHOWNA : SW_HIDE;
        ShowWindow(Control(TweakBoxId(box)), show);
        ShowWindow(Control(TweakLabelId(box)), show);
    }
    showCombo(IDC_CBXGLIDEPRESETS, model_.cbxGlidePresets, shownPresets_[0]);
    showCombo(IDC_CBXD3DPRESETS, model_.cbxD3DPresets, shownPresets_[1]);

    const std::pair<int, const EditState*> edits[] = {{IDC_EDTITLE, &model_.edTitle},
                                                      {IDC_EDPATH, &model_.edPath},
                                                      {IDC_EDCOMMANDLINE, &model_.edCommandLine}};
    for (const auto& [id, state] : edits) {
        SetTextIfChanged(Control(id), state->Text);
        EnableWindow(Control(id), state->Enabled);
    }
    const std::pair<int, const CheckState*> checks[] = {
        {IDC_CHKCONFIG, &model_.chkConfig},
        {IDC_CHKGAMEONLY, &model_.chkGameOnly},
        {IDC_CHKFOLLOWSTARTED, &model_.chkFollowStarted},
        {IDC_CHKLOCKGAMMASLIDERS, &model_.chkLockGammaSliders}};
    for (const auto& [id, state] : checks) {
        SendMessageA(Control(id), BM_SETCHECK, state->Checked ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(Control(id), state->Enabled);
    }
    SetTextIfChanged(Control(IDC_LBLRGAMMA), model_.lblRGamma);
    SetTextIfChanged(Control(IDC_LBLGGAMMA), model_.lblGGamma);
    SetTextIfChanged(Control(IDC_LBLBGAMMA), model_.lblBGamma);

    IconHandle icon;
    if (model_.ShownIcon()) icon = CreateIconHandle(model_.imgIcon(), 32, 32);
    SendMessageA(Control(IDC_IMGICON), STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
    icon_ = std::move(icon);

    ShowTabs();
}

void GameEditorView::ReadTexts() {
    model_.edTitle.Text = WindowText(Control(IDC_EDTITLE));
    model_.edPath.Text = WindowText(Control(IDC_EDPATH));
    model_.edCommandLine.Text = WindowText(Control(IDC_EDCOMMANDLINE));
}

bool GameEditorView::Read() {
    ReadTexts();
    return model_.btnOKClick();
}

void GameEditorView::OnCommand(int id, int code) {
    if (filling_) return;
    auto checked = [this, id] {
        return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    auto selection = [this, id] {
        return static_cast<int>(SendMessageA(Control(id), CB_GETCURSEL, 0, 0));
    };
    if (code == CBN_SELCHANGE) {
        ReadTexts();
        if (const std::optional<EditorBox> box = TweakBoxOfId(id)) {
            model_.Box(*box).ItemIndex = selection();
            model_.BoxChange(*box);
            return;
        }
        if (id == IDC_CBXGLIDEPRESETS || id == IDC_CBXD3DPRESETS) {
            const bool fromD3D = id == IDC_CBXD3DPRESETS;
            (fromD3D ? model_.cbxD3DPresets : model_.cbxGlidePresets).ItemIndex = selection();
            model_.cbxGlidePresetsChange(fromD3D);
        }
        return;
    }
    if (code != BN_CLICKED) return;
    ReadTexts();
    switch (id) {
        case IDC_CHKCONFIG:
            model_.chkConfig.Checked = checked();
            model_.chkConfigClick();
            break;
        case IDC_CHKGAMEONLY:
            model_.chkGameOnly.Checked = checked();
            model_.chkGameOnlyClick();
            break;
        case IDC_CHKFOLLOWSTARTED:
            model_.chkFollowStarted.Checked = checked();
            break;
        case IDC_CHKLOCKGAMMASLIDERS:
            model_.chkLockGammaSliders.Checked = checked();
            model_.chkLockGammaSlidersClick();
            break;
        case IDC_BTNDEFAULTGAMMA:
            model_.btnDefaultGammaClick();
            break;
        case IDC_BTNCHANGEICON:
            model_.btnChangeIconClick();
            break;
        case IDC_BTNEDPATH:
            model_.btnEdPathClick();
            break;
        case IDC_BTNSAVEPRESETGLIDE:
        case IDC_BTNSAVEPRESETD3D:
            model_.btnSavePresetD3DClick();
            break;
        case IDC_BTNDELETEPRESETGLIDE:
        case IDC_BTNDELETEPRESETD3D:
            model_.btnDeletePresetD3DClick();
            break;
        default:
            break;
    }
}

INT_PTR GameEditorView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_EDITOR_TABS && header->code == TCN_SELCHANGE) {
            ShowSelectedPage();
            return TRUE;
        }
    }
    if (message == WM_COMMAND && LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) {
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return Dialog::OnMessage(message, wParam, lParam);
}

void GameEditorView::FocusControl(EditorControl control) {
    SelectTab(EditorTab::Properties);
    const int id = control == EditorControl::edTitle ? IDC_EDTITLE : IDC_EDPATH;
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
}

std::optional<IconChoice> GameEditorView::ChooseIcon(const std::string& file, int index) {
    TfmChangeIcon dialog(app_.GetPrompts());
    dialog.SetUp(file, index);
    if (!ShowChangeIcon(app_, hwnd_, dialog)) return std::nullopt;
    return IconChoice{dialog.ChosenFileName(), dialog.ChosenIconIndex()};
}

}  // namespace pallisar
