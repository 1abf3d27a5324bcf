#include "time_key.h"

int DepthFromInterval(uint32_t intervalSeconds) {
    if (intervalSeconds >= 1296000)
        return 0;
    if (intervalSeconds >= 43200)
        return 1;
    if (intervalSeconds >= 1800)
        return 2;
    return 3;
}

TimeKey KeyFromTime(const CalendarTime& t, int depth) {
    TimeKey k;
    k.count = static_cast<uint16_t>(depth < 0 ? 0 : depth > 3 ? 3 : depth);
    const uint16_t v[4] = {t.year, t.month, t.day, t.hour};
    for (int i = 0; i <= k.count; ++i) {
        k.value[i] = v[i];
    }
    return k;
}

int CompareKeys(const TimeKey& a, const TimeKey& b, int depth) {
    for (int i = 0; i <= depth && i < 4; ++i) {
        if (a.value[i] != b.value[i]) {
            return a.value[i] < b.value[i] ? -1 : 1;
        }
    }
    return 0;
}

CalendarTime KeyToTime(const TimeKey& key) {
    CalendarTime t;
    t.year = key.value[0];
    t.month = 1;
    t.day = 1;
    if (key.count >= 1)
        t.month = key.value[1];
    if (key.count >= 2)
        t.day = key.value[2];
    if (key.count >= 3)
        t.hour = key.value[3];
    return t;
}

namespace {

int RecorderDaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    return month == 2 && year % 4 == 0 ? 29 : kDays[month - 1];
}

}  // namespace

CalendarTime NextKeyTime(const TimeKey& key) {
    const int count = key.count > 3 ? 3 : key.count;
    int v[4] = {key.value[0], count >= 1 ? key.value[1] : 1, count >= 2 ? key.value[2] : 1,
                count >= 3 ? key.value[3] : 0};
    v[count] += 1;
    if (count >= 3 && v[3] >= 24) {
        v[3] = 0;
        v[2] += 1;
    }
    if (count >= 2 && v[2] > RecorderDaysInMonth(v[0], v[1])) {
        v[2] = 1;
        v[1] += 1;
    }
    if (count >= 1 && v[1] > 12) {
        v[1] = 1;
        v[0] += 1;
    }
    CalendarTime t;
    t.year = static_cast<uint16_t>(v[0]);
    t.month = static_cast<uint16_t>(v[1]);
    t.day = static_cast<uint16_t>(v[2]);
    t.hour = static_cast<uint16_t>(v[3]);
    return t;
}

uint32_t FolderPeriodSeconds(const TimeKey& key) {
    uint64_t from = 0;
    uint64_t to = 0;
    if (!CalendarToFileTime(KeyToTime(key), &from) || !CalendarToFileTime(NextKeyTime(key), &to) ||
        to <= from) {
        return 0;
    }
    return static_cast<uint32_t>((to - from) / kFileTimeUnitsPerSecond);
}

char* PutHex(char* p, uint32_t v) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    } while (v != 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

namespace {

// Writes v at p in decimal with zeros before it up to width digits ("%0*hu"); returns the end.
char* PutDecimal(char* p, uint16_t v, int width) {
    char digits[5];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v = static_cast<uint16_t>(v / 10);
    } while (v != 0);
    for (int k = n; k < width; ++k)
        *p++ = '0';
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

}  // namespace

bool MakeStem(uint32_t id, const TimeKey& key, char sep, std::string* stem) {
    if (key.count > 3) {
        return false;
    }
    // Written by hand rather than formatted: a year's store has thousands of folders.
    char buf[64];
    char* p = PutHex(buf, id);
    *p++ = sep;
    p = PutDecimal(p, key.value[0], 4);
    for (int i = 1; i <= key.count; ++i) {
        *p++ = sep;
        p = PutDecimal(p, key.value[i], 2);
    }
    stem->assign(buf, static_cast<size_t>(p - buf));
    return true;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parses [p, end) as a number in `base` no larger than `limit`; empty text fails.
bool ParseNumber(const char* p, const char* end, int base, uint64_t limit, uint64_t* out) {
    if (p == end)
        return false;
    uint64_t v = 0;
    for (; p < end; ++p) {
        const int d = HexDigit(*p);
        if (d < 0 || d >= base)
            return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > limit)
            return false;
    }
    *out = v;
    return true;
}

}  // namespace

bool ParseStem(const char* text, size_t length, char sep, bool expectId, bool wantBlock,
               ParsedStem* out) {
    if (text == nullptr || length == 0) {
        return false;
    }
    ParsedStem result;
    const char* end = text + length;
    const char* p = text;
    int values = 0;
    bool first = true;
    while (p <= end) {
        const char* fieldEnd = p;
        while (fieldEnd < end && *fieldEnd != sep)
            ++fieldEnd;
        const bool last = fieldEnd == end;
        uint64_t v = 0;
        if (first && expectId) {
            if (last || !ParseNumber(p, fieldEnd, 16, UINT32_MAX, &v))
                return false;
            result.id = static_cast<uint32_t>(v);
        } else {
            const char* digitsEnd = fieldEnd;
            if (last && wantBlock && fieldEnd > p && fieldEnd[-1] == ')') {
                const char* open = p;
                while (open < fieldEnd && *open != '(')
                    ++open;
                if (open < fieldEnd) {
                    uint64_t block = 0;
                    if (!ParseNumber(open + 1, fieldEnd - 1, 16, 255, &block))
                        return false;
                    result.block = static_cast<int>(block);
                    digitsEnd = open;
                }
            }
            if (values >= 4 || !ParseNumber(p, digitsEnd, 10, 0xFFFF, &v))
                return false;
            result.key.value[values++] = static_cast<uint16_t>(v);
        }
        first = false;
        if (last)
            break;
        p = fieldEnd + 1;
    }
    if (values == 0) {
        return false;
    }
    result.key.count = static_cast<uint16_t>(values - 1);
    *out = result;
    return true;
}
