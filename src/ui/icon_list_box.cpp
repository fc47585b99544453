#include "ui/icon_list_box.h"

#include <algorithm>

#include "core/file_access.h"

namespace pallisar {

bool FileIconListSource::FileExists(const std::string& fileName) {
    return pallisar::FileExists(fileName);
}

int FileIconListSource::CountIcons(const std::string& fileName) {
    return CountIconsInFile(fileName);
}

std::optional<Icon> FileIconListSource::ExtractIcon(const std::string& fileName, int index) {
    return ReadIconFromFile(fileName, index);
}

FileIconListSource& FileIconListSource::Instance() {
    static FileIconListSource source;
    return source;
}

TIconListBox::TIconListBox(IconListSource& source) : source_(&source) {}

void TIconListBox::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    fileName_ = name;
    Rebuild();
}

void TIconListBox::SetAutoDisable(bool value) {
    autoDisable_ = value;
    UpdateEnabled();
    Changed();
}

void TIconListBox::SetEnableCaching(bool value) {
    if (value == enableCaching_) return;
    enableCaching_ = value;
    // Items listed with caching on may lack their icons: read them all now.
    if (!value) Rebuild();
}

void TIconListBox::SetMargin(int value) {
    margin_ = value;
    Changed();
}

std::string TIconListBox::ItemText(int index) const {
    if (index < 0 || index >= Count()) return {};
    return std::to_string(index);
}

const Icon* TIconListBox::ItemIcon(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    Item& item = items_[static_cast<size_t>(index)];
    if (enableCaching_ && !item.loaded) {
        // Marked first: a reader that throws is not asked again at every paint.
        item.loaded = true;
        item.icon = source_->ExtractIcon(fileName_, index);
    }
    return item.icon ? &*item.icon : nullptr;
}

bool TIconListBox::IconLoaded(int index) const {
    return index >= 0 && index < Count() && items_[static_cast<size_t>(index)].icon.has_value();
}

void TIconListBox::SetItemIndex(int index) {
    itemIndex_ = index >= 0 && index < Count() ? index : -1;
    Changed();
}

void TIconListBox::Rebuild() {
    items_.clear();
    numberOfIcons_ = -1;
    itemIndex_ = -1;
    ++generation_;
    const bool exists = source_->FileExists(fileName_);
    enabled_ = !autoDisable_ || exists;
    if (exists) {
        numberOfIcons_ = source_->CountIcons(fileName_);
        items_.resize(static_cast<size_t>(std::max(numberOfIcons_, 0)));
        if (!enableCaching_ && !items_.empty()) {
            struct Wait {
                IconListBoxHost* host;
                explicit Wait(IconListBoxHost* h) : host(h) {
                    if (host) host->BeginWait();
                }
                ~Wait() {
                    if (host) host->EndWait();
                }
            } wait(host_);
            for (int i = 0; i < Count(); ++i) {
                Item& item = items_[static_cast<size_t>(i)];
                item.loaded = true;
                item.icon = source_->ExtractIcon(fileName_, i);
            }
        }
        itemIndex_ = items_.empty() ? -1 : 0;
    }
    Changed();
    if (OnFileChange) OnFileChange();
}

void TIconListBox::UpdateEnabled() { enabled_ = !autoDisable_ || source_->FileExists(fileName_); }

void TIconListBox::Changed() {
    if (host_) host_->IconListChanged();
}

}  // namespace pallisar
