#include "common/db/internal.h"

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace qv::db {

std::string lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
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

std::string absolutePath(const std::string& p) {
    std::error_code ec;
    auto a = fs::absolute(fs::path(p), ec);
    return (ec ? fs::path(p) : a).lexically_normal().string();
}

Stmt::Stmt(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &s, nullptr) != SQLITE_OK)
        fail(err::InvalidStatement, std::string("Database statement failed: ") + sqlite3_errmsg(db));
}

Stmt::~Stmt() { sqlite3_finalize(s); }

void execSql(sqlite3* db, const std::string& sql, int errNumber) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        std::string m = msg ? msg : sqlite3_errstr(rc);
        sqlite3_free(msg);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The database is busy: " + m + ".");
        fail(errNumber, "Database operation failed: " + m + ".");
    }
}

}  // namespace qv::db
