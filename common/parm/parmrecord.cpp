#include "common/parm/parmrecord.h"

namespace qv::parm {

ParmRecord::ParmRecord(db::Database& db) : rs_(db.openTable(TableName)) {
    rs_->moveFirst();
    // The row is what every program relies on; an empty table is the same
    // failure whether or not the move itself complained.
    if (rs_->eof() || rs_->bof()) throw db::DbError(db::err::NoCurrentRecord, "No current record.");
}

db::Value ParmRecord::value(const std::string& name) const { return rs_->get(name); }

std::string ParmRecord::text(const std::string& name) const { return rs_->get(name).toString(); }

void ParmRecord::edit() { rs_->edit(); }

void ParmRecord::set(const std::string& name, const db::Value& v) { rs_->set(name, v); }

void ParmRecord::update() { rs_->update(); }

bool ParmRecord::editing() const { return rs_->editing(); }

}  // namespace qv::parm
