// The layout row the designer stores in table `data` for the import, and the
// file name it hands over in parmcode `MailFile`.
#pragma once

#include "designer/records.h"

#include "common/db/database.h"
#include "common/layoutrow/layoutrow.h"

#include <array>
#include <string>
#include <string_view>

namespace qv::designer {

// The part fields, in the order of the designer's parts (the same 18).
using layout::kPartFields;
using layout::MaxPathLength;
static_assert(layout::PartCount == PartCount);

struct LayoutRow {
    std::string file;
    std::string type;       // "A", "C" or "N"
    std::string skipFirst;  // "Y" or "N"
    std::array<int, PartCount> from{};
    std::array<int, PartCount> length{};
};

// The row an assignment gives. For fixed columns each part takes its column's
// start and length, cut to the part's limit; delimited parts take the field
// number in both fields; a part without a field stores 0 and 0.
LayoutRow buildLayoutRow(std::string_view fileType, const PartNumbers& parts, const Columns& columns,
                         bool skipFirst, std::string file);

// Writes the row over the first row of `data` in the order of index File (a
// new row when the table has none), removes every other row that holds the
// same file, so that the import's seek can find only this one, and sets
// parmcode MailFile to the file. DbError on failure; parmcode is checked
// before anything is written.
void saveLayout(db::Database& db, const LayoutRow& row);

}  // namespace qv::designer
