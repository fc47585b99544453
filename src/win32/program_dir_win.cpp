#include <windows.h>

#include "core/file_names.h"
#include "platform/program_dir.h"

namespace pallisar {

std::string ProgramDir() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return IncludeTrailingPathDelimiter(ExtractFilePath(std::string(path, length)));
}

}  // namespace pallisar
