#include "common/jobtables.h"

namespace qv::jobtables {

using db::FieldType;

db::TableDef mmworkDef() {
    return {Mmwork,
            {{"name", FieldType::Text, 45, false},
             {"address1", FieldType::Text, 45},
             {"address2", FieldType::Text, 45},
             {"address3", FieldType::Text, 45},
             {"address4", FieldType::Text, 45},
             {"town", FieldType::Text, 30},
             {"county", FieldType::Text, 30},
             {"postcode", FieldType::Text, 9},
             {"ref", FieldType::Text, 20},
             {"mscode", FieldType::Text, 5, false},
             {"rscode", FieldType::Text, 3},
             {"rgcode", FieldType::Integer},
             {"sflag", FieldType::Text, 1},
             {"pcflag", FieldType::Text, 1},
             {"seq", FieldType::Double}},
            {{"Key1", {"mscode"}, false, false}, {"Key2", {"seq"}, false, false}}};
}

db::TableDef bagsDef() {
    using namespace bagfield;
    return {Bags,
            {{BagNumber, FieldType::Double},
             {LabelStart, FieldType::Double},
             {LabelNumber, FieldType::Double},
             {BundleNumber, FieldType::Double},
             {Seq, FieldType::Double}},
            {{"PrimaryKey", {BagNumber}, true, true}, {"Key2", {LabelNumber}, false, false}}};
}

void dropIfThere(db::Database& db, const std::string& table) {
    try {
        db.dropTable(table);
    } catch (const db::DbError& e) {
        if (e.number() != db::err::DropMissingTable) throw;
    }
}

}  // namespace qv::jobtables
