#include "ui/menu_model.h"

#include <utility>

namespace pallisar {

namespace {

template <typename Match>
const MenuItem* FindItem(const std::vector<MenuItem>& items, const Match& match) {
    for (const MenuItem& item : items) {
        if (match(item)) return &item;
        if (const MenuItem* found = FindItem(item.Items, match)) return found;
    }
    return nullptr;
}

}  // namespace

MenuItem Item(std::string name, std::string caption, int command) {
    MenuItem item;
    item.Name = std::move(name);
    item.Caption = std::move(caption);
    item.Command = command;
    return item;
}

MenuItem Separator(std::string name) { return Item(std::move(name), "-"); }

const MenuItem* FindMenuItem(const std::vector<MenuItem>& items, std::string_view name) {
    return FindItem(items, [name](const MenuItem& item) { return item.Name == name; });
}

const MenuItem* FindMenuCommand(const std::vector<MenuItem>& items, int command) {
    return FindItem(items, [command](const MenuItem& item) { return item.Command == command; });
}

MenuItem* FindMenuCommand(std::vector<MenuItem>& items, int command) {
    const auto& constItems = items;
    return const_cast<MenuItem*>(FindMenuCommand(constItems, command));
}

}  // namespace pallisar
