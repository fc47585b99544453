#pragma once
// The control ids of the game editor's tweak boxes and of their labels: one each per box,
// in the order of EditorBoxes(), from the first id of each range (win32/resource.h).

#include <cstddef>
#include <optional>

#include "ui/game_editor.h"
#include "win32/resource.h"

namespace pallisar {

inline int TweakBoxId(EditorBox box) { return IDC_TWEAK_BOXES + static_cast<int>(BoxIndex(box)); }
inline int TweakLabelId(EditorBox box) {
    return IDC_TWEAK_LABELS + static_cast<int>(BoxIndex(box));
}

// The box whose drop-down list has the control id `id`; none for any other control.
inline std::optional<EditorBox> TweakBoxOfId(int id) {
    const auto index = static_cast<std::size_t>(id - IDC_TWEAK_BOXES);
    if (id < IDC_TWEAK_BOXES || index >= EditorBoxes().size()) return std::nullopt;
    return EditorBoxes()[index];
}

}  // namespace pallisar
