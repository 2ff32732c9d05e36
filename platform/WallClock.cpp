#include "WallClock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

std::tm brokenDown(const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    // A locale's date form may name the weekday or the day of the year.
    using namespace std::chrono;
    const year_month_day date{year{t.year}, month{unsigned(t.month)}, day{unsigned(t.day)}};
    if (date.ok()) {
        const sys_days days{date};
        tm.tm_wday = int(weekday{days}.c_encoding());
        tm.tm_yday = int((days - sys_days{year_month_day{year{t.year}, January, day{1}}}).count());
    }
    return tm;
}

std::string formatted(const LocalDateTime& t, const char* localeForm, const char* fallbackForm) {
    const std::tm tm = brokenDown(t);
    char buffer[256];
    std::size_t n = std::strftime(buffer, sizeof buffer, localeForm, &tm);
    std::string text(buffer, n);
    bool ascii = n > 0;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return text;
    n = std::strftime(buffer, sizeof buffer, fallbackForm, &tm);
    return std::string(buffer, n);
}

}  // namespace

LocalDateTime SystemWallClock::now() const {
    const std::time_t seconds = std::time(nullptr);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

const SystemWallClock& SystemWallClock::instance() {
    static const SystemWallClock clock;
    return clock;
}

std::string isoDateText(const LocalDateTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buffer;
}

std::string localeTimeText(const LocalDateTime& t) {
    return formatted(t, "%X", "%H:%M:%S");
}

std::string localeDateText(const LocalDateTime& t) {
    return formatted(t, "%x", "%Y-%m-%d");
}

std::string localeDateTimeText(const LocalDateTime& t) {
    return formatted(t, "%x %X", "%Y-%m-%d %H:%M:%S");
}
