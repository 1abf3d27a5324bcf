#include "calendar_time.h"

#include <cstdio>

namespace {

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days from 1601-01-01 to the given date (civil-from-days arithmetic, proleptic Gregorian).
int64_t DaysSince1601(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t daysSince0000 = era * 146097 + doe;
    // 1601-03-01 based day count of 1601-01-01 (584754 days after 0000-03-01, minus Jan+Feb).
    return daysSince0000 - 584694;
}

}  // namespace

CalendarTime MakeCalendarTime(int year, int month, int day, int hour, int minute, int second) {
    CalendarTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    return t;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidCalendarTime(const CalendarTime& t) {
    return t.year >= 1601 && t.year <= 30827 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 && t.second < 60 &&
           t.milliseconds < 1000;
}

bool CalendarToFileTime(const CalendarTime& t, uint64_t* fileTime) {
    if (!IsValidCalendarTime(t)) {
        return false;
    }
    const int64_t days = DaysSince1601(t.year, t.month, t.day);
    const int64_t seconds = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    *fileTime = static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond +
                static_cast<uint64_t>(t.milliseconds) * 10000;
    return true;
}

bool FileTimeToCalendar(uint64_t fileTime, CalendarTime* t) {
    const uint64_t totalSeconds = fileTime / kFileTimeUnitsPerSecond;
    const int64_t days = static_cast<int64_t>(totalSeconds / 86400);
    const uint64_t secondOfDay = totalSeconds % 86400;
    // Days since 0000-03-01, then the civil date (Howard Hinnant's algorithm).
    const int64_t z = days + 584694;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2);
    if (y > 30827) {
        return false;
    }
    t->year = static_cast<uint16_t>(y);
    t->month = static_cast<uint16_t>(m);
    t->day = static_cast<uint16_t>(d);
    t->hour = static_cast<uint16_t>(secondOfDay / 3600);
    t->minute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    t->second = static_cast<uint16_t>(secondOfDay % 60);
    t->milliseconds = static_cast<uint16_t>(fileTime % kFileTimeUnitsPerSecond / 10000);
    // 1601-01-01 was a Monday.
    t->dayOfWeek = static_cast<uint16_t>((days + 1) % 7);
    return true;
}

std::string CalendarTimeText(const CalendarTime& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(t.year),
                  unsigned(t.month), unsigned(t.day), unsigned(t.hour), unsigned(t.minute),
                  unsigned(t.second));
    return text;
}

int CompareCalendarTimes(const CalendarTime& a, const CalendarTime& b) {
    const uint16_t av[7] = {a.year, a.month, a.day, a.hour, a.minute, a.second, a.milliseconds};
    const uint16_t bv[7] = {b.year, b.month, b.day, b.hour, b.minute, b.second, b.milliseconds};
    for (int i = 0; i < 7; ++i) {
        if (av[i] != bv[i]) {
            return av[i] < bv[i] ? -1 : 1;
        }
    }
    return 0;
}
