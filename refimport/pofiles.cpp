#include "refimport/pofiles.h"

#include "common/text/chars.h"
#include "common/text/lines.h"

#include <QChar>
#include <QList>
#include <QString>

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
    r.fields = 1;
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
        r.fields = f + 1;
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

// A field of a record that must hold a number.
struct NumberField {
    const char* what;       // "selection code"
    std::size_t column;     // fixed form: first column, 1-based
    std::size_t width;      // characters, in both forms
    int field;              // comma form: field number, 1-based
    enum Kind { Digits, RegionLetter, SortString } kind = Digits;
};

// The numbers of the record of a file and type, in column order; empty for
// a record the reader passes over.
std::vector<NumberField> numbersOf(PoFile file, std::string_view type) {
    switch (file) {
        case PoFile::D:
            if (type != "6") return {};
            return {{"region letter", 2, 1, 2, NumberField::RegionLetter}, {"residue code", 3, 3, 3}};
        case PoFile::A: return {{"sector digit", 6, 1, 3}, {"selection code", 7, 5, 4}};
        case PoFile::B:
            if (type == "2") return {{"selection code", 2, 5, 2}};
            if (type == "3") return {{"residue code", 2, 3, 2}, {"region sort string", 55, 32, 4, NumberField::SortString}};
            return {{"residue code", 2, 3, 2}};
        case PoFile::C: return {{"residue code", 12, 3, 3}};
    }
    return {};
}

bool allDigits(std::string_view v) {
    for (char ch : v)
        if (ch < '0' || ch > '9') return false;
    return true;
}

std::string shown(std::string_view v) { return "\"" + quotedStart(v) + "\""; }

// A character a postcode field cannot hold: a control character (a NUL
// and a tab by name) before any punctuation, so that the message never
// quotes a value with a control character in it. Letters, digits and blanks
// pass; so does the punctuation of a field whose own check names it.
std::optional<std::string> strayCharacter(const char* what, const std::string& value, bool punctuation) {
    const QList<uint> chars = QString::fromStdString(value).toUcs4();
    for (const char32_t c : chars) {
        if (c == 0) return std::string("its ") + what + " holds a NUL character";
        if (c == '\t') return std::string("its ") + what + " holds a tab";
        if (QChar::category(c) == QChar::Other_Control)
            return std::string("its ") + what + " holds a control character (code " + std::to_string(c) + ")";
    }
    if (!punctuation) return std::nullopt;
    for (const char32_t c : chars) {
        if (QChar::isPunct(c) || QChar::isSymbol(c))
            return std::string("its ") + what + " " + shown(value) + " holds punctuation: " +
                   shown(QString::fromUcs4(&c, 1).toStdString());
    }
    return std::nullopt;
}

// The outward code and the sector digit of a sector record: a NUL, a tab,
// another control character, or (in the outward code) punctuation is
// refused; the sector digit's own check refuses its punctuation.
std::optional<std::string> postcodeMisfit(const std::string& outward, const std::string& sector) {
    if (auto why = strayCharacter("outward code", outward, true)) return why;
    return strayCharacter("sector digit", sector, false);
}

// Why a value does not fit its number field.
std::optional<std::string> numberMisfit(const NumberField& n, const std::string& value) {
    const std::string its = std::string("its ") + n.what;
    if (trim(value).empty()) return its + " is empty";
    switch (n.kind) {
        case NumberField::RegionLetter: {
            // The comma form's letter may be followed by more: its first character counts.
            const std::string letter = left(value, 1);
            if (letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'P') return std::nullopt;
            return its + " " + shown(letter) + " is not one of the letters A to P";
        }
        case NumberField::SortString:
            if (value.size() == n.width && allDigits(value)) return std::nullopt;
            return its + " " + shown(value) + " is not sixteen 2-digit numbers";
        case NumberField::Digits:
            if (value.size() == n.width && allDigits(value)) return std::nullopt;
            return its + " " + shown(value) + (n.width == 1 ? " is not a digit"
                                                              : " is not a " + std::to_string(n.width) + "-digit number");
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> fixedMisfit(PoFile file, std::string_view line) {
    const auto numbers = numbersOf(file, mid(line, 1, 1));
    if (numbers.empty()) return std::nullopt;
    const NumberField& last = numbers.back();
    const std::size_t length = charLength(line);
    if (length < last.column + last.width - 1)
        return "it is " + std::to_string(length) + (length == 1 ? " character" : " characters") +
               " long, too short to hold its " + last.what + " (columns " + std::to_string(last.column) + "-" +
               std::to_string(last.column + last.width - 1) + ")";
    if (file == PoFile::A) {
        if (trim(mid(line, 2, 4)).empty()) return std::string("its outward code is empty");
        if (auto why = postcodeMisfit(mid(line, 2, 4), mid(line, 6, 1))) return why;
    }
    for (const auto& n : numbers)
        if (auto why = numberMisfit(n, mid(line, n.column, n.width))) return why;
    return std::nullopt;
}

std::optional<std::string> commaMisfit(PoFile file, const SplitLine& s) {
    const auto numbers = numbersOf(file, s.field[0]);
    if (numbers.empty()) return std::nullopt;
    const NumberField& last = numbers.back();
    if (s.fields < last.field)
        return "it has " + std::to_string(s.fields) + (s.fields == 1 ? " field" : " fields") + ", too few to hold its " +
               last.what + " (field " + std::to_string(last.field) + ")";
    if (file == PoFile::A) {
        if (trim(s.field[1]).empty()) return std::string("its outward code is empty");
        if (auto why = postcodeMisfit(s.field[1], s.field[2])) return why;
        if (charLength(s.field[1]) > 4) return "its outward code " + shown(s.field[1]) + " is longer than 4 characters";
    }
    for (const auto& n : numbers)
        if (auto why = numberMisfit(n, s.field[std::size_t(n.field - 1)])) return why;
    return std::nullopt;
}

namespace {

// The Windows-1252 byte of a character, '?' where it has none.
int windowsCode(std::string_view ch) {
    static const std::vector<char16_t> specials = [] {
        std::vector<char16_t> v;
        for (int b = 0x80; b <= 0x9F; ++b)
            v.push_back(QString::fromStdString(windows1252ToUtf8(std::string(1, char(b)))).front().unicode());
        return v;
    }();
    const QString s = QString::fromUtf8(ch.data(), qsizetype(ch.size()));
    if (s.size() != 1) return '?';
    const char16_t c = s.front().unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int b = 0x80; b <= 0x9F; ++b)
        if (specials[std::size_t(b - 0x80)] == c) return b;
    return '?';
}

}  // namespace

std::optional<int> regionNumber(std::string_view letter) {
    std::string first = left(letter, 1);
    if (first.empty()) return std::nullopt;
    return windowsCode(first) - 64;
}

}  // namespace qv::refimport
