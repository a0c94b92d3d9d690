#include "sortation/sortrun.h"

#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/suitetexts.h"
#include "platform/printer.h"
#include "sortation/planreport.h"

namespace qv::sortation {

namespace {

// The two steps; what they store is in the file when this returns (the
// line report saves its rows itself, before its files go into place).
void steps(db::Database& db, platform::Printer& printer, const RunHooks& hooks, RegionLookup& regions, RunResult& r) {
    PassHooks pass;
    pass.stopRequested = hooks.stopRequested;
    pass.pause = hooks.pause;
    // Once the pass re-codes or re-keys a record the last run's bags no longer
    // fit: the job is unsorted (bags empty) until step 2 has made them again,
    // so a cancel, a failure or a kill in between leaves the labels, the
    // merge file and the copy of the listing waiting for a run that finishes.
    pass.withChanges = [&db] { newfile(db, {}); };
    if (hooks.progress) pass.progress = [&](double p, bool last) { hooks.progress(1, p, last); };
    r.pass = allocate(db, r.keys, r.values, regions, pass);
    if (r.pass.stopped || (hooks.stopRequested && hooks.stopRequested())) {
        r.status = RunStatus::Cancelled;
        saveOrFail(db, "mmwork");  // the groups already re-coded stay so
        return;
    }

    if (hooks.reportStarting) hooks.reportStarting();
    // bags is made again with the keys it is made by and filled in one
    // transaction, which the line report commits before its files go into
    // place: a failure or a kill leaves the rows as they were (the earlier
    // run's, or none after a pass that changed records).
    db.beginTransaction();
    newfile(db, r.keys.kept);
    ReportHooks report;
    report.stopRequested = hooks.stopRequested;
    // The planning report follows the line report in the same document and ends it.
    if (hooks.following) report.following = hooks.following;
    else if (!hooks.lineReportAlone)
        report.following = [](const LineReportEnd& end) { planrep(end.db, end.stats, end.printer); };
    if (hooks.progress) report.progress = [&](double p, bool last) { hooks.progress(2, p, last); };
    r.report = linerep(db, printer, r.keys, r.values, r.totrecs, report);
    if (r.report.stopped) {
        db.rollback();
        r.status = RunStatus::Cancelled;
    }
}

}  // namespace

RunResult runSortation(db::Database& db, platform::Printer& printer, const RunHooks& hooks) {
    RunResult r;
    // Set-up: every failure here is the caller's to report.
    {
        const parm::ParmRecord parm(db);
        r.keys = JobKeys::read(parm);
    }
    // A job never imported (or cleaned up) has no mmwork, and one of no
    // addresses is no job either: the user is told what to run, as the
    // labels tell it, and the last Post Office files stay.
    std::unique_ptr<db::Recordset> work;
    try {
        work = db.openTable(jobtables::Mmwork);
    } catch (const db::DbError& e) {
        if (e.number() != db::err::TableNotFound) throw;
    }
    if (!work || work->recordCount() == 0) {
        r.status = RunStatus::Refused;
        r.refusal = texts::noAddresses("sort", "Apply Mailsort Codes");
        return r;
    }
    r.totrecs = double(work->recordCount());
    work.reset();
    r.regorder = getseq(db, r.keys.postcode);
    const BagValuesOrRefusal bag = bagValues(r.keys);
    if (!bag.values) {
        r.status = RunStatus::Refused;
        r.refusal = bag.refusal;
        return r;
    }
    r.values = *bag.values;
    RegionLookup regions(db, r.regorder);

    try {
        steps(db, printer, hooks, regions, r);
    } catch (const RunFailure& e) {
        // Nothing of it may pass for a finished run: what was not stored is
        // dropped, so that no later commit stores half of it.
        if (printer.documentOpen()) printer.killDoc();
        db.rollback();
        r.status = RunStatus::Failed;
        r.failure = std::string("The sortation could not be completed: ") + e.what();
    } catch (...) {
        // The caller reports it and may still write the run flags.
        if (printer.documentOpen()) printer.killDoc();
        if (db.isOpen()) db.rollback();
        throw;
    }
    return r;
}

}  // namespace qv::sortation
