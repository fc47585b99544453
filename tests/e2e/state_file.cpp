#include "state_file.h"

#include <sstream>

#include "support/temp_dir.h"

namespace pallisar::e2e {
namespace {

bool ToInt(const std::string& text, int* value) {
    if (text.empty()) return false;
    size_t used = 0;
    try {
        *value = std::stoi(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size();
}

}  // namespace

std::vector<std::string> StateReport::MenuCaptions(const std::string& menu) const {
    std::vector<std::string> captions;
    if (auto found = menus.find(menu); found != menus.end()) {
        for (const auto& entry : found->second) captions.push_back(entry.caption);
    }
    return captions;
}

std::vector<std::string> StateReport::Flagged(const std::string& menu, char flag) const {
    std::vector<std::string> captions;
    if (auto found = menus.find(menu); found != menus.end()) {
        for (const auto& entry : found->second) {
            if (entry.Has(flag)) captions.push_back(entry.caption);
        }
    }
    return captions;
}

testing::AssertionResult ParseStateReport(const std::string& text, StateReport* report) {
    StateReport parsed;
    bool haveCaption = false;
    bool haveList = false;
    bool inIcons = false;
    std::vector<MenuEntry>* menu = nullptr;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const char* why) {
        return testing::AssertionFailure()
               << "state file line " << number << " \"" << line << "\": " << why;
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("caption=", 0) == 0 && number == 1) {
            parsed.caption = line.substr(8);
            haveCaption = true;
        } else if (line.rfind("viewstyle=", 0) == 0 && number == 2) {
            if (!ToInt(line.substr(10), &parsed.viewStyle)) return fail("bad view style");
        } else if (line.rfind("[menu ", 0) == 0 && line.back() == ']' && !haveList) {
            menu = &parsed.menus[line.substr(6, line.size() - 7)];
        } else if (line == "[list]") {
            haveList = true;
            menu = nullptr;
        } else if (line.rfind("item=", 0) == 0 && menu != nullptr) {
            // A menu caption may hold a tab itself (shortcut text): the flags and the image
            // are the last two fields.
            const auto last = line.rfind('\t');
            const auto middle = last == std::string::npos || last == 0 ? std::string::npos
                                                                       : line.rfind('\t', last - 1);
            if (middle == std::string::npos || middle < 5) return fail("menu item needs 3 fields");
            MenuEntry entry;
            entry.caption = line.substr(5, middle - 5);
            entry.flags = line.substr(middle + 1, last - middle - 1);
            if (entry.flags.find_first_not_of("scdgr") != std::string::npos) {
                return fail("unknown menu flag");
            }
            if (!ToInt(line.substr(last + 1), &entry.image)) return fail("bad image index");
            menu->push_back(entry);
        } else if (line == "[icons]" && haveList) {
            inIcons = true;
        } else if (line.rfind("reads=", 0) == 0 && inIcons) {
            if (!ToInt(line.substr(6), &parsed.iconReads)) return fail("bad read count");
        } else if (line.rfind("held=", 0) == 0 && inIcons) {
            const auto tab = line.find('\t');
            int icon = -1;
            int slot = -1;
            if (tab == std::string::npos || !ToInt(line.substr(5, tab - 5), &icon) ||
                !ToInt(line.substr(tab + 1), &slot)) {
                return fail("held icon needs a number and a slot");
            }
            parsed.heldIcons[icon] = slot;
        } else if (line.rfind("item=", 0) == 0 && haveList && !inIcons) {
            const auto first = line.find('\t', 5);
            const auto second = first == std::string::npos ? first : line.find('\t', first + 1);
            if (second == std::string::npos) return fail("list item needs 3 fields");
            StateListItem item;
            item.caption = line.substr(5, first - 5);
            if (!ToInt(line.substr(first + 1, second - first - 1), &item.image)) {
                return fail("bad image index");
            }
            item.path = line.substr(second + 1);
            parsed.list.push_back(item);
        } else {
            return fail("unexpected line");
        }
    }
    if (!haveCaption || parsed.viewStyle < 0 || !haveList) {
        return testing::AssertionFailure() << "state file incomplete:\n" << text;
    }
    *report = std::move(parsed);
    return testing::AssertionSuccess();
}

testing::AssertionResult RequestStateReport(HWND window, const std::string& path,
                                            StateReport* report) {
    static const UINT message = RegisterWindowMessageA("PallisarWriteState");
    DeleteFileA(path.c_str());
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored)) {
        return testing::AssertionFailure() << "\"PallisarWriteState\" got no answer";
    }
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "the program wrote no state file " << path;
    }
    return ParseStateReport(test::ReadFileBytes(path), report);
}

}  // namespace pallisar::e2e
