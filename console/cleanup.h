// Clean-up of a finished job: the work tables, the work files, and the
// database compacted through the backup "mailsort.bak".
#pragma once

#include "common/db/compaction.h"

#include <string>

namespace qv::console {

struct CleanupResult {
    // The database could be opened; when not, nothing was changed.
    bool opened = false;
    int openError = 0;
    std::string openDescription;
    // Why the work tables could not be dropped ("" when they were, or were
    // not there); nothing further is then done.
    std::string dropFailure;
    // "mailsort.mdb" is a compacted copy and "mailsort.bak" the file before.
    bool compacted = false;
    std::string compactionFailure;
};

// Runs the clean-up in the current folder. The database is never left
// without a complete "mailsort.mdb"; every failure is in the result.
// `compact` stands in for the database's compaction in tests.
CleanupResult cleanUpWorkFiles(const db::Compactor& compact = db::defaultCompactor());

}  // namespace qv::console
