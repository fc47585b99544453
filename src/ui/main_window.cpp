#include "ui/main_window.h"

#include <utility>

#include "app/file_upgrade.h"
#include "app/game_entry.h"
#include "app/log.h"
#include "app/program_settings.h"
#include "app/version.h"
#include "core/file_access.h"
#include "core/file_names.h"
#include "core/random_title.h"
#include "core/text.h"
#include "tweaks/sli_mode.h"
#include "ui/about.h"
#include "ui/command_ids.h"
#include "ui/interrupted_writes.h"
#include "ui/main_menus.h"
#include "ui/options.h"
#include "ui/shortcut_command.h"

namespace pallisar {

namespace {

// The View entries in the order of their stored numbers.
constexpr int kViewStyleCommands[] = {IDM_VIEW_LARGE_ICONS, IDM_VIEW_SMALL_ICONS, IDM_VIEW_LIST,
                                      IDM_VIEW_DETAILS};

}  // namespace

TfmMain::TfmMain(MainWindowServices services, std::vector<std::string> arguments)
    : services_(std::move(services)),
      arguments_(std::move(arguments)),
      trayPopup_(DesignTimeTrayPopup()),
      mainMenu_(BuildMainMenu1()),
      popupMenu_(BuildPopupMenu1()) {
    if (services_.application) {
        AppEvents1 = std::make_unique<TAppEvents>(*services_.application);
        AppEvents1->OnMinimize = [this] { AppEvents1Minimize(); };
    }
    if (services_.shellLinks) ShortcutLink = std::make_unique<TShortcutLink>(*services_.shellLinks);
    services_.launches.OnWaitingChanged = [this] { WaitingChanged(); };
}

void TfmMain::FormCreate() {
    // Before the first read of any of them (the log's first line reads settings.cfg).
    const std::vector<std::string> finished = FinishInterruptedWrites(services_.programDir);
    services_.log.WriteLog(ApplicationInitializedLine(services_.clock));
    services_.log.WriteLog(kVersionLine);
    for (const std::string& line : finished) services_.log.WriteLog(line);
    // Numbers are read and written with "." whatever the regional settings: the text
    // conversions of core/text.h never consult the locale.
    ProgramSettings settings(services_.programDir);
    SetViewStyle(settings.ViewStyle());

    LoadApplicationIcon();

    startupPending_ = true;
    catalogue_.emplace(FindFileNoCase(services_.programDir, kCatalogueFileName));
    if (CheckFileVersion(settings, services_.log)) {
        UpgradeFiles(settings, *catalogue_, services_.log, services_.prompts);
    }
    LoadGameList();
}

void TfmMain::FormActivate() {
    if (!startupPending_) return;
    startupPending_ = false;

    const CardDetection card = services_.session.DetectCard(services_.system);
    if (card.ChangeCaption) caption_ += " - " + card.Description;
    if (host_) host_->StateChanged();
    if (!card.Found) {
        services_.prompts.ShowError(kNoCardMessage);
        Close();
        return;
    }
    // A launch the launcher did not live to end is finished first, before the driver
    // is touched again (also by /RUN).
    services_.launches.RecoverInterruptedLaunch();

    if (arguments_.empty()) return;
    const std::string first = UpperCase(arguments_[0]);
    if (first == "/MIN") {
        if (host_) host_->MinimizeApplication();
    } else if (first == "/RUN" && arguments_.size() > 1) {
        RunFromCommandLine(arguments_[1]);
    }
}

void TfmMain::LoadApplicationIcon() {
    const std::string iconFile = FindFileNoCase(services_.programDir, kIconFileName);
    if (FileExists(iconFile) && services_.icons.NumberOfIcons(iconFile) > 0) {
        appIcon_ = IconRef{iconFile, 0};
    } else {
        appIcon_.reset();
    }
}

void TfmMain::RunFromCommandLine(const std::string& path) {
    if (host_) host_->MinimizeApplication();
    // A launch that ends early with an error ends the program all the same: the user
    // sees the error, then the window closes (no process stays behind unseen).
    try {
        if (catalogue_) {
            services_.launches.CommandLineLaunch(FindEntryByRunPath(*catalogue_, path));
        }
    } catch (...) {
        if (!host_) {
            Close();
            throw;
        }
        host_->ReportError(std::current_exception());
    }
    Close();
}

void TfmMain::Close() {
    if (closed_) return;
    if (services_.launches.Waiting()) {
        // The launch puts the driver back first; the window closes when it returns.
        closeAfterLaunch_ = true;
        services_.launches.StopWaiting();
        return;
    }
    FormClose();
    if (host_) host_->CloseWindow();
}

void TfmMain::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (host_) host_->DeactivateTrayIcon();
    services_.log.WriteLog(ApplicationTerminatedLine(services_.clock));
    catalogue_.reset();
}

void TfmMain::LoadGameList() {
    if (!catalogue_) return;
    selected_ = -1;
    try {
        pallisar::LoadGameList(list_, *catalogue_, services_.system, services_.compareTitles);
    } catch (...) {
        ShowLoadedList();  // the entries loaded before the error are shown
        throw;
    }
    ShowLoadedList();
}

void TfmMain::RepairIcons(const std::vector<int>& icons) {
    if (catalogue_) pallisar::RepairIcons(list_, *catalogue_, services_.system, icons);
}

void TfmMain::ShowLoadedList() {
    trayPopup_ = TrayPopupFor(list_.Items);
    FindMenuCommand(trayPopup_, IDM_TRAY_STOP_WAITING)->Enabled = services_.launches.Waiting();
    if (host_) host_->GameListLoaded();
}

void TfmMain::ListViewKeyDown(int key) {
    switch (key) {
        case kRefreshKey:
            LoadGameList();
            break;
        case kLaunchKey:
            ListViewDblClick();
            break;
        case kDeleteKey:
            mpDeleteClick();
            break;
        default:
            break;
    }
}

void TfmMain::SetSelected(int index) {
    selected_ = index >= 0 && index < static_cast<int>(list_.Items.size()) ? index : -1;
}

std::optional<std::string> TfmMain::SelectedTitle() const {
    if (selected_ < 0) return std::nullopt;
    return list_.Items[selected_].Caption;
}

void TfmMain::SetItemCaption(int index, const std::string& caption) {
    if (index >= 0 && index < static_cast<int>(list_.Items.size())) {
        list_.Items[index].Caption = caption;
    }
}

void TfmMain::ListViewDblClick() {
    const auto title = SelectedTitle();
    if (!title || !catalogue_ || !LaunchAllowed()) return;
    SetStatusText("");  // the last launch's report goes with the new launch
    SetStatusText(services_.launches.ListLaunch(LoadGameEntry(*catalogue_, *title)).status);
    CloseIfAsked();
}

bool TfmMain::LaunchAllowed() {
    if (!services_.launches.Waiting()) return true;
    services_.prompts.ShowInformation(
        "A game is still running. Launch another once it has ended, or choose Stop Waiting "
        "first.");
    return false;
}

void TfmMain::CloseIfAsked() {
    if (!closeAfterLaunch_ || services_.launches.Waiting()) return;
    closeAfterLaunch_ = false;
    Close();
}

void TfmMain::StopWaitingClick() { services_.launches.StopWaiting(); }

void TfmMain::WaitingChanged() {
    const bool waiting = services_.launches.Waiting();
    FindMenuCommand(mainMenu_.Items, IDM_FILE_STOP_WAITING)->Enabled = waiting;
    if (MenuItem* item = FindMenuCommand(trayPopup_, IDM_TRAY_STOP_WAITING))
        item->Enabled = waiting;
    if (host_) host_->StateChanged();
}

void TfmMain::btnRunClick() {
    if (!SelectedTitle()) {
        services_.prompts.ShowError("No Title Selected");
        return;
    }
    ListViewDblClick();
}

void TfmMain::TrayPopupRun(size_t trayIndex) {
    if (trayIndex >= trayPopup_.size() || !catalogue_) return;
    const MenuItem& item = trayPopup_[trayIndex];
    if (item.IsSeparator() || item.Command != IDM_TRAY_GAME_FIRST + static_cast<int>(trayIndex)) {
        return;  // a separator or a fixed item
    }
    if (!LaunchAllowed()) return;
    SetStatusText("");
    SetStatusText(services_.launches.TrayLaunch(LoadGameEntry(*catalogue_, item.Caption)).status);
    CloseIfAsked();
}

void TfmMain::SetStatusText(const std::string& text) {
    if (text == statusText_) return;
    statusText_ = text;
    if (host_) host_->StateChanged();
}

void TfmMain::miRestoreClick() {
    if (host_) host_->RestoreApplication();
}

void TfmMain::TrayIcon1Click() {
    if (host_) host_->RestoreApplication();
}

void TfmMain::AppEvents1Minimize() {
    if (host_) host_->HideApplicationWindow();
}

void TfmMain::btnAboutClick() { ShowAbout(services_.prompts); }

void TfmMain::Options1Click() {
    if (!host_) return;
    RunOptions(
        {services_.programDir, services_.programFile, services_.prompts, services_.session.Reg()},
        host_->OptionsDialogs(), [this] {
            LoadApplicationIcon();
            if (host_) host_->IconsChanged();
        });
}

void TfmMain::mpShortcutClick() {
    const std::optional<std::string> title = SelectedTitle();
    if (!title || !catalogue_ || !ShortcutLink) return;
    CreateShortcut(LoadGameEntry(*catalogue_, *title), services_.prompts, services_.programFile,
                   *ShortcutLink);
}

void TfmMain::ViewStyleClick(ViewStyle style) {
    const int number = static_cast<int>(style);
    SetViewStyle(number);
    ProgramSettings(services_.programDir).SaveViewStyle(number);
    if (host_) host_->StateChanged();
}

void TfmMain::SetViewStyle(int style) {
    const bool known = style >= 0 && style <= 3;
    viewStyle_ = known ? static_cast<ViewStyle>(style) : ViewStyle::vsIcon;
    for (int i = 0; i < 4; ++i) {
        FindMenuCommand(popupMenu_.Items, kViewStyleCommands[i])->Checked = known && i == style;
    }
}

std::unique_ptr<TfmGlide> TfmMain::CreateEditor(ProfileStore& writes) {
    auto editor = std::make_unique<TfmGlide>(
        GameEditorServices{services_.programDir, services_.prompts, writes});
    if (services_.session.Driver().IsVoodoo3) editor->ReduceForVoodoo3();
    FillAntiAliasingChoices(*editor);
    return editor;
}

void TfmMain::FillAntiAliasingChoices(TfmGlide& editor) const {
    if (const auto choices = AntiAliasingChoices(services_.session.Driver())) {
        editor.SetAntiAliasingItems(*choices);
    }
}

void TfmMain::RunEditor(TfmGlide& editor, IniBatch& writes) {
    if (!host_ || !host_->ShowEditor(editor)) return;
    SaveEditorValues(editor, writes);
    // One write of the file for the whole command.
    writes.Commit();
    LoadGameList();
}

void TfmMain::NewGame(const DroppedGame& game) {
    if (!catalogue_) return;
    const IniSnapshot entries = catalogue_->Snapshot();
    std::string title;
    do {
        title = RandomTitle();
    } while (entries.SectionExists(title));
    // A title no entry has: every value is a new game's.
    const GameEntry entry = LoadGameEntry(entries, title);
    IniBatch writes(*catalogue_);
    const std::unique_ptr<TfmGlide> editor = CreateEditor(writes);
    editor->OldTitle = title;
    editor->LoadSettings(entry.Tweaks);
    editor->edTitle.Text = game.Title;
    editor->edPath.Text = game.Run;
    editor->edCommandLine.Text = game.Params;
    // The program's first icon, as choosing the program with "..." gives it.
    if (!game.Run.empty()) {
        editor->SetIconText(game.Run + ",0");
    }
    RunEditor(*editor, writes);
}

void TfmMain::WMDropFiles(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const std::optional<DroppedGame> game = GameFromDroppedFile(file, ShortcutLink.get());
        if (!game) {
            services_.prompts.ShowError(NotAProgramMessage(file));
            continue;
        }
        try {
            NewGame(*game);
        } catch (...) {
            if (!host_) throw;
            host_->ReportError(std::current_exception());
        }
    }
}

void TfmMain::btnEditGameClick() {
    const std::optional<std::string> selected = SelectedTitle();
    if (!selected) {
        services_.prompts.ShowError("No Title Selected");
        return;
    }
    if (!catalogue_) return;
    const GameEntry entry = LoadGameEntry(*catalogue_, *selected);
    IniBatch writes(*catalogue_);
    const std::unique_ptr<TfmGlide> editor = CreateEditor(writes);
    editor->OldTitle = entry.Title;
    editor->LoadSettings(entry.Tweaks);
    editor->edTitle.Text = entry.Title;
    if (!entry.IsConfigOnly()) {
        editor->edCommandLine.Text = entry.Params;
        editor->edPath.Text = entry.Run;
    } else {
        editor->chkConfig.Checked = true;
        editor->chkConfigClick();
    }
    if (entry.GameOnly) {
        editor->chkGameOnly.Checked = true;
        editor->chkGameOnlyClick();
    }
    editor->chkFollowStarted.Checked = entry.FollowStarted;
    editor->SetIconText(entry.IconName);
    RunEditor(*editor, writes);
}

void TfmMain::mpDeleteClick() {
    const std::optional<std::string> title = SelectedTitle();
    if (!title || !catalogue_) return;
    if (!services_.prompts.Confirm("Are you sure you want to delete this shortcut?")) return;
    catalogue_->EraseSection(*title);
    LoadGameList();
}

void TfmMain::PopupMenu1Popup() {
    const bool game = SelectedTitle().has_value();
    for (MenuItem& item : popupMenu_.Items) {
        if (item.IsSeparator()) continue;
        const bool forGames = item.Command != IDM_POPUP_NEW && item.Command != IDM_POPUP_REFRESH &&
                              item.Name != "mpView";
        item.Visible = forGames == game;
    }
}

void TfmMain::File1Click() {
    const bool game = SelectedTitle().has_value();
    for (const int command : {IDM_FILE_EDIT, IDM_FILE_RUN, IDM_FILE_SHORTCUT, IDM_FILE_DELETE}) {
        FindMenuCommand(mainMenu_.Items, command)->Enabled = game;
    }
    FindMenuCommand(mainMenu_.Items, IDM_FILE_STOP_WAITING)->Enabled = services_.launches.Waiting();
}

const MenuItem* TfmMain::FindCommand(int command) const {
    for (const std::vector<MenuItem>* items : {&mainMenu_.Items, &popupMenu_.Items, &trayPopup_}) {
        if (const MenuItem* item = FindMenuCommand(*items, command)) return item;
    }
    return nullptr;
}

bool TfmMain::Execute(int command) {
    switch (command) {
        case IDC_BTN_RUN:
            btnRunClick();
            return true;
        case IDM_FILE_RUN:
        case IDM_POPUP_RUN:
            ListViewDblClick();
            return true;
        case IDC_BTN_ADD_ICON:
        case IDM_FILE_NEW:
        case IDM_POPUP_NEW:
            btnAddIconClick();
            return true;
        case IDC_BTN_EDIT_GAME:
        case IDM_FILE_EDIT:
        case IDM_POPUP_EDIT:
            btnEditGameClick();
            return true;
        case IDM_FILE_DELETE:
        case IDM_POPUP_DELETE:
            mpDeleteClick();
            return true;
        case IDC_BTN_EXIT:
        case IDM_FILE_EXIT:
        case IDM_TRAY_EXIT:
            btnExitClick();
            return true;
        case IDM_VIEW_LARGE_ICONS:
        case IDM_VIEW_SMALL_ICONS:
        case IDM_VIEW_LIST:
        case IDM_VIEW_DETAILS:
            ViewStyleClick(static_cast<ViewStyle>(command - IDM_VIEW_LARGE_ICONS));
            return true;
        case IDM_POPUP_REFRESH:
            mpRefreshClick();
            return true;
        case IDM_TRAY_RESTORE:
            miRestoreClick();
            return true;
        case IDM_FILE_STOP_WAITING:
        case IDM_TRAY_STOP_WAITING:
            StopWaitingClick();
            return true;
        case IDM_FILE_SHORTCUT:
        case IDM_POPUP_SHORTCUT:
            mpShortcutClick();
            return true;
        case IDM_EDIT_OPTIONS:
            Options1Click();
            return true;
        case IDC_BTN_ABOUT:
        case IDM_HELP_ABOUT:
            btnAboutClick();
            return true;
        default:
            if (command >= IDM_TRAY_GAME_FIRST && command <= IDM_TRAY_GAME_LAST) {
                TrayPopupRun(static_cast<size_t>(command - IDM_TRAY_GAME_FIRST));
                return true;
            }
            return false;
    }
}

}  // namespace pallisar
