#include "refimport/refload.h"

#include "common/db/database.h"
#include "common/text/chars.h"
#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <system_error>

namespace qv::refimport {

namespace fs = std::filesystem;
using db::DbError;
using db::Recordset;
using db::Value;

fs::path poFilePath(const fs::path& folder, PoFile file) {
    const char* name = poFileName(file);
    if (auto found = findFile(name, folder.empty() ? fs::path(".") : folder)) return folder / pathFromUtf8(*found);
    return folder / name;
}

ReferenceLoader::ReferenceLoader(db::Database& db, FileForm form, fs::path folder)
    : db_(db), form_(form), folder_(std::move(folder)) {}

namespace {

void emptyTable(Recordset& rs) {
    if (rs.bof() && rs.eof()) return;  // empty: there is no first row to move to
    rs.moveFirst();
    while (!rs.eof()) {
        rs.deleteCurrent();
        rs.moveNext();
    }
}

std::string faultText(SplitFault f) {
    return f == SplitFault::UnclosedQuote ? "a field has no closing quote" : "it holds a single field";
}

}  // namespace

void ReferenceLoader::forEachRecord(PoFile file,
                                    const std::function<void(const std::string& line)>& take) {
    current_ = poFilePath(folder_, file);
    lineNo_ = 0;
    const std::string shown = utf8FromPath(current_);
    try {
        refuseNonRegular(current_);
    } catch (const NotRegularFile&) {
        throw LoadError(LoadError::Kind::FileMissing, "File " + shown + " is not a regular file.", current_);
    }
    std::error_code ec;
    if (!fs::is_regular_file(current_, ec)) throw LoadError(LoadError::Kind::FileMissing, "File " + shown + " not found.", current_);
    try {
        LineReader reader(current_);
        std::string line;
        while (reader.readLine(line)) {
            lineNo_ = reader.lineNumber();
            if (isBlankLine(line)) continue;
            take(line);
        }
        // A Ctrl-Z ends the file; one with records after it would drop them.
        if (const std::uint64_t z = reader.readRestForStrayCtrlZ()) {
            lineNo_ = z;
            throw LoadError(LoadError::Kind::BadLine, strayCtrlZText(shown, z), current_, z);
        }
    } catch (const std::system_error& e) {
        throw LoadError(LoadError::Kind::FileUnreadable, "File " + shown + " could not be read (" + e.what() + ").",
                        current_, lineNo_);
    }
}

void ReferenceLoader::count(PoFile file, const std::string& table) {
    for (auto& p : passedOver_)
        if (p.file == file && p.table == table) {
            ++p.count;
            return;
        }
    passedOver_.push_back({file, table, 1});
}

std::vector<PassedOver> ReferenceLoader::passedOver() const { return passedOver_; }

std::string ReferenceLoader::here() const {
    return "Line " + std::to_string(lineNo_) + " of file " + utf8FromPath(current_);
}

void ReferenceLoader::require(const std::string& value, const char* what) const {
    if (trim(value).empty())
        throw LoadError(LoadError::Kind::BadLine, here() + " is not a valid record: its " + what + " is empty.",
                        current_, lineNo_);
}

void ReferenceLoader::requireSome(int taken, const char* what, const char* table) const {
    if (taken > 0) return;
    throw LoadError(LoadError::Kind::BadLine,
                    "File " + utf8FromPath(current_) + " holds no " + what + " for table " + table + ".", current_);
}

void ReferenceLoader::refuseMisfit(const std::optional<std::string>& why) const {
    if (why) throw LoadError(LoadError::Kind::BadLine, here() + " is not a valid record: " + *why + ".", current_, lineNo_);
}

SplitLine ReferenceLoader::split(const std::string& line) const {
    // Blanks after the last closing quote are padding: read as the start of
    // one more field they would leave it without its quotes.
    const std::string_view l(line);
    const std::size_t end = l.find_last_not_of(' ');
    SplitLine s = splitup(end != std::string_view::npos && l[end] == '"' ? l.substr(0, end + 1) : l);
    if (s.fault != SplitFault::None)
        throw LoadError(LoadError::Kind::BadLine, here() + " is not a valid comma-delimited record: " + faultText(s.fault) + ".",
                        current_, lineNo_);
    return s;
}

namespace {

// One table being filled: fields by number, values checked as they are set.
class Filler {
public:
    Filler(db::Database& db, const std::string& table) : rs_(db.openTable(table)), table_(table) {}
    Recordset& rs() { return *rs_; }
    int field(const std::string& name) { return rs_->fieldIndex(name); }

    void begin() { rs_->addNew(); }
    // A text too long for its field stops the load at this line.
    void set(int f, const Value& v, const std::string& where) {
        try {
            rs_->set(f, v);
        } catch (const DbError& e) {
            if (e.number() != db::err::TooLong) throw;
            rs_->cancelUpdate();
            const auto& def = rs_->fieldDef(f);
            throw LoadError(LoadError::Kind::BadLine,
                            where + " holds \"" + quotedStart(v.toString()) + "\", longer than the " + std::to_string(def.size) +
                                " characters of field " + def.name + " in table " + table_ + ".");
        }
    }
    // False when the key is already there: the row is dropped.
    bool save() {
        try {
            rs_->update();
            return true;
        } catch (const DbError& e) {
            if (e.number() != db::err::DuplicateKey) throw;
            rs_->cancelUpdate();
            return false;
        }
    }

private:
    std::unique_ptr<Recordset> rs_;
    std::string table_;
};

// A region number looked up by residue code: 0 when there is none.
Value lookUpRegion(Recordset& region, int fReg, const std::string& residue) {
    region.seek("=", Value(residue));
    if (region.noMatch()) return Value(0);
    return region.get(fReg);
}

Value regionValue(const std::string& letter) {
    auto n = regionNumber(letter);
    return n ? Value(*n) : Value();
}

}  // namespace

void ReferenceLoader::msortd() {
    Filler region(db_, "region");
    const int fRes = region.field("mdres"), fReg = region.field("mdreg");
    emptyTable(region.rs());
    int taken = 0;
    forEachRecord(PoFile::D, [&](const std::string& line) {
        const RegionRecord r = record(PoFile::D, line, fixedRegion, commaRegion);
        if (!takesRegion(r)) return;
        require(r.residue, "residue code");
        require(r.letter, "region letter");
        ++taken;
        region.begin();
        const std::string where = here();
        region.set(fRes, Value(r.residue), where);
        region.set(fReg, regionValue(r.letter), where);
        if (!region.save()) count(PoFile::D, "region");
    });
    requireSome(taken, "region records (type 6)", "region");
}

void ReferenceLoader::msorta() {
    Filler pcode(db_, "pcode");
    auto region = db_.openTable("region");
    region->setIndex("PrimaryKey");
    const int fKey = pcode.field("mpcode"), fSel = pcode.field("mdsel"), fReg = pcode.field("rreg");
    const int fRegion = region->fieldIndex("mdreg");
    emptyTable(pcode.rs());
    int taken = 0;
    forEachRecord(PoFile::A, [&](const std::string& line) {
        const SectorRecord r = record(PoFile::A, line, fixedSector, commaSector);
        require(r.key(), "postcode sector");
        require(r.selection, "selection code");
        ++taken;
        Value reg = lookUpRegion(*region, fRegion, left(r.selection, 3));
        pcode.begin();
        const std::string where = here();
        pcode.set(fKey, Value(r.key()), where);
        pcode.set(fSel, Value(r.selection), where);
        pcode.set(fReg, reg, where);
        if (!pcode.save()) count(PoFile::A, "pcode");
    });
    requireSome(taken, "sector records", "pcode");
}

void ReferenceLoader::msortb() {
    Filler label(db_, "label");
    Filler sequence(db_, "sequence");
    const int fCode = label.field("mdselc"), fText = label.field("mdlab");
    const int fRes = sequence.field("mdresc"), fSorts = sequence.field("mdsorts");
    emptyTable(label.rs());
    emptyTable(sequence.rs());
    int taken = 0;
    forEachRecord(PoFile::B, [&](const std::string& line) {
        const LabelRecord r = record(PoFile::B, line, fixedLabel, commaLabel);
        require(r.code, "selection code");
        ++taken;
        const std::string where = here();
        label.begin();
        label.set(fCode, Value(r.code), where);
        label.set(fText, Value(r.description), where);
        if (!label.save()) count(PoFile::B, "label");
        if (r.addsSequence()) {
            sequence.begin();
            sequence.set(fRes, Value(left(r.code, 3)), where);
            sequence.set(fSorts, Value(r.sortString), where);
            if (!sequence.save()) count(PoFile::B, "sequence");
        }
    });
    requireSome(taken, "label records", "label");
}

void ReferenceLoader::msortc() {
    Filler place(db_, "cntytown");
    auto region = db_.openTable("region");
    region->setIndex("PrimaryKey");
    const int fName = place.field("mname"), fRes = place.field("mdres"), fReg = place.field("rreg");
    const int fRegion = region->fieldIndex("mdreg");
    emptyTable(place.rs());
    int taken = 0;
    forEachRecord(PoFile::C, [&](const std::string& line) {
        const PlaceRecord r = record(PoFile::C, line, fixedPlace, commaPlace);
        require(r.name, "place name");
        require(r.residue, "residue code");
        ++taken;
        Value reg = lookUpRegion(*region, fRegion, r.residue);
        const std::string where = here();
        place.begin();
        place.set(fName, Value(r.name), where);
        place.set(fRes, Value(r.residue), where);
        place.set(fReg, reg, where);
        if (!place.save()) count(PoFile::C, "cntytown");
    });
    requireSome(taken, "place records", "cntytown");
}

void ReferenceLoader::load(PoFile file) {
    switch (file) {
        case PoFile::D: msortd(); break;
        case PoFile::A: msorta(); break;
        case PoFile::B: msortb(); break;
        case PoFile::C: msortc(); break;
    }
}

std::vector<PassedOver> loadReferenceData(db::Database& db, FileForm form, const fs::path& folder,
                                          const std::function<void(PoFile)>& beforeFile) {
    ReferenceLoader loader(db, form, folder);
    db.beginTransaction();
    try {
        for (PoFile f : kLoadOrder) {
            if (beforeFile) beforeFile(f);
            loader.load(f);
        }
        db.commitTransaction();
    } catch (const DbError& e) {
        if (db.isOpen()) db.rollback();
        throw LoadError(LoadError::Kind::Database,
                        "The reference data could not be stored (error " + std::to_string(e.number()) + ": " +
                            e.description() + ").");
    } catch (...) {
        if (db.isOpen()) db.rollback();
        throw;
    }
    return loader.passedOver();
}

std::string passedOverMessage(const std::vector<PassedOver>& passed) {
    std::string text;
    for (const auto& p : passed) {
        if (!text.empty()) text += "\n";
        text += std::to_string(p.count) + (p.count == 1 ? " record" : " records") + " of " + poFileName(p.file) +
                " for table " + p.table;
    }
    if (text.empty()) return text;
    return "These records repeat a key already loaded and were passed over; the first record of each key was "
           "kept:\n" +
           text;
}

}  // namespace qv::refimport
