// The page table the sqlite3 shell's .recover needs, for the loadable
// extension only (common/db/keytextextension.cpp): added where the
// library has none.
#pragma once

#include <sqlite3ext.h>

int addPageTable(sqlite3* db);
