// The layout rows of table `data`: where each address part lies in a
// customer's file, one row per file, keyed by its path in `file` (index
// File). Three writers put their row in different places, and the import
// reads the row that parmcode MailFile names; this is the one place that
// knows the table.
#pragma once

#include "common/db/database.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv::layout {

inline constexpr const char* Table = "data";
inline constexpr const char* FileIndex = "File";
inline constexpr const char* FileField = "file";
inline constexpr const char* TypeField = "type";
inline constexpr const char* SkipFirstField = "SkipFirst";
inline constexpr int MaxPathLength = 255;  // the width of data.file and MailFile

// The 18 address parts the import reads, in the order every reader and
// writer takes them: name1 .. ref, each with a from- and a length-field.
inline constexpr int PartCount = 18;
struct PartField {
    const char* name;  // "name1": the fields are name1from and name1length
    int limit;         // largest length the designer stores for fixed columns
};
extern const std::array<PartField, PartCount> kPartFields;
std::string fromField(int part);
std::string lengthField(int part);

// The row as the import reads it: the values as stored (a Null stays Null).
struct StoredLayout {
    db::Value type;
    db::Value skipFirst;
    std::array<db::Value, PartCount> from;
    std::array<db::Value, PartCount> length;
};

// The row whose file is exactly `file` (an equality seek on File), or nothing.
std::optional<StoredLayout> findLayout(db::Database& db, const std::string& file);

// Which row a writer overwrites.
enum class Target {
    FirstInFileOrder,     // the first row in the order of index File (the designer)
    FirstInStorageOrder,  // the first row of the table opened without an index (the wizard)
    RowOfFile,            // the file's own row, a new one when it has none (the typed layout form)
};

using Fields = std::vector<std::pair<std::string, db::Value>>;

struct LayoutWrite {
    Target target;
    std::string file;
    Fields fields;               // set in this order; fields not named keep their values
    bool nameMailFile = false;   // parmcode MailFile = file, stored with the row
};

// Stores the row in one transaction (row and MailFile together or not at all).
// The first-row targets add a row to an empty table, write `file`, and then
// remove every other row that holds the same file, so the import's seek can
// find only this one. RowOfFile writes `file` only into a row it adds.
// DbError on failure; with nameMailFile, parmcode is checked before anything
// is written.
void writeLayout(db::Database& db, const LayoutWrite& write);

// Every row's file, in the order of index File.
std::vector<std::string> storedFiles(db::Database& db);

// The named fields of the file's row (equality seek), or nothing.
std::optional<Fields> readFields(db::Database& db, const std::string& file, const std::vector<std::string>& names);

// Deletes the file's row (the first the seek finds); false when there is none.
bool deleteLayout(db::Database& db, const std::string& file);

}  // namespace qv::layout
