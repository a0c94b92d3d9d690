// The layer's own parts, shared by its sources and by nothing else: the
// SQLite connection behind a Database, the cursor behind a Recordset, and
// the few helpers around SQLite's calls.
#pragma once

#include "common/db/database.h"
#include "common/db/filelock.h"
#include "common/db/schema.h"

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qv::db {

[[noreturn]] inline void fail(int number, const std::string& text) { throw DbError(number, text); }

// ASCII letters in lower case: table, field and index names.
std::string lower(std::string s);
std::string quoteId(const std::string& s);       // "name", quotes doubled
std::string quoteLiteral(const std::string& s);  // 'text', quotes doubled
std::string absolutePath(const std::string& p);
int64_t nowMs();

// A statement for one use.
struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const std::string& sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    operator sqlite3_stmt*() const { return s; }
};

// Runs statements; a failure raises errNumber (Locked when busy).
void execSql(sqlite3* db, const std::string& sql, int errNumber = err::InvalidStatement);

// An open database: its SQLite connection, its lock, the tables read so far
// and the state of its write transaction.
struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    OpenMode mode = OpenMode::Shared;
    std::unique_ptr<LockHandle> lock;
    std::map<std::string, std::shared_ptr<TableInfo>> tables;
    std::set<Cursor*> cursors;
    bool inWrite = false;
    bool explicitTx = false;
    int64_t writeStart = 0;

    void requireOpen() const;
    // The table as read once for this handle.
    std::shared_ptr<TableInfo> load(const std::string& name);
    void beginWrite();
    void afterWrite();  // commits when the interval has passed
    void commit();
    void commitNow();
    void buildIndex(TableInfo& t, size_t index);
    void buildIndexes();
};

// What a Recordset is: a window of rows read by one statement, positioned
// in the current index's order. See Recordset in database.h.
struct Cursor {
    Cursor(Connection& c, std::shared_ptr<TableInfo> info);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    const std::string& name() const;
    int fieldCount() const;
    int fieldIndex(const std::string& name) const;   // ItemNotFound if absent
    const FieldDef& fieldDef(int index) const;

    void setIndex(const std::string& name);          // "" for storage order
    const std::string& index() const { return indexName_; }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool noMatch() const { return noMatch_; }
    int64_t recordCount();

    void seek(SeekOp op, const std::vector<Value>& key);

    // Values of the current row, or of the row being edited or added.
    Value get(int field) const;
    // Checked and converted to the field's type; only while editing or adding.
    void set(int field, const Value& v);
    // The same for a text, taken straight into the row being stored: no
    // value is made and the row's storage is reused from row to row.
    void setText(int field, std::string_view text);

    void edit();
    void addNew();
    void update();
    void cancelUpdate();
    void deleteCurrent();
    bool editing() const { return editMode_ != EditMode::None; }

    int64_t bookmark() const;                // the current row's identity
    void setBookmark(int64_t bookmark);
    int64_t lastModified() const { return lastModified_; }

    void close();


    enum class EditMode { None, Edit, Add };
    struct Stored;
    struct Row {
        int64_t rowid = 0;
        std::vector<Value> values;
        // The values whose stored type is not the field's, exactly as stored
        // (null when there are none): a walk goes on from the key it read.
        std::shared_ptr<const Stored> stored;
    };
    enum class Q { First, Last, ById, Count, Insert, Update, Delete, N };
    sqlite3_stmt* stmt(Q q);
    sqlite3_stmt* prepare(const std::string& sql);
    std::string orderBy(bool asc) const;
    size_t fetchBeyond(const std::vector<Value>& pos, const Row* from, bool forward, bool inclusive, size_t limit);
    void collect(sqlite3_stmt* st, size_t& got);
    size_t install(size_t got, bool forward);
    void readRowInto(sqlite3_stmt* st, Row& r) const;
    std::string selectList() const;
    void bindValue(sqlite3_stmt* st, int n, const Value& v) const;
    std::vector<Value> keyOf(const Row& r) const;
    int compareKeys(const Row& a, const Row& b) const;
    void moveEnd(bool first);
    void step(bool forward);
    void toEnd(bool forward);
    bool windowValid() const;
    void checkExternal();
    void refreshCurrent();
    void requireCurrent() const;
    void checkOpen() const;
    Value convert(int field, const Value& v) const;
    void detach();

    Connection* conn_;
    std::shared_ptr<TableInfo> info_;
    std::string indexName_;
    int indexNo_ = -1;                    // into info_->indexes, -1 storage order
    std::vector<int> keyFields_;
    std::vector<sqlite3_stmt*> stmts_;
    std::map<std::string, sqlite3_stmt*> rangeStmts_;
    std::vector<Row> window_;             // consecutive rows in the current order
    std::vector<Row> scratch_;            // the next window, read into reused storage
    size_t pos_ = 0;
    bool hasCurrent_ = false;
    bool deleted_ = false;                // current row was deleted: move on from its key
    bool moved_ = false;                  // current row's key changed: move on from anchor_
    Row anchor_;                          // position to move on from when no row is current
    bool bof_ = true, eof_ = true, noMatch_ = false;
    uint64_t windowVersion_ = 0, currentVersion_ = 0;
    size_t batch_ = 16;
    EditMode editMode_ = EditMode::None;
    Row buffer_;
    std::vector<std::string> spare_;      // text storage of the last row added, for the next
    int64_t lastModified_ = 0;
    int64_t countCache_ = -1;
    uint64_t countVersion_ = 0;
    bool closed_ = false;
};

}  // namespace qv::db
