#include "console/cleanup.h"

#include "common/db/database.h"
#include "common/text/files.h"

#include <filesystem>
#include <memory>

namespace qv::console {

namespace {

constexpr const char* DatabaseName = "mailsort.mdb";
constexpr const char* BackupName = "mailsort.bak";

// Every spelling of the name goes: the sortation writes "POFILE.DAT", and a
// stale lower-case copy must not survive beside it.
void deleteEverySpelling(const char* name) {
    try {
        for (int i = 0; i < 16 && deleteFile(name); ++i) {
        }
    } catch (const std::exception&) {
    }
}

template <class F>
void ignoringErrors(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
    }
}

}  // namespace

CleanupResult cleanUpWorkFiles(const CompactFunction& compactFn) {
    CleanupResult r;
    std::unique_ptr<db::Database> db;
    try {
        db = db::Database::open(DatabaseName, db::OpenMode::Shared);
    } catch (const db::DbError& e) {
        r.openError = e.number();
        r.openDescription = e.description();
        return r;
    }
    r.opened = true;

    ignoringErrors([&] { db->execute("DROP TABLE[bags]"); });
    ignoringErrors([&] { db->execute("DROP TABLE[mmwork]"); });
    for (const char* f : {"dovodedod.dat", "quorvel.dat", "pofile.dat"}) deleteEverySpelling(f);
    ignoringErrors([&] { db->close(); });
    db.reset();

    // On this platform a file can be renamed under a program that still has
    // it open, whose later writes would then go into the backup: rename and
    // compact only while no other program can hold the database.
    std::unique_ptr<db::DatabaseLock> hold;
    ignoringErrors([&] { hold = db::DatabaseLock::exclusive(DatabaseName); });

    deleteEverySpelling(BackupName);
    if (!hold) return r;

    const std::string dbFile = std::filesystem::path(hold->path()).filename().string();
    ignoringErrors([&] {
        db::Database::settle(hold->path());
        renameFile(dbFile, BackupName);
        r.renamed = true;
    });
    if (!r.renamed) return r;

    // The compacted copy takes the database's own spelling, so that the hold
    // keeps covering it.
    try {
        const std::string backup = db::Database::resolve(BackupName);
        if (compactFn)
            compactFn(backup, dbFile);
        else
            db::Database::compact(backup, dbFile);
        r.compacted = true;
    } catch (const std::exception&) {
    }
    if (!r.compacted) {
        // Without this the suite would find no database at all.
        ignoringErrors([&] {
            renameFile(BackupName, dbFile);
            r.restored = true;
        });
    }
    return r;
}

}  // namespace qv::console
