#include "ui/main_menus.h"

#include "app/game_entry.h"
#include "ui/command_ids.h"

namespace pallisar {

namespace {

// Enabled only while a launch waits for its game (see TfmMain::WaitingChanged).
MenuItem StopWaitingItem(const char* name, int command) {
    MenuItem item = Item(name, kStopWaitingCaption, command);
    item.Enabled = false;
    return item;
}

// The tray menu's fixed tail, below the games.
std::vector<MenuItem> TrayTail() {
    MenuItem restore = Item("miRestore", "&Restore", IDM_TRAY_RESTORE);
    restore.Default = true;
    return {Separator("N4"), StopWaitingItem("miTrayStopWaiting", IDM_TRAY_STOP_WAITING), restore,
            Item("Exi1", "E&xit", IDM_TRAY_EXIT)};
}

}  // namespace

Menu BuildMainMenu1() {
    MenuItem file = Item("File1", "&File");
    file.Items = {Item("miNew", "&New...", IDM_FILE_NEW),
                  Separator("N1"),
                  Item("miRun", "&Run", IDM_FILE_RUN),
                  StopWaitingItem("miStopWaiting", IDM_FILE_STOP_WAITING),
                  Item("miEdit", "&Edit...", IDM_FILE_EDIT),
                  Item("miCreateShortcut", "Create &Shortcut...", IDM_FILE_SHORTCUT),
                  Separator("N2"),
                  Item("miDelete", "&Delete", IDM_FILE_DELETE),
                  Separator("N3"),
                  Item("miExit", "E&xit", IDM_FILE_EXIT)};
    MenuItem edit = Item("Edit1", "&Edit");
    edit.Items = {Item("miOptions", "&Options...", IDM_EDIT_OPTIONS)};
    MenuItem help = Item("Help1", "&Help");
    help.Items = {Item("miAbout", "&About...", IDM_HELP_ABOUT)};
    return {"MainMenu1", {file, edit, help}};
}

Menu BuildPopupMenu1() {
    MenuItem run = Item("mpRun", "&Run", IDM_POPUP_RUN);
    run.Default = true;
    MenuItem view = Item("mpView", "View");
    view.Items = {Item("miLargeIcons", "Large Icons", IDM_VIEW_LARGE_ICONS),
                  Item("miSmallIcons", "Small Icons", IDM_VIEW_SMALL_ICONS),
                  Item("miList", "List", IDM_VIEW_LIST),
                  Item("miDetails", "Details", IDM_VIEW_DETAILS)};
    for (MenuItem& style : view.Items) style.RadioItem = true;
    return {
        "PopupMenu1",
        {Item("mpNew", "&New...", IDM_POPUP_NEW), run, Item("mpEdit", "&Edit...", IDM_POPUP_EDIT),
         Item("mpCreateShortcut", "Create &Shortcut...", IDM_POPUP_SHORTCUT), Separator("N5"), view,
         Item("mpRefresh", "R&efresh", IDM_POPUP_REFRESH),
         Item("mpDelete", "Delete", IDM_POPUP_DELETE)}};
}

std::vector<MenuItem> DesignTimeTrayPopup() {
    std::vector<MenuItem> tray = {Item("DUMMY1", kDummyTitle, IDM_TRAY_DUMMY)};
    for (MenuItem& item : TrayTail()) tray.push_back(std::move(item));
    return tray;
}

std::vector<MenuItem> TrayPopupFor(const std::vector<ListItem>& items) {
    std::vector<MenuItem> tray;
    const auto addGames = [&](bool configOnly) {
        for (const ListItem& entry : items) {
            if (entry.ConfigOnly != configOnly) continue;
            MenuItem item;
            item.Caption = entry.Caption;
            item.ImageIndex = entry.ImageIndex;
            tray.push_back(std::move(item));
        }
    };
    addGames(false);
    const size_t games = tray.size();
    addGames(true);
    if (tray.size() > games) tray.insert(tray.begin() + games, Separator(""));
    // Items beyond the range of command ids get none, so no menu shows them.
    constexpr size_t kMaxGameItems = IDM_TRAY_GAME_LAST - IDM_TRAY_GAME_FIRST + 1;
    for (size_t pos = 0; pos < tray.size() && pos < kMaxGameItems; ++pos) {
        if (!tray[pos].IsSeparator())
            tray[pos].Command = IDM_TRAY_GAME_FIRST + static_cast<int>(pos);
    }
    for (MenuItem& item : TrayTail()) tray.push_back(std::move(item));
    return tray;
}

}  // namespace pallisar
