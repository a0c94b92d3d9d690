#include "coding/importer.h"

#include "common/jobtables.h"

#include "common/text/chars.h"
#include "common/text/files.h"
#include "common/text/lines.h"
#include "common/text/numtext.h"
#include "common/text/textfile.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qv::coding {

namespace fs = std::filesystem;
using db::DbError;
using db::FieldType;
using db::Value;

void NewFile(db::Database& db) {
    jobtables::dropIfThere(db, jobtables::Mmwork);
    // The bags and their keys are the last job's sortation: left, the labels
    // and the merge file would take the new addresses for sorted ones.
    jobtables::dropSort(db);
    db.createTable(jobtables::mmworkDef());
}

namespace {

ReaderFailure unexpected(int number, std::string description) {
    return {ReaderFailure::Kind::Unexpected, {}, number, std::move(description)};
}

std::string fieldName(int part, bool from) { return from ? layout::fromField(part) : layout::lengthField(part); }

// A layout number as the reader takes it: whole, within [lo, hi], never Null.
long layoutNumber(const Value& v, const std::string& name, long lo, long hi) {
    if (v.isNull()) throw unexpected(failure::InvalidUseOfNull, "Invalid use of Null: the layout field " + name + " is empty.");
    double d = v.toDouble();
    if (v.isText() && !parseNumber(v.text(), d))
        throw unexpected(failure::Overflow, "The layout field " + name + " does not hold a number.");
    auto n = roundHalfEven(d);
    if (!n || *n < lo || *n > hi)
        throw unexpected(failure::Overflow, "Overflow: the layout field " + name + " holds " + numberText(d) +
                                                ", outside " + std::to_string(lo) + " to " + std::to_string(hi) + ".");
    return long(*n);
}

}  // namespace

FixedLayout fixedLayout(const LayoutRow& layout) {
    FixedLayout f;
    for (int p = 0; p < PartCount; ++p) {
        f[std::size_t(p)].from = std::int16_t(layoutNumber(layout.from[std::size_t(p)], fieldName(p, true), -32768, 32767));
        f[std::size_t(p)].length =
            std::int16_t(layoutNumber(layout.length[std::size_t(p)], fieldName(p, false), -32768, 32767));
    }
    if (int bad = invalidFixedPart(f); bad >= 0)
        throw unexpected(failure::InvalidArgument, "Invalid procedure call or argument: the layout gives " +
                                                       std::string(layout::kPartFields[std::size_t(bad)].name) +
                                                       " a negative start column or length.");
    return f;
}

FieldNumbers fieldNumbers(const LayoutRow& layout) {
    FieldNumbers n;
    for (int p = 0; p < PartCount; ++p)
        n[std::size_t(p)] = std::uint8_t(layoutNumber(layout.from[std::size_t(p)], fieldName(p, true), 0, 255));
    return n;
}

// ---- Reference lookups --------------------------------------------------------

namespace {
// Beyond this many different keys a table is sought afresh each time.
constexpr std::size_t kMemoLimit = 100000;
}

ReferenceLookup::ReferenceLookup(db::Database& db) {
    pcode_.rs = db.openTable("pcode");
    pcode_.rs->setIndex("PrimaryKey");
    pcode_.code = pcode_.rs->fieldIndex("mdsel");
    pcode_.rreg = pcode_.rs->fieldIndex("rreg");
    cntytown_.rs = db.openTable("cntytown");
    cntytown_.rs->setIndex("PrimaryKey");
    cntytown_.code = cntytown_.rs->fieldIndex("mdres");
    cntytown_.rreg = cntytown_.rs->fieldIndex("rreg");
}

std::optional<ReferenceLookup::Row> ReferenceLookup::seek(Table& t, const std::string& key) {
    t.rs->seek("=", Value(key));
    if (t.rs->noMatch()) return std::nullopt;
    return Row{t.rs->get(t.code), t.rs->get(t.rreg)};
}

std::optional<ReferenceLookup::Row> ReferenceLookup::seekSector(const std::string& outwardKey, char sectorDigit) {
    std::optional<Row> row = seek(pcode_, outwardKey);
    if (!row) row = seek(pcode_, sectorKey(outwardKey, sectorDigit));
    return row;
}

const ReferenceLookup::Row* ReferenceLookup::remember(Table& t, std::string memoKey, std::optional<Row> row) {
    if (t.memo.size() >= kMemoLimit) {
        t.last = std::move(row);
        return t.last ? &*t.last : nullptr;
    }
    auto& slot = t.memo.emplace(std::move(memoKey), std::move(row)).first->second;
    return slot ? &*slot : nullptr;
}

namespace {

// An outward key of up to 5 ASCII characters and its digit as one nonzero
// number; 0 when the key does not fit.
std::uint64_t packSector(const std::string& outwardKey, char digit) {
    if (outwardKey.size() > 5) return 0;
    std::uint64_t k = outwardKey.size() + 1;
    for (unsigned char c : outwardKey) {
        if (c >= 0x80) return 0;
        k = k << 8 | c;
    }
    return k << 8 | static_cast<unsigned char>(digit);
}

std::size_t slotOf(std::uint64_t key, std::size_t mask) {
    return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

const ReferenceLookup::Row* ReferenceLookup::sector(const std::string& outwardKey, char sectorDigit) {
    const std::uint64_t key = packSector(outwardKey, sectorDigit);
    if (key == 0) return sectorSought(outwardKey, sectorDigit);
    if (!packedKeys_.empty()) {
        const std::size_t mask = packedKeys_.size() - 1;
        for (std::size_t i = slotOf(key, mask);; i = (i + 1) & mask) {
            if (packedKeys_[i] == key) return packedRows_[i];
            if (packedKeys_[i] == 0) break;
        }
    }
    std::optional<Row> row = seekSector(outwardKey, sectorDigit);
    if (packedUsed_ >= kMemoLimit) {
        pcode_.last = std::move(row);
        return pcode_.last ? &*pcode_.last : nullptr;
    }
    const Row* found = nullptr;
    if (row) found = &sectorRows_.emplace_back(std::move(*row));
    if (2 * (packedUsed_ + 1) > packedKeys_.size()) {
        // Grow to keep the table at most half full.
        std::vector<std::uint64_t> keys(std::max<std::size_t>(1024, packedKeys_.size() * 2), 0);
        std::vector<const Row*> rows(keys.size(), nullptr);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t j = 0; j < packedKeys_.size(); ++j) {
            if (packedKeys_[j] == 0) continue;
            std::size_t i = slotOf(packedKeys_[j], mask);
            while (keys[i] != 0) i = (i + 1) & mask;
            keys[i] = packedKeys_[j];
            rows[i] = packedRows_[j];
        }
        packedKeys_.swap(keys);
        packedRows_.swap(rows);
    }
    const std::size_t mask = packedKeys_.size() - 1;
    std::size_t i = slotOf(key, mask);
    while (packedKeys_[i] != 0) i = (i + 1) & mask;
    packedKeys_[i] = key;
    packedRows_[i] = found;
    ++packedUsed_;
    return found;
}

const ReferenceLookup::Row* ReferenceLookup::sectorSought(const std::string& outwardKey, char sectorDigit) {
    std::string memoKey = outwardKey;
    memoKey += '\0';
    memoKey += sectorDigit;
    if (auto it = pcode_.memo.find(memoKey); it != pcode_.memo.end()) return it->second ? &*it->second : nullptr;
    std::optional<Row> row = seekSector(outwardKey, sectorDigit);
    return remember(pcode_, std::move(memoKey), std::move(row));
}

const ReferenceLookup::Row* ReferenceLookup::place(const std::string& key) {
    if (auto it = cntytown_.memo.find(key); it != cntytown_.memo.end()) return it->second ? &*it->second : nullptr;
    return remember(cntytown_, key, seek(cntytown_, key));
}

// ---- Coding -------------------------------------------------------------------------

namespace {

// The number a code reads as, or nothing when it is no number.
std::optional<double> codeNumber(const Value& v) {
    if (v.isNumber()) return v.toDouble();
    double d;
    if (v.isText() && parseNumber(v.text(), d)) return d;
    return std::nullopt;
}

}  // namespace

std::string sectorKey(const std::string& key, char sector) {
    switch (charLength(key)) {
    case 2: return key + "  " + sector;
    case 3: return key + " " + sector;
    case 4: return key + sector;
    default:
        if (charLength(key) >= 5) return left(key, 4) + sector + mid(key, 6);
        return key;
    }
}

Coding resreg(const AddressFields& a, ReferenceLookup& ref, CodingReport& report, Counters& counters) {
    Coding c;
    const PostcodeCheck pc = checkpc(a.postcode);

    const ReferenceLookup::Row* sector = pc.status != 'N' ? ref.sector(pc.outwardKey, pc.sector) : nullptr;

    if (pc.status != 'N') counters.postcoded += 1;
    if (pc.status == 'O') {
        c.pcflag = 'O';
    } else if (pc.status == 'F') {
        counters.fullyPostcoded += 1;
        c.pcflag = 'F';
    }

    if (pc.status != 'N' && sector) {
        c.mscode = sector->code;
        c.rgcode = sector->rreg;
        c.seq = codeNumber(c.mscode);
        return c;
    }

    report.invalidPostcode(counters.processed, a.ref, a.postcode);

    // County, town and the last three address lines, at most two lookups;
    // a place found by the first ten characters of a "...SHIRE" is refused.
    const ReferenceLookup::Row* place = nullptr;
    int lookups = 0;
    for (const std::string* field : {&a.county, &a.town, &a.address4, &a.address3, &a.address2}) {
        if (place || lookups >= 2 || trim(*field).empty()) continue;
        const ReferenceLookup::Row* row = ref.place(padRight(*field, 10));
        ++lookups;
        if (row && ucase(mid(*field, 11, 5)) != "SHIRE") place = row;
    }

    if (!place) {
        report.unmatchable(counters.processed, a);
        counters.inError += 1;
        c.mscode = "1";
        return c;
    }
    c.rscode = place->code;
    c.mscode = place->code;
    c.rgcode = place->rreg;
    if (auto n = codeNumber(place->code)) c.seq = *n * 1000;
    counters.matched += 1;
    return c;
}

// ---- Readers ----------------------------------------------------------------------

Importer::Importer(db::Database& db, CodingReport& report, Counters& counters)
    : db_(db), report_(report), counters_(counters) {}

void Importer::doascii(const std::string& mailFile, const LayoutRow& layout) { read(Form::Fixed, mailFile, layout); }
void Importer::docomma(const std::string& mailFile, const LayoutRow& layout) { read(Form::Quoted, mailFile, layout); }
void Importer::donoquote(const std::string& mailFile, const LayoutRow& layout) { read(Form::Plain, mailFile, layout); }

namespace {

// The customer's file: the path as given, its file name matched without
// regard to case.
fs::path inputFile(const std::string& mailFile) {
    if (trim(mailFile).empty()) throw unexpected(failure::BadFileName, "Bad file name: no file is named.");
    const fs::path given = pathFromUtf8(mailFile);
    fs::path folder = given.parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw unexpected(failure::PathNotFound, "Path not found: " + utf8FromPath(folder));
    try {
        refuseNonRegular(given);
    } catch (const NotRegularFile&) {
        throw ReaderFailure{ReaderFailure::Kind::NotRegularFile, mailFile, 0, {}};
    }
    const auto name = findFile(utf8FromPath(given.filename()), folder.empty() ? fs::path(".") : folder);
    if (!name) throw ReaderFailure{ReaderFailure::Kind::FileNotFound, mailFile, 0, {}};
    return folder.empty() ? fs::path(*name) : folder / *name;
}

// The first look every program takes at a customer's file: one that is no
// text, holds no record, or has its records behind a Ctrl-Z on line 1, is
// refused before a row is stored. A file that cannot be opened is left to
// the reader, which says why.
void refuseUnreadable(const fs::path& file, const std::string& mailFile) {
    auto refuse = [&](ReaderFailure::Kind kind) { return ReaderFailure{kind, mailFile, 0, {}}; };
    switch (checkTextFile(utf8FromPath(file))) {
    case FileProblem::None:
    case FileProblem::CannotOpen: return;
    case FileProblem::NotFound: throw refuse(ReaderFailure::Kind::FileNotFound);
    case FileProblem::NotRegular: throw refuse(ReaderFailure::Kind::NotRegularFile);
    case FileProblem::NotText: throw refuse(ReaderFailure::Kind::NotText);
    case FileProblem::Empty: throw refuse(ReaderFailure::Kind::Empty);
    case FileProblem::TextAfterEnd: throw ReaderFailure{ReaderFailure::Kind::TextAfterEnd, mailFile, 0, {}, 1};
    }
}

struct RowFields {
    int name, address1, address2, address3, address4, town, county, postcode, ref;
    int mscode, rscode, rgcode, sflag, pcflag, seq;
    explicit RowFields(const db::Recordset& rs)
        : name(rs.fieldIndex("name")), address1(rs.fieldIndex("address1")), address2(rs.fieldIndex("address2")),
          address3(rs.fieldIndex("address3")), address4(rs.fieldIndex("address4")), town(rs.fieldIndex("town")),
          county(rs.fieldIndex("county")), postcode(rs.fieldIndex("postcode")), ref(rs.fieldIndex("ref")),
          mscode(rs.fieldIndex("mscode")), rscode(rs.fieldIndex("rscode")), rgcode(rs.fieldIndex("rgcode")),
          sflag(rs.fieldIndex("sflag")), pcflag(rs.fieldIndex("pcflag")), seq(rs.fieldIndex("seq")) {}
};

// Anything but blanks and tabs.
bool hasText(std::string_view s) {
    return s.find_first_not_of(" \t") != std::string_view::npos;
}

bool hasAddress(const AddressFields& a) {
    for (const std::string* f : {&a.name, &a.address1, &a.address2, &a.address3, &a.address4, &a.town, &a.county,
                                 &a.postcode, &a.ref})
        if (hasText(*f)) return true;
    return false;
}

std::string stoppedAt(double processed, std::uint64_t line) {
    if (processed == 0) return " The import stopped before the first record.";
    return " The import stopped at record " + numberText(processed) + " (line " + std::to_string(line) +
           " of the file).";
}

}  // namespace

void Importer::read(Form form, const std::string& mailFile, const LayoutRow& layout) {
    std::uint64_t line = 0;
    try {
        FixedLayout columns{};
        FieldNumbers numbers{};
        if (form == Form::Fixed) columns = fixedLayout(layout);
        auto mm = db_.openTable("mmwork");
        if (form != Form::Fixed) numbers = fieldNumbers(layout);
        ReferenceLookup ref(db_);
        const RowFields f(*mm);

        const fs::path file = inputFile(mailFile);
        refuseUnreadable(file, mailFile);
        std::unique_ptr<LineReader> in;
        try {
            in = std::make_unique<LineReader>(file);
        } catch (const NotRegularFile&) {
            throw ReaderFailure{ReaderFailure::Kind::NotRegularFile, mailFile, 0, {}};
        } catch (const std::system_error& e) {
            throw unexpected(failure::FileAccess, "Path/File access error: " + std::string(e.what()));
        }
        std::string record;
        if (layout.skipFirst.toString() == "Y") {
            if (!in->readLine(record)) throw unexpected(failure::PastEndOfFile, "Input past end of file.");
            line = 1;
        }

        AddressFields a;
        int progress = 0;
        // A file of blank lines, or of a heading alone, is no job: blank
        // lines count as records only among records that hold something.
        bool anyLine = false, anyAddress = false;
        while (!(stopped_ && stopped_()) && in->readLine(record)) {
            line = in->lineNumber();
            counters_.processed += 1;
            if (++progress == 10) {
                progress = 0;
                if (status_) status_("Importing record " + numberStr(counters_.processed));
            }
            mm->addNew();
            mm->setText(f.sflag, "N");
            mm->set(f.seq, 0);
            switch (form) {
            case Form::Fixed: cutFixed(record, columns, a); break;
            case Form::Quoted: rmvquotes(record, numbers, a); break;
            case Form::Plain: rmvcomma(record, numbers, a); break;
            }
            if (!anyAddress && hasText(record)) {
                anyLine = true;
                anyAddress = hasAddress(a);
            }
            mm->setText(f.name, a.name);
            mm->setText(f.address1, a.address1);
            mm->setText(f.address2, a.address2);
            mm->setText(f.address3, a.address3);
            mm->setText(f.address4, a.address4);
            mm->setText(f.town, a.town);
            mm->setText(f.county, a.county);
            mm->setText(f.postcode, a.postcode);
            mm->setText(f.ref, a.ref);

            const Coding c = resreg(a, ref, report_, counters_);
            // A code the table cannot hold is passed over, as each coding step is.
            auto put = [&](int field, const Value& v) {
                try {
                    if (v.isText()) mm->setText(field, v.text());
                    else mm->set(field, v);
                } catch (const DbError&) {
                }
            };
            put(f.rscode, c.rscode);
            put(f.mscode, c.mscode);
            if (c.rgcode) put(f.rgcode, *c.rgcode);
            if (c.seq) put(f.seq, *c.seq);
            if (c.pcflag) {
                try {
                    mm->setText(f.pcflag, std::string_view(&c.pcflag, 1));
                } catch (const DbError&) {
                }
            }
            mm->update();
        }
        if (!(stopped_ && stopped_())) {
            // A Ctrl-Z ends the file; records after it would be left out of
            // a job that passes for the whole file.
            if (const std::uint64_t z = in->readRestForStrayCtrlZ())
                throw ReaderFailure{ReaderFailure::Kind::TextAfterEnd, mailFile, 0, {}, z};
            if (!anyAddress)
                throw ReaderFailure{anyLine ? ReaderFailure::Kind::NoAddresses : ReaderFailure::Kind::Empty, mailFile,
                                    0, {}};
        }
    } catch (ReaderFailure& e) {
        if (e.kind == ReaderFailure::Kind::Unexpected) e.description += stoppedAt(counters_.processed, line);
        throw;
    } catch (const DbError& e) {
        throw unexpected(e.number(), e.description() + stoppedAt(counters_.processed, line));
    } catch (const std::system_error& e) {
        throw unexpected(failure::DeviceIO, "Device I/O error: " + std::string(e.what()) +
                                                stoppedAt(counters_.processed, line));
    } catch (const std::exception& e) {
        throw unexpected(failure::DeviceIO, e.what() + stoppedAt(counters_.processed, line));
    }
}

}  // namespace qv::coding
