#include "cell_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool Blank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool PlainDecimal(const char* p, const char* end, double* value) {
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned char>(*p) - '0';
        if (d <= 9) {
            mantissa = mantissa * 10 + d;
            decimals += point ? 1 : 0;
            if (++digits > 15)
                return false;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    const double v = static_cast<double>(mantissa) / kPowers[decimals];
    *value = negative ? -v : v;
    return true;
}

bool CellNumber(const char* p, const char* end, double* value) {
    while (p < end && Blank(*p))
        ++p;
    while (end > p && Blank(end[-1]))
        --end;
    // The general parser takes a '-' but no '+'.
    if (p < end && *p == '+' && ++p < end && *p == '-')
        return false;
    if (p == end)
        return false;
    if (PlainDecimal(p, end, value))
        return true;
    // It would read "inf" and "nan" as well: a number starts with a digit or a point.
    const char lead = *p == '-' && p + 1 < end ? p[1] : *p;
    if (!((lead >= '0' && lead <= '9') || lead == '.'))
        return false;
    double v = 0.0;
    const auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

void StoredCellNumbers(const char* stored, size_t length, size_t channels, double* values,
                       uint8_t* numeric, std::vector<char>* scratch) {
    constexpr unsigned char kComma = static_cast<unsigned char>(~',');
    const auto* p = reinterpret_cast<const unsigned char*>(stored);
    const unsigned char* const end = p + length;
    // The time is the first cell.
    p = length > 0 ? static_cast<const unsigned char*>(std::memchr(p, kComma, length)) : nullptr;
    size_t c = 0;
    for (; c < channels && p != nullptr; ++c) {
        const unsigned char* const cell = ++p;
        // A plain decimal, its bytes inverted back one at a time (the arithmetic of PlainDecimal).
        const bool negative = p < end && static_cast<unsigned char>(~*p) == '-';
        p += negative ? 1 : 0;
        // The whole digits, then the point and the decimals (an unsigned mantissa of too many
        // digits wraps harmlessly: it is not taken).
        uint64_t mantissa = 0;
        const auto takeDigits = [&] {
            const unsigned char* const first = p;
            for (; p < end; ++p) {
                const unsigned d = static_cast<unsigned char>(~*p) - static_cast<unsigned>('0');
                if (d > 9)
                    break;
                mantissa = mantissa * 10 + d;
            }
            return static_cast<size_t>(p - first);
        };
        size_t digits = takeDigits();
        size_t decimals = 0;
        if (p < end && static_cast<unsigned char>(~*p) == '.') {
            ++p;
            decimals = takeDigits();
            digits += decimals;
        }
        if (digits > 0 && digits <= 15 && (p == end || *p == kComma)) {
            const double v = static_cast<double>(mantissa) / kPowers[decimals];
            values[c] = negative ? -v : v;
            numeric[c] = 1;
        } else {
            // Anything else: the whole cell inverted back, for the general reading.
            const auto* cellEnd = static_cast<const unsigned char*>(
                std::memchr(cell, kComma, static_cast<size_t>(end - cell)));
            const unsigned char* const stop = cellEnd != nullptr ? cellEnd : end;
            const size_t n = static_cast<size_t>(stop - cell);
            if (scratch->size() < n + 1)
                scratch->resize(n + 1);
            for (size_t k = 0; k < n; ++k)
                (*scratch)[k] = static_cast<char>(~cell[k]);
            numeric[c] = CellNumber(scratch->data(), scratch->data() + n, &values[c]) ? 1 : 0;
            p = stop;
        }
        if (p == end)
            p = nullptr;
    }
    for (; c < channels; ++c)
        numeric[c] = 0;
}
