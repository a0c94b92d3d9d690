#include "coding/splitters.h"

#include "common/text/chars.h"
#include "common/text/delimited.h"

namespace qv::coding {

namespace {

// mmwork field each part feeds, and the most characters a delimited
// record may put into each field.
constexpr std::array<int, PartCount> fieldOfPart = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 5, 6, 7, 7, 8};
constexpr std::array<std::size_t, 9> widths = {45, 45, 45, 45, 45, 30, 30, 9, 20};
constexpr int RefField = 8;

std::string& fieldText(AddressFields& a, int f) {
    switch (f) {
    case 0: return a.name;
    case 1: return a.address1;
    case 2: return a.address2;
    case 3: return a.address3;
    case 4: return a.address4;
    case 5: return a.town;
    case 6: return a.county;
    case 7: return a.postcode;
    default: return a.ref;
    }
}

std::size_t charLen(const char* p, std::size_t left) {
    std::size_t n = 1;
    while (n < left && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80) ++n;
    return n;
}

class Split {
public:
    Split(const FieldNumbers& numbers, AddressFields& out, bool namePieces) : out_(out), namePieces_(namePieces) {
        // The first part (in part order) that takes each record field number.
        partOf_.fill(-1);
        for (int p = PartCount - 1; p >= 0; --p)
            if (numbers[std::size_t(p)] != 0) partOf_[numbers[std::size_t(p)]] = p;
        for (int f = 0; f < 9; ++f) fieldText(out_, f).clear();
    }

    void separator() {
        if (counter_ < 255) ++counter_;
    }

    // One data character (its UTF-8 bytes).
    void data(std::string_view ch) {
        const int part = partOf_[counter_];
        if (part >= 0) {
            if (namePieces_ && part <= Name3) {
                pieces_[std::size_t(part)] += ch;
            } else {
                const int f = fieldOfPart[std::size_t(part)];
                std::string& text = fieldText(out_, f);
                std::size_t& n = count_[std::size_t(f)];
                if (f != RefField && hasText_[std::size_t(f)] && lastData_ != counter_ && n < widths[std::size_t(f)]) {
                    text += ' ';
                    ++n;
                }
                if (n < widths[std::size_t(f)]) {
                    text += ch;
                    ++n;
                }
                hasText_[std::size_t(f)] = true;
            }
        }
        lastData_ = counter_;
    }

    void finish() {
        if (!out_.postcode.empty() && out_.postcode[0] == ' ') out_.postcode.erase(0, 1);
        if (namePieces_) {
            out_.name = left(trim(pieces_[0]) + " " + trim(pieces_[1]) + " " + trim(pieces_[2]), widths[0]);
        } else if (out_.name.empty()) {
            out_.name = " ";
        }
    }

private:
    AddressFields& out_;
    bool namePieces_;
    std::array<int, 256> partOf_{};
    int counter_ = 1;
    int lastData_ = 0;
    std::array<bool, 9> hasText_{};
    std::array<std::size_t, 9> count_{};
    std::array<std::string, 3> pieces_;
};

}  // namespace

void rmvcomma(std::string_view record, const FieldNumbers& numbers, AddressFields& out) {
    Split s(numbers, out, false);
    bool inQuotes = false;
    for (std::size_t i = 0; i < record.size();) {
        const char c = record[i];
        if (c == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else if (c == ',' && !inQuotes) {
            s.separator();
            ++i;
        } else {
            const std::size_t n = charLen(record.data() + i, record.size() - i);
            s.data(record.substr(i, n));
            i += n;
        }
    }
    s.finish();
}

void rmvquotes(std::string_view record, const FieldNumbers& numbers, AddressFields& out) {
    Split s(numbers, out, true);
    bool quoted = false;
    for (std::size_t i = 0; i < record.size();) {
        const char c = record[i];
        if (c == '"') {
            if (!quoted) {
                quoted = true;
                ++i;
            } else if (doubledQuoteAt(record, i)) {
                // One quote of the field's text: the field goes on.
                s.data(record.substr(i, 1));
                i += 2;
            } else {
                // A closing quote ends the field and takes the character after
                // it, whatever it is, for the comma that follows it.
                s.separator();
                quoted = false;
                ++i;
                if (i < record.size()) i += charLen(record.data() + i, record.size() - i);
            }
        } else if (c == ',' && !quoted) {
            s.separator();
            ++i;
        } else {
            const std::size_t n = charLen(record.data() + i, record.size() - i);
            s.data(record.substr(i, n));
            i += n;
        }
    }
    s.finish();
}

}  // namespace qv::coding
