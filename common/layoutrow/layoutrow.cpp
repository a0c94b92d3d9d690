#include "common/layoutrow/layoutrow.h"

#include "common/parm/parmrecord.h"

#include <memory>

namespace qv::layout {

const std::array<PartField, PartCount> kPartFields = {{
    {"name1", 45},     {"name2", 45},     {"name3", 45},
    {"address11", 45}, {"address12", 45}, {"address13", 45},
    {"address21", 45}, {"address22", 45}, {"address23", 45},
    {"address31", 45}, {"address32", 45}, {"address33", 45},
    {"address4", 30},  {"town", 30},      {"county", 30},
    {"postcode1", 8},  {"postcode2", 8},  {"ref", 20},
}};

std::string fromField(int part) { return std::string(kPartFields.at(std::size_t(part)).name) + "from"; }
std::string lengthField(int part) { return std::string(kPartFields.at(std::size_t(part)).name) + "length"; }

namespace {

std::unique_ptr<db::Recordset> openIndexed(db::Database& db) {
    auto rs = db.openTable(Table);
    rs->setIndex(FileIndex);
    return rs;
}

bool seekFile(db::Recordset& rs, const std::string& file) {
    rs.seek("=", db::Value(file));
    return !rs.noMatch();
}

void setFields(db::Recordset& rs, const Fields& fields) {
    for (const auto& [name, value] : fields) rs.set(name, value);
}

// The first-row writers: overwrite the row, then drop older rows of the file.
void writeFirstRow(db::Database& db, const LayoutWrite& w) {
    auto data = db.openTable(Table);
    data->setIndex(w.target == Target::FirstInFileOrder ? FileIndex : "");
    if (data->recordCount() == 0) {
        data->addNew();
    } else {
        data->moveFirst();
        data->edit();
    }
    setFields(*data, w.fields);
    data->set(FileField, w.file);
    data->update();
    const std::int64_t written = data->lastModified();

    auto same = openIndexed(db);
    if (seekFile(*same, w.file)) {
        while (!same->eof() && same->get(FileField).toString() == w.file) {
            if (same->bookmark() != written) same->deleteCurrent();
            same->moveNext();
        }
    }
}

void writeRowOfFile(db::Database& db, const LayoutWrite& w) {
    auto data = openIndexed(db);
    if (seekFile(*data, w.file)) {
        data->edit();
        setFields(*data, w.fields);
    } else {
        data->addNew();
        setFields(*data, w.fields);
        data->set(FileField, w.file);
    }
    data->update();
}

}  // namespace

std::optional<StoredLayout> findLayout(db::Database& db, const std::string& file) {
    auto rs = openIndexed(db);
    if (!seekFile(*rs, file)) return std::nullopt;
    StoredLayout row;
    row.type = rs->get(TypeField);
    row.skipFirst = rs->get(SkipFirstField);
    for (int p = 0; p < PartCount; ++p) {
        row.from[std::size_t(p)] = rs->get(fromField(p));
        row.length[std::size_t(p)] = rs->get(lengthField(p));
    }
    return row;
}

void writeLayout(db::Database& db, const LayoutWrite& w) {
    // Opened first: a database without its settings row refuses the store
    // before the layout is touched.
    std::optional<parm::ParmRecord> parm;
    if (w.nameMailFile) parm.emplace(db);

    db.beginTransaction();
    try {
        if (w.target == Target::RowOfFile) {
            writeRowOfFile(db, w);
        } else {
            writeFirstRow(db, w);
        }
        if (parm) {
            parm->edit();
            parm->set(parm::key::MailFile, w.file);
            parm->update();
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    db.commitTransaction();
}

std::vector<std::string> storedFiles(db::Database& db) {
    std::vector<std::string> out;
    auto rs = openIndexed(db);
    if (rs->recordCount() == 0) return out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) out.push_back(rs->get(FileField).toString());
    return out;
}

std::optional<Fields> readFields(db::Database& db, const std::string& file, const std::vector<std::string>& names) {
    auto rs = openIndexed(db);
    if (!seekFile(*rs, file)) return std::nullopt;
    Fields out;
    out.reserve(names.size());
    for (const std::string& n : names) out.emplace_back(n, rs->get(n));
    return out;
}

bool deleteLayout(db::Database& db, const std::string& file) {
    auto rs = openIndexed(db);
    if (!seekFile(*rs, file)) return false;
    rs->deleteCurrent();
    return true;
}

}  // namespace qv::layout
