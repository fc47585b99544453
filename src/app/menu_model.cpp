#include "app/menu_model.h"

#include <utility>

namespace pallisar {

MenuItem Item(std::string name, std::string caption) {
    MenuItem item;
    item.Name = std::move(name);
    item.Caption = std::move(caption);
    return item;
}

MenuItem Separator(std::string name) { return Item(std::move(name), "-"); }

const MenuItem* FindMenuItem(const std::vector<MenuItem>& items, std::string_view name) {
    for (const MenuItem& item : items) {
        if (item.Name == name) return &item;
        if (const MenuItem* found = FindMenuItem(item.Items, name)) return found;
    }
    return nullptr;
}

MenuItem* FindMenuItem(std::vector<MenuItem>& items, std::string_view name) {
    const auto& constItems = items;
    return const_cast<MenuItem*>(FindMenuItem(constItems, name));
}

}  // namespace pallisar
