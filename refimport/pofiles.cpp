#include "refimport/pofiles.h"

#include "common/text/chars.h"
#include "common/text/lines.h"

#include <vector>

namespace qv::refimport {

const char* poFileName(PoFile f) {
    switch (f) {
        case PoFile::D: return "msortd.dat";
        case PoFile::A: return "msorta.dat";
        case PoFile::B: return "msortb.dat";
        case PoFile::C: return "msortc.dat";
    }
    return "";
}

namespace {

inline bool isCont(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A line by character positions, 1-based; past the end a position is empty.
class Chars {
public:
    explicit Chars(std::string_view s) : s_(s) {
        for (std::size_t i = 0; i < s.size(); ++i)
            if (!isCont(s[i]) || i == 0) starts_.push_back(i);
        starts_.push_back(s.size());
    }
    std::size_t length() const { return starts_.size() - 1; }
    std::string_view at(std::size_t pos) const {
        if (pos < 1 || pos > length()) return {};
        return s_.substr(starts_[pos - 1], starts_[pos] - starts_[pos - 1]);
    }
    bool is(std::size_t pos, char c) const {
        auto ch = at(pos);
        return ch.size() == 1 && ch[0] == c;
    }
    // The characters from `from` up to the next double quote; the quote's
    // position, or 0 when the line ends first.
    std::size_t toQuote(std::size_t from, std::string& out) const {
        for (std::size_t p = from; p <= length(); ++p) {
            if (is(p, '"')) return p;
            out += at(p);
        }
        return 0;
    }

private:
    std::string_view s_;
    std::vector<std::size_t> starts_;
};

}  // namespace

SplitLine splitup(std::string_view line) {
    SplitLine r;
    const Chars c(line);
    const std::size_t len = c.length();

    std::size_t q = c.toQuote(2, r.field[0]);
    if (q == 0) {
        r.fault = SplitFault::UnclosedQuote;
        return r;
    }
    // One field, as "6" or "6",: the scan for field 2 would run off the line.
    std::size_t start = q + 2;
    if (start > len) {
        r.fault = SplitFault::SingleField;
        return r;
    }
    // Fields 2 to 4 follow one rule; 3 and 4 only while the start lies
    // before the last character.
    for (int f = 1; f < 4; ++f) {
        if (f > 1 && start >= len) break;
        if (c.is(start, ',')) {
            ++start;
            continue;
        }
        std::size_t close = c.toQuote(start + 1, r.field[f]);
        if (close == 0) {
            r.fault = SplitFault::UnclosedQuote;
            return r;
        }
        start = close + 2;
    }
    return r;
}

bool isBlankLine(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

std::string SectorRecord::key() const { return left(outward + sector, 5); }

RegionRecord fixedRegion(std::string_view line) { return {mid(line, 1, 1), mid(line, 2, 1), mid(line, 3, 3)}; }

SectorRecord fixedSector(std::string_view line) { return {mid(line, 2, 4), mid(line, 6, 1), mid(line, 7, 5)}; }

LabelRecord fixedLabel(std::string_view line) {
    LabelRecord r;
    r.type = mid(line, 1, 1);
    if (r.type == "2") {
        r.code = mid(line, 2, 5);
        r.description = mid(line, 7, 75);
    } else {
        r.code = mid(line, 2, 3);
        r.description = mid(line, 5, 50);
        if (r.addsSequence()) r.sortString = mid(line, 55, 32);
    }
    return r;
}

PlaceRecord fixedPlace(std::string_view line) { return {mid(line, 2, 10), mid(line, 12, 3)}; }

RegionRecord commaRegion(const SplitLine& s) { return {s.field[0], left(s.field[1], 1), s.field[2]}; }

SectorRecord commaSector(const SplitLine& s) {
    SectorRecord r{s.field[1], s.field[2], s.field[3]};
    while (charLength(r.outward) < 4) r.outward += ' ';
    return r;
}

LabelRecord commaLabel(const SplitLine& s) {
    LabelRecord r{s.field[0], s.field[1], s.field[2], {}};
    if (r.addsSequence()) r.sortString = s.field[3];
    return r;
}

PlaceRecord commaPlace(const SplitLine& s) { return {s.field[1], s.field[2]}; }

namespace {

// The Windows-1252 byte of a character, '?' where it has none.
int windowsCode(std::string_view ch) {
    static const std::vector<std::string> specials = [] {
        std::vector<std::string> v;
        for (int b = 0x80; b <= 0x9F; ++b) v.push_back(windows1252ToUtf8(std::string(1, char(b))));
        return v;
    }();
    if (ch.size() == 1) return static_cast<unsigned char>(ch[0]);
    for (int b = 0x80; b <= 0x9F; ++b)
        if (specials[std::size_t(b - 0x80)] == ch) return b;
    if (ch.size() == 2 && static_cast<unsigned char>(ch[0]) <= 0xC3) {
        int cp = ((static_cast<unsigned char>(ch[0]) & 0x1F) << 6) | (static_cast<unsigned char>(ch[1]) & 0x3F);
        if (cp >= 0xA0 && cp <= 0xFF) return cp;
    }
    return '?';
}

}  // namespace

std::optional<int> regionNumber(std::string_view letter) {
    std::string first = left(letter, 1);
    if (first.empty()) return std::nullopt;
    return windowsCode(first) - 64;
}

}  // namespace qv::refimport
