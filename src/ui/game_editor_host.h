#pragma once
// What the game editor's model needs done on screen, implemented by its view. The
// model calls these from its handlers; a test answers them with a double.

#include <optional>
#include <string>

namespace pallisar {

// The editor's controls that the model can ask to focus.
enum class EditorControl { edTitle, edPath };

// The icon the user chose in the change-icon dialog: a file and an icon's zero-based
// number in it.
struct IconChoice {
    std::string File;
    int Index = 0;
    bool operator==(const IconChoice&) const = default;
};

class GameEditorHost {
  public:
    virtual ~GameEditorHost() = default;
    // Runs the change-icon dialog over the editor, starting on `file` with icon `index`
    // selected; the choice on OK, none on Cancel.
    virtual std::optional<IconChoice> ChooseIcon(const std::string& file, int index) = 0;
    // Gives the keyboard focus to the control (on its tab, which is brought to front).
    virtual void FocusControl(EditorControl control) = 0;
    // The model's state changed: copy it into the controls again.
    virtual void StateChanged() = 0;
};

}  // namespace pallisar
