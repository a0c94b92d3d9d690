#include "common/text/sectorkeys.h"

#include "common/text/chars.h"

namespace qv {

std::optional<SectorKeys> sectorKeys(std::string_view postcode) {
    const std::string t(postcode);
    const std::size_t n = charLength(t);
    // Positions count from 1; past the end reads as a blank.
    auto at = [&](std::size_t pos) -> std::string {
        if (pos < 1 || pos > n) return " ";
        return mid(t, pos, 1);
    };
    auto isUpper = [&](std::size_t pos) {
        const std::string c = at(pos);
        return c.size() == 1 && c[0] >= 'A' && c[0] <= 'Z';
    };
    auto isDigit = [&](std::size_t pos) {
        const std::string c = at(pos);
        return c.size() == 1 && c[0] >= '0' && c[0] <= '9';
    };

    std::string outward;
    std::size_t s = 0;
    for (std::size_t k = 1; k <= 4; ++k) {
        if (at(k) == " ") {
            outward = mid(t, 1, k - 1);
            s = k + 1;
            break;
        }
    }
    if (s == 0) {
        if (at(5) == " ") {
            outward = mid(t, 1, 4);
            s = 5;
        } else if (n >= 3 && isUpper(n) && isUpper(n - 1) && isDigit(n - 2)) {
            // Typed without its blank: the inward code is the last three.
            outward = mid(t, 1, n - 3);
            s = n - 2;
        } else {
            return std::nullopt;
        }
    }
    SectorKeys keys;
    // Padded to four characters, never cut: a longer outward code stays whole.
    keys.outward = charLength(outward) < 4 ? padRight(outward, 4) : outward;
    const std::string digit = at(s) == " " ? at(s + 1) : at(s);
    keys.sector = keys.outward + digit;
    return keys;
}

}  // namespace qv
