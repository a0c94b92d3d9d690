#include "sortation/linereport.h"

#include "common/jobtables.h"
#include "common/text/chars.h"
#include "common/text/csv.h"
#include "common/text/dates.h"
#include "common/text/numtext.h"
#include "platform/files.h"
#include "platform/printer.h"
#include "sortation/throttle.h"

#include <cmath>
#include <memory>
#include <system_error>

namespace qv::sortation {

using db::DbError;
using db::Value;

// ---- Bags and bundles --------------------------------------------------------------

double bagsOf(double items, std::int32_t bagitems) {
    if (items <= 0 || bagitems <= 0) return 0;
    return std::ceil(items / double(bagitems));
}

BagCount bagsAndBundles(double items, const BagValues& v) {
    BagCount c;
    c.bags = bagsOf(items, v.bagitems);
    if (c.bags <= 0) return c;
    const double inLastBag = items - (c.bags - 1) * v.bagitems;
    c.bundles = (c.bags - 1) * v.bagbundles + roundNumber(inLastBag / v.bundleMax, 0);
    return c;
}

// ---- The bags table's numbering -------------------------------------------------------

BagNumbering::BagNumbering(const std::string& bagLab, const std::string& bundleLab)
    : bagLab_(bagLab == "Y"), bundleLab_(bundleLab == "Y"), nextLabelStart_(bagLab == "N" && bundleLab == "N" ? 0 : 1) {}

BagRow BagNumbering::selection(double cumItems, double cumBags, double resbund, double seq) {
    BagRow r;
    r.bagNumber = nextBag_;
    nextBag_ = cumBags + 1;
    r.labelNumber = cumItems;
    r.labelStart = nextLabelStart_;
    if (bagLab_) r.labelNumber += cumBags;
    if (bundleLab_) {
        if (nextBundle_ == 0 && resbund > 0) nextBundle_ = 1;
        r.labelNumber += resbund;
        r.bundleNumber = nextBundle_;
        if (resbund > 0) nextBundle_ = resbund + 1;
    }
    nextLabelStart_ = r.labelNumber;
    r.seq = seq;
    return r;
}

BagRow BagNumbering::letterPost(double cumItems, double letterItems, double cumBags, double resbund,
                                double seq) const {
    BagRow r;
    r.bagNumber = cumBags;
    r.labelNumber = cumItems + letterItems;
    if (bagLab_) r.labelNumber += cumBags;
    if (bundleLab_) {
        r.labelNumber += resbund;
        r.bundleNumber = resbund;
    }
    r.seq = seq;
    return r;
}

// ---- Printed lines --------------------------------------------------------------------

const char* const ColumnHeading = "Code                                                                Items  Cum Item    Bags  Cum Bags  Seq#";
const char* const EndLine = "                                            <<< End of Report >>>";

namespace {

std::string gap(std::size_t n) { return std::string(n, ' '); }

std::string numbers(double items, double cumItems, double bags, double cumBags) {
    return numberColumn(items) + gap(4) + numberColumn(cumItems) + gap(2) + numberColumn(bags) + gap(4) +
           numberColumn(cumBags);
}

std::string description50(const std::string& mdlab) { return left(mdlab, 50); }

}  // namespace

std::string rightIn(const std::string& text, std::size_t width) {
    return charLength(text) >= width ? text : padLeft(text, width);
}

std::string numberColumn(double n, std::size_t width) { return rightIn(numberText(n), width); }

std::string selectionLineText(const SelectionLine& l) {
    return padRight(l.code, 5) + gap(6) + padRight(description50(l.description), 50) + gap(6) +
           numbers(l.items, l.cumItems, l.bags, l.cumBags) + l.seqColumn;
}

std::string seqColumn(const Value& rgcode) {
    return rightIn(rgcode.isNull() ? std::string() : formatNumber(rgcode.toDouble(), "00"), 5);
}

std::string letterPostLineText(double items, double cumItems, double bags, double cumBags, bool geographic) {
    return padRight("None       Letter Post", 67) + numbers(items, cumItems, bags, cumBags) +
           (geographic ? "   99" : "");
}

std::string titleLine(const std::string& date, int page) {
    return date + gap(23) + "Mailsort Line Report" + gap(25) + "Page: " + std::to_string(page);
}

std::string formatName(const std::string& format) {
    if (format == "LE") return "Letter";
    if (format == "LL") return "Large Letter";
    if (format == "A3") return "A3 Packet";
    if (format == "PK") return "Packet";
    return {};
}

// ---- The Post Office files ------------------------------------------------------------

std::int32_t codeNumber(const std::string& code) {
    std::int64_t n = 0;
    for (char c : code) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > 2147483647) return 2147483647;
    }
    return static_cast<std::int32_t>(n);
}

CsvRecord pofileRecord(const std::string& code, double bags) {
    return {{std::to_string(codeNumber(code)), false}, {numberText(bags), false}};
}

namespace {
CsvRecord texts(std::initializer_list<std::string> values) {
    CsvRecord r;
    for (const std::string& v : values) r.push_back({v, true});
    return r;
}
}  // namespace

CsvRecord polineRecord(const SelectionLine& l) {
    return texts({trim(padRight(l.code, 5)), trim(description50(l.description)), numberText(l.items),
                  numberText(l.cumItems), numberText(l.bags), numberText(l.cumBags)});
}

CsvRecord polineLetterPostRecord(double items, double cumItems, double bags, double cumBags) {
    return texts({"None", "Letter Post", numberText(items), numberText(cumItems), numberText(bags),
                  numberText(cumBags)});
}

void writeRecord(CsvWriter& out, const CsvRecord& r) {
    for (const CsvField& f : r) {
        if (f.quoted) out.quoted(f.value);
        else out.bare(f.value);
    }
    out.endRecord();
}

// ---- The report run ---------------------------------------------------------------------

void newfile(db::Database& db, const jobtables::KeyValues& kept) {
    std::optional<DbError> dropFailure;
    try {
        jobtables::dropSort(db);
    } catch (const DbError& e) {
        dropFailure = e;  // the make below says whether it matters
    }
    try {
        jobtables::makeSort(db, kept);
    } catch (const DbError& e) {
        // Without the table the labels would read the last run's rows, or none.
        throw RunFailure("table bags could not be made: " + (dropFailure ? dropFailure->description() : e.description()));
    }
}

namespace {

// One of the three files: replaced whole at close(); a failure to create,
// write or replace it fails the run, and the earlier file stays.
class OutFile {
public:
    explicit OutFile(const char* name) : name_(name) {
        write([&] { out_.emplace(name, LineEnd::CRLF); });
    }
    template <class F>
    void write(F&& f) {
        try {
            f();
        } catch (const std::system_error& e) {
            throw RunFailure(std::string(name_) + " could not be written: " + errorText(e.code().value()));
        }
    }
    CsvWriter& out() { return *out_; }
    void record(const CsvRecord& r) {
        write([&] { writeRecord(*out_, r); });
    }
    void flush() {
        write([&] { out_->flush(); });
    }
    void close() {
        write([&] { out_->close(); });
    }

private:
    const char* name_;
    std::optional<CsvWriter> out_;
};

struct Gathered {
    std::string code;
    Value rscode;
    std::string sflag;
    double seq = 0;
    bool residue() const { return !rscode.toString().empty() || sflag == "Y"; }
};

class LineReport {
public:
    LineReport(db::Database& db, platform::Printer& printer, const JobKeys& keys, const BagValues& values,
               double totrecs, const ReportHooks& hooks)
        : db_(db), printer_(printer), keys_(keys), values_(values), totrecs_(totrecs), hooks_(hooks),
          geographic_(keys.geographic()), numbering_(keys.bagLab, keys.bundleLab) {}

    ReportResult run() {
        openCursors();
        Gathered gathered;
        double items = 0;
        bool current = mm_ && !mm_->eof();
        if (current) gathered = take();
        Statistics& s = result_.stats;

        firstHeader();
        if (geographic_ && current) seqCol_ = seqColumn(mm_->get(f_.rgcode));

        OutFile pofile("POFILE.DAT"), poline("POLINE.CSV"), poaddr("POADDR.CSV");
        pofile_ = &pofile;
        poline_ = &poline;

        bool lastPass = false, letterPostSeen = false;
        Throttle throttle;
        while (current) {
            if (hooks_.stopRequested && hooks_.stopRequested()) {
                result_.stopped = true;
                break;
            }
            const std::string mscode = mm_->get(f_.mscode).toString();
            if (!lastPass) {
                if (mscode == "1") letterPostSeen = true;
                if (letterPostSeen) ++s.nomatch;
                else if (mm_->get(f_.rscode).toString().empty()) ++s.pcmatch;
                else ++s.townmatch;
                const std::string pcflag = mm_->get(f_.pcflag).toString();
                if (pcflag == "O") ++s.outonly;
                else if (pcflag == "F") ++s.fullpc;
                poaddr.write([&] { writeAddress(poaddr.out(), mscode); });
            }
            if (gathered.code == "1") {
                // Letter post from its first address on: counted, never gathered.
            } else if (mscode != gathered.code || lastPass) {
                finish(gathered, items);
                items = 1;
                if (mscode != "1") ++cumItems_;
                gathered = take();
                if (geographic_) seqCol_ = seqColumn(mm_->get(f_.rgcode));
            } else {
                ++items;
                ++cumItems_;
            }
            current = advance(lastPass);
            if (hooks_.progress && (!current || throttle.due())) hooks_.progress(s.procrecs / totrecs_ * 100, !current);
        }

        if (result_.stopped) {
            // A cancelled report, its rows and its files would pass for the
            // job's: none is kept, so the run before stays whole, as after a
            // kill (the caller rolls the rows back; the files never go into place).
            if (printer_.documentOpen()) printer_.killDoc();
            return result_;
        }
        if (s.nomatch > 0) letterPost(gathered.seq);
        print(EndLine);
        // Rows and files are in place before the document is ended: one that
        // fails keeps the report from being sent.
        storeAll({&poaddr, &poline, &pofile});
        if (hooks_.following) {
            if (!printer_.newPage()) printerFailed();
            hooks_.following(LineReportEnd{db_, printer_, keys_, values_, s});
        } else if (!printer_.endDoc()) {
            printerFailed();
        }
        return result_;
    }

private:
    struct Fields {
        int mscode = -1, rscode = -1, sflag = -1, seq = -1, pcflag = -1, rgcode = -1;
        int address[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    };

    void openCursors() {
        try {
            mm_ = db_.openTable(jobtables::Mmwork);
            mm_->setIndex("Key2");
            f_.mscode = mm_->fieldIndex("mscode");
            f_.rscode = mm_->fieldIndex("rscode");
            f_.sflag = mm_->fieldIndex("sflag");
            f_.seq = mm_->fieldIndex("seq");
            f_.pcflag = mm_->fieldIndex("pcflag");
            f_.rgcode = mm_->fieldIndex("rgcode");
            const char* names[8] = {"name", "address1", "address2", "address3", "address4", "town", "county", "postcode"};
            for (int i = 0; i < 8; ++i) f_.address[i] = mm_->fieldIndex(names[i]);
            if (mm_->recordCount() > 0) mm_->moveFirst();
        } catch (const DbError& e) {
            // An empty report would pass for the job's.
            throw RunFailure("mmwork could not be read: " + e.description());
        }
        try {
            label_ = db_.openTable("label");
            label_->setIndex("PrimaryKey");
            mdlab_ = label_->fieldIndex("mdlab");
        } catch (const DbError&) {
            label_.reset();
        }
        try {
            bags_ = db_.openTable(jobtables::Bags);
        } catch (const DbError& e) {
            throw RunFailure("table bags could not be filled: " + e.description());
        }
    }

    Gathered take() const {
        Gathered g;
        g.code = mm_->get(f_.mscode).toString();
        g.rscode = mm_->get(f_.rscode);
        g.sflag = mm_->get(f_.sflag).toString();
        g.seq = mm_->get(f_.seq).toDouble();
        return g;
    }

    // Moves on; past the last address the walk visits it once more, only to
    // complete the last selection. False when the walk has ended. A walk
    // that cannot move on fails: the rest of the job would be missing from
    // the report, the files and bags.
    bool advance(bool& lastPass) {
        try {
            mm_->moveNext();
            if (!lastPass && mm_->eof()) {
                lastPass = true;
                mm_->moveLast();
                return !mm_->eof();
            }
        } catch (const DbError& e) {
            throw RunFailure("mmwork could not be read: " + e.description());
        }
        ++result_.stats.procrecs;
        return !mm_->eof();
    }

    // The files written out, the bags rows stored, and only then each file
    // put in place: a failure on the way leaves the earlier rows and files.
    void storeAll(std::initializer_list<OutFile*> files) {
        for (OutFile* f : files) f->flush();
        saveOrFail(db_, "table bags");
        for (OutFile* f : files) f->close();
    }

    void writeAddress(CsvWriter& w, const std::string& mscode) {
        for (int i = 0; i < 8; ++i) w.quoted(mm_->get(f_.address[i]).toString());
        w.quoted("");
        w.quoted("");
        w.quoted(mscode);
        w.endRecord();
    }

    std::optional<std::string> description(const std::string& code) {
        if (!label_) return std::string();
        try {
            label_->seek("=", Value(code));
            if (label_->noMatch()) return std::nullopt;
            return label_->get(mdlab_).toString();
        } catch (const DbError&) {
            return std::string();
        }
    }

    void finish(const Gathered& g, double items) {
        const auto desc = description(g.code);
        if (!desc) {
            ++result_.dropped;
            return;
        }
        const BagCount count = bagsAndBundles(items, values_);
        cumBags_ += count.bags;
        SelectionLine line{g.code, *desc, items, cumItems_, count.bags, cumBags_, seqCol_};
        print(selectionLineText(line));
        ++lineCounter_;
        ++result_.lines;
        poline_->record(polineRecord(line));
        pofile_->record(pofileRecord(g.code, count.bags));
        Statistics& s = result_.stats;
        if (g.residue()) {
            ++s.ressels;
            s.resitems += items;
            s.resbags += count.bags;
            s.resbund += count.bundles;
        } else {
            ++s.dirsels;
            s.diritems += items;
            s.dirbags += count.bags;
            s.dirbund += count.bundles;
        }
        addRow(numbering_.selection(cumItems_, cumBags_, s.resbund, g.seq));
        if (lineCounter_ >= (keys_.laser() ? 80 : 70)) continuationHeader();
    }

    // firstSeq: the seq of the first letter-post address.
    void letterPost(double firstSeq) {
        const Statistics& s = result_.stats;
        const double bags = bagsOf(s.nomatch, values_.bagitems);
        cumBags_ += bags;
        print(letterPostLineText(s.nomatch, cumItems_ + s.nomatch, bags, cumBags_, geographic_));
        poline_->record(polineLetterPostRecord(s.nomatch, cumItems_ + s.nomatch, bags, cumBags_));
        addRow(numbering_.letterPost(cumItems_, s.nomatch, cumBags_, s.resbund, firstSeq));
    }

    void addRow(const BagRow& r) {
        using namespace jobtables::bagfield;
        try {
            bags_->addNew();
            bags_->set(BagNumber, r.bagNumber);
            if (r.labelStart) bags_->set(LabelStart, *r.labelStart);
            bags_->set(LabelNumber, r.labelNumber);
            if (r.bundleNumber) bags_->set(BundleNumber, *r.bundleNumber);
            bags_->set(Seq, r.seq);
            bags_->update();
        } catch (const DbError& e) {
            if (bags_->editing()) bags_->cancelUpdate();
            // A row missing would misplace every bag label after it.
            throw RunFailure("table bags could not be filled: " + e.description());
        }
    }

    void print(const std::string& text) {
        if (!printer_.print(QString::fromStdString(text))) printerFailed();
    }
    [[noreturn]] void printerFailed() {
        throw RunFailure("the Mailsort Line Report could not be printed: " + printer_.lastError().toStdString());
    }

    void titleLines() {
        printer_.setFontSize(11);
        print(titleLine(todayText(), printer_.page()));
        print(" " + keys_.companyName);
        print(" ");
    }

    void columnHeading() {
        printer_.setFontSize(keys_.laser() ? 8 : 9);
        print(ColumnHeading);
        print(" ");
        lineCounter_ = 5;
    }

    void firstHeader() {
        printer_.setDocumentTitle(QStringLiteral("Mailsort Line Report"));
        printer_.setFontName(QStringLiteral("Courier New"));
        titleLines();
        print("Job Reference: " + keys_.jobRef);
        print("Mail Format: " + formatName(keys_.format));
        print(" ");
        columnHeading();
    }

    void continuationHeader() {
        if (!printer_.newPage()) printerFailed();
        titleLines();
        columnHeading();
    }

    db::Database& db_;
    platform::Printer& printer_;
    const JobKeys& keys_;
    const BagValues& values_;
    const double totrecs_;
    const ReportHooks& hooks_;
    const bool geographic_;
    BagNumbering numbering_;
    std::unique_ptr<db::Recordset> mm_, label_, bags_;
    Fields f_;
    int mdlab_ = -1;
    OutFile* pofile_ = nullptr;
    OutFile* poline_ = nullptr;
    double cumItems_ = 0, cumBags_ = 0;
    std::string seqCol_ = "     ";
    int lineCounter_ = 0;
    ReportResult result_;
};

}  // namespace

ReportResult linerep(db::Database& db, platform::Printer& printer, const JobKeys& keys, const BagValues& values,
                     double totrecs, const ReportHooks& hooks) {
    return LineReport(db, printer, keys, values, totrecs, hooks).run();
}

}  // namespace qv::sortation
