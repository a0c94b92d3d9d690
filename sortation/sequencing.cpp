#include "sortation/sequencing.h"

#include "common/jobtables.h"
#include "common/text/chars.h"
#include "common/text/numtext.h"
#include "common/text/sectorkeys.h"
#include "sortation/throttle.h"

namespace qv::sortation {

using db::DbError;
using db::Value;

CentreKeys centreKeys(const std::string& postcode) {
    const std::size_t blank = postcode.find(' ');
    if (blank == std::string::npos) {
        // Typed without its blank: split as the job parameters split it, so
        // that the postcode they accepted finds its sector here too.
        if (const auto keys = sectorKeys(postcode)) return {keys->sector, keys->outward};
        return {postcode, postcode};
    }
    const std::string outward = postcode.substr(0, blank);
    const std::string digit = mid(postcode.substr(blank + 1), 1, 1);
    return {(charLength(outward) < 4 ? padRight(outward, 4) : outward) + digit, outward};
}

std::string getseq(db::Database& db, const std::string& postcode) {
    const CentreKeys keys = centreKeys(postcode);
    auto pcode = db.openTable("pcode");
    pcode->setIndex("PrimaryKey");
    pcode->seek("=", Value(keys.sector));
    if (pcode->noMatch()) pcode->seek("=", Value(keys.outward));
    if (pcode->noMatch()) return {};
    const std::string residue = left(pcode->get("mdsel").toString(), 3);
    auto sequence = db.openTable("sequence");
    sequence->setIndex("PrimaryKey");
    sequence->seek("=", Value(residue));
    if (sequence->noMatch()) return {};
    return sequence->get("mdsorts").toString();
}

RegionLookup::RegionLookup(db::Database& db, std::string regorder)
    : region_(db.openTable("region")), regorder_(std::move(regorder)) {
    region_->setIndex("PrimaryKey");
    mdreg_ = region_->fieldIndex("mdreg");
}

std::optional<int> RegionLookup::rgcode(const std::string& mscode) {
    std::string key = left(mscode, 3);
    if (charLength(key) < 3) key = padRight(key, 3);
    if (auto it = memo_.find(key); it != memo_.end()) return it->second;
    std::optional<int> result;
    region_->seek("=", Value(key));
    if (region_->noMatch()) {
        result = 99;
    } else {
        const double p = region_->get(mdreg_).toDouble() * 2 - 1;
        const std::string at = p >= 1 ? mid(regorder_, std::size_t(p), 2) : std::string();
        if (!at.empty()) result = static_cast<int>(leadingNumber(at));
    }
    memo_.emplace(key, result);
    return result;
}

double codeValue(const std::string& code) { return leadingNumber(code); }

bool goesToResidue(const std::string& code, double count, const JobKeys& k, double minSelection) {
    if (code == "1") return false;
    if (count < minSelection) return true;
    if (k.mailsort120 == "Y" && (k.service == "M1" || k.service == "M2" || k.service == "M3")) return true;
    return k.resOnly == "Y";
}

namespace {

struct Fields {
    int mscode, rscode, rgcode, sflag, seq;
    explicit Fields(const db::Recordset& rs)
        : mscode(rs.fieldIndex("mscode")), rscode(rs.fieldIndex("rscode")), rgcode(rs.fieldIndex("rgcode")),
          sflag(rs.fieldIndex("sflag")), seq(rs.fieldIndex("seq")) {}
};

class Pass {
public:
    Pass(db::Database& db, const JobKeys& keys, const BagValues& values, RegionLookup& regions,
         const PassHooks& hooks)
        : rs_(db.openTable(jobtables::Mmwork)), f_(*rs_), keys_(keys), values_(values), regions_(regions),
          hooks_(hooks), geographic_(keys.geographic()) {
        rs_->setIndex("Key1");
    }

    PassResult run() {
        const double total = double(rs_->recordCount());
        if (total == 0) return result_;
        rs_->moveFirst();
        std::string group = code();
        double count = 1;
        double counter = 1;
        Throttle throttle;
        while (!rs_->eof()) {
            if (hooks_.stopRequested && hooks_.stopRequested()) {
                result_.stopped = true;
                break;
            }
            ++result_.records;
            const std::string current = code();
            if (geographic_ || current == "1") regionKey(current);

            if (!moveNext()) break;
            const std::string next = rs_->eof() ? std::string("0") : code();
            if (next == "1") {
                // Letter post is never counted into a group and never closes one.
            } else if (next == group) {
                ++count;
            } else {
                if (goesToResidue(group, count, keys_, values_.minSelection)) recode(group, count);
                count = 1;
                if (!rs_->eof()) group = code();
            }

            ++counter;
            const bool last = rs_->eof();
            if (hooks_.progress && (last || throttle.due())) hooks_.progress(counter / total * 100, last);
        }
        return result_;
    }

private:
    std::string code() const { return rs_->get(f_.mscode).toString(); }

    // The region position and the key by region of the current record.
    void regionKey(const std::string& mscode) {
        try {
            rs_->edit();
            const std::optional<int> rg = regions_.rgcode(mscode);
            if (rg) rs_->set(f_.rgcode, *rg);
            const double region = rs_->get(f_.rgcode).toDouble();
            const Value rscode = rs_->get(f_.rscode);
            // A record that an earlier run sent to residue keeps the residue
            // form of the key, so that a re-run sorts the job as the first did.
            const bool residueForm =
                !(rscode.isText() && rscode.text().empty()) || rs_->get(f_.sflag).toString() == "Y";
            rs_->set(f_.seq, region * 1000000 + codeValue(mscode) * (residueForm ? 1000 : 1));
            rs_->update();
        } catch (const DbError&) {
            skipFailedStep();
        }
    }

    // Sends the count records of group to its residue; the walk then goes on
    // at the record it stood on.
    void recode(const std::string& group, double count) {
        std::optional<int64_t> resume;
        if (!rs_->eof()) resume = rs_->bookmark();
        const std::string residue = left(group, 3);
        const double residueValue = codeValue(residue);
        try {
            rs_->seek("=", Value(group));
            for (double i = 0; i < count && !rs_->noMatch() && !rs_->eof(); ++i) {
                if (code() != group) break;
                try {
                    rs_->edit();
                    rs_->set(f_.mscode, residue);
                    if (geographic_) {
                        const std::optional<int> rg = regions_.rgcode(residue);
                        if (rg) rs_->set(f_.rgcode, *rg);
                        rs_->set(f_.seq, rs_->get(f_.rgcode).toDouble() * 1000000 + residueValue * 1000);
                    } else {
                        rs_->set(f_.seq, residueValue * 1000);
                    }
                    rs_->set(f_.sflag, "Y");
                    rs_->update();
                    ++result_.recoded;
                } catch (const DbError&) {
                    skipFailedStep();
                }
                rs_->moveNext();
            }
        } catch (const DbError&) {
            ++result_.failedSteps;
        }
        try {
            if (resume) rs_->setBookmark(*resume);
            else toEnd();
        } catch (const DbError&) {
            ++result_.failedSteps;
            toEnd();
        }
    }

    void toEnd() {
        rs_->moveLast();
        rs_->moveNext();
    }

    bool moveNext() {
        try {
            rs_->moveNext();
            return true;
        } catch (const DbError&) {
            // A walk that cannot move on has ended.
            ++result_.failedSteps;
            return false;
        }
    }

    void skipFailedStep() {
        ++result_.failedSteps;
        if (rs_->editing()) rs_->cancelUpdate();
    }

    std::unique_ptr<db::Recordset> rs_;
    Fields f_;
    const JobKeys& keys_;
    const BagValues& values_;
    RegionLookup& regions_;
    const PassHooks& hooks_;
    const bool geographic_;
    PassResult result_;
};

}  // namespace

PassResult allocate(db::Database& db, const JobKeys& keys, const BagValues& values, RegionLookup& regions,
                    const PassHooks& hooks) {
    return Pass(db, keys, values, regions, hooks).run();
}

}  // namespace qv::sortation
