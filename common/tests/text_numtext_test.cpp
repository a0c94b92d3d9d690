#include "common/text/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

struct RoundCase {
    double value;
    int places;
    const char* text;  // the result text
    double number;     // read back
};

// The documented examples first, then the cases where we chose.
const RoundCase kRound[] = {
    {2.675, 2, "2.68", 2.68},
    {1.005, 2, "1.01", 1.01},
    {0.1 + 0.2, 2, "0.3", 0.3},     // taken as its text 0.3: nothing to round
    {0.1 + 0.2, 1, "0.3", 0.3},
    {1.25, 1, "1.3", 1.3},
    {1.24999, 1, "1.2", 1.2},
    {19.95, 1, "20.0", 20},
    {99.96, 1, "100.0", 100},
    {12.996, 2, "13.00", 13},
    {0.996, 2, "1.00", 1},
    {-9.996, 2, "-10.00", -10},
    {12, 2, "12", 12},
    {2.5, 3, "2.5", 2.5},
    {0, 0, "0", 0},
    {0, 2, "0", 0},
    {0, 255, "0", 0},
    {7.2, 0, "8", 8},
    {7.5, 0, "8", 8},
    {0.3, 0, "1", 1},
    {7, 0, "7", 7},
    {7.000001, 0, "7.", 7},          // whole-number part and the point
    {7.00001, 0, "8", 8},
    {123456.785, 2, "123456.79", 123456.79},
    {1.2449, 2, "1.24", 1.24},       // only the one digit after the last place decides
    {-12.345, 2, "-12.35", -12.35},  // half away from zero
    {-12.344, 2, "-12.34", -12.34},
    {9.5, 0, "10", 10},
    {99.5, 0, "100", 100},
    {0.95, 1, "1.0", 1},
    {-0.95, 1, "-1.0", -1},
    {1.15, 1, "1.2", 1.2},
    {0.125, 2, "0.13", 0.13},
    {1.2345, 255, "1.2345", 1.2345},
    {1.2345, 300, "1.2345", 1.2345},  // clamped to 255
    {1.55, -1, "2", 2},               // clamped to 0
    {5.4, 1, "5.4", 5.4},
    {8.04, 1, "8.0", 8},              // no carry: the kept 0 stays
    {0.05, 1, "0.1", 0.1},
    {999999999999999, 0, "999999999999999", 999999999999999.0},
    // Cases the old rule leaves open: our choices.
    {1.5e20, 2, "1.5E+20", 1.5e20},   // 1E15 and more: unchanged
    {1e15, 0, "1E+15", 1e15},
    {0.00005, 4, "0.0001", 0.0001},   // below 0.0001: walked on plain text
    {0.00004, 4, "0.0000", 0},
    {0.000012, 0, "1", 1},
    {0.000001, 0, "0.", 0},
    {-7.2, 0, "-8", -8},              // a negative number's magnitude goes up
    {-0.3, 0, "-1", -1},
    {-7.000001, 0, "-7.", -7},
};

TEST(Round, GivesTheTextAndNumberOfEachWorkedCase) {
    for (const auto& c : kRound) {
        SCOPED_TRACE(::testing::Message() << c.value << " to " << c.places);
        EXPECT_EQ(qv::round(c.value, c.places), c.text);
        EXPECT_DOUBLE_EQ(qv::roundNumber(c.value, c.places), c.number);
    }
}

TEST(NumberText, Table) {
    struct { double v; const char* t; } cases[] = {
        {0, "0"}, {-0.0, "0"}, {1, "1"}, {-1, "-1"}, {12.5, "12.5"}, {0.5, "0.5"}, {-0.5, "-0.5"},
        {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
        {123456789012345, "123456789012345"}, {999999999999999, "999999999999999"},
        {1e15, "1E+15"}, {1.5e20, "1.5E+20"}, {-1.5e20, "-1.5E+20"}, {1e100, "1E+100"},
        {0.0001, "0.0001"}, {0.00012, "0.00012"}, {0.00001, "1E-05"}, {1.5e-7, "1.5E-07"},
        {-2.5e-5, "-2.5E-05"}, {100, "100"}, {1234.5678, "1234.5678"}, {2.675, "2.675"},
        {9999999999999999.0, "1E+16"}, {0.1, "0.1"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "Inf"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::numberText(c.v), c.t) << c.t;
}

TEST(NumberStr, LeadingBlank) {
    struct { double v; const char* t; } cases[] = {
        {12, " 12"}, {-12, "-12"}, {0, " 0"}, {0.5, " .5"}, {-0.5, "-.5"}, {1.5, " 1.5"},
        {100000, " 100000"}, {0.00001, " 1E-05"},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::numberStr(c.v), c.t) << c.t;
}

TEST(FormatNumber, Patterns) {
    struct { double v; const char* pat; const char* t; } cases[] = {
        // "0.00": the estimator and the progress windows
        {2.675, "0.00", "2.68"}, {1.005, "0.00", "1.01"}, {0.125, "0.00", "0.13"},
        {0.5, "0.00", "0.50"}, {0, "0.00", "0.00"}, {12, "0.00", "12.00"}, {100, "0.00", "100.00"},
        {-1.005, "0.00", "-1.01"}, {-0.125, "0.00", "-0.13"}, {-0.5, "0.00", "-0.50"},
        {-0.001, "0.00", "0.00"}, {9.995, "0.00", "10.00"}, {0.995, "0.00", "1.00"},
        {1234567.891, "0.00", "1234567.89"}, {0.1 + 0.2, "0.00", "0.30"}, {0.004, "0.00", "0.00"},
        {0.005, "0.00", "0.01"}, {33.333333, "0.00", "33.33"}, {66.666666666, "0.00", "66.67"},
        {1e15, "0.00", "1000000000000000.00"}, {0.00001, "0.00", "0.00"}, {0.000051, "0.0000", "0.0001"},
        // "0.0"
        {0.05, "0.0", "0.1"}, {0.04, "0.0", "0.0"}, {12.25, "0.0", "12.3"}, {-12.25, "0.0", "-12.3"},
        {99.95, "0.0", "100.0"}, {0, "0.0", "0.0"}, {50, "0.0", "50.0"},
        // "0" and "00"
        {2.5, "0", "3"}, {3.5, "0", "4"}, {-2.5, "0", "-3"}, {0.4, "0", "0"}, {0, "0", "0"},
        {5, "00", "05"}, {12, "00", "12"}, {123, "00", "123"}, {0, "00", "00"}, {-5, "00", "-05"},
        {4.5, "00", "05"},
        // ".0", ".00", ".000": no digit before the point below 1
        {0.5, ".0", ".5"}, {100, ".0", "100.0"}, {0.04, ".0", ".0"}, {0.96, ".0", "1.0"},
        {0.5, ".00", ".50"}, {12.5, ".00", "12.50"}, {-0.5, ".00", "-.50"}, {0, ".00", ".00"},
        {0.125, ".00", ".13"}, {2.675, ".00", "2.68"}, {-12.345, ".00", "-12.35"},
        {0.996, ".00", "1.00"}, {1234.5, ".00", "1234.50"},
        {0.5, ".000", ".500"}, {0.0125, ".000", ".013"}, {0.1234, ".000", ".123"}, {-0.0005, ".000", "-.001"},
        {3, ".000", "3.000"},
        // "#" placeholders and literals: the defer-date picture
        {311299, "##/##/##", "31/12/99"}, {10199, "##/##/##", "1/01/99"}, {99, "##/##/##", "//99"},
        {1234567, "##/##/##", "123/45/67"}, {0, "#", ""}, {0.5, "#", "1"}, {1.5, "#.##", "1.5"},
        {1, "#.##", "1."}, {1.256, "#.##", "1.26"}, {1.2, "0.0#", "1.2"}, {1.234, "0.0#", "1.23"},
        // NaN and infinities
        {std::numeric_limits<double>::quiet_NaN(), "0.00", "NaN"},
        {-std::numeric_limits<double>::infinity(), ".00", "-Inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::formatNumber(c.v, c.pat), c.t) << c.v << " with " << c.pat;
}

TEST(RoundHalfEven, Table) {
    struct { double v; std::int64_t r; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999999, 2},
        {2.5000001, 3}, {-2.6, -3}, {0, 0}, {7, 7}, {1e15 + 0.5, 1000000000000000}, {4503599627370497.0, 4503599627370497},
        {0.49999999999999994, 0}, {1e-300, 0}, {-1e-300, 0}, {9007199254740993.0, 9007199254740992},
        {-9223372036854775808.0, std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& c : cases) {
        auto r = qv::roundHalfEven(c.v);
        ASSERT_TRUE(r.has_value()) << c.v;
        EXPECT_EQ(*r, c.r) << c.v;
    }
    EXPECT_FALSE(qv::roundHalfEven(9223372036854775808.0));
    EXPECT_FALSE(qv::roundHalfEven(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(qv::roundHalfEven(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(qv::roundHalfEven(-1e300));
}

TEST(RoundHalfEven, IntegerAndLongRanges) {
    EXPECT_EQ(qv::toInteger(32767.0), 32767);
    EXPECT_EQ(qv::toInteger(32767.4), 32767);
    EXPECT_FALSE(qv::toInteger(32767.5));   // rounds to 32768: overflow
    EXPECT_EQ(qv::toInteger(-32768.5), -32768);  // even neighbour is in range
    EXPECT_FALSE(qv::toInteger(-32769.0));
    EXPECT_EQ(qv::toInteger(2.5), 2);
    EXPECT_EQ(qv::toInteger(-3.5), -4);
    EXPECT_EQ(qv::toLong(2147483647.0), 2147483647);
    EXPECT_FALSE(qv::toLong(2147483647.5));
    EXPECT_EQ(qv::toLong(-2147483648.5), -2147483648LL);
    EXPECT_FALSE(qv::toLong(-2147483649.0));
    EXPECT_EQ(qv::toLong(1234567.5), 1234568);
    EXPECT_FALSE(qv::toLong(std::numeric_limits<double>::quiet_NaN()));
}

TEST(LeadingNumber, Table) {
    struct { const char* s; double v; } cases[] = {
        {"12.5", 12.5}, {"1.2.3", 1.2}, {"x1", 0}, {"", 0}, {"  42abc", 42}, {"\t7", 7}, {"-3", -3},
        {"+3", 3}, {"-", 0}, {".5", 0.5}, {"5.", 5}, {".", 0}, {"1e3", 1000}, {"1E-2x", 0.01},
        {"1e", 1}, {"1e+", 1}, {"2.5E+3", 2500}, {"007", 7}, {"1,5", 1}, {"1e999", std::numeric_limits<double>::infinity()},
        {"-1e999", -std::numeric_limits<double>::infinity()}, {"1e-999", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::leadingNumber(c.s), c.v) << c.s;
}

TEST(ParseNumber, Table) {
    struct { const char* s; bool ok; double v; } cases[] = {
        {"12.5", true, 12.5}, {" 12.5 ", true, 12.5}, {"1.2.3", false, 0}, {"x1", false, 0},
        {"", false, 0}, {" ", false, 0}, {"-0.25", true, -0.25}, {"+4", true, 4}, {"1e3", true, 1000},
        {"12a", false, 0}, {"1 2", false, 0}, {".", false, 0}, {"5.", true, 5}, {".5", true, 0.5},
        {"1e999", false, 0}, {"1e-999", true, 0}, {"\t1", false, 0},
    };
    for (const auto& c : cases) {
        double out = -99;
        EXPECT_EQ(qv::parseNumber(c.s, out), c.ok) << c.s;
        EXPECT_EQ(out, c.ok ? c.v : -99) << c.s;
    }
}

// The Qt programs call setlocale; number texts must not change with it.
TEST(NumberText, IndependentOfCLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(qv::numberText(12.5), "12.5");
    EXPECT_EQ(qv::formatNumber(12.5, "0.00"), "12.50");
    EXPECT_EQ(qv::round(2.675, 2), "2.68");
    EXPECT_EQ(qv::leadingNumber("12.5"), 12.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
