#include "core/file_names.h"

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include "core/text.h"

namespace pallisar {

char PathDelimiter() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string IncludeTrailingPathDelimiter(std::string_view directory) {
    std::string result(directory);
    if (result.empty() || result.back() != PathDelimiter()) result += PathDelimiter();
    return result;
}

std::string ExtractFilePath(std::string_view path) {
    const size_t cut = path.find_last_of(PathDelimiter() == '\\' ? "\\/:" : "/");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string FindFileNoCase(const std::string& directory, std::string_view name) {
    const std::string exact = directory + std::string(name);
#ifndef _WIN32
    if (::access(exact.c_str(), F_OK) == 0) return exact;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return exact;
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (SameText(entry->d_name, name)) {
            found = directory + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    if (!found.empty()) return found;
#endif
    // Windows file systems already ignore letter case.
    return exact;
}

}  // namespace pallisar
