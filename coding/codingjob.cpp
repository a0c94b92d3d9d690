#include "coding/codingjob.h"

#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/text/chars.h"

namespace qv::coding {

namespace {

// The run's one transaction: the last job's mmwork dropped, the new one made,
// filled and indexed, stored together or not at all. Whatever leaves the run
// without committing (a failure, an exception, the process killed) leaves
// mmwork as it was before.
class JobTransaction {
public:
    explicit JobTransaction(db::Database& db) : db_(db) {
        db_.beginTransaction();
        open_ = true;
    }
    ~JobTransaction() { abandon(); }
    JobTransaction(const JobTransaction&) = delete;
    JobTransaction& operator=(const JobTransaction&) = delete;

    // Builds the indexes of the new mmwork and commits; a failure is raised
    // with nothing stored.
    void commit() {
        try {
            {
                auto mm = db_.openTable(jobtables::Mmwork);
                for (const auto& index : jobtables::mmworkDef().indexes) mm->setIndex(index.name);
            }
            db_.commitTransaction();
            open_ = false;
        } catch (const db::DbError&) {
            abandon();
            throw;
        }
    }
    void abandon() {
        if (!open_) return;
        open_ = false;
        try {
            db_.rollback();
        } catch (const db::DbError&) {
        }
    }

private:
    db::Database& db_;
    bool open_ = false;
};

}  // namespace

JobResult runCodingJob(db::Database& db, CodingReport& report, Counters& counters, const JobOptions& options) {
    JobResult r;
    std::string company;
    try {
        parm::ParmRecord parm(db);
        r.mailFile = parm.text(parm::key::MailFile);
        company = parm.text(parm::key::CompanyName);
    } catch (const db::DbError&) {
    }

    // Looked up before the last job's work table is dropped: an import of
    // nothing must neither pass for a finished job nor cost the last one.
    if (trim(r.mailFile).empty()) {
        r.outcome = JobOutcome::NoMailFile;
        return r;
    }
    std::optional<LayoutRow> layout;
    try {
        layout = findLayout(db, r.mailFile);
    } catch (const db::DbError&) {
    }
    if (!layout) {
        r.outcome = JobOutcome::NoLayout;
        return r;
    }

    std::optional<JobTransaction> job;
    try {
        job.emplace(db);
        NewFile(db);
    } catch (const db::DbError& e) {
        job.reset();
        r.outcome = JobOutcome::WorkTableNotReplaced;
        r.detail = e.description();
        return r;
    }
    report.setCompany(company);
    report.setPrintAll(options.printAll);
    report.begin();

    Importer importer(db, report, counters);
    if (options.status) importer.setStatusHandler(options.status);
    const auto stopped = [&] { return options.stop && options.stop(); };
    importer.setStopTest(stopped);
    const std::string type = layout->type.isNull() ? std::string("\x01") : layout->type.toString();
    try {
        if (type == "A") {
            importer.doascii(r.mailFile, *layout);
        } else if (type == "C") {
            importer.docomma(r.mailFile, *layout);
        } else if (type == "N") {
            importer.donoquote(r.mailFile, *layout);
        } else if (type != "D") {  // "D" reads no file
            report.discard();
            // The new mmwork stays, empty: the layout, not the store, failed.
            try {
                job->commit();
            } catch (const db::DbError&) {
            }
            r.outcome = JobOutcome::IncorrectType;
            return r;
        }
    } catch (const ReaderFailure& f) {
        // Not one of the records read is kept, nor their lines.
        job.reset();
        report.discard();
        r.outcome = JobOutcome::ReaderFailed;
        r.failure = f;
        return r;
    }

    // A stopped run is a part of a file: it is given up as a failure is, so
    // that no later step takes it for the job.
    if (stopped()) {
        job.reset();
        report.discard();
        r.outcome = JobOutcome::Stopped;
        return r;
    }
    // The run counts as finished only once its rows are in the file: no
    // report is put in place for rows that were not stored.
    try {
        job->commit();
    } catch (const db::DbError& e) {
        report.discard();
        r.outcome = JobOutcome::NotStored;
        r.detail = e.description();
        return r;
    }
    if (!report.summary(counters)) {
        r.outcome = JobOutcome::NotPrinted;
        r.detail = report.printerError();
    }
    return r;
}

}  // namespace qv::coding
