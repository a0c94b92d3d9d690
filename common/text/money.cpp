#include "common/text/money.h"

#include <limits>
#include <stdexcept>

#include "common/text/decimal.h"

namespace qv {

namespace {
[[noreturn]] void overflow() { throw std::overflow_error("money overflow"); }
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
}  // namespace

Money Money::fromDouble(double d) {
    auto v = detail::roundHalfEvenExact(d, true);
    if (!v) overflow();
    return Money(*v);
}

Money Money::fromWhole(std::int64_t pounds) { return Money(pounds).mulInt(kScale); }

double Money::toDouble() const { return double(v_) / double(kScale); }

Money Money::operator+(Money o) const {
    if ((o.v_ > 0 && v_ > kMax - o.v_) || (o.v_ < 0 && v_ < kMin - o.v_)) overflow();
    return Money(v_ + o.v_);
}

Money Money::operator-(Money o) const {
    if ((o.v_ < 0 && v_ > kMax + o.v_) || (o.v_ > 0 && v_ < kMin + o.v_)) overflow();
    return Money(v_ - o.v_);
}

Money Money::operator-() const {
    if (v_ == kMin) overflow();
    return Money(-v_);
}

Money Money::operator*(double d) const {
    auto v = detail::roundHalfEvenExact(double(v_) * d, false);
    if (!v) overflow();
    return Money(*v);
}

Money Money::mulInt(std::int64_t n) const {
    if (v_ == 0 || n == 0) return Money(0);
    // Portable overflow test on the magnitudes.
    std::uint64_t a = v_ < 0 ? 0 - std::uint64_t(v_) : std::uint64_t(v_);
    std::uint64_t b = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
    bool neg = (v_ < 0) != (n < 0);
    std::uint64_t limit = neg ? std::uint64_t(1) << 63 : std::uint64_t(kMax);
    if (a > limit / b) overflow();
    std::uint64_t p = a * b;
    return Money(neg ? std::int64_t(0 - p) : std::int64_t(p));
}

std::string Money::text() const { return detail::plainText(detail::decimalOfScaled(v_, 4)); }

std::string Money::format(std::string_view pattern) const {
    return detail::formatDecimal(detail::decimalOfScaled(v_, 4), pattern);
}

}  // namespace qv
