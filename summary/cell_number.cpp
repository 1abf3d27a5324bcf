#include "cell_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

bool Blank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

bool PlainDecimal(const char* p, const char* end, double* value) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
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
