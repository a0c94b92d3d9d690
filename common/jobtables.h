// The job's work tables that several programs read: mmwork (one row per
// address, made by the import) and bags (one row per line of the line
// report, made by the sortation, read by the labels).
#pragma once

#include "common/db/database.h"

#include <string>

namespace qv::jobtables {

inline constexpr const char* Mmwork = "mmwork";
inline constexpr const char* Bags = "bags";

// Field names of bags (they hold blanks).
namespace bagfield {
inline constexpr const char* BagNumber = "Bag Number";
inline constexpr const char* LabelStart = "Label Start";
inline constexpr const char* LabelNumber = "Label Number";
inline constexpr const char* BundleNumber = "Bundle Number";
inline constexpr const char* Seq = "Seq";
}  // namespace bagfield

// mmwork: name, address1-4, town, county, postcode, ref, mscode, rscode,
// rgcode, sflag, pcflag, seq; Key1 on mscode, Key2 on seq.
db::TableDef mmworkDef();
// bags: the five Double fields; PrimaryKey on "Bag Number", Key2 on "Label Number".
db::TableDef bagsDef();

// Drops the table; a table that is not there is no error (3376 passed over).
void dropIfThere(db::Database& db, const std::string& table);

}  // namespace qv::jobtables
