#pragma once
// The game editor's dialog (IDD_EDITOR): a tab control with one child dialog per tab,
// and OK and Cancel. It copies the TfmGlide model into the controls, writes each user
// change into the model and calls the control's handler. The model's own dialogs
// (change icon, file and input boxes, messages) are run over it.

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/game_editor.h"
#include "win32/application.h"
#include "win32/icon_handle.h"
#include "win32/window.h"

namespace pallisar {

class GameEditorView : public Dialog, private GameEditorHost {
  public:
    GameEditorView(Application& app, TfmGlide& model);
    ~GameEditorView() override;

    // Runs the dialog modally over `owner`; true when it was closed with OK (the model
    // has then written the entry's own keys).
    bool Show(HWND owner);

  protected:
    void Fill() override;
    bool Read() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    class Page;

    // GameEditorHost
    std::optional<IconChoice> ChooseIcon(const std::string& file, int index) override;
    void FocusControl(EditorControl control) override;
    void StateChanged() override;

    // Ctrl+Tab and Ctrl+Shift+Tab (or Ctrl+PageDown and Ctrl+PageUp) bring the next or
    // the previous tab to the front, as in every tabbed dialog of Windows. The keys go to
    // the focused control, so the dialog's message loop is watched for them. Tab from the
    // tab strip goes into the page shown.
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
    bool SwitchTab(const MSG& message);
    void CreatePages();
    // The tweak boxes and their labels on the two tabs of tweaks.
    void CreateTweakBoxes();
    void ShowTabs();
    void SelectTab(EditorTab tab);
    void ShowSelectedPage();
    void ArrangeForVoodoo3();
    // A control on any page (or on the dialog itself); null when there is none.
    HWND Control(int id) const;
    // Copies the text boxes into the model (before any handler runs).
    void ReadTexts();
    void OnCommand(int id, int code);

    TfmGlide& model_;
    std::array<std::unique_ptr<Page>, kEditorTabCount> pages_;
    // The tabs shown, in order ("&Game Only" hides three).
    std::vector<EditorTab> shownTabs_;
    // The items each box shows now (the tweak boxes by BoxIndex, the Glide/OpenGL and the
    // Direct3D preset box), so that a box is refilled only when they change.
    std::vector<std::vector<std::string>> shownItems_;
    std::array<std::vector<std::string>, 2> shownPresets_;
    IconHandle icon_;
    HWND toolTip_ = nullptr;
    HHOOK keyFilter_ = nullptr;
    bool filling_ = false;
};

}  // namespace pallisar
