// The allocation pass over mmwork: which groups go to residue, the sort keys
// and region positions it writes, and what a cancel leaves.
#include "sortation/sequencing.h"
#include "sortation/tests/fixture.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qv::sortation {
namespace {

using fixture::Address;
using fixture::Row;

struct Coded;
std::ostream& operator<<(std::ostream& o, const Coded& c);
struct Coded {
    std::string mscode;
    double seq;
    std::string sflag;
    double rgcode;
    bool operator==(const Coded&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Coded& c) {
    return o << "(" << c.mscode << " " << c.seq << " " << c.sflag << " " << c.rgcode << ")";
}

class Pass : public fixture::SortFolder {
protected:
    // Runs the pass as the run does; stops before record stopAt (1-based) when given.
    PassResult pass(std::optional<int> stopAt = std::nullopt) {
        auto db = open();
        const JobKeys keys = JobKeys::read(parm::ParmRecord(*db));
        const BagValues values = *bagValues(keys).values;
        RegionLookup regions(*db, getseq(*db, keys.postcode));
        int tests = 0;
        PassHooks hooks;
        hooks.stopRequested = [&] { return stopAt && ++tests >= *stopAt; };
        return allocate(*db, keys, values, regions, hooks);
    }

    std::vector<Coded> coded() {
        std::vector<Coded> out;
        for (const Row& r : rows("mmwork"))
            out.push_back({r.at("mscode").toString(), r.at("seq").toDouble(), r.at("sflag").toString(),
                           r.at("rgcode").toDouble()});
        return out;
    }
    // The distinct (mscode, seq, sflag, rgcode) of the rows, in storage order, with their counts.
    std::vector<std::pair<Coded, int>> runs() {
        std::vector<std::pair<Coded, int>> out;
        for (const Coded& c : coded()) {
            if (!out.empty() && out.back().first == c) ++out.back().second;
            else out.push_back({c, 1});
        }
        return out;
    }

    // A centre postcode NT1 2AB whose residue 123 orders the regions 4, 1, 3, 2
    // (region 1 sorts 02, region 3 sorts 03, ...).
    void geographicReference() {
        addRows("pcode", {{{"mpcode", "NT1 2"}, {"mdsel", "12345"}, {"rreg", 3}},
                          {{"mpcode", "NT9  "}, {"mdsel", "12345"}, {"rreg", 3}},
                          {{"mpcode", "ZZ1 1"}, {"mdsel", "99901"}, {"rreg", 0}}});
        addRows("sequence", {{{"mdresc", "123"}, {"mdsorts", "02040301" + std::string(24, '9')}}});
        addRegions({{"123", 3}, {"124", 1}, {"125", 2}});
    }
};

std::pair<Coded, int> run(const char* code, double seq, const char* sflag, double rg, int n) {
    return {{code, seq, sflag, rg}, n};
}

TEST_F(Pass, GroupsAtTheMinimumStayBelowItGoToResidue) {
    makeMmwork(join({group("12345", 25), group("12399", 24), group("12401", 26)}));
    const PassResult r = pass();
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.recoded, 24);
    EXPECT_EQ(runs(), (std::vector{run("12345", 12345, "N", 0, 25), run("123", 123000, "Y", 0, 24),
                                   run("12401", 12401, "N", 0, 26)}));
}

TEST_F(Pass, ASmallGroupIsRecodedWholeToItsResidue) {
    makeMmwork(group("12345", 20));
    pass();
    EXPECT_EQ(runs(), (std::vector{run("123", 123000, "Y", 0, 20)}));
}

TEST_F(Pass, LetterPostNeitherCountsIntoNorClosesAGroup) {
    // In code order: 09999, then the letter post "1", then 10001 and the last group.
    setParm({{"Selection", "5"}});
    makeMmwork(join({group("10001", 2), group("1", 3), group("09999", 5), group("10002", 4)}));
    pass();
    // 09999 keeps its 5 although three letter-post records follow it; 10001
    // and the last group are too small; the letter post is never re-coded but
    // is given region 99 and its key.
    EXPECT_EQ(runs(), (std::vector{run("100", 100000, "Y", 0, 2), run("1", 99000001, "N", 99, 3),
                                   run("09999", 9999, "N", 0, 5), run("100", 100000, "Y", 0, 4)}));
}

TEST_F(Pass, AGroupBeforeTheLetterPostIsJudgedWithItsOwnCount) {
    makeMmwork(join({group("09999", 24), group("1", 5), group("10001", 30)}));
    pass();
    EXPECT_EQ(runs(), (std::vector{run("099", 99000, "Y", 0, 24), run("1", 99000001, "N", 99, 5),
                                   run("10001", 10001, "N", 0, 30)}));
}

TEST_F(Pass, ServicesThatSendEveryGroupToResidue) {
    struct Case {
        const char *service, *m120, *resOnly, *selection;
        std::vector<std::pair<Coded, int>> expected;
    };
    const Case cases[] = {
        {"M1", "Y", "N", "1", {run("123", 123000, "Y", 0, 30), run("1", 99000001, "N", 99, 2)}},
        {"M3", "Y", "N", "1", {run("123", 123000, "Y", 0, 30), run("1", 99000001, "N", 99, 2)}},
        // Presstream 120 has no such rule: only the size counts.
        {"P1", "Y", "N", "5", {run("12345", 12345, "N", 0, 30), run("1", 99000001, "N", 99, 2)}},
        {"P2", "N", "Y", "5", {run("123", 123000, "Y", 0, 30), run("1", 99000001, "N", 99, 2)}},
    };
    for (const Case& c : cases) {
        setParm({{"Service", c.service}, {"Mailsort120", c.m120}, {"ResOnly", c.resOnly}, {"Selection", c.selection}});
        makeMmwork(join({group("12345", 30), group("1", 2)}));
        pass();
        EXPECT_EQ(runs(), c.expected) << c.service << " " << c.m120 << " " << c.resOnly;
    }
}

TEST_F(Pass, GeographicMailsort1KeysEveryRecordByItsRegion) {
    geographicReference();
    setParm({{"Geog", "Y"}, {"Postcode", "NT1 2AB"}});
    auto town = group("125", 2, "125");  // matched by its town
    makeMmwork(join({group("12345", 30), group("12401", 5), group("99901", 25), town, group("1", 2)}));
    pass();
    EXPECT_EQ(runs(), (std::vector{
                          run("12345", 3012345, "N", 3, 30),  // region 3 sorts 03
                          run("124", 2124000, "Y", 2, 5),     // region 1 sorts 02, re-coded
                          run("99901", 99099901, "N", 99, 25),  // no region row
                          run("125", 4125000, "Y", 4, 2),      // a residue coded by town: x 1000
                          run("1", 99000001, "N", 99, 2),
                      }));
}

TEST_F(Pass, GeographicRecodingOfAGroupThatTheLetterPostFollows) {
    geographicReference();
    addRegions({{"099", 4}});  // region 4 sorts 01
    setParm({{"Geog", "Y"}, {"Postcode", "NT1 2AB"}});
    // In code order: 09901 (too small), the letter post, then 12345.
    makeMmwork(join({group("12345", 30), group("1", 2), group("09901", 3)}));
    pass();
    EXPECT_EQ(runs(), (std::vector{run("12345", 3012345, "N", 3, 30), run("1", 99000001, "N", 99, 2),
                                   run("099", 1099000, "Y", 1, 3)}));
}

TEST_F(Pass, GeographicOnlyForMailsortAndPresstream1) {
    geographicReference();
    setParm({{"Service", "M2"}, {"Geog", "Y"}, {"Postcode", "NT1 2AB"}});
    Address direct;
    direct.mscode = "12345";
    direct.seq = 12345;
    direct.rgcode = 7;
    makeMmwork(join({std::vector<Address>(30, direct), group("12401", 5)}));
    pass();
    EXPECT_EQ(runs(), (std::vector{run("12345", 12345, "N", 7, 30), run("124", 124000, "Y", 0, 5)}));
}

TEST_F(Pass, RegionOrderOfTheCentrePostcode) {
    geographicReference();
    struct Case {
        const char* postcode;
        std::string regorder;
    };
    const Case cases[] = {
        {"NT1 2AB", "02040301" + std::string(24, '9')},
        {"NT12AB", "02040301" + std::string(24, '9')},  // typed without its blank
        {"NT9 4AB", "02040301" + std::string(24, '9')},  // no sector row: found by its outward code
        {"ZZ1 1AA", ""},                                  // its residue has no sequence row
        {"QQ1 1AA", ""},                                  // no pcode row
        {"", ""},
    };
    auto db = open();
    for (const Case& c : cases) EXPECT_EQ(getseq(*db, c.postcode), c.regorder) << c.postcode;
}

TEST_F(Pass, RegionPositions) {
    addRegions({{"123", 3}, {"124", 1}, {"12 ", 16}, {"130", 17}});
    auto db = open();
    RegionLookup order(*db, "0102030405060708091011121314151617");
    EXPECT_EQ(order.rgcode("12345"), 3);  // characters 5 and 6
    EXPECT_EQ(order.rgcode("124"), 1);
    EXPECT_EQ(order.rgcode("12"), 16);    // a short code is padded to three
    EXPECT_EQ(order.rgcode("99999"), 99); // no region row
    EXPECT_EQ(order.rgcode("13001"), 17);
    RegionLookup none(*db, "");
    EXPECT_EQ(none.rgcode("12345"), std::nullopt);  // the record keeps its rgcode
    EXPECT_EQ(none.rgcode("99999"), 99);
}

TEST_F(Pass, NoCentreFoundKeepsRegionNumbersWhereARegionExists) {
    addRegions({{"123", 3}});
    setParm({{"Geog", "Y"}, {"Postcode", "QQ1 1AA"}});
    Address a;
    a.mscode = "12345";
    a.rgcode = 3;
    a.seq = 12345;
    Address b = a;
    b.mscode = "88801";
    b.seq = 88801;
    makeMmwork(join({std::vector<Address>(25, a), std::vector<Address>(25, b)}));
    pass();
    EXPECT_EQ(runs(), (std::vector{run("12345", 3012345, "N", 3, 25), run("88801", 99088801, "N", 99, 25)}));
}

TEST_F(Pass, ACancelKeepsTheGroupsAlreadyRecodedAndLeavesTheRest) {
    makeMmwork(join({group("11101", 3), group("22201", 3), group("33301", 3)}));
    const PassResult r = pass(5);  // stops before the fifth record
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.records, 4);
    EXPECT_EQ(runs(), (std::vector{run("111", 111000, "Y", 0, 3), run("22201", 22201, "N", 0, 3),
                                   run("33301", 33301, "N", 0, 3)}));
}

TEST_F(Pass, ASecondRunOfAGeographicJobKeysItAsTheFirst) {
    geographicReference();
    setParm({{"Geog", "Y"}, {"Postcode", "NT1 2AB"}});
    // Two small groups of one residue that together reach the minimum: a
    // second run finds one group of 30 that stays as it is.
    makeMmwork(join({group("12301", 15), group("12302", 15), group("12345", 25), group("1", 2)}));
    pass();
    const auto first = coded();
    EXPECT_EQ(runs(), (std::vector{run("123", 3123000, "Y", 3, 30), run("12345", 3012345, "N", 3, 25),
                                   run("1", 99000001, "N", 99, 2)}));
    pass();
    EXPECT_EQ(coded(), first);
}

TEST_F(Pass, AJobThatRekeysManyRecordsKeepsItsIndexes) {
    // Enough changes for the indexes to be sorted afresh rather than row by row.
    geographicReference();
    setParm({{"Geog", "Y"}, {"Postcode", "NT1 2AB"}, {"Service", "M1"}, {"Mailsort120", "Y"}, {"Selection", "1"}});
    makeMmwork(join({group("12345", 12000), group("12401", 12000), group("1", 3)}));
    pass();
    auto db = open();
    const auto def = db->tableDef("mmwork");
    ASSERT_EQ(def.indexes.size(), 2u);
    // In Key2 order: region 2 (sorting 02) first, then region 3, then letter post.
    auto rs = db->openTable("mmwork");
    rs->setIndex("Key2");
    std::vector<std::pair<std::string, double>> seen;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const std::pair<std::string, double> at{rs->get("mscode").toString(), rs->get("seq").toDouble()};
        if (seen.empty() || seen.back() != at) seen.push_back(at);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, double>>{{"124", 2124000}, {"123", 3123000}, {"1", 99000001}}));
    rs->setIndex("Key1");
    rs->seek("=", db::Value("123"));
    ASSERT_FALSE(rs->noMatch());
    rs->seek("=", db::Value("12345"));
    EXPECT_TRUE(rs->noMatch());
    const auto sflags = column("mmwork", "sflag");
    EXPECT_EQ(std::count(sflags.begin(), sflags.end(), "Y"), 24000);
}

TEST_F(Pass, AnEmptyWorkTable) {
    makeMmwork({});
    const PassResult r = pass();
    EXPECT_EQ(r.records, 0);
    EXPECT_FALSE(r.stopped);
}

}  // namespace
}  // namespace qv::sortation
