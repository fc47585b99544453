#pragma once
// The main window on screen: a thin view of TfmMain and its MainWindowHost. It
// creates the window, the buttons, the list view, the status bar and the menus,
// copies the model's state into them, and turns clicks, keys and menu commands into
// the model's handlers. Every handler runs under the application's error handler.
//
// Layout at 96 DPI: the window is 623 x 420; the left 105 pixels (Panel1, no bevel)
// hold five 75 x 25 buttons at x = 15; the list view fills the rest above a 19 pixel
// status bar.

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/tray_icon.h"
#include "ui/main_window.h"
#include "win32/application.h"
#include "win32/list_icons.h"
#include "win32/options_view.h"
#include "win32/scoped_handle.h"
#include "win32/win32_tray_menu.h"
#include "win32/win32_tray_platform.h"
#include "win32/window.h"

namespace pallisar {

class MainWindowView : public Window, private MainWindowHost {
  public:
    static constexpr const char* kClassName = "TfmMain";
    // The registered message that makes the window write its state report.
    static constexpr const char* kWriteStateMessage = "PallisarWriteState";
    // The environment variable naming the state report file.
    static constexpr const char* kStateFileVariable = "PALLISAR_STATE_FILE";

    MainWindowView(Application& app, TfmMain& model);
    ~MainWindowView() override;
    MainWindowView(const MainWindowView&) = delete;
    MainWindowView& operator=(const MainWindowView&) = delete;

    // Creates the window (running FormCreate) and shows it with `showCommand`.
    // Returns false when the window could not be created.
    bool Create(int showCommand);

    HWND ListView() const { return listView_; }
    HWND StatusBar() const { return statusBar_; }
    // The tray menu as built from the model after the last load (owned by the view).
    HMENU TrayMenu() const { return trayMenu_.Get(); }
    // TrayIcon1: the notification-area icon whose menu is TrayMenu().
    TTrayIcon& TrayIcon() { return *trayIcon_; }

    // Shows the list's context menu at screen point (x, y).
    void ShowPopupMenu1(int x, int y);
    // Where the list's context menu opens when asked for from the keyboard (screen
    // coordinates).
    POINT KeyboardMenuPoint() const;

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void CreateControls();
    void Layout();
    void OnCommand(int id);
    LRESULT OnNotify(const NMHDR& header);

    // MainWindowHost
    void MinimizeApplication() override;
    void RestoreApplication() override;
    void HideApplicationWindow() override;
    void ReportError(const std::exception_ptr& error) override;
    void CloseWindow() override;
    void DeactivateTrayIcon() override;
    void GameListLoaded() override;
    void StateChanged() override;
    bool ShowEditor(TfmGlide& editor) override;
    OptionsHost& OptionsDialogs() override;
    void IconsChanged() override { SyncIcons(); }

    // Copies the model's state into the controls (the application icon also into
    // the tray icon).
    void SyncCaptionAndStyle();
    void SyncIcons();
    // The images of the program's own icon.
    std::optional<Icon> BuiltInIconImages() const;
    void SyncList();
    void SyncTrayMenu();
    // The image the list or the tray menu draws icon `icon` with now (see ListIcons).
    int IconImage(int icon);
    // The items showing any of `icons` are drawn again, with the images the lists hold
    // for them now.
    void RedrawItemsShowing(const std::vector<int>& icons);
    // Puts the icons read meanwhile into the image lists, mends the entries whose icon
    // files hold none, and draws again what shows them.
    void TakeReadIcons();
    // By icon number: whether an item of the list showing it is in sight.
    std::vector<bool> IconsInSight() const;
    // The tray menu's messages to its owner (the tray icon's hidden window): the games'
    // pictures are drawn when their items are. True when the message was handled here.
    bool OnTrayMenuMessage(UINT message, LPARAM lParam, LRESULT* result);
    void TakeDroppedFiles();
    // Refills a drop-down menu of the menu bar from the model as it opens.
    void RefreshMenuBarPopup(HMENU popup);
    void WriteStateReport();

    TfmMain& model_;
    HWND listView_ = nullptr;
    HWND statusBar_ = nullptr;
    // The control that had the keyboard when the window was last deactivated.
    HWND focusedChild_ = nullptr;
    std::string statusText_;  // what the status bar shows
    // The games' icons in the list's image lists and the tray menu (made with the window).
    std::unique_ptr<ListIcons> listIcons_;
    bool takingIcons_ = false;
    bool iconsWaiting_ = false;  // read icons came in while others were being taken
    ScopedMenu trayMenu_;
    bool trayMenuOpen_ = false;
    Win32TrayPlatform trayPlatform_;
    std::unique_ptr<TTrayIcon> trayIcon_;
    Win32TrayMenu trayPopup_;
    std::unique_ptr<OptionsWindowHost> optionsHost_;
    UINT writeStateMessage_ = 0;
    bool syncing_ = false;
    // Files dropped on the window and not yet taken.
    std::vector<std::string> droppedFiles_;
    bool takingDroppedFiles_ = false;
};

}  // namespace pallisar
