#include "shell/shortcut_link.h"

#include <iterator>
#include <memory>

#include "core/text.h"

namespace pallisar {

namespace {

// The Windows show commands behind TShowCmd, by ordinal.
constexpr uint16_t kShowMaximized = 3;
constexpr uint16_t kShowMinimized = 2;
constexpr uint16_t kShowNormal = 1;
constexpr uint16_t kShowCmds[] = {kShowMaximized, kShowMinimized, kShowNormal};

}  // namespace

std::string TShortcutLink::HotKey() const {
    return std::string(1, static_cast<char>(hotKey_ == 0 ? ' ' : hotKey_));
}

void TShortcutLink::SetHotKey(const std::string& value) {
    hotKey_ = value.empty() ? 0 : static_cast<unsigned char>(UpperCase(value.substr(0, 1))[0]);
}

TShowCmd TShortcutLink::ShowCmd() const {
    switch (showCmd_) {
        case kShowMaximized:
            return TShowCmd::scShowMaximized;
        case kShowMinimized:
            return TShowCmd::scShowMinimized;
        default:
            return TShowCmd::scShowNormal;
    }
}

void TShortcutLink::SetShowCmd(TShowCmd value) {
    const auto ordinal = static_cast<std::size_t>(value);
    if (ordinal < std::size(kShowCmds)) showCmd_ = kShowCmds[ordinal];
}

void TShortcutLink::SaveLink() {
    // The link object goes in every case, also when saving fails.
    const std::unique_ptr<ShellLink> link = factory_.Create();
    link->SetPath(target_);
    link->SetWorkingDirectory(workingDir_);
    link->SetArguments(arguments_);
    link->SetDescription(description_);
    link->SetShowCmd(showCmd_);
    link->SetIconLocation(iconLocation_, iconNumber_);
    if (link->Save(shortcutFile_) != kShellLinkSaved) throw EShortcutError(kShortcutSaveFailed);
}

void TShortcutLink::LoadLink() {
    const std::unique_ptr<ShellLink> link = factory_.Create();
    if (link->Load(shortcutFile_) != kShellLinkSaved) throw EShortcutError(kShortcutLoadFailed);
    target_ = link->GetPath();
    arguments_ = link->GetArguments();
}

}  // namespace pallisar
