// Calendar dates as the suite types and shows them: day/month/year.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct Date {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    constexpr auto operator<=>(const Date&) const = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);  // 0 for a month outside 1..12
bool isValidDate(const Date& d);       // year 1..9999, month and day in range

// "dd/MM/yyyy": Date{1999, 1, 2} -> "02/01/1999".
std::string dateText(const Date& d);

// The clock. today() is the local date, unless a test has pinned it with
// setTodayOverride (std::nullopt unpins). Not thread-safe; set it before use.
Date today();
void setTodayOverride(std::optional<Date> d);
std::string todayText();  // dateText(today())

// A date as typed, day, month, year: "1/01/99", "01/01/1999", "31/12/29".
// Blanks around the text are allowed. Day and month have one or two digits,
// the year two or four; the two separators are the same, "/", "-" or ".".
// A two-digit year 00..29 means 2000..2029, 30..99 means 1930..1999. The day
// must exist in its month (29/02 only in a leap year). Anything else:
// std::nullopt.
std::optional<Date> parseTypedDate(std::string_view s);

}  // namespace qv
