#pragma once
// The text and number conversions the whole program relies on. They behave the
// same whatever the user's locale: "." is the only decimal separator and only the
// ASCII letters a-z and A-Z change case.

#include <cstdint>
#include <string>
#include <string_view>

namespace pallisar {

// Upper-cases the ASCII letters a-z; every other byte is kept.
std::string UpperCase(std::string_view text);
// Lower-cases the ASCII letters A-Z; every other byte is kept.
std::string LowerCase(std::string_view text);
// True when the texts are equal after ASCII upper-casing.
bool SameText(std::string_view a, std::string_view b);
// Compares after ASCII upper-casing: negative, zero or positive.
int CompareText(std::string_view a, std::string_view b);

// Reads a 32-bit integer: optional leading blanks, an optional sign, then decimal
// digits or hexadecimal digits after "0x", "0X" or "$". Hexadecimal values up to
// FFFFFFFF wrap to their signed 32-bit meaning.
// Throws ConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
// As StrToInt, but returns `fallback` instead of throwing.
int StrToIntDef(std::string_view text, int fallback);
// As StrToInt; false (and `value` untouched) when the text is not an integer.
bool TryStrToInt(std::string_view text, int& value);

// Reads a decimal number with "." as separator and an optional exponent; blanks
// around it are allowed. "1,5", "inf" and "nan" are not numbers.
// Throws ConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& value);

// Shortest general decimal form with up to 15 significant digits: -0.75, 0, 0.5,
// 2, 1E20, 1E-5 (the exponent form only where the plain one would need it).
std::string FloatToStr(double value);
// The "0.00" pattern: two decimals, halves rounded away from zero (1.3 -> "1.30").
std::string FormatFloat00(double value);

// Upper-case hexadecimal digits, with leading zeros up to `width` digits.
std::string HexText(uint32_t value, int width);

// The nearest whole number, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
long long RoundHalfEven(double value);

}  // namespace pallisar
