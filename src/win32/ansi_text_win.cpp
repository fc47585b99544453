#include <windows.h>

#include <vector>

#include "platform/ansi_text.h"

namespace pallisar {

std::string AnsiFromUtf16(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string(text.size(), '?');
    std::vector<char> ansi(size);
    WideCharToMultiByte(CP_ACP, 0, wide, length, ansi.data(), size, nullptr, nullptr);
    return std::string(ansi.data(), ansi.size());
}

}  // namespace pallisar
