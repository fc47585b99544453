#include "core/random_title.h"

#include <random>

#include "core/seed_source.h"

namespace pallisar {

namespace {
constexpr int kTitleLength = 51;
constexpr int kLowestCode = 30;
constexpr int kHighestCode = 89;
}  // namespace

std::string RandomTitle() {
    // The clocks alone repeat within their resolution; the count of calls keeps two
    // titles made in the same tick apart.
    static uint32_t calls = 0;
    std::vector<uint32_t> numbers = SeedNumbers();
    numbers.push_back(++calls);
    std::seed_seq seed(numbers.begin(), numbers.end());
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> code(kLowestCode, kHighestCode);

    std::string title;
    title.reserve(kTitleLength);
    for (int i = 0; i < kTitleLength; ++i) title.push_back(static_cast<char>(code(generator)));
    return title;
}

}  // namespace pallisar
