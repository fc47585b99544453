#include "app/file_index_icon.h"

#include <algorithm>

#include "core/errors.h"
#include "core/file_access.h"
#include "core/file_replace.h"

namespace pallisar {

void TFileIndexIcon::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    fileName_ = name;
    icon_.reset();
    numberOfIcons_ = -1;
    if (!FileExists(fileName_)) return;
    const int count = CountIconsInFile(fileName_);
    if (count <= 0) return;
    numberOfIcons_ = count;
    // Loaded even when 0 was already the index (of the previous file).
    iconIndex_ = 0;
    Load();
}

void TFileIndexIcon::SetIconIndex(int index) {
    if (index == iconIndex_ || numberOfIcons_ == -1) return;
    iconIndex_ = std::clamp(index, 0, numberOfIcons_ - 1);
    Load();
}

void TFileIndexIcon::Load() {
    icon_.reset();
    icon_ = ReadIconFromFile(fileName_, iconIndex_);
}

const IconImage* TFileIndexIcon::Image(int cx, int cy) const {
    return icon_ ? ChooseImage(*icon_, cx, cy) : nullptr;
}

std::string TFileIndexIcon::SaveToBytes() const {
    const IconImage* image = Image(kLargeIconSize, kLargeIconSize);
    if (!image) throw Error(kNoIconToSave);
    return WriteIconFile(Icon{{*image}});
}

void TFileIndexIcon::SaveToFile(const std::string& path) const {
    if (!ReplaceFileContents(path, SaveToBytes())) throw FileWriteError(path);
}

}  // namespace pallisar
