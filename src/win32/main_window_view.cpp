#include "win32/main_window_view.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

#include "app/file_index_icon.h"
#include "platform/program_dir.h"
#include "ui/state_report.h"
#include "win32/game_editor_view.h"
#include "win32/icon_handle.h"
#include "win32/list_items.h"
#include "win32/menu_builder.h"
#include "win32/resource.h"
#include "win32/system_features.h"
#include "win32/win32_icon_module.h"

namespace pallisar {

namespace {

// Posted to ourselves so that the start-up steps run after activation has finished
// (they may show a message box or close the window).
constexpr UINT kFirstActivateMessage = WM_APP + 1;
// Posted by the model's Close: the window goes once the current handler is done.
constexpr UINT kDestroyMessage = WM_APP + 2;
// Posted when files were dropped on the window: they are taken once Explorer's drop is
// done with, so that the drag's source never waits for the editor.
constexpr UINT kDroppedFilesMessage = WM_APP + 3;
// Posted by the icon reader when read icons wait to be taken.
constexpr UINT kIconsReadMessage = WM_APP + 4;

constexpr int kWindowWidth = 623;
constexpr int kWindowHeight = 420;
constexpr int kPanelWidth = 105;
constexpr int kButtonX = 15;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kStatusBarHeight = 19;
constexpr int kPathColumnWidth = 240;

// Panel1's buttons: command id, top and caption.
struct PanelButton {
    int id;
    int y;
    const char* caption;
};
constexpr PanelButton kButtons[] = {{IDC_BTN_ADD_ICON, 16, "New"},
                                    {IDC_BTN_EDIT_GAME, 48, "Edit..."},
                                    {IDC_BTN_RUN, 80, "Run"},
                                    {IDC_BTN_EXIT, 112, "Exit"},
                                    {IDC_BTN_ABOUT, 144, "About..."}};

DWORD ListStyleFor(ViewStyle style) {
    switch (style) {
        case ViewStyle::vsSmallIcon:
            return LVS_SMALLICON;
        case ViewStyle::vsList:
            return LVS_LIST;
        case ViewStyle::vsReport:
            return LVS_REPORT;
        case ViewStyle::vsIcon:
            break;
    }
    return LVS_ICON;
}

HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// The names of the files a drop holds, in its order.
std::vector<std::string> DroppedFileNames(HDROP drop) {
    std::vector<std::string> files;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::vector<char> name(length + 1);
        if (length > 0 && DragQueryFileA(drop, i, name.data(), length + 1) == length) {
            files.emplace_back(name.data(), length);
        }
    }
    return files;
}

// The open pop-up menus of this thread (class "#32768"): drawn again when their games'
// icons are read.
BOOL CALLBACK InvalidateOpenMenu(HWND window, LPARAM) {
    char name[16] = {};
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        std::strcmp(name, "#32768") == 0) {
        InvalidateRect(window, nullptr, TRUE);
    }
    return TRUE;
}

}  // namespace

MainWindowView::MainWindowView(Application& app, TfmMain& model)
    : Window(app),
      model_(model),
      trayPlatform_(app),
      trayIcon_(std::make_unique<TTrayIcon>(trayPlatform_)),
      // A chosen item's command runs once the menu is fully gone (the foreground window
      // put back), as a menu command of the window: so "&Restore" leaves the window
      // in front.
      trayPopup_([this] { return trayMenu_.Get(); },
                 [this](int command) {
                     if (hwnd_) PostMessageA(hwnd_, WM_COMMAND, static_cast<WPARAM>(command), 0);
                 }) {
    writeStateMessage_ = RegisterWindowMessageA(kWriteStateMessage);
    model_.SetHost(this);
    trayIcon_->SetPopupMenu(&trayPopup_);
    trayPlatform_.SetMenuMessageHandler([this](UINT message, LPARAM lParam, LRESULT* result) {
        return OnTrayMenuMessage(message, lParam, result);
    });
    trayIcon_->OnClick = [this](TTrayIcon&, TMouseButton, TShiftState, int, int) {
        model_.TrayIcon1Click();
    };
    trayIcon_->Loaded();
}

MainWindowView::~MainWindowView() {
    // Destroyed here, while the handlers of its last messages (FormClose) still exist.
    if (hwnd_) DestroyWindow(hwnd_);
    model_.SetHost(nullptr);
}

void MainWindowView::MinimizeApplication() { app_.Minimize(); }

void MainWindowView::RestoreApplication() { app_.Restore(); }

// The main window is the application's window: hidden, it has no taskbar button.
void MainWindowView::HideApplicationWindow() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void MainWindowView::ReportError(const std::exception_ptr& error) { app_.HandleException(error); }

void MainWindowView::CloseWindow() {
    if (hwnd_) PostMessageA(hwnd_, kDestroyMessage, 0, 0);
}

// The first step of closing: the icon leaves the notification area.
void MainWindowView::DeactivateTrayIcon() {
    trayIcon_->SetActive(false);
    trayPlatform_.SetTerminating();
}

void MainWindowView::GameListLoaded() {
    if (!hwnd_ || !listView_) return;
    SyncList();
    SyncTrayMenu();
    WriteStateReport();
}

void MainWindowView::StateChanged() {
    if (!hwnd_) return;
    SyncCaptionAndStyle();
    // The tray menu is built once per list; Stop Waiting follows the launches.
    if (const MenuItem* stop = model_.FindCommand(IDM_TRAY_STOP_WAITING); stop && trayMenu_) {
        MENUITEMINFOA info = OldMenuItemInfo();
        info.fMask = MIIM_STATE;
        info.fState = stop->Enabled ? MFS_ENABLED : MFS_GRAYED;
        SetMenuItemInfoA(trayMenu_.Get(), IDM_TRAY_STOP_WAITING, FALSE, &info);
    }
    WriteStateReport();
}

bool MainWindowView::Create(int showCommand) {
    InitCommonControlClasses(ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Window::WindowProc;
    wc.hInstance = app_.Instance();
    wc.hIcon = app_.BuiltInIcon();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    ScopedMenu menu = CreateMenuBar(model_.MainMenu1());
    if (!CreateHwnd(0, kClassName, model_.Caption().c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr,
                    menu.Get())) {
        return false;
    }
    // The window owns its menu from here on and destroys it with itself.
    (void)menu.Take();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    // Also when shown without activation: the start-up steps run exactly once anyway.
    PostMessageA(hwnd_, kFirstActivateMessage, 0, 0);
    return true;
}

LRESULT MainWindowView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    AppMessage filtered{message, wParam, static_cast<intptr_t>(lParam), 0};
    if (app_.FilterMainWindowMessage(filtered)) return filtered.Result;
    if (message == writeStateMessage_ && writeStateMessage_ != 0) {
        WriteStateReport();
        return 0;
    }
    switch (message) {
        case kIconsReadMessage:
            TakeReadIcons();
            return 0;
        case WM_CREATE:
            CreateControls();
            // Programs and their shortcuts dropped from Explorer are added as new games.
            DragAcceptFiles(hwnd_, TRUE);
            // The list and the tray menu follow the model's loads (GameListLoaded).
            app_.Guard([this] { model_.FormCreate(); });
            SyncIcons();
            SyncCaptionAndStyle();
            WriteStateReport();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                focusedChild_ = focus && IsChild(hwnd_, focus) ? focus : nullptr;
            }
            if (LOWORD(wParam) != WA_INACTIVE && model_.StartupPending()) {
                PostMessageA(hwnd_, kFirstActivateMessage, 0, 0);
            }
            break;  // the default sets the focus to the window: see WM_SETFOCUS
        case WM_SETFOCUS:
            // The window itself takes no keys. Activated again (after a message box, the
            // editor or a game), it gives the keyboard back to the control that had it,
            // else to the list: a modal box disables the window first, which takes the
            // focus from its control before the window is deactivated.
            if (HWND control = focusedChild_ && IsChild(hwnd_, focusedChild_) &&
                                       IsWindowVisible(focusedChild_) &&
                                       IsWindowEnabled(focusedChild_)
                                   ? focusedChild_
                                   : listView_) {
                SetFocus(control);
            }
            return 0;
        case kFirstActivateMessage:
            if (model_.StartupPending()) {
                model_.FormActivate();
            }
            return 0;
        case WM_SYSCOMMAND:
            // Minimising the window minimises the application (to the tray).
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    app_.Minimize();
                    return 0;
                case SC_RESTORE:
                    if (IsIconic(hwnd_)) {
                        app_.Restore();
                        return 0;
                    }
                    break;
                default:
                    break;
            }
            break;
        case WM_ACTIVATEAPP:
            app_.ActivateApp(wParam != 0);
            break;
        case WM_SIZE:
            app_.MainWindowResized(wParam == SIZE_MINIMIZED);
            Layout();
            // FormResize: the list is repainted.
            if (listView_) InvalidateRect(listView_, nullptr, TRUE);
            return 0;
        case WM_COMMAND:
            if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
                const int id = LOWORD(wParam);
                model_.Execute(id);
                return 0;
            }
            break;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == listView_) {
                int x = GET_X_LPARAM(lParam);
                int y = GET_Y_LPARAM(lParam);
                if (x == -1 && y == -1) {  // from the keyboard: Shift+F10 or the menu key
                    const POINT at = KeyboardMenuPoint();
                    x = at.x;
                    y = at.y;
                }
                ShowPopupMenu1(x, y);
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            if (!HIWORD(lParam)) RefreshMenuBarPopup(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_CLOSE:
            app_.Guard([this] { model_.Close(); });
            // Whatever happened in FormClose, the window goes.
            if (model_.Closed()) PostMessageA(hwnd_, kDestroyMessage, 0, 0);
            return 0;
        case kDestroyMessage:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DROPFILES: {
            const auto drop = reinterpret_cast<HDROP>(wParam);
            for (std::string& file : DroppedFileNames(drop))
                droppedFiles_.push_back(std::move(file));
            DragFinish(drop);
            PostMessageA(hwnd_, kDroppedFilesMessage, 0, 0);
            return 0;
        }
        case kDroppedFilesMessage:
            TakeDroppedFiles();
            return 0;
        case WM_DESTROY:
            // Closed by the system (end of session) or by the owner of the view.
            app_.Guard([this] { model_.FormClose(); });
            if (app_.MainWindow() == hwnd_) {
                app_.SetMainWindow(nullptr);
                PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY:
            listView_ = nullptr;
            statusBar_ = nullptr;
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

void MainWindowView::CreateControls() {
    HINSTANCE instance = app_.Instance();
    listIcons_ = std::make_unique<ListIcons>(hwnd_, kIconsReadMessage);
    for (const PanelButton& button : kButtons) {
        HWND control = CreateWindowExA(
            0, "BUTTON", button.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
            kButtonX, button.y, kButtonWidth, kButtonHeight, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    }

    listView_ = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL |
            LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
        kPanelWidth, 0, kWindowWidth - kPanelWidth, 300, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LISTVIEW)), instance, nullptr);
    SendMessageA(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    ListView_SetExtendedListViewStyle(listView_, LVS_EX_TRACKSELECT);

    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>("Title");
    column.cx = 200;
    column.iSubItem = 0;
    SendMessageA(listView_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = const_cast<char*>("Path");
    column.cx = kPathColumnWidth;
    column.iSubItem = 1;
    SendMessageA(listView_, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));

    // No panels and no text: the bar only closes the window off at the bottom.
    statusBar_ = CreateWindowExA(
        0, STATUSCLASSNAMEA, "",
        WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 0,
        kStatusBarHeight, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR1)),
        instance, nullptr);
    SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);
    Layout();
}

void MainWindowView::Layout() {
    if (!listView_ || !statusBar_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    MoveWindow(statusBar_, 0, height - kStatusBarHeight, width, kStatusBarHeight, TRUE);
    const int listHeight = height > kStatusBarHeight ? height - kStatusBarHeight : 0;
    const int listWidth = width > kPanelWidth ? width - kPanelWidth : 0;
    MoveWindow(listView_, kPanelWidth, 0, listWidth, listHeight, TRUE);

    // The "Title" column takes whatever width "Path" leaves.
    RECT listClient;
    GetClientRect(listView_, &listClient);
    const int titleWidth = listClient.right - kPathColumnWidth;
    ListView_SetColumnWidth(listView_, 0, titleWidth > 50 ? titleWidth : 50);
}

LRESULT MainWindowView::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != listView_) return 0;
    // The list asks for its items as it draws them (see list_items.h); an item's icon is
    // wanted when its image is asked for.
    const bool wide = header.code == LVN_GETDISPINFOW || header.code == LVN_ODFINDITEMW;
    if (header.code == LVN_GETDISPINFOA || header.code == LVN_GETDISPINFOW) {
        auto& info = const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header));
        AnswerItem(info, wide, model_.Items(),
                   [this](const ListItem& entry) { return IconImage(entry.ImageIndex); });
        return 0;
    }
    if (header.code == LVN_ODFINDITEMA || header.code == LVN_ODFINDITEMW) {
        return FindItem(reinterpret_cast<const NMLVFINDITEMA&>(header), wide, model_.Items());
    }
    if (syncing_) return 0;
    switch (header.code) {
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) &&
                ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
                model_.SetSelected(ListView_GetNextItem(listView_, -1, LVNI_SELECTED));
            }
            return 0;
        }
        case LVN_ODSTATECHANGED: {
            const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            if ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) {
                model_.SetSelected(ListView_GetNextItem(listView_, -1, LVNI_SELECTED));
            }
            return 0;
        }
        case NM_DBLCLK:
            model_.ListViewDblClick();
            return 0;
        case LVN_KEYDOWN: {
            const int key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            model_.ListViewKeyDown(key);
            return 0;
        }
        case LVN_ENDLABELEDITA: {
            const auto& edit = reinterpret_cast<const NMLVDISPINFOA&>(header);
            if (!edit.item.pszText) return FALSE;  // cancelled
            model_.SetItemCaption(edit.item.iItem, edit.item.pszText);
            return TRUE;
        }
        default:
            return 0;
    }
}

// The editor's dialog is not built yet: the editor is cancelled.
bool MainWindowView::ShowEditor(TfmGlide& editor) {
    GameEditorView view(app_, editor);
    return view.Show(hwnd_);
}

OptionsHost& MainWindowView::OptionsDialogs() {
    if (!optionsHost_) optionsHost_ = std::make_unique<OptionsWindowHost>(app_, hwnd_);
    return *optionsHost_;
}

void MainWindowView::ShowPopupMenu1(int x, int y) {
    model_.PopupMenu1Popup();
    ScopedMenu popup = CreatePopupMenuFrom(model_.PopupMenu1().Items);
    if (!popup) return;
    TrackPopupMenu(popup.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, hwnd_, nullptr);
}

// The files dropped so far, in turn. A drop while the editor of an earlier one is open
// waits for its turn rather than opening a second editor.
void MainWindowView::TakeDroppedFiles() {
    if (takingDroppedFiles_ || droppedFiles_.empty() || model_.Closed()) return;
    takingDroppedFiles_ = true;
    // The editor comes up in front of Explorer, where the user dropped the files.
    SetForegroundWindow(hwnd_);
    while (!droppedFiles_.empty() && !model_.Closed()) {
        std::vector<std::string> files;
        files.swap(droppedFiles_);
        app_.Guard([&] { model_.WMDropFiles(files); });
    }
    droppedFiles_.clear();
    takingDroppedFiles_ = false;
}

// As in Explorer: in the middle of the selected item's icon (scrolled into view), else
// near the list's top left corner.
POINT MainWindowView::KeyboardMenuPoint() const {
    POINT at{8, 8};
    const int selected = ListView_GetNextItem(listView_, -1, LVNI_SELECTED);
    RECT icon{};
    if (selected >= 0) {
        ListView_EnsureVisible(listView_, selected, FALSE);
        icon.left = LVIR_ICON;
        if (SendMessageA(listView_, LVM_GETITEMRECT, static_cast<WPARAM>(selected),
                         reinterpret_cast<LPARAM>(&icon))) {
            RECT client{};
            GetClientRect(listView_, &client);
            at.x = std::clamp<LONG>((icon.left + icon.right) / 2, 0,
                                    std::max<LONG>(0, client.right - 1));
            at.y = std::clamp<LONG>((icon.top + icon.bottom) / 2, 0,
                                    std::max<LONG>(0, client.bottom - 1));
        }
    }
    MapWindowPoints(listView_, HWND_DESKTOP, &at, 1);
    return at;
}

// The drop-down menus of the bar are filled again each time they open, so that
// they always show the model's captions and states.
void MainWindowView::RefreshMenuBarPopup(HMENU popup) {
    HMENU bar = GetMenu(hwnd_);
    const auto& items = model_.MainMenu1().Items;
    for (int pos = 0; pos < GetMenuItemCount(bar) && pos < static_cast<int>(items.size()); ++pos) {
        if (GetSubMenu(bar, pos) != popup) continue;
        if (items[pos].Name == "File1") model_.File1Click();
        FillMenu(popup, items[pos].Items);
    }
}

void MainWindowView::SyncIcons() {
    // Without pallisar.ico both icons are the built-in one again.
    // The file is read once for the window's two sizes and the tray.
    std::optional<Icon> trayImages;
    if (const auto& ref = model_.ApplicationIcon()) {
        TFileIndexIcon icon;
        icon.SetFileName(ref->FileName);
        icon.SetIconIndex(ref->Index);
        app_.SetIcon(
            CreateIconHandle(icon, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)),
            CreateIconHandle(icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));
        if (const Icon* images = icon.GetIcon()) trayImages = *images;
    } else {
        app_.SetIcon(IconHandle(), IconHandle());
    }
    if (!trayImages) trayImages = BuiltInIconImages();
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app_.Icon()));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app_.SmallIcon()));
    if (trayImages) {
        trayIcon_->Icon().SetIcon(std::move(*trayImages));
    } else {
        trayIcon_->Icon().Assign(nullptr);
    }
}

std::optional<Icon> MainWindowView::BuiltInIconImages() const {
    try {
        return Win32IconModule(app_.Instance())
            .LoadIconResource("#" + std::to_string(IDI_PALLISAR));
    } catch (const std::exception&) {
        // A test program has no icon resource of its own: its first icon will do.
        return ReadIconFromFile(ProgramFile(), 0);
    }
}

void MainWindowView::SyncCaptionAndStyle() {
    if (!hwnd_) return;
    char current[512] = {};
    GetWindowTextA(hwnd_, current, sizeof current);
    if (model_.Caption() != current) SetWindowTextA(hwnd_, model_.Caption().c_str());
    if (statusBar_ && model_.StatusText() != statusText_) {
        statusText_ = model_.StatusText();
        SendMessageA(statusBar_, SB_SETTEXTA, SB_SIMPLEID,
                     reinterpret_cast<LPARAM>(statusText_.c_str()));
    }
    if (!listView_) return;
    const LONG_PTR style = GetWindowLongPtrA(listView_, GWL_STYLE);
    const LONG_PTR wanted = (style & ~LVS_TYPEMASK) | ListStyleFor(model_.GetViewStyle());
    if (wanted == style) return;
    SetWindowLongPtrA(listView_, GWL_STYLE, wanted);
    // The list lays its items out anew for the new style but does not repaint them.
    InvalidateRect(listView_, nullptr, TRUE);
}

void MainWindowView::SyncList() {
    syncing_ = true;
    ListView_DeleteAllItems(listView_);
    // New image lists holding the default images only: the icons are read when drawn.
    listIcons_->Reset(static_cast<int>(model_.Icons().size()), app_.BuiltInIcon(),
                      app_.SmallIcon());
    ListView_SetImageList(listView_, listIcons_->Large(), LVSIL_NORMAL);
    ListView_SetImageList(listView_, listIcons_->Small(), LVSIL_SMALL);
    ListView_SetItemCountEx(listView_, static_cast<int>(model_.Items().size()), 0);
    syncing_ = false;
}

void MainWindowView::SyncTrayMenu() {
    trayMenu_ = CreatePopupMenuFrom(model_.TrayPopup());
    if (!trayMenu_) return;
    // Each game's picture is drawn by the window when its item is (WM_DRAWITEM), from
    // the small image list. Windows 95 and NT 4.0 refuse menu item pictures: the first
    // refusal ends the attempt.
    for (const MenuItem& item : model_.TrayPopup()) {
        if (item.IsSeparator() || item.ImageIndex < 0) continue;
        MENUITEMINFOA menuItem{};
        menuItem.cbSize = sizeof menuItem;
        menuItem.fMask = MIIM_BITMAP | MIIM_DATA;
        menuItem.hbmpItem = HBMMENU_CALLBACK;
        menuItem.dwItemData = static_cast<ULONG_PTR>(item.ImageIndex);
        if (!SetMenuItemInfoA(trayMenu_.Get(), static_cast<UINT>(item.Command), FALSE, &menuItem)) {
            break;
        }
    }
}

void MainWindowView::RedrawItemsShowing(const std::vector<int>& icons) {
    std::vector<bool> changed(model_.Icons().size(), false);
    for (int icon : icons) {
        if (icon >= 0 && icon < static_cast<int>(changed.size())) changed[icon] = true;
    }
    const auto& items = model_.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        const int icon = items[i].ImageIndex;
        if (icon < 0 || icon >= static_cast<int>(changed.size()) || !changed[icon]) continue;
        ListView_RedrawItems(listView_, static_cast<int>(i), static_cast<int>(i));
    }
}

int MainWindowView::IconImage(int icon) {
    const auto& icons = model_.Icons();
    if (!listIcons_ || icon < 0 || icon >= static_cast<int>(icons.size())) {
        return IconSlots::kDefaultSlot;
    }
    return listIcons_->Image(icon, icons[icon]);
}

std::vector<bool> MainWindowView::IconsInSight() const {
    std::vector<bool> inSight(model_.Icons().size(), false);
    RECT client{};
    GetClientRect(listView_, &client);
    const auto& items = model_.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        RECT common{};
        if (SendMessageA(listView_, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&bounds)) &&
            IntersectRect(&common, &bounds, &client) && items[i].ImageIndex >= 0 &&
            items[i].ImageIndex < static_cast<int>(inSight.size())) {
            inSight[items[i].ImageIndex] = true;
        }
    }
    return inSight;
}

void MainWindowView::TakeReadIcons() {
    if (!listIcons_) return;
    if (takingIcons_) {  // an error box of the last round is up: after it
        iconsWaiting_ = true;
        return;
    }
    takingIcons_ = true;
    std::optional<std::vector<bool>> inSight;
    ListIcons::Taken taken = listIcons_->Take([&](int icon) -> bool {
        // While the tray menu is open, its pictures may show any icon.
        if (trayMenuOpen_) return true;
        if (!inSight) inSight = IconsInSight();
        return static_cast<bool>((*inSight)[icon]);
    });
    if (!taken.noIcons.empty()) {
        std::vector<IconRef> before;
        for (int icon : taken.noIcons) before.push_back(model_.Icons()[icon]);
        app_.Guard([&] { model_.RepairIcons(taken.noIcons); });
        for (size_t i = 0; i < taken.noIcons.size(); ++i) {
            const int icon = taken.noIcons[i];
            // Mended: read from its new file at its next draw. Already the fallback: the
            // default image for good.
            if (model_.Icons()[icon] == before[i]) listIcons_->Unreadable(icon);
            taken.placed.push_back(icon);
        }
    }
    taken.placed.insert(taken.placed.end(), taken.released.begin(), taken.released.end());
    RedrawItemsShowing(taken.placed);
    if (trayMenuOpen_) EnumThreadWindows(GetCurrentThreadId(), InvalidateOpenMenu, 0);
    takingIcons_ = false;
    if (std::exchange(iconsWaiting_, false)) PostMessageA(hwnd_, kIconsReadMessage, 0, 0);
}

bool MainWindowView::OnTrayMenuMessage(UINT message, LPARAM lParam, LRESULT* result) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    switch (message) {
        case WM_ENTERMENULOOP:
            trayMenuOpen_ = true;
            return false;
        case WM_EXITMENULOOP:
            trayMenuOpen_ = false;
            return false;
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure->CtlType != ODT_MENU) return false;
            measure->itemWidth = static_cast<UINT>(size);
            measure->itemHeight = static_cast<UINT>(size);
            *result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (draw->CtlType != ODT_MENU || !listIcons_) return false;
            const int image = IconImage(static_cast<int>(draw->itemData));
            const int top = (draw->rcItem.top + draw->rcItem.bottom - size) / 2;
            ImageList_Draw(listIcons_->Small(), image, draw->hDC, draw->rcItem.left, top,
                           ILD_TRANSPARENT);
            *result = TRUE;
            return true;
        }
        default:
            return false;
    }
}

void MainWindowView::WriteStateReport() {
    const char* path = std::getenv(kStateFileVariable);
    if (!path || !*path) return;
    std::string report = RenderStateReport(model_);
    if (listIcons_) report += RenderIconReport(listIcons_->Slots(), model_.Icons().size());
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "wb"));
    if (!file) return;  // a report that cannot be written is left out
    std::fwrite(report.data(), 1, report.size(), file.get());
}

}  // namespace pallisar
