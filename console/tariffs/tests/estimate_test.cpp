#include "tariff_fixture.h"

#include "console/tariffs/estimate.h"

using namespace qv::console::estimate;
using namespace qv::console::testing;
using qv::Money;
using qv::db::Value;

namespace {

class EstimateTest : public TariffTest {
protected:
    Money price(const char* format, int weight, bool firstClass) {
        auto db = qv::db::Database::open("mailsort.mdb");
        return getPrice(*db, format, std::int16_t(weight), firstClass);
    }
    int suggest(double n, const char* format, int held = 0) {
        auto db = qv::db::Database::open("mailsort.mdb");
        return suggestedPercent(*db, n, format, held);
    }
    static std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const EstimateError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

// The figures of the seven lines, in the order the form shows them.
std::vector<std::string> figures(const Lines& l) {
    return {l.standardCount, l.standardPrice, l.standardTotal, l.straightCount, l.straightPrice, l.straightTotal,
            l.directCount,   l.directPercent, l.directTotal,   l.residueCount,  l.residuePercent, l.residueTotal,
            l.frankingCount, l.frankingPercent, l.frankingTotal, l.netCost,     l.saving};
}

TEST_F(EstimateTest, StandardPriceByFormatStepAndClass) {
    // shipped: letters 39/30; large letters 66/53, 100/85, 135/115, 195/165
    // up to 100, 250, 500 g and above; packets 135/112 ... 570/470 to 2000 g
    struct Case {
        const char* format;
        int weight;
        bool firstClass;
        double pence;
    };
    const Case cases[] = {
        {"LE", 10, true, 39},   {"LE", 101, true, 39},  {"LE", 2000, false, 30},
        {"LL", 100, true, 66},  {"LL", 101, true, 100}, {"LL", 250, false, 85},  {"LL", 251, false, 115},
        {"LL", 751, true, 195}, {"LL", 2000, false, 165},
        {"A3", 250, true, 172}, {"PK", 250, true, 172}, {"A3", 251, false, 183}, {"PK", 251, false, 183},
        {"PK", 2000, true, 570},
        {"PK", 2001, true, 0},  {"A3", 3000, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(price(c.format, c.weight, c.firstClass), Money::fromWhole(std::int64_t(c.pence)))
            << c.format << " " << c.weight << (c.firstClass ? " first" : " second");
}

TEST_F(EstimateTest, StandardPriceIsReadAsWholePence) {
    const struct {
        double stored;
        int pence;
    } cases[] = {{27.5, 28}, {26.5, 26}, {26.49, 26}, {26.51, 27}, {32767, 32767}, {-32768, -32768}};
    for (const auto& c : cases) {
        setStandard({{"LeW1Fst", c.stored}});
        EXPECT_EQ(price("LE", 50, true), Money::fromWhole(c.pence)) << c.stored;
    }
}

TEST_F(EstimateTest, StandardTariffFaultsAreReported) {
    setStandard({{"LeW1Fst", 40000.0}, {"LLW2Snd", Value()}});
    EXPECT_EQ(errorOf([&] { price("LE", 50, true); }),
              "No estimate can be made: the standard price 40000 in LeW1Fst lies outside -32768 to 32767 pence.");
    // only the class in use matters
    EXPECT_EQ(price("LE", 50, false), Money::fromWhole(30));
    EXPECT_EQ(errorOf([&] { price("LL", 200, false); }),
              "No estimate can be made: the standard Royal Mail tariff (PO Prices) holds no value in LLW2Snd.");
    emptyTable("poprice");
    EXPECT_EQ(errorOf([&] { price("LE", 50, false); }),
              "No estimate can be made: the standard Royal Mail tariff (PO Prices) has no prices.");
}

struct WorkedCase {
    const char* name;
    Entries entries;
    std::vector<std::string> expected;
    bool directShown;
};

TEST_F(EstimateTest, WorkedEstimates) {
    // M1: the worked example (22 per cent suggested and accepted).
    setPrice("M1", {{"LeBase1", 26.45}, {"LeDPtg1", 12.0}, {"LeQty1", 1100.0}, {"LeQ1VRD1", 0.5},
                    {"LeRPtg1", 5.0}, {"Franking Surcharge", 1.5}});
    setStandard({{"LeW1Fst", 34.0}});
    // M2: a direct count just above the first band and at the second.
    setPrice("M2", {{"LeQty1", 1525.5}, {"LeQty2", 1525.51}});
    // M3: a price of 18.25 pence, used as 18.3; no residue discount.
    setPrice("M3", {{"LeBase1", 18.25}, {"LeRPtg1", 0.0}});

    const WorkedCase cases[] = {
        {"worked example",
         {"5000", "60", "LE", "M1", true, false, "22", true},
         {"5000", "34.00", "1700.00", "5000", "26.50", "1325.00", "1100", "12.50", "-36.44", "3900", "5.00", "-51.68",
          "5000", "1.50", "19.88", "1256.76", "443.24"},
         true},
        {"counts not rounded to whole items; band 2 from 1525.51",
         {"4123", "60", "LE", "M2", false, false, "37", false},
         {"4123", "30.00", "1236.90", "4123", "30.00", "1236.90", "1525.51", "14.50", "-66.36", "2597.49", "10.00",
          "-77.92", "4123", "0.00", "0.00", "1092.62", "144.28"},
         true},
        {"shown amounts enter the net cost",
         {"5001", "60", "LE", "M3", false, false, "0", false},
         {"5001", "30.00", "1500.30", "5001", "18.30", "915.18", "0", "16.00", "0.00", "5001", "0.00", "0.00", "5001",
          "0.00", "0.00", "915.18", "585.12"},
         true},
        {"large letter one gram above the second step, franked",
         {"10000", "251", "LL", "M2", false, false, "30", true},
         {"10000", "115.00", "11500.00", "10000", "85.10", "8510.00", "3000", "13.00", "-331.89", "7000", "9.00",
          "-536.13", "10000", "2.50", "212.75", "7854.73", "3645.27"},
         true},
        {"Mailsort 1 120 at second class, no direct line, costing more",
         {"5000", "60", "LE", "M1 120", false, true, "0", false},
         {"5000", "30.00", "1500.00", "5000", "39.00", "1950.00", "0", "0.00", "0.00", "5000", "5.00", "-97.50", "5000",
          "0.00", "0.00", "1852.50", "-352.50"},
         false},
    };
    auto db = qv::db::Database::open("mailsort.mdb");
    for (const WorkedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Lines lines = workOut(*db, c.entries);
        EXPECT_EQ(figures(lines), c.expected);
        EXPECT_EQ(lines.directLineShown, c.directShown);
    }
}

TEST_F(EstimateTest, EstimateOpensAndLetsGoOfTheDatabase) {
    const Lines l = estimate({"5000", "60", "LE", "M1", true, false, "22", false});
    EXPECT_EQ(l.netCost, "1757.34");  // 1950 - 55.77 - 136.89 (shipped M1 letters)
    auto sole = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Exclusive);
    EXPECT_TRUE(sole->isOpen());
}

TEST_F(EstimateTest, MailsortTariffFaultsAreReported) {
    auto db = qv::db::Database::open("mailsort.mdb");
    EXPECT_EQ(errorOf([&] { workOut(*db, {"5000", "60", "LE", "M4", false, false, "0", false}); }),
              "No estimate can be made: the Mailsort tariff has no row for service M4.");
    db.reset();
    setPrice("M2", {{"LLExt1", Value()}});
    db = qv::db::Database::open("mailsort.mdb");
    EXPECT_EQ(errorOf([&] { workOut(*db, {"5000", "300", "LL", "M2", false, false, "0", false}); }),
              "No estimate can be made: the Mailsort tariff for service M2 holds no value in LLExt1.");
    // a light large letter never reads the per-gram price
    EXPECT_EQ(workOut(*db, {"5000", "100", "LL", "M2", false, false, "0", false}).straightPrice, "53.00");
}

TEST_F(EstimateTest, SuggestedPercentFromBreak) {
    setBreak({{4000, 20, 15}, {10000, 35, 28}, {25000, 50, 40}});
    struct Case {
        double n;
        const char* format;
        int held;
        int expected;
    };
    const Case cases[] = {
        {7000, "LE", 0, 28},    // 27.5 to the even 28
        {5000, "LE", 0, 22},    // 22.5 to the even 22
        {4000, "LE", 9, 20},    // a break point exactly
        {10000, "PK", 0, 28},
        {7000, "PK", 0, 22},    // 21.5 to the even 22
        {6000, "LL", 0, 19},    // 15 + 13 x 2000 / 6000 = 19.33
        {17500, "A3", 0, 34},
        {25000, "LE", 3, 50},   // the last row exactly
        {25001, "LE", 3, 3},    // above the last row: the suggestion held
        {3999, "LE", 7, 7},     // below the first row
        {0, "LE", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(suggest(c.n, c.format, c.held), c.expected) << c.n << " " << c.format;
}

TEST_F(EstimateTest, SuggestedPercentStaysWithinAHundred) {
    setBreak({{4000, 90, -40}, {10000, 130, -10}});
    EXPECT_EQ(suggest(10000, "LE"), 100);
    EXPECT_EQ(suggest(7000, "LE"), 100);
    EXPECT_EQ(suggest(5500, "LE"), 100);
    EXPECT_EQ(suggest(4000, "LE"), 90);
    EXPECT_EQ(suggest(4000, "PK"), 0);
}

TEST(EstimateAnswer, PercentageAnswers) {
    const struct {
        const char* answer;
        PercentAnswer expected;
    } cases[] = {
        {"", PercentAnswer::Empty},          {"22", PercentAnswer::Accepted},      {"12.5", PercentAnswer::Accepted},
        {"0", PercentAnswer::Accepted},      {"100", PercentAnswer::Accepted},     {" 40 ", PercentAnswer::Accepted},
        {"1e1", PercentAnswer::Accepted},    {"abc", PercentAnswer::NotNumeric},   {"12a", PercentAnswer::NotNumeric},
        {" ", PercentAnswer::NotNumeric},    {"100.01", PercentAnswer::OutOfRange}, {"-1", PercentAnswer::OutOfRange},
        {"250", PercentAnswer::OutOfRange},
    };
    for (const auto& c : cases) EXPECT_EQ(readPercentAnswer(c.answer), c.expected) << '"' << c.answer << '"';
}

}  // namespace
