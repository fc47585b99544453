#pragma once
// The tray icon's popup menu over a real menu: TrackPopupMenu, then the chosen
// item's command goes to a callback.

#include <windows.h>

#include <functional>

#include "shell/tray_icon.h"

namespace pallisar {

class Win32TrayMenu final : public TrayPopupMenu {
  public:
    // `menu` gives the pop-up menu at each use (its owner may rebuild it between uses);
    // `run` runs the command id of a chosen or clicked item.
    Win32TrayMenu(std::function<HMENU()> menu, std::function<void(int command)> run);

    bool AutoPopup() const override { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    int ItemCount() const override;
    bool ItemDefault(int index) const override;
    bool ItemEnabled(int index) const override;
    // Runs the command of the item at `index`; items that open a sub-menu give none.
    void Click(int index) override;
    void Popup(TrayWindow owner, int x, int y) override;

  private:
    UINT ItemState(int index) const;

    std::function<HMENU()> menu_;
    std::function<void(int)> run_;
    bool autoPopup_ = true;
};

}  // namespace pallisar
