// The sortation run without its windows: the plain entry point that the
// program's run window, the tests and the benchmark call.
//
// Set-up (parmcode, the region order, the bag values, the record count) comes
// first; a database failure there is raised as db::DbError, and job keys that
// cannot be bagged refuse the run before anything is changed. Then step 1,
// the allocation pass, and, unless it was stopped, step 2: bags re-created
// and the line report with the Post Office files. A cancel in either step
// keeps the Post Office files of the run before, and its bags unless the pass
// changed a record (they are then left empty: the job is not sorted). The run counts as
// finished only once the database has stored it (Database::save); anything
// that could not be stored or written makes it a failed run, its document
// thrown away.
#pragma once

#include "common/db/database.h"
#include "common/runhooks.h"
#include "sortation/jobkeys.h"
#include "sortation/linereport.h"
#include "sortation/sequencing.h"

#include <functional>
#include <string>

namespace qv::platform {
class Printer;
}

namespace qv::sortation {

struct RunHooks {
    // Step 2 begins (the window clears its bar and changes its texts).
    std::function<void()> reportStarting;
    // The current step's percentage, at a short interval and always at the
    // step's last record (last true).
    std::function<void(int step, double percent, bool last)> progress;
    // Tested before every record of both steps.
    run::StopRequested stopRequested;
    // Called now and then while step 1 writes what it decided (the window
    // stays responsive; a Cancel then keeps step 2 from starting).
    std::function<void()> pause;
    // The report printed after the line report into the same document, which
    // it ends; without one it is the planning report.
    FollowingReport following;
    // The line report alone, ending its document itself (tests of it).
    bool lineReportAlone = false;
};

using RunStatus = run::Status;

struct RunResult {
    RunStatus status = RunStatus::Completed;
    std::string refusal;   // Refused: the message for the user
    std::string failure;   // Failed: the message for the user
    JobKeys keys;
    BagValues values;
    std::string regorder;
    double totrecs = 0;
    PassResult pass;
    ReportResult report;   // empty unless step 2 ran
    // The job's statistics, for the planning report.
    const Statistics& stats() const { return report.stats; }
};

RunResult runSortation(db::Database& db, platform::Printer& printer, const RunHooks& hooks = {});

}  // namespace qv::sortation
