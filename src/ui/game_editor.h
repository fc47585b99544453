#pragma once
// TfmGlide: the game editor's model ("Edit"). It holds what the dialog shows (the
// Title, Path and parameter texts, the two run modes, the icon, the tweak boxes,
// the two preset boxes, the three gamma sliders and their labels, which tabs are
// shown) and its handlers. Its view copies this state into real controls, writes a
// user's change into the model (ItemIndex, Checked, Text, a slider's value) and then
// calls the control's handler.
//
// Creating the editor builds the level-of-detail lists and the preset lists from
// settings.cfg. On OK the editor writes the entry's own keys (IconName, Run, Params,
// GameOnly) into Game.dat; the opener then writes the tweak values from
// SettingsInput() (WriteGameSettings) under edTitle's text.
//
// Errors raised inside a handler (ConvertError for a gamma or icon number that is no
// number, FileWriteError) are not caught here: they end the handler.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_index_icon.h"
#include "app/icon_ref.h"
#include "core/ini_file.h"
#include "core/profile_store.h"
#include "platform/prompts.h"
#include "shell/slider.h"
#include "tweaks/tweak_catalogue.h"
#include "tweaks/tweak_settings.h"
#include "ui/game_editor_host.h"

namespace pallisar {

// A drop-down list with fixed items.
struct ComboBoxState {
    std::vector<std::string> Items;
    int ItemIndex = -1;  // -1 for no selection
    bool Visible = true;
    // The selected item's text; empty without a selection.
    std::string Text() const;
};

// A text box; a disabled one is painted in the button-face colour.
struct EditState {
    std::string Text;
    bool Enabled = true;
};

struct CheckState {
    bool Checked = false;
    bool Enabled = true;
};

// The editor's tabs in their order; "Properties" is shown first whenever it opens.
enum class EditorTab { Properties, GlideSettings, Direct3DSettings, Gamma };
inline constexpr std::size_t kEditorTabCount = 4;
const char* TabCaption(EditorTab tab);

// A tweak box: the tweak value it shows, on one of the two tabs of tweaks. The boxes
// are the tweak rows' (tweaks/tweak_catalogue.h): alpha-blending, 3D filter quality,
// anti-aliasing and LOD bias have one value and a box on each tab.
struct EditorBox {
    TweakField Field;
    TweakTab Tab;
    bool operator==(const EditorBox&) const = default;
};

// Every box, tab by tab, each tab's from the top.
std::span<const EditorBox> EditorBoxes();
// The box's position in EditorBoxes().
std::size_t BoxIndex(EditorBox box);
// The component name ("cbxGlideSplash").
std::string_view BoxName(EditorBox box);
// The box whose text is stored for `field`: the Glide/OpenGL tab's box of a shared field.
EditorBox BoxOf(TweakField field);
EditorTab TabOf(EditorBox box);
// The label beside the box.
std::string_view LabelOf(EditorBox box);
// The line of the tab the box and its label stand on, counted from the top; on a
// Voodoo3 the line it closes up to (a box that board lacks keeps its line, hidden).
int LineOf(EditorBox box, bool voodoo3);
// Whether a Voodoo3 lacks what the box sets.
bool HiddenOnVoodoo3(EditorBox box);

// What the editor works with; owned by the opener and alive as long as the editor.
struct GameEditorServices {
    std::string programDir;  // holds settings.cfg; with a trailing delimiter
    Prompts& prompts;
    // Game.dat, or a batch of its writes: OK writes the entry's own keys here.
    ProfileStore& catalogue;
};

class TfmGlide {
  public:
    static constexpr const char* kCaption = "Edit";
    static constexpr const char* kExecutablesFilter =
        "Executables (*.exe)|*.exe|All Files (*.*)|*.*";
    // The gamma sliders' range and start: the gamma times 100.
    static constexpr int kGammaMin = 10;
    static constexpr int kGammaMax = 400;
    static constexpr int kGammaDefault = 130;

    // Builds the level-of-detail lists and the preset lists from settings.cfg.
    explicit TfmGlide(GameEditorServices services);
    TfmGlide(const TfmGlide&) = delete;
    TfmGlide& operator=(const TfmGlide&) = delete;

    // The view, or none. Not owned.
    void SetHost(GameEditorHost* host) { host_ = host; }

    // --- Set up by the opener before the editor is shown ---
    // Replaces the items of both anti-aliasing boxes (the board's choices).
    void SetAntiAliasingItems(const std::vector<std::string>& items);
    // Hides the boxes of the features a Voodoo3 lacks; they keep their values and are
    // saved like the others. The view hides their labels and rearranges the tabs.
    void ReduceForVoodoo3();
    bool ReducedForVoodoo3() const { return reducedForVoodoo3_; }
    // Shows the 24 values in the boxes (no change handling runs) and the sliders (with
    // theirs); checks "&Lock Gamma" when the sliders end equal. A gamma text that is no
    // number, or whose hundredfold is no whole number, throws ConvertError.
    void LoadSettings(const TSettings& settings);
    // "<file>,<index>": shows icon <index> of <file>. Empty text changes nothing; an
    // index that is no integer throws ConvertError.
    void SetIconText(const std::string& text);

    // --- Handlers ---
    // A user's change of a tweak box (its ItemIndex already set): clears the preset
    // boxes and moves the linked box of the other tab.
    void BoxChange(EditorBox box);
    void chkConfigClick();
    void chkGameOnlyClick();
    // "&Lock Gamma" needs nothing but its check mark; kept for the view's wiring.
    void chkLockGammaSlidersClick() {}
    void btnDefaultGammaClick();
    void btnChangeIconClick();
    void btnEdPathClick();
    // Checks the Title and Path, writes the entry's own keys; false keeps the dialog
    // open (a message was shown and a box focused).
    bool btnOKClick();
    // A preset chosen in cbxGlidePresets, or in cbxD3DPresets when `fromD3DBox`.
    void cbxGlidePresetsChange(bool fromD3DBox = false);
    // Both tabs' save and delete buttons.
    void btnSavePresetD3DClick();
    void btnDeletePresetD3DClick();

    // --- What the dialog shows ---
    ComboBoxState& Box(EditorBox box) { return boxes_[BoxIndex(box)]; }
    const ComboBoxState& Box(EditorBox box) const { return boxes_[BoxIndex(box)]; }
    bool TabVisible(EditorTab tab) const;
    // The icon shown in imgIcon; none when nothing is to be shown.
    std::optional<IconRef> ShownIcon() const;
    const TFileIndexIcon& imgIcon() const { return icon_; }
    // The entry's tweak values as the boxes and sliders show them, for WriteGameSettings.
    GameSettingsInput SettingsInput() const;

    ComboBoxState cbxGlidePresets;
    ComboBoxState cbxD3DPresets;
    EditState edTitle;
    EditState edPath;
    EditState edCommandLine;
    CheckState chkConfig;
    CheckState chkGameOnly;
    // Wait for the programs the game starts (FollowStartedPrograms); on for a new entry.
    CheckState chkFollowStarted{true, true};
    CheckState chkLockGammaSliders;
    TCustomSlider slRGamma;
    TCustomSlider slGGamma;
    TCustomSlider slBGamma;
    // The sliders' value labels ("1.30").
    std::string lblRGamma;
    std::string lblGGamma;
    std::string lblBGamma;

    // The section the editor was opened for (a throw-away title for a new entry).
    std::string OldTitle;
    std::string IconFile;
    int IconIndex = 0;

  private:
    void BuildLodLists();
    void FillPresets(const std::vector<std::string>& names);
    void GammaChange(TCustomSlider& slider);
    void EnableModeBoxes();
    // Runs a handler's work; the view hears of the change once, when the outermost
    // handler ends (also when it throws).
    template <typename Action>
    void Handle(Action&& action);
    void Changed();

    GameEditorServices services_;
    GameEditorHost* host_ = nullptr;
    // By BoxIndex.
    std::vector<ComboBoxState> boxes_;
    TFileIndexIcon icon_;
    bool reducedForVoodoo3_ = false;
    // False while "&Game Only" hides the three tabs of tweaks.
    bool tweakTabsShown_ = true;
    // Depth of the handlers running.
    int busy_ = 0;
};

// The opener's part of OK: the tweak values as the editor shows them, under the Title
// text, and the erase of the section the editor was opened for when the title names
// another entry (a change of letter case only keeps the entry).
void SaveEditorValues(const TfmGlide& editor, ProfileStore& writes);

}  // namespace pallisar
