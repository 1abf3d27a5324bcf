#include "curve_dialog_rules.h"

#include <charconv>
#include <cmath>
#include <cstdint>

// Marks the messages for the translation tools; the windows look them up when they show them.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

const char kMsgEnterNumber[] = QT_TRANSLATE_NOOP("Histavue", "请输入数字!");
const char kMsgStartBeforeList[] =
    QT_TRANSLATE_NOOP("Histavue", "查询的开始时间不能小于列表中开始时间，请重新设置!");
const char kMsgEndAfterList[] =
    QT_TRANSLATE_NOOP("Histavue", "查询的结束时间不能大于列表中结束时间，请重新设置!");
const char kMsgStartAfterEnd[] =
    QT_TRANSLATE_NOOP("Histavue", "查询的起始时间不能大于结束时间，请重新设置!");
const char kMsgIntervalBelowOne[] = QT_TRANSLATE_NOOP("Histavue", "查询间隔不能小于1秒!");
const char kMsgIntervalAboveDay[] = QT_TRANSLATE_NOOP("Histavue", "查询间隔不能大于1天(86400秒)!");
const char kMsgBadYMin[] = QT_TRANSLATE_NOOP("Histavue", "Y轴下限值请输入数字!");
const char kMsgBadYMax[] = QT_TRANSLATE_NOOP("Histavue", "Y轴上限值请输入数字!");
const char kMsgMinAboveMax[] = QT_TRANSLATE_NOOP("Histavue", "下限值不能大于上限值!");
const char kMsgBadGridSpacing[] = QT_TRANSLATE_NOOP("Histavue", "Y轴网格间隙值请输入数字!");

bool PassesNumberCheck(const std::string& text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'))
            return false;
    }
    return true;
}

namespace {

// The plain decimals records are made of ("-12.345"), read without the general parser: a
// mantissa of at most 15 digits and at most 22 decimals are both exact doubles, so their quotient
// is the correctly rounded value, the one the general parser gives. False for anything else
// (exponents, more digits, trailing text), which the general parser reads.
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
        if (*p >= '0' && *p <= '9') {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
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

}  // namespace

double TextNumber(std::string_view text) {
    // By hand rather than strtod: the C rule, but never the user's locale, hex or "inf".
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && text[i] == '-')
            return 0.0;
    }
    double value = 0.0;
    if (PlainDecimal(text.data() + i, text.data() + text.size(), &value))
        return value;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                   std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

bool WholeNumber(std::string_view text, double* value) {
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t i = 0;
    size_t end = text.size();
    while (i < end && blank(text[i]))
        ++i;
    while (end > i && blank(text[end - 1]))
        --end;
    // The general parser takes a '-' but no '+'.
    if (i < end && text[i] == '+' && ++i < end && text[i] == '-')
        return false;
    if (i == end)
        return false;
    const char* p = text.data() + i;
    const char* last = text.data() + end;
    if (PlainDecimal(p, last, value))
        return true;
    // It would read "inf" and "nan" as well: a number starts with a digit or a point.
    const char lead = *p == '-' && p + 1 < last ? p[1] : *p;
    if (!((lead >= '0' && lead <= '9') || lead == '.'))
        return false;
    double v = 0.0;
    const auto r = std::from_chars(p, last, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

long LeadingInteger(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > 1000000000L)
            return value;
    }
    return value;
}

CurveDialogOutcome ApplyCurveDialog(const CurveDialogInput& in, CurveSettings* s) {
    CurveDialogOutcome out;
    int shown = 0;
    for (const CurveDialogInput::Item& item : in.items) {
        CurveChannel* c = s->FindByIndex(item.channelIndex);
        if (c == nullptr)
            continue;
        if (item.state == 3) {
            c->show = 1;
            c->showIndex = shown++;
        } else if (item.state == 1) {
            c->show = 0;
            c->showIndex = -1;
        }
    }
    s->shownCount = 0;
    for (const CurveChannel& c : s->channels) {
        if (c.show == 1)
            ++s->shownCount;
    }

    if (CompareCalendarTimes(s->listStart, in.start) > 0) {
        out.message = kMsgStartBeforeList;
        return out;
    }
    if (CompareCalendarTimes(in.end, s->listEnd) > 0) {
        out.message = kMsgEndAfterList;
        return out;
    }
    if (CompareCalendarTimes(in.start, in.end) > 0) {
        out.message = kMsgStartAfterEnd;
        return out;
    }
    if (CompareCalendarTimes(in.start, s->queryStart) != 0) {
        s->queryStart = in.start;
        s->queryChanged = 1;
    }
    if (CompareCalendarTimes(in.end, s->queryEnd) != 0) {
        s->queryEnd = in.end;
        s->queryChanged = 1;
    }

    const long interval = LeadingInteger(in.interval);
    if (interval < 1 || interval > 86400) {
        const int32_t clamped = interval < 1 ? 1 : 86400;
        if (s->queryInterval != clamped) {
            s->queryInterval = clamped;
            s->queryChanged = 1;
        }
        out.message = interval < 1 ? kMsgIntervalBelowOne : kMsgIntervalAboveDay;
        return out;
    }
    if (interval != s->queryInterval) {
        s->queryInterval = static_cast<int32_t>(interval);
        s->queryChanged = 1;
    }

    if (in.yAuto) {
        s->yAxisMode = 0;
    } else {
        s->yAxisMode = 1;
        out.enableYLimits = true;
        if (!PassesNumberCheck(in.yMin)) {
            out.message = kMsgBadYMin;
            return out;
        }
        if (!PassesNumberCheck(in.yMax)) {
            out.message = kMsgBadYMax;
            return out;
        }
        const double min = TextNumber(in.yMin);
        const double max = TextNumber(in.yMax);
        if (min > max) {
            out.message = kMsgMinAboveMax;
            return out;
        }
        s->yMin = min;
        s->yMax = max;
    }

    if (in.yGridAuto) {
        s->yGridMode = 0;
    } else {
        s->yGridMode = 1;
        out.enableGridEdit = true;
        if (!PassesNumberCheck(in.yGridInterval)) {
            out.message = kMsgBadGridSpacing;
            return out;
        }
        s->yGridInterval = TextNumber(in.yGridInterval);
    }
    return out;
}
