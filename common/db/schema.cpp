#include "common/db/schema.h"

#include "common/db/internal.h"
#include "common/db/registry.h"
#include "common/text/numtext.h"

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace qv::db {

std::string typeName(const FieldDef& f) {
    switch (f.type) {
    case FieldType::Byte: return "BYTE";
    case FieldType::Integer: return "SHORT";
    case FieldType::Long: return "LONG";
    case FieldType::Single: return "SINGLE";
    case FieldType::Double: return "DOUBLE";
    case FieldType::Currency: return "CURRENCY";
    case FieldType::Memo: return std::string("LONGTEXT") + (f.allowZeroLength ? "" : " NONEMPTY") +
                                 (f.exactCompare ? " EXACT" : "");
    case FieldType::Text:
        return std::string("TEXT") + (f.allowZeroLength ? "" : " NONEMPTY") + (f.exactCompare ? " EXACT" : "") +
               "(" + std::to_string(f.size) + ")";
    }
    return "TEXT";
}

FieldDef parseType(const std::string& name, std::string decl) {
    FieldDef f;
    f.name = name;
    std::string d = lower(decl);
    auto has = [&](const char* w) {
        std::regex re(std::string("\\b") + w + "\\b");
        return std::regex_search(d, re);
    };
    if (d.rfind("longtext", 0) == 0) f.type = FieldType::Memo, f.size = 0;
    else if (d.rfind("text", 0) == 0) {
        f.type = FieldType::Text;
        auto p = d.find('(');
        f.size = p == std::string::npos ? 255 : std::atoi(d.c_str() + p + 1);
    } else if (d == "byte") f.type = FieldType::Byte;
    else if (d == "short") f.type = FieldType::Integer;
    else if (d == "long") f.type = FieldType::Long;
    else if (d == "single") f.type = FieldType::Single;
    else if (d == "double") f.type = FieldType::Double;
    else if (d == "currency") f.type = FieldType::Currency;
    else f.type = FieldType::Memo;
    if (f.type == FieldType::Text || f.type == FieldType::Memo) {
        f.allowZeroLength = !has("nonempty");
        f.exactCompare = has("exact");
    }
    return f;
}

namespace {
std::string fileName(sqlite3* db) {
    const char* f = sqlite3_db_filename(db, "main");
    return f && *f ? fs::path(f).filename().string() : std::string("database");
}
}  // namespace

[[noreturn]] void damaged(sqlite3* db, const std::string& what) {
    fail(err::NotADatabase, "The database " + fileName(db) + " is damaged: " + what + ".");
}

// A text of the schema. Where a name must stand, a Null is a damaged or
// hand-edited schema, never a text to build on.
std::string schemaText(sqlite3_stmt* st, int col, const std::string& what) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    if (!p) damaged(sqlite3_db_handle(st), what);
    return {p, size_t(sqlite3_column_bytes(st, col))};
}

std::string findTableName(sqlite3* db, const std::string& name) {
    Stmt st(db, "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE");
    sqlite3_bind_text(st, 1, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
    std::string found;
    if (sqlite3_step(st) == SQLITE_ROW) found = schemaText(st, 0, "a table has no name");
    return found;
}

namespace {
// The field of a table an index names; the index of a table whose field is
// gone is a damaged schema.
int indexedField(sqlite3* db, const TableInfo& t, const std::string& index, const std::string& col) {
    auto it = t.byName.find(lower(col));
    if (it == t.byName.end())
        damaged(db, "the index '" + index + "' of table '" + t.name + "' names the missing field '" + col + "'");
    return it->second;
}
}  // namespace

std::shared_ptr<TableInfo> readTable(sqlite3* h, const std::string& dbPath, const std::string& name) {
    std::string key = lower(name);
    std::string actual = findTableName(h, name);
    if (actual.empty() || actual.rfind("sqlite_", 0) == 0)
        fail(err::TableNotFound, "Cannot find the table '" + name + "'.");
    auto t = std::make_shared<TableInfo>();
    t->name = actual;
    t->lowerName = key;
    t->quoted = quoteId(actual);
    {
        Stmt st(h, "SELECT name, type, dflt_value FROM pragma_table_info(?1)");
        sqlite3_bind_text(st, 1, actual.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string col = schemaText(st, 0, "a field of table '" + actual + "' has no name");
            const char* ty = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            FieldDef f = parseType(col, ty ? ty : "");
            if (sqlite3_column_type(st, 2) != SQLITE_NULL) {
                std::string d = schemaText(st, 2, "the default of field '" + col + "' cannot be read");
                if (d.size() >= 2 && d.front() == '\'') {
                    std::string v;
                    for (size_t i = 1; i + 1 < d.size(); ++i) {
                        v += d[i];
                        if (d[i] == '\'') ++i;
                    }
                    f.defaultValue = v;
                } else if (d != "NULL") {
                    double n = 0;
                    parseNumber(d, n);
                    if (isWhole(f.type)) f.defaultValue = Value(int64_t(n));
                    else f.defaultValue = Value(n);
                }
            }
            t->byName[lower(col)] = int(t->fields.size());
            t->cols.push_back(quoteId(col));
            t->fields.push_back(f);
        }
    }
    {
        Stmt st(h, "SELECT name, \"unique\" FROM pragma_index_list(?1) ORDER BY seq DESC");
        sqlite3_bind_text(st, 1, actual.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::pair<std::string, bool>> list;
        while (sqlite3_step(st) == SQLITE_ROW)
            list.emplace_back(schemaText(st, 0, "an index of table '" + actual + "' has no name"),
                              sqlite3_column_int(st, 1) != 0);
        std::string prefix = lower(actual) + ".";
        for (auto& [sqlName, unique] : list) {
            std::string ln = lower(sqlName);
            if (ln.rfind(prefix, 0) != 0) continue;  // not one of ours
            IndexInfo ix;
            std::string rest = sqlName.substr(prefix.size());
            if (lower(rest).size() > 8 && lower(rest).substr(rest.size() - 8) == ".primary") {
                ix.def.primary = true;
                rest = rest.substr(0, rest.size() - 8);
            }
            ix.def.name = rest;
            ix.def.unique = unique;
            Stmt ci(h, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno");
            sqlite3_bind_text(ci, 1, sqlName.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(ci) == SQLITE_ROW) {
                // No name: the index is over something other than a field
                // (a name in quotes that is no field reads as a text).
                std::string col = schemaText(ci, 0, "the index '" + sqlName + "' names no field of its table");
                ix.def.fields.push_back(col);
                ix.fields.push_back(indexedField(h, *t, sqlName, col));
            }
            t->indexes.push_back(std::move(ix));
        }
    }
    if (!findTableName(h, kPending).empty()) {
        Stmt st(h, "SELECT idx, unique_, cols, sql FROM " + std::string(kPending) + " WHERE tbl = ?1 COLLATE NOCASE ORDER BY rowid");
        sqlite3_bind_text(st, 1, actual.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            IndexInfo ix;
            const std::string waiting = "an index of table '" + actual + "' waiting to be built is incomplete";
            ix.def.name = schemaText(st, 0, waiting);
            ix.def.unique = false;
            std::string cols = schemaText(st, 2, waiting);
            std::string quoted;
            for (size_t a = 0; a <= cols.size();) {
                size_t b = cols.find('\t', a);
                if (b == std::string::npos) b = cols.size();
                std::string c = cols.substr(a, b - a);
                ix.def.fields.push_back(c);
                ix.fields.push_back(indexedField(h, *t, ix.def.name, c));
                quoted += (quoted.empty() ? "" : ", ") + t->cols[size_t(ix.fields.back())];
                a = b + 1;
            }
            // A row without its statement is incomplete; the statement is made
            // again from the names and never run as stored: the file is outside
            // input, and a hand-edited row could hold any SQL.
            schemaText(st, 3, waiting);
            ix.createSql = "CREATE INDEX IF NOT EXISTS " + quoteId(actual + "." + ix.def.name) + " ON " +
                           quoteId(actual) + " (" + quoted + ")";
            t->indexes.push_back(std::move(ix));
        }
    }
    t->version = versionOf(dbPath, key);
    return t;
}

}  // namespace qv::db
