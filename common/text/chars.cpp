#include "common/text/chars.h"

#include <algorithm>

#include <cstdint>
#include <cstring>

namespace qv {

namespace {

// Byte offset after skipping n characters from byte offset pos.
std::size_t skipChars(std::string_view s, std::size_t pos, std::size_t n) {
    while (n > 0 && pos < s.size()) {
        ++pos;
        while (pos < s.size() && isContinuation(s[pos])) ++pos;
        --n;
    }
    return pos;
}

// Byte offset of the first of the last n characters.
std::size_t lastChars(std::string_view s, std::size_t n) {
    std::size_t pos = s.size();
    while (n > 0 && pos > 0) {
        --pos;
        while (pos > 0 && isContinuation(s[pos])) --pos;
        --n;
    }
    return pos;
}

// Case mapping of one two-byte UTF-8 character (b0 b1); false when it has none.
bool mapTwoByte(unsigned char& b0, unsigned char& b1, bool upper) {
    if (b0 == 0xC3) {
        // U+00C0..U+00DE <-> U+00E0..U+00FE by bit 0x20 of the second byte.
        if (b1 == 0x97 || b1 == 0xB7 || b1 == 0x9F) return false;  // × ÷ ß
        if (upper && b1 >= 0xA0 && b1 <= 0xBE) { b1 -= 0x20; return true; }
        if (!upper && b1 >= 0x80 && b1 <= 0x9E) { b1 += 0x20; return true; }
        if (upper && b1 == 0xBF) { b0 = 0xC5; b1 = 0xB8; return true; }  // ÿ -> Ÿ
        return false;
    }
    if (b0 == 0xC5) {
        if (!upper && b1 == 0xB8) { b0 = 0xC3; b1 = 0xBF; return true; }  // Ÿ -> ÿ
        // Š U+0160 š U+0161, Œ U+0152 œ U+0153, Ž U+017D ž U+017E
        switch (b1) {
        case 0xA0: case 0x92: case 0xBD: if (!upper) { ++b1; return true; } return false;
        case 0xA1: case 0x93: case 0xBE: if (upper) { --b1; return true; } return false;
        default: return false;
        }
    }
    return false;
}

std::string mapCase(std::string_view s, bool upper) {
    std::string r(s);
    const char from = upper ? 'a' : 'A';
    for (std::size_t i = 0; i < r.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(r[i]);
        if (c < 0x80) {
            if (static_cast<unsigned char>(c - from) < 26) r[i] = char(c ^ 0x20);
        } else if ((c == 0xC3 || c == 0xC5) && i + 1 < r.size()) {
            unsigned char b0 = c, b1 = static_cast<unsigned char>(r[i + 1]);
            if (mapTwoByte(b0, b1, upper)) {
                r[i] = char(b0);
                r[i + 1] = char(b1);
            }
            ++i;
        }
    }
    return r;
}

}  // namespace

bool isAscii(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size(), i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL) return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) & 0x80) return false;
    return true;
}

std::size_t charLength(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) n += !isContinuation(c);
    return n;
}

std::vector<std::string_view> charsOf(std::string_view s) {
    std::vector<std::string_view> out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i + 1;
        while (j < s.size() && isContinuation(s[j])) ++j;
        out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

std::string mid(std::string_view s, std::size_t start, std::size_t len) {
    if (start < 1) start = 1;
    if (isAscii(s)) {
        if (start > s.size()) return {};
        return std::string(s.substr(start - 1, len));
    }
    std::size_t b = skipChars(s, 0, start - 1);
    if (b >= s.size()) return {};
    std::size_t e = len == std::string_view::npos ? s.size() : skipChars(s, b, len);
    return std::string(s.substr(b, e - b));
}

std::string left(std::string_view s, std::size_t n) {
    if (isAscii(s)) return std::string(s.substr(0, n));
    return std::string(s.substr(0, skipChars(s, 0, n)));
}

std::string right(std::string_view s, std::size_t n) {
    if (isAscii(s)) return std::string(s.substr(s.size() > n ? s.size() - n : 0));
    return std::string(s.substr(lastChars(s, n)));
}

std::string padRight(std::string_view s, std::size_t n) {
    std::size_t len = isAscii(s) ? s.size() : charLength(s);
    if (len >= n) return left(s, n);
    std::string r;
    r.reserve(s.size() + (n - len));
    r.append(s);
    r.append(n - len, ' ');
    return r;
}

std::string padLeft(std::string_view s, std::size_t n) {
    std::size_t len = isAscii(s) ? s.size() : charLength(s);
    if (len >= n) return left(s, n);
    std::string r;
    r.reserve(s.size() + (n - len));
    r.append(n - len, ' ');
    r.append(s);
    return r;
}

std::string ltrim(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string rtrim(std::string_view s) {
    std::size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string trim(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::string ucase(std::string_view s) { return mapCase(s, true); }
std::string lcase(std::string_view s) { return mapCase(s, false); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // case pairs have equal byte lengths
    if (isAscii(a) && isAscii(b)) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
            if (unsigned(x - 'A') < 26u) x ^= 0x20;
            if (unsigned(y - 'A') < 26u) y ^= 0x20;
            if (x != y) return false;
        }
        return true;
    }
    return lcase(a) == lcase(b);
}

std::string quotedStart(std::string_view s, std::size_t most) {
    // Only the start is looked at: the length of a huge value is not counted.
    std::string start = left(s.substr(0, std::min(s.size(), most * 4 + 4)), most + 1);
    if (charLength(start) <= most) return start;
    return left(start, most) + "...";
}

}  // namespace qv
