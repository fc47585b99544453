#include "app/main_window.h"

#include <utility>

#include "app/launch_sequence.h"
#include "app/log.h"
#include "app/program_settings.h"
#include "core/file_names.h"
#include "core/text.h"
#include "tweaks/card_detection.h"

namespace pallisar {

namespace {

Menu BuildMainMenu1() {
    MenuItem file = Item("File1", "&File");
    file.Items = {Item("miNew", "&New..."),
                  Separator("N1"),
                  Item("miRun", "&Run"),
                  Item("miEdit", "&Edit..."),
                  Item("miCreateShortcut", "Create &Shortcut..."),
                  Separator("N2"),
                  Item("miDelete", "&Delete"),
                  Separator("N3"),
                  Item("miExit", "E&xit")};
    MenuItem edit = Item("Edit1", "&Edit");
    edit.Items = {Item("miOptions", "&Options...")};
    MenuItem help = Item("Help1", "&Help");
    help.Items = {Item("miAbout", "&About...")};
    return {"MainMenu1", {file, edit, help}};
}

Menu BuildPopupMenu1() {
    MenuItem run = Item("mpRun", "&Run");
    run.Default = true;
    MenuItem view = Item("mpView", "View");
    for (const auto& [name, caption] :
         {std::pair{"miLargeIcons", "Large Icons"}, std::pair{"miSmallIcons", "Small Icons"},
          std::pair{"miList", "List"}, std::pair{"miDetails", "Details"}}) {
        MenuItem style = Item(name, caption);
        style.RadioItem = true;
        view.Items.push_back(style);
    }
    return {"PopupMenu1",
            {Item("mpNew", "&New..."), run, Item("mpEdit", "&Edit..."),
             Item("mpCreateShortcut", "Create &Shortcut..."), Separator("N5"), view,
             Item("mpRefresh", "R&efresh"), Item("mpDelete", "Delete")}};
}

// The View entries in the order of their stored numbers.
constexpr const char* kViewStyleItems[] = {"miLargeIcons", "miSmallIcons", "miList", "miDetails"};

}  // namespace

TfmMain::TfmMain(MainWindowServices services, std::vector<std::string> arguments)
    : Reg(services.registry),
      services_(std::move(services)),
      arguments_(std::move(arguments)),
      mainMenu_(BuildMainMenu1()),
      popupMenu_(BuildPopupMenu1()) {
    Reg.RootKey = TRootKey::hkLocalMachine;
}

void TfmMain::FormCreate() {
    services_.log.WriteLog(ApplicationInitializedLine(services_.clock));
    services_.log.WriteLog(kVersionLine);
    // Numbers are read and written with "." whatever the regional settings: the text
    // conversions of core/text.h never consult the locale.
    SetViewStyle(ProgramSettings(services_.programDir).ViewStyle());

    const std::string iconFile = FindFileNoCase(services_.programDir, kIconFileName);
    if (FileExists(iconFile) && services_.icons.NumberOfIcons(iconFile) > 0) {
        appIcon_ = IconRef{iconFile, 0};
    }

    startupPending_ = true;
    catalogue_.emplace(FindFileNoCase(services_.programDir, kCatalogueFileName));
    if (CheckFileVersion) CheckFileVersion(*this);
    LoadGameList();
}

void TfmMain::FormActivate() {
    if (!startupPending_) return;
    startupPending_ = false;

    TweakContext context{Reg, services_.log, Driver};
    const CardDetection card = DetectCard(context, services_.system);
    if (card.ChangeCaption) caption_ += " - " + card.Description;
    NotifyStateChanged();
    if (!card.Found) {
        services_.prompts.ShowError(kNoCardMessage);
        Close();
        return;
    }

    if (arguments_.empty()) return;
    const std::string first = UpperCase(arguments_[0]);
    if (first == "/MIN") {
        if (MinimizeApplication) MinimizeApplication();
    } else if (first == "/RUN" && arguments_.size() > 1) {
        RunFromCommandLine(arguments_[1]);
    }
}

void TfmMain::RunFromCommandLine(const std::string& path) {
    if (MinimizeApplication) MinimizeApplication();
    const std::string title = catalogue_ ? FindTitleByRunPath(*catalogue_, path) : kNoMatchTitle;
    if (CommandLineLaunch) CommandLineLaunch(title);
    Close();
}

void TfmMain::Close() {
    if (closed_) return;
    FormClose();
    if (CloseWindow) CloseWindow();
}

void TfmMain::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (DeactivateTrayIcon) DeactivateTrayIcon();
    services_.log.WriteLog(ApplicationTerminatedLine(services_.clock));
    catalogue_.reset();
}

void TfmMain::LoadGameList() {
    if (!catalogue_) return;
    selected_ = -1;
    try {
        pallisar::LoadGameList(list_, *catalogue_, services_.system, services_.icons,
                               services_.compareTitles);
    } catch (...) {
        // The entries loaded before the error are shown.
        NotifyStateChanged();
        throw;
    }
    NotifyStateChanged();
}

void TfmMain::ListViewKeyDown(int key) {
    if (key == kRefreshKey) LoadGameList();
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
    if (title && ListLaunch) ListLaunch(*title);
}

void TfmMain::btnRunClick() {
    if (!SelectedTitle()) {
        services_.prompts.ShowError("No Title Selected");
        return;
    }
    ListViewDblClick();
}

void TfmMain::TrayPopupRun(size_t trayIndex) {
    const auto& tray = list_.TrayPopup;
    if (trayIndex >= tray.size() || tray[trayIndex].IsSeparator()) return;
    if (TrayLaunch) TrayLaunch(tray[trayIndex].Caption);
}

void TfmMain::miRestoreClick() {
    if (RestoreApplication) RestoreApplication();
}

void TfmMain::ViewStyleClick(ViewStyle style) {
    const int number = static_cast<int>(style);
    SetViewStyle(number);
    ProgramSettings(services_.programDir).SaveViewStyle(number);
}

void TfmMain::SetViewStyle(int style) {
    const bool known = style >= 0 && style <= 3;
    viewStyle_ = known ? static_cast<ViewStyle>(style) : ViewStyle::vsIcon;
    for (int i = 0; i < 4; ++i) {
        FindMenuItem(popupMenu_.Items, kViewStyleItems[i])->Checked = known && i == style;
    }
}

void TfmMain::NotifyStateChanged() {
    if (StateChanged) StateChanged();
}

}  // namespace pallisar
