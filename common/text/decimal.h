// Internal to qv_text: a number as decimal digits, the form on which the old
// runtime rounded and formatted. Not for use outside common/text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::detail {

// value = (negative ? -1 : 1) × 0.d1d2d3... × 10^exponent.
// digits holds no leading and no trailing zeros; zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool isZero() const { return digits.empty(); }
};

// The double rounded (correctly, on its exact binary value) to 15
// significant digits. NaN and infinities must be handled by the caller.
Decimal decimal15(double d);

// The exact value raw / 10^scale (used for money: scale 4).
Decimal decimalOfScaled(std::int64_t raw, int scale);

// Rounds to `places` digits after the point, one half away from zero
// (judged on the digit that follows the last kept place).
void roundHalfUp(Decimal& d, int places);

// Plain decimal text: "123.45", "0.5", "-0.001", "0"; never an exponent.
std::string plainText(const Decimal& d);

// Applies a display pattern (see formatNumber in numtext.h).
std::string formatDecimal(Decimal d, std::string_view pattern);

// The nearest whole number to x × 10000 (scale4 true) or to x (scale4
// false), computed exactly on the binary value of x, one half to the even
// neighbour. nullopt when x is NaN or the result falls outside int64.
std::optional<std::int64_t> roundHalfEvenExact(double x, bool scale4);

}  // namespace qv::detail
