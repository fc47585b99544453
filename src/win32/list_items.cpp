#include "win32/list_items.h"

#include <string>
#include <string_view>

#include "core/text.h"

namespace pallisar {

namespace {

void CopyText(LVITEMA& item, bool wide, const std::string& text) {
    if (!item.pszText || item.cchTextMax <= 0) return;
    if (wide) {
        auto* into = reinterpret_cast<wchar_t*>(item.pszText);
        const int written = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, into, item.cchTextMax);
        if (written == 0) into[item.cchTextMax - 1] = L'\0';  // cut at the buffer's end
        return;
    }
    lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
}

std::string NarrowText(const void* text, bool wide) {
    if (!text) return {};
    if (!wide) return static_cast<const char*>(text);
    const auto* source = static_cast<const wchar_t*>(text);
    const int size = WideCharToMultiByte(CP_ACP, 0, source, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, source, -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size - 1));
    return narrow;
}

}  // namespace

void AnswerItem(NMLVDISPINFOA& info, bool wide, const std::vector<ListItem>& items,
                const std::function<int(const ListItem&)>& image) {
    LVITEMA& item = info.item;
    if (item.iItem < 0 || item.iItem >= static_cast<int>(items.size())) return;
    const ListItem& entry = items[item.iItem];
    if (item.mask & LVIF_TEXT)
        CopyText(item, wide, item.iSubItem == 1 ? entry.Path : entry.Caption);
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = image(entry);
}

int FindItem(const NMLVFINDITEMA& find, bool wide, const std::vector<ListItem>& items) {
    const LVFINDINFOA& how = find.lvfi;
    if (!(how.flags & (LVFI_STRING | LVFI_PARTIAL)) || items.empty()) return -1;
    const std::string text = NarrowText(how.psz, wide);
    const int count = static_cast<int>(items.size());
    const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
    const int span = (how.flags & LVFI_WRAP) ? count : count - start;
    for (int n = 0; n < span; ++n) {
        const int i = (start + n) % count;
        std::string_view caption = items[i].Caption;
        if (how.flags & LVFI_PARTIAL) caption = caption.substr(0, text.size());
        if (SameText(caption, text)) return i;
    }
    return -1;
}

}  // namespace pallisar
