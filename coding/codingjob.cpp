#include "coding/codingjob.h"

#include "common/parm/parmrecord.h"
#include "common/text/chars.h"

namespace qv::coding {

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

    try {
        NewFile(db);
    } catch (const db::DbError& e) {
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
            r.outcome = JobOutcome::IncorrectType;
            return r;
        }
    } catch (const ReaderFailure& f) {
        // The lines of the records imported so far are printed; a header alone is not.
        if (counters.processed > 0) report.end();
        else report.discard();
        r.outcome = JobOutcome::ReaderFailed;
        r.failure = f;
        return r;
    }

    if (stopped()) {
        report.end();
        r.outcome = JobOutcome::Stopped;
        return r;
    }
    // The run counts as finished only once its rows are in the file: nothing
    // reports more records than were stored.
    try {
        db.save();
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
