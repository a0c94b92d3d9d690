// Clean-up of a finished job: the work tables, the work files, and the
// database compacted through the backup "mailsort.bak".
#pragma once

#include <functional>
#include <string>

namespace qv::console {

struct CleanupResult {
    // The database could be opened; when not, nothing was changed.
    bool opened = false;
    int openError = 0;
    std::string openDescription;
    // The database went to "mailsort.bak" (refused while another holds it).
    bool renamed = false;
    // "mailsort.mdb" is a compacted copy of the backup.
    bool compacted = false;
    // The compaction failed and the backup went back under the database's name.
    bool restored = false;
};

using CompactFunction = std::function<void(const std::string& source, const std::string& target)>;

// Runs the clean-up in the current folder. Once the database is open every
// further failure is passed over; the database is never left only as the
// backup. `compact` stands in for the database's compaction in tests.
CleanupResult cleanUpWorkFiles(const CompactFunction& compact = {});

}  // namespace qv::console
