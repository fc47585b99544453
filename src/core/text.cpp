#include "core/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
    std::string_view body = text.substr(begin, end - begin);

    // The accepted grammar: [sign] digits [. digits] [(e|E) [sign] digits], at least
    // one digit in the mantissa.
    std::string cleaned;
    size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
        if (body[i] == '-') cleaned += '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    while (i < body.size() && IsDigit(body[i])) cleaned += body[i++], ++mantissaDigits;
    if (i < body.size() && body[i] == '.') {
        cleaned += body[i++];
        while (i < body.size() && IsDigit(body[i])) cleaned += body[i++], ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        cleaned += 'e';
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
            if (body[i] == '-') cleaned += '-';
            ++i;
        }
        size_t exponentDigits = 0;
        while (i < body.size() && IsDigit(body[i])) cleaned += body[i++], ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != body.size()) return false;

    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(cleaned.data(), cleaned.data() + cleaned.size(), parsed);
    if (ec != std::errc() || ptr != cleaned.data() + cleaned.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
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

    // 15 significant digits, correctly rounded, as d.dddddddddddddde[+-]x.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string_view s(buffer);
    const bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    const size_t e = s.find('e');
    std::string digits;
    for (char c : s.substr(0, e))
        if (IsDigit(c)) digits += c;
    const int exponent = std::atoi(std::string(s.substr(e + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string result = negative ? "-" : "";
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
    // Round the hundredths half away from zero; adding 0.0 turns -0 into 0.
    const double rounded = std::round(value * 100.0) / 100.0 + 0.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", rounded);
    return buffer;
}

long long RoundHalfEven(double value) {
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    auto result = static_cast<long long>(floorValue);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
    return result;
}

}  // namespace pallisar
