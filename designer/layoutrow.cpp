#include "designer/layoutrow.h"

#include "common/parm/parmrecord.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace qv::designer {

const std::array<PartField, PartCount> kPartFields = {{
    {"name1", 45},     {"name2", 45},     {"name3", 45},
    {"address11", 45}, {"address12", 45}, {"address13", 45},
    {"address21", 45}, {"address22", 45}, {"address23", 45},
    {"address31", 45}, {"address32", 45}, {"address33", 45},
    {"address4", 30},  {"town", 30},      {"county", 30},
    {"postcode1", 8},  {"postcode2", 8},  {"ref", 20},
}};

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
    // Opened first: a database without its settings row refuses the save
    // before the layout is touched.
    parm::ParmRecord parm(db);

    // The layout row and MailFile are stored together or not at all.
    db.beginTransaction();
    try {
        auto data = db.openTable("data");
        data->setIndex("File");
        if (data->recordCount() == 0) {
            data->addNew();
        } else {
            data->moveFirst();
            data->edit();
        }
        data->set("type", row.type);
        for (int p = 0; p < PartCount; ++p) {
            const auto i = static_cast<std::size_t>(p);
            data->set(std::string(kPartFields[i].name) + "from", row.from[i]);
            data->set(std::string(kPartFields[i].name) + "length", row.length[i]);
        }
        data->set("SkipFirst", row.skipFirst);
        data->set("file", row.file);
        data->update();
        const std::int64_t written = data->lastModified();

        // An older layout of the same file would leave the import's seek two rows
        // to choose from.
        data->seek("=", db::Value(row.file));
        if (!data->noMatch()) {
            while (!data->eof() && data->get("file").toString() == row.file) {
                if (data->bookmark() != written) data->deleteCurrent();
                data->moveNext();
            }
        }

        parm.edit();
        parm.set(parm::key::MailFile, row.file);
        parm.update();
    } catch (...) {
        db.rollback();
        throw;
    }
    db.commitTransaction();
}

}  // namespace qv::designer
