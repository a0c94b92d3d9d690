// The job's work tables that several programs read: mmwork (one row per
// address, made by the import), bags (one row per line of the line report,
// made by the sortation, read by the labels) and sortkeys (the job keys the
// sortation made those bags by), and the one answer to "is this job sorted".
#pragma once

#include "common/db/database.h"

#include <string>
#include <utility>
#include <vector>

namespace qv::parm {
class ParmRecord;
}

namespace qv::jobtables {

inline constexpr const char* Mmwork = "mmwork";
inline constexpr const char* Bags = "bags";
inline constexpr const char* SortKeys = "sortkeys";

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

// sortkeys: "key" (a parmcode key's name, PrimaryKey) and "value" (its text).
db::TableDef sortKeysDef();

// Drops the table; a table that is not there is no error (3376 passed over).
void dropIfThere(db::Database& db, const std::string& table);

// ---- The sort and its keys ---------------------------------------------------

// A parmcode key and its text as the sortation reads it (Null as "").
using KeyValues = std::vector<std::pair<std::string, std::string>>;

// The keys that decide the bags and what the labels print from them:
// Service, Mailsort120, Format, Selection, Weight, BagMax, BundleMax,
// ResOnly, Geog, Postcode, and BagLab and BundleLab, which number the labels
// that bags places ranges by.
KeyValues sortKeyValues(const parm::ParmRecord& parm);

// Drops bags and the keys it was made by: the job is then not sorted.
void dropSort(db::Database& db);
// Makes bags and sortkeys afresh and empty, and stores `keys` in sortkeys
// (none: an unsorted job). Inside the caller's transaction, so that the bags
// and their keys are stored together.
void makeSort(db::Database& db, const KeyValues& keys);
// Makes sortkeys afresh holding `keys`, bags left as they are.
void keepSortKeys(db::Database& db, const KeyValues& keys);

struct KeyChange {
    std::string key, then, now;
};

struct SortState {
    enum class Kind {
        Sorted,       // bags made by the keys parmcode holds now
        NoAddresses,  // no mmwork, or no row in it
        NotSorted,    // no bags rows, or bags made before their keys were kept
        KeysChanged,  // sorted, but a key that decides the bags has changed since
    };
    Kind kind = Kind::NotSorted;
    std::vector<KeyChange> changes;  // KeysChanged: each key as sorted and as it is now

    bool sorted() const { return kind == Kind::Sorted; }
};

// Whether the job in mmwork is sorted under the keys parmcode holds now,
// each compared as the sortation reads it (a Null Geog is the "N" stored
// later, "0100" weighs what "100" does). A database that cannot be read
// throws its DbError: never a yes.
SortState sortState(db::Database& db);

// "the bag limit was "1000" when the job was sorted and is now "2000"", the
// changes joined by "; ".
std::string changesText(const std::vector<KeyChange>& changes);

}  // namespace qv::jobtables
