// Calendar time as the recorder writes it: the panel's local wall-clock time, broken down into
// eight unsigned 16-bit fields. No time zone is ever applied.
#pragma once

#include <cstdint>
#include <string>

struct CalendarTime {
    uint16_t year = 0;
    uint16_t month = 0;      // 1..12
    uint16_t dayOfWeek = 0;  // 0 = Sunday; ignored by every comparison
    uint16_t day = 0;        // 1..31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// A time from its fields (milliseconds and day of week 0); the fields are not checked.
CalendarTime MakeCalendarTime(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0);

// 100-nanosecond units per second in a file time.
constexpr uint64_t kFileTimeUnitsPerSecond = 10000000ULL;

// True when the fields form a real date and time of the proleptic Gregorian calendar between
// the years 1601 and 30827 (the range a file time can hold).
bool IsValidCalendarTime(const CalendarTime& t);

// Converts to 100-ns units since 1601-01-01 00:00:00. Returns false, leaving *fileTime alone,
// when the time is not valid (IsValidCalendarTime).
bool CalendarToFileTime(const CalendarTime& t, uint64_t* fileTime);

// Inverse of CalendarToFileTime; also fills dayOfWeek. Returns false past the year 30827.
bool FileTimeToCalendar(uint64_t fileTime, CalendarTime* t);

// Days in a month with the full Gregorian leap rule (used for validation and conversion).
int DaysInMonth(int year, int month);

// "YYYY-MM-DD hh:mm:ss", the form records give their times in.
std::string CalendarTimeText(const CalendarTime& t);

// Orders two times chronologically, ignoring dayOfWeek: <0, 0, >0. Invalid fields compare
// field by field, so the result is still a total order.
int CompareCalendarTimes(const CalendarTime& a, const CalendarTime& b);
