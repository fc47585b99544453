#include "app/program_title.h"

#include <optional>

#include "core/byte_source.h"
#include "core/text.h"
#include "core/version_resource.h"
#include "platform/ansi_text.h"

namespace pallisar {

namespace {

bool HasExtension(std::string_view path, std::string_view extension) {
    return path.size() > extension.size() &&
           SameText(path.substr(path.size() - extension.size()), extension);
}

// A section name of Game.dat ends at the first "]" and at the line's end.
std::string AsTitle(std::string text) {
    for (char& c : text) {
        if (c == '[') c = '(';
        if (c == ']') c = ')';
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    }
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool IsProgramFile(std::string_view path) {
    return HasExtension(path, ".exe") || HasExtension(path, ".com") || HasExtension(path, ".bat");
}

bool IsShortcutFile(std::string_view path) { return HasExtension(path, ".lnk"); }

std::string BareFileName(std::string_view path) {
    const size_t slash = path.find_last_of("\\/:");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::string ProgramTitle(const std::string& path) {
    const FileByteSource program(path);
    for (const std::u16string_view name : {u"FileDescription", u"ProductName"}) {
        if (const std::optional<std::u16string> text = ReadVersionString(program, name)) {
            std::string title = AsTitle(AnsiFromUtf16(*text));
            if (!title.empty()) return title;
        }
    }
    return AsTitle(BareFileName(path));
}

}  // namespace pallisar
