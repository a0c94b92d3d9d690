#include "common/db/internal.h"
#include "common/text/chars.h"

#include <sqlite3.h>

namespace qv::db {

struct BulkWriter {
    Connection& c;
    std::shared_ptr<TableInfo> t;
    std::vector<sqlite3_stmt*> lists;
    std::vector<std::string> rebuild;  // the statements that make the suspended indexes again

    ~BulkWriter() {
        for (auto* s : lists) sqlite3_finalize(s);
    }

    void exec(const std::string& sql) {
        char* msg = nullptr;
        if (sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            const std::string text = msg ? msg : "";
            sqlite3_free(msg);
            fail(err::InvalidStatement, "Database statement failed: " + text);
        }
    }
};

namespace {
// Outside a transaction an interval commit would store the table with its
// suspended indexes dropped, and a crash before finish() would lose them.
void requireTransaction(const Connection& c) {
    c.requireOpen();
    if (!c.explicitTx) fail(err::InvalidArgument, "A bulk update needs an open transaction.");
}
}  // namespace

std::unique_ptr<BulkUpdate> Database::bulkUpdate(const std::string& table) {
    requireTransaction(*c_);
    return std::unique_ptr<BulkUpdate>(new BulkUpdate(*c_, table));
}

BulkUpdate::BulkUpdate(Connection& c, const std::string& table) : w_(new BulkWriter{c, c.load(table), {}, {}}) {}

BulkUpdate::~BulkUpdate() = default;

void BulkUpdate::suspendIndexesOver(const std::vector<std::string>& fields) {
    Connection& c = w_->c;
    requireTransaction(c);
    std::vector<std::pair<std::string, std::string>> found;  // name, sql
    {
        Stmt list(c.db, "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL AND "
                        "tbl_name = ?1 COLLATE NOCASE");
        sqlite3_bind_text(list, 1, w_->t->name.data(), int(w_->t->name.size()), SQLITE_STATIC);
        while (sqlite3_step(list) == SQLITE_ROW)
            found.emplace_back(schemaText(list, 0, "an index has no name"), schemaText(list, 1, "an index has no name"));
    }
    for (const auto& [name, sql] : found) {
        bool covers = false;
        {
            Stmt info(c.db, "SELECT name FROM pragma_index_info(?1)");
            sqlite3_bind_text(info, 1, name.data(), int(name.size()), SQLITE_STATIC);
            while (sqlite3_step(info) == SQLITE_ROW) {
                const auto* col = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
                for (const std::string& f : fields)
                    if (col && equalsIgnoreCase(col, f)) covers = true;
            }
        }
        if (!covers) continue;
        w_->exec("DROP INDEX " + quoteId(name));
        w_->rebuild.push_back(sql);
    }
}

int BulkUpdate::fields(const std::vector<std::string>& names) {
    const TableInfo& t = *w_->t;
    std::string set;
    int n = 0;
    for (const std::string& name : names) {
        auto it = t.byName.find(lower(name));
        if (it == t.byName.end()) fail(err::ItemNotFound, "The field '" + name + "' is not in table '" + t.name + "'.");
        set += (n ? ", " : "") + t.cols[size_t(it->second)] + " = ?" + std::to_string(n + 1);
        ++n;
    }
    const std::string sql = "UPDATE " + t.quoted + " SET " + set + " WHERE rowid = ?" + std::to_string(n + 1);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(w_->c.db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
        fail(err::InvalidStatement, std::string("Database statement failed: ") + sqlite3_errmsg(w_->c.db));
    w_->lists.push_back(st);
    return int(w_->lists.size()) - 1;
}

void BulkUpdate::write(int list, int64_t bookmark, std::span<const Value> values) {
    if (list < 0 || size_t(list) >= w_->lists.size()) fail(err::InvalidArgument, "No such list of fields.");
    sqlite3_stmt* st = w_->lists[size_t(list)];
    if (int(values.size()) + 1 != sqlite3_bind_parameter_count(st))
        fail(err::InvalidArgument, "The values do not match the list of fields.");
    requireTransaction(w_->c);
    w_->c.beginWrite();
    int n = 1;
    for (const Value& v : values) {
        if (v.isNull()) sqlite3_bind_null(st, n);
        else if (v.isInt()) sqlite3_bind_int64(st, n, v.intValue());
        else if (v.isDouble()) sqlite3_bind_double(st, n, v.doubleValue());
        else sqlite3_bind_text(st, n, v.text().data(), int(v.text().size()), SQLITE_STATIC);
        ++n;
    }
    sqlite3_bind_int64(st, n, bookmark);
    if (sqlite3_step(st) != SQLITE_DONE) {
        // The statement's own error, not the one reset gives back.
        const std::string why = sqlite3_errmsg(w_->c.db);
        sqlite3_reset(st);
        fail(err::WriteFailed, "The changes could not be saved: " + why + ".");
    }
    sqlite3_reset(st);
    ++*w_->t->version;
    w_->c.afterWrite();
}

void BulkUpdate::finish() {
    for (const std::string& sql : w_->rebuild) w_->exec(sql);
    w_->rebuild.clear();
}

}  // namespace qv::db
