// The tables as the schema holds them: field types in the declared column
// types ("TEXT NONEMPTY(45)", "SHORT", ...), indexes named "<table>.<index>"
// (".primary" after a primary one), and the non-unique indexes of new tables
// still to be built in the table qv_pending_index. Read once per table and
// handle; a schema that does not hold together is a damaged database.
#pragma once

#include "common/db/database.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::db {

// Non-unique indexes of a new table are built when first needed: a bulk load
// into a fresh table then sorts once instead of updating its indexes per row.
// The list of indexes still to build lives in the file, so a crash loses none.
inline constexpr const char* kPending = "qv_pending_index";

struct IndexInfo {
    IndexDef def;
    std::vector<int> fields;
    std::string createSql;   // set while the index waits to be built
};

struct TableInfo {
    std::string name;
    std::string lowerName;
    std::string quoted;
    std::vector<FieldDef> fields;
    std::vector<std::string> cols;  // quoted column names
    std::unordered_map<std::string, int> byName;
    std::vector<IndexInfo> indexes;
    std::shared_ptr<std::atomic<uint64_t>> version;
    int dataVersion = -1;
    int openCount = 0;
};

// The declared column type of a field, and the field of a declared type.
std::string typeName(const FieldDef& f);
FieldDef parseType(const std::string& name, std::string decl);
inline bool isText(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }
inline bool isWhole(FieldType t) { return t == FieldType::Byte || t == FieldType::Integer || t == FieldType::Long; }

// The table's name as stored, matched without regard to case; "" when none.
std::string findTableName(sqlite3* db, const std::string& name);
// Reads a table's fields and indexes; TableNotFound when there is none.
std::shared_ptr<TableInfo> readTable(sqlite3* db, const std::string& dbPath, const std::string& name);
// Refuses a damaged database: NotADatabase, "The database <file> is damaged: <what>."
[[noreturn]] void damaged(sqlite3* db, const std::string& what);
// A text of the schema; a Null where a name must stand is a damaged schema.
std::string schemaText(sqlite3_stmt* st, int col, const std::string& what);

}  // namespace qv::db
