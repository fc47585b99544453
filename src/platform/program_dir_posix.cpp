#ifndef _WIN32
#include <filesystem>

#include "core/file_names.h"
#include "platform/program_dir.h"

namespace pallisar {

std::string ProgramFile() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

std::string ProgramDir() {
    const std::string file = ProgramFile();
    return IncludeTrailingPathDelimiter(
        file.empty() ? "." : std::filesystem::path(file).parent_path().string());
}

}  // namespace pallisar
#endif
