#include "sortation/sequencing.h"

#include "common/jobtables.h"
#include "common/text/chars.h"
#include "common/text/numtext.h"
#include "common/text/sectorkeys.h"
#include "sortation/runfailure.h"
#include "sortation/throttle.h"

#include <algorithm>
#include <vector>

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

// What the pass decided for one record.
struct Change {
    int64_t row = 0;
    double seq = 0;
    std::optional<int> rgcode;  // empty: the record keeps its own
    std::string residue;        // set when the record goes to residue
};

// Writes the pass's changes in one transaction, in storage order: a job
// that re-keys every record then rewrites each page of the table once
// instead of once per commit interval. The rows changed are only those the
// walk has passed, so the layer's view of the rows ahead stays true.
class ChangeWriter {
public:
    explicit ChangeWriter(db::Database& db) : db_(db) {}

    // The last change of each record wins. All are stored or none: a write
    // that fails (a full disk) throws DbError with the cause, and the caller
    // rolls the transaction back.
    void apply(std::vector<Change>& changes, const std::function<void()>& pause,
               const std::function<void()>& beforeCommit) {
        if (changes.empty()) return;
        std::stable_sort(changes.begin(), changes.end(),
                         [](const Change& a, const Change& b) { return a.row < b.row; });
        const bool recodes = std::any_of(changes.begin(), changes.end(), [](const Change& c) { return !c.residue.empty(); });
        db_.beginTransaction();
        auto update = db_.bulkUpdate(jobtables::Mmwork);
        // Many changed keys: the indexes over them are sorted afresh once
        // instead of being updated row by row (in the same transaction, so
        // no one ever sees the table without them).
        if (changes.size() >= kBulk)
            update->suspendIndexesOver(recodes ? std::vector<std::string>{"seq", "mscode"}
                                               : std::vector<std::string>{"seq"});
        // A change without a region number leaves the record's own.
        const int keyed = update->fields({"seq"});
        const int keyedRegion = update->fields({"seq", "rgcode"});
        const int recoded = update->fields({"seq", "mscode", "sflag"});
        const int recodedRegion = update->fields({"seq", "mscode", "sflag", "rgcode"});
        const Value flag("Y");
        Value values[4] = {Value(), Value(), flag, Value()};
        Throttle throttle;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (i + 1 < changes.size() && changes[i + 1].row == changes[i].row) continue;
            const Change& c = changes[i];
            values[0] = Value(c.seq);
            std::size_t n = 1;
            int list;
            if (c.residue.empty()) {
                list = c.rgcode ? keyedRegion : keyed;
                if (c.rgcode) values[n++] = Value(int64_t(*c.rgcode));
            } else {
                list = c.rgcode ? recodedRegion : recoded;
                values[1] = Value(c.residue);
                n = 3;
                if (c.rgcode) values[n++] = Value(int64_t(*c.rgcode));
            }
            update->write(list, c.row, std::span<const Value>(values, n));
            if (pause && (i & 1023) == 0 && throttle.due()) pause();
        }
        update->finish();
        if (beforeCommit) beforeCommit();
        db_.commitTransaction();
    }

private:
    static constexpr std::size_t kBulk = 20000;

    db::Database& db_;
};

class Pass {
public:
    Pass(db::Database& db, const JobKeys& keys, const BagValues& values, RegionLookup& regions,
         const PassHooks& hooks)
        : db_(db), rs_(db.openTable(jobtables::Mmwork)), f_(*rs_), keys_(keys), values_(values), regions_(regions),
          hooks_(hooks), geographic_(keys.geographic()) {
        rs_->setIndex("Key1");
    }

    PassResult run() {
        walk();
        rs_.reset();
        // What was decided before a cancel is written as well.
        result_.changed = !changes_.empty();
        try {
            ChangeWriter(db_).apply(changes_, hooks_.pause, hooks_.withChanges);
        } catch (const DbError& e) {
            if (db_.inTransaction()) db_.rollback();
            // Nothing of the pass is stored: the job must not go on as sorted.
            throw RunFailure("mmwork could not be stored: " + e.description());
        }
        return result_;
    }

private:
    // The records of the group being counted: where they are and their region number.
    struct Member {
        int64_t row;
        double rgcode;
        db::Value stored;    // rgcode as stored
        double seq;          // as stored, or as the region step set it
        bool residue;        // already coded to its residue by an earlier run
    };

    void walk() {
        const double total = double(rs_->recordCount());
        if (total == 0) return;
        rs_->moveFirst();
        // Each record's code is read once: the look ahead becomes the current.
        std::string current = code();
        std::string group = current;
        double count = 1;
        double counter = 1;
        Throttle throttle;
        while (!rs_->eof()) {
            if (hooks_.stopRequested && hooks_.stopRequested()) {
                result_.stopped = true;
                break;
            }
            ++result_.records;
            const Value rg = rs_->get(f_.rgcode);
            Member m{rs_->bookmark(), rg.toDouble(), rg, rs_->get(f_.seq).toDouble(),
                     rs_->get(f_.sflag).toString() == "Y"};
            if (geographic_ || current == "1") regionKey(m, current);
            if (current != "1") members_.push_back(m);

            moveNext();
            std::string next = rs_->eof() ? std::string("0") : code();
            if (next == "1") {
                // Letter post is never counted into a group and never closes one.
            } else if (next == group) {
                ++count;
            } else {
                if (goesToResidue(group, count, keys_, values_.minSelection)) recode(group);
                members_.clear();
                count = 1;
                if (!rs_->eof()) group = next;
            }
            current = std::move(next);

            ++counter;
            const bool last = rs_->eof();
            if (hooks_.progress && (last || throttle.due())) hooks_.progress(counter / total * 100, last);
        }
    }

    std::string code() const { return rs_->get(f_.mscode).toString(); }

    // The region position and the key by region of the current record; the
    // member takes its region number and key after the step.
    void regionKey(Member& m, const std::string& mscode) {
        Change c;
        c.row = m.row;
        c.rgcode = regions_.rgcode(mscode);
        const double region = c.rgcode ? double(*c.rgcode) : m.rgcode;
        const Value rscode = rs_->get(f_.rscode);
        // A record that an earlier run sent to residue keeps the residue form
        // of the key, so that a re-run sorts the job as the first did.
        const bool residueForm = !(rscode.isText() && rscode.text().empty()) || m.residue;
        c.seq = region * 1000000 + codeValue(mscode) * (residueForm ? 1000 : 1);
        m.rgcode = region;
        // A record that already holds these (a re-run) is not written again.
        if (c.seq != m.seq || !sameRegion(m, c.rgcode)) changes_.push_back(std::move(c));
        m.seq = c.seq;
        if (c.rgcode) m.stored = *c.rgcode;
    }

    static bool sameRegion(const Member& m, const std::optional<int>& rg) {
        return !rg || (m.stored.isNumber() && m.stored.toDouble() == double(*rg));
    }

    // Sends every record of the group to its residue.
    void recode(const std::string& group) {
        const std::string residue = left(group, 3);
        if (residue.empty()) {
            // A code the table cannot hold: the records stay as they are.
            result_.failedSteps += double(members_.size());
            return;
        }
        const double residueValue = codeValue(residue);
        const std::optional<int> rg = geographic_ ? regions_.rgcode(residue) : std::nullopt;
        const bool sameCode = residue == group;
        for (const Member& m : members_) {
            Change c;
            c.row = m.row;
            c.residue = residue;
            if (geographic_) {
                c.rgcode = rg;
                c.seq = (rg ? double(*rg) : m.rgcode) * 1000000 + residueValue * 1000;
            } else {
                c.seq = residueValue * 1000;
            }
            ++result_.recoded;
            // Already so from an earlier run: nothing to write. (The region
            // step's change, if any, stands.)
            if (sameCode && m.residue && c.seq == m.seq && sameRegion(m, c.rgcode)) continue;
            changes_.push_back(std::move(c));
        }
    }

    void moveNext() {
        try {
            rs_->moveNext();
        } catch (const DbError& e) {
            // A walk that cannot move on fails the run: the groups after it
            // would go on unjudged as if sorted.
            throw RunFailure("mmwork could not be read: " + e.description());
        }
    }

    db::Database& db_;
    std::unique_ptr<db::Recordset> rs_;
    Fields f_;
    const JobKeys& keys_;
    const BagValues& values_;
    RegionLookup& regions_;
    const PassHooks& hooks_;
    const bool geographic_;
    std::vector<Member> members_;
    std::vector<Change> changes_;
    PassResult result_;
};

}  // namespace

PassResult allocate(db::Database& db, const JobKeys& keys, const BagValues& values, RegionLookup& regions,
                    const PassHooks& hooks) {
    return Pass(db, keys, values, regions, hooks).run();
}

}  // namespace qv::sortation
