// Fixed-point money with four decimal places (the old runtime's Currency):
// a whole number of ten-thousandths of a pound in 64 bits.
//
// A double becomes money by rounding to the nearest ten-thousandth, one half
// to the even neighbour, computed exactly on the double's binary value
// (0.03125 -> 0.0312, 0.09375 -> 0.0938). Arithmetic that leaves the range
// of int64 ten-thousandths (about +-922 337 203 685 477 pounds), and a
// double that is NaN or infinite, throws std::overflow_error, as the old
// runtime raised its Overflow error.
#pragma once

#include <compare>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class Money {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Money() = default;                           // 0
    static Money fromDouble(double d);                     // rounded half to even
    static constexpr Money fromRaw(std::int64_t tenThousandths) { return Money(tenThousandths); }
    static Money fromWhole(std::int64_t pounds);           // exact

    constexpr std::int64_t raw() const { return v_; }      // ten-thousandths
    double toDouble() const;                               // nearest double

    Money operator+(Money o) const;
    Money operator-(Money o) const;
    Money operator-() const;
    Money& operator+=(Money o) { return *this = *this + o; }
    Money& operator-=(Money o) { return *this = *this - o; }

    // By a double: the product raw × d (as a double) rounded half to even.
    Money operator*(double d) const;
    // By a whole number: exact.
    template <std::integral I>
    Money operator*(I n) const { return mulInt(static_cast<std::int64_t>(n)); }

    constexpr auto operator<=>(const Money&) const = default;

    // Shortest text, up to four decimals, no trailing zeros: "12.5", "-0.0001", "3".
    std::string text() const;
    // A display pattern as in formatNumber (numtext.h), applied to the exact
    // value: Money::fromDouble(2.675).format("0.00") -> "2.68".
    std::string format(std::string_view pattern) const;

private:
    constexpr explicit Money(std::int64_t v) : v_(v) {}
    Money mulInt(std::int64_t n) const;
    std::int64_t v_ = 0;
};

inline Money operator*(double d, Money m) { return m * d; }
template <std::integral I>
Money operator*(I n, Money m) { return m * n; }

}  // namespace qv
