#include "common/text/dates.h"

#include <ctime>

namespace qv {

namespace {
std::optional<Date> g_todayOverride;

void put2(std::string& s, int v) {
    s += char('0' + v / 10 % 10);
    s += char('0' + v % 10);
}
}  // namespace

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

bool isValidDate(const Date& d) {
    return d.year >= 1 && d.year <= 9999 && d.day >= 1 && d.day <= daysInMonth(d.year, d.month);
}

std::string dateText(const Date& d) {
    std::string s;
    s.reserve(10);
    put2(s, d.day);
    s += '/';
    put2(s, d.month);
    s += '/';
    put2(s, d.year / 100);
    put2(s, d.year);
    return s;
}

Date today() {
    if (g_todayOverride) return *g_todayOverride;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return Date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

void setTodayOverride(std::optional<Date> d) { g_todayOverride = d; }

std::string todayText() { return dateText(today()); }

std::optional<Date> parseTypedDate(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    size_t i = 0;
    auto number = [&](int& v) -> int {  // digits read
        int n = 0;
        v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 5) v = v * 10 + (s[i++] - '0'), ++n;
        return n;
    };
    int day, month, year;
    int nd = number(day);
    if (nd < 1 || nd > 2 || i >= s.size()) return std::nullopt;
    char sep = s[i++];
    if (sep != '/' && sep != '-' && sep != '.') return std::nullopt;
    int nm = number(month);
    if (nm < 1 || nm > 2 || i >= s.size() || s[i++] != sep) return std::nullopt;
    int ny = number(year);
    if ((ny != 2 && ny != 4) || i != s.size()) return std::nullopt;
    if (ny == 2) year += year < 30 ? 2000 : 1900;
    Date d{year, month, day};
    if (!isValidDate(d)) return std::nullopt;
    return d;
}

}  // namespace qv
