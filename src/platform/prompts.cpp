#include "platform/prompts.h"

namespace pallisar {

std::string ApplicationErrorText(std::string_view message) {
    std::string text(message);
    // Compared as unsigned bytes: characters above 127 get a full stop too.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

}  // namespace pallisar
