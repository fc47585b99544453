#pragma once
// At start-up, before the program reads its files: the replacements of Game.dat,
// settings.cfg and pallisar.ico that a launcher which has ended left half-way (a crash
// or a power cut on Windows 95, 98 or ME) are completed or undone, and what they left
// is removed (see core/file_replace.h). The launch journal is finished by its reader,
// before the recovery looks for it.

#include <string>
#include <vector>

namespace pallisar {

// `programDir` ends with a path delimiter. Returns a log line for each file that was
// taken from a copy and for each copy that stays. Nothing throws.
std::vector<std::string> FinishInterruptedWrites(const std::string& programDir);

}  // namespace pallisar
