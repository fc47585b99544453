// Seeds from what every Windows since 95 and NT 3.1 has. The high-resolution counter
// is used where the machine has one (QueryPerformanceCounter says so by its result);
// the cryptographic generators of later systems are not needed for a throw-away title.
#include <windows.h>

#include "core/seed_source.h"

namespace pallisar {

std::vector<uint32_t> SeedNumbers() {
    std::vector<uint32_t> numbers = {GetTickCount(), GetCurrentProcessId(), GetCurrentThreadId()};
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter)) {
        numbers.push_back(counter.LowPart);
        numbers.push_back(static_cast<uint32_t>(counter.HighPart));
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    numbers.push_back(now.dwLowDateTime);
    return numbers;
}

}  // namespace pallisar
