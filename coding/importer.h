// The import and coding of a customer's file into mmwork: the work table's
// re-creation, the layout row, the three readers and the coding of each
// record. Plain C++ over the database layer; the window drives it.
#pragma once

#include "coding/fixedcols.h"
#include "coding/postcode.h"
#include "coding/report.h"
#include "coding/splitters.h"
#include "common/db/database.h"
#include "common/layoutrow/layoutrow.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::coding {

// Drops mmwork and creates it again, empty, and drops the last job's bags, so
// that the new job counts as not sorted. A table that is not there is no
// failure; any other failure to drop it is raised, so that a new job is never
// appended to the old one.
void NewFile(db::Database& db);

// The layout row of the customer's file, as read from table data, and the
// row of data whose file is mailFile (or nothing).
using LayoutRow = layout::StoredLayout;
using layout::findLayout;
static_assert(layout::PartCount == PartCount);

// Why a reader ended the program.
struct ReaderFailure {
    // NotText, Empty: refused by the first look at the file (text/textfile.h);
    // Empty also when no line after the heading holds more than blanks.
    // NoAddresses: lines there are, but every field the layout reads is blank.
    // TextAfterEnd: an end-of-file mark (Ctrl-Z) on `line` with records after
    // it, which the import would pass over.
    enum class Kind { FileNotFound, NotRegularFile, NotText, Empty, NoAddresses, TextAfterEnd, Unexpected };
    Kind kind;
    std::string path;         // all but Unexpected: the file as named in MailFile
    int number = 0;           // Unexpected
    std::string description;  // Unexpected: includes where the import stopped
    std::uint64_t line = 0;   // TextAfterEnd
};

// The program's own failure numbers, those of the old runtime where it had one.
namespace failure {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int BadFileName = 52;
constexpr int DeviceIO = 57;
constexpr int PastEndOfFile = 62;
constexpr int FileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidUseOfNull = 94;
}  // namespace failure

// Lookups of the coding in pcode and cntytown by their PrimaryKey. The
// reference data does not change while a file is imported, so an answer
// already sought is given from memory (up to a fixed number of keys).
class ReferenceLookup {
public:
    explicit ReferenceLookup(db::Database& db);
    struct Row {
        db::Value code;  // pcode.mdsel or cntytown.mdres
        db::Value rreg;
    };
    // The pcode row of a postcode: sought with the outward key as it stands,
    // then lengthened to the 5-character form with the sector digit.
    const Row* sector(const std::string& outwardKey, char sectorDigit);
    // The cntytown row of a place key of 10 characters.
    const Row* place(const std::string& key);

private:
    struct Table {
        std::unique_ptr<db::Recordset> rs;
        int code = 0, rreg = 0;
        std::unordered_map<std::string, std::optional<Row>> memo;
        std::optional<Row> last;  // the answer when the memo is full
    };
    std::optional<Row> seek(Table& t, const std::string& key);
    // pcode by the outward key as it stands, then by the sector key.
    std::optional<Row> seekSector(const std::string& outwardKey, char sectorDigit);
    const Row* remember(Table& t, std::string memoKey, std::optional<Row> row);
    const Row* sectorSought(const std::string& outwardKey, char sectorDigit);
    Table pcode_, cntytown_;

    // Sector answers by outward key and digit packed into one number, in an
    // open-addressed table: one memory access for nearly every record.
    std::vector<std::uint64_t> packedKeys_;   // 0: a free slot
    std::vector<const Row*> packedRows_;      // nullptr: pcode has no row
    std::size_t packedUsed_ = 0;
    std::deque<Row> sectorRows_;
};

// The pcode key lengthened by the sector digit: the outward code as 4
// characters and the digit.
std::string sectorKey(const std::string& outwardKey, char sectorDigit);

// What the coding gives a record.
struct Coding {
    db::Value mscode;
    db::Value rscode = "";
    std::optional<db::Value> rgcode;   // unset when the address cannot be coded
    std::optional<double> seq;         // unset: stays as imported (0)
    char pcflag = 0;                   // 0: not set
};

// Codes one record (resreg): the postcode's sector from pcode, else a place
// from cntytown, else "1"; prints its report lines and counts it.
Coding resreg(const AddressFields& a, ReferenceLookup& ref, CodingReport& report, Counters& counters);

// One import run's readers over one database.
class Importer {
public:
    Importer(db::Database& db, CodingReport& report, Counters& counters);

    // Called every 10 records with the status text; the window yields there.
    void setStatusHandler(std::function<void(const std::string&)> h) { status_ = std::move(h); }
    // The stop flag, tested before each record.
    void setStopTest(std::function<bool()> t) { stopped_ = std::move(t); }

    // The three readers: type "A", "C" and "N". A failure is raised as
    // ReaderFailure; the rows added before it are the caller's to keep or drop.
    void doascii(const std::string& mailFile, const LayoutRow& layout);
    void docomma(const std::string& mailFile, const LayoutRow& layout);
    void donoquote(const std::string& mailFile, const LayoutRow& layout);

private:
    enum class Form { Fixed, Quoted, Plain };
    void read(Form form, const std::string& mailFile, const LayoutRow& layout);

    db::Database& db_;
    CodingReport& report_;
    Counters& counters_;
    std::function<void(const std::string&)> status_;
    std::function<bool()> stopped_;
};

// The fixed-column layout (strlen) and the delimited field numbers, checked
// as the readers take them; a fault is raised as ReaderFailure.
FixedLayout fixedLayout(const LayoutRow& layout);
FieldNumbers fieldNumbers(const LayoutRow& layout);

}  // namespace qv::coding
