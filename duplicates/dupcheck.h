// The duplicate check without widgets: cutting each record of the chosen
// file, its key, the look-up of an earlier record with the same key in the
// work database DupWork.mdb, the user's decision on each pair (asked through
// Decider, so a test answers from a table), and OUTPUT.CSV from the kept
// records.
#pragma once

#include "duplicates/keyfields.h"

#include "common/db/database.h"
#include "common/runhooks.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::duplicates {

// Field slots of a record in the work table CSV; fields beyond them are kept
// together in its field More.
inline constexpr int FieldSlots = 31;
inline constexpr std::size_t KeyLength = 1000;      // characters of a key
inline constexpr std::size_t KeyPartLength = 250;   // characters of each of its four parts

inline constexpr const char* WorkDatabase = "DupWork.mdb";
inline constexpr const char* OutputFile = "OUTPUT.CSV";

// The fields of one record, field 1 first; a field past the end is empty.
using Fields = std::vector<std::string>;

// SplitComma: a delimited record cut at its commas outside quotes; a doubled
// quote inside a quoted field is one quote. Every field is kept.
void SplitComma(std::string_view record, Fields& fields);
// SplitFixed: a fixed-column record cut into the layout's columns, each from
// its start through its end position; the last column (and the 30th) to the
// end of the record. A record shorter than a column's start gives it "".
void SplitFixed(std::string_view record, const FileLayout& layout, Fields& fields);
void splitRecord(std::string_view record, const FileLayout& layout, Fields& fields);

// The key's upper case: every letter by its one-for-one mapping, in any
// script ("łódź" and "ŁÓDŹ", Greek and Cyrillic names alike); a letter
// without one (ß) stays. Unlike the suite's ucase, which knows the letters
// of Windows-1252 only, since the checker's files are read as UTF-8.
std::string keyUpper(std::string_view s);

// BuildKey: the selected fields (selected[k] for field k + 1) in field order,
// in upper case (keyUpper), joined and cut to 1000 characters, every blank
// removed.
std::string BuildKey(const Fields& fields, const std::vector<bool>& selected);

using KeyParts = std::array<std::string, 4>;
// Characters 1-250, 251-500, 501-750 and 751-1000 of the key, as stored and
// sought: without trailing blanks, a part with no characters as one blank.
KeyParts keyParts(std::string_view key);

// The texts the decision dialog shows: each non-empty field followed by CR LF.
std::string NewText(const Fields& fields);

// The work database DupWork.mdb in the current folder, held exclusively, with
// its tables work (key parts by record number, index Key1 on the parts) and
// CSV (fields by record number, index Key1 on RecNum).
class DupWork {
public:
    // Opens DupWork.mdb exclusively; DbError (3024 when it is missing, 3045 or
    // 3356 when another program has it).
    static std::unique_ptr<DupWork> open();
    explicit DupWork(std::unique_ptr<db::Database> db) : db_(std::move(db)) {}

    // MakeTables: drops and re-creates work and CSV. A failing step (a missing
    // table cannot be dropped) throws DbError and leaves the later steps undone.
    void MakeTables();
    // Opens the table recordsets on work and CSV, each with index Key1.
    void openTables();

    // The first kept record whose key parts equal these (in Key1 order: the
    // lowest record number); 0 when there is none. A record found stays
    // current in both tables.
    int64_t seekKey(const KeyParts& parts);
    // OldText of the record that seekKey found.
    std::string OldText();
    // Deletes the record that seekKey found from CSV, then from work.
    void deleteFound();
    // AddRecord: the record under its number in both tables.
    void AddRecord(int64_t recNum, const KeyParts& parts, const Fields& fields);

    // The values of each kept record, in record-number order.
    void forEachKept(const std::function<void(int64_t recNum, const Fields& fields)>& visit);

    db::Database& database() { return *db_; }
    void commit() { db_->commit(); }

    static db::TableDef workDef();
    static db::TableDef csvDef();

private:
    void readFields(Fields& fields);
    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::Recordset> work_, csv_;
};

// The user's choice for a record whose key an earlier kept record has.
enum class Decision {
    LeaveBoth,       // "Leave Both Records in File", or the dialog closed
    DeleteNew,       // "Delete Record" beside the record just read
    DeleteEarlier,   // "Delete Record" beside the record already in the file
};

struct DuplicatePair {
    int64_t newRecord = 0;
    int64_t earlierRecord = 0;
    std::string newText;      // DupText1
    std::string earlierText;  // DupText2
};

class Decider {
public:
    virtual ~Decider() = default;
    virtual Decision decide(const DuplicatePair& pair) = 0;
};

// What the run reads from the key-field form.
struct CheckSetup {
    std::string path;              // the chosen file
    FileLayout layout;             // format, columns, number of list entries
    std::vector<bool> selected;    // per list entry
};

struct RunHooks {
    // The record counter: 1 at the start, then every tenth record number.
    std::function<void(int64_t nextRecord)> showRecord;
    // After each record: the user interface has its turn; false stops the run.
    std::function<bool()> goOn;
};

// Completed or Cancelled.
using RunEnd = run::Status;

// The run: every record of the file in turn, from its first line; keys,
// look-ups, decisions and the kept records in the tables. Throws
// std::system_error when the file cannot be read and DbError on a failing
// database.
RunEnd checkFile(DupWork& work, const CheckSetup& setup, Decider& decider, const RunHooks& hooks = {});

// WriteOutput's file: one line per kept record in record-number order, each
// value trimmed of blanks and in double quotes (inner quotes doubled), at
// least `listEntries` values a line (short records filled with ""), more when
// a record has more fields; CR LF line ends. Throws std::system_error when it
// cannot be written, leaving no part-written file in its place.
void writeOutput(DupWork& work, int listEntries, const std::filesystem::path& file);

// The whole job unattended: DupWork.mdb opened and its tables re-made, the
// run, and OUTPUT.CSV in the current folder when the run completes. Throws
// as the steps do (DbError, std::system_error).
RunEnd deduplicate(const CheckSetup& setup, Decider& decider, const RunHooks& hooks = {});

}  // namespace qv::duplicates
