#pragma once
// TfmMain: the main window's model. It holds the run-wide state of the window (the
// catalogue handle, what the window shows: caption, list, view style, menus, icons)
// and the handlers, in the order the program runs them. Its view copies this state
// into real controls, turns user actions into handler calls or command ids (Execute),
// and does on screen what the model asks through MainWindowHost.
//
// Errors raised inside a handler (ConvertError, FileWriteError, RegistryError) are
// not caught here: they end the handler and reach the application's error handler.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/game_launches.h"
#include "app/game_list.h"
#include "app/icon_ref.h"
#include "app/session.h"
#include "core/ini_batch.h"
#include "core/ini_file.h"
#include "core/log_writer.h"
#include "platform/date_time.h"
#include "platform/prompts.h"
#include "platform/system_info.h"
#include "shell/app_events.h"
#include "shell/shortcut_link.h"
#include "ui/drop_command.h"
#include "ui/game_editor.h"
#include "ui/main_window_host.h"
#include "ui/menu_model.h"

namespace pallisar {

inline constexpr const char* kApplicationTitle = "Pallisar Game Launcher";
inline constexpr const char* kNoCardMessage = "FATAL ERROR: No Voodoo Card Found";
inline constexpr const char* kIconFileName = "pallisar.ico";
// The list's keys, as in Explorer: F5 reloads the list, Enter launches the selected
// game as a double-click does, Delete deletes it as File > Delete does.
inline constexpr int kRefreshKey = 116;  // F5
inline constexpr int kLaunchKey = 13;    // Enter
inline constexpr int kDeleteKey = 46;    // Delete

// The list's presentation, numbered as ViewStyle stores it.
enum class ViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

// What the window works with, all owned by the caller and alive as long as the model.
struct MainWindowServices {
    std::string programDir;  // with a trailing delimiter
    LogWriter& log;
    const DateTimeSource& clock;
    Prompts& prompts;
    Session& session;
    const SystemInfo& system;
    IconFileInfo& icons;
    GameLaunches& launches;
    // How the list sorts titles: the system's collation; unset, the ASCII letters
    // compared without regard to case.
    TitleOrder compareTitles = {};
    // The application whose events AppEvents1 hears; none in tests that need none.
    EventApplication* application = nullptr;
    // The full path of the program file (pallisar.exe).
    std::string programFile = {};
    // Makes the shell's link objects for Create Shortcut; none: the command does nothing.
    ShellLinkFactory* shellLinks = nullptr;
};

class TfmMain {
  public:
    // `arguments`: the command line's arguments after the program name.
    TfmMain(MainWindowServices services, std::vector<std::string> arguments);
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    // The view, or none (then nothing is done on screen). Not owned.
    void SetHost(MainWindowHost* host) { host_ = host; }

    // --- Handlers ---
    void FormCreate();
    // Card detection and the command line, on the first call only.
    void FormActivate();
    // Runs once, whatever closes the window.
    void FormClose();
    // Closes the window (and so ends the program): FormClose, then the host's CloseWindow.
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
    // A click on the tray icon: the application is restored and brought to the front.
    void TrayIcon1Click();
    // The application was minimised: it leaves the taskbar, only the tray icon stays.
    void AppEvents1Minimize();
    // The About box.
    void btnAboutClick();
    // Create Shortcut for the selected game: a .lnk that starts it through /run.
    void mpShortcutClick();
    // Edit > Options: after OK the application and tray icons are loaded again.
    void Options1Click();
    // The four view-style entries of the pop-up menu.
    void ViewStyleClick(ViewStyle style);
    void mpRefreshClick() { LoadGameList(); }
    // New: the editor on a throw-away title with every default; on OK the entry is
    // written under the typed title.
    void btnAddIconClick() { NewGame({}); }
    // Files dropped on the window from Explorer, in the order given: each program, or
    // shortcut to one, opens the editor as New with its title, program, parameters and
    // icon filled in (Cancel skips it); any other file is named in an error box and
    // skipped. An error while one is added is shown, and the next one follows.
    void WMDropFiles(const std::vector<std::string>& files);
    // Edit of the selected game ("No Title Selected" without one); a rename moves the
    // entry to its new title.
    void btnEditGameClick();
    // Delete of the selected game, after the user's confirmation.
    void mpDeleteClick();
    // Before the list's pop-up menu opens: its entries for a game or for the list.
    void PopupMenu1Popup();
    // When the File menu opens: the entries that need a selected game are enabled only
    // with one, Stop Waiting only while a launch waits.
    void File1Click();
    // Stop Waiting (File menu and tray menu): the launch that waits for its game stops
    // waiting and puts the driver back at once.
    void StopWaitingClick();
    // A launch began or ended its wait: both Stop Waiting items follow.
    void WaitingChanged();
    // Replaces the editor's anti-aliasing items by the board's choices (none on a
    // Voodoo3 or a board without a known multi-chip mode).
    void FillAntiAliasingChoices(TfmGlide& editor) const;
    // A button's or a menu item's command id (ui/command_ids.h). False for an id the
    // window has no handler for (yet).
    bool Execute(int command);

    // --- What the window shows ---
    const std::string& Caption() const { return caption_; }
    // The status bar: what the last launch from the list or the tray menu reports
    // (refused driver settings); empty otherwise.
    const std::string& StatusText() const { return statusText_; }
    ViewStyle GetViewStyle() const { return viewStyle_; }
    const std::vector<ListItem>& Items() const { return list_.Items; }
    // Each icon the games show, once, numbered in the order of the first game showing
    // it: the items' and the tray menu items' ImageIndex refer to these numbers.
    const std::vector<IconRef>& Icons() const { return list_.Icons; }
    // The files of these icons turned out to hold none, or to be gone, when they were
    // read for drawing: their games get the list's fallback icon, in the file too
    // (see pallisar::RepairIcons). A refused write throws FileWriteError.
    void RepairIcons(const std::vector<int>& icons);
    const std::vector<MenuItem>& TrayPopup() const { return trayPopup_; }
    const Menu& MainMenu1() const { return mainMenu_; }
    const Menu& PopupMenu1() const { return popupMenu_; }
    // The item of any of the three menus that gives `command`; nullptr for none.
    const MenuItem* FindCommand(int command) const;
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

  private:
    void SetViewStyle(int style);
    // The application icon: icon 0 of pallisar.ico when that file holds one, else none
    // (the built-in icon).
    void LoadApplicationIcon();
    // The editor for one command, set up as New and Edit both need it.
    // An editor whose OK writes into `writes`.
    std::unique_ptr<TfmGlide> CreateEditor(ProfileStore& writes);
    // New, with what a dropped file proposes filled in.
    void NewGame(const DroppedGame& game);
    // Shows the editor; on OK writes its tweak values under its title, erases
    // `oldTitle` when that names another entry, and reloads the list.
    // Shows the editor; after OK saves its values into `writes` (SaveEditorValues), then
    // writes Game.dat once and reloads the list.
    void RunEditor(TfmGlide& editor, IniBatch& writes);
    void RunFromCommandLine(const std::string& wantedPath);
    // False, after telling the user, while a launch waits: one launch at a time.
    bool LaunchAllowed();
    // After a launch from the list or the tray: a close asked for during its wait.
    void CloseIfAsked();
    // Shows `text` in the status bar.
    void SetStatusText(const std::string& text);
    // Builds the tray menu from the list as loaded and has the view show both.
    void ShowLoadedList();

    MainWindowServices services_;
    MainWindowHost* host_ = nullptr;
    std::vector<std::string> arguments_;
    std::string caption_ = kApplicationTitle;
    std::string statusText_;
    ViewStyle viewStyle_ = ViewStyle::vsIcon;
    GameListView list_;
    std::vector<MenuItem> trayPopup_;
    Menu mainMenu_;
    Menu popupMenu_;
    std::optional<IconRef> appIcon_;
    int selected_ = -1;
    bool startupPending_ = false;
    bool closed_ = false;
    // Closing was asked for while a launch waited: it happens once the launch is done.
    bool closeAfterLaunch_ = false;
    std::optional<IniFile> catalogue_;
    std::unique_ptr<TAppEvents> AppEvents1;
    std::unique_ptr<TShortcutLink> ShortcutLink;
};

}  // namespace pallisar
