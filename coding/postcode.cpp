#include "coding/postcode.h"

#include "common/text/chars.h"

#include <vector>

namespace qv::coding {

namespace {

// The postcode cut into characters (UTF-8 sequences); past the end a
// character is empty, which counts as a blank.
class Chars {
public:
    explicit Chars(std::string_view s) : s_(s), ascii_(isAscii(s)) {
        if (ascii_) return;
        for (std::size_t i = 0; i < s.size();) {
            std::size_t j = i + 1;
            while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) ++j;
            chars_.push_back(s.substr(i, j - i));
            i = j;
        }
    }
    int length() const { return int(ascii_ ? s_.size() : chars_.size()); }
    std::string_view at(int pos) const {
        if (pos < 1 || pos > length()) return {};
        return ascii_ ? s_.substr(std::size_t(pos - 1), 1) : chars_[std::size_t(pos - 1)];
    }
    bool blankAt(int pos) const {
        auto c = at(pos);
        return c.empty() || c == " ";
    }
    bool digitAt(int pos) const {
        auto c = at(pos);
        return c.size() == 1 && c[0] >= '0' && c[0] <= '9';
    }

private:
    std::string_view s_;
    bool ascii_;
    std::vector<std::string_view> chars_;  // the characters of a text that is not ASCII
};

bool isDigit(std::string_view c) { return c.size() == 1 && c[0] >= '0' && c[0] <= '9'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

char checkoutward(std::string_view outwardKey) {
    const std::string_view key = trimmed(outwardKey);
    if (key == "BFPO" || key == "GIR") return 'O';
    const Chars c(key);
    if (c.length() < 2) return 'N';
    if (isDigit(c.at(1))) return 'N';
    std::string pattern = "A";
    for (int i = 2; i <= c.length() && i <= 4; ++i) pattern += isDigit(c.at(i)) ? 'N' : 'A';
    for (const char* ok : {"AN", "ANN", "AAN", "AANN", "ANA", "AANA"})
        if (pattern == ok) return 'O';
    return 'N';
}

PostcodeCheck checkpc(std::string_view postcode) {
    PostcodeCheck r;
    if (trimmed(postcode).empty()) {
        r.status = 'N';
        return r;
    }
    const Chars c(postcode);
    // The key runs to the first blank among the first five characters, the
    // blank included; a postcode that ends first still ends its key with one.
    r.scanPosition = 1;
    bool lastBlank = c.blankAt(1);
    while (!lastBlank && r.scanPosition <= 5) {
        lastBlank = c.blankAt(r.scanPosition);
        r.outwardKey += lastBlank ? std::string_view(" ") : c.at(r.scanPosition);
        ++r.scanPosition;
    }
    if (!lastBlank) {
        r.status = 'N';
        return r;
    }
    r.status = checkoutward(r.outwardKey);
    if (r.status == 'N') return r;
    if (trimmed(r.outwardKey) == "BFPO") return r;

    int& pos = r.scanPosition;
    while (c.blankAt(pos) && pos < c.length()) ++pos;
    if (!c.digitAt(pos)) {
        r.status = 'O';
        return r;
    }
    r.sector = c.at(pos)[0];
    ++pos;
    if (c.digitAt(pos) || c.blankAt(pos)) {
        r.status = 'O';
        return r;
    }
    ++pos;
    r.status = c.digitAt(pos) || c.blankAt(pos) ? 'O' : 'F';
    return r;
}

}  // namespace qv::coding
