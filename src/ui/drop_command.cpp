#include "ui/drop_command.h"

#include "app/program_title.h"
#include "core/errors.h"

namespace pallisar {

std::string NotAProgramMessage(const std::string& file) {
    return "\"" + file +
           "\" is neither a program (.exe, .com, .bat) nor a shortcut to one. It was not added.";
}

std::optional<DroppedGame> GameFromDroppedFile(const std::string& file, TShortcutLink* link) {
    DroppedGame game;
    if (IsProgramFile(file)) {
        game.Run = file;
    } else if (IsShortcutFile(file) && link) {
        try {
            link->SetShortcutFile(file);
            link->LoadLink();
        } catch (const Error&) {
            return std::nullopt;  // no link object, or a file the shell cannot read
        }
        if (!IsProgramFile(link->Target())) return std::nullopt;
        game.Run = link->Target();
        game.Params = link->Arguments();
    } else {
        return std::nullopt;
    }
    game.Title = ProgramTitle(game.Run);
    return game;
}

}  // namespace pallisar
