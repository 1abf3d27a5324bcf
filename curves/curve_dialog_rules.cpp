#include "curve_dialog_rules.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "cell_number.h"

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
    // The rule every reading of the records uses, the store's summaries among them.
    return CellNumber(text.data(), text.data() + text.size(), value);
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
