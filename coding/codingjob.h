// The import and coding program's main job as one call: the customer's file
// that parmcode MailFile names is read by its layout row into a new mmwork,
// every address coded, and the coding report printed with its summary. The
// window, the tests and the benchmark all run it through here.
#pragma once

#include "coding/importer.h"
#include "coding/report.h"
#include "common/db/database.h"

#include <functional>
#include <optional>
#include <string>

namespace qv::coding {

struct JobOptions {
    bool printAll = true;                               // every record's line, or the summary alone
    std::function<void(const std::string&)> status;     // the progress text
    std::function<bool()> stop;                         // polled between records; true stops the run
};

enum class JobOutcome {
    Done,                  // every record imported; the summary printed
    Stopped,               // stopped by `stop`; mmwork as before, the report discarded
    NoMailFile,            // MailFile is empty; nothing changed
    NoLayout,              // no layout row for MailFile; nothing changed
    WorkTableNotReplaced,  // the last job's mmwork could not be dropped; nothing imported
    IncorrectType,         // the layout's type is none of D, A, C, N; mmwork is new and empty
    ReaderFailed,          // the file could not be read, or a row was refused; mmwork as before, the report discarded
    NotStored,             // the closing commit (or an index build) failed; mmwork as before, the report discarded
    NotPrinted,            // every row stored, but the report (or its summary) did not reach the printer
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Done;
    std::string mailFile;                   // as parmcode holds it
    std::string detail;                     // WorkTableNotReplaced, NotStored: the database's description;
                                            // NotPrinted: the printer's
    std::optional<ReaderFailure> failure;   // ReaderFailed
};

// Runs the job on an open database (the program holds it for its sole use).
// The last job's mmwork is replaced in one transaction, with no interval
// commits: the new table with its rows and indexes is stored at the end of the
// run (or at a stop) or not at all, so a failure, a crash or a kill leaves
// mmwork as it was before the run (the last job, or no table), never a part.
// Done means every row is committed and indexed in the file: the summary is
// printed only after that commit. A stop leaves mmwork as a failure does.
JobResult runCodingJob(db::Database& db, CodingReport& report, Counters& counters, const JobOptions& options = {});

}  // namespace qv::coding
