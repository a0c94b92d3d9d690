// The suite's database layer: shared and exclusive opens of one database file,
// table recordsets walked by an index with Seek, and the few DDL statements the
// programs run. Stored in SQLite; the behaviour callers rely on (error numbers,
// key comparison, record positioning) is the old engine's. See docs/architecture.md.
#pragma once

#include "common/db/value.h"

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv::db {

// Error numbers the programs act on. The description is ours.
namespace err {
constexpr int NoCurrentRecord = 3021;
constexpr int TableNotFound = 3011;
constexpr int ItemNotFound = 3265;      // no such field
constexpr int IndexNotFound = 3015;
constexpr int NoCurrentIndex = 3019;
constexpr int UpdateWithoutEdit = 3020;
constexpr int DuplicateKey = 3022;
constexpr int FileNotFound = 3024;
constexpr int FileInUse = 3045;         // exclusive open refused: others have it open
constexpr int ExclusivelyHeld = 3356;   // another program holds it exclusively
constexpr int CannotOpen = 3051;
constexpr int AmbiguousName = 3050;     // two files whose names differ only in case
constexpr int ReadOnlyDatabase = 3052;  // the file is read-only
constexpr int NotADatabase = 3049;     // not a database, or a damaged one
constexpr int TooLong = 3163;
constexpr int RecordDeleted = 3167;
constexpr int DatabaseExists = 3204;
constexpr int TableInUse = 3211;
constexpr int Locked = 3260;            // busy beyond the wait
constexpr int ZeroLength = 3315;
constexpr int DropMissingTable = 3376;
constexpr int TableExists = 3010;
constexpr int Conversion = 3421;
constexpr int InvalidStatement = 3129;
constexpr int InvalidArgument = 3001;
constexpr int WriteFailed = 3027;       // a commit that finally failed
}

class DbError : public std::runtime_error {
public:
    DbError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

// Refusals of a file whose description is the whole message to show: two
// files of one name, a read-only file, a file or lock file that cannot be
// opened or made (a folder the program may not write).
inline bool isFileRefusal(int number) {
    return number == err::AmbiguousName || number == err::ReadOnlyDatabase || number == err::CannotOpen;
}

// True for the two refusals that mean "held by another program".
inline bool isHeldElsewhere(int number) {
    return number == err::FileInUse || number == err::ExclusivelyHeld;
}

enum class FieldType { Byte, Integer, Long, Single, Double, Currency, Text, Memo };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Text;
    int size = 50;                   // Text: most characters
    bool allowZeroLength = true;     // Text: the empty text accepted
    bool exactCompare = false;       // Text: compare case- and blank-sensitively (paths)
    Value defaultValue;              // Null: no default
};

struct IndexDef {
    std::string name;
    std::vector<std::string> fields;
    bool unique = false;
    bool primary = false;            // a primary index is unique
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
};

enum class OpenMode { Shared, Exclusive };

class Recordset;
class BulkUpdate;
// The layer's own parts (common/db/internal.h).
struct Connection;
struct Cursor;
struct LockHandle;
struct BulkWriter;

// A hold on a database file by name, without opening it: the programs that
// rename or compact the database keep every other program out while they do.
class DatabaseLock {
public:
    // Resolves the name as Database::open does; refused like an exclusive open.
    static std::unique_ptr<DatabaseLock> exclusive(const std::string& path);
    ~DatabaseLock();
    const std::string& path() const { return path_; }

private:
    DatabaseLock() = default;
    friend class Database;
    std::string path_;
    std::unique_ptr<LockHandle> lock_;
};

class Database {
public:
    // Opens a database by its bare name in the current directory. The name is
    // matched without regard to case, trailing blanks ignored. A missing file
    // fails with FileNotFound; no file is ever created here.
    static std::unique_ptr<Database> open(const std::string& name, OpenMode mode = OpenMode::Shared);
    // Creates a new, empty database file; fails with DatabaseExists if there is one.
    static std::unique_ptr<Database> create(const std::string& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Table recordset; the table name matched without regard to case.
    std::unique_ptr<Recordset> openTable(const std::string& name);
    bool hasTable(const std::string& name);
    std::vector<std::string> tableNames();
    TableDef tableDef(const std::string& name);

    // Removes a table (name matched without regard to case): DropMissingTable
    // when there is none, TableInUse while a recordset has it open.
    void dropTable(const std::string& name);
    void createTable(const TableDef& def);

    // Makes every change so far durable in the file. Writes are grouped into
    // transactions; they are committed here, on close, before another program
    // is started (commitAll) and at a short interval while a run keeps writing.
    void commit();
    // Builds the indexes of new tables still waiting and commits: when it
    // returns, every change so far is in the file. A run that counts its rows
    // as stored calls this first; a failure is raised, never passed over.
    void save();
    void close();

    // One transaction for a group of changes that must be stored all or not
    // at all: no interval commits while it is open. rollback() drops every
    // change not yet committed; closing with a transaction open drops it too.
    void beginTransaction();
    // A commit that fails (a full disk, busy beyond the retries) rolls the
    // transaction back before raising: nothing of it is stored later. Only
    // when that rollback fails too does it stay open (inTransaction()).
    void commitTransaction();
    // Raises WriteFailed, the transaction still open, when the engine cannot
    // roll it back; with no transaction open it does nothing.
    void rollback();
    bool inTransaction() const;
    bool isOpen() const;
    OpenMode mode() const;
    const std::string& path() const;
    // Builds the indexes of new tables still waiting (as save() does) without
    // committing: inside a transaction, they are stored with it.
    void buildIndexes();

    // Rewrites chosen fields of many rows of one table (see BulkUpdate).
    std::unique_ptr<BulkUpdate> bulkUpdate(const std::string& table);

    // Commits every open database of this process; the first failure is raised
    // after the others have been tried.
    static void commitAll();
    // Longest time a group of writes stays uncommitted while writes go on.
    static void setCommitInterval(int milliseconds);

    // The file a name stands for: path's folder as given, its last part matched
    // without regard to case and trailing blanks; "" when there is none. Two
    // or more files that match are refused (AmbiguousName), so that every
    // program opens the same file under the same lock.
    static std::string resolve(const std::string& path);
    // Compacts a closed database into a new file (which must not exist).
    static void compact(const std::string& sourcePath, const std::string& targetPath);
    // Brings a closed database file to a self-contained state (a crash may have
    // left its journal beside it) so that it can be renamed or copied safely.
    static void settle(const std::string& path);
    // True when the file needs no log beside it: no journal or write-ahead
    // log with anything in it.
    static bool selfContained(const std::string& path);
    // Writes a compacted copy of a closed, settled database that the caller
    // holds exclusively into the new file targetPath; takes no lock itself
    // and leaves no file beside the source.
    static void vacuumInto(const std::string& sourcePath, const std::string& targetPath);

private:
    friend class BulkUpdate;
    Database();
    static std::unique_ptr<Database> openResolved(const std::string& path, OpenMode mode);

    std::unique_ptr<Connection> c_;
};

// A rewrite of some fields of many rows of one table, row by row by
// bookmark: the sortation stores a pass's new keys so. Only inside a
// transaction (beginTransaction), which the caller commits or rolls back:
// outside one, bulkUpdate() and every call on it raise InvalidArgument.
// Values are stored as given, unchecked: the caller gives each field a value
// of its type.
class BulkUpdate {
public:
    ~BulkUpdate();
    BulkUpdate(const BulkUpdate&) = delete;
    BulkUpdate& operator=(const BulkUpdate&) = delete;

    // Drops the table's built indexes over any of the fields now; finish()
    // makes them again, each sorted once instead of updated row by row.
    void suspendIndexesOver(const std::vector<std::string>& fields);
    // A list of fields that writes set, in order; gives its number.
    int fields(const std::vector<std::string>& names);
    // Sets the fields of a list in the row of a bookmark; a failed write
    // raises WriteFailed with the cause.
    void write(int list, int64_t bookmark, std::span<const Value> values);
    // Makes the suspended indexes again.
    void finish();

private:
    friend class Database;
    BulkUpdate(Connection& c, const std::string& table);
    std::unique_ptr<BulkWriter> w_;
};

enum class SeekOp { Eq, Lt, Le, Gt, Ge };
// "=", "<", "<=", ">", ">=" as the programs write them.
SeekOp seekOp(const std::string& text);

// A table recordset. Order without an index is storage order; with an index
// it is the index's key order, equal keys in storage order.
//
// After Update the updated row stays current. When the update changed the
// key of the current index, the next Move goes on from the row's old place:
// the rows that followed it still follow, so a walk that re-keys each row it
// passes meets every row once, unless a row was moved ahead of the walk, in
// which case it is met again there. After Delete there is no current row until a Move, and
// MoveNext reaches the row that followed the deleted one. After AddNew and
// Update the row that was current before AddNew stays current.
class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    const std::string& name() const;
    int fieldCount() const;
    int fieldIndex(const std::string& name) const;   // ItemNotFound if absent
    const FieldDef& fieldDef(int index) const;

    void setIndex(const std::string& name);          // "" for storage order
    const std::string& index() const;

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    bool bof() const;
    bool eof() const;
    bool noMatch() const;
    int64_t recordCount();

    void seek(SeekOp op, const std::vector<Value>& key);
    void seek(const std::string& op, const std::vector<Value>& key) { seek(seekOp(op), key); }
    void seek(const std::string& op, const Value& key) { seek(seekOp(op), std::vector<Value>{key}); }

    // Values of the current row, or of the row being edited or added.
    Value get(int field) const;
    Value get(const std::string& field) const { return get(fieldIndex(field)); }
    Value operator[](const std::string& field) const { return get(field); }
    // Checked and converted to the field's type; only while editing or adding.
    void set(int field, const Value& v);
    void set(const std::string& field, const Value& v) { set(fieldIndex(field), v); }
    // The same for a text, taken straight into the row being stored: no
    // value is made and the row's storage is reused from row to row.
    void setText(int field, std::string_view text);

    void edit();
    void addNew();
    void update();
    void cancelUpdate();
    void deleteCurrent();
    bool editing() const;

    int64_t bookmark() const;                // the current row's identity
    void setBookmark(int64_t bookmark);
    int64_t lastModified() const;

    void close();

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<Cursor> cursor);
    std::unique_ptr<Cursor> c_;
};

}  // namespace qv::db
