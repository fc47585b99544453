#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/decimal.h"
#include "core/errors.h"

namespace pallisar {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    c = AsciiUpper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiUpper(c);
    return result;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TryStrToInt(std::string_view text, int& value) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return false;

    uint64_t magnitude = 0;
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit) return false;
    }
    // Hexadecimal texts name a 32-bit pattern; decimal ones a signed value.
    const auto bits = static_cast<uint32_t>(magnitude);
    const auto signedValue = static_cast<int64_t>(static_cast<int32_t>(bits));
    int64_t result = hex ? signedValue : static_cast<int64_t>(magnitude);
    if (negative) result = -result;
    value = static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(result)));
    return true;
}

int StrToInt(std::string_view text) {
    int value = 0;
    if (!TryStrToInt(text, value))
        throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int StrToIntDef(std::string_view text, int fallback) {
    int value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

bool TryStrToFloat(std::string_view text, double& value) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    const std::string_view body = text.substr(begin, end - begin);

    // The accepted grammar: [sign] digits [. digits] [(e|E) [sign] digits], at least
    // one digit in the mantissa.
    size_t i = 0;
    bool negative = false;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) negative = body[i++] == '-';
    std::string digits;
    long long pointAt = 0;  // digits before the point
    while (i < body.size() && IsDigit(body[i])) digits += body[i++], ++pointAt;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && IsDigit(body[i])) digits += body[i++];
    }
    if (digits.empty()) return false;
    long long exponent = 0;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < body.size() && (body[i] == '+' || body[i] == '-'))
            negativeExponent = body[i++] == '-';
        size_t exponentDigits = 0;
        for (; i < body.size() && IsDigit(body[i]); ++i, ++exponentDigits) {
            // Far beyond any double's range; more digits change nothing.
            if (exponent < 100000000) exponent = exponent * 10 + (body[i] - '0');
        }
        if (exponentDigits == 0) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != body.size()) return false;

    double parsed = 0;
    if (!DecimalToDouble(digits, pointAt + exponent, parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

double StrToFloat(std::string_view text) {
    double value = 0;
    if (!TryStrToFloat(text, value))
        throw ConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // 15 significant digits, correctly rounded: value = 0.digits x 10^(exponent + 1).
    const DecimalDigits rounded = RoundToSignificant(value, 15);
    const std::string& digits = rounded.digits;
    const int exponent = rounded.exponent - 1;

    std::string result = value < 0 ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        result += digits.substr(0, 1);
        if (digits.size() > 1) result += "." + digits.substr(1);
        result += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        result += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto integerDigits = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            result += digits + std::string(integerDigits - digits.size(), '0');
        } else {
            result += digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
        }
    }
    return result;
}

std::string FormatFloat00(double value) {
    // Round the hundredths half away from zero (a negative result that rounds to
    // zero shows as "0.00"), then show the two decimals of that.
    double hundredths = std::fabs(value * 100.0);
    const double whole = std::floor(hundredths);
    hundredths = hundredths - whole >= 0.5 ? whole + 1 : whole;
    std::string digits = RoundToPlaces(hundredths / 100.0, 2);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    const bool negative = value < 0 && hundredths != 0;
    return (negative ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
           digits.substr(digits.size() - 2);
}

std::string HexText(uint32_t value, int width) {
    std::string reversed;
    do {
        reversed += "0123456789ABCDEF"[value % 16];
        value /= 16;
    } while (value != 0);
    if (static_cast<int>(reversed.size()) < width)
        reversed.append(static_cast<size_t>(width) - reversed.size(), '0');
    return std::string(reversed.rbegin(), reversed.rend());
}

long long RoundHalfEven(double value) {
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    auto result = static_cast<long long>(floorValue);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
    return result;
}

}  // namespace pallisar
