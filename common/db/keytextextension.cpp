// The database's text collation as a SQLite loadable extension, so that the
// sqlite3 shell can check, read, dump and recover the suite's databases
// (with the page table that .recover reads, where the shell's library has none):
//     sqlite3 -cmd '.load <programs folder>/qvkeytext' mailsort.mdb
// The shell derives the entry point sqlite3_qvkeytext_init from the file name.
#include "common/db/collation.h"
#include "common/db/pagetable.h"

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

extern "C" __attribute__((visibility("default"))) int sqlite3_qvkeytext_init(sqlite3* db, char**,
                                                                            const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    int rc = sqlite3_create_collation(db, qv::db::kKeyTextCollation, SQLITE_UTF8, nullptr, qv::db::keyTextCollation);
    if (rc == SQLITE_OK) rc = addPageTable(db);
    if (rc != SQLITE_OK) return rc;
    // The shell's .recover copies the schema into connections of its own:
    // they get the collation too, and the library stays loaded for them.
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(sqlite3_qvkeytext_init));
    return SQLITE_OK_LOAD_PERMANENTLY;
}
