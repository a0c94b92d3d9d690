#include "duplicates/dupcheck.h"

#include "common/text/chars.h"
#include "common/text/csv.h"
#include "common/text/delimited.h"
#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <QChar>

namespace qv::duplicates {

using db::DbError;
using db::FieldDef;
using db::FieldType;
using db::Value;

namespace {

std::size_t idx(int i) { return static_cast<std::size_t>(i); }

std::string fieldName(int i) { return "Field" + std::to_string(i); }

const char* kMore = "More";

}  // namespace

void SplitComma(std::string_view record, Fields& fields) {
    qv::splitCommaFields(record, fields, qv::DoubledQuote::IsOneQuote);
}

void SplitFixed(std::string_view record, const FileLayout& layout, Fields& fields) {
    const int columns = layout.fields < MaxColumns ? layout.fields : MaxColumns;
    fields.resize(idx(columns));
    for (int i = 1; i <= columns; ++i) {
        std::string& f = fields[idx(i - 1)];
        f.clear();
        const int start = layout.start[idx(i)];
        if (start == 0) continue;
        const bool last = i == MaxColumns || layout.start[idx(i + 1)] == 0;
        const int end = layout.end[idx(i)];
        if (last)
            f = qv::mid(record, idx(start));
        else if (end >= start)
            f = qv::mid(record, idx(start), idx(end - start + 1));
    }
}

void splitRecord(std::string_view record, const FileLayout& layout, Fields& fields) {
    if (layout.delimited())
        SplitComma(record, fields);
    else
        SplitFixed(record, layout, fields);
}

namespace {

// The capitals of the two-byte characters (Latin, Greek, Cyrillic and the
// rest below U+0800), looked up once: every record's key goes through here.
const std::array<char32_t, 0x800>& twoByteUpper() {
    static const std::array<char32_t, 0x800> table = [] {
        std::array<char32_t, 0x800> t{};
        for (char32_t c = 0; c < 0x800; ++c) t[c] = QChar::toUpper(c);
        return t;
    }();
    return table;
}

}  // namespace

std::string keyUpper(std::string_view s) {
    std::string r;
    r.reserve(s.size() + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    const std::array<char32_t, 0x800>* two = nullptr;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            r += static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c ^ 0x20 : c);
            ++i;
            continue;
        }
        // One UTF-8 character; a byte that starts none is kept as it is.
        const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        char32_t cp = len == 4 ? c & 0x07u : len == 3 ? c & 0x0Fu : c & 0x1Fu;
        bool whole = len > 1 && c < 0xF8 && i + len <= n;
        for (std::size_t k = 1; whole && k < len; ++k) {
            whole = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3Fu);
        }
        if (!whole) {
            r += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t up;
        if (cp < 0x800) {
            if (!two) two = &twoByteUpper();
            up = (*two)[cp];
        } else {
            up = QChar::toUpper(cp);
        }
        if (up == cp)
            r.append(s.substr(i, len));
        else
            appendUtf8(r, up);
        i += len;
    }
    return r;
}

std::string BuildKey(const Fields& fields, const std::vector<bool>& selected) {
    std::string key;
    for (std::size_t k = 0; k < selected.size(); ++k) {
        if (!selected[k]) continue;
        const std::string_view field = k < fields.size() ? std::string_view(fields[k]) : std::string_view();
        // The cut to 1000 characters comes before the blanks go.
        key = qv::left(qv::trim(key) + keyUpper(field), KeyLength);
    }
    std::string out;
    out.reserve(key.size());
    for (const char c : key)
        if (c != ' ') out += c;
    return out;
}

KeyParts keyParts(std::string_view key) {
    // Keys compare without regard to trailing blanks, so the padding of each
    // part to 250 is left out of the file: a million padded keys would fill
    // gigabytes. An empty part is one blank, as the field refuses "".
    const std::string cut = qv::left(key, KeyLength);
    KeyParts parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        parts[i] = qv::rtrim(qv::mid(cut, i * KeyPartLength + 1, KeyPartLength));
        if (parts[i].empty()) parts[i] = " ";
    }
    return parts;
}

std::string NewText(const Fields& fields) {
    std::string text;
    for (const auto& f : fields)
        if (!f.empty()) text += f + "\r\n";
    return text;
}

// ---- DupWork.mdb -----------------------------------------------------------

std::unique_ptr<DupWork> DupWork::open() {
    return std::make_unique<DupWork>(db::Database::open(WorkDatabase, db::OpenMode::Exclusive));
}

db::TableDef DupWork::workDef() {
    db::TableDef t{"work", {}, {}};
    t.fields.push_back(FieldDef{"RecNum", FieldType::Double});
    for (int i = 1; i <= 4; ++i) {
        FieldDef f{fieldName(i), FieldType::Text, static_cast<int>(KeyPartLength)};
        f.allowZeroLength = false;
        t.fields.push_back(f);
    }
    t.indexes.push_back(db::IndexDef{"Key1", {"Field1", "Field2", "Field3", "Field4"}});
    return t;
}

db::TableDef DupWork::csvDef() {
    // Memo fields: a field of any length is kept whole, and the fields of a
    // record beyond the 31st go into More as one comma-separated text.
    db::TableDef t{"CSV", {}, {}};
    t.fields.push_back(FieldDef{"RecNum", FieldType::Double});
    for (int i = 1; i <= FieldSlots; ++i) t.fields.push_back(FieldDef{fieldName(i), FieldType::Memo, 0});
    t.fields.push_back(FieldDef{kMore, FieldType::Memo, 0});
    t.indexes.push_back(db::IndexDef{"Key1", {"RecNum"}});
    return t;
}

void DupWork::MakeTables() {
    work_.reset();
    csv_.reset();
    db_->dropTable("work");
    db_->createTable(workDef());
    db_->dropTable("CSV");
    db_->createTable(csvDef());
}

void DupWork::openTables() {
    work_ = db_->openTable("work");
    work_->setIndex("Key1");
    csv_ = db_->openTable("CSV");
    csv_->setIndex("Key1");
}

int64_t DupWork::seekKey(const KeyParts& parts) {
    work_->seek(db::SeekOp::Eq, {Value(parts[0]), Value(parts[1]), Value(parts[2]), Value(parts[3])});
    if (work_->noMatch()) return 0;
    const Value recNum = work_->get(0);
    csv_->seek(db::SeekOp::Eq, {recNum});
    if (csv_->noMatch()) throw DbError(db::err::NoCurrentRecord, "The kept record has no fields in table CSV.");
    return recNum.toInt();
}

void DupWork::readFields(Fields& fields) {
    // Each slot read once; the Nulls after the record's last field are cut off.
    fields.clear();
    std::size_t count = 0;
    for (int i = 1; i <= FieldSlots; ++i) {
        const Value v = csv_->get(i);
        fields.push_back(v.toString());
        if (!v.isNull()) count = idx(i);
    }
    fields.resize(count);
    const Value more = csv_->get(FieldSlots + 1);
    if (!more.isNull()) {
        fields.resize(idx(FieldSlots));
        for (auto& f : qv::parseCsvRecord(more.text())) fields.push_back(std::move(f));
    }
}

std::string DupWork::OldText() {
    Fields fields;
    readFields(fields);
    return NewText(fields);
}

void DupWork::deleteFound() {
    csv_->deleteCurrent();
    work_->deleteCurrent();
}

void DupWork::AddRecord(int64_t recNum, const KeyParts& parts, const Fields& fields) {
    const Value number(static_cast<double>(recNum));
    work_->addNew();
    work_->set(0, number);
    for (int i = 0; i < 4; ++i) work_->set(i + 1, Value(parts[idx(i)]));
    work_->update();

    csv_->addNew();
    csv_->set(0, number);
    // A field the record does not have stays Null, so that the record keeps
    // its own number of fields.
    for (int i = 1; i <= FieldSlots && idx(i) <= fields.size(); ++i) csv_->set(i, Value(fields[idx(i - 1)]));
    if (fields.size() > idx(FieldSlots)) {
        std::string more;
        for (std::size_t k = idx(FieldSlots); k < fields.size(); ++k) {
            if (k > idx(FieldSlots)) more += ',';
            more += qv::csvQuoted(fields[k]);
        }
        csv_->set(FieldSlots + 1, Value(std::move(more)));
    }
    csv_->update();
}

void DupWork::forEachKept(const std::function<void(int64_t, const Fields&)>& visit) {
    Fields fields;
    for (csv_->moveFirst(); !csv_->eof(); csv_->moveNext()) {
        readFields(fields);
        visit(csv_->get(0).toInt(), fields);
    }
}

// ---- the run ---------------------------------------------------------------

RunEnd checkFile(DupWork& work, const CheckSetup& setup, Decider& decider, const RunHooks& hooks) {
    qv::LineReader in(qv::pathFromUtf8(setup.path));
    int64_t recNum = 1;
    int counter = 1;
    if (hooks.showRecord) hooks.showRecord(recNum);
    std::string record;
    Fields fields;
    bool cancelled = false;
    while (!cancelled && in.readLine(record)) {
        splitRecord(record, setup.layout, fields);
        const KeyParts parts = keyParts(BuildKey(fields, setup.selected));
        const int64_t earlier = work.seekKey(parts);
        if (earlier == 0) {
            work.AddRecord(recNum, parts, fields);
        } else {
            DuplicatePair pair{recNum, earlier, NewText(fields), work.OldText()};
            switch (decider.decide(pair)) {
            case Decision::LeaveBoth: work.AddRecord(recNum, parts, fields); break;
            case Decision::DeleteEarlier:
                work.deleteFound();
                work.AddRecord(recNum, parts, fields);
                break;
            case Decision::DeleteNew: break;
            }
        }
        ++recNum;
        if (++counter == 10) {
            if (hooks.showRecord) hooks.showRecord(recNum);
            counter = 0;
        }
        if (hooks.goOn && !hooks.goOn()) cancelled = true;
    }
    work.commit();
    return cancelled ? RunEnd::Cancelled : RunEnd::Completed;
}

void writeOutput(DupWork& work, int listEntries, const std::filesystem::path& file) {
    // The writer replaces the file only when it is whole: a failed write
    // leaves no cut-off file that looks like a finished one.
    qv::CsvWriter out(file, qv::LineEnd::CRLF);
    const std::size_t n = listEntries > 0 ? idx(listEntries) : 0;
    work.forEachKept([&](int64_t, const Fields& fields) {
        const std::size_t values = fields.size() > n ? fields.size() : n;
        for (std::size_t k = 0; k < values; ++k)
            out.quoted(k < fields.size() ? qv::trim(fields[k]) : std::string());
        out.endRecord();
    });
    out.close();
}

RunEnd deduplicate(const CheckSetup& setup, Decider& decider, const RunHooks& hooks) {
    auto work = DupWork::open();
    work->MakeTables();
    work->openTables();
    const RunEnd end = checkFile(*work, setup, decider, hooks);
    if (end == RunEnd::Completed) writeOutput(*work, setup.layout.fields, qv::filePath(OutputFile));
    return end;
}

}  // namespace qv::duplicates
