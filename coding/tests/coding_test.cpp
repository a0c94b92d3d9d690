// The coding of one record and the coding report's lines and pages.
#include "coding/importer.h"
#include "coding/report.h"
#include "platform/testing/recordingprinter.h"
#include "tests/fixture.h"

#include <gtest/gtest.h>

using namespace qv::coding;
using qv::db::Value;
using qv::platform::RecordingPrinter;

namespace {

const std::string kTitle = "                     Mailsort Line Report                       ";

class Coding_ : public fixture::DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        addPcode({{"AB1 2", "12345", 3},   // a sector
                  {"CD2  ", "23456", 4},   // an outward code only
                  {"CD2 5", "99999", 9},   // never reached: the outward row comes first
                  {"EC1A1", "34567", 5},
                  {"W1  1", "45678", 6},
                  {"1AB 2", "56789", 7},   // a key of a postcode rated N
                  {"XY9 1", "1A234", 8}}); // a code that is no number
        addPlaces({{"LEEDS", "123", 2}, {"BUCKINGHAM", "456", 5}, {"YORK", "789", 0}, {"NEWCASTLE", "321", 1}});
        db_ = open();
        ref_ = std::make_unique<ReferenceLookup>(*db_);
        report_.setCompany("Acme Mailing");
    }
    void TearDown() override {
        ref_.reset();
        db_.reset();
        DatabaseFolder::TearDown();
    }

    Coding code(const AddressFields& a) {
        counters_.processed += 1;
        return resreg(a, *ref_, report_, counters_);
    }

    std::unique_ptr<qv::db::Database> db_;
    std::unique_ptr<ReferenceLookup> ref_;
    RecordingPrinter printer_;
    CodingReport report_{printer_};
    Counters counters_;
};

AddressFields address(std::string postcode, std::string county = "", std::string town = "",
                      std::string address4 = "", std::string address3 = "", std::string address2 = "") {
    AddressFields a;
    a.name = "Mr A Smith";
    a.address1 = "1 High Street";
    a.address2 = std::move(address2);
    a.address3 = std::move(address3);
    a.address4 = std::move(address4);
    a.town = std::move(town);
    a.county = std::move(county);
    a.postcode = std::move(postcode);
    a.ref = "R1";
    return a;
}

TEST_F(Coding_, GivesEachAddressItsCode) {
    struct Case {
        const char* what;
        AddressFields a;
        Value mscode;
        Value rscode;
        std::optional<Value> rgcode;
        std::optional<double> seq;
        char pcflag;
        Counters counted;  // processed not compared
        bool printed;
    };
    const Case cases[] = {
        {"full postcode, sector row", address("AB1 2CD"), "12345", "", Value(3), 12345, 'F', {0, 1, 1, 0, 0}, false},
        {"outward code alone, outward row", address("CD2"), "23456", "", Value(4), 23456, 'O', {0, 1, 0, 0, 0}, false},
        {"outward row before the sector row", address("CD2 5XY"), "23456", "", Value(4), 23456, 'F', {0, 1, 1, 0, 0},
         false},
        {"four-character outward code", address("EC1A 1BB"), "34567", "", Value(5), 34567, 'F', {0, 1, 1, 0, 0}, false},
        {"two-character outward code", address("w1 1aa"), "45678", "", Value(6), 45678, 'F', {0, 1, 1, 0, 0}, false},
        {"unknown sector, then the county", address("AB1 7CD", "Leeds"), "123", "123", Value(2), 123000, 'F',
         {0, 1, 1, 1, 0}, true},
        {"rated N: its pcode row is not used", address("1AB 2CD", "", "LEEDS"), "123", "123", Value(2), 123000, 0,
         {0, 0, 0, 1, 0}, true},
        {"SHIRE refused, the town taken", address("", "BUCKINGHAMSHIRE", "BUCKINGHAM"), "456", "456", Value(5),
         456000, 0, {0, 0, 0, 1, 0}, true},
        {"a refused lookup counts: address4 not tried", address("", "BUCKINGHAMSHIRE", "NOWHERE", "LEEDS"), "1", "",
         std::nullopt, std::nullopt, 0, {0, 0, 0, 0, 1}, true},
        {"only two lookups", address("ZZ1 1ZZ", "", "NOWHERE", "NOPLACE", "LEEDS"), "1", "", std::nullopt,
         std::nullopt, 'F', {0, 1, 1, 0, 1}, true},
        {"blank fields are not looked up", address("", "   ", "", "", "YORK"), "789", "789", Value(0), 789000, 0,
         {0, 0, 0, 1, 0}, true},
        {"address2 is the last one tried", address("", "", "", "", "", "NEWCASTLE"), "321", "321", Value(1), 321000,
         0, {0, 0, 0, 1, 0}, true},
        {"cut to ten characters", address("", "", "NEWCASTLE UPON TYNE"), "321", "321", Value(1), 321000, 0,
         {0, 0, 0, 1, 0}, true},
        {"not trimmed", address("", "", " LEEDS"), "1", "", std::nullopt, std::nullopt, 0, {0, 0, 0, 0, 1}, true},
        {"a code that is no number leaves seq", address("XY9 1AB"), "1A234", "", Value(8), std::nullopt, 'F',
         {0, 1, 1, 0, 0}, false},
    };
    for (const auto& c : cases) {
        counters_ = {};
        printer_.clear();
        const Coding got = code(c.a);
        EXPECT_EQ(got.mscode, c.mscode) << c.what;
        EXPECT_EQ(got.rscode, c.rscode) << c.what;
        EXPECT_EQ(got.rgcode, c.rgcode) << c.what;
        EXPECT_EQ(got.seq, c.seq) << c.what;
        EXPECT_EQ(got.pcflag, c.pcflag) << c.what;
        EXPECT_EQ(counters_.postcoded, c.counted.postcoded) << c.what;
        EXPECT_EQ(counters_.fullyPostcoded, c.counted.fullyPostcoded) << c.what;
        EXPECT_EQ(counters_.matched, c.counted.matched) << c.what;
        EXPECT_EQ(counters_.inError, c.counted.inError) << c.what;
        EXPECT_EQ(!printer_.texts().isEmpty(), c.printed) << c.what;
    }
}

TEST_F(Coding_, ReportLinesOfRecordsInError) {
    report_.setLineCount(3);
    counters_.processed = 11;
    AddressFields a = address("AB12CD", "", "NOWHERE");
    a.ref = "A100";
    code(a);
    const QStringList expected = {
        "Record 12 Ref A100 has an invalid postcode: AB12CD",
        "Record 12 has an unmatchable address:",
        "Mr A Smith", "1 High Street", "", "", "", "NOWHERE", "", "AB12CD",
    };
    EXPECT_EQ(printer_.texts(), expected);
    EXPECT_EQ(report_.lineCount(), 13);
    // A record matched on its address prints the invalid-postcode line only.
    printer_.clear();
    code(address("", "LEEDS"));
    EXPECT_EQ(printer_.texts(), QStringList{"Record 13 Ref R1 has an invalid postcode: "});
}

TEST_F(Coding_, PageHeaderAndPageBreaks) {
    const QString date = "10/12/2026";
    const QStringList header1 = {date + kTitle.c_str() + "Page: 1", "Acme Mailing", " "};
    report_.begin();
    EXPECT_EQ(printer_.texts(), header1);
    EXPECT_EQ(report_.lineCount(), 3);
    EXPECT_EQ(printer_.font().name, "Courier New");
    EXPECT_EQ(printer_.font().size, 11);

    auto header = [&](bool blank) {
        return QStringList{date + kTitle.c_str() + "Page: 2", blank ? " Acme Mailing" : "Acme Mailing", " "};
    };
    const QStringList invalid = {"Record 1 Ref R1 has an invalid postcode: AB12CD"};
    const QStringList block = {"Record 1 has an unmatchable address:", "Mr A Smith", "1 High Street", "", "", "",
                               "NOWHERE", "", "AB12CD"};
    struct Case {
        const char* what;
        int before;
        bool unmatchable;
        QStringList expected;
        int after;
    };
    const Case cases[] = {
        {"58 + 1: no break", 58, false, invalid, 59},
        {"59 + 1 is line 60: a new page at once", 59, false, invalid + header(false), 3},
        {"a block that fits", 40, true, invalid + block, 50},
        {"53 before the block: it fits, the page breaks after it", 52, true, invalid + block + header(true), 3},
        {"54 before the block: a new page first", 53, true, invalid + header(false) + block, 12},
    };
    for (const auto& c : cases) {
        printer_.killDoc();
        printer_.clear();
        report_.setLineCount(c.before);
        counters_ = {};
        code(address("AB12CD", "", c.unmatchable ? "NOWHERE" : "LEEDS"));
        EXPECT_EQ(printer_.texts(), c.expected) << c.what;
        EXPECT_EQ(report_.lineCount(), c.after) << c.what;
    }
}

TEST_F(Coding_, OnlySummaryPrintsNothingWhileCoding) {
    report_.setPrintAll(false);
    report_.begin();
    for (int i = 0; i < 80; ++i) code(address("AB12CD", "", "NOWHERE"));
    EXPECT_TRUE(printer_.texts().isEmpty());
    EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::NewPage), 0);
    EXPECT_EQ(counters_.inError, 80);
    report_.summary(counters_);
    ASSERT_EQ(printer_.documents().size(), 1u);
    EXPECT_EQ(printer_.documents()[0].size(), 1u);  // the summary page alone
}

TEST(SummaryLines, CountsPercentagesAndTheLimit) {
    const std::string date = "10/12/2026";
    auto lines = [&](Counters c) { return summaryLines(date, "Acme Mailing", c); };
    const auto s = lines({200, 190, 180, 7, 3});
    const std::vector<std::string> expected = {
        date + kTitle,
        "Acme Mailing",
        " ",
        "                        Records Processed:         200",
        " ",
        "                        Records Postcoded:         190",
        " ",
        "                        Percent Postcoded:        95.0",
        " ",
        "                  Percent Fully Postcoded:        90.0",
        " ",
        "                       Matched on address:           7",
        " ",
        "                         Records in error:           3",
    };
    EXPECT_EQ(s, expected);

    struct Case {
        Counters c;
        std::string postcoded;  // Percent Postcoded line's value
        std::string full;       // Percent Fully Postcoded line's tail
    };
    const Case cases[] = {
        {{10000, 8999, 8999, 0, 0}, "  90.0", "  90.0   ** Below P.O. Limit **"},  // 89.99
        {{3, 3, 3, 0, 0}, " 100.0", " 100.0"},
        {{1000, 5, 5, 0, 0}, "    .5", "    .5   ** Below P.O. Limit **"},
        {{0, 0, 0, 0, 0}, "    .0", "    .0"},  // no records: no division, and nothing below the limit
    };
    for (const auto& c : cases) {
        const auto l = lines(c.c);
        EXPECT_EQ(l[7].substr(48), c.postcoded);
        EXPECT_EQ(l[9].substr(48), c.full);
    }
    // Counts too wide for the column are shown whole.
    const auto big = lines({1000000, 1000000, 950000, 0, 0});
    EXPECT_EQ(big[3], "                        Records Processed:       1000000");
    EXPECT_EQ(big[9], "                  Percent Fully Postcoded:        95.0");
}

}  // namespace
