#include "core/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

using namespace pallisar;

// The conversions are checked against the C library's, which are correctly rounded
// (glibc natively, MinGW's own under Wine), on random values and on the halfway
// points between neighbouring doubles, where a sloppy conversion goes wrong.
namespace {

double RandomFinite(std::mt19937_64& random) {
    for (;;) {
        const uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) return value;
    }
}

// What the C library makes of a decimal text, in our terms: false where it gives zero
// for non-zero digits or infinity.
bool LibraryParse(const std::string& text, double& value) {
    value = std::strtod(text.c_str(), nullptr);
    if (std::isinf(value)) return false;
    return value != 0 || text.find_first_of("123456789") >= text.find('e');
}

std::string Parsed(const std::string& digits, long long exponent) {
    double value = 0;
    if (!DecimalToDouble(digits, exponent, value)) return "refused";
    char text[40];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

}  // namespace

TEST(Decimal, ParsesAsTheLibraryDoes) {
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        std::string digits;
        const int count = 1 + static_cast<int>(random() % 25);
        for (int d = 0; d < count; ++d) digits += static_cast<char>('0' + random() % 10);
        const long long exponent = static_cast<long long>(random() % 660) - 330;
        double expected = 0;
        const std::string text = "0." + digits + "e" + std::to_string(exponent);
        std::string want = "refused";
        if (LibraryParse(text, expected)) {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%a", expected);
            want = buffer;
        }
        ASSERT_EQ(Parsed(digits, exponent), want) << text;
    }
}

TEST(Decimal, HalfwayPointsRoundToEvenAndAnythingBeyondDecides) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        const double low = std::fabs(RandomFinite(random));
        const double high = std::nextafter(low, INFINITY);
        if (std::isinf(high)) continue;
        // The exact midpoint, its digits from the exact sum (low + high has 54 bits).
        const DecimalDigits lowDigits = RoundToSignificant(low, 800);
        const DecimalDigits highDigits = RoundToSignificant(high, 800);
        long double mid = (static_cast<long double>(low) + high) / 2;
        char text[1300];
        std::snprintf(text, sizeof text, "%.1000Le", mid);
        std::string digits;
        for (const char* c = text; *c && *c != 'e'; ++c)
            if (*c >= '0' && *c <= '9') digits += *c;
        const long long exponent = std::atoll(std::strchr(text, 'e') + 1) + 1;
        ASSERT_NE(lowDigits.digits, highDigits.digits);
        uint64_t lowBits = 0;
        std::memcpy(&lowBits, &low, sizeof lowBits);
        const double even = (lowBits & 1) == 0 ? low : high;
        double value = 0;
        ASSERT_TRUE(DecimalToDouble(digits, exponent, value)) << text;
        EXPECT_EQ(value, even) << text;
        ASSERT_TRUE(DecimalToDouble(digits + std::string(900, '0') + "1", exponent, value));
        EXPECT_EQ(value, high) << text;
    }
}

TEST(Decimal, RoundsDigitsAsTheLibraryPrintsThem) {
    std::mt19937_64 random(1995);
    for (int i = 0; i < 20000; ++i) {
        const double value = RandomFinite(random);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.14e", std::fabs(value));
        const DecimalDigits rounded = RoundToSignificant(value, 15);
        std::string mantissa;
        for (const char* c = expected; *c != 'e'; ++c)
            if (*c != '.') mantissa += *c;
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (value != 0) {
            ASSERT_EQ(rounded.digits, mantissa) << expected;
            ASSERT_EQ(rounded.exponent - 1, std::atoi(std::strchr(expected, 'e') + 1)) << expected;
        }
        // Seventeen digits bring every double back.
        const DecimalDigits exact = RoundToSignificant(value, 17);
        double back = 0;
        ASSERT_TRUE(DecimalToDouble(exact.digits, exact.exponent, back) || value == 0);
        EXPECT_EQ(back, std::fabs(value));

        const double small = value / std::pow(2.0, std::ilogb(value) + 1) * 1000;  // |small| < 1000
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.2f", std::fabs(small));
        std::string places;
        for (const char* c = fixed; *c; ++c)
            if (*c != '.') places += *c;
        places.erase(0, std::min(places.find_first_not_of('0'), places.size()));
        ASSERT_EQ(RoundToPlaces(small, 2), places) << fixed;
    }
}
