// Compacting the database in place, through a backup, so that at every
// instant a complete database file exists under its own name.
//
// Under an exclusive hold kept throughout (no other program can open the file
// meanwhile): the write-ahead log is folded back into the closed file; the
// backup is made as a hard link to it (a copy where links are refused); the
// compacted database is written under a temporary name beside it, checked,
// flushed to the disk and renamed over the database in one step. A crash at
// any point leaves the old or the new database under its name, never neither,
// and never a file that needs a log beside it. Leftovers of a crashed run
// (the temporary file, the backup) are removed by the next one.
#pragma once

#include <functional>
#include <string>

namespace qv::db {

// Compacts the closed database `source` into the new file `target`.
using Compactor = std::function<void(const std::string& source, const std::string& target)>;
Compactor defaultCompactor();

// The points between the steps, in order.
enum class CompactionStep { Held, Settled, BackedUp, Written, Flushed, Replaced };

struct CompactionOptions {
    std::string database = "mailsort.mdb";
    std::string backup = "mailsort.bak";
    // The clean-up leaves the backup (the uncompacted file) for the user; the
    // reference import removes it once the compacted file is in place.
    bool keepBackup = false;
    Compactor compact = defaultCompactor();
    // Called after each step; tests stop or fail the compaction there.
    std::function<void(CompactionStep)> afterStep;
};

struct CompactionResult {
    bool compacted = false;
    // Why not, in the database's own words ("" when compacted).
    std::string failure;
};

// In the current folder. Fails without touching anything while another
// program has the database open, or when there is none.
CompactionResult compactThroughBackup(const CompactionOptions& options = {});

}  // namespace qv::db
