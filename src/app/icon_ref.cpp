#include "app/icon_ref.h"

#include "app/file_index_icon.h"

namespace pallisar {

int FileIconInfo::NumberOfIcons(const std::string& fileName) {
    TFileIndexIcon icon;
    icon.SetFileName(fileName);
    return icon.NumberOfIcons();
}

}  // namespace pallisar
