#ifndef _WIN32
#include <filesystem>

#include "core/file_names.h"
#include "platform/program_dir.h"

namespace pallisar {

std::string ProgramDir() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return IncludeTrailingPathDelimiter(error ? "." : exe.parent_path().string());
}

}  // namespace pallisar
#endif
