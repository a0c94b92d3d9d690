#include "common/text/decimal.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qv::detail {

namespace {
void stripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}
}  // namespace

Decimal decimal15(double d) {
    Decimal r;
    if (d == 0 || !std::isfinite(d)) return r;
    r.negative = std::signbit(d);
    char buf[64];
    // "d.dddddddddddddde+XX": 15 significant digits, correctly rounded.
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(d), std::chars_format::scientific, 14);
    std::string_view s(buf, size_t(res.ptr - buf));
    size_t e = s.find('e');
    r.digits.reserve(15);
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') r.digits += s[i];
    int x = 0;
    std::string_view ex = s.substr(e + 1);
    bool neg = ex[0] == '-';
    std::from_chars(ex.data() + 1, ex.data() + ex.size(), x);
    r.exponent = (neg ? -x : x) + 1;
    stripTrailingZeros(r);
    return r;
}

Decimal decimalOfScaled(std::int64_t raw, int scale) {
    Decimal r;
    if (raw == 0) return r;
    r.negative = raw < 0;
    std::uint64_t mag = raw < 0 ? std::uint64_t(0) - std::uint64_t(raw) : std::uint64_t(raw);
    r.digits = std::to_string(mag);
    r.exponent = int(r.digits.size()) - scale;
    stripTrailingZeros(r);
    return r;
}

void roundHalfUp(Decimal& d, int places) {
    if (d.isZero()) return;
    long keep = long(d.exponent) + places;  // digits that stay
    if (keep >= long(d.digits.size())) return;
    if (keep < 0) {  // the first digit lies beyond the place after the last kept one
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        size_t i = d.digits.size();
        while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
        if (i == 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[i - 1];
        }
    }
    stripTrailingZeros(d);
}

std::string plainText(const Decimal& d) {
    if (d.isZero()) return "0";
    std::string s;
    if (d.negative) s += '-';
    const std::string& g = d.digits;
    if (d.exponent <= 0) {
        s += "0.";
        s.append(size_t(-d.exponent), '0');
        s += g;
    } else if (size_t(d.exponent) >= g.size()) {
        s += g;
        s.append(size_t(d.exponent) - g.size(), '0');
    } else {
        s.append(g, 0, size_t(d.exponent));
        s += '.';
        s.append(g, size_t(d.exponent), std::string::npos);
    }
    return s;
}

std::string formatDecimal(Decimal d, std::string_view pattern) {
    auto isPh = [](char c) { return c == '0' || c == '#'; };
    size_t point = pattern.find('.');
    std::string_view intPat = pattern.substr(0, point);
    std::string_view fracPat = point == std::string_view::npos ? std::string_view() : pattern.substr(point + 1);

    int nf = 0, minFrac = 0;
    for (char c : fracPat)
        if (isPh(c)) {
            ++nf;
            if (c == '0') minFrac = nf;
        }
    roundHalfUp(d, nf);

    // Whole-number digits ("" for a value below 1) and the nf decimals.
    std::string intDigits, frac(size_t(nf), '0');
    const std::string& g = d.digits;
    if (d.exponent > 0) {
        intDigits = g.substr(0, std::min(g.size(), size_t(d.exponent)));
        if (size_t(d.exponent) > g.size()) intDigits.append(size_t(d.exponent) - g.size(), '0');
    }
    int lastNonZero = 0;
    for (int i = 0; i < nf; ++i) {
        long p = long(d.exponent) + i;
        if (p >= 0 && p < long(g.size())) {
            frac[size_t(i)] = g[size_t(p)];
            if (g[size_t(p)] != '0') lastNonZero = i + 1;
        }
    }
    int shownFrac = std::max(minFrac, lastNonZero);

    std::string out;
    if (d.negative && !d.isZero()) out += '-';

    size_t nInt = 0;
    for (char c : intPat) nInt += isPh(c);
    if (nInt == 0) {
        out += intPat;
        out += intDigits;
    } else {
        // Placeholder k counted from the right takes digit k from the right.
        size_t k = nInt;  // placeholders still to come, this one included
        size_t nd = intDigits.size();
        for (char c : intPat) {
            if (!isPh(c)) {
                out += c;
                continue;
            }
            --k;  // k is now this placeholder's index from the right
            if (k == nInt - 1 && nd > nInt) {
                out.append(intDigits, 0, nd - nInt + 1);  // leftmost takes the surplus
            } else if (k < nd) {
                out += intDigits[nd - 1 - k];
            } else if (c == '0') {
                out += '0';
            }
        }
    }
    if (point != std::string_view::npos) {
        out += '.';
        int i = 0;
        for (char c : fracPat) {
            if (!isPh(c)) {
                out += c;
                continue;
            }
            if (i < shownFrac) out += frac[size_t(i)];
            ++i;
        }
    }
    return out;
}

std::optional<std::int64_t> roundHalfEvenExact(double x, bool scale4) {
    if (!std::isfinite(x)) return std::nullopt;
    if (x == 0) return 0;
    bool neg = x < 0;
    int e2;
    double f = std::frexp(std::fabs(x), &e2);                       // |x| = f × 2^e2, f in [0.5, 1)
    std::uint64_t m = std::uint64_t(std::ldexp(f, 53));             // |x| = m × 2^(e2-53), m < 2^53
    int k = e2 - 53;
    if (scale4) {  // × 10000 = × 625 × 2^4; m × 625 < 2^63
        m *= 625;
        k += 4;
    }
    const std::uint64_t limit = neg ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    std::uint64_t q;
    if (k >= 0) {
        if (k >= 63 || m > (limit >> k)) return std::nullopt;
        q = m << k;
    } else {
        int s = -k;
        if (s >= 64) return 0;  // m < 2^63, so m / 2^64 < 0.5
        q = m >> s;
        std::uint64_t rem = m & ((std::uint64_t(1) << s) - 1);
        std::uint64_t half = std::uint64_t(1) << (s - 1);
        if (rem > half || (rem == half && (q & 1))) ++q;
        if (q > limit) return std::nullopt;
    }
    if (neg) return q == (std::uint64_t(1) << 63) ? std::numeric_limits<std::int64_t>::min() : -std::int64_t(q);
    return std::int64_t(q);
}

}  // namespace qv::detail
