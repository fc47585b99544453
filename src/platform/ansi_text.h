#pragma once
// Text from Unicode into the program's single-byte text: the system's ANSI code page,
// as the "A" functions of Windows take and give it.

#include <string>
#include <string_view>

namespace pallisar {

// UTF-16 text in the ANSI code page; a character the code page lacks becomes "?".
// Elsewhere than on Windows the code page is Latin-1.
std::string AnsiFromUtf16(std::u16string_view text);

}  // namespace pallisar
