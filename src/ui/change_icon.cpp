#include "ui/change_icon.h"

namespace pallisar {

TfmChangeIcon::TfmChangeIcon(Prompts& prompts, IconListSource& source)
    : prompts_(prompts), source_(source), iconListBox_(source) {}

void TfmChangeIcon::SetUp(const std::string& fileName, int iconIndex) {
    edFilename_ = fileName;
    iconListBox_.SetFileName(fileName);
    acceptedFileName_ = fileName;
    iconListBox_.SetItemIndex(iconIndex);
}

void TfmChangeIcon::edFilenameKeyPress(char& key) {
    if (key != kEnterKey) return;
    key = 0;
    if (source_.FileExists(edFilename_)) {
        Accept(edFilename_);
    } else {
        prompts_.ShowWarning(kFileNotFound + edFilename_);
        edFilename_ = acceptedFileName_;
    }
}

void TfmChangeIcon::btnBrowseClick() {
    FileDialogRequest request;
    request.Filter = kBrowseFilter;
    const auto chosen = prompts_.PromptOpenFile(request);
    if (!chosen) return;
    edFilename_ = *chosen;
    Accept(*chosen);
}

void TfmChangeIcon::Accept(const std::string& fileName) {
    iconListBox_.SetFileName(fileName);
    iconListBox_.SetItemIndex(0);
    acceptedFileName_ = fileName;
}

}  // namespace pallisar
