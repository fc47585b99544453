#include "ui/shortcut_command.h"

#include <cstdint>
#include <optional>

#include "app/icon_ref.h"
#include "core/text.h"

namespace pallisar {

std::string ShortcutWorkingDir(std::string_view programPath) {
    const std::size_t cut = programPath.find_last_of("\\:");
    if (cut == std::string_view::npos) return "";
    std::size_t length = cut + 1;
    // A drive's or share's root keeps its backslash; any other folder loses it.
    if (cut > 0 && programPath[cut] == '\\' && programPath[cut - 1] != ':' &&
        programPath[cut - 1] != '\\')
        --length;
    return std::string(programPath.substr(0, length));
}

void CreateShortcut(const GameEntry& entry, Prompts& prompts, const std::string& launcherPath,
                    TShortcutLink& link) {
    if (entry.IsConfigOnly() || entry.GameOnly) {
        prompts.ShowWarning(kShortcutNotSupported);
        return;
    }
    FileDialogRequest dialog;
    dialog.Filter = kShortcutFilter;
    dialog.DefaultExt = kShortcutExt;
    dialog.FileName = entry.Title;
    const std::optional<std::string> file = prompts.PromptSaveFile(dialog);
    if (!file) return;

    const auto [iconFile, iconIndex] = SplitIconName(entry.IconName);
    // The game's parameters stay out of the shortcut: "/run" reads them from the
    // catalogue when the shortcut is opened.
    const std::string& program = entry.Run;

    link.SetShortcutFile(*file);
    link.SetTarget("\"" + launcherPath + "\"");
    link.SetArguments(" /run \"" + program + "\"");
    link.SetIconLocation(iconFile);
    link.SetIconNumber(static_cast<uint16_t>(StrToInt(iconIndex)));
    link.SetWorkingDir(ShortcutWorkingDir(program));
    link.SetHotKey(std::string(1, '\0'));
    link.SaveLink();
}

}  // namespace pallisar
