#include "core/IniDate.h"

#include <cstdio>
#include <ctime>

#include "core/IniText.h"

namespace rimvista::ini {

namespace {

// Reads minDigits..maxDigits decimal digits at text[pos], moving pos past them.
std::optional<int> fixedNumber(std::string_view text, std::size_t& pos, std::size_t minDigits,
                               std::size_t maxDigits) {
    int v = 0;
    std::size_t n = 0;
    while (pos < text.size() && n < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        v = v * 10 + (text[pos] - '0');
        ++pos;
        ++n;
    }
    if (n < minDigits) return std::nullopt;
    return v;
}

bool take(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

struct Fields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

std::optional<Fields> scanFields(std::string_view text) {
    Fields f;
    std::size_t pos = 0;
    const auto y = fixedNumber(text, pos, 4, 4);
    if (!y || pos >= text.size() || (text[pos] != '-' && text[pos] != '/')) return std::nullopt;
    const char sep = text[pos++];
    const auto mo = fixedNumber(text, pos, 1, 2);
    if (!mo || !take(text, pos, sep)) return std::nullopt;
    const auto d = fixedNumber(text, pos, 1, 2);
    if (!d) return std::nullopt;
    f.year = *y, f.month = *mo, f.day = *d;
    if (pos < text.size()) {
        if (!take(text, pos, ' ') && !take(text, pos, 'T')) return std::nullopt;
        const auto h = fixedNumber(text, pos, 1, 2);
        if (!h || !take(text, pos, ':')) return std::nullopt;
        const auto mi = fixedNumber(text, pos, 2, 2);
        if (!mi) return std::nullopt;
        f.hour = *h, f.minute = *mi;
        if (take(text, pos, ':')) {
            const auto s = fixedNumber(text, pos, 2, 2);
            if (!s) return std::nullopt;
            f.second = *s;
        }
        if (pos != text.size()) return std::nullopt;
    }
    return f;
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> parseDateText(std::string_view text) {
    const auto f = scanFields(trimBlanks(text));
    if (!f || f->month < 1 || f->month > 12 || f->day < 1 ||
        f->day > daysInMonth(f->year, f->month) || f->hour > 23 || f->minute > 59 ||
        f->second > 59) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = f->year - 1900;
    tm.tm_mon = f->month - 1;
    tm.tm_mday = f->day;
    tm.tm_hour = f->hour;
    tm.tm_min = f->minute;
    tm.tm_sec = f->second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return std::chrono::system_clock::from_time_t(t);
}

std::string formatDateText(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) return {};
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

}  // namespace rimvista::ini
