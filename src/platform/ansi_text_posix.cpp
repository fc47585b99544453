#ifndef _WIN32
#include "platform/ansi_text.h"

namespace pallisar {

std::string AnsiFromUtf16(std::u16string_view text) {
    std::string ansi;
    ansi.reserve(text.size());
    for (const char16_t c : text) {
        const bool latin1 = c < 0x80 || (c >= 0xA0 && c <= 0xFF);
        ansi += latin1 ? static_cast<char>(c) : '?';
    }
    return ansi;
}

}  // namespace pallisar
#endif
