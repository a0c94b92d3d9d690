// Whether the job is sorted under the keys it has now: each key compared as
// the sortation reads it, so that a text stored in another form by the job
// parameters is no change and a real one is named.
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "common/testing/sortedjob.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qv::jobtables {
namespace {

class SortStateTest : public testkit::ScratchTest {
protected:
    // A job of one address with one bags row, sorted by `keys` on top of the delivered ones.
    void sortedBy(const std::map<std::string, db::Value>& keys) {
        testkit::setParmKeys(keys);
        testkit::writeSortedJob();
    }
    SortState state() {
        auto db = scratch().open(db::OpenMode::Exclusive);
        return sortState(*db);
    }
};

TEST_F(SortStateTest, KeysCompareAsTheSortationReadsThem) {
    struct Case {
        const char* key;
        db::Value sorted, now;
        bool changed;
    };
    const Case cases[] = {
        {"Geog", db::Value(), "N", false},        // the job parameters store "N" for a Null
        {"Geog", "N", "Y", true},
        {"ResOnly", "", "N", false},
        {"Mailsort120", "N", "Y", true},
        {"BagLab", "Y", "N", true},
        {"BagLab", db::Value(), "N", true},       // neither "Y" nor "N" numbers labels otherwise
        {"BundleLab", "N", "N", false},
        {"Weight", "100", "0100", false},
        {"Weight", "100", "101", true},
        {"BagMax", "abc", "abc", false},
        {"BundleMax", "5", "6", true},
        {"Selection", "", "0", false},
        {"Selection", "25", "26", true},
        {"Service", "M1", "m1", true},            // compared whole, as the sortation does
        {"Format", "LE", "LL", true},
        {"Postcode", "NE1 4", "NE1 5", true},
        // Keys that make no bag.
        {"Printer", "L", "E", false},
        {"LabelHeight", "38.1", "36", false},
        {"Company Name", "Brackwith Mailing", "Another House", false},
        {"JobRef", "JOB 7", "JOB 8", false},
        {"AddressLab", "Y", "N", false},
        {"ItemCnt", "Y", "N", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.sorted.toString() + " -> " + c.now.toString());
        sortedBy({{c.key, c.sorted}});
        ASSERT_EQ(state().kind, SortState::Kind::Sorted);
        testkit::setParmKeys({{c.key, c.now}});
        const SortState s = state();
        EXPECT_EQ(s.kind, c.changed ? SortState::Kind::KeysChanged : SortState::Kind::Sorted);
        if (c.changed) {
            ASSERT_EQ(s.changes.size(), 1u);
            EXPECT_EQ(s.changes[0].key, c.key);
        }
    }
}

TEST_F(SortStateTest, AJobWithoutAddressesBagsOrKeptKeysIsNotSorted) {
    sortedBy({});
    {
        auto db = scratch().open(db::OpenMode::Exclusive);
        dropIfThere(*db, SortKeys);
    }
    EXPECT_EQ(state().kind, SortState::Kind::NotSorted);
    sortedBy({});
    {
        auto db = scratch().open(db::OpenMode::Exclusive);
        makeSort(*db, {});
    }
    EXPECT_EQ(state().kind, SortState::Kind::NotSorted);
    {
        auto db = scratch().open(db::OpenMode::Exclusive);
        dropSort(*db);
        EXPECT_FALSE(db->hasTable(Bags));
        EXPECT_FALSE(db->hasTable(SortKeys));
        dropIfThere(*db, Mmwork);
    }
    EXPECT_EQ(state().kind, SortState::Kind::NoAddresses);
}

}  // namespace
}  // namespace qv::jobtables
