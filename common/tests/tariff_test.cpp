#include "common/tariff/tariff.h"
#include "common/testing/scratch.h"

#include <gtest/gtest.h>

#include <map>

using namespace qv::tariff;
using qv::db::Database;
using qv::db::Value;

namespace {

// A tariff row as a table of named figures; a name it lacks is an empty field.
struct Row {
    std::map<std::string, double> figures;
    FieldReader reader() const {
        return [this](const std::string& f) {
            auto it = figures.find(f);
            if (it == figures.end()) throw EmptyField(f);
            return it->second;
        };
    }
};

// Steps that rise, with per-gram prices that differ by format.
Row mailsortRow() {
    Row r;
    r.figures = {
        {"LeWgt1", 60},    {"LeBase1", 21.35}, {"LLWgt1", 100},  {"LLBase1", 50},  {"LLWgt2", 250},
        {"LLBase2", 80},   {"LLExt1", 0.1},    {"A3Wgt1", 100},  {"A3Base1", 60},  {"A3Wgt2", 250},
        {"A3Base2", 90},   {"A3Ext1", 0.2},    {"PKWgt1", 100},  {"PKBase1", 120}, {"PKWgt2", 250},
        {"PKBase2", 150},  {"PKExt1", 0.15},   {"PKWgt3", 1000}, {"PKBase3", 300}, {"PKExt2", 0.25},
        {"Franking Surcharge", 1.5},
    };
    const char* prefixes[] = {"Le", "LL", "A3", "PK"};
    for (int p = 0; p < 4; ++p) {
        const std::string f = prefixes[p];
        r.figures[f + "DPtg1"] = 10 + p;
        r.figures[f + "RPtg1"] = 5 + p;
        const double limits[] = {1000, 2000, 3000, 4000, 5000};
        for (int n = 1; n <= 5; ++n) {
            r.figures[f + "Qty" + std::to_string(n)] = limits[n - 1];
            r.figures[f + "Q" + std::to_string(n) + "VRD1"] = n * 0.5;
        }
    }
    return r;
}

TEST(TariffRules, FormatCodesAreComparedExactly) {
    EXPECT_EQ(mailFormat("LE"), MailFormat::Letter);
    EXPECT_EQ(mailFormat("LL"), MailFormat::LargeLetter);
    EXPECT_EQ(mailFormat("A3"), MailFormat::A3Packet);
    EXPECT_EQ(mailFormat("PK"), MailFormat::Packet);
    for (const char* other : {"le", "Pk", "LX", "", "LE "}) EXPECT_FALSE(mailFormat(other)) << other;
}

TEST(TariffRules, MailsortPriceByWeightStep) {
    const Row row = mailsortRow();
    struct Case {
        MailFormat format;
        double weight;
        double pence;
    };
    const Case cases[] = {
        // a letter costs its base price whatever it weighs, above LeWgt1 too
        {MailFormat::Letter, 10, 21.35},
        {MailFormat::Letter, 61, 21.35},
        {MailFormat::Letter, 2000, 21.35},
        // each limit includes its own weight; above the second, per gram
        {MailFormat::LargeLetter, 100, 50},
        {MailFormat::LargeLetter, 101, 80},
        {MailFormat::LargeLetter, 250, 80},
        {MailFormat::LargeLetter, 251, 80.1},
        {MailFormat::LargeLetter, 750, 130},
        {MailFormat::A3Packet, 100, 60},
        {MailFormat::A3Packet, 101, 90},
        {MailFormat::A3Packet, 250, 90},
        {MailFormat::A3Packet, 251, 90.2},
        // packets: the per-gram line runs up to one gram below PKWgt3, where
        // the third line starts at its own base
        {MailFormat::Packet, 100, 120},
        {MailFormat::Packet, 101, 150},
        {MailFormat::Packet, 250, 150},
        {MailFormat::Packet, 251, 150.15},
        {MailFormat::Packet, 999, 150 + 749 * 0.15},
        {MailFormat::Packet, 1000, 300},
        {MailFormat::Packet, 1001, 300.25},
        {MailFormat::Packet, 2000, 550},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(mailsortItemPrice(row.reader(), c.format, c.weight), c.pence)
            << pricePrefix(c.format) << " " << c.weight;
    }
}

TEST(TariffRules, VolumeBandIsTheFirstLimitNotBelowTheDirectItems) {
    const Row row = mailsortRow();
    struct Case {
        double direct;
        int band;
        double directPercent;  // LL: 11 plus the band's 0.5 a band
    };
    const Case cases[] = {
        {0, 1, 11.5},      {1000, 1, 11.5},    {1000.01, 2, 12},  {1525.51, 2, 12},  {2000, 2, 12},
        {2001, 3, 12.5},   {4000, 4, 13},      {5000, 5, 13.5},   {5000.5, 0, 11},   {1e9, 0, 11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(volumeBand(row.reader(), MailFormat::LargeLetter, c.direct), c.band) << c.direct;
        EXPECT_DOUBLE_EQ(directPercent(row.reader(), MailFormat::LargeLetter, c.direct), c.directPercent) << c.direct;
    }
}

TEST(TariffRules, EachFormatReadsItsOwnFamily) {
    const Row row = mailsortRow();
    const struct {
        MailFormat format;
        double direct, residue;
    } cases[] = {{MailFormat::Letter, 10, 5}, {MailFormat::LargeLetter, 11, 6}, {MailFormat::A3Packet, 12, 7},
                 {MailFormat::Packet, 13, 8}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(directPercent(row.reader(), c.format, 6000), c.direct) << pricePrefix(c.format);
        EXPECT_DOUBLE_EQ(residuePercent(row.reader(), c.format), c.residue) << pricePrefix(c.format);
    }
    EXPECT_DOUBLE_EQ(frankingPercent(row.reader()), 1.5);
}

TEST(TariffRules, OnlyTheChosenStepIsRead) {
    // A letter needs nothing but LeBase1; a light packet nothing of the
    // per-gram lines; an empty field that is needed names itself.
    Row row;
    row.figures = {{"LeBase1", 30}, {"PKWgt1", 100}, {"PKBase1", 120}};
    EXPECT_DOUBLE_EQ(mailsortItemPrice(row.reader(), MailFormat::Letter, 500), 30);
    EXPECT_DOUBLE_EQ(mailsortItemPrice(row.reader(), MailFormat::Packet, 100), 120);
    try {
        mailsortItemPrice(row.reader(), MailFormat::Packet, 101);
        FAIL() << "an empty PKWgt2 went unnoticed";
    } catch (const EmptyField& e) {
        EXPECT_EQ(e.field(), "PKWgt2");
    }
}

Row standardRow() {
    Row r;
    r.figures = {{"LeWgt1", 60}, {"LeW1Fst", 34}, {"LeW1Snd", 26}};
    const double ll[] = {100, 250, 500, 750};
    for (int n = 1; n <= 4; ++n) {
        r.figures["LLWgt" + std::to_string(n)] = ll[n - 1];
        r.figures["LLW" + std::to_string(n) + "Fst"] = 60 + n;
        r.figures["LLW" + std::to_string(n) + "Snd"] = 50 + n;
    }
    for (int n = 1; n <= 9; ++n) {
        r.figures["PkWgt" + std::to_string(n)] = n * 100;
        r.figures["PkW" + std::to_string(n) + "Fst"] = 100 + n;
        r.figures["PkW" + std::to_string(n) + "Snd"] = 90 + n;
    }
    return r;
}

TEST(TariffRules, StandardStepByFormatAndWeight) {
    const Row row = standardRow();
    struct Case {
        const char* format;
        double weight;
        const char* first;  // nullptr: no standard price
        double firstPence, secondPence;
    };
    const Case cases[] = {
        // one letter step whatever the weight, above LeWgt1 too
        {"LE", 10, "LeW1Fst", 34, 26},
        {"LE", 61, "LeW1Fst", 34, 26},
        {"LE", 5000, "LeW1Fst", 34, 26},
        // large letters: steps 1 to 3 by weight, then step 4 however heavy
        {"LL", 100, "LLW1Fst", 61, 51},
        {"LL", 101, "LLW2Fst", 62, 52},
        {"LL", 250, "LLW2Fst", 62, 52},
        {"LL", 251, "LLW3Fst", 63, 53},
        {"LL", 500, "LLW3Fst", 63, 53},
        {"LL", 501, "LLW4Fst", 64, 54},
        {"LL", 751, "LLW4Fst", 64, 54},
        {"LL", 9999, "LLW4Fst", 64, 54},
        // A3 packets and packets (and any other code) share the nine steps
        {"A3", 100, "PkW1Fst", 101, 91},
        {"PK", 100, "PkW1Fst", 101, 91},
        {"A3", 101, "PkW2Fst", 102, 92},
        {"PK", 101, "PkW2Fst", 102, 92},
        {"PK", 450, "PkW5Fst", 105, 95},
        {"PK", 900, "PkW9Fst", 109, 99},
        {"XX", 900, "PkW9Fst", 109, 99},
        {"PK", 901, nullptr, 0, 0},
        {"A3", 2000, nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.weight));
        const auto step = standardStep(row.reader(), c.format, c.weight);
        if (!c.first) {
            EXPECT_FALSE(step);
            continue;
        }
        ASSERT_TRUE(step);
        EXPECT_EQ(step->firstField, c.first);
        EXPECT_EQ(step->secondField.substr(0, 3), std::string(c.first).substr(0, 3));
        EXPECT_DOUBLE_EQ(step->first, c.firstPence);
        EXPECT_DOUBLE_EQ(step->second, c.secondPence);
    }
}

class TariffTables : public qv::testkit::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        db_ = scratch().open();
    }
    void TearDown() override {
        db_.reset();
        ScratchTest::TearDown();
    }
    std::unique_ptr<Database> db_;
};

TEST_F(TariffTables, PriceRowsAreFoundByCodeWithOrWithoutTrailingBlanks) {
    // The shipped sample gives each of the eight rows its own LeBase1 or LeRPtg1 pair.
    const struct {
        const char* code;
        double base, residue;
    } cases[] = {
        {"M1", 39, 9},       {"M1    ", 39, 9},  {"M2", 30, 10},     {"M3", 28, 12},    {"P1", 39, 9},
        {"P2", 30, 10},      {"M1 120", 39, 5},  {"M2 120", 30, 6},  {"M3 120", 28, 8},
    };
    for (const auto& c : cases) {
        auto rs = findPriceRow(*db_, c.code);
        ASSERT_TRUE(rs) << c.code;
        EXPECT_DOUBLE_EQ(rowReader(*rs)("LeBase1"), c.base) << c.code;
        EXPECT_DOUBLE_EQ(residuePercent(rowReader(*rs), MailFormat::Letter), c.residue) << c.code;
    }
    for (const char* missing : {"M4", "M1120", "", "M1 12"}) EXPECT_FALSE(findPriceRow(*db_, missing)) << missing;
}

TEST_F(TariffTables, StandardRowIsTheFirstRowAndAnEmptyFieldIsNamed) {
    auto rs = firstStandardRow(*db_);
    ASSERT_TRUE(rs);
    auto step = standardStep(rowReader(*rs), "LL", 300);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->firstField, "LLW3Fst");
    EXPECT_DOUBLE_EQ(step->first, 135);
    EXPECT_DOUBLE_EQ(step->second, 115);

    rs->edit();
    rs->set("LLW3Snd", Value());
    rs->update();
    try {
        standardStep(rowReader(*rs), "LL", 300);
        FAIL() << "an empty price went unnoticed";
    } catch (const EmptyField& e) {
        EXPECT_EQ(e.field(), "LLW3Snd");
    }

    rs->deleteCurrent();
    rs.reset();
    EXPECT_FALSE(firstStandardRow(*db_));
}

}  // namespace
