#pragma once
// Exact conversions between doubles and decimal digits, done in the program's own
// integer arithmetic. They give the same result on every system and C library, and
// need nothing of the run-time's number formatting and parsing (which is built for
// newer processors than the program runs on).

#include <string>
#include <string_view>

namespace pallisar {

// Decimal digits of a magnitude: value = 0.digits x 10^exponent, no leading zero
// in `digits` (empty for zero).
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

// The double nearest to 0.digits x 10^exponent (ties to even), where `digits` holds
// decimal digits only (leading zeros allowed, any number of them). False, with
// `value` untouched, when a value other than zero would round to zero or to
// infinity. Zero digits give 0.
bool DecimalToDouble(std::string_view digits, long long exponent, double& value);

// |value| rounded to `count` significant digits (ties to even), trailing zeros
// left out. `value` must be finite.
DecimalDigits RoundToSignificant(double value, int count);

// |value| rounded to `decimals` places after the point (ties to even), as the
// digits of that multiple of 10^-decimals ("" for zero). `value` must be finite.
std::string RoundToPlaces(double value, int decimals);

}  // namespace pallisar
