#ifndef _WIN32
#include <time.h>
#include <unistd.h>

#include "core/seed_source.h"

namespace pallisar {

std::vector<uint32_t> SeedNumbers() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    return {static_cast<uint32_t>(now.tv_nsec), static_cast<uint32_t>(now.tv_sec),
            static_cast<uint32_t>(wall.tv_sec), static_cast<uint32_t>(getpid())};
}

}  // namespace pallisar
#endif
