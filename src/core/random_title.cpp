#include "core/random_title.h"

#include <chrono>
#include <random>

namespace pallisar {

namespace {
constexpr int kTitleLength = 51;
constexpr int kLowestCode = 30;
constexpr int kHighestCode = 89;
}  // namespace

std::string RandomTitle() {
    // The clock alone repeats within its resolution; mixing in random_device keeps
    // two titles made in the same tick apart.
    std::random_device device;
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32), device(),
                       device()};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> code(kLowestCode, kHighestCode);

    std::string title;
    title.reserve(kTitleLength);
    for (int i = 0; i < kTitleLength; ++i) title.push_back(static_cast<char>(code(generator)));
    return title;
}

}  // namespace pallisar
