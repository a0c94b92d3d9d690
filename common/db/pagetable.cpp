// A read-only sqlite_dbpage table (pgno, data, schema) for a shell whose
// library is built without it, as Debian's is: the shell's .recover reads
// every page of the file through it. Pages are read from the file as it
// lies on the disk, as a recovery wants them (a closed database of the suite
// has no log beside it). A write-ahead log with anything in it beside the
// file holds committed changes these pages lack: the table refuses then.
#include "common/db/pagetable.h"

#include <sys/stat.h>

#include <cstdio>

#include <string>
#include <vector>

SQLITE_EXTENSION_INIT3

namespace {
struct PageCursor {
    sqlite3_vtab_cursor base;
    sqlite3_int64 pgno = 1, last = 0;
    std::string schema = "main";
    sqlite3_file* file = nullptr;
    int pageSize = 0;
};
struct PageTable {
    sqlite3_vtab base;
    sqlite3* db;
};

// A recovery from the file alone would mix old pages with none of the
// changes the log holds (a program that crashed before closing): the
// refusal to give, or null when the log beside the file is absent or empty.
char* unfoldedLog(sqlite3* db, const char* schema) {
    const char* file = sqlite3_db_filename(db, schema);
    if (!file || !*file) return nullptr;
    const std::string log = std::string(file) + "-wal";
    struct stat st;
    if (::stat(log.c_str(), &st) != 0 || st.st_size == 0) return nullptr;
    const auto slash = log.find_last_of('/');
    const std::string name = slash == std::string::npos ? log : log.substr(slash + 1);
    return sqlite3_mprintf(
        "%s holds changes not yet in the database file: open the database once in the suite, or run "
        "PRAGMA wal_checkpoint(TRUNCATE), then recover",
        name.c_str());
}

int connect(sqlite3* db, void*, int argc, const char* const* argv, sqlite3_vtab** out, char** error) {
    // Refused here as well. The shell's .recover reads the pages through a
    // function of its own that passes on only the error's number, so the
    // reason is written where the user running it sees it, once.
    if (char* why = unfoldedLog(db, argc > 1 ? argv[1] : "main")) {
        static bool told = false;
        if (!told) std::fprintf(stderr, "%s\n", why);
        told = true;
        *error = why;
        return SQLITE_ERROR;
    }
    int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(pgno INTEGER PRIMARY KEY, data BLOB, schema HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    auto* t = new PageTable{};
    t->db = db;
    *out = &t->base;
    return SQLITE_OK;
}
int disconnect(sqlite3_vtab* v) {
    delete reinterpret_cast<PageTable*>(v);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int schema = -1, pgno = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        if (c.iColumn == 2) schema = i;
        if (c.iColumn == 0 || c.iColumn == -1) pgno = i;
    }
    int n = 0;
    info->idxNum = 0;
    // idxNum: 1 a schema is given, 2 a page; their values come in that order.
    if (schema >= 0) {
        info->aConstraintUsage[schema].argvIndex = ++n;
        info->aConstraintUsage[schema].omit = 1;
        info->idxNum |= 1;
    }
    if (pgno >= 0) {
        info->aConstraintUsage[pgno].argvIndex = ++n;
        info->aConstraintUsage[pgno].omit = 1;
        info->idxNum |= 2;
    }
    info->estimatedCost = pgno >= 0 ? 1.0 : 1000000.0;
    if (pgno >= 0) info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
    if (info->nOrderBy == 1 && info->aOrderBy[0].iColumn <= 0 && !info->aOrderBy[0].desc) info->orderByConsumed = 1;
    return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* c = new PageCursor{};
    *out = &c->base;
    return SQLITE_OK;
}
int close(sqlite3_vtab_cursor* c) {
    delete reinterpret_cast<PageCursor*>(c);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* vc, int idxNum, const char*, int, sqlite3_value** argv) {
    auto* c = reinterpret_cast<PageCursor*>(vc);
    auto* t = reinterpret_cast<PageTable*>(vc->pVtab);
    int a = 0;
    c->schema = "main";
    if (idxNum & 1) {
        const auto* s = sqlite3_value_text(argv[a++]);
        if (s) c->schema = reinterpret_cast<const char*>(s);
    }
    if (char* why = unfoldedLog(t->db, c->schema.c_str())) {
        sqlite3_free(t->base.zErrMsg);
        t->base.zErrMsg = why;
        c->pgno = 1, c->last = 0;
        return SQLITE_ERROR;
    }
    c->file = nullptr;
    if (sqlite3_file_control(t->db, c->schema.c_str(), SQLITE_FCNTL_FILE_POINTER, &c->file) != SQLITE_OK || !c->file ||
        !c->file->pMethods) {
        c->pgno = 1, c->last = 0;
        return SQLITE_OK;
    }
    // The page size as the file's header gives it (offset 16, 1 for 65536).
    unsigned char head[2] = {0, 0};
    c->file->pMethods->xRead(c->file, head, 2, 16);
    int size = head[0] << 8 | head[1];
    if (size == 1) size = 65536;
    if (size < 512 || size > 65536 || (size & (size - 1))) size = 4096;
    c->pageSize = size;
    sqlite3_int64 bytes = 0;
    c->file->pMethods->xFileSize(c->file, &bytes);
    c->last = (bytes + size - 1) / size;
    c->pgno = 1;
    if (idxNum & 2) {
        const sqlite3_int64 p = sqlite3_value_int64(argv[a]);
        if (p < 1 || p > c->last) c->pgno = 1, c->last = 0;
        else c->pgno = c->last = p;
    }
    return SQLITE_OK;
}
int next(sqlite3_vtab_cursor* vc) {
    ++reinterpret_cast<PageCursor*>(vc)->pgno;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* vc) {
    auto* c = reinterpret_cast<PageCursor*>(vc);
    return c->pgno > c->last;
}

int column(sqlite3_vtab_cursor* vc, sqlite3_context* ctx, int i) {
    auto* c = reinterpret_cast<PageCursor*>(vc);
    if (i == 0) sqlite3_result_int64(ctx, c->pgno);
    else if (i == 2) sqlite3_result_text(ctx, c->schema.c_str(), -1, SQLITE_TRANSIENT);
    else {
        std::vector<unsigned char> buf(size_t(c->pageSize), 0);
        int rc = c->file->pMethods->xRead(c->file, buf.data(), c->pageSize, (c->pgno - 1) * c->pageSize);
        if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) return rc;  // a short last page reads as zeros
        sqlite3_result_blob(ctx, buf.data(), c->pageSize, SQLITE_TRANSIENT);
    }
    return SQLITE_OK;
}
int rowid(sqlite3_vtab_cursor* vc, sqlite3_int64* r) {
    *r = reinterpret_cast<PageCursor*>(vc)->pgno;
    return SQLITE_OK;
}

// Eponymous only (no xCreate), read only (no xUpdate).
sqlite3_module module = {0, nullptr, connect, bestIndex, disconnect, nullptr, open, close, filter, next, eof, column, rowid};
}  // namespace

int addPageTable(sqlite3* db) {
    // The library's own, where it has one.
    sqlite3_stmt* st = nullptr;
    bool present = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_module_list WHERE name = 'sqlite_dbpage'", -1, &st, nullptr) ==
        SQLITE_OK)
        present = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return present ? SQLITE_OK : sqlite3_create_module(db, "sqlite_dbpage", &module, nullptr);
}
