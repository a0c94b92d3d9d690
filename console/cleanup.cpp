#include "console/cleanup.h"

#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/text/files.h"

#include <memory>

namespace qv::console {

namespace {

constexpr const char* DatabaseName = "mailsort.mdb";

// Every spelling of the name goes: the sortation writes "POFILE.DAT", and a
// stale lower-case copy must not survive beside it.
void deleteEverySpelling(const char* name) {
    try {
        for (int i = 0; i < 16 && deleteFile(name); ++i) {
        }
    } catch (const std::exception&) {
    }
}

}  // namespace

CleanupResult cleanUpWorkFiles(const db::Compactor& compactFn) {
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

    try {
        jobtables::dropSort(*db);
        jobtables::dropIfThere(*db, jobtables::Mmwork);
        db->close();
    } catch (const db::DbError& e) {
        r.dropFailure = e.description();
    }
    db.reset();
    if (!r.dropFailure.empty()) return r;
    for (const char* f : {"dovodedod.dat", "quorvel.dat", "pofile.dat", "mailsort.bak"}) deleteEverySpelling(f);

    db::CompactionOptions o;
    o.database = DatabaseName;
    o.keepBackup = true;
    o.compact = compactFn;
    const db::CompactionResult c = db::compactThroughBackup(o);
    r.compacted = c.compacted;
    r.compactionFailure = c.failure;
    return r;
}

}  // namespace qv::console
