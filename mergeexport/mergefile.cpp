#include "mergeexport/mergefile.h"

#include "common/jobtables.h"
#include "common/text/csv.h"

#include <array>
#include <system_error>

namespace qv::mergeexport {

namespace {

constexpr std::array<const char*, 9> Headings = {"Name", "Address 1", "Address 2", "Address 3", "Town",
                                                 "County", "Postcode", "Reference", "Mailsort Code"};
constexpr std::array<const char*, 9> Fields = {"name", "address1", "address2", "address3", "town",
                                               "county", "postcode", "ref", "mscode"};

ExportResult failed(const db::DbError& e) {
    ExportResult r;
    r.status = ExportResult::Status::Failed;
    r.errorNumber = e.number();
    r.error = e.what();
    return r;
}

}  // namespace

ExportResult writeMergeFile(db::Database& db, const std::filesystem::path& file, const RowProgress& progress) {
    ExportResult result;
    try {
        // The file goes in place only at close(): a failure below leaves the
        // earlier file as it was, never a cut one under the final name.
        CsvWriter out(file, LineEnd::CRLF);
        // A job not yet sorted (the import drops the last job's bags), or
        // sorted by other keys than now, is in no label order the labels share.
        const jobtables::SortState sort = jobtables::sortState(db);
        if (!sort.sorted()) {
            out.close();
            result.status = sort.kind == jobtables::SortState::Kind::KeysChanged ? ExportResult::Status::KeysChanged
                                                                                 : ExportResult::Status::NotReady;
            if (!sort.changes.empty())
                result.error = "The job's keys have changed since it was sorted: " +
                               jobtables::changesText(sort.changes) +
                               ". Run Print PO Reports again, then create the merge file.";
            return result;
        }
        std::unique_ptr<db::Recordset> rs = db.openTable(jobtables::Mmwork);
        rs->setIndex("Key2");
        rs->moveFirst();
        const std::uint64_t total = std::uint64_t(rs->recordCount());
        std::array<int, Fields.size()> index{};
        for (std::size_t i = 0; i < Fields.size(); ++i) index[i] = rs->fieldIndex(Fields[i]);

        for (const char* h : Headings) out.quoted(h);
        out.endRecord();
        while (!rs->eof()) {
            for (int f : index) {
                const db::Value v = rs->get(f);
                if (v.isNull()) out.null();
                else out.quoted(v.toString());
            }
            out.endRecord();
            rs->moveNext();
            ++result.rows;
            if (progress && !progress(result.rows, total)) {
                result.status = ExportResult::Status::Cancelled;
                break;
            }
        }
        out.close();
    } catch (const db::DbError& e) {
        ExportResult r = failed(e);
        r.rows = result.rows;
        return r;
    } catch (const std::system_error& e) {
        result.status = ExportResult::Status::Failed;
        result.error = e.code().message();
        result.errorNumber = 0;
        return result;
    }
    return result;
}

ExportResult exportMergeFile(const RowProgress& progress) {
    std::unique_ptr<db::Database> db;
    try {
        db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
    } catch (const db::DbError& e) {
        return failed(e);
    }
    return writeMergeFile(*db, MergeFileName, progress);
}

}  // namespace qv::mergeexport
