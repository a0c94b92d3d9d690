#include "common/text/dates.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(Dates, Text) {
    EXPECT_EQ(dateText({1999, 1, 2}), "02/01/1999");
    EXPECT_EQ(dateText({2029, 12, 31}), "31/12/2029");
    EXPECT_EQ(dateText({2000, 2, 29}), "29/02/2000");
}

TEST(Dates, PinnedToday) {
    setTodayOverride(Date{2024, 3, 7});
    EXPECT_EQ(today(), (Date{2024, 3, 7}));
    EXPECT_EQ(todayText(), "07/03/2024");
    setTodayOverride(std::nullopt);
    Date d = today();
    EXPECT_TRUE(isValidDate(d));
    EXPECT_GE(d.year, 2024);
}

TEST(Dates, Leap) {
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2023));
    EXPECT_EQ(daysInMonth(2024, 2), 29);
    EXPECT_EQ(daysInMonth(2023, 2), 28);
    EXPECT_EQ(daysInMonth(2023, 4), 30);
    EXPECT_EQ(daysInMonth(2023, 13), 0);
}

TEST(Dates, ParseTyped) {
    struct { const char* s; int y, m, d; } good[] = {
        {"1/01/99", 1999, 1, 1}, {"01/01/1999", 1999, 1, 1}, {"31/12/29", 2029, 12, 31},
        {"31/12/99", 1999, 12, 31}, {"1/1/00", 2000, 1, 1}, {"15/06/30", 1930, 6, 15},
        {"29/02/00", 2000, 2, 29}, {"29/02/2024", 2024, 2, 29}, {"29/02/96", 1996, 2, 29},
        {"30/04/2023", 2023, 4, 30}, {"7-3-24", 2024, 3, 7}, {"07.03.2024", 2024, 3, 7},
        {" 1/01/99 ", 1999, 1, 1}, {"31/01/1753", 1753, 1, 31},
    };
    for (const auto& c : good) {
        auto d = parseTypedDate(c.s);
        ASSERT_TRUE(d.has_value()) << c.s;
        EXPECT_EQ(*d, (Date{c.y, c.m, c.d})) << c.s;
    }
    const char* bad[] = {
        "", "/", "31/04/99", "29/02/99", "29/02/1900", "30/02/2000", "32/01/99", "0/01/99",
        "01/00/99", "01/13/99", "1/01/9", "1/01/199", "1/01/19999", "123/01/99", "1/001/99",
        "1/01-99", "1/01/99x", "x1/01/99", "1 01 99", "1//99", "01/01/0000", "1/01", "311299",
        "1,01,99", "-1/01/99",
    };
    for (const char* s : bad) EXPECT_FALSE(parseTypedDate(s).has_value()) << s;
}
