#include "core/file_names.h"

#include <filesystem>
#include <system_error>

#include "core/text.h"

namespace fs = std::filesystem;

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
    std::error_code error;
    if (fs::exists(exact, error)) return exact;
    for (fs::directory_iterator it(directory.empty() ? "." : directory, error), end;
         !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (SameText(candidate, name)) return directory + candidate;
    }
#endif
    // Windows file systems already ignore letter case.
    return exact;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace pallisar
