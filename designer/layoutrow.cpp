#include "designer/layoutrow.h"

#include <algorithm>

namespace qv::designer {

namespace {

void fixedPart(const Columns& c, int f, int limit, bool onePiecePostcode, int& from, int& length) {
    const int start = f >= 1 && f <= MaxFields ? c.start[static_cast<std::size_t>(f)] : 0;
    if (start == 0) {
        // No part here (or a column that never started): the import skips it.
        from = 0;
        length = 0;
        return;
    }
    from = start;
    const int end = c.end[static_cast<std::size_t>(f)];
    if (end == 0) {
        // No end was recorded: the column runs to the record's end, as the
        // sample shows it, so it gets as much as the part can hold.
        length = limit;
    } else {
        length = end - start + (f == c.lastColumn ? 1 : 0);
    }
    if (onePiecePostcode && length < 8) length = 8;
    length = std::clamp(length, 0, limit);
}

}  // namespace

LayoutRow buildLayoutRow(std::string_view fileType, const PartNumbers& parts, const Columns& columns,
                         bool skipFirst, std::string file) {
    LayoutRow row;
    row.file = std::move(file);
    row.type = fileType == TypeQuoted ? "C" : fileType == TypePlain ? "N" : "A";
    row.skipFirst = skipFirst ? "Y" : "N";
    for (int p = 0; p < PartCount; ++p) {
        const auto i = static_cast<std::size_t>(p);
        const int f = parts[i];
        if (row.type == "A") {
            const bool onePiecePostcode = p == Post1 && parts[Post2] == 0;
            if (f == 0) {
                row.from[i] = row.length[i] = 0;
            } else {
                fixedPart(columns, f, kPartFields[i].limit, onePiecePostcode, row.from[i], row.length[i]);
            }
        } else {
            row.from[i] = row.length[i] = f;
        }
    }
    return row;
}

void saveLayout(db::Database& db, const LayoutRow& row) {
    layout::LayoutWrite w{layout::Target::FirstInFileOrder, row.file, {}, true};
    w.fields.emplace_back(layout::TypeField, row.type);
    for (int p = 0; p < PartCount; ++p) {
        const auto i = static_cast<std::size_t>(p);
        w.fields.emplace_back(layout::fromField(p), row.from[i]);
        w.fields.emplace_back(layout::lengthField(p), row.length[i]);
    }
    w.fields.emplace_back(layout::SkipFirstField, row.skipFirst);
    layout::writeLayout(db, w);
}

}  // namespace qv::designer
