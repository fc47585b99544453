#pragma once
// An icon named by its file and its zero-based number among the file's icons, as the
// game list and the application icon refer to icons. Views turn references into
// icon handles.

#include <string>

namespace pallisar {

struct IconRef {
    std::string FileName;
    int Index = 0;
    bool operator==(const IconRef&) const = default;
};

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
