#pragma once
// TShortcutLink: the fields of one shortcut file (.lnk) and their writing through the
// shell's link object. The main window keeps one for the whole run and fills it anew
// for each shortcut; each SaveLink creates and releases its own link object.

#include <cstdint>
#include <string>

#include "core/errors.h"
#include "platform/shell_link.h"

namespace pallisar {

// The shortcut could not be saved.
class EShortcutError : public Error {
  public:
    using Error::Error;
};

inline constexpr const char* kShortcutSaveFailed = "Unable to create .lnk file";
inline constexpr const char* kShortcutLoadFailed = "Unable to read .lnk file";

// The started program's window state, in the order of its ordinals.
enum class TShowCmd { scShowMaximized, scShowMinimized, scShowNormal };

class TShortcutLink {
  public:
    // `factory` must outlive the component.
    explicit TShortcutLink(ShellLinkFactory& factory) : factory_(factory) {}
    TShortcutLink(const TShortcutLink&) = delete;
    TShortcutLink& operator=(const TShortcutLink&) = delete;

    // The full path of the .lnk file.
    const std::string& ShortcutFile() const { return shortcutFile_; }
    void SetShortcutFile(const std::string& value) { shortcutFile_ = value; }
    // The program the shortcut starts, handed on as it is (quotes included).
    const std::string& Target() const { return target_; }
    void SetTarget(const std::string& value) { target_ = value; }
    const std::string& WorkingDir() const { return workingDir_; }
    void SetWorkingDir(const std::string& value) { workingDir_ = value; }
    const std::string& Description() const { return description_; }
    void SetDescription(const std::string& value) { description_ = value; }
    const std::string& Arguments() const { return arguments_; }
    void SetArguments(const std::string& value) { arguments_ = value; }
    // The file holding the shortcut's icon; IconNumber is the icon's index in it.
    const std::string& IconLocation() const { return iconLocation_; }
    void SetIconLocation(const std::string& value) { iconLocation_ = value; }
    // One character; a stored 0 reads as a space. Kept on the component only: it never
    // reaches the link, so the shortcuts written have no hot key.
    std::string HotKey() const;
    // Stores the first character of `value`, upper-cased (0 for an empty text).
    void SetHotKey(const std::string& value);
    // Stored as a show command: 3 maximised, 2 minimised, 1 normal. Any other stored
    // number (0, the initial one) reads as scShowNormal; a value outside the enum's
    // range changes nothing.
    TShowCmd ShowCmd() const;
    void SetShowCmd(TShowCmd value);
    uint16_t IconNumber() const { return iconNumber_; }
    void SetIconNumber(uint16_t value) { iconNumber_ = value; }

    // Writes the .lnk file the properties describe. Throws EShortcutError
    // (kShortcutSaveFailed) when the shell does not save it, and passes on the factory's
    // Error when no link object can be had; nothing is written then.
    void SaveLink();
    // Reads the .lnk file ShortcutFile names: Target and Arguments become the program
    // it starts and the arguments it gives it; the other properties stay as they were.
    // Throws EShortcutError (kShortcutLoadFailed) when the shell cannot read the file,
    // and passes on the factory's Error; nothing changes then.
    void LoadLink();

  private:
    ShellLinkFactory& factory_;
    std::string shortcutFile_;
    std::string target_;
    std::string workingDir_;
    std::string description_;
    std::string arguments_;
    std::string iconLocation_;
    uint16_t hotKey_ = 0;
    uint16_t showCmd_ = 0;
    uint16_t iconNumber_ = 0;
};

}  // namespace pallisar
