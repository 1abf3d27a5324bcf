// Partition keys of a group's folders and the stems that name them.
//
// A key holds up to four values: year, month, day, hour. `count` is the index of the last value
// that means something (0 = year only ... 3 = down to the hour). A group's folders have keys with
// count equal to the group's partition depth.
#pragma once

#include <cstdint>
#include <string>

#include "calendar_time.h"

struct TimeKey {
    uint16_t count = 0;
    uint16_t value[4] = {0, 0, 0, 0};  // year, month, day, hour

    uint16_t Year() const { return value[0]; }
};

// Partition depth for a record interval in seconds: 0 = one folder a year (15 days or more),
// 1 = a month (12 hours or more), 2 = a day (30 minutes or more), 3 = an hour.
int DepthFromInterval(uint32_t intervalSeconds);

// The key of the folder at `depth` that holds the time t.
TimeKey KeyFromTime(const CalendarTime& t, int depth);

// Compares a and b value by value from the year down to index `depth`, as unsigned numbers.
int CompareKeys(const TimeKey& a, const TimeKey& b, int depth);

// Start of a folder: year-01-01 00:00:00 with the key's values put in down to its count.
CalendarTime KeyToTime(const TimeKey& key);

// Start of the next folder at the same depth (the end of this folder's period). Months have
// 28 days in February, 29 when the year is divisible by 4, as the recorder counts them.
CalendarTime NextKeyTime(const TimeKey& key);

// Seconds from KeyToTime to NextKeyTime; 0 when the key has no valid time.
uint32_t FolderPeriodSeconds(const TimeKey& key);

// Separators of the two stem forms.
constexpr char kNestedSeparator = '\\';  // "1A\2011\05\17": folders in a data folder
constexpr char kFlatSeparator = '-';     // "1A-2011-05-17": lines of a folder list

// Writes v at p in upper-case hexadecimal, as "%X" would; returns the end (at most 8 bytes).
char* PutHex(char* p, uint32_t v);

// Builds the stem of group `id`'s folder `key`: the id as %X, then the year as %04hu and month,
// day, hour as %02hu, joined by sep, stopping after index count. False when count > 3.
bool MakeStem(uint32_t id, const TimeKey& key, char sep, std::string* stem);

// Result of parsing a stem or tree path.
struct ParsedStem {
    uint32_t id = 0;
    TimeKey key;
    int block = -1;  // block number from a last field "%u(%X)", or -1 for none
};

// Parses text (length bytes, need not be NUL-terminated) with the separator sep. With expectId
// the first field is the group id in hex and at least one more field must follow. With wantBlock
// the last field may carry a block number in parentheses. Fields must be decimal digits that fit
// in 16 bits (the id in 32 bits); at most four values. False for anything else, or empty text.
bool ParseStem(const char* text, size_t length, char sep, bool expectId, bool wantBlock,
               ParsedStem* out);
inline bool ParseStem(const std::string& text, char sep, bool expectId, bool wantBlock,
                      ParsedStem* out) {
    return ParseStem(text.data(), text.size(), sep, expectId, wantBlock, out);
}
