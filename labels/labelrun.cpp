#include "labels/labelrun.h"

#include "common/jobtables.h"
#include "common/parm/bagvalues.h"
#include "common/parm/parmrecord.h"
#include "common/suitetexts.h"
#include "common/text/numtext.h"
#include "labels/addresslabel.h"
#include "labels/bagbox.h"
#include "platform/strings.h"

#include <memory>

namespace qv::labels {

namespace key = parm::key;
namespace bagfield = jobtables::bagfield;
using Status = RunResult::Status;

double percentAfter(double previous, const PercentInputs& in) {
    double p = previous;
    const double d = in.to - in.from;
    if (in.printType == 'A') {
        if (in.jobRecords == 0) return previous;
        p = in.records / in.jobRecords * 100;
    } else if (in.printType == 'L') {
        if (d > 0) {
            if (in.labelTotal - 1 <= d) {
                if (in.labelTotal - 1 == 0) return previous;
                p = in.labelNumber / (in.labelTotal - 1) * 100;
            } else {
                p = (in.labelNumber - in.from) / d * 100;
            }
        }
    } else if (d > 0) {
        if (d < in.bagRows) {
            p = (in.bagNumber - in.from) / d * 100;
        } else {
            if (in.bagRows == 0) return previous;
            p = in.bagNumber / in.bagRows * 100;
        }
    }
    if (p > 100 || (in.printType == 'B' && d == 0 && in.bagNumber >= in.from) ||
        (in.printType == 'L' && d == 0 && in.labelNumber >= in.from))
        p = 100;
    else if (p < 0)
        p = 0;
    return p;
}

namespace {

using qv::platform::qs;

QString noAddresses() {
    return qs(texts::noAddresses("print", "Apply Mailsort Codes and Print PO Reports"));
}
QString noBags() {
    return QStringLiteral("There are no bag details to print: the job's bag table is missing or empty. Run Print "
                          "PO Reports first.");
}
// The bags and the reports hold the sort's keys: labels by the keys of now
// would count other bags and print other codes.
QString keysChanged(const jobtables::SortState& sort) {
    return QStringLiteral("The job's keys have changed since it was sorted: ") +
           qs(jobtables::changesText(sort.changes)) +
           QStringLiteral(". Run Print PO Reports again, then print the labels.");
}

// mmwork's fields, looked up once.
struct WorkFields {
    int name, address1, address2, address3, town, county, postcode, ref, mscode, rscode, sflag, rgcode;
    explicit WorkFields(const db::Recordset& rs)
        : name(rs.fieldIndex("name")), address1(rs.fieldIndex("address1")), address2(rs.fieldIndex("address2")),
          address3(rs.fieldIndex("address3")), town(rs.fieldIndex("town")), county(rs.fieldIndex("county")),
          postcode(rs.fieldIndex("postcode")), ref(rs.fieldIndex("ref")), mscode(rs.fieldIndex("mscode")),
          rscode(rs.fieldIndex("rscode")), sflag(rs.fieldIndex("sflag")), rgcode(rs.fieldIndex("rgcode")) {}
};

class Walk {
public:
    Walk(db::Database& db, const RunRequest& req, LabelOutput& out, const RunCallbacks& cb, Session& session,
         const LabelKeys& keys)
        : db_(db), req_(req), out_(out), cb_(cb), session_(session), k_(keys), laser_(out.laser()) {}

    RunResult run(db::Recordset& work, db::Recordset& bags, double labelTotal);

private:
    struct Codes {
        QString mscode, rscode, sflag;
    };
    Codes codesAt(db::Recordset& work) const {
        return {qs(work.get(f_->mscode).toString()), qs(work.get(f_->rscode).toString()),
                qs(work.get(f_->sflag).toString())};
    }
    AddressRecord addressAt(db::Recordset& work, const QString& mscode) const;
    void start(db::Recordset& work, db::Recordset& bags);
    // mmwork on the first address of the bags row's selection; false when there is none.
    bool seekSelection(db::Recordset& work, db::Recordset& bags);
    // The bag in hand lies in a bag range.
    bool bagInRange() const;
    double labelsBefore(db::Recordset& bags);
    bool residue() const { return isResidue(group_.rscode, group_.sflag); }
    void takeGroup(const Codes& c) { group_ = c; }
    bool rowOutput(bool last = false);
    void pageCheck();
    void bagbundle(BoxKind kind);
    void placeAddress(db::Recordset& work, const Codes& codes);
    QString description(const QString& code);
    void progress();

    db::Database& db_;
    const RunRequest& req_;
    LabelOutput& out_;
    const RunCallbacks& cb_;
    Session& session_;
    const LabelKeys& k_;
    const bool laser_;
    std::unique_ptr<WorkFields> f_;
    std::unique_ptr<db::Recordset> label_;
    QString lastCode_, lastDescription_;
    bool lookedUp_ = false;

    Geometry g_;
    RowBuffer row_;
    BagBox box_;

    double labelNo_ = 0, bagNo_ = 1, bundleNo_ = 1;
    double bagItems_ = 0, bundleItems_ = 0, bundleFill_ = 0, bagWeight_ = 0;
    double lastPrinted_ = 0;  // the last label of the rows written out
    double rowLast_ = 0;      // the last label placed in the row in hand
    long long rowsPrinted_ = 0;
    Codes group_;
    int nextCol_ = 1, bagCol_ = 1;  // the column the next label takes; 0: none (the range has ended)
    bool failed_ = false;

    double records_ = 0, jobRecords_ = 0, bagRows_ = 0, labelTotal_ = 0, percent_ = 0;
    double lastBag_ = 0;  // "Bag Number" of the last bags row: the job's last bag

    friend RunResult qv::labels::runLabels(db::Database&, const RunRequest&, const OutputFor&, const RunCallbacks&,
                                           Session&);
};

// `mscode` is the record's code as the walk already read it.
AddressRecord Walk::addressAt(db::Recordset& work, const QString& mscode) const {
    AddressRecord r;
    r.name = qs(work.get(f_->name).toString());
    r.address1 = qs(work.get(f_->address1).toString());
    r.address2 = qs(work.get(f_->address2).toString());
    r.address3 = qs(work.get(f_->address3).toString());
    r.town = qs(work.get(f_->town).toString());
    r.county = qs(work.get(f_->county).toString());
    r.postcode = qs(work.get(f_->postcode).toString());
    r.ref = qs(work.get(f_->ref).toString());
    r.mscode = mscode;
    r.rgcode = work.get(f_->rgcode).toDouble();
    return r;
}

// The labels of the job before a bags row: the Label Number of the row
// before it, 0 for the first row. The walk counts on from there, so a range
// is numbered as the whole job is.
double Walk::labelsBefore(db::Recordset& bags) {
    const int64_t at = bags.bookmark();
    bags.movePrevious();
    const double n = bags.bof() ? 0 : bags.get(bagfield::LabelNumber).toDouble();
    bags.setBookmark(at);
    return n;
}

bool Walk::seekSelection(db::Recordset& work, db::Recordset& bags) {
    work.seek(">=", db::Value(bags.get(bagfield::Seq).toDouble()));
    return !work.noMatch();
}

void Walk::start(db::Recordset& work, db::Recordset& bags) {
    labelNo_ = 0;
    bagNo_ = 1;
    bundleNo_ = 1;
    if (req_.from > 1 && req_.printType != 'A') {
        if (req_.printType == 'L') {
            bags.setIndex("Key2");
            bags.seek("<", db::Value(req_.from));
        } else {
            bags.setIndex("PrimaryKey");
            bags.seek("<=", db::Value(req_.from));
        }
        bool found = !bags.noMatch();
        // The Letter Post row holds the job's last bag, while the walk gives
        // the selection the bag after the one before it: a bag range starts
        // a selection earlier, so the Letter Post labels are numbered and
        // show their bag as in the whole job.
        if (found && req_.printType == 'B' && seekSelection(work, bags) &&
            isLetterPost(qs(work.get(f_->mscode).toString()))) {
            bags.movePrevious();
            found = !bags.bof();
            if (!found) work.moveFirst();
        }
        if (found) {
            // The walk starts at the first address of the row's selection.
            bundleNo_ = bags.get(bagfield::BundleNumber).toDouble();
            bagNo_ = bags.get(bagfield::BagNumber).toDouble();
            labelNo_ = labelsBefore(bags);
            if (!seekSelection(work, bags)) {
                // No address at or after the row: nothing of the range is left.
                work.moveLast();
                work.moveNext();
            }
            // Before the first residue selection no bundle has a number yet.
            if (bundleNo_ <= 0) bundleNo_ = 1;
        }
    }
    if (bagNo_ == 0) bagNo_ = 1;
}

bool Walk::bagInRange() const {
    // The walk never splits the Letter Post selection, which the sortation
    // counts as bags up to the job's last: a range that reaches any of them
    // takes the whole selection. Asked per address, so the Letter Post test
    // is made only for a bag below the range.
    if (bagNo_ > req_.to) return false;
    return req_.from <= bagNo_ || (req_.from <= lastBag_ && isLetterPost(group_.mscode));
}

QString Walk::description(const QString& code) {
    if (lookedUp_ && code == lastCode_) return lastDescription_;
    lastCode_ = code;
    lookedUp_ = true;
    lastDescription_.clear();
    if (!label_) return lastDescription_;
    try {
        label_->seek("=", db::Value(code.toStdString()));
        if (!label_->noMatch()) lastDescription_ = qs(label_->get("mdlab").toString());
    } catch (const db::DbError&) {
    }
    return lastDescription_;
}

bool Walk::rowOutput(bool last) {
    if (!row_.holdsRow() || failed_) return !failed_;
    const bool closing = last && laser_;
    if (!out_.writeRow(row_, closing)) {
        failed_ = true;
        return false;
    }
    row_.clear();
    if (closing) return true;
    ++rowsPrinted_;
    lastPrinted_ = rowLast_;
    pageCheck();
    return true;
}

void Walk::pageCheck() {
    // A full page is closed; an empty one never is.
    if (laser_ && rowsPrinted_ > 0 && double(rowsPrinted_) == k_.labelsPage) {
        out_.newPage();
        rowsPrinted_ = 0;
    }
}

void Walk::bagbundle(BoxKind kind) {
    if (k_.addressLab) rowOutput();
    pageCheck();
    const char t = req_.printType;
    const bool place = t == 'A' || (t == 'B' && bagInRange()) ||
                       (t == 'L' && req_.from - 1 <= labelNo_ && labelNo_ < req_.to);
    if (place) {
        BoxFacts facts;
        facts.kind = kind;
        facts.mscode = group_.mscode;
        facts.rscode = group_.rscode;
        facts.sflag = group_.sflag;
        facts.bagNumber = bagNo_;
        facts.bundleNumber = bundleNo_;
        facts.bagItems = bagItems_;
        facts.bundleItems = bundleItems_;
        if (!isLetterPost(group_.mscode)) facts.description = description(group_.mscode);
        const auto lines = box_.build(facts, k_);
        double pos = g_.col1Base;
        int k = 1;
        if (!k_.addressLab) {
            k = bagCol_ >= 1 && bagCol_ <= 3 ? bagCol_ : 4;
            if (k == 1) rowOutput();
            pos = g_.column(k);
            bagCol_ = g_.following(k);
        }
        const int column = wholeColumns(pos);
        for (int i = 0; i < 8; ++i)
            if (!lines[std::size_t(i)].isEmpty())
                row_.place(i + 1, column, QStringView(lines[std::size_t(i)]).left(g_.charsAt(k)));
    }
    labelNo_ += 1;
    if (place) rowLast_ = labelNo_;
    nextCol_ = 1;
    if ((t == 'B' && bagNo_ > req_.to) || (t == 'L' && labelNo_ >= req_.to)) nextCol_ = 0;
    pageCheck();
    bundleFill_ = 0;
}

void Walk::placeAddress(db::Recordset& work, const Codes& codes) {
    if (nextCol_ < 1 || nextCol_ > 4) return;
    if (nextCol_ == 1 && !rowOutput()) return;
    const int k = nextCol_;
    nextCol_ = g_.following(k);
    printLabel(row_, addressAt(work, codes.mscode), k_, g_.charsAt(k), wholeColumns(g_.column(k)), bagNo_,
               session_.refCounter);
    rowLast_ = labelNo_ + 1;
}

void Walk::progress() {
    records_ += 1;
    PercentInputs in;
    in.printType = req_.printType;
    in.from = req_.from;
    in.to = req_.to;
    in.records = records_;
    in.jobRecords = jobRecords_;
    in.bagRows = bagRows_;
    in.labelTotal = labelTotal_;
    in.labelNumber = labelNo_;
    in.bagNumber = bagNo_;
    percent_ = percentAfter(percent_, in);
    if (cb_.progress) cb_.progress(percent_);
}

RunResult Walk::run(db::Recordset& work, db::Recordset& bags, double labelTotal) {
    f_ = std::make_unique<WorkFields>(work);
    try {
        label_ = db_.openTable("label");
        label_->setIndex("PrimaryKey");
    } catch (const db::DbError&) {
        label_.reset();  // boxes then show no description
    }
    labelTotal_ = labelTotal;
    start(work, bags);

    RunResult result;
    const char t = req_.printType;
    if (!work.eof()) {
        group_ = codesAt(work);
        row_.reset(g_.rowWidth);
        lastPrinted_ = 0;
        bool end = false;
        bool cancelled = false;
        Codes rec = group_;  // the codes of the record in hand
        while (!end && !failed_) {
            if (cb_.stopRequested && cb_.stopRequested()) {
                cancelled = true;
                break;
            }
            // 1. A new selection closes the one in hand.
            if (group_.mscode != rec.mscode) {
                if (k_.bagLab || k_.bundleLab) {
                    if (k_.bundleLab && bundleItems_ > 0 && residue()) {
                        bagbundle(BoxKind::Bundle);
                        bundleNo_ += 1;
                        bundleItems_ = 0;
                    }
                    if (k_.bagLab) {
                        bagbundle(BoxKind::Bag);
                        bagItems_ = 0;
                        bundleItems_ = 0;
                    }
                }
                bagNo_ += 1;
                bagWeight_ = 0;
                takeGroup(rec);
                // Each selection counts its own bag and bundles from its first address.
                bagItems_ = 0;
                bundleItems_ = 0;
                bundleFill_ = 0;
                if (failed_) break;
            }
            // 2. Counting in.
            bundleFill_ += 1;
            bagWeight_ += k_.weight;
            // 3-4. The address label, when it is in the range.
            const bool inRange = t == 'A' || (t == 'B' && bagInRange()) ||
                                 (t == 'L' && labelNo_ >= req_.from - 1);
            if (inRange && k_.addressLab) placeAddress(work, rec);
            if (failed_) break;
            // 5. Every record counts, placed or not.
            bagItems_ += 1;
            bundleItems_ += 1;
            labelNo_ += 1;
            // 6.
            progress();
            work.moveNext();
            const bool atEnd = work.eof();
            if (!atEnd) rec = codesAt(work);
            // 7. The end.
            if (atEnd || (t == 'L' && labelNo_ >= req_.to) || (t == 'B' && bagNo_ >= req_.to + 1)) {
                end = true;
                rowOutput();
                if (atEnd && !failed_) {
                    pageCheck();
                    if (k_.bundleLab && residue()) bagbundle(BoxKind::Bundle);
                    if (k_.bagLab && !failed_) bagbundle(BoxKind::Bag);
                    rowOutput(true);
                }
                break;
            }
            // 8. A bundle or a bag that fills up inside the selection.
            const bool bagFull = bagWeight_ + k_.weight > k_.bagMax && group_.mscode == rec.mscode &&
                                 group_.mscode != QLatin1String("1");
            if (k_.bundleLab && (bundleFill_ == k_.bundleMax || bagFull)) {
                if (residue()) {
                    bagbundle(BoxKind::Bundle);
                    bundleNo_ += 1;
                    bundleItems_ = 0;
                }
            }
            if (bagFull) {
                if (k_.bagLab) {
                    bagbundle(BoxKind::Bag);
                    bagItems_ = 0;
                    bundleItems_ = 0;
                }
                bagNo_ += 1;
                bagWeight_ = 0;
            }
        }
        if (cancelled) result.status = Status::Cancelled;
    }
    result.lastLabelPrinted = lastPrinted_;
    result.labelNumber = labelNo_;
    result.percent = percent_;
    if (failed_) result.status = Status::Failed;
    return result;
}

// `kept`: what the run wrote has been printed all the same; otherwise it was
// thrown away, and a number printed would have the user go on after labels
// that never came out.
QString failureText(bool laser, const QString& why, double lastPrinted, bool kept) {
    QString text = laser ? QStringLiteral("The labels could not be printed: ") + why
                         : QStringLiteral("The labels could not be printed on LPT1: ") + why;
    if (lastPrinted > 0 && kept)
        text += QStringLiteral("  Last label number printed: ") + QString::fromStdString(numberText(lastPrinted));
    else if (lastPrinted > 0)
        text += QStringLiteral("  None of this run's labels has been printed.");
    return text;
}

// A failed save's cause, without the database layer's own lead-in.
QString causeOf(const db::DbError& e) {
    const std::string d = e.description();
    for (const std::string lead : {"The changes could not be saved yet: ", "The changes could not be saved: "})
        if (d.starts_with(lead)) return qs(d.substr(lead.size()));
    return qs(d);
}

// Clears the run flags (and stores the range) and saves them to the file at
// once. Flags left "Y" would start a later step as a run in hand, so a
// failure is told with the run's own message, never passed over.
void storeRunFlags(db::Database& db, parm::ParmRecord& parm, const RunRequest* range, RunResult& result) {
    try {
        if (parm.editing()) parm.recordset().cancelUpdate();
        parm.edit();
        parm.set(key::RunAlone, "N");
        parm.set(key::RunLabels, "N");
        if (range) {
            parm.set(key::Labfrom, range->fromText.toStdString());
            parm.set(key::Labto, range->toText.toStdString());
            parm.set(key::Labopt, std::string(1, range->option));
        }
        parm.update();
        db.save();
    } catch (const db::DbError& e) {
        if (result.status == Status::Completed || result.status == Status::Cancelled) result.status = Status::Failed;
        if (!result.message.isEmpty()) result.message += QStringLiteral("  ");
        result.message += QStringLiteral("The run flags could not be saved: ") + causeOf(e);
    }
}

}  // namespace

RunResult runLabels(db::Database& db, const RunRequest& request, const OutputFor& outputFor,
                    const RunCallbacks& callbacks, Session& session) {
    parm::ParmRecord parm(db);
    RunResult result;
    LabelOutput* begun = nullptr;  // ended whatever happens
    auto refuse = [&](Status status, const QString& message) {
        result.status = status;
        result.message = message;
        storeRunFlags(db, parm, nullptr, result);
        return result;
    };

    try {
        const LabelKeys keys = readKeys(parm);

        // The clean-up drops the work tables; a job never sorted, or sorted
        // by other keys than parmcode holds now, has no bags to place labels by.
        const jobtables::SortState sort = jobtables::sortState(db);
        switch (sort.kind) {
            case jobtables::SortState::Kind::NoAddresses: return refuse(Status::Refused, noAddresses());
            case jobtables::SortState::Kind::NotSorted: return refuse(Status::Refused, noBags());
            case jobtables::SortState::Kind::KeysChanged: return refuse(Status::Refused, keysChanged(sort));
            case jobtables::SortState::Kind::Sorted: break;
        }
        std::unique_ptr<db::Recordset> work = db.openTable(jobtables::Mmwork);
        std::unique_ptr<db::Recordset> bags = db.openTable(jobtables::Bags);

        // The walk closes bags and bundles by these keys; keys the sortation
        // refuses would put labels where the sortation put no bag.
        const parm::BagValuesOrRefusal bagging = parm::bagValues(parm::BagKeys::read(parm));
        if (!bagging.values) return refuse(Status::Refused, qs(bagging.refusal));
        if (auto why = geometryKeysRefusal(parm)) return refuse(Status::Refused, *why);
        // Labels off the sheet would be lost; the earlier output stays.
        if (keys.laser)
            if (auto why = sheetRefusal(keys)) return refuse(Status::Refused, *why);

        LabelOutput& out = outputFor(keys.laser);
        Walk walk(db, request, out, callbacks, session, keys);
        walk.jobRecords_ = double(work->recordCount());
        walk.bagRows_ = double(bags->recordCount());
        bags->moveLast();
        const double labelTotal = bags->get(bagfield::LabelNumber).toDouble();
        walk.lastBag_ = bags->get(bagfield::BagNumber).toDouble();
        bags->moveFirst();
        work->setIndex("Key2");
        work->moveFirst();

        if (!keys.laser) {
            walk.g_ = dotGeometry(keys);
            if (auto why = geometryRefusal(keys, walk.g_)) return refuse(Status::Refused, *why);
        }
        if (!out.begin(keys)) return refuse(Status::Failed, failureText(keys.laser, out.error(), 0, false));
        begun = &out;
        if (keys.laser) {
            walk.g_ = laserGeometry(keys, out.characterWidthMm());
            if (auto why = geometryRefusal(keys, walk.g_)) {
                begun = nullptr;
                out.abandon();
                return refuse(Status::Refused, *why);
            }
        }

        result = walk.run(*work, *bags, labelTotal);
        begun = nullptr;
        // Only a run that reached its end or was cancelled puts its output in place.
        const bool walked = result.status != Status::Failed;
        if (!walked) out.abandon();
        const bool finished = walked && out.finish();
        if (!finished) {
            result.status = Status::Failed;
            result.message =
                failureText(keys.laser, out.error(), result.lastLabelPrinted, out.keepsWhatItWrote());
            storeRunFlags(db, parm, nullptr, result);
            return result;
        }
        if (result.status == Status::Cancelled)
            result.message = QStringLiteral("Last label number printed: ") +
                             QString::fromStdString(numberText(result.lastLabelPrinted));
        storeRunFlags(db, parm, &request, result);
        return result;
    } catch (const db::DbError& e) {
        // The rows so far are no run's labels: the earlier output stays.
        if (begun) begun->abandon();
        result.status = Status::Failed;
        result.unexpected = true;
        result.message = QString::fromStdString(texts::unexpectedError(e.number(), e.description()));
        storeRunFlags(db, parm, nullptr, result);
        return result;
    }
}

}  // namespace qv::labels
