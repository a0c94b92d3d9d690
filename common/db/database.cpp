#include "common/db/database.h"

#include "common/db/collation.h"
#include "common/db/filelock.h"
#include "common/db/internal.h"
#include "common/db/registry.h"
#include "common/db/schema.h"
#include "common/text/chars.h"
#include "common/text/numtext.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace qv::db {

Database::Database() : c_(std::make_unique<Connection>()) {}

Database::~Database() {
    try {
        close();
    } catch (const DbError& e) {
        std::cerr << "Database " << c_->path << ": changes could not be saved on close: " << e.what() << "\n";
    }
}

std::string Database::resolve(const std::string& path) {
    fs::path p(path);
    std::string want = rtrim(p.filename().string());
    fs::path dir = p.parent_path();
    if (want.empty()) return {};
    std::error_code ec;
    std::string lw = lower(want);
    std::vector<std::string> hits;
    for (auto& e : fs::directory_iterator(dir.empty() ? fs::path(".") : dir, ec)) {
        std::string n = e.path().filename().string();
        if (lower(rtrim(n)) == lw && e.is_regular_file(ec)) hits.push_back(n);
    }
    if (hits.empty()) return {};
    if (hits.size() > 1) {
        // Programs asking in different spellings would open different files
        // under different locks: refuse rather than pick one.
        std::sort(hits.begin(), hits.end());
        std::string list;
        for (const auto& h : hits) list += (list.empty() ? "" : ", ") + h;
        fail(err::AmbiguousName, "More than one file here is named " + want + " (" + list + "): keep one of them.");
    }
    return (dir / hits.front()).string();
}

std::unique_ptr<Database> Database::open(const std::string& name, OpenMode mode) {
    std::string found = resolve(name);
    if (found.empty()) fail(err::FileNotFound, "Could not find the database file '" + rtrim(name) + "'.");
    return openResolved(found, mode);
}

namespace {
// A file marked read-only, or one this program may not write: every program
// writes the database, so it is refused by name rather than failing later.
bool readOnlyFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}
}  // namespace

std::unique_ptr<Database> Database::openResolved(const std::string& path, OpenMode mode) {
    if (readOnlyFile(path))
        fail(err::ReadOnlyDatabase, "The database " + fs::path(path).filename().string() + " is read-only.");
    // SQLite would take an empty file for a new database and write one into
    // it: a database emptied by a fault is refused and left as it is.
    if (std::error_code ec; fs::file_size(path, ec) == 0 && !ec)
        fail(err::NotADatabase, "The database " + fs::path(path).filename().string() + " is empty: it holds no tables.");
    std::unique_ptr<Database> d(new Database());
    d->c_->path = absolutePath(path);
    d->c_->mode = mode;
    d->c_->lock = acquireLock(d->c_->path, mode);
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(d->c_->path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string m = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
        sqlite3_close(h);
        fail(err::CannotOpen, "Cannot open the database '" + path + "': " + m + ".");
    }
    d->c_->db = h;
    sqlite3_busy_timeout(h, 5000);
    sqlite3_create_collation(h, kKeyTextCollation, SQLITE_UTF8, nullptr, keyTextCollation);
    try {
        // A file that is no database, or whose schema cannot be read, is
        // refused here with what is wrong with it.
        for (const char* sql : {"PRAGMA cache_size=-524288; PRAGMA mmap_size=2147483648; PRAGMA temp_store=MEMORY; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF;",
                                "SELECT count(*) FROM sqlite_master"}) {
            const int src = sqlite3_exec(h, sql, nullptr, nullptr, nullptr) & 0xFF;
            if (src == SQLITE_CORRUPT || src == SQLITE_NOTADB) damaged(h, sqlite3_errmsg(h));
            if (src == SQLITE_BUSY || src == SQLITE_LOCKED)
                fail(err::Locked, std::string("The database is busy: ") + sqlite3_errmsg(h) + ".");
            if (src != SQLITE_OK) fail(err::NotADatabase, std::string("Database operation failed: ") + sqlite3_errmsg(h) + ".");
        }
    } catch (...) {
        sqlite3_close(h);
        d->c_->db = nullptr;
        throw;
    }
    {
        auto& r = registry();
        std::lock_guard g(r.m);
        r.open.insert(d.get());
    }
    return d;
}

std::unique_ptr<Database> Database::create(const std::string& path) {
    if (!resolve(path).empty()) fail(err::DatabaseExists, "The database '" + path + "' already exists.");
    {
        auto lock = acquireLock(absolutePath(path), OpenMode::Exclusive);
        sqlite3* h = nullptr;
        int rc = sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_exec(h, "PRAGMA user_version=1", nullptr, nullptr, nullptr);
        sqlite3_close(h);
        if (rc != SQLITE_OK) fail(err::CannotOpen, "Cannot create the database '" + path + "'.");
    }
    return openResolved(path, OpenMode::Exclusive);
}

// ---------------------------------------------------------------------------
// Connection

void Connection::requireOpen() const {
    if (!db) fail(err::InvalidArgument, "The database is closed.");
}

std::shared_ptr<TableInfo> Connection::load(const std::string& name) {
    auto it = tables.find(lower(name));
    if (it != tables.end()) return it->second;
    auto t = readTable(db, path, name);
    tables[t->lowerName] = t;
    return t;
}

void Connection::beginWrite() {
    requireOpen();
    if (inWrite) return;
    execSql(db, "BEGIN IMMEDIATE");
    inWrite = true;
    writeStart = nowMs();
}

void Connection::afterWrite() {
    if (explicitTx) return;
    int interval;
    {
        auto& r = registry();
        interval = r.commitIntervalMs;
    }
    if (inWrite && nowMs() - writeStart >= interval) commit();
}

void Connection::commit() {
    if (!db || !inWrite || explicitTx) return;
    commitNow();
}

void Connection::commitNow() {
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) break;
        if (sqlite3_get_autocommit(db)) {
            inWrite = false;  // the engine rolled the transaction back
            fail(err::WriteFailed, std::string("The changes could not be saved: ") + sqlite3_errmsg(db) + ".");
        }
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && attempt < 3) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        fail(err::WriteFailed, std::string("The changes could not be saved yet: ") + sqlite3_errmsg(db) + ".");
    }
    inWrite = false;
}

void Connection::buildIndex(TableInfo& t, size_t i) {
    IndexInfo& ix = t.indexes[i];
    if (ix.createSql.empty()) return;
    beginWrite();
    execSql(db, ix.createSql, err::WriteFailed);
    execSql(db, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(t.name) +
                    " COLLATE NOCASE AND idx = " + quoteLiteral(ix.def.name));
    ix.createSql.clear();
    afterWrite();
}

void Connection::buildIndexes() {
    if (!db || findTableName(db, kPending).empty()) return;
    std::vector<std::string> names;
    {
        Stmt st(db, "SELECT DISTINCT tbl FROM " + std::string(kPending));
        while (sqlite3_step(st) == SQLITE_ROW)
            names.emplace_back(schemaText(st, 0, "an index waiting to be built names no table"));
    }
    for (auto& n : names) {
        if (findTableName(db, n).empty()) {
            execSql(db, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(n));
            continue;
        }
        auto t = load(n);
        for (size_t i = 0; i < t->indexes.size(); ++i) buildIndex(*t, i);
    }
}

// ---------------------------------------------------------------------------
// Database

bool Database::isOpen() const { return c_->db != nullptr; }
OpenMode Database::mode() const { return c_->mode; }
const std::string& Database::path() const { return c_->path; }

void Database::commit() { c_->commit(); }

void Database::buildIndexes() { c_->buildIndexes(); }

void Database::save() {
    c_->requireOpen();
    if (c_->explicitTx) fail(err::InvalidArgument, "A transaction is open.");
    try {
        c_->buildIndexes();
        if (c_->inWrite) c_->commitNow();
    } catch (const DbError&) {
        // A failed statement may have ended the transaction; either way
        // nothing after the last good commit is in the file.
        if (sqlite3_get_autocommit(c_->db)) c_->inWrite = false;
        throw;
    }
}

void Database::commitAll() {
    std::vector<Database*> all;
    {
        auto& r = registry();
        std::lock_guard g(r.m);
        all.assign(r.open.begin(), r.open.end());
    }
    std::optional<DbError> first;
    for (auto* d : all) {
        try {
            if (!d->c_->explicitTx) d->c_->buildIndexes();
            d->c_->commit();
        } catch (const DbError& e) {
            if (!first) first = e;
        }
    }
    if (first) throw *first;
}

void Database::setCommitInterval(int milliseconds) {
    auto& r = registry();
    std::lock_guard g(r.m);
    r.commitIntervalMs = milliseconds;
}

void Database::beginTransaction() {
    c_->requireOpen();
    if (c_->explicitTx) fail(err::InvalidArgument, "A transaction is already open.");
    c_->commit();
    c_->beginWrite();
    c_->explicitTx = true;
}

void Database::commitTransaction() {
    c_->requireOpen();
    if (!c_->explicitTx) fail(err::InvalidArgument, "No transaction is open.");
    try {
        c_->commitNow();
    } catch (const DbError& e) {
        // What was reported as not stored must not reach the file with a
        // later commit: the transaction is dropped here, whether or not the
        // engine has dropped it already.
        c_->inWrite = true;  // the engine may have ended it: the bookkeeping of a rollback all the same
        try {
            rollback();
        } catch (const DbError&) {
            // Still open and marked: the caller's rollback or close drops it.
            throw e;
        }
        // Dropped: no later commit will store it, so not "yet".
        std::string text = e.description();
        const std::string yet = "could not be saved yet: ";
        if (const auto at = text.find(yet); at != std::string::npos) text.replace(at, yet.size(), "could not be saved: ");
        fail(e.number(), text);
    }
    c_->explicitTx = false;
}

void Database::rollback() {
    c_->requireOpen();
    const bool wasExplicit = c_->explicitTx;
    c_->explicitTx = false;
    if (!c_->inWrite) return;
    if (sqlite3_exec(c_->db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK && !sqlite3_get_autocommit(c_->db)) {
        // The changes are still there: nothing may commit them unnoticed.
        c_->explicitTx = wasExplicit;
        fail(err::WriteFailed, std::string("The changes could not be dropped: ") + sqlite3_errmsg(c_->db) + ".");
    }
    c_->inWrite = false;
    // Anything read since may be gone: every table is read afresh.
    c_->tables.clear();
    raiseVersions(c_->path);
}

bool Database::inTransaction() const { return c_->explicitTx; }

void Database::close() {
    if (!c_->db) return;
    for (Cursor* rs : std::vector<Cursor*>(c_->cursors.begin(), c_->cursors.end())) rs->detach();
    c_->cursors.clear();
    std::optional<DbError> failure;
    try {
        if (c_->explicitTx) rollback();  // an unfinished transaction stores nothing
        c_->buildIndexes();
        c_->commit();
    } catch (const DbError& e) {
        failure = e;
        sqlite3_exec(c_->db, "ROLLBACK", nullptr, nullptr, nullptr);
        c_->inWrite = false;
    }
    sqlite3_close_v2(c_->db);
    c_->db = nullptr;
    c_->tables.clear();
    {
        auto& r = registry();
        std::lock_guard g(r.m);
        r.open.erase(this);
    }
    c_->lock.reset();
    if (failure) throw *failure;
}

std::unique_ptr<Recordset> Database::openTable(const std::string& name) {
    c_->requireOpen();
    auto info = c_->load(name);
    return std::unique_ptr<Recordset>(new Recordset(std::make_unique<Cursor>(*c_, info)));
}

bool Database::hasTable(const std::string& name) {
    c_->requireOpen();
    return !findTableName(c_->db, name).empty();
}

std::vector<std::string> Database::tableNames() {
    c_->requireOpen();
    Stmt st(c_->db, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> 'qv_pending_index' ORDER BY rowid");
    std::vector<std::string> out;
    while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(schemaText(st, 0, "a table has no name"));
    return out;
}

TableDef Database::tableDef(const std::string& name) {
    c_->requireOpen();
    auto t = c_->load(name);
    TableDef d;
    d.name = t->name;
    d.fields = t->fields;
    for (auto& ix : t->indexes) d.indexes.push_back(ix.def);
    return d;
}

void Database::dropTable(const std::string& name) {
    c_->requireOpen();
    std::string actual = findTableName(c_->db, name);
    if (actual.empty()) fail(err::DropMissingTable, "The table '" + name + "' does not exist.");
    std::string key = lower(actual);
    auto it = c_->tables.find(key);
    if (it != c_->tables.end() && it->second->openCount > 0)
        fail(err::TableInUse, "The table '" + actual + "' is in use and cannot be removed.");
    c_->beginWrite();
    execSql(c_->db, "DROP TABLE " + quoteId(actual));
    if (!findTableName(c_->db, kPending).empty())
        execSql(c_->db, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(actual) + " COLLATE NOCASE");
    c_->tables.erase(key);
    ++*versionOf(c_->path, key);
    c_->afterWrite();
}

void Database::createTable(const TableDef& def) {
    c_->requireOpen();
    if (def.name.empty() || def.fields.empty()) fail(err::InvalidArgument, "A table needs a name and fields.");
    if (!findTableName(c_->db, def.name).empty()) fail(err::TableExists, "The table '" + def.name + "' already exists.");
    std::set<std::string> names;
    std::string sql = "CREATE TABLE " + quoteId(def.name) + " (";
    for (size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        if (!names.insert(lower(f.name)).second)
            fail(err::InvalidArgument, "The field '" + f.name + "' is defined twice.");
        if (f.type == FieldType::Text && (f.size < 1 || f.size > 255))
            fail(err::InvalidArgument, "The size of text field '" + f.name + "' must be 1 to 255.");
        if (i) sql += ", ";
        sql += quoteId(f.name) + " " + typeName(f);
        if (isText(f.type)) sql += std::string(" COLLATE ") + (f.exactCompare ? "BINARY" : kKeyTextCollation);
        if (!f.defaultValue.isNull()) {
            sql += " DEFAULT ";
            if (f.defaultValue.isText()) sql += quoteLiteral(f.defaultValue.text());
            else sql += isWhole(f.type) ? std::to_string(f.defaultValue.toInt()) : numberText(f.defaultValue.toDouble());
        }
    }
    sql += ")";
    std::vector<std::string> ddl{sql};
    std::set<std::string> ixNames;
    for (const IndexDef& ix : def.indexes) {
        if (!ixNames.insert(lower(ix.name)).second || ix.name.empty() || ix.fields.empty())
            fail(err::InvalidArgument, "Index '" + ix.name + "' is not valid.");
        std::string cols;
        for (auto& c : ix.fields) {
            if (!names.count(lower(c))) fail(err::ItemNotFound, "Index '" + ix.name + "' names the unknown field '" + c + "'.");
            cols += (cols.empty() ? "" : ", ") + quoteId(c);
        }
        std::string sqlName = def.name + "." + ix.name + (ix.primary ? ".primary" : "");
        std::string create = std::string("CREATE ") + (ix.unique || ix.primary ? "UNIQUE " : "") +
                             "INDEX IF NOT EXISTS " + quoteId(sqlName) + " ON " + quoteId(def.name) + " (" + cols + ")";
        if (ix.unique || ix.primary) {
            ddl.push_back(create);
        } else {
            std::string list;
            for (auto& c : ix.fields) list += (list.empty() ? "" : "\t") + c;
            ddl.push_back("CREATE TABLE IF NOT EXISTS " + std::string(kPending) +
                          " (tbl TEXT, idx TEXT, unique_ INTEGER, cols TEXT, sql TEXT)");
            ddl.push_back("INSERT INTO " + std::string(kPending) + " VALUES (" + quoteLiteral(def.name) + ", " +
                          quoteLiteral(ix.name) + ", 0, " + quoteLiteral(list) + ", " + quoteLiteral(create) + ")");
        }
    }
    c_->beginWrite();
    execSql(c_->db, "SAVEPOINT create_table");
    try {
        for (auto& s : ddl) execSql(c_->db, s, err::InvalidArgument);
    } catch (...) {
        sqlite3_exec(c_->db, "ROLLBACK TO create_table; RELEASE create_table", nullptr, nullptr, nullptr);
        throw;
    }
    execSql(c_->db, "RELEASE create_table");
    c_->tables.erase(lower(def.name));
    ++*versionOf(c_->path, lower(def.name));
    c_->afterWrite();
}

void Database::settle(const std::string& path) {
    std::string found = resolve(path);
    if (found.empty() || selfContained(found)) return;
    // Opening the file recovers what a crashed program left in its log; the
    // checkpoint folds the log back, and the last close removes it.
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(found.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 5000);
        sqlite3_exec(h, "SELECT count(*) FROM sqlite_master; PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr,
                     nullptr);
    }
    sqlite3_close(h);
}

bool Database::selfContained(const std::string& path) {
    for (const char* log : {"-wal", "-journal"}) {
        std::error_code ec;
        const auto size = fs::file_size(path + log, ec);
        if (!ec && size > 0) return false;
    }
    return true;
}

void Database::vacuumInto(const std::string& sourcePath, const std::string& targetPath) {
    // Read as an unchanging file: no lock, and no log or index file is made
    // beside it, so a full disk cannot leave one behind.
    std::string uri = "file:";
    for (char c : absolutePath(sourcePath)) {
        if (c == '?' || c == '#' || c == '%') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
            uri += buf;
        } else {
            uri += c;
        }
    }
    uri += "?immutable=1";
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(uri.c_str(), &h, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::string msg;
    if (rc == SQLITE_OK) {
        sqlite3_create_collation(h, kKeyTextCollation, SQLITE_UTF8, nullptr, keyTextCollation);
        std::string sql = "VACUUM INTO " + quoteLiteral(targetPath);
        char* m = nullptr;
        rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &m);
        if (m) msg = m, sqlite3_free(m);
    } else {
        msg = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
    }
    sqlite3_close(h);
    if (rc != SQLITE_OK) {
        std::error_code ec;
        fs::remove(targetPath, ec);
        fs::remove(targetPath + "-journal", ec);
        fail(err::WriteFailed, "The database could not be compacted: " + msg + ".");
    }
}

void Database::compact(const std::string& sourcePath, const std::string& targetPath) {
    std::string src = resolve(sourcePath);
    if (src.empty()) fail(err::FileNotFound, "Could not find the database file '" + sourcePath + "'.");
    if (!resolve(targetPath).empty()) fail(err::DatabaseExists, "The database '" + targetPath + "' already exists.");
    auto lock = acquireLock(absolutePath(src), OpenMode::Exclusive);
    settle(src);
    if (!selfContained(src))
        fail(err::WriteFailed, "The database could not be compacted: its log could not be folded back.");
    vacuumInto(src, targetPath);
}

// ---------------------------------------------------------------------------
// DatabaseLock

std::unique_ptr<DatabaseLock> DatabaseLock::exclusive(const std::string& path) {
    std::string found = Database::resolve(path);
    if (found.empty()) fail(err::FileNotFound, "Could not find the database file '" + rtrim(path) + "'.");
    std::unique_ptr<DatabaseLock> l(new DatabaseLock());
    l->path_ = absolutePath(found);
    l->lock_ = acquireLock(l->path_, OpenMode::Exclusive);
    return l;
}

DatabaseLock::~DatabaseLock() = default;


}  // namespace qv::db
