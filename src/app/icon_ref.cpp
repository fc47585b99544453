#include "app/icon_ref.h"

#include "app/file_index_icon.h"

namespace pallisar {

IconNameParts SplitIconName(std::string_view iconName) {
    const size_t comma = iconName.rfind(',');
    if (comma == std::string_view::npos) return {"", std::string(iconName)};
    return {std::string(iconName.substr(0, comma)), std::string(iconName.substr(comma + 1))};
}

int FileIconInfo::NumberOfIcons(const std::string& fileName) {
    TFileIndexIcon icon;
    icon.SetFileName(fileName);
    return icon.NumberOfIcons();
}

}  // namespace pallisar
