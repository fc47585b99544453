#pragma once
// TfmMain: the main window's model. It holds the run-wide state (catalogue handle,
// driver state, registry component), what the window shows (caption, list, view
// style, menus, icons) and the handlers, in the order the program runs them. A view
// copies this state into real controls and turns user actions into handler calls;
// what the model needs done to the real window it asks through the hooks below.
//
// Errors raised inside a handler (ConvertError, FileWriteError, RegistryError) are
// not caught here: they end the handler and reach the application's error handler.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/game_list.h"
#include "app/icon_ref.h"
#include "app/menu_model.h"
#include "core/ini_file.h"
#include "core/log_writer.h"
#include "platform/date_time.h"
#include "platform/prompts.h"
#include "platform/registry_store.h"
#include "platform/system_info.h"
#include "tweaks/driver_state.h"
#include "tweaks/registry_enhanced.h"

namespace pallisar {

inline constexpr const char* kApplicationTitle = "Pallisar Game Launcher";
inline constexpr const char* kVersionLine = "Version 1.01";
inline constexpr const char* kNoCardMessage = "FATAL ERROR: No Voodoo Card Found";
inline constexpr const char* kCatalogueFileName = "Game.dat";
inline constexpr const char* kIconFileName = "pallisar.ico";
// The title used by "/RUN" when no entry has the wanted path.
inline constexpr const char* kNoMatchTitle = "DUMMY";
// The key code that reloads the list.
inline constexpr int kRefreshKey = 116;  // F5

// The list's presentation, numbered as ViewStyle stores it.
enum class ViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

// What the window works with, all owned by the caller and alive as long as the model.
struct MainWindowServices {
    std::string programDir;  // with a trailing delimiter
    LogWriter& log;
    const DateTimeSource& clock;
    Prompts& prompts;
    RegistryStore& registry;
    const SystemInfo& system;
    IconFileInfo& icons;
    // How the list sorts titles: the system's collation; unset, the ASCII letters
    // compared without regard to case.
    TitleOrder compareTitles = {};
};

class TfmMain {
  public:
    // `arguments`: the command line's arguments after the program name.
    TfmMain(MainWindowServices services, std::vector<std::string> arguments);
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    // --- Handlers ---
    void FormCreate();
    // Card detection and the command line, on the first call only.
    void FormActivate();
    // Runs once, whatever closes the window.
    void FormClose();
    // Closes the window (and so ends the program): FormClose, then the view's Close hook.
    void btnExitClick() { Close(); }
    void Close();
    // Rebuilds the list, its icons and the tray menu from Game.dat.
    void LoadGameList();
    void ListViewKeyDown(int key);
    void ListViewDblClick();
    void btnRunClick();
    // A game item of the tray menu, by its position in TrayPopup().
    void TrayPopupRun(size_t trayIndex);
    void miRestoreClick();
    // The four view-style entries of the pop-up menu.
    void ViewStyleClick(ViewStyle style);
    void mpRefreshClick() { LoadGameList(); }

    // --- What the window shows ---
    const std::string& Caption() const { return caption_; }
    ViewStyle GetViewStyle() const { return viewStyle_; }
    const std::vector<ListItem>& Items() const { return list_.Items; }
    const std::vector<IconRef>& IconList() const { return list_.IconList; }
    const std::vector<IconRef>& TrayIcons() const { return list_.TrayIcons; }
    const std::vector<MenuItem>& TrayPopup() const { return list_.TrayPopup; }
    const Menu& MainMenu1() const { return mainMenu_; }
    const Menu& PopupMenu1() const { return popupMenu_; }
    // The icon from pallisar.ico; none when the built-in icon is to be used.
    const std::optional<IconRef>& ApplicationIcon() const { return appIcon_; }
    // Index of the selected list item, -1 for none.
    int Selected() const { return selected_; }
    void SetSelected(int index);
    // The caption of the selected item; an in-place edit of a caption changes it.
    std::optional<std::string> SelectedTitle() const;
    void SetItemCaption(int index, const std::string& caption);

    // --- Run-wide state ---
    bool StartupPending() const { return startupPending_; }
    bool Closed() const { return closed_; }
    const std::vector<std::string>& Arguments() const { return arguments_; }
    // The catalogue handle; null before FormCreate and after FormClose.
    IniFile* Catalogue() { return catalogue_ ? &*catalogue_ : nullptr; }
    TRegistryEnhanced Reg;
    DriverState Driver;

    // --- Hooks ---
    // Version check of settings.cfg and the upgrade of old files (FormCreate step 8).
    std::function<void(TfmMain&)> CheckFileVersion;
    // The launch sequence, given the title to launch. Unset: nothing is launched.
    std::function<void(const std::string&)> ListLaunch;  // list and File "&Run"
    std::function<void(const std::string&)> TrayLaunch;
    std::function<void(const std::string&)> CommandLineLaunch;  // "/RUN"
    // Commands of the menus and buttons that other parts of the program provide.
    std::function<void(const std::string& command)> Command;
    // View side: minimise the application (which hides it to the tray), restore it,
    // take the window down after FormClose, and show new state.
    std::function<void()> MinimizeApplication;
    std::function<void()> RestoreApplication;
    std::function<void()> CloseWindow;
    // Removes the tray icon (first step of FormClose).
    std::function<void()> DeactivateTrayIcon;
    std::function<void()> StateChanged;

  private:
    void SetViewStyle(int style);
    void RunFromCommandLine(const std::string& wantedPath);
    void NotifyStateChanged();

    MainWindowServices services_;
    std::vector<std::string> arguments_;
    std::string caption_ = kApplicationTitle;
    ViewStyle viewStyle_ = ViewStyle::vsIcon;
    GameListView list_;
    Menu mainMenu_;
    Menu popupMenu_;
    std::optional<IconRef> appIcon_;
    int selected_ = -1;
    bool startupPending_ = false;
    bool closed_ = false;
    std::optional<IniFile> catalogue_;
};

}  // namespace pallisar
