// Step 2 of the sortation: the Mailsort Line Report, one line per selection
// of mmwork in Key2 order, with the bags table's numbering, the Post Office
// files and the statistics of the job.
#pragma once

#include "common/db/database.h"
#include "sortation/jobkeys.h"
#include "sortation/runfailure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {
class CsvWriter;
}

namespace qv::platform {
class Printer;
}

namespace qv::sortation {

// The job's statistics, counted by the line report and read by the planning
// report that follows it.
struct Statistics {
    double procrecs = 0;   // addresses processed
    double pcmatch = 0;    // postcodes matched
    double townmatch = 0;  // post towns matched
    double nomatch = 0;    // addresses not matched (letter post)
    double outonly = 0;    // outward-only postcodes
    double fullpc = 0;     // full postcodes
    double dirsels = 0, ressels = 0;
    double diritems = 0, resitems = 0;
    double dirbags = 0, resbags = 0;
    double dirbund = 0, resbund = 0;
    bool operator==(const Statistics&) const = default;
};

// ---- Bags and bundles --------------------------------------------------------------

struct BagCount {
    double bags = 0;
    double bundles = 0;
};
// The bags of n items (n / bagitems rounded up) and their bundles: every bag
// but the last holds bagbundles bundles, the last one its items / bundleMax
// rounded up.
BagCount bagsAndBundles(double items, const BagValues& v);
// The bags alone (the letter post has no bundles).
double bagsOf(double items, std::int32_t bagitems);

// ---- The bags table's numbering -------------------------------------------------------

struct BagRow {
    double bagNumber = 0;
    std::optional<double> labelStart;    // not set on the letter-post row
    double labelNumber = 0;
    std::optional<double> bundleNumber;  // set only when bundle labels are printed
    double seq = 0;
    bool operator==(const BagRow&) const = default;
};

class BagNumbering {
public:
    // The parmcode texts of BagLab and BundleLab.
    BagNumbering(const std::string& bagLab, const std::string& bundleLab);
    // The row of a printed selection line, from the totals through the line
    // (resbund includes this line's bundles when it is a residue selection).
    BagRow selection(double cumItems, double cumBags, double resbund, double seq);
    // The letter-post row, after the letter-post bags are in cumBags.
    BagRow letterPost(double cumItems, double letterItems, double cumBags, double resbund, double seq) const;

private:
    bool bagLab_, bundleLab_;
    double nextBag_ = 1;
    double nextLabelStart_;
    double nextBundle_ = 0;
};

// ---- Printed lines --------------------------------------------------------------------

// A number in a right-aligned column; one wider than the column widens the
// line rather than losing digits.
std::string numberColumn(double n, std::size_t width = 6);
// The same for any figure already in text.
std::string rightIn(const std::string& text, std::size_t width);

struct SelectionLine {
    std::string code;
    std::string description;  // mdlab as stored
    double items = 0, cumItems = 0, bags = 0, cumBags = 0;
    std::string seqColumn;    // five characters: blanks, or the region position
};
std::string selectionLineText(const SelectionLine& l);
// The Seq# column: the region position as at least two digits, right-aligned in five.
std::string seqColumn(const db::Value& rgcode);
std::string letterPostLineText(double items, double cumItems, double bags, double cumBags, bool geographic);
std::string titleLine(const std::string& date, int page);
std::string formatName(const std::string& format);
extern const char* const ColumnHeading;
extern const char* const EndLine;

// ---- The Post Office files ------------------------------------------------------------

// A record's values: texts are quoted, numbers bare.
struct CsvField {
    std::string value;
    bool quoted = true;
};
using CsvRecord = std::vector<CsvField>;
CsvRecord pofileRecord(const std::string& code, double bags);
CsvRecord polineRecord(const SelectionLine& l);
CsvRecord polineLetterPostRecord(double items, double cumItems, double bags, double cumBags);
// Writes a record to one of the files, with its line end.
void writeRecord(CsvWriter& out, const CsvRecord& r);
// The leading digits of a selection code as a number (0 with none).
std::int32_t codeNumber(const std::string& code);

// ---- The report run ---------------------------------------------------------------------

// What the report that follows the line report in the same print document
// is handed: the document is open on a new page, and that report ends it.
struct LineReportEnd {
    db::Database& db;
    platform::Printer& printer;
    const JobKeys& keys;
    const BagValues& values;
    const Statistics& stats;
};
using FollowingReport = std::function<void(const LineReportEnd&)>;

struct ReportHooks {
    std::function<void(double percent, bool last)> progress;
    std::function<bool()> stopRequested;
    // When empty the line report ends the document itself.
    FollowingReport following;
};

struct ReportResult {
    bool stopped = false;
    Statistics stats;
    double lines = 0;                    // selection lines printed
    double dropped = 0;                  // selections without a label row
};

// newfile: drops and re-creates bags and the keys it is made by, stored as
// `kept` (none: the job is left unsorted); a missing table is no fault, a
// table that cannot be made is a RunFailure.
void newfile(db::Database& db, const jobtables::KeyValues& kept);

// linerep: prints the line report, fills bags and writes POFILE.DAT,
// POLINE.CSV and POADDR.CSV into the current folder. Each file replaces the
// earlier one only when it is complete: at the end of the report, before the
// report that follows ends the document; the transaction holding bags (if one
// is open) is committed just before. A cancelled report is abandoned: its
// document thrown away, its files never put in place, its transaction left
// open for the caller to roll back. A row, a file or a
// line that cannot be written, or mmwork that cannot be walked on, throws
// RunFailure at once; the files then keep their earlier contents.
ReportResult linerep(db::Database& db, platform::Printer& printer, const JobKeys& keys, const BagValues& values,
                     double totrecs, const ReportHooks& hooks);

}  // namespace qv::sortation
