#include "record_time.h"

#include <cstdio>
#include <cstring>

namespace {

// Reads 1..maxDigits digits at p.
bool Digits(std::string_view s, size_t* p, size_t maxDigits) {
    size_t n = 0;
    while (*p < s.size() && n < maxDigits && s[*p] >= '0' && s[*p] <= '9') {
        ++*p;
        ++n;
    }
    return n > 0 && !(*p < s.size() && s[*p] >= '0' && s[*p] <= '9');
}

bool At(std::string_view s, size_t* p, std::string_view oneOf) {
    if (*p >= s.size() || oneOf.find(s[*p]) == std::string_view::npos)
        return false;
    ++*p;
    return true;
}

bool FastDigits(const char* p, int n, int* out) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + (p[i] - '0');
    }
    *out = v;
    return true;
}

}  // namespace

bool ReadRecordTime(std::string_view cell, int fields[6]) {
    // Each field: its digits at most, and at least (a year has all four).
    constexpr size_t kMost[6] = {4, 2, 2, 2, 2, 2};
    constexpr size_t kLeast[6] = {4, 1, 1, 1, 1, 1};
    const char* const kAfter[6] = {"-/.", "", " T", ":", ":", ""};
    size_t p = 0;
    fields[5] = 0;
    for (int i = 0; i < 6; ++i) {
        const size_t start = p;
        if (!Digits(cell, &p, kMost[i]) || p - start < kLeast[i])
            return false;
        int value = 0;
        for (size_t k = start; k < p; ++k)
            value = value * 10 + (cell[k] - '0');
        fields[i] = value;
        if (i == 4 && p == cell.size())
            return true;  // no seconds
        if (i == 5)
            break;
        // The day follows the separator that follows the year.
        const std::string_view after =
            i == 1 ? cell.substr(start - 1, 1) : std::string_view(kAfter[i]);
        if (!At(cell, &p, after))
            return false;
    }
    // Fractions of a second, as pandas writes them for times that have them.
    if (p < cell.size() && (!At(cell, &p, ".") || !Digits(cell, &p, 9)))
        return false;
    return p == cell.size();
}

bool IsRecordTime(std::string_view cell) {
    if (!cell.empty() && cell.back() == '\r')
        cell.remove_suffix(1);
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
        cell = cell.substr(1, cell.size() - 2);
    size_t p = 0;
    if (!Digits(cell, &p, 4) || !At(cell, &p, "-/."))
        return false;
    const char separator = cell[p - 1];
    if (!Digits(cell, &p, 2) || !At(cell, &p, std::string_view(&separator, 1)) ||
        !Digits(cell, &p, 4) || !At(cell, &p, " T") || !Digits(cell, &p, 2) || !At(cell, &p, ":") ||
        !Digits(cell, &p, 2)) {
        return false;
    }
    if (p < cell.size() && (!At(cell, &p, ":") || !Digits(cell, &p, 2)))
        return false;
    // Fractions of a second, as pandas writes them for times that have them.
    if (p < cell.size() && (!At(cell, &p, ".") || !Digits(cell, &p, 9)))
        return false;
    return p == cell.size();
}

bool ParseRowTime(std::string_view cell, CalendarTime* time) {
    int v[6] = {0, 0, 0, 0, 0, 0};
    const char* p = cell.data();
    // The recorder's own form first, then the forms of spreadsheet programs and pandas; anything
    // else goes through sscanf's rules.
    const bool canonical = cell.size() == 19 && p[4] == '-' && p[7] == '-' && p[10] == ' ' &&
                           p[13] == ':' && p[16] == ':' && FastDigits(p, 4, &v[0]) &&
                           FastDigits(p + 5, 2, &v[1]) && FastDigits(p + 8, 2, &v[2]) &&
                           FastDigits(p + 11, 2, &v[3]) && FastDigits(p + 14, 2, &v[4]) &&
                           FastDigits(p + 17, 2, &v[5]);
    if (!canonical && !ReadRecordTime(cell, v)) {
        if (cell.empty())
            return false;  // an absent cell has no buffer to copy from
        char buf[64];
        const size_t n = cell.size() < sizeof buf - 1 ? cell.size() : sizeof buf - 1;
        std::memcpy(buf, cell.data(), n);
        buf[n] = '\0';
        if (std::sscanf(buf, "%4d-%2d-%2d %2d:%2d:%2d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) !=
            6) {
            return false;
        }
    }
    for (int x : v) {
        if (x < 0 || x > 65535)
            return false;
    }
    const CalendarTime t = MakeCalendarTime(v[0], v[1], v[2], v[3], v[4], v[5]);
    if (!IsValidCalendarTime(t)) {
        return false;
    }
    *time = t;
    return true;
}
