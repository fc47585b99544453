#pragma once
// Numbers that differ from one moment and one process to the next, for seeding a
// generator. Taken from what every system has (clocks, counters, the process id);
// nothing here can fail.

#include <cstdint>
#include <vector>

namespace pallisar {

std::vector<uint32_t> SeedNumbers();

}  // namespace pallisar
