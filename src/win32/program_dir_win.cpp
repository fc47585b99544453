#include <windows.h>

#include "core/file_names.h"
#include "platform/program_dir.h"

namespace pallisar {

std::string ProgramFile() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string ProgramDir() { return IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFile())); }

}  // namespace pallisar
