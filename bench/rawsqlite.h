// Raw SQLite for the benchmarks' baselines, on a connection set up as the
// database layer sets up its own (common/db/database.cpp): read-write in
// multi-thread mode (no connection mutex), a 5 s busy wait, and the layer's
// pragmas (512 MB page cache, 2 GB memory map, temporary data in memory,
// write-ahead log, synchronous=NORMAL). A baseline on other settings would
// measure the settings, not the layer.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace qv::bench {

inline sqlite3* openLikeTheLayer(const std::string& path, bool create = false) {
    sqlite3* h = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &h, flags, nullptr) != SQLITE_OK) {
        const std::string m = h ? sqlite3_errmsg(h) : "out of memory";
        sqlite3_close(h);
        throw std::runtime_error("cannot open " + path + ": " + m);
    }
    sqlite3_busy_timeout(h, 5000);
    if (sqlite3_exec(h,
                     "PRAGMA cache_size=-524288; PRAGMA mmap_size=2147483648; PRAGMA temp_store=MEMORY;"
                     " PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF;",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        const std::string m = sqlite3_errmsg(h);
        sqlite3_close(h);
        throw std::runtime_error("cannot set up " + path + ": " + m);
    }
    return h;
}

// Throws with SQLite's message unless rc is one of the good results.
inline void checkSqlite(int rc, sqlite3* h) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(h));
}

}  // namespace qv::bench
