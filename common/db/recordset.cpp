#include "common/db/collation.h"
#include "common/db/internal.h"
#include "common/text/chars.h"
#include "common/text/numtext.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace qv::db {

SeekOp seekOp(const std::string& text) {
    if (text == "=") return SeekOp::Eq;
    if (text == "<") return SeekOp::Lt;
    if (text == "<=") return SeekOp::Le;
    if (text == ">") return SeekOp::Gt;
    if (text == ">=") return SeekOp::Ge;
    fail(err::InvalidArgument, "Invalid Seek comparison '" + text + "'.");
}

Cursor::Cursor(Connection& c, std::shared_ptr<TableInfo> info) : conn_(&c), info_(std::move(info)) {
    stmts_.assign(size_t(Q::N), nullptr);
    conn_->cursors.insert(this);
    ++info_->openCount;
    buffer_.values.resize(info_->fields.size());
    try {
        moveEnd(true);
    } catch (...) {
        close();  // no destructor runs: unregister and finalize here
        throw;
    }
}

Cursor::~Cursor() { close(); }

void Cursor::detach() {
    for (auto*& s : stmts_) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    for (auto& [k, s] : rangeStmts_) sqlite3_finalize(s);
    rangeStmts_.clear();
    if (!closed_) --info_->openCount;
    closed_ = true;
}

void Cursor::close() {
    if (closed_) return;
    if (conn_->db) conn_->cursors.erase(this);
    detach();
}

void Cursor::checkOpen() const {
    if (closed_) fail(err::InvalidArgument, "The recordset is closed.");
}

const std::string& Cursor::name() const { return info_->name; }
int Cursor::fieldCount() const { return int(info_->fields.size()); }
const FieldDef& Cursor::fieldDef(int index) const { return info_->fields.at(size_t(index)); }

int Cursor::fieldIndex(const std::string& name) const {
    auto it = info_->byName.find(lower(name));
    if (it == info_->byName.end()) fail(err::ItemNotFound, "The field '" + name + "' is not in table '" + info_->name + "'.");
    return it->second;
}

void Cursor::setIndex(const std::string& name) {
    checkOpen();
    if (name.empty()) {
        indexNo_ = -1;
        keyFields_.clear();
        indexName_.clear();
    } else {
        std::string ln = lower(name);
        int found = -1;
        for (size_t i = 0; i < info_->indexes.size(); ++i)
            if (lower(info_->indexes[i].def.name) == ln) found = int(i);
        if (found < 0) fail(err::IndexNotFound, "'" + name + "' is not an index of table '" + info_->name + "'.");
        if (!info_->indexes[size_t(found)].createSql.empty()) conn_->buildIndex(*info_, size_t(found));
        indexNo_ = found;
        keyFields_ = info_->indexes[size_t(found)].fields;
        indexName_ = info_->indexes[size_t(found)].def.name;
    }
    for (auto*& s : stmts_) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    for (auto& [k, s] : rangeStmts_) sqlite3_finalize(s);
    rangeStmts_.clear();
    editMode_ = EditMode::None;
    moveEnd(true);
}

// Values read from a row whose stored type is not its field's: a text in a
// number field, a fraction in a whole-number field, a blob, a whole number
// too large for a double. The row's converted reading would place it
// elsewhere in the index, so the exact stored value is kept for paging.
struct Cursor::Stored {
    std::vector<std::pair<int, sqlite3_value*>> values;  // field, value
    Stored() = default;
    Stored(const Stored&) = delete;
    Stored& operator=(const Stored&) = delete;
    ~Stored() {
        for (auto& fv : values) sqlite3_value_free(fv.second);
    }
    sqlite3_value* of(int field) const {
        for (auto& fv : values)
            if (fv.first == field) return fv.second;
        return nullptr;
    }
};

namespace {
// A key value as the index orders it: Nulls, then numbers, texts, blobs.
struct KeyPart {
    int rank = 0;
    double number = 0;
    std::string_view bytes;
};

KeyPart keyPart(const Value& v, sqlite3_value* stored) {
    KeyPart k;
    if (stored) {
        switch (sqlite3_value_type(stored)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: k.rank = 1, k.number = sqlite3_value_double(stored); break;
        case SQLITE_TEXT:
            k.rank = 2;
            k.bytes = {reinterpret_cast<const char*>(sqlite3_value_text(stored)), size_t(sqlite3_value_bytes(stored))};
            break;
        case SQLITE_BLOB:
            k.rank = 3;
            k.bytes = {static_cast<const char*>(sqlite3_value_blob(stored)), size_t(sqlite3_value_bytes(stored))};
            break;
        default: break;
        }
    } else if (v.isText()) {
        k.rank = 2, k.bytes = v.text();
    } else if (v.isNumber()) {
        k.rank = 1, k.number = v.toDouble();
    }
    return k;
}
}  // namespace

// Order of two rows' keys in the current index, as the index orders them.
int Cursor::compareKeys(const Row& a, const Row& b) const {
    for (int f : keyFields_) {
        KeyPart x = keyPart(a.values[size_t(f)], a.stored ? a.stored->of(f) : nullptr);
        KeyPart y = keyPart(b.values[size_t(f)], b.stored ? b.stored->of(f) : nullptr);
        if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
        int c = 0;
        if (x.rank == 1) {
            c = x.number < y.number ? -1 : x.number > y.number ? 1 : 0;
        } else if (x.rank >= 2) {
            // A text field's collation; a number field holding a text compares bytes.
            const FieldDef& d = info_->fields[size_t(f)];
            if (x.rank == 2 && isText(d.type) && !d.exactCompare)
                c = keyTextCollation(nullptr, int(x.bytes.size()), x.bytes.data(), int(y.bytes.size()), y.bytes.data());
            else
                c = x.bytes.compare(y.bytes);
        }
        if (c) return c < 0 ? -1 : 1;
    }
    return 0;
}

std::vector<Value> Cursor::keyOf(const Row& r) const {
    std::vector<Value> k;
    k.reserve(keyFields_.size());
    for (int f : keyFields_) k.push_back(r.values[size_t(f)]);
    return k;
}

// Statements are prepared once per recordset and index.
sqlite3_stmt* Cursor::stmt(Q q) {
    size_t slot = size_t(q);
    if (stmts_[slot]) {
        sqlite3_reset(stmts_[slot]);
        sqlite3_clear_bindings(stmts_[slot]);
        return stmts_[slot];
    }
    const TableInfo& t = *info_;
    std::string all = selectList();
    std::string sql;
    switch (q) {
    case Q::First: sql = "SELECT " + all + " FROM " + t.quoted + " ORDER BY " + orderBy(true) + " LIMIT ?"; break;
    case Q::Last: sql = "SELECT " + all + " FROM " + t.quoted + " ORDER BY " + orderBy(false) + " LIMIT ?"; break;
    case Q::ById: sql = "SELECT " + all + " FROM " + t.quoted + " WHERE rowid = ?"; break;
    case Q::Count: sql = "SELECT count(*) FROM " + t.quoted; break;
    case Q::Insert: {
        std::string c, v;
        for (size_t i = 0; i < t.cols.size(); ++i) c += (i ? ", " : "") + t.cols[i], v += (i ? ", ?" : "?");
        sql = "INSERT INTO " + t.quoted + " (" + c + ") VALUES (" + v + ")";
        break;
    }
    case Q::Update: {
        std::string u;
        for (size_t i = 0; i < t.cols.size(); ++i) u += (i ? ", " : "") + t.cols[i] + " = ?";
        sql = "UPDATE " + t.quoted + " SET " + u + " WHERE rowid = ?";
        break;
    }
    case Q::Delete: sql = "DELETE FROM " + t.quoted + " WHERE rowid = ?"; break;
    default: break;
    }
    stmts_[slot] = prepare(sql);
    return stmts_[slot];
}

sqlite3_stmt* Cursor::prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(conn_->db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
        fail(err::InvalidStatement, std::string("Database statement failed: ") + sqlite3_errmsg(conn_->db));
    return s;
}

std::string Cursor::orderBy(bool asc) const {
    std::string o;
    for (int f : keyFields_) o += info_->cols[size_t(f)] + (asc ? " ASC, " : " DESC, ");
    return o + (asc ? "rowid ASC" : "rowid DESC");
}

// Rows beyond a position in the current order, nearest first. The position is
// a list of key values (a prefix of the index's fields, then optionally the
// rowid). The lexicographic comparison is split into ranges, each an equality
// prefix and one inequality, run from the nearest range outward: every range
// is a plain index range, and Nulls, which sort first, are handled exactly.
size_t Cursor::fetchBeyond(const std::vector<Value>& pos, const Row* from, bool forward, bool inclusive,
                              size_t limit) {
    const TableInfo& t = *info_;
    std::vector<std::string> cols;
    std::vector<const Value*> vals;
    // A row's odd values are bound as stored: paging from a converted
    // reading (a text read as 0) would start again from elsewhere.
    std::vector<sqlite3_value*> exact;
    for (size_t i = 0; i < pos.size(); ++i) {
        cols.push_back(t.cols[size_t(keyFields_[i])]);
        vals.push_back(&pos[i]);
        exact.push_back(from && from->stored ? from->stored->of(keyFields_[i]) : nullptr);
    }
    Value rid(from ? from->rowid : 0);
    if (from) cols.push_back("rowid"), vals.push_back(&rid), exact.push_back(nullptr);
    size_t m = cols.size();
    auto bind = [&](sqlite3_stmt* st, int n, size_t i) {
        if (exact[i]) sqlite3_bind_value(st, n, exact[i]);
        else bindValue(st, n, *vals[i]);
    };
    size_t got = 0;
    auto run = [&](size_t eqCount, int rel) {  // rel: 0 equal, 1 beyond (non-null), 2 beyond (null)
        std::string key(1, forward ? 'f' : 'b');
        key += char('0' + eqCount);
        key += char('0' + rel);
        for (size_t i = 0; i < eqCount; ++i) key += vals[i]->isNull() ? 'n' : 'v';
        if (rel) key += vals[eqCount]->isNull() ? 'n' : 'v';
        auto& st = rangeStmts_[key];
        if (!st) {
            std::string where;
            for (size_t i = 0; i < eqCount; ++i)
                where += (i ? " AND " : "") + cols[i] + (vals[i]->isNull() ? " IS NULL" : " = ?");
            if (rel) {
                const std::string& c = cols[eqCount];
                where += where.empty() ? "" : " AND ";
                if (rel == 2) where += c + " IS NULL";
                else if (vals[eqCount]->isNull()) where += c + " IS NOT NULL";
                else where += c + (forward ? " > ?" : " < ?");
            }
            st = prepare("SELECT " + selectList() + " FROM " + t.quoted + (where.empty() ? "" : " WHERE " + where) +
                         " ORDER BY " + orderBy(forward) + " LIMIT ?");
        } else {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
        int n = 1;
        for (size_t i = 0; i < eqCount; ++i)
            if (!vals[i]->isNull()) bind(st, n++, i);
        if (rel == 1 && !vals[eqCount]->isNull()) bind(st, n++, eqCount);
        sqlite3_bind_int64(st, n, int64_t(limit - got));
        collect(st, got);
    };
    if (inclusive) run(m, 0);
    for (size_t i = m; i-- > 0 && got < limit;) {
        if (forward) {
            run(i, 1);
        } else {
            if (!vals[i]->isNull()) run(i, 1);
            if (got < limit && !vals[i]->isNull()) run(i, 2);
        }
    }
    return install(got, forward);
}

std::string Cursor::selectList() const {
    std::string all = "rowid";
    for (auto& c : info_->cols) all += ", " + c;
    return all;
}

// Rows are read into scratch_, reusing its storage, and swapped into the window.
void Cursor::collect(sqlite3_stmt* st, size_t& got) {
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (got == scratch_.size()) scratch_.emplace_back();
        readRowInto(st, scratch_[got++]);
    }
    sqlite3_reset(st);  // never hold a read transaction between calls
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::InvalidStatement, std::string("Reading table '") + info_->name + "' failed: " + sqlite3_errmsg(conn_->db));
    }
}

size_t Cursor::install(size_t n, bool forward) {
    if (n) {
        if (!forward) std::reverse(scratch_.begin(), scratch_.begin() + long(n));
        scratch_.resize(n);
        std::swap(window_, scratch_);
        moved_ = false;
        pos_ = forward ? 0 : window_.size() - 1;
        hasCurrent_ = true;
        deleted_ = false;
        bof_ = eof_ = false;
        windowVersion_ = currentVersion_ = info_->version->load();
    }
    return n;
}

void Cursor::bindValue(sqlite3_stmt* st, int n, const Value& v) const {
    if (v.isNull()) sqlite3_bind_null(st, n);
    else if (v.isInt()) sqlite3_bind_int64(st, n, v.intValue());
    else if (v.isDouble()) sqlite3_bind_double(st, n, v.doubleValue());
    else sqlite3_bind_text(st, n, v.text().data(), int(v.text().size()), SQLITE_STATIC);
}

void Cursor::readRowInto(sqlite3_stmt* st, Row& r) const {
    r.rowid = sqlite3_column_int64(st, 0);
    const size_t n = info_->fields.size();
    r.values.resize(n);
    const FieldDef* fields = info_->fields.data();
    Value* values = r.values.data();
    std::shared_ptr<Stored> odd;
    // A value whose stored type is not its field's is kept as stored, before
    // the reading below converts it.
    auto keep = [&](size_t i, int c) {
        if (!odd) odd = std::make_shared<Stored>();
        odd->values.emplace_back(int(i), sqlite3_value_dup(sqlite3_column_value(st, c)));
    };
    for (size_t i = 0; i < n; ++i) {
        const int c = int(i) + 1;
        Value& v = values[i];
        const int stored = sqlite3_column_type(st, c);
        if (stored == SQLITE_NULL) {
            v = Value();
            continue;
        }
        switch (fields[i].type) {
        case FieldType::Text:
        case FieldType::Memo: {
            if (stored != SQLITE_TEXT) keep(i, c);
            auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            if (p) v.assignText(p, size_t(sqlite3_column_bytes(st, c)));
            else v.assignText("", 0);  // an empty blob has no text
            break;
        }
        case FieldType::Byte:
        case FieldType::Integer:
        case FieldType::Long:
            if (stored != SQLITE_INTEGER) keep(i, c);
            v = Value(int64_t(sqlite3_column_int64(st, c)));
            break;
        default:
            if (stored != SQLITE_FLOAT &&
                (stored != SQLITE_INTEGER || std::llabs(sqlite3_column_int64(st, c)) > (int64_t(1) << 53)))
                keep(i, c);
            v = Value(sqlite3_column_double(st, c));
            break;
        }
    }
    if (odd || r.stored) r.stored = std::move(odd);
}

bool Cursor::windowValid() const { return windowVersion_ == info_->version->load(); }

void Cursor::checkExternal() {
    // Changes committed by another connection are seen from the next read on.
    int v = 0;
    sqlite3_file_control(conn_->db, "main", SQLITE_FCNTL_DATA_VERSION, &v);
    if (v != info_->dataVersion) {
        if (info_->dataVersion != -1) ++*info_->version;
        info_->dataVersion = v;
    }
}

void Cursor::toEnd(bool forward) {
    hasCurrent_ = deleted_ = moved_ = false;
    window_.clear();
    if (forward) eof_ = true;
    else bof_ = true;
}

void Cursor::moveEnd(bool first) {
    checkOpen();
    editMode_ = EditMode::None;
    noMatch_ = false;
    checkExternal();
    batch_ = 16;
    size_t got = 0;
    sqlite3_stmt* st = stmt(first ? Q::First : Q::Last);
    sqlite3_bind_int64(st, 1, int64_t(batch_));
    collect(st, got);
    if (!install(got, first)) {
        toEnd(true);
        bof_ = true;
    }
}

void Cursor::moveFirst() {
    moveEnd(true);
    if (eof_) fail(err::NoCurrentRecord, "No current record: the table '" + info_->name + "' is empty.");
}

void Cursor::moveLast() {
    moveEnd(false);
    if (eof_) fail(err::NoCurrentRecord, "No current record: the table '" + info_->name + "' is empty.");
}

void Cursor::step(bool forward) {
    checkOpen();
    editMode_ = EditMode::None;
    if (forward ? eof_ : bof_) fail(err::NoCurrentRecord, "No current record.");
    if (!hasCurrent_ && !deleted_) {
        // Before the first row or after the last: the other end's first step.
        moveEnd(forward);
        return;
    }
    bool valid = windowValid();
    if (deleted_) {
        // The deleted row's neighbours are still in hand unless something changed.
        if (valid && (forward ? pos_ < window_.size() : pos_ > 0)) {
            if (!forward) --pos_;
            hasCurrent_ = true;
            deleted_ = false;
            currentVersion_ = windowVersion_;
            return;
        }
    } else if (valid && (forward ? pos_ + 1 < window_.size() : pos_ > 0)) {
        forward ? ++pos_ : --pos_;
        currentVersion_ = windowVersion_;
        moved_ = false;
        return;
    }
    size_t at = valid ? (forward ? window_.size() - 1 : 0) : pos_;
    Row from = deleted_ || (moved_ && at == pos_) ? anchor_ : window_[at];
    checkExternal();
    if (batch_ < 1024) batch_ *= 2;
    if (!fetchBeyond(keyOf(from), &from, forward, false, batch_)) toEnd(forward);
}

void Cursor::moveNext() { step(true); }
void Cursor::movePrevious() { step(false); }

int64_t Cursor::recordCount() {
    checkOpen();
    checkExternal();
    uint64_t v = info_->version->load();
    if (countCache_ >= 0 && countVersion_ == v) return countCache_;
    sqlite3_stmt* st = stmt(Q::Count);
    int rc = sqlite3_step(st);
    int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    if (rc != SQLITE_ROW) fail(err::Locked, "The table '" + info_->name + "' could not be counted.");
    countCache_ = n;
    countVersion_ = v;
    return n;
}

Value Cursor::convert(int field, const Value& v) const {
    const FieldDef& f = info_->fields[size_t(field)];
    if (v.isNull()) return v;
    if (isText(f.type)) {
        std::string s = v.isText() ? v.text() : v.toString();
        if (f.type == FieldType::Text && charLength(s) > size_t(f.size))
            fail(err::TooLong, "The text is too long for the field '" + f.name + "' (at most " + std::to_string(f.size) +
                                   " characters).");
        return Value(std::move(s));
    }
    double d;
    if (v.isText()) {
        if (!parseNumber(v.text(), d))
            fail(err::Conversion, "The value '" + v.text() + "' cannot be stored in the number field '" + f.name + "'.");
    } else {
        d = v.toDouble();
    }
    auto range = [&](double lo, double hi) {
        double r = std::nearbyint(d);
        if (!(r >= lo && r <= hi))
            fail(err::Conversion, "The value " + numberText(d) + " is out of range for the field '" + f.name + "'.");
        return Value(int64_t(r));
    };
    switch (f.type) {
    case FieldType::Byte: return range(0, 255);
    case FieldType::Integer: return range(-32768, 32767);
    case FieldType::Long: return range(double(INT32_MIN), double(INT32_MAX));
    case FieldType::Single:
        if (std::fabs(d) > 3.402823466e38)
            fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(double(float(d)));
    case FieldType::Currency: {
        if (std::fabs(d) > 922337203685477.0)
            fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(std::nearbyint(d * 10000.0) / 10000.0);
    }
    default:
        if (!std::isfinite(d)) fail(err::Conversion, "The value is out of range for the field '" + f.name + "'.");
        return Value(d);
    }
}

void Cursor::seek(SeekOp op, const std::vector<Value>& key) {
    checkOpen();
    if (indexNo_ < 0) fail(err::NoCurrentIndex, "Seek needs a current index on table '" + info_->name + "'.");
    if (key.empty() || key.size() > keyFields_.size())
        fail(err::InvalidArgument, "Seek was given " + std::to_string(key.size()) + " key values for index '" +
                                       indexName_ + "'.");
    editMode_ = EditMode::None;
    checkExternal();
    std::vector<Value> k;
    for (size_t i = 0; i < key.size(); ++i) {
        try {
            k.push_back(convert(keyFields_[i], key[i]));
        } catch (const DbError& e) {
            if (e.number() != err::TooLong) throw;
            k.push_back(key[i].isText() ? key[i] : Value(key[i].toString()));  // a longer key simply matches nothing
        }
    }
    bool forward = !(op == SeekOp::Lt || op == SeekOp::Le);
    bool inclusive = op == SeekOp::Eq || op == SeekOp::Ge || op == SeekOp::Le;
    batch_ = 16;
    // On no match the position is left where it was: nothing is installed.
    size_t found;
    if (op == SeekOp::Eq) {
        std::string key = "eq";
        for (auto& v : k) key += v.isNull() ? 'n' : 'v';
        auto& st = rangeStmts_[key];
        if (!st) {
            std::string where;
            for (size_t i = 0; i < k.size(); ++i)
                where += std::string(i ? " AND " : "") + info_->cols[size_t(keyFields_[i])] +
                         (k[i].isNull() ? " IS NULL" : " = ?");
            st = prepare("SELECT " + selectList() + " FROM " + info_->quoted + " WHERE " + where + " ORDER BY " +
                         orderBy(true) + " LIMIT ?");
        } else {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
        int n = 1;
        for (auto& v : k)
            if (!v.isNull()) bindValue(st, n++, v);
        sqlite3_bind_int64(st, n, int64_t(batch_));
        size_t got = 0;
        collect(st, got);
        found = install(got, true);
    } else {
        found = fetchBeyond(k, nullptr, forward, inclusive, batch_);
    }
    noMatch_ = found == 0;
}

void Cursor::refreshCurrent() {
    if (!hasCurrent_ || currentVersion_ == info_->version->load()) return;
    sqlite3_stmt* st = stmt(Q::ById);
    sqlite3_bind_int64(st, 1, window_[pos_].rowid);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        readRowInto(st, window_[pos_]);
        sqlite3_reset(st);
        currentVersion_ = info_->version->load();
    } else {
        sqlite3_reset(st);
        anchor_ = window_[pos_];
        deleted_ = true;
        hasCurrent_ = false;
    }
}

void Cursor::requireCurrent() const {
    if (deleted_) fail(err::RecordDeleted, "The record has been deleted.");
    if (!hasCurrent_) fail(err::NoCurrentRecord, "No current record.");
}

Value Cursor::get(int field) const {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ != EditMode::None) return buffer_.values[size_t(field)];
    const_cast<Cursor*>(this)->refreshCurrent();
    requireCurrent();
    return window_[pos_].values[size_t(field)];
}

void Cursor::set(int field, const Value& v) {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Edit or AddNew must come before a field is set.");
    buffer_.values[size_t(field)] = convert(field, v);
}

void Cursor::setText(int field, std::string_view text) {
    checkOpen();
    if (field < 0 || size_t(field) >= info_->fields.size()) fail(err::ItemNotFound, "No such field.");
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Edit or AddNew must come before a field is set.");
    const FieldDef& f = info_->fields[size_t(field)];
    if (!isText(f.type)) {
        buffer_.values[size_t(field)] = convert(field, Value(text));
        return;
    }
    // No text has more characters than bytes: only a long one is counted.
    if (f.type == FieldType::Text && text.size() > size_t(f.size) && charLength(text) > size_t(f.size))
        fail(err::TooLong, "The text is too long for the field '" + f.name + "' (at most " + std::to_string(f.size) +
                               " characters).");
    Value& v = buffer_.values[size_t(field)];
    if (!v.isText() && size_t(field) < spare_.size()) v = Value(std::move(spare_[size_t(field)]));
    v.assignText(text.data(), text.size());
}

void Cursor::edit() {
    checkOpen();
    refreshCurrent();
    requireCurrent();
    buffer_ = window_[pos_];
    editMode_ = EditMode::Edit;
}

void Cursor::addNew() {
    checkOpen();
    buffer_.rowid = 0;
    buffer_.stored.reset();
    spare_.resize(info_->fields.size());
    for (size_t i = 0; i < info_->fields.size(); ++i) {
        Value& v = buffer_.values[i];
        if (v.isText() && !info_->fields[i].defaultValue.isText()) spare_[i] = v.takeText();
        v = info_->fields[i].defaultValue;
    }
    editMode_ = EditMode::Add;
}

void Cursor::cancelUpdate() {
    checkOpen();
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Update without AddNew or Edit.");
    editMode_ = EditMode::None;
}

void Cursor::update() {
    checkOpen();
    if (editMode_ == EditMode::None) fail(err::UpdateWithoutEdit, "Update without AddNew or Edit.");
    for (size_t i = 0; i < info_->fields.size(); ++i) {
        const FieldDef& f = info_->fields[i];
        const Value& v = buffer_.values[i];
        if (isText(f.type) && !f.allowZeroLength && v.isText() && v.text().empty())
            fail(err::ZeroLength, "The field '" + f.name + "' cannot hold an empty text.");
    }
    conn_->beginWrite();
    bool adding = editMode_ == EditMode::Add;
    sqlite3_stmt* st = stmt(adding ? Q::Insert : Q::Update);
    int n = 1;
    for (auto& v : buffer_.values) bindValue(st, n++, v);
    if (!adding) sqlite3_bind_int64(st, n, buffer_.rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        int ext = sqlite3_extended_errcode(conn_->db);
        if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
            fail(err::DuplicateKey, "The change would create a duplicate key in an index of table '" + info_->name + "'.");
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::WriteFailed, "The row could not be stored in table '" + info_->name + "': " + sqlite3_errmsg(conn_->db) + ".");
    }
    uint64_t before = info_->version->load();
    ++*info_->version;
    countCache_ = -1;
    editMode_ = EditMode::None;
    if (adding) {
        lastModified_ = sqlite3_last_insert_rowid(conn_->db);
        // The window no longer shows every neighbour, but the current row is unchanged.
        if (hasCurrent_) currentVersion_ = info_->version->load();
    } else {
        lastModified_ = buffer_.rowid;
        // The row was written as read, converted: an odd stored key has changed.
        buffer_.stored.reset();
        const Row& old = window_[pos_];
        bool keyChanged = false;
        for (int f : keyFields_)
            if (!(old.values[size_t(f)] == buffer_.values[size_t(f)]) || (old.stored && old.stored->of(f)))
                keyChanged = true;
        bool wasValid = windowVersion_ == before;
        if (keyChanged && !moved_) {
            // The walk goes on from the row's old place in the index.
            anchor_ = window_[pos_];
            moved_ = true;
        }
        bool behind = keyChanged && compareKeys(buffer_, anchor_) < 0;
        window_[pos_] = std::move(buffer_);
        buffer_.values.assign(info_->fields.size(), Value());
        currentVersion_ = info_->version->load();
        if (wasValid && (!keyChanged || behind)) {
            // The rows we hold still follow the old place: a row that moved behind
            // the walk is not among them.
            windowVersion_ = currentVersion_;
        } else if (keyChanged) {
            windowVersion_ = 0;  // it may now lie ahead: read on from the old place
            batch_ = 16;
        }
    }
    conn_->afterWrite();
}

void Cursor::deleteCurrent() {
    checkOpen();
    editMode_ = EditMode::None;
    refreshCurrent();
    requireCurrent();
    conn_->beginWrite();
    sqlite3_stmt* st = stmt(Q::Delete);
    sqlite3_bind_int64(st, 1, window_[pos_].rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) fail(err::Locked, "The table '" + info_->name + "' is locked.");
        fail(err::WriteFailed, "The row could not be deleted from table '" + info_->name + "'.");
    }
    ++*info_->version;
    countCache_ = -1;
    if (!moved_) anchor_ = window_[pos_];
    moved_ = false;
    window_.erase(window_.begin() + long(pos_));  // pos_ now names the row that followed
    deleted_ = true;
    hasCurrent_ = false;
    // The rows before and after the deleted one stay neighbours.
    if (windowVersion_ + 1 == info_->version->load()) windowVersion_ = info_->version->load();
    conn_->afterWrite();
}

int64_t Cursor::bookmark() const {
    requireCurrent();
    return window_[pos_].rowid;
}

void Cursor::setBookmark(int64_t bookmark) {
    checkOpen();
    editMode_ = EditMode::None;
    sqlite3_stmt* st = stmt(Q::ById);
    sqlite3_bind_int64(st, 1, bookmark);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(st);
        fail(err::RecordDeleted, "The record has been deleted.");
    }
    Row r;
    readRowInto(st, r);
    sqlite3_reset(st);
    window_.assign(1, std::move(r));
    pos_ = 0;
    hasCurrent_ = true;
    deleted_ = moved_ = false;
    bof_ = eof_ = false;
    windowVersion_ = 0;  // neighbours unknown
    currentVersion_ = info_->version->load();
}

// ---------------------------------------------------------------------------
// Recordset

Recordset::Recordset(std::unique_ptr<Cursor> cursor) : c_(std::move(cursor)) {}
Recordset::~Recordset() = default;

const std::string& Recordset::name() const { return c_->name(); }
int Recordset::fieldCount() const { return c_->fieldCount(); }
int Recordset::fieldIndex(const std::string& name) const { return c_->fieldIndex(name); }
const FieldDef& Recordset::fieldDef(int index) const { return c_->fieldDef(index); }
void Recordset::setIndex(const std::string& name) { c_->setIndex(name); }
const std::string& Recordset::index() const { return c_->indexName_; }
void Recordset::moveFirst() { c_->moveFirst(); }
void Recordset::moveLast() { c_->moveLast(); }
void Recordset::moveNext() { c_->moveNext(); }
void Recordset::movePrevious() { c_->movePrevious(); }
bool Recordset::bof() const { return c_->bof_; }
bool Recordset::eof() const { return c_->eof_; }
bool Recordset::noMatch() const { return c_->noMatch_; }
int64_t Recordset::recordCount() { return c_->recordCount(); }
void Recordset::seek(SeekOp op, const std::vector<Value>& key) { c_->seek(op, key); }
Value Recordset::get(int field) const { return c_->get(field); }
void Recordset::set(int field, const Value& v) { c_->set(field, v); }
void Recordset::setText(int field, std::string_view text) { c_->setText(field, text); }
void Recordset::edit() { c_->edit(); }
void Recordset::addNew() { c_->addNew(); }
void Recordset::update() { c_->update(); }
void Recordset::cancelUpdate() { c_->cancelUpdate(); }
void Recordset::deleteCurrent() { c_->deleteCurrent(); }
bool Recordset::editing() const { return c_->editing(); }
int64_t Recordset::bookmark() const { return c_->bookmark(); }
void Recordset::setBookmark(int64_t bookmark) { c_->setBookmark(bookmark); }
int64_t Recordset::lastModified() const { return c_->lastModified_; }
void Recordset::close() { c_->close(); }

}  // namespace qv::db
