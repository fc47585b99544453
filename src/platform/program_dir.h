#pragma once

#include <string>

namespace pallisar {

// The directory of the program's executable file, always with a trailing path
// delimiter. Where all of the program's files live.
std::string ProgramDir();
// The full path of the program's executable file.
std::string ProgramFile();

}  // namespace pallisar
