// The fixed-column layout wizard's working parts: the column ruler, the
// file's first records, the proposal of where each address part starts and
// how long it is, the texts those numbers cut from a sample record, and the
// row it stores.
#pragma once

#include "console/layouts/positionlimit.h"

#include "common/db/database.h"

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::console::wizard {

// The nine parts, in the order of the form's rows.
enum Part : int { Name, Add1, Add2, Add3, Town, County, Postcode1, Postcode2, Ref, PartCount };

struct PartValues {
    std::string shown;  // the text cut from the sample record
    int start = 0;      // 1-based column, 0 = absent
    int length = 0;     // characters
};
using Parts = std::array<PartValues, PartCount>;

// The part's name as its row's label shows it ("Address Line 1").
const char* partName(Part p);

// A start or length that the stored row cannot hold.
struct Refusal {
    std::string message;
    Part part;
    bool startBox;  // else the length box
};
// The first number beyond LastColumn, in row order and the start before the
// length; none when every number can be stored.
std::optional<Refusal> checkLimits(const Parts& parts);

// The two ruler lines above the records: the tens (190 columns, each number's
// last digit in its column) and "1234567890" twenty times.
std::string rulerTens();
std::string rulerUnits();

inline constexpr int RecordsShown = 7;

// The file could not be opened or read.
class FileUnreadable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The records box shows each record's first columns: as many as a layout
// can reach, and not a whole record of megabytes, which would take the box
// seconds to lay out.
inline constexpr int ShownColumns = int(LastColumn);

// A record as the records box shows it: its first ShownColumns characters,
// each control character and line or paragraph separator as a blank. A lone
// CR is part of its record, as the import reads it.
std::string shownRecord(const std::string& record);

// The file's first records, at most seven, as the records box shows them,
// and the first of them whole (empty for an empty file).
struct FirstRecords {
    std::vector<std::string> shown;
    std::string first;
};
// FileUnreadable when the file cannot be found, is not a plain file, or
// cannot be read.
FirstRecords firstRecords(const std::string& path);

// Record n (1 to 7) of the file, whole; none when the file has fewer. Reads
// no further than that record. FileUnreadable as above.
std::optional<std::string> readRecord(const std::string& path, int n);

// The proposal for a sample record: parts end at the first blank of a run of
// five or more, the record's last column is never scanned, lengths are the
// distance to the next part (cut to 45 for the name and address lines, 30
// for the town and county), and when no postcode was found the parts found
// move down so that the last of them becomes postcode 1.
Parts DoAscii(const std::string& record);

// Up to `length` characters of the record from column `start` (none when the
// start lies beyond its end).
std::string cut(const std::string& record, int start, int length);

// Every part with a start re-cuts its shown text from the record.
void ShowParts(const std::string& record, Parts& parts);

// Stores the layout over the first row of `data` in storage order (a new row
// when the table is empty): the eighteen numbers, the file, SkipFirst "N" and
// type "A"; other rows of the same file are removed, and parmcode MailFile
// names the file, all in one transaction. DbError on failure.
void applyLayout(db::Database& db, const std::string& file, const Parts& parts);

}  // namespace qv::console::wizard
