#include "tweaks/brk_apart.h"

#include <string_view>

namespace pallisar {

void TBrkApart::Split() {
    StringList.clear();
    std::string_view rest = BaseString;
    while (true) {
        // An empty separator never matches: the whole text is one piece.
        const size_t pos = BreakString.empty() ? std::string_view::npos : rest.find(BreakString);
        const std::string_view piece = rest.substr(0, pos);
        if (!piece.empty() || AllowEmptyString) StringList.emplace_back(piece);
        if (pos == std::string_view::npos) break;
        rest.remove_prefix(pos + BreakString.size());
    }
}

}  // namespace pallisar
