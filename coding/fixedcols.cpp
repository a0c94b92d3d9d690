#include "coding/fixedcols.h"

#include "common/text/chars.h"

#include <vector>

namespace qv::coding {

namespace {

struct FieldParts {
    std::vector<int> parts;  // in joining order
    std::size_t width;
};

const std::array<FieldParts, 9>& fieldParts() {
    static const std::array<FieldParts, 9> f = {{
        {{Name1, Name2, Name3}, 45},
        {{Address11, Address12, Address13}, 45},
        {{Address21, Address22, Address23}, 45},
        {{Address31, Address32, Address33}, 45},
        {{Address4}, 30},
        {{Town}, 30},
        {{County}, 30},
        {{Postcode1, Postcode2}, 8},
        {{Ref}, 20},
    }};
    return f;
}

std::string* fieldOf(AddressFields& a, int f) {
    std::string* all[] = {&a.name, &a.address1, &a.address2, &a.address3, &a.address4,
                          &a.town, &a.county,   &a.postcode, &a.ref};
    return all[f];
}

}  // namespace

int invalidFixedPart(const FixedLayout& layout) {
    for (const auto& f : fieldParts()) {
        if (layout[std::size_t(f.parts[0])].from == 0) continue;  // the field's other parts are never looked at
        for (int p : f.parts) {
            const ColumnPart& c = layout[std::size_t(p)];
            if (c.from == 0) continue;
            if (c.from < 0 || c.length < 0) return p;
        }
    }
    return -1;
}

void cutFixed(std::string_view record, const FixedLayout& layout, AddressFields& out) {
    // Positions count characters; in an ASCII record they are bytes.
    const bool ascii = isAscii(record);
    auto asciiPiece = [&](const ColumnPart& c) -> std::string_view {
        const std::size_t start = std::size_t(c.from - 1);
        if (start >= record.size()) return {};
        return record.substr(start, std::size_t(c.length));
    };
    const auto& fields = fieldParts();
    for (int f = 0; f < 9; ++f) {
        std::string& text = *fieldOf(out, f);
        text.clear();
        const FieldParts& fp = fields[std::size_t(f)];
        if (layout[std::size_t(fp.parts[0])].from == 0) continue;
        bool first = true;
        for (int p : fp.parts) {
            const ColumnPart& c = layout[std::size_t(p)];
            if (c.from == 0) continue;
            if (!first) text += ' ';
            first = false;
            if (ascii) text += asciiPiece(c);
            else text += mid(record, std::size_t(c.from), std::size_t(c.length));
        }
        if (ascii) {
            if (text.size() > fp.width) text.resize(fp.width);
        } else if (charLength(text) > fp.width) {
            text = left(text, fp.width);
        }
    }
}

}  // namespace qv::coding
