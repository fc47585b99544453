// The main window created in this process on the Windows layer: its controls,
// menus, list contents and error handling, read back through the Windows API.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/icon_ref.h"
#include "core/errors.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/fake_window_host.h"
#include "support/recording_log.h"
#include "support/registry_seed.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "win32/application.h"
#include "win32/main_window_view.h"
#include "win32/resource.h"
#include "win32/win32_system_info.h"

namespace pallisar {
namespace {

using test::FakePrompts;
using test::RecordingLog;
using test::TempDir;
using test::WriteFileBytes;

class FixedClock : public DateTimeSource {
  public:
    std::string ShortDate() const override { return "2024-01-02"; }
    std::string LongTime() const override { return "10:11:12"; }
};

void PumpMessages() {
    MSG msg;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

std::string MenuText(HMENU menu, int pos) {
    char text[256] = {};
    GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
}

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int pos = 0; pos < GetMenuItemCount(menu); ++pos) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, pos, TRUE, &info);
        texts.push_back(info.fType & MFT_SEPARATOR ? "-" : MenuText(menu, pos));
    }
    return texts;
}

std::string ItemText(HWND list, int item, int subItem) {
    char text[256] = {};
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = text;
    lv.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
    return text;
}

int ItemImage(HWND list, int item) {
    LVITEMA lv{};
    lv.mask = LVIF_IMAGE;
    lv.iItem = item;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
    return lv.iImage;
}

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class MainWindowViewTest : public testing::Test {
  protected:
    void SetUp() override {
        const std::string key =
            "SYSTEM\\ControlSet001\\Enum\\PCI\\VEN_121A&DEV_000B&SUBSYS_0004121A&REV_01\\0";
        ASSERT_TRUE(test::SeedText(registry, key, "DeviceDesc", "3dfx Voodoo5 5500 AGP"));
        ASSERT_TRUE(test::SeedText(registry, key, "Service", "3dfxvs"));
        ASSERT_TRUE(test::SeedText(registry, key, "LocationInformation",
                                   "PCI bus 1, device 1, function 0"));
        WriteFileBytes(dir.File("Game.dat"),
                       "[beta]\r\nRun=C:\\b.exe\r\n[Alpha]\r\nRun=C:\\a.exe\r\n"
                       "[Setup]\r\nRun=INTERNAL\r\n");
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\nVersion=1.01\r\n");
    }

    void Open() {
        app = std::make_unique<Application>(GetModuleHandleA(nullptr), prompts);
        form = std::make_unique<TfmMain>(
            MainWindowServices{dir.Path(), log, clock, prompts, session, system, icons, launches},
            std::vector<std::string>{});
        view = std::make_unique<MainWindowView>(*app, *form);
        ASSERT_TRUE(view->Create(SW_SHOWNOACTIVATE));
        PumpMessages();
    }

    void TearDown() override {
        view.reset();
        PumpMessages();  // takes the quit message of the destroyed window away
    }

    TempDir dir;
    RecordingLog log;
    FixedClock clock;
    FakePrompts prompts;
    MemoryRegistry registry;
    Session session{registry, log};
    std::vector<std::string> launched;
    test::FakeLaunches launches{launched};
    Win32SystemInfo system;
    FileIconInfo icons;
    std::unique_ptr<Application> app;
    std::unique_ptr<TfmMain> form;
    std::unique_ptr<MainWindowView> view;
};

TEST_F(MainWindowViewTest, WindowHasItsCaptionSizeAndControls) {
    Open();
    HWND window = view->Handle();
    ASSERT_TRUE(IsWindow(window));
    // Detection ran at the first activation and named the board.
    EXPECT_EQ(WindowText(window), "Pallisar Game Launcher - 3dfx Voodoo5 5500 AGP");
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 623);
    EXPECT_EQ(rect.bottom - rect.top, 420);

    const struct {
        int id, y;
        const char* caption;
    } buttons[] = {{IDC_BTN_ADD_ICON, 16, "New"},
                   {IDC_BTN_EDIT_GAME, 48, "Edit..."},
                   {IDC_BTN_RUN, 80, "Run"},
                   {IDC_BTN_EXIT, 112, "Exit"},
                   {IDC_BTN_ABOUT, 144, "About..."}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.caption);
        HWND button = GetDlgItem(window, b.id);
        ASSERT_NE(button, nullptr);
        char cls[64] = {};
        GetClassNameA(button, cls, sizeof cls);
        EXPECT_STREQ(cls, "Button");
        EXPECT_EQ(WindowText(button), b.caption);
        RECT r;
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, 15);
        EXPECT_EQ(r.top, b.y);
        EXPECT_EQ(r.right - r.left, 75);
        EXPECT_EQ(r.bottom - r.top, 25);
    }

    HWND list = view->ListView();
    char cls[64] = {};
    GetClassNameA(list, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysListView32");
    RECT client, listRect, statusRect;
    GetClientRect(window, &client);
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&listRect), 2);
    GetWindowRect(view->StatusBar(), &statusRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&statusRect), 2);
    EXPECT_EQ(listRect.left, 105);
    EXPECT_EQ(listRect.right, client.right);
    EXPECT_EQ(statusRect.bottom - statusRect.top, 19);
    EXPECT_EQ(statusRect.bottom, client.bottom);
    EXPECT_EQ(listRect.bottom, statusRect.top);
    EXPECT_TRUE(prompts.shown.empty());
}

// The picture and data of the menu item at `pos`.
MENUITEMINFOA MenuItemAt(HMENU menu, int pos) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP | MIIM_DATA;
    GetMenuItemInfoA(menu, pos, TRUE, &info);
    return info;
}

TEST_F(MainWindowViewTest, ListShowsTheCatalogueSortedWithPathsAndImages) {
    // beta shows an icon of its own; Alpha and Setup share the list's fallback icon.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    WriteFileBytes(dir.File("Game.dat"),
                   "[beta]\r\nRun=C:\\b.exe\r\nIconName=" + std::string(system) +
                       "\\shell32.dll,3\r\n"
                       "[Alpha]\r\nRun=C:\\a.exe\r\n"
                       "[Setup]\r\nRun=INTERNAL\r\n");
    Open();
    HWND list = view->ListView();
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    // The items in sight want their icons, which are read meanwhile: Alpha and Setup
    // share one image, beta has its own; image 0 is the one shown until then.
    for (int wait = 0; wait < 200 && ItemImage(list, 1) == 0; ++wait) {
        Sleep(10);
        PumpMessages();
    }
    const char* titles[] = {"Alpha", "beta", "Setup"};
    const char* paths[] = {"C:\\a.exe", "C:\\b.exe", "INTERNAL"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ItemText(list, i, 0), titles[i]);
        EXPECT_EQ(ItemText(list, i, 1), paths[i]);
        EXPECT_GT(ItemImage(list, i), 0);
    }
    EXPECT_EQ(ItemImage(list, 2), ItemImage(list, 0));
    EXPECT_NE(ItemImage(list, 1), ItemImage(list, 0));
    // The list keeps no items: a search by a title's beginning is answered from the model.
    for (const auto& [text, found] : {std::pair<const char*, int>{"BE", 1}, {"se", 2}, {"x", -1}}) {
        LVFINDINFOA find{};
        find.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
        find.psz = text;
        EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(&find)),
                  found)
            << text;
    }
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_NORMAL)), 3);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL)), 3);
    // The tray menu's games draw their pictures when shown, by their icon numbers
    // ("Alpha", "beta", "-", "Setup", ...).
    HMENU tray = view->TrayMenu();
    for (int pos : {0, 1, 3}) EXPECT_EQ(MenuItemAt(tray, pos).hbmpItem, HBMMENU_CALLBACK);
    EXPECT_EQ(MenuItemAt(tray, 3).dwItemData, MenuItemAt(tray, 0).dwItemData);
    EXPECT_NE(MenuItemAt(tray, 1).dwItemData, MenuItemAt(tray, 0).dwItemData);

    char text[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, "Title");
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, "Path");
    EXPECT_EQ(column.cx, 240);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_TRACKSELECT);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
}

TEST_F(MainWindowViewTest, MenusCarryTheirCaptionsAndTheTrayMenuTheGames) {
    Open();
    HMENU menu = GetMenu(view->Handle());
    EXPECT_EQ(MenuTexts(menu), (std::vector<std::string>{"&File", "&Edit", "&Help"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 0)),
              (std::vector<std::string>{"&New...", "-", "&Run", "Stop &Waiting", "&Edit...",
                                        "Create &Shortcut...", "-", "&Delete", "-", "E&xit"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 1)), std::vector<std::string>{"&Options..."});
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 2)), std::vector<std::string>{"&About..."});

    HMENU tray = view->TrayMenu();
    EXPECT_EQ(MenuTexts(tray), (std::vector<std::string>{"Alpha", "beta", "-", "Setup", "-",
                                                         "Stop &Waiting", "&Restore", "E&xit"}));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(IDM_TRAY_RESTORE));
    // No launch waits: nothing to stop.
    EXPECT_TRUE(GetMenuState(tray, IDM_TRAY_STOP_WAITING, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(MainWindowViewTest, StoredViewStyleAndTheViewEntriesChangeTheList) {
    WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\nVersion=1.01\r\nViewStyle=3\r\n");
    Open();
    HWND list = view->ListView();
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    SendMessageA(view->Handle(), WM_COMMAND, IDM_VIEW_SMALL_ICONS, 0);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_SMALLICON);
    EXPECT_EQ(form->GetViewStyle(), ViewStyle::vsSmallIcon);
}

TEST_F(MainWindowViewTest, ErrorInAHandlerIsShownAndTheWindowGoesOn) {
    Open();
    launches.action = [](const std::string& launch) {
        if (launch.starts_with("list")) throw Error("Failed to set data for 'x'");
        if (launch == "tray Alpha") throw ConvertError("'1,5' is not a valid value");
        throw 42;  // no std::exception: the error box still tells of it
    };
    ListView_SetItemState(view->ListView(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(form->Selected(), 0);
    SendMessageA(view->Handle(), WM_COMMAND, IDC_BTN_RUN,
                 reinterpret_cast<LPARAM>(GetDlgItem(view->Handle(), IDC_BTN_RUN)));
    SendMessageA(view->Handle(), WM_COMMAND, IDM_TRAY_GAME_FIRST, 0);
    SendMessageA(view->Handle(), WM_COMMAND, IDM_TRAY_GAME_FIRST + 1, 0);
    // A full stop only after a character above "." in code: not after a quote.
    EXPECT_EQ(prompts.shown,
              (std::vector<FakePrompts::Prompt>{{"Application", "Failed to set data for 'x'"},
                                                {"Application", "'1,5' is not a valid value."},
                                                {"Application", "An unexpected error occurred."}}));
    EXPECT_TRUE(IsWindow(view->Handle()));
    EXPECT_FALSE(form->Closed());
}

// What a launch reports of refused driver settings stands in the status bar until the
// next launch.
TEST_F(MainWindowViewTest, StatusBarShowsWhatTheLastLaunchReported) {
    Open();
    const auto statusText = [&] {
        // A status bar in simple mode gives its one text as its first part's.
        char text[256] = {};
        SendMessageA(view->StatusBar(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    ListView_SetItemState(view->ListView(), 0, LVIS_SELECTED, LVIS_SELECTED);
    launches.outcome.status = "3 of 24 driver settings could not be written: Access is denied.";
    SendMessageA(view->Handle(), WM_COMMAND, IDC_BTN_RUN, 0);
    EXPECT_EQ(statusText(), launches.outcome.status);
    launches.outcome.status.clear();
    SendMessageA(view->Handle(), WM_COMMAND, IDM_TRAY_GAME_FIRST, 0);
    EXPECT_EQ(statusText(), "");
    EXPECT_EQ(launched, (std::vector<std::string>{"list Alpha", "tray Alpha"}));
}

TEST_F(MainWindowViewTest, ExitClosesTheWindowAfterFormClose) {
    Open();
    SendMessageA(view->Handle(), WM_COMMAND, IDC_BTN_EXIT,
                 reinterpret_cast<LPARAM>(GetDlgItem(view->Handle(), IDC_BTN_EXIT)));
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(log.lines.back(), "Application Terminated - 2024-01-02 10:11:12");
    PumpMessages();
    EXPECT_EQ(view->Handle(), nullptr);
}

}  // namespace
}  // namespace pallisar
