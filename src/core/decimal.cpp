#include "core/decimal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pallisar {

namespace {

// An unsigned integer of any size, least significant 32-bit word first; just the
// operations the conversions need.
class BigNumber {
  public:
    explicit BigNumber(uint64_t value = 0) {
        while (value != 0) {
            words_.push_back(static_cast<uint32_t>(value));
            value >>= 32;
        }
    }

    bool IsZero() const { return words_.empty(); }

    int BitLength() const {
        if (words_.empty()) return 0;
        int bits = static_cast<int>(words_.size() - 1) * 32;
        for (uint32_t top = words_.back(); top != 0; top >>= 1) ++bits;
        return bits;
    }

    // this = this * factor + addend
    void MultiplyAdd(uint32_t factor, uint32_t addend = 0) {
        uint64_t carry = addend;
        for (uint32_t& word : words_) {
            const uint64_t product = static_cast<uint64_t>(word) * factor + carry;
            word = static_cast<uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) words_.push_back(static_cast<uint32_t>(carry));
        Trim();
    }

    // Divides by `divisor` and returns the remainder.
    uint32_t DivideSmall(uint32_t divisor) {
        uint64_t remainder = 0;
        for (size_t i = words_.size(); i-- > 0;) {
            const uint64_t current = (remainder << 32) | words_[i];
            words_[i] = static_cast<uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        Trim();
        return static_cast<uint32_t>(remainder);
    }

    void MultiplyByPower(uint32_t base, int exponent) {
        // The largest power of 5 and of 10 that fits a word.
        const uint32_t chunk = base == 5 ? 1220703125u : 1000000000u;
        const int chunkExponent = base == 5 ? 13 : 9;
        for (; exponent >= chunkExponent; exponent -= chunkExponent) MultiplyAdd(chunk);
        while (exponent-- > 0) MultiplyAdd(base);
    }

    BigNumber ShiftedLeft(int bits) const {
        BigNumber result;
        if (IsZero()) return result;
        const auto wordShift = static_cast<size_t>(bits / 32);
        const int bitShift = bits % 32;
        result.words_.assign(wordShift, 0);
        uint32_t carry = 0;
        for (uint32_t word : words_) {
            result.words_.push_back(bitShift == 0 ? word : (word << bitShift) | carry);
            carry = bitShift == 0 ? 0 : word >> (32 - bitShift);
        }
        if (carry != 0) result.words_.push_back(carry);
        return result;
    }

    friend int Compare(const BigNumber& a, const BigNumber& b) {
        if (a.words_.size() != b.words_.size()) return a.words_.size() < b.words_.size() ? -1 : 1;
        for (size_t i = a.words_.size(); i-- > 0;)
            if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
        return 0;
    }

    // this -= other; other must not be larger.
    void Subtract(const BigNumber& other) {
        int64_t borrow = 0;
        for (size_t i = 0; i < words_.size(); ++i) {
            int64_t difference = static_cast<int64_t>(words_[i]) - borrow -
                                 (i < other.words_.size() ? other.words_[i] : 0);
            borrow = difference < 0 ? 1 : 0;
            if (difference < 0) difference += int64_t{1} << 32;
            words_[i] = static_cast<uint32_t>(difference);
        }
        Trim();
    }

    // The decimal digits, without leading zeros ("" for zero).
    std::string ToDecimal() const {
        BigNumber rest = *this;
        std::string reversed;
        while (!rest.IsZero()) {
            uint32_t group = rest.DivideSmall(1000000000u);
            for (int i = 0; i < 9; ++i, group /= 10)
                reversed += static_cast<char>('0' + group % 10);
        }
        while (!reversed.empty() && reversed.back() == '0') reversed.pop_back();
        return std::string(reversed.rbegin(), reversed.rend());
    }

  private:
    void Trim() {
        while (!words_.empty() && words_.back() == 0) words_.pop_back();
    }

    std::vector<uint32_t> words_;
};

constexpr int kMantissaBits = 53;
constexpr int kMinExponent = -1022;  // of the normal doubles, value = 1.f x 2^exponent
constexpr int kMaxExponent = 1023;

uint64_t BitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double DoubleOf(uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// |value| exactly, as decimal digits: value = 0.digits x 10^exponent.
DecimalDigits ExactDigits(double value) {
    const uint64_t bits = BitsOf(value) & ~(uint64_t{1} << 63);
    const int biased = static_cast<int>(bits >> 52);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int binaryExponent = biased == 0 ? kMinExponent - 52 : biased - 1023 - 52;
    if (biased != 0) mantissa |= uint64_t{1} << 52;

    DecimalDigits result;
    if (mantissa == 0) return result;
    BigNumber number(mantissa);
    int decimalShift = 0;  // value = number x 10^decimalShift
    if (binaryExponent >= 0) {
        number = number.ShiftedLeft(binaryExponent);
    } else {
        // m x 2^-k = m x 5^k x 10^-k
        number.MultiplyByPower(5, -binaryExponent);
        decimalShift = binaryExponent;
    }
    result.digits = number.ToDecimal();
    result.exponent = static_cast<int>(result.digits.size()) + decimalShift;
    return result;
}

// Keeps the first `keep` digits (keep may be 0 or negative: nothing is kept),
// rounding the rest half to even; a carry out of the first digit adds one to the
// exponent.
DecimalDigits RoundDigits(DecimalDigits exact, int keep) {
    if (keep < 0 || static_cast<size_t>(keep) >= exact.digits.size()) {
        if (keep < 0) return {};
        return exact;
    }
    const auto cut = static_cast<size_t>(keep);
    const char first = exact.digits[cut];
    const bool restNonZero = exact.digits.find_first_not_of('0', cut + 1) != std::string::npos;
    const bool lastOdd = cut > 0 && (exact.digits[cut - 1] - '0') % 2 == 1;
    const bool up = first > '5' || (first == '5' && (restNonZero || lastOdd));
    exact.digits.resize(cut);
    if (up) {
        size_t i = cut;
        while (i > 0 && exact.digits[i - 1] == '9') exact.digits[--i] = '0';
        if (i == 0) {
            exact.digits.insert(exact.digits.begin(), '1');
            ++exact.exponent;
        } else {
            ++exact.digits[i - 1];
        }
    }
    const size_t end = exact.digits.find_last_not_of('0');
    exact.digits.resize(end == std::string::npos ? 0 : end + 1);
    if (exact.digits.empty()) exact.exponent = 0;
    return exact;
}

}  // namespace

bool DecimalToDouble(std::string_view digits, long long exponent, double& value) {
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) {
        value = 0;
        return true;
    }
    digits.remove_prefix(first);
    exponent -= static_cast<long long>(first);

    // Beyond 800 significant digits only whether any further digit is non-zero can
    // matter: no halfway point between two doubles has that many digits.
    constexpr size_t kKeptDigits = 800;
    std::string kept(digits.substr(0, kKeptDigits));
    if (digits.size() > kKeptDigits &&
        digits.find_first_not_of('0', kKeptDigits) != std::string_view::npos)
        kept += '1';
    // 10^(exponent-1) <= value < 10^exponent
    if (exponent > 310 || exponent < -330) return false;
    const auto scale = static_cast<int>(
        exponent - static_cast<long long>(kept.size()));  // value = kept x 10^scale

    BigNumber numerator;
    for (char c : kept) numerator.MultiplyAdd(10, static_cast<uint32_t>(c - '0'));
    BigNumber denominator(1);
    if (scale >= 0)
        numerator.MultiplyByPower(10, scale);
    else
        denominator.MultiplyByPower(10, -scale);

    // quotient = numerator x 2^shift / denominator lies in [2^62, 2^64).
    const int shift = 63 - (numerator.BitLength() - denominator.BitLength());
    BigNumber remainder = shift >= 0 ? numerator.ShiftedLeft(shift) : numerator;
    if (shift < 0) denominator = denominator.ShiftedLeft(-shift);
    uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const BigNumber part = denominator.ShiftedLeft(bit);
        if (Compare(part, remainder) <= 0) {
            remainder.Subtract(part);
            quotient |= uint64_t{1} << bit;
        }
    }
    const bool sticky = !remainder.IsZero();

    int quotientBits = 0;
    for (uint64_t q = quotient; q != 0; q >>= 1) ++quotientBits;
    // value is in [2^binaryExponent, 2^(binaryExponent+1))
    const int binaryExponent = quotientBits - 1 - shift;
    const int keep = binaryExponent >= kMinExponent
                         ? kMantissaBits
                         : kMantissaBits - (kMinExponent - binaryExponent);
    if (keep < 0) return false;            // below half the smallest double: rounds to zero
    const int drop = quotientBits - keep;  // 9 to 64
    uint64_t mantissa = drop >= 64 ? 0 : quotient >> drop;
    const uint64_t rest = drop >= 64 ? quotient : quotient & ((uint64_t{1} << drop) - 1);
    const uint64_t half = uint64_t{1} << (drop - 1);
    if (rest > half || (rest == half && (sticky || (mantissa & 1) != 0))) ++mantissa;
    if (mantissa == 0) return false;

    uint64_t bits = 0;
    if (binaryExponent < kMinExponent) {
        // A subnormal; one that rounded up to 2^52 reads as the smallest normal.
        bits = mantissa;
    } else {
        int finalExponent = binaryExponent;
        if (mantissa == uint64_t{1} << kMantissaBits) {
            mantissa >>= 1;
            ++finalExponent;
        }
        if (finalExponent > kMaxExponent) return false;
        bits = (static_cast<uint64_t>(finalExponent + 1023) << 52) |
               (mantissa & ((uint64_t{1} << 52) - 1));
    }
    value = DoubleOf(bits);
    return true;
}

DecimalDigits RoundToSignificant(double value, int count) {
    return RoundDigits(ExactDigits(value), count);
}

std::string RoundToPlaces(double value, int decimals) {
    const DecimalDigits exact = ExactDigits(value);
    DecimalDigits rounded = RoundDigits(exact, exact.exponent + decimals);
    // digits x 10^(exponent - size) as a multiple of 10^-decimals
    const int zeros = rounded.exponent + decimals - static_cast<int>(rounded.digits.size());
    if (!rounded.digits.empty() && zeros > 0)
        rounded.digits.append(static_cast<size_t>(zeros), '0');
    return rounded.digits;
}

}  // namespace pallisar
