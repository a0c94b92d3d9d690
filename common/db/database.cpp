#include "common/db/database.h"

#include "common/db/collation.h"

#include "common/text/numtext.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <thread>
#include <unordered_map>

namespace fs = std::filesystem;

namespace qv::db {

// ---------------------------------------------------------------------------
// Small helpers

namespace {

std::string lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

std::string rtrimBlanks(const std::string& s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

std::string quoteId(const std::string& s) {
    std::string r = "\"";
    for (char c : s) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

std::string quoteLiteral(const std::string& s) {
    std::string r = "'";
    for (char c : s) {
        if (c == '\'') r += '\'';
        r += c;
    }
    return r + "'";
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Number of characters (code points) of a UTF-8 text.
size_t charCount(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

[[noreturn]] void fail(int number, const std::string& text) { throw DbError(number, text); }

const char* kCollation = kKeyTextCollation;
// Non-unique indexes of a new table are built when first needed: a bulk load
// into a fresh table then sorts once instead of updating its indexes per row.
// The list of indexes still to build lives in the file, so a crash loses none.
const char* kPending = "qv_pending_index";

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

bool isText(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }
bool isWhole(FieldType t) { return t == FieldType::Byte || t == FieldType::Integer || t == FieldType::Long; }

// ---------------------------------------------------------------------------
// Process-wide state: open databases, file locks, table versions.

struct LockState {
    int shared = 0;
    int exclusive = 0;
    int heirFd = -1;  // an exclusive lock kept as shared for handles opened under it
};

struct Registry {
    std::mutex m;
    std::set<Database*> open;
    std::map<std::string, LockState> locks;
    std::map<std::string, std::shared_ptr<std::atomic<uint64_t>>> versions;
    int commitIntervalMs = 500;
};

Registry& reg() {
    static Registry r;
    return r;
}

std::string absolutePath(const std::string& p) {
    std::error_code ec;
    auto a = fs::absolute(fs::path(p), ec);
    return (ec ? fs::path(p) : a).lexically_normal().string();
}

std::shared_ptr<std::atomic<uint64_t>> versionOf(const std::string& dbPath, const std::string& lowerTable) {
    auto& r = reg();
    std::lock_guard g(r.m);
    auto& v = r.versions[dbPath + '\n' + lowerTable];
    if (!v) v = std::make_shared<std::atomic<uint64_t>>(1);
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// Locks

struct LockHandle {
    std::string key;
    int fd = -1;
    bool exclusive = false;
    bool held = false;
    ~LockHandle() {
        if (!held) return;
        auto& r = reg();
        std::lock_guard g(r.m);
        auto it = r.locks.find(key);
        if (it == r.locks.end()) return;
        LockState& st = it->second;
        if (exclusive) {
            --st.exclusive;
            if (st.shared > 0 && fd >= 0) {
                // Handles opened under the exclusive hold keep a shared lock.
                flock(fd, LOCK_SH);
                st.heirFd = fd;
                fd = -1;
            }
        } else {
            --st.shared;
        }
        if (st.shared == 0 && st.exclusive == 0) {
            // The last hold of this process: remove the lock file when no other
            // program holds it either. Openers check that the file they locked
            // is still the one under the name, so removing it is safe.
            int last = fd >= 0 ? fd : st.heirFd;
            if (last >= 0 && flock(last, LOCK_EX | LOCK_NB) == 0) ::unlink(key.c_str());
            if (st.heirFd >= 0 && st.heirFd != fd) ::close(st.heirFd);
            r.locks.erase(it);
        }
        if (fd >= 0) ::close(fd);
    }
};

namespace {
// True when fd is still the file that the name stands for.
bool stillNamed(int fd, const std::string& path) {
    struct stat a, b;
    return fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
}  // namespace

namespace {

std::unique_ptr<LockHandle> acquireLock(const std::string& dbPath, OpenMode mode) {
    auto h = std::make_unique<LockHandle>();
    h->key = absolutePath(dbPath) + ".lock";
    h->exclusive = mode == OpenMode::Exclusive;
    auto& r = reg();
    std::lock_guard g(r.m);
    LockState& st = r.locks[h->key];
    auto dropIfUnused = [&] {
        if (st.shared == 0 && st.exclusive == 0 && st.heirFd < 0) r.locks.erase(h->key);
    };
    auto openFd = [&] {
        int fd = ::open(h->key.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // The first failure is the cause: the read-only retry of a lock file
        // that could not be made only finds it missing.
        const int cause = errno;
        if (fd < 0) fd = ::open(h->key.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            dropIfUnused();
            fail(err::CannotOpen, "Cannot create the lock file '" + h->key + "': " + std::strerror(cause) + ".");
        }
        return fd;
    };
    std::string file = fs::path(dbPath).filename().string();
    // Locks a freshly opened lock file; the file may have been removed by its
    // last holder between our open and our lock, so check and try again.
    auto lockFd = [&](int how) {
        for (int attempt = 0;; ++attempt) {
            int fd = openFd();
            if (flock(fd, how | LOCK_NB) != 0) return std::pair{fd, false};
            if (stillNamed(fd, h->key) || attempt == 20) return std::pair{fd, true};
            ::close(fd);
        }
    };
    if (h->exclusive) {
        if (st.exclusive > 0)
            fail(err::ExclusivelyHeld, "The database '" + file + "' is already opened exclusively.");
        if (st.shared > 0) fail(err::FileInUse, "The database '" + file + "' is already in use.");
        auto [fd, ok] = lockFd(LOCK_EX);
        if (!ok) {
            bool othersShared = flock(fd, LOCK_SH | LOCK_NB) == 0;
            ::close(fd);
            dropIfUnused();
            if (othersShared) fail(err::FileInUse, "The database '" + file + "' is in use by another program.");
            fail(err::ExclusivelyHeld, "The database '" + file + "' is opened exclusively by another program.");
        }
        h->fd = fd;
        ++st.exclusive;
        h->held = true;
    } else {
        if (st.exclusive > 0 || st.heirFd >= 0) {
            ++st.shared;  // this process already holds the file
        } else {
            auto [fd, ok] = lockFd(LOCK_SH);
            if (!ok) {
                ::close(fd);
                dropIfUnused();
                fail(err::ExclusivelyHeld, "The database '" + file + "' is opened exclusively by another program.");
            }
            h->fd = fd;
            ++st.shared;
        }
        h->held = true;
    }
    return h;
}

}  // namespace

// ---------------------------------------------------------------------------
// Table information

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

struct Database::Impl {
    std::map<std::string, std::shared_ptr<TableInfo>> tables;
    std::set<Recordset*> recordsets;
    bool inWrite = false;
    bool explicitTx = false;
    int64_t writeStart = 0;
    uint64_t dataVersion = 0;

    std::shared_ptr<TableInfo> load(Database& db, const std::string& name);
};

namespace {

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &s, nullptr) != SQLITE_OK)
            fail(err::InvalidStatement, std::string("Database statement failed: ") + sqlite3_errmsg(db));
    }
    ~Stmt() { sqlite3_finalize(s); }
    operator sqlite3_stmt*() const { return s; }
};

void execSql(sqlite3* db, const std::string& sql, int errNumber = err::InvalidStatement) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        std::string m = msg ? msg : sqlite3_errstr(rc);
        sqlite3_free(msg);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The database is busy: " + m + ".");
        fail(errNumber, "Database operation failed: " + m + ".");
    }
}

std::string fileName(sqlite3* db) {
    const char* f = sqlite3_db_filename(db, "main");
    return f && *f ? fs::path(f).filename().string() : std::string("database");
}

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

// The field of a table an index names; the index of a table whose field is
// gone is a damaged schema.
int indexedField(sqlite3* db, const TableInfo& t, const std::string& index, const std::string& col) {
    auto it = t.byName.find(lower(col));
    if (it == t.byName.end())
        damaged(db, "the index '" + index + "' of table '" + t.name + "' names the missing field '" + col + "'");
    return it->second;
}

}  // namespace

std::shared_ptr<TableInfo> Database::Impl::load(Database& db, const std::string& name) {
    std::string key = lower(name);
    auto it = tables.find(key);
    if (it != tables.end()) return it->second;
    std::string actual = findTableName(db.handle(), name);
    if (actual.empty() || actual.rfind("sqlite_", 0) == 0)
        fail(err::TableNotFound, "Cannot find the table '" + name + "'.");
    auto t = std::make_shared<TableInfo>();
    t->name = actual;
    t->lowerName = key;
    t->quoted = quoteId(actual);
    {
        Stmt st(db.handle(), "SELECT name, type, dflt_value FROM pragma_table_info(?1)");
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
        Stmt st(db.handle(), "SELECT name, \"unique\" FROM pragma_index_list(?1) ORDER BY seq DESC");
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
            Stmt ci(db.handle(), "SELECT name FROM pragma_index_info(?1) ORDER BY seqno");
            sqlite3_bind_text(ci, 1, sqlName.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(ci) == SQLITE_ROW) {
                // No name: the index is over something other than a field
                // (a name in quotes that is no field reads as a text).
                std::string col = schemaText(ci, 0, "the index '" + sqlName + "' names no field of its table");
                ix.def.fields.push_back(col);
                ix.fields.push_back(indexedField(db.handle(), *t, sqlName, col));
            }
            t->indexes.push_back(std::move(ix));
        }
    }
    if (!findTableName(db.handle(), kPending).empty()) {
        Stmt st(db.handle(), "SELECT idx, unique_, cols, sql FROM " + std::string(kPending) + " WHERE tbl = ?1 COLLATE NOCASE ORDER BY rowid");
        sqlite3_bind_text(st, 1, actual.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            IndexInfo ix;
            const std::string waiting = "an index of table '" + actual + "' waiting to be built is incomplete";
            ix.def.name = schemaText(st, 0, waiting);
            ix.def.unique = false;
            std::string cols = schemaText(st, 2, waiting);
            for (size_t a = 0; a <= cols.size();) {
                size_t b = cols.find('\t', a);
                if (b == std::string::npos) b = cols.size();
                std::string c = cols.substr(a, b - a);
                ix.def.fields.push_back(c);
                ix.fields.push_back(indexedField(db.handle(), *t, ix.def.name, c));
                a = b + 1;
            }
            ix.createSql = schemaText(st, 3, waiting);
            t->indexes.push_back(std::move(ix));
        }
    }
    t->version = versionOf(db.path(), key);
    tables[key] = t;
    return t;
}

// ---------------------------------------------------------------------------
// Database

Database::Database() : impl_(std::make_unique<Impl>()) {}

Database::~Database() {
    try {
        close();
    } catch (const DbError& e) {
        std::cerr << "Database " << path_ << ": changes could not be saved on close: " << e.what() << "\n";
    }
}

std::string Database::resolve(const std::string& path) {
    fs::path p(path);
    std::string want = rtrimBlanks(p.filename().string());
    fs::path dir = p.parent_path();
    if (want.empty()) return {};
    std::error_code ec;
    std::string lw = lower(want);
    std::vector<std::string> hits;
    for (auto& e : fs::directory_iterator(dir.empty() ? fs::path(".") : dir, ec)) {
        std::string n = e.path().filename().string();
        if (lower(rtrimBlanks(n)) == lw && e.is_regular_file(ec)) hits.push_back(n);
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
    if (found.empty()) fail(err::FileNotFound, "Could not find the database file '" + rtrimBlanks(name) + "'.");
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
    d->path_ = absolutePath(path);
    d->mode_ = mode;
    d->lock_ = acquireLock(d->path_, mode);
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(d->path_.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string m = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
        sqlite3_close(h);
        fail(err::CannotOpen, "Cannot open the database '" + path + "': " + m + ".");
    }
    d->db_ = h;
    sqlite3_busy_timeout(h, 5000);
    sqlite3_create_collation(h, kCollation, SQLITE_UTF8, nullptr, keyTextCollation);
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
        d->db_ = nullptr;
        throw;
    }
    {
        auto& r = reg();
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

void Database::requireOpen() const {
    if (!db_) fail(err::InvalidArgument, "The database is closed.");
}

void Database::beginWrite() {
    requireOpen();
    if (impl_->inWrite) return;
    execSql(db_, "BEGIN IMMEDIATE");
    impl_->inWrite = true;
    impl_->writeStart = nowMs();
}

void Database::afterWrite() {
    if (impl_->explicitTx) return;
    int interval;
    {
        auto& r = reg();
        interval = r.commitIntervalMs;
    }
    if (impl_->inWrite && nowMs() - impl_->writeStart >= interval) commit();
}

void Database::commit() {
    if (!db_ || !impl_->inWrite || impl_->explicitTx) return;
    commitNow();
}

void Database::save() {
    requireOpen();
    if (impl_->explicitTx) fail(err::InvalidArgument, "A transaction is open.");
    try {
        buildIndexes();
        if (impl_->inWrite) commitNow();
    } catch (const DbError&) {
        // A failed statement may have ended the transaction; either way
        // nothing after the last good commit is in the file.
        if (sqlite3_get_autocommit(db_)) impl_->inWrite = false;
        throw;
    }
}

void Database::commitNow() {
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) break;
        if (sqlite3_get_autocommit(db_)) {
            impl_->inWrite = false;  // the engine rolled the transaction back
            fail(err::WriteFailed, std::string("The changes could not be saved: ") + sqlite3_errmsg(db_) + ".");
        }
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && attempt < 3) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        fail(err::WriteFailed, std::string("The changes could not be saved yet: ") + sqlite3_errmsg(db_) + ".");
    }
    impl_->inWrite = false;
}

void Database::commitAll() {
    std::vector<Database*> all;
    {
        auto& r = reg();
        std::lock_guard g(r.m);
        all.assign(r.open.begin(), r.open.end());
    }
    std::optional<DbError> first;
    for (auto* d : all) {
        try {
            if (!d->impl_->explicitTx) d->buildIndexes();
            d->commit();
        } catch (const DbError& e) {
            if (!first) first = e;
        }
    }
    if (first) throw *first;
}

void Database::setCommitInterval(int milliseconds) {
    auto& r = reg();
    std::lock_guard g(r.m);
    r.commitIntervalMs = milliseconds;
}

void Database::beginTransaction() {
    requireOpen();
    if (impl_->explicitTx) fail(err::InvalidArgument, "A transaction is already open.");
    commit();
    beginWrite();
    impl_->explicitTx = true;
}

void Database::commitTransaction() {
    requireOpen();
    if (!impl_->explicitTx) fail(err::InvalidArgument, "No transaction is open.");
    impl_->explicitTx = false;
    commitNow();
}

void Database::rollback() {
    requireOpen();
    impl_->explicitTx = false;
    if (!impl_->inWrite) return;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    impl_->inWrite = false;
    // Anything read since may be gone: every table is read afresh.
    impl_->tables.clear();
    auto& r = reg();
    std::lock_guard g(r.m);
    std::string prefix = path_ + '\n';
    for (auto& [k, v] : r.versions)
        if (k.compare(0, prefix.size(), prefix) == 0) ++*v;
}

bool Database::inTransaction() const { return impl_->explicitTx; }

void Database::buildIndex(TableInfo& t, size_t i) {
    IndexInfo& ix = t.indexes[i];
    if (ix.createSql.empty()) return;
    beginWrite();
    execSql(db_, ix.createSql, err::WriteFailed);
    execSql(db_, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(t.name) +
                     " COLLATE NOCASE AND idx = " + quoteLiteral(ix.def.name));
    ix.createSql.clear();
    afterWrite();
}

void Database::buildIndexes() {
    if (!db_ || findTableName(db_, kPending).empty()) return;
    std::vector<std::string> names;
    {
        Stmt st(db_, "SELECT DISTINCT tbl FROM " + std::string(kPending));
        while (sqlite3_step(st) == SQLITE_ROW)
            names.emplace_back(schemaText(st, 0, "an index waiting to be built names no table"));
    }
    for (auto& n : names) {
        if (findTableName(db_, n).empty()) {
            execSql(db_, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(n));
            continue;
        }
        auto t = impl_->load(*this, n);
        for (size_t i = 0; i < t->indexes.size(); ++i) buildIndex(*t, i);
    }
}

void Database::close() {
    if (!db_) return;
    for (Recordset* rs : std::vector<Recordset*>(impl_->recordsets.begin(), impl_->recordsets.end())) rs->detach();
    impl_->recordsets.clear();
    std::optional<DbError> failure;
    try {
        if (impl_->explicitTx) rollback();  // an unfinished transaction stores nothing
        buildIndexes();
        commit();
    } catch (const DbError& e) {
        failure = e;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        impl_->inWrite = false;
    }
    sqlite3_close_v2(db_);
    db_ = nullptr;
    impl_->tables.clear();
    {
        auto& r = reg();
        std::lock_guard g(r.m);
        r.open.erase(this);
    }
    lock_.reset();
    if (failure) throw *failure;
}

std::unique_ptr<Recordset> Database::openTable(const std::string& name) {
    requireOpen();
    auto info = impl_->load(*this, name);
    return std::make_unique<Recordset>(*this, info);
}

bool Database::hasTable(const std::string& name) {
    requireOpen();
    return !findTableName(db_, name).empty();
}

std::vector<std::string> Database::tableNames() {
    requireOpen();
    Stmt st(db_, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> 'qv_pending_index' ORDER BY rowid");
    std::vector<std::string> out;
    while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(schemaText(st, 0, "a table has no name"));
    return out;
}

TableDef Database::tableDef(const std::string& name) {
    requireOpen();
    auto t = impl_->load(*this, name);
    TableDef d;
    d.name = t->name;
    d.fields = t->fields;
    for (auto& ix : t->indexes) d.indexes.push_back(ix.def);
    return d;
}

void Database::execute(const std::string& statement) {
    requireOpen();
    static const std::regex dropRe(R"re(^\s*drop\s+table\s*(?:\[([^\]]+)\]|"([^"]+)"|([^\s;\[\]]+))\s*;?\s*$)re",
                                   std::regex::icase);
    std::smatch m;
    if (!std::regex_match(statement, m, dropRe))
        fail(err::InvalidStatement, "Unsupported statement: '" + statement + "'.");
    std::string name = m[1].matched ? m[1].str() : m[2].matched ? m[2].str() : m[3].str();
    std::string actual = findTableName(db_, name);
    if (actual.empty()) fail(err::DropMissingTable, "The table '" + name + "' does not exist.");
    std::string key = lower(actual);
    auto it = impl_->tables.find(key);
    if (it != impl_->tables.end() && it->second->openCount > 0)
        fail(err::TableInUse, "The table '" + actual + "' is in use and cannot be removed.");
    beginWrite();
    execSql(db_, "DROP TABLE " + quoteId(actual));
    if (!findTableName(db_, kPending).empty())
        execSql(db_, "DELETE FROM " + std::string(kPending) + " WHERE tbl = " + quoteLiteral(actual) + " COLLATE NOCASE");
    impl_->tables.erase(key);
    ++*versionOf(path_, key);
    afterWrite();
}

void Database::createTable(const TableDef& def) {
    requireOpen();
    if (def.name.empty() || def.fields.empty()) fail(err::InvalidArgument, "A table needs a name and fields.");
    if (!findTableName(db_, def.name).empty()) fail(err::TableExists, "The table '" + def.name + "' already exists.");
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
        if (isText(f.type)) sql += std::string(" COLLATE ") + (f.exactCompare ? "BINARY" : kCollation);
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
    beginWrite();
    execSql(db_, "SAVEPOINT create_table");
    try {
        for (auto& s : ddl) execSql(db_, s, err::InvalidArgument);
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK TO create_table; RELEASE create_table", nullptr, nullptr, nullptr);
        throw;
    }
    execSql(db_, "RELEASE create_table");
    impl_->tables.erase(lower(def.name));
    ++*versionOf(path_, lower(def.name));
    afterWrite();
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
        sqlite3_create_collation(h, kCollation, SQLITE_UTF8, nullptr, keyTextCollation);
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
    if (found.empty()) fail(err::FileNotFound, "Could not find the database file '" + rtrimBlanks(path) + "'.");
    std::unique_ptr<DatabaseLock> l(new DatabaseLock());
    l->path_ = absolutePath(found);
    l->lock_ = acquireLock(l->path_, OpenMode::Exclusive);
    return l;
}

DatabaseLock::~DatabaseLock() = default;

// ---------------------------------------------------------------------------
// Recordset

SeekOp seekOp(const std::string& text) {
    if (text == "=") return SeekOp::Eq;
    if (text == "<") return SeekOp::Lt;
    if (text == "<=") return SeekOp::Le;
    if (text == ">") return SeekOp::Gt;
    if (text == ">=") return SeekOp::Ge;
    fail(err::InvalidArgument, "Invalid Seek comparison '" + text + "'.");
}

Recordset::Recordset(Database& db, std::shared_ptr<TableInfo> info) : db_(&db), info_(std::move(info)) {
    stmts_.assign(size_t(Q::N), nullptr);
    db_->impl().recordsets.insert(this);
    ++info_->openCount;
    buffer_.values.resize(info_->fields.size());
    try {
        moveEnd(true);
    } catch (...) {
        close();  // no destructor runs: unregister and finalize here
        throw;
    }
}

Recordset::~Recordset() { close(); }

void Recordset::detach() {
    for (auto*& s : stmts_) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    for (auto& [k, s] : rangeStmts_) sqlite3_finalize(s);
    rangeStmts_.clear();
    if (!closed_) --info_->openCount;
    closed_ = true;
}

void Recordset::close() {
    if (closed_) return;
    if (db_ && db_->isOpen()) db_->impl().recordsets.erase(this);
    detach();
}

void Recordset::checkOpen() const {
    if (closed_) fail(err::InvalidArgument, "The recordset is closed.");
}

const std::string& Recordset::name() const { return info_->name; }
int Recordset::fieldCount() const { return int(info_->fields.size()); }
const FieldDef& Recordset::fieldDef(int index) const { return info_->fields.at(size_t(index)); }

int Recordset::fieldIndex(const std::string& name) const {
    auto it = info_->byName.find(lower(name));
    if (it == info_->byName.end()) fail(err::ItemNotFound, "The field '" + name + "' is not in table '" + info_->name + "'.");
    return it->second;
}

void Recordset::setIndex(const std::string& name) {
    checkOpen();
    if (name.empty()) {
        indexNo_ = -1;
        keyFields_.clear();
        indexName_.clear();
    } else {
        std::string ln = lower(name);
        int found = -1;
        for (size_t i = 0; i < info_->indexes.size(); ++i)
            if (lower(info_->indexes[i].def.name) == ln) found = int(i);
        if (found < 0) fail(err::IndexNotFound, "'" + name + "' is not an index of table '" + info_->name + "'.");
        if (!info_->indexes[size_t(found)].createSql.empty()) db_->buildIndex(*info_, size_t(found));
        indexNo_ = found;
        keyFields_ = info_->indexes[size_t(found)].fields;
        indexName_ = info_->indexes[size_t(found)].def.name;
    }
    for (auto*& s : stmts_) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    for (auto& [k, s] : rangeStmts_) sqlite3_finalize(s);
    rangeStmts_.clear();
    editMode_ = EditMode::None;
    moveEnd(true);
}

// Values read from a row whose stored type is not its field's: a text in a
// number field, a fraction in a whole-number field, a blob, a whole number
// too large for a double. The row's converted reading would place it
// elsewhere in the index, so the exact stored value is kept for paging.
struct Recordset::Stored {
    std::vector<std::pair<int, sqlite3_value*>> values;  // field, value
    Stored() = default;
    Stored(const Stored&) = delete;
    Stored& operator=(const Stored&) = delete;
    ~Stored() {
        for (auto& fv : values) sqlite3_value_free(fv.second);
    }
    sqlite3_value* of(int field) const {
        for (auto& fv : values)
            if (fv.first == field) return fv.second;
        return nullptr;
    }
};

namespace {
// A key value as the index orders it: Nulls, then numbers, texts, blobs.
struct KeyPart {
    int rank = 0;
    double number = 0;
    std::string_view bytes;
};

KeyPart keyPart(const Value& v, sqlite3_value* stored) {
    KeyPart k;
    if (stored) {
        switch (sqlite3_value_type(stored)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: k.rank = 1, k.number = sqlite3_value_double(stored); break;
        case SQLITE_TEXT:
            k.rank = 2;
            k.bytes = {reinterpret_cast<const char*>(sqlite3_value_text(stored)), size_t(sqlite3_value_bytes(stored))};
            break;
        case SQLITE_BLOB:
            k.rank = 3;
            k.bytes = {static_cast<const char*>(sqlite3_value_blob(stored)), size_t(sqlite3_value_bytes(stored))};
            break;
        default: break;
        }
    } else if (v.isText()) {
        k.rank = 2, k.bytes = v.text();
    } else if (v.isNumber()) {
        k.rank = 1, k.number = v.toDouble();
    }
    return k;
}
}  // namespace

// Order of two rows' keys in the current index, as the index orders them.
int Recordset::compareKeys(const Row& a, const Row& b) const {
    for (int f : keyFields_) {
        KeyPart x = keyPart(a.values[size_t(f)], a.stored ? a.stored->of(f) : nullptr);
        KeyPart y = keyPart(b.values[size_t(f)], b.stored ? b.stored->of(f) : nullptr);
        if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
        int c = 0;
        if (x.rank == 1) {
            c = x.number < y.number ? -1 : x.number > y.number ? 1 : 0;
        } else if (x.rank >= 2) {
            // A text field's collation; a number field holding a text compares bytes.
            const FieldDef& d = info_->fields[size_t(f)];
            if (x.rank == 2 && isText(d.type) && !d.exactCompare)
                c = keyTextCollation(nullptr, int(x.bytes.size()), x.bytes.data(), int(y.bytes.size()), y.bytes.data());
            else
                c = x.bytes.compare(y.bytes);
        }
        if (c) return c < 0 ? -1 : 1;
    }
    return 0;
}

std::vector<Value> Recordset::keyOf(const Row& r) const {
    std::vector<Value> k;
    k.reserve(keyFields_.size());
    for (int f : keyFields_) k.push_back(r.values[size_t(f)]);
    return k;
}

// Statements are prepared once per recordset and index.
sqlite3_stmt* Recordset::stmt(Q q, size_t) {
    size_t slot = size_t(q);
    if (stmts_[slot]) {
        sqlite3_reset(stmts_[slot]);
        sqlite3_clear_bindings(stmts_[slot]);
        return stmts_[slot];
    }
    const TableInfo& t = *info_;
    std::string all = selectList();
    std::string sql;
    switch (q) {
    case Q::First: sql = "SELECT " + all + " FROM " + t.quoted + " ORDER BY " + orderBy(true) + " LIMIT ?"; break;
    case Q::Last: sql = "SELECT " + all + " FROM " + t.quoted + " ORDER BY " + orderBy(false) + " LIMIT ?"; break;
    case Q::ById: sql = "SELECT " + all + " FROM " + t.quoted + " WHERE rowid = ?"; break;
    case Q::Count: sql = "SELECT count(*) FROM " + t.quoted; break;
    case Q::Insert: {
        std::string c, v;
        for (size_t i = 0; i < t.cols.size(); ++i) c += (i ? ", " : "") + t.cols[i], v += (i ? ", ?" : "?");
        sql = "INSERT INTO " + t.quoted + " (" + c + ") VALUES (" + v + ")";
        break;
    }
    case Q::Update: {
        std::string u;
        for (size_t i = 0; i < t.cols.size(); ++i) u += (i ? ", " : "") + t.cols[i] + " = ?";
        sql = "UPDATE " + t.quoted + " SET " + u + " WHERE rowid = ?";
        break;
    }
    case Q::Delete: sql = "DELETE FROM " + t.quoted + " WHERE rowid = ?"; break;
    default: break;
    }
    stmts_[slot] = prepare(sql);
    return stmts_[slot];
}

sqlite3_stmt* Recordset::prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db_->handle(), sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
        fail(err::InvalidStatement, std::string("Database statement failed: ") + sqlite3_errmsg(db_->handle()));
    return s;
}

std::string Recordset::orderBy(bool asc) const {
    std::string o;
    for (int f : keyFields_) o += info_->cols[size_t(f)] + (asc ? " ASC, " : " DESC, ");
    return o + (asc ? "rowid ASC" : "rowid DESC");
}

// Rows beyond a position in the current order, nearest first. The position is
// a list of key values (a prefix of the index's fields, then optionally the
// rowid). The lexicographic comparison is split into ranges, each an equality
// prefix and one inequality, run from the nearest range outward: every range
// is a plain index range, and Nulls, which sort first, are handled exactly.
size_t Recordset::fetchBeyond(const std::vector<Value>& pos, const Row* from, bool forward, bool inclusive,
                              size_t limit) {
    const TableInfo& t = *info_;
    std::vector<std::string> cols;
    std::vector<const Value*> vals;
    // A row's odd values are bound as stored: paging from a converted
    // reading (a text read as 0) would start again from elsewhere.
    std::vector<sqlite3_value*> exact;
    for (size_t i = 0; i < pos.size(); ++i) {
        cols.push_back(t.cols[size_t(keyFields_[i])]);
        vals.push_back(&pos[i]);
        exact.push_back(from && from->stored ? from->stored->of(keyFields_[i]) : nullptr);
    }
    Value rid(from ? from->rowid : 0);
    if (from) cols.push_back("rowid"), vals.push_back(&rid), exact.push_back(nullptr);
    size_t m = cols.size();
    auto bind = [&](sqlite3_stmt* st, int n, size_t i) {
        if (exact[i]) sqlite3_bind_value(st, n, exact[i]);
        else bindValue(st, n, *vals[i]);
    };
    size_t got = 0;
    auto run = [&](size_t eqCount, int rel) {  // rel: 0 equal, 1 beyond (non-null), 2 beyond (null)
        std::string key(1, forward ? 'f' : 'b');
        key += char('0' + eqCount);
        key += char('0' + rel);
        for (size_t i = 0; i < eqCount; ++i) key += vals[i]->isNull() ? 'n' : 'v';
        if (rel) key += vals[eqCount]->isNull() ? 'n' : 'v';
        auto& st = rangeStmts_[key];
        if (!st) {
            std::string where;
            for (size_t i = 0; i < eqCount; ++i)
                where += (i ? " AND " : "") + cols[i] + (vals[i]->isNull() ? " IS NULL" : " = ?");
            if (rel) {
                const std::string& c = cols[eqCount];
                where += where.empty() ? "" : " AND ";
                if (rel == 2) where += c + " IS NULL";
                else if (vals[eqCount]->isNull()) where += c + " IS NOT NULL";
                else where += c + (forward ? " > ?" : " < ?");
            }
            st = prepare("SELECT " + selectList() + " FROM " + t.quoted + (where.empty() ? "" : " WHERE " + where) +
                         " ORDER BY " + orderBy(forward) + " LIMIT ?");
        } else {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
        int n = 1;
        for (size_t i = 0; i < eqCount; ++i)
            if (!vals[i]->isNull()) bind(st, n++, i);
        if (rel == 1 && !vals[eqCount]->isNull()) bind(st, n++, eqCount);
        sqlite3_bind_int64(st, n, int64_t(limit - got));
        collect(st, got);
    };
    if (inclusive) run(m, 0);
    for (size_t i = m; i-- > 0 && got < limit;) {
        if (forward) {
            run(i, 1);
        } else {
            if (!vals[i]->isNull()) run(i, 1);
            if (got < limit && !vals[i]->isNull()) run(i, 2);
        }
    }
    return install(got, forward);
}

std::string Recordset::selectList() const {
    std::string all = "rowid";
    for (auto& c : info_->cols) all += ", " + c;
    return all;
}

// Rows are read into scratch_, reusing its storage, and swapped into the window.
void Recordset::collect(sqlite3_stmt* st, size_t& got) {
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (got == scratch_.size()) scratch_.emplace_back();
        readRowInto(st, scratch_[got++]);
    }
    sqlite3_reset(st);  // never hold a read transaction between calls
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::InvalidStatement, std::string("Reading table '") + info_->name + "' failed: " + sqlite3_errmsg(db_->handle()));
    }
}

size_t Recordset::install(size_t n, bool forward) {
    if (n) {
        if (!forward) std::reverse(scratch_.begin(), scratch_.begin() + long(n));
        scratch_.resize(n);
        std::swap(window_, scratch_);
        moved_ = false;
        pos_ = forward ? 0 : window_.size() - 1;
        hasCurrent_ = true;
        deleted_ = false;
        bof_ = eof_ = false;
        windowVersion_ = currentVersion_ = info_->version->load();
    }
    return n;
}

void Recordset::bindValue(sqlite3_stmt* st, int n, const Value& v) const {
    if (v.isNull()) sqlite3_bind_null(st, n);
    else if (v.isInt()) sqlite3_bind_int64(st, n, v.intValue());
    else if (v.isDouble()) sqlite3_bind_double(st, n, v.doubleValue());
    else sqlite3_bind_text(st, n, v.text().data(), int(v.text().size()), SQLITE_STATIC);
}

void Recordset::readRowInto(sqlite3_stmt* st, Row& r) const {
    r.rowid = sqlite3_column_int64(st, 0);
    const size_t n = info_->fields.size();
    r.values.resize(n);
    const FieldDef* fields = info_->fields.data();
    Value* values = r.values.data();
    std::shared_ptr<Stored> odd;
    // A value whose stored type is not its field's is kept as stored, before
    // the reading below converts it.
    auto keep = [&](size_t i, int c) {
        if (!odd) odd = std::make_shared<Stored>();
        odd->values.emplace_back(int(i), sqlite3_value_dup(sqlite3_column_value(st, c)));
    };
    for (size_t i = 0; i < n; ++i) {
        const int c = int(i) + 1;
        Value& v = values[i];
        const int stored = sqlite3_column_type(st, c);
        if (stored == SQLITE_NULL) {
            v = Value();
            continue;
        }
        switch (fields[i].type) {
        case FieldType::Text:
        case FieldType::Memo: {
            if (stored != SQLITE_TEXT) keep(i, c);
            auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            if (p) v.assignText(p, size_t(sqlite3_column_bytes(st, c)));
            else v.assignText("", 0);  // an empty blob has no text
            break;
        }
        case FieldType::Byte:
        case FieldType::Integer:
        case FieldType::Long:
            if (stored != SQLITE_INTEGER) keep(i, c);
            v = Value(int64_t(sqlite3_column_int64(st, c)));
            break;
        default:
            if (stored != SQLITE_FLOAT &&
                (stored != SQLITE_INTEGER || std::llabs(sqlite3_column_int64(st, c)) > (int64_t(1) << 53)))
                keep(i, c);
            v = Value(sqlite3_column_double(st, c));
            break;
        }
    }
    if (odd || r.stored) r.stored = std::move(odd);
}

bool Recordset::windowValid() const { return windowVersion_ == info_->version->load(); }

void Recordset::checkExternal() {
    // Changes committed by another connection are seen from the next read on.
    int v = 0;
    sqlite3_file_control(db_->handle(), "main", SQLITE_FCNTL_DATA_VERSION, &v);
    if (v != info_->dataVersion) {
        if (info_->dataVersion != -1) ++*info_->version;
        info_->dataVersion = v;
    }
}

void Recordset::toEnd(bool forward) {
    hasCurrent_ = deleted_ = moved_ = false;
    window_.clear();
    if (forward) eof_ = true;
    else bof_ = true;
}

void Recordset::moveEnd(bool first) {
    checkOpen();
    editMode_ = EditMode::None;
    noMatch_ = false;
    checkExternal();
    batch_ = 16;
    size_t got = 0;
    sqlite3_stmt* st = stmt(first ? Q::First : Q::Last);
    sqlite3_bind_int64(st, 1, int64_t(batch_));
    collect(st, got);
    if (!install(got, first)) {
        toEnd(true);
        bof_ = true;
    }
}

void Recordset::moveFirst() {
    moveEnd(true);
    if (eof_) fail(err::NoCurrentRecord, "No current record: the table '" + info_->name + "' is empty.");
}

void Recordset::moveLast() {
    moveEnd(false);
    if (eof_) fail(err::NoCurrentRecord, "No current record: the table '" + info_->name + "' is empty.");
}

void Recordset::step(bool forward) {
    checkOpen();
    editMode_ = EditMode::None;
    if (forward ? eof_ : bof_) fail(err::NoCurrentRecord, "No current record.");
    if (!hasCurrent_ && !deleted_) {
        // Before the first row or after the last: the other end's first step.
        moveEnd(forward);
        return;
    }
    bool valid = windowValid();
    if (deleted_) {
        // The deleted row's neighbours are still in hand unless something changed.
        if (valid && (forward ? pos_ < window_.size() : pos_ > 0)) {
            if (!forward) --pos_;
            hasCurrent_ = true;
            deleted_ = false;
            currentVersion_ = windowVersion_;
            return;
        }
    } else if (valid && (forward ? pos_ + 1 < window_.size() : pos_ > 0)) {
        forward ? ++pos_ : --pos_;
        currentVersion_ = windowVersion_;
        moved_ = false;
        return;
    }
    size_t at = valid ? (forward ? window_.size() - 1 : 0) : pos_;
    Row from = deleted_ || (moved_ && at == pos_) ? anchor_ : window_[at];
    checkExternal();
    if (batch_ < 1024) batch_ *= 2;
    if (!fetchBeyond(keyOf(from), &from, forward, false, batch_)) toEnd(forward);
}

void Recordset::moveNext() { step(true); }
void Recordset::movePrevious() { step(false); }

int64_t Recordset::recordCount() {
    checkOpen();
    checkExternal();
    uint64_t v = info_->version->load();
    if (countCache_ >= 0 && countVersion_ == v) return countCache_;
    sqlite3_stmt* st = stmt(Q::Count);
    int rc = sqlite3_step(st);
    int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    if (rc != SQLITE_ROW) fail(err::Locked, "The table '" + info_->name + "' could not be counted.");
    countCache_ = n;
    countVersion_ = v;
    return n;
}

Value Recordset::convert(int field, const Value& v) const {
    const FieldDef& f = info_->fields[size_t(field)];
    if (v.isNull()) return v;
    if (isText(f.type)) {
        std::string s = v.isText() ? v.text() : v.toString();
        if (f.type == FieldType::Text && charCount(s) > size_t(f.size))
            fail(err::TooLong, "The text is too long for the field '" + f.name + "' (at most " + std::to_string(f.size) +
                                   " characters).");
        return Value(std::move(s));
    }
    double d;
    if (v.isText()) {
        if (!parseNumber(v.text(), d))
            fail(err::Conversion, "The value '" + v.text() + "' cannot be stored in the number field '" + f.name + "'.");
    } else {
        d = v.toDouble();
    }
    auto range = [&](double lo, double hi) {
        double r = std::nearbyint(d);
        if (!(r >= lo && r <= hi))
            fail(err::Conversion, "The value " + numberText(d) + " is out of range for the field '" + f.name + "'.");
        return Value(int64_t(r));
    };
    switch (f.type) {
    case FieldType::Byte: return range(0, 255);
    case FieldType::Integer: return range(-32768, 32767);
    case FieldType::Long: return range(double(INT32_MIN), double(INT32_MAX));
    case FieldType::Single:
        if (std::fabs(d) > 3.402823466e38)
            fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(double(float(d)));
    case FieldType::Currency: {
        if (std::fabs(d) > 922337203685477.0)
            fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(std::nearbyint(d * 10000.0) / 10000.0);
    }
    default:
        if (!std::isfinite(d)) fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(d);
    }
}

void Recordset::seek(SeekOp op, const std::vector<Value>& key) {
    checkOpen();
    if (indexNo_ < 0) fail(err::NoCurrentIndex, "Seek needs a current index on table '" + info_->name + "'.");
    if (key.empty() || key.size() > keyFields_.size())
        fail(err::InvalidArgument, "Seek was given " + std::to_string(key.size()) + " key values for index '" +
                                       indexName_ + "'.");
    editMode_ = EditMode::None;
    checkExternal();
    std::vector<Value> k;
    for (size_t i = 0; i < key.size(); ++i) {
        try {
            k.push_back(convert(keyFields_[i], key[i]));
        } catch (const DbError& e) {
            if (e.number() != err::TooLong) throw;
            k.push_back(key[i].isText() ? key[i] : Value(key[i].toString()));  // a longer key simply matches nothing
        }
    }
    bool forward = !(op == SeekOp::Lt || op == SeekOp::Le);
    bool inclusive = op == SeekOp::Eq || op == SeekOp::Ge || op == SeekOp::Le;
    batch_ = 16;
    // On no match the position is left where it was: nothing is installed.
    size_t found;
    if (op == SeekOp::Eq) {
        std::string key = "eq";
        for (auto& v : k) key += v.isNull() ? 'n' : 'v';
        auto& st = rangeStmts_[key];
        if (!st) {
            std::string where;
            for (size_t i = 0; i < k.size(); ++i)
                where += std::string(i ? " AND " : "") + info_->cols[size_t(keyFields_[i])] +
                         (k[i].isNull() ? " IS NULL" : " = ?");
            st = prepare("SELECT " + selectList() + " FROM " + info_->quoted + " WHERE " + where + " ORDER BY " +
                         orderBy(true) + " LIMIT ?");
        } else {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
        int n = 1;
        for (auto& v : k)
            if (!v.isNull()) bindValue(st, n++, v);
        sqlite3_bind_int64(st, n, int64_t(batch_));
        size_t got = 0;
        collect(st, got);
        found = install(got, true);
    } else {
        found = fetchBeyond(k, nullptr, forward, inclusive, batch_);
    }
    noMatch_ = found == 0;
}

void Recordset::refreshCurrent() {
    if (!hasCurrent_ || currentVersion_ == info_->version->load()) return;
    sqlite3_stmt* st = stmt(Q::ById);
    sqlite3_bind_int64(st, 1, window_[pos_].rowid);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        readRowInto(st, window_[pos_]);
        sqlite3_reset(st);
        currentVersion_ = info_->version->load();
    } else {
        sqlite3_reset(st);
        anchor_ = window_[pos_];
        deleted_ = true;
        hasCurrent_ = false;
    }
}

void Recordset::requireCurrent() const {
    if (deleted_) fail(err::RecordDeleted, "The record has been deleted.");
    if (!hasCurrent_) fail(err::NoCurrentRecord, "No current record.");
}

Value Recordset::get(int field) const {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ != EditMode::None) return buffer_.values[size_t(field)];
    const_cast<Recordset*>(this)->refreshCurrent();
    requireCurrent();
    return window_[pos_].values[size_t(field)];
}

void Recordset::set(int field, const Value& v) {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Edit or AddNew must come before a field is set.");
    buffer_.values[size_t(field)] = convert(field, v);
}

void Recordset::setText(int field, std::string_view text) {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Edit or AddNew must come before a field is set.");
    const FieldDef& f = info_->fields[size_t(field)];
    if (!isText(f.type)) {
        buffer_.values[size_t(field)] = convert(field, Value(text));
        return;
    }
    // No text has more characters than bytes: only a long one is counted.
    if (f.type == FieldType::Text && text.size() > size_t(f.size) && charCount(text) > size_t(f.size))
        fail(err::TooLong, "The text is too long for the field '" + f.name + "' (at most " + std::to_string(f.size) +
                               " characters).");
    Value& v = buffer_.values[size_t(field)];
    if (!v.isText() && size_t(field) < spare_.size()) v = Value(std::move(spare_[size_t(field)]));
    v.assignText(text.data(), text.size());
}

void Recordset::edit() {
    checkOpen();
    refreshCurrent();
    requireCurrent();
    buffer_ = window_[pos_];
    editMode_ = EditMode::Edit;
}

void Recordset::addNew() {
    checkOpen();
    buffer_.rowid = 0;
    buffer_.stored.reset();
    spare_.resize(info_->fields.size());
    for (size_t i = 0; i < info_->fields.size(); ++i) {
        Value& v = buffer_.values[i];
        if (v.isText() && !info_->fields[i].defaultValue.isText()) spare_[i] = v.takeText();
        v = info_->fields[i].defaultValue;
    }
    editMode_ = EditMode::Add;
}

void Recordset::cancelUpdate() {
    checkOpen();
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Update without AddNew or Edit.");
    editMode_ = EditMode::None;
}

void Recordset::update() {
    checkOpen();
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Update without AddNew or Edit.");
    for (size_t i = 0; i < info_->fields.size(); ++i) {
        const FieldDef& f = info_->fields[i];
        const Value& v = buffer_.values[i];
        if (isText(f.type) && !f.allowZeroLength && v.isText() && v.text().empty())
            fail(err::ZeroLength, "The field '" + f.name + "' cannot hold an empty text.");
    }
    db_->beginWrite();
    bool adding = editMode_ == EditMode::Add;
    sqlite3_stmt* st = stmt(adding ? Q::Insert : Q::Update);
    int n = 1;
    for (auto& v : buffer_.values) bindValue(st, n++, v);
    if (!adding) sqlite3_bind_int64(st, n, buffer_.rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        int ext = sqlite3_extended_errcode(db_->handle());
        if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
            fail(err::DuplicateKey, "The change would create a duplicate key in an index of table '" + info_->name + "'.");
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::WriteFailed, "The row could not be stored in table '" + info_->name + "': " + sqlite3_errmsg(db_->handle()) + ".");
    }
    uint64_t before = info_->version->load();
    ++*info_->version;
    countCache_ = -1;
    editMode_ = EditMode::None;
    if (adding) {
        lastModified_ = sqlite3_last_insert_rowid(db_->handle());
        // The window no longer shows every neighbour, but the current row is unchanged.
        if (hasCurrent_) currentVersion_ = info_->version->load();
    } else {
        lastModified_ = buffer_.rowid;
        // The row was written as read, converted: an odd stored key has changed.
        buffer_.stored.reset();
        const Row& old = window_[pos_];
        bool keyChanged = false;
        for (int f : keyFields_)
            if (!(old.values[size_t(f)] == buffer_.values[size_t(f)]) || (old.stored && old.stored->of(f)))
                keyChanged = true;
        bool wasValid = windowVersion_ == before;
        if (keyChanged && !moved_) {
            // The walk goes on from the row's old place in the index.
            anchor_ = window_[pos_];
            moved_ = true;
        }
        bool behind = keyChanged && compareKeys(buffer_, anchor_) < 0;
        window_[pos_] = std::move(buffer_);
        buffer_.values.assign(info_->fields.size(), Value());
        currentVersion_ = info_->version->load();
        if (wasValid && (!keyChanged || behind)) {
            // The rows we hold still follow the old place: a row that moved behind
            // the walk is not among them.
            windowVersion_ = currentVersion_;
        } else if (keyChanged) {
            windowVersion_ = 0;  // it may now lie ahead: read on from the old place
            batch_ = 16;
        }
    }
    db_->afterWrite();
}

void Recordset::deleteCurrent() {
    checkOpen();
    editMode_ = EditMode::None;
    refreshCurrent();
    requireCurrent();
    db_->beginWrite();
    sqlite3_stmt* st = stmt(Q::Delete);
    sqlite3_bind_int64(st, 1, window_[pos_].rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::WriteFailed, "The row could not be deleted from table '" + info_->name + "'.");
    }
    ++*info_->version;
    countCache_ = -1;
    if (!moved_) anchor_ = window_[pos_];
    moved_ = false;
    window_.erase(window_.begin() + long(pos_));  // pos_ now names the row that followed
    deleted_ = true;
    hasCurrent_ = false;
    // The rows before and after the deleted one stay neighbours.
    if (windowVersion_ + 1 == info_->version->load()) windowVersion_ = info_->version->load();
    db_->afterWrite();
}

int64_t Recordset::bookmark() const {
    requireCurrent();
    return window_[pos_].rowid;
}

void Recordset::setBookmark(int64_t bookmark) {
    checkOpen();
    editMode_ = EditMode::None;
    sqlite3_stmt* st = stmt(Q::ById);
    sqlite3_bind_int64(st, 1, bookmark);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(st);
        fail(err::RecordDeleted, "The record has been deleted.");
    }
    Row r;
    readRowInto(st, r);
    sqlite3_reset(st);
    window_.assign(1, std::move(r));
    pos_ = 0;
    hasCurrent_ = true;
    deleted_ = moved_ = false;
    bof_ = eof_ = false;
    windowVersion_ = 0;  // neighbours unknown
    currentVersion_ = info_->version->load();
}

}  // namespace qv::db
