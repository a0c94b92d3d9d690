// Step 1 of the sortation: the region order round the centre postcode, the
// region sort position of a code, and the allocation pass over mmwork in code
// order that sends too-small selections to residue and sets sort keys.
#pragma once

#include "common/db/database.h"
#include "sortation/jobkeys.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace qv::sortation {

// The two pcode keys of getseq: the sector key (the outward code padded to
// four characters and the sector digit) and the outward code. A postcode
// typed without its blank is split the way the job parameters split it.
struct CentreKeys {
    std::string sector;
    std::string outward;
};
CentreKeys centreKeys(const std::string& postcode);

// getseq: the region order (sequence.mdsorts) of the centre postcode's
// residue; empty when pcode or sequence has no row for it. A missing table is
// raised (DbError).
std::string getseq(db::Database& db, const std::string& postcode);

// getreg: the region sort position of a code, from region and the region
// order. Region rows are read once per code.
class RegionLookup {
public:
    RegionLookup(db::Database& db, std::string regorder);
    // The new rgcode of a record with this mscode, or nothing when it keeps
    // the one it has (the region order has no position for the region).
    std::optional<int> rgcode(const std::string& mscode);

private:
    std::unique_ptr<db::Recordset> region_;
    int mdreg_ = 0;
    std::string regorder_;
    std::unordered_map<std::string, std::optional<int>> memo_;
};

// The numeric value of a code, as the sort keys take it: the number at its
// start, 0 when there is none.
double codeValue(const std::string& code);

// Whether a complete group goes to residue (never the letter-post code "1").
bool goesToResidue(const std::string& code, double count, const JobKeys& keys, double minSelection);

struct PassHooks {
    // Called after each record with the step's percentage (the record
    // counter over the records of the job); `last` marks the final call.
    std::function<void(double percent, bool last)> progress;
    // Tested before each record.
    std::function<bool()> stopRequested;
    // Called now and then while the decided changes are written, after the walk.
    std::function<void()> pause;
    // Called inside the transaction that stores the changes, before it
    // commits: what must go with them is stored with them or not at all.
    std::function<void()> withChanges;
};

struct PassResult {
    bool stopped = false;
    double records = 0;       // records walked
    double recoded = 0;       // records sent to residue
    double failedSteps = 0;   // records left as they were (a code with no residue form)
    bool changed = false;     // some record's code or key was written
};

// The allocation pass over mmwork in Key1 order. Every record of a group that
// goes to residue is re-coded once: mscode its residue code, sflag "Y", seq
// the residue's key. Under geographic sequencing every record, and otherwise
// each record coded "1", gets its region position and a key by its region.
// The walk decides; the changes of the records it has passed (all of them,
// or those before a stop) are then written in one transaction. A walk that
// cannot move on, or changes that cannot be stored (none are then), throw
// RunFailure.
PassResult allocate(db::Database& db, const JobKeys& keys, const BagValues& values, RegionLookup& regions,
                    const PassHooks& hooks);

}  // namespace qv::sortation
