#include "refimport/compaction.h"

#include "common/db/database.h"
#include "common/text/files.h"

#include <filesystem>

namespace qv::refimport {

namespace fs = std::filesystem;
using db::Database;
using db::DatabaseLock;
using db::DbError;

namespace {
constexpr const char* kDatabase = "mailsort.mdb";
constexpr const char* kBackup = "mailsort.bak";
}  // namespace

Compactor defaultCompactor() {
    return [](const std::string& source, const std::string& target) { Database::compact(source, target); };
}

bool compactThroughBackup(const Compactor& compact) {
    const std::string found = Database::resolve(kDatabase);
    if (found.empty()) return false;
    // The compacted file keeps the spelling the database had, so that every
    // program finds the same file (and the same lock) afterwards.
    const std::string name = fs::path(found).filename().string();
    std::unique_ptr<DatabaseLock> hold;
    try {
        hold = DatabaseLock::exclusive(found);
        Database::settle(found);
    } catch (const DbError&) {
        return false;
    }
    try {
        deleteFile(kBackup);
    } catch (const fs::filesystem_error&) {
    }
    try {
        renameFile(name, kBackup);
    } catch (const fs::filesystem_error&) {
        return false;
    }
    bool ok = true;
    try {
        compact("MAILSORT.bak", name);
        Database::open(name, db::OpenMode::Shared)->close();
    } catch (const DbError&) {
        ok = false;
    } catch (const fs::filesystem_error&) {
        ok = false;
    }
    if (!ok) {
        try {
            renameFile(kBackup, name);
        } catch (const fs::filesystem_error&) {
        }
        return false;
    }
    try {
        deleteFile(kBackup);
    } catch (const fs::filesystem_error&) {
    }
    return true;
}

}  // namespace qv::refimport
