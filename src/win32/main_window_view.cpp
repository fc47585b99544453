#include "win32/main_window_view.h"

#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "app/state_report.h"
#include "ui/file_index_icon.h"
#include "win32/icon_handle.h"
#include "win32/resource.h"

namespace pallisar {

namespace {

// Posted to ourselves so that the start-up steps run after activation has finished
// (they may show a message box or close the window).
constexpr UINT kFirstActivateMessage = WM_APP + 1;
// Posted by the model's Close: the window goes once the current handler is done.
constexpr UINT kDestroyMessage = WM_APP + 2;

constexpr int kWindowWidth = 623;
constexpr int kWindowHeight = 420;
constexpr int kPanelWidth = 105;
constexpr int kButtonX = 15;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kStatusBarHeight = 19;
constexpr int kPathColumnWidth = 240;

struct ButtonSpec {
    int id;
    int y;
    const char* caption;
};
constexpr ButtonSpec kButtons[] = {{IDC_BTN_ADD_ICON, 16, "New"},
                                   {IDC_BTN_EDIT_GAME, 48, "Edit..."},
                                   {IDC_BTN_RUN, 80, "Run"},
                                   {IDC_BTN_EXIT, 112, "Exit"},
                                   {IDC_BTN_ABOUT, 144, "About..."}};

// Menu command ids and the model's names of their items.
struct MenuName {
    int id;
    const char* name;
};
constexpr MenuName kMenuNames[] = {
    {IDM_FILE_NEW, "miNew"},
    {IDM_FILE_RUN, "miRun"},
    {IDM_FILE_EDIT, "miEdit"},
    {IDM_FILE_SHORTCUT, "miCreateShortcut"},
    {IDM_FILE_DELETE, "miDelete"},
    {IDM_FILE_EXIT, "miExit"},
    {IDM_EDIT_OPTIONS, "miOptions"},
    {IDM_HELP_ABOUT, "miAbout"},
    {IDM_POPUP_NEW, "mpNew"},
    {IDM_POPUP_RUN, "mpRun"},
    {IDM_POPUP_EDIT, "mpEdit"},
    {IDM_POPUP_SHORTCUT, "mpCreateShortcut"},
    {IDM_VIEW_LARGE_ICONS, "miLargeIcons"},
    {IDM_VIEW_SMALL_ICONS, "miSmallIcons"},
    {IDM_VIEW_LIST, "miList"},
    {IDM_VIEW_DETAILS, "miDetails"},
    {IDM_POPUP_REFRESH, "mpRefresh"},
    {IDM_POPUP_DELETE, "mpDelete"},
};

const char* MenuItemName(int id) {
    for (const MenuName& entry : kMenuNames) {
        if (entry.id == id) return entry.name;
    }
    return nullptr;
}

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

// The icon a reference names, at cx x cy; empty when the file gives none.
IconHandle LoadIconRef(const IconRef& ref, int cx, int cy) {
    TFileIndexIcon icon;
    icon.SetFileName(ref.FileName);
    icon.SetIconIndex(ref.Index);
    return CreateIconHandle(icon, cx, cy);
}

}  // namespace

MainWindowView::MainWindowView(Application& app, TfmMain& model) : app_(app), model_(model) {
    writeStateMessage_ = RegisterWindowMessageA(kWriteStateMessage);
    model_.MinimizeApplication = [this] { app_.Minimize(); };
    model_.RestoreApplication = [this] { app_.Restore(); };
    model_.CloseWindow = [this] {
        if (hwnd_) PostMessageA(hwnd_, kDestroyMessage, 0, 0);
    };
    model_.StateChanged = [this] { SyncAll(); };
}

MainWindowView::~MainWindowView() {
    model_.MinimizeApplication = nullptr;
    model_.RestoreApplication = nullptr;
    model_.CloseWindow = nullptr;
    model_.StateChanged = nullptr;
    if (hwnd_) DestroyWindow(hwnd_);
}

bool MainWindowView::Create(int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = app_.Instance();
    wc.hIcon = app_.BuiltInIcon();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    HMENU menu = LoadMenuA(app_.Instance(), MAKEINTRESOURCEA(IDM_MAINMENU1));
    // The window owns its menu from here on and destroys it with itself.
    hwnd_ = CreateWindowExA(0, kClassName, model_.Caption().c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                            kWindowWidth, kWindowHeight, nullptr, menu, app_.Instance(), this);
    if (!hwnd_) {
        if (menu) DestroyMenu(menu);
        return false;
    }
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    // Also when shown without activation: the start-up steps run exactly once anyway.
    PostMessageA(hwnd_, kFirstActivateMessage, 0, 0);
    return true;
}

LRESULT CALLBACK MainWindowView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* view = static_cast<MainWindowView*>(create->lpCreateParams);
        view->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<MainWindowView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!view) return DefWindowProcA(hwnd, message, wParam, lParam);
    return view->OnMessage(message, wParam, lParam);
}

LRESULT MainWindowView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == writeStateMessage_ && writeStateMessage_ != 0) {
        WriteStateReport();
        return 0;
    }
    switch (message) {
        case WM_CREATE:
            CreateControls();
            app_.Guard([this] { model_.FormCreate(); });
            if (const auto& icon = model_.ApplicationIcon()) {
                app_.SetIcon(
                    LoadIconRef(*icon, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)),
                    LoadIconRef(*icon, GetSystemMetrics(SM_CXSMICON),
                                GetSystemMetrics(SM_CYSMICON)));
            }
            SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app_.Icon()));
            SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app_.SmallIcon()));
            SyncAll();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && model_.StartupPending()) {
                PostMessageA(hwnd_, kFirstActivateMessage, 0, 0);
            }
            break;
        case kFirstActivateMessage:
            if (model_.StartupPending()) {
                app_.Guard([this] { model_.FormActivate(); });
                if (hwnd_) {
                    SyncCaptionAndStyle();
                    WriteStateReport();
                }
            }
            return 0;
        case WM_SIZE:
            Layout();
            // FormResize: the list is repainted.
            if (listView_) InvalidateRect(listView_, nullptr, TRUE);
            return 0;
        case WM_COMMAND:
            if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
                const int id = LOWORD(wParam);
                app_.Guard([this, id] { OnCommand(id); });
                if (hwnd_) SyncCaptionAndStyle();
                return 0;
            }
            break;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == listView_) {
                int x = GET_X_LPARAM(lParam);
                int y = GET_Y_LPARAM(lParam);
                if (x == -1 && y == -1) {  // from the keyboard
                    RECT rect;
                    GetWindowRect(listView_, &rect);
                    x = rect.left + 8;
                    y = rect.top + 8;
                }
                ShowPopupMenu1(x, y);
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            ApplyMenuState(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_CLOSE:
            app_.Guard([this] { model_.Close(); });
            // Whatever happened in FormClose, the window goes.
            if (model_.Closed()) PostMessageA(hwnd_, kDestroyMessage, 0, 0);
            return 0;
        case kDestroyMessage:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            // Closed by the system (end of session) or by the owner of the view.
            app_.Guard([this] { model_.FormClose(); });
            if (app_.MainWindow() == hwnd_) {
                app_.SetMainWindow(nullptr);
                PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY: {
            HWND hwnd = hwnd_;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            listView_ = nullptr;
            statusBar_ = nullptr;
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void MainWindowView::CreateControls() {
    HINSTANCE instance = app_.Instance();
    for (const ButtonSpec& button : kButtons) {
        HWND control = CreateWindowExA(
            0, "BUTTON", button.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
            kButtonX, button.y, kButtonWidth, kButtonHeight, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    }

    listView_ = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL |
            LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS,
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

void MainWindowView::OnCommand(int id) {
    const auto command = [this](const char* handler) {
        if (model_.Command) model_.Command(handler);
    };
    switch (id) {
        case IDC_BTN_ADD_ICON:
        case IDM_FILE_NEW:
        case IDM_POPUP_NEW:
            command("btnAddIconClick");
            return;
        case IDC_BTN_EDIT_GAME:
        case IDM_FILE_EDIT:
        case IDM_POPUP_EDIT:
            command("btnEditGameClick");
            return;
        case IDC_BTN_RUN:
            model_.btnRunClick();
            return;
        case IDM_FILE_RUN:
            model_.ListViewDblClick();
            return;
        case IDM_POPUP_RUN:  // the pop-up's "&Run" has no action of its own
            return;
        case IDC_BTN_EXIT:
        case IDM_FILE_EXIT:
        case IDM_TRAY_EXIT:
            model_.btnExitClick();
            return;
        case IDC_BTN_ABOUT:
        case IDM_HELP_ABOUT:
            command("btnAboutClick");
            return;
        case IDM_FILE_SHORTCUT:
        case IDM_POPUP_SHORTCUT:
            command("miCreateShortcutClick");
            return;
        case IDM_FILE_DELETE:
        case IDM_POPUP_DELETE:
            command("mpDeleteClick");
            return;
        case IDM_EDIT_OPTIONS:
            command("miOptionsClick");
            return;
        case IDM_VIEW_LARGE_ICONS:
        case IDM_VIEW_SMALL_ICONS:
        case IDM_VIEW_LIST:
        case IDM_VIEW_DETAILS:
            model_.ViewStyleClick(static_cast<ViewStyle>(id - IDM_VIEW_LARGE_ICONS));
            return;
        case IDM_POPUP_REFRESH:
            model_.mpRefreshClick();
            return;
        case IDM_TRAY_RESTORE:
            model_.miRestoreClick();
            return;
        default:
            if (id >= IDM_TRAY_GAME_FIRST && id <= IDM_TRAY_GAME_LAST) {
                model_.TrayPopupRun(static_cast<size_t>(id - IDM_TRAY_GAME_FIRST));
            }
            return;
    }
}

LRESULT MainWindowView::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != listView_ || syncing_) return 0;
    switch (header.code) {
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) &&
                ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
                model_.SetSelected(ListView_GetNextItem(listView_, -1, LVNI_SELECTED));
            }
            return 0;
        }
        case NM_DBLCLK:
            app_.Guard([this] { model_.ListViewDblClick(); });
            return 0;
        case LVN_KEYDOWN: {
            const int key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            app_.Guard([this, key] { model_.ListViewKeyDown(key); });
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

void MainWindowView::ShowPopupMenu1(int x, int y) {
    ScopedMenu menu(LoadMenuA(app_.Instance(), MAKEINTRESOURCEA(IDM_POPUPMENU1)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    ApplyMenuState(popup);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, hwnd_, nullptr);
}

// Sets check marks, graying, the default item and visibility from the model, by the
// items' command ids; sub-menus are handled when they open (or here, for pop-ups).
void MainWindowView::ApplyMenuState(HMENU menu) {
    for (int pos = GetMenuItemCount(menu) - 1; pos >= 0; --pos) {
        if (HMENU sub = GetSubMenu(menu, pos)) {
            ApplyMenuState(sub);
            continue;
        }
        const int id = static_cast<int>(GetMenuItemID(menu, pos));
        const char* name = MenuItemName(id);
        if (!name) continue;
        const MenuItem* item = FindMenuItem(model_.MainMenu1().Items, name);
        if (!item) item = FindMenuItem(model_.PopupMenu1().Items, name);
        if (!item) continue;
        if (!item->Visible) {
            DeleteMenu(menu, pos, MF_BYPOSITION);
            continue;
        }
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoA(menu, pos, TRUE, &info);
        info.fType =
            item->RadioItem ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
        info.fState = (item->Checked ? MFS_CHECKED : 0) | (item->Enabled ? 0 : MFS_GRAYED) |
                      (item->Default ? MFS_DEFAULT : 0);
        SetMenuItemInfoA(menu, pos, TRUE, &info);
    }
}

void MainWindowView::SyncAll() {
    if (!hwnd_ || !listView_) return;
    SyncCaptionAndStyle();
    SyncList();
    SyncTrayMenu();
    WriteStateReport();
}

void MainWindowView::SyncCaptionAndStyle() {
    if (!hwnd_) return;
    char current[512] = {};
    GetWindowTextA(hwnd_, current, sizeof current);
    if (model_.Caption() != current) SetWindowTextA(hwnd_, model_.Caption().c_str());
    if (!listView_) return;
    const LONG_PTR style = GetWindowLongPtrA(listView_, GWL_STYLE);
    const LONG_PTR wanted = (style & ~LVS_TYPEMASK) | ListStyleFor(model_.GetViewStyle());
    if (wanted != style) SetWindowLongPtrA(listView_, GWL_STYLE, wanted);
}

void MainWindowView::SyncList() {
    syncing_ = true;
    ListView_DeleteAllItems(listView_);

    const int large = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    const int count = static_cast<int>(model_.IconList().size());
    ScopedImageList largeImages(ImageList_Create(large, large, ILC_COLOR32 | ILC_MASK, count, 4));
    ScopedImageList smallImages(ImageList_Create(small, small, ILC_COLOR32 | ILC_MASK, count, 4));
    // Both lists get one image per entry, so that image i is always entry i's icon.
    for (const IconRef& ref : model_.IconList()) {
        IconHandle big = LoadIconRef(ref, large, large);
        ImageList_AddIcon(largeImages.Get(), big ? big.Get() : app_.BuiltInIcon());
    }
    for (const IconRef& ref : model_.TrayIcons()) {
        IconHandle little = LoadIconRef(ref, small, small);
        ImageList_AddIcon(smallImages.Get(), little ? little.Get() : app_.SmallIcon());
    }
    ListView_SetImageList(listView_, largeImages.Get(), LVSIL_NORMAL);
    ListView_SetImageList(listView_, smallImages.Get(), LVSIL_SMALL);
    largeImages_ = std::move(largeImages);  // the lists shown before go now
    smallImages_ = std::move(smallImages);

    int index = 0;
    for (const ListItem& entry : model_.Items()) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index;
        item.pszText = const_cast<char*>(entry.Caption.c_str());
        item.iImage = entry.ImageIndex;
        const int at = static_cast<int>(
            SendMessageA(listView_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA path{};
        path.iSubItem = 1;
        path.pszText = const_cast<char*>(entry.Path.c_str());
        SendMessageA(listView_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&path));
        ++index;
    }
    syncing_ = false;
}

void MainWindowView::SyncTrayMenu() {
    ScopedMenu menu(CreatePopupMenu());
    const auto& items = model_.TrayPopup();
    for (size_t pos = 0; pos < items.size(); ++pos) {
        const MenuItem& item = items[pos];
        if (item.IsSeparator()) {
            AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT id = IDM_TRAY_GAME_FIRST + static_cast<UINT>(pos);
        if (item.Name == "miRestore") id = IDM_TRAY_RESTORE;
        if (item.Name == "Exi1") id = IDM_TRAY_EXIT;
        if (item.Name == "DUMMY1") id = IDM_TRAY_DUMMY;
        if (id > IDM_TRAY_GAME_LAST) continue;  // beyond the range of menu ids
        AppendMenuA(menu.Get(), MF_STRING | (item.Enabled ? 0 : MF_GRAYED), id,
                    item.Caption.c_str());
        if (item.Default) SetMenuDefaultItem(menu.Get(), id, FALSE);
    }
    trayMenu_ = std::move(menu);
}

void MainWindowView::WriteStateReport() {
    const char* path = std::getenv(kStateFileVariable);
    if (!path || !*path) return;
    const std::string report = RenderStateReport(model_);
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "wb"));
    if (!file) return;  // a report that cannot be written is left out
    std::fwrite(report.data(), 1, report.size(), file.get());
}

}  // namespace pallisar
