#include "common/text/numtext.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/text/decimal.h"

namespace qv {

using detail::Decimal;

namespace {

std::string specialText(double d) {
    if (std::isnan(d)) return "NaN";
    return d < 0 ? "-Inf" : "Inf";
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string numberText(double d) {
    if (!std::isfinite(d)) return specialText(d);
    Decimal dec = detail::decimal15(d);
    if (dec.isZero()) return "0";
    int x = dec.exponent - 1;  // decimal exponent of the first digit
    if (x >= -4 && x < 15) return detail::plainText(dec);
    std::string s;
    if (dec.negative) s += '-';
    s += dec.digits[0];
    if (dec.digits.size() > 1) {
        s += '.';
        s.append(dec.digits, 1, std::string::npos);
    }
    s += x < 0 ? "E-" : "E+";
    int ax = x < 0 ? -x : x;
    if (ax < 10) s += '0';
    s += std::to_string(ax);
    return s;
}

std::string numberStr(double d) {
    std::string t = numberText(d);
    if (t.compare(0, 2, "0.") == 0) t.erase(0, 1);
    else if (t.compare(0, 3, "-0.") == 0) t.erase(1, 1);
    if (t[0] != '-') t.insert(t.begin(), ' ');
    return t;
}

std::string formatNumber(double d, std::string_view pattern) {
    if (!std::isfinite(d)) return specialText(d);
    return detail::formatDecimal(detail::decimal15(d), pattern);
}

// ---- round ------------------------------------------------------------------

std::string round(double d, int places) {
    if (places < 0) places = 0;
    if (places > 255) places = 255;
    std::string t = numberText(d);
    if (t.find('E') != std::string::npos) {
        if (!std::isfinite(d) || std::fabs(d) >= 1) return t;   // 1E15 and more: unchanged
        t = detail::plainText(detail::decimal15(d));           // below 0.0001: plain text
    }
    size_t point = t.find('.');
    if (point == std::string::npos) return t;                  // step 2

    if (places == 0) {                                         // step 3
        std::string_view five = std::string_view(t).substr(point + 1, 5);
        bool above0 = false;
        for (char c : five) above0 |= c != '0';
        std::string whole = t.substr(0, point);
        if (!above0) return whole + '.';
        double w = leadingNumber(whole);                       // "-0" reads as -0
        return numberText(std::signbit(w) ? w - 1 : w + 1);
    }

    if (t.size() - point - 1 <= size_t(places)) return t;      // step 4: nothing to round
    std::string r = t.substr(0, point + 1 + size_t(places));
    char next = t[point + 1 + size_t(places)];
    if (next >= '5' && next <= '9') {                          // step 5
        size_t i = r.size();
        bool carry = true;
        while (carry && i > 0) {
            char& c = r[--i];
            if (c == '.') continue;
            if (!isDigit(c)) {  // the minus sign: the carry passed the first digit
                ++i;
                break;
            }
            if (c == '9') {
                c = '0';
            } else {
                ++c;
                carry = false;
            }
        }
        if (carry) r.insert(r.begin() + long(i), '1');
    }
    return r;
}

double roundNumber(double d, int places) { return leadingNumber(round(d, places)); }

// ---- Whole numbers ---------------------------------------------------------

std::optional<std::int64_t> roundHalfEven(double d) { return detail::roundHalfEvenExact(d, false); }

std::optional<std::int32_t> toLong(double d) {
    auto v = roundHalfEven(d);
    if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return std::int32_t(*v);
}

std::optional<std::int16_t> toInteger(double d) {
    auto v = roundHalfEven(d);
    if (!v || *v < std::numeric_limits<std::int16_t>::min() || *v > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return std::int16_t(*v);
}

// ---- Text to number --------------------------------------------------------

namespace {
// End of the number that starts at i (i itself when there is none).
size_t scanNumber(std::string_view s, size_t i, bool& negExponent) {
    size_t start = i;
    negExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) ++i, digits = true;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, digits = true;
    }
    if (!digits) return start;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool neg = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) neg = s[j++] == '-';
        size_t k = j;
        while (k < s.size() && isDigit(s[k])) ++k;
        if (k > j) i = k, negExponent = neg;
    }
    return i;
}

// Converts a scanned number; false when it is too large for a double.
bool convert(std::string_view num, bool negExponent, double& out) {
    bool neg = false;
    if (num[0] == '+' || num[0] == '-') neg = num[0] == '-', num.remove_prefix(1);
    double v = 0;
    auto res = std::from_chars(num.data(), num.data() + num.size(), v, std::chars_format::general);
    bool ok = true;
    if (res.ec == std::errc::result_out_of_range) {
        if (negExponent) v = 0;
        else v = std::numeric_limits<double>::infinity(), ok = false;
    }
    out = neg ? -v : v;
    return ok;
}
}  // namespace

double leadingNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negExp;
    size_t end = scanNumber(s, i, negExp);
    if (end == i) return 0;
    double v;
    convert(s.substr(i, end - i), negExp, v);
    return v;
}

bool parseNumber(std::string_view s, double& out) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negExp;
    size_t end = scanNumber(s, i, negExp);
    if (end == i) return false;
    size_t j = end;
    while (j < s.size() && s[j] == ' ') ++j;
    if (j != s.size()) return false;
    double v;
    if (!convert(s.substr(i, end - i), negExp, v)) return false;
    out = v;
    return true;
}

}  // namespace qv
