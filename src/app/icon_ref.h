#pragma once
// An icon named by its file and its zero-based number among the file's icons, as the
// game list and the application icon refer to icons. Views turn references into
// icon handles.

#include <string>
#include <string_view>

namespace pallisar {

struct IconRef {
    std::string FileName;
    int Index = 0;
    bool operator==(const IconRef&) const = default;
};

// An icon reference as Game.dat's IconName holds it, "<file>,<number>", cut into its
// two texts; the number is not checked here.
struct IconNameParts {
    std::string File;
    std::string Number;
    bool operator==(const IconNameParts&) const = default;
};

// The number is what follows the last comma, so that a folder or file name holding a
// comma ("C:\Games\Tomb Raider, Gold\tomb.exe,0") keeps its file. Without a comma
// the file is empty and the whole text is the number.
IconNameParts SplitIconName(std::string_view iconName);

// How many icons a file holds, for choosing a fallback before anything is drawn.
class IconFileInfo {
  public:
    virtual ~IconFileInfo() = default;
    // The number of icons in the file; -1 when the file does not exist or holds none.
    virtual int NumberOfIcons(const std::string& fileName) = 0;
};

// Answers from the files themselves, counting icons as TFileIndexIcon does.
class FileIconInfo : public IconFileInfo {
  public:
    int NumberOfIcons(const std::string& fileName) override;
};

}  // namespace pallisar
