#include "common/text/money.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using qv::Money;

TEST(Money, FromDoubleRounding) {
    struct { double v; std::int64_t raw; } cases[] = {
        {0, 0}, {1, 10000}, {-1, -10000}, {2.675, 26750}, {1.23456, 12346}, {1.23454, 12345},
        {0.03125, 312},     // exactly 312.5 ten-thousandths: half to even, down
        {0.09375, 938},     // exactly 937.5: half to even, up
        {-0.03125, -312}, {-0.09375, -938}, {0.15625, 1562}, {0.21875, 2188},
        // Decided on the exact binary value, not on a rounded product:
        {0.00005, 1},       // the double 0.00005 lies just above one half ten-thousandth
        {0.00015, 1},       // and 0.00015 just below 1.5
        {123456.78905, 1234567891},  // 1234567890.50000007, though the double product is x.5
        {0.0001, 1}, {0.1 + 0.2, 3000}, {1e-10, 0}, {1.0001, 10001}, {19.99, 199900},
        {900000000000000.125, 9000000000000001250},
    };
    for (const auto& c : cases) EXPECT_EQ(Money::fromDouble(c.v).raw(), c.raw) << c.v;
}

TEST(Money, FromDoubleOverflow) {
    EXPECT_THROW(Money::fromDouble(1e15), std::overflow_error);
    EXPECT_THROW(Money::fromDouble(-1e15), std::overflow_error);
    EXPECT_THROW(Money::fromDouble(std::numeric_limits<double>::quiet_NaN()), std::overflow_error);
    EXPECT_THROW(Money::fromDouble(std::numeric_limits<double>::infinity()), std::overflow_error);
    EXPECT_NO_THROW(Money::fromDouble(9e14));
}

TEST(Money, Arithmetic) {
    Money a = Money::fromDouble(1.0001), b = Money::fromDouble(2.5);
    EXPECT_EQ((a + b).raw(), 35001);
    EXPECT_EQ((a - b).raw(), -14999);
    EXPECT_EQ((-a).raw(), -10001);
    Money c = a;
    c += b;
    c -= Money::fromRaw(1);
    EXPECT_EQ(c.raw(), 35000);
    // By a double: the product rounded half to even.
    EXPECT_EQ((a * 0.5).raw(), 5000);                         // 5000.5 -> 5000
    EXPECT_EQ((Money::fromDouble(1.0003) * 0.5).raw(), 5002); // 5001.5 -> 5002
    EXPECT_EQ((Money::fromDouble(-1.0003) * 0.5).raw(), -5002);
    EXPECT_EQ((0.5 * a).raw(), 5000);
    EXPECT_EQ((b * 0.1).raw(), 2500);
    EXPECT_EQ((Money::fromDouble(19.99) * 3.0).raw(), 599700);
    // By a whole number: exact.
    EXPECT_EQ((a * 3).raw(), 30003);
    EXPECT_EQ((3 * a).raw(), 30003);
    EXPECT_EQ((a * std::int64_t(-2)).raw(), -20002);
    EXPECT_EQ((a * 0).raw(), 0);
    EXPECT_EQ(Money::fromWhole(12).raw(), 120000);
}

TEST(Money, ArithmeticOverflow) {
    Money big = Money::fromRaw(std::numeric_limits<std::int64_t>::max());
    Money small = Money::fromRaw(std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW(big + Money::fromRaw(1), std::overflow_error);
    EXPECT_THROW(small - Money::fromRaw(1), std::overflow_error);
    EXPECT_THROW(-small, std::overflow_error);
    EXPECT_THROW(big * 2, std::overflow_error);
    EXPECT_THROW(big * 2.0, std::overflow_error);
    EXPECT_THROW(Money::fromWhole(std::int64_t(1) << 62), std::overflow_error);
    EXPECT_EQ((Money::fromRaw(std::int64_t(1) << 62) * -2).raw(), std::numeric_limits<std::int64_t>::min());
}

TEST(Money, Comparison) {
    Money a = Money::fromDouble(1.5), b = Money::fromDouble(2);
    EXPECT_LT(a, b);
    EXPECT_GT(b, a);
    EXPECT_EQ(a, Money::fromRaw(15000));
    EXPECT_NE(a, b);
    EXPECT_LE(a, a);
    EXPECT_LT(Money::fromDouble(-1), Money());
}

TEST(Money, ToDoubleAndText) {
    EXPECT_EQ(Money::fromDouble(12.5).toDouble(), 12.5);
    EXPECT_EQ(Money::fromDouble(0.0001).toDouble(), 0.0001);
    EXPECT_EQ(Money::fromDouble(-3.1416).toDouble(), -3.1416);
    struct { std::int64_t raw; const char* t; } cases[] = {
        {0, "0"}, {10000, "1"}, {125000, "12.5"}, {1, "0.0001"}, {-1, "-0.0001"}, {-30000, "-3"},
        {123456789, "12345.6789"}, {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
    };
    for (const auto& c : cases) EXPECT_EQ(Money::fromRaw(c.raw).text(), c.t) << c.raw;
}

TEST(Money, Format) {
    struct { std::int64_t raw; const char* pat; const char* t; } cases[] = {
        {26750, "0.00", "2.68"}, {10050, "0.00", "1.01"}, {1250, "0.00", "0.13"}, {5000, "0.00", "0.50"},
        {-10050, "0.00", "-1.01"}, {0, "0.00", "0.00"}, {-49, "0.00", "0.00"},
        {5000, ".00", ".50"}, {-5000, ".00", "-.50"}, {125000, ".00", "12.50"}, {1250, ".000", ".125"},
        {12345, ".000", "1.235"}, {5, ".000", ".001"}, {99950, "0.0", "10.0"}, {25000, "0", "3"},
        {50000, "00", "05"},
        // all 19 digits kept: no 15-digit text in between
        {std::numeric_limits<std::int64_t>::max(), "0.0000", "922337203685477.5807"},
        {std::numeric_limits<std::int64_t>::max(), "0.00", "922337203685477.58"},
    };
    for (const auto& c : cases) EXPECT_EQ(Money::fromRaw(c.raw).format(c.pat), c.t) << c.raw << " " << c.pat;
    EXPECT_EQ(Money::fromDouble(2.675).format("0.00"), "2.68");
}
