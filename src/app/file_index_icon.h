#pragma once
// TFileIndexIcon: icon number N of a program file, a library or an icon file. The
// one way the program loads an icon out of a file: the application icon, each
// game's icon in the list and the tray menu, the editor's icon, and the icon the
// options dialog saves as pallisar.ico.
//
// The object owns the icon it loaded; loading another one or destroying the object
// releases it. Views turn the chosen image into a window-system icon.

#include <optional>
#include <string>

#include "core/icon_resources.h"

namespace pallisar {

class TFileIndexIcon {
  public:
    // Text of the error raised when there is no icon to save.
    static constexpr const char* kNoIconToSave = "No icon to save";

    const std::string& FileName() const { return fileName_; }
    // A new name releases the icon and counts the file's icons; a file with icons
    // gets icon 0 loaded. The same name again changes nothing (no reload).
    void SetFileName(const std::string& name);

    // Index of the loaded icon (-1 before any).
    int IconIndex() const { return iconIndex_; }
    // Loads icon `index`, clamped to the file's icons (a negative index gives the
    // first, one beyond the last gives the last). Does nothing while the file holds
    // no icons or when `index` is the current index.
    void SetIconIndex(int index);

    // Number of icons in FileName; -1 when the file does not exist or holds none.
    int NumberOfIcons() const { return numberOfIcons_; }

    // True while an icon is loaded. An index can be valid and still give no icon
    // when that icon's images cannot be read.
    bool HasIcon() const { return icon_.has_value(); }
    // The loaded icon's images; null without an icon.
    const Icon* GetIcon() const { return icon_ ? &*icon_ : nullptr; }
    // The image to show at cx x cy; null without an icon.
    const IconImage* Image(int cx, int cy) const;

    // The bytes of a Windows icon file holding the one image shown at the large
    // icon size. Throws Error(kNoIconToSave) without an icon.
    std::string SaveToBytes() const;
    // Writes SaveToBytes() to `path`, replacing the file whole. Without an icon throws
    // Error(kNoIconToSave) and writes nothing; a file that cannot be written throws
    // FileWriteError and leaves the old file as it was.
    void SaveToFile(const std::string& path) const;

  private:
    void Load();

    std::string fileName_;
    int iconIndex_ = -1;
    int numberOfIcons_ = -1;
    std::optional<Icon> icon_;
};

}  // namespace pallisar
