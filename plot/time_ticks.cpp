#include "time_ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "value_ticks.h"

namespace {

// A step of a time axis: a number of seconds, or of months (years are twelve of them).
struct TimeStep {
    int64_t seconds;
    int months;
};
constexpr TimeStep kTimeSteps[] = {
    {1, 0},     {2, 0},     {5, 0},      {10, 0},    {15, 0},     {30, 0},     {60, 0},
    {120, 0},   {300, 0},   {600, 0},    {900, 0},   {1800, 0},   {3600, 0},   {7200, 0},
    {10800, 0}, {21600, 0}, {43200, 0},  {86400, 0}, {172800, 0}, {604800, 0}, {1209600, 0},
    {0, 1},     {0, 2},     {0, 3},      {0, 6},     {0, 12},     {0, 24},     {0, 60},
    {0, 120},   {0, 240},   {0, 600},    {0, 1200},  {0, 2400},   {0, 6000},   {0, 12000},
    {0, 24000}, {0, 60000}, {0, 120000},
};

// At most this many steps in the span of an axis not laid out yet.
constexpr double kMostUnmeasuredSteps = 5;

// A step's length in seconds, a month at its mean length.
double StepSeconds(const TimeStep& step) {
    constexpr double kMonthSeconds = 365.2425 * 86400 / 12;
    return step.months > 0 ? step.months * kMonthSeconds : static_cast<double>(step.seconds);
}

// Seconds of a time since the calendar's start; false when it is not a valid time.
bool TimeSeconds(const CalendarTime& t, int64_t* seconds) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(t, &fileTime))
        return false;
    *seconds = static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond);
    return true;
}

// The time `seconds` after the calendar's start; false past its end.
bool SecondsTime(double seconds, CalendarTime* t) {
    return seconds >= 0 && seconds < 1.8e12 &&
           FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, t);
}

// The labels on the multiples of step in [from, to], seconds after origin (which lies
// originSeconds after the calendar's start).
std::vector<TimeTick> StepTicks(const TimeStep& step, int64_t originSeconds, double from,
                                double to) {
    std::vector<TimeTick> ticks;
    const double origin = static_cast<double>(originSeconds);
    const double start = std::max(0.0, std::ceil(from) + origin);
    if (step.seconds > 0) {
        // Multiples of the calendar (whole minutes, hours, days), not of the span.
        const double s = static_cast<double>(step.seconds);
        for (double at = std::ceil(start / s) * s; at - origin <= to; at += s) {
            CalendarTime t;
            if (!SecondsTime(at, &t))
                break;
            ticks.push_back({at - origin, t, TimeTickText(t)});
        }
        return ticks;
    }
    CalendarTime t;
    if (!SecondsTime(start, &t))
        return ticks;
    // Months counted from year 0, so that steps of years fall on the years' multiples; from
    // the multiple at or before `from`'s month. A month before the calendar starts is skipped.
    for (int64_t month = (int64_t{t.year} * 12 + t.month - 1) / step.months * step.months;;
         month += step.months) {
        const CalendarTime first =
            MakeCalendarTime(static_cast<int>(month / 12), static_cast<int>(month % 12) + 1, 1);
        int64_t at = 0;
        if (!TimeSeconds(first, &at)) {
            if (month / 12 > 1601)
                break;
            continue;
        }
        const double x = static_cast<double>(at - originSeconds);
        if (x > to)
            break;
        if (x >= from)
            ticks.push_back({x, first, TimeTickText(first)});
    }
    return ticks;
}

// Pixels of a label's widest line.
double LabelWidth(const std::string& text, const TextWidth& width) {
    const size_t br = text.find('\n');
    if (br == std::string::npos)
        return width(text);
    return std::max(width(text.substr(0, br)), width(text.substr(br + 1)));
}

}  // namespace

std::string TimeTickText(const CalendarTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d\n%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

std::vector<TimeTick> TimeTicks(const CalendarTime& origin, double from, double to, double pixels,
                                const TextWidth& width) {
    int64_t originSeconds = 0;
    if (!(to > from) || !TimeSeconds(origin, &originSeconds))
        return {};
    const double span = to - from;
    if (!(pixels > 0) || !width) {
        for (const TimeStep& step : kTimeSteps) {
            if (span / StepSeconds(step) <= kMostUnmeasuredSteps)
                return StepTicks(step, originSeconds, from, to);
        }
        return StepTicks(kTimeSteps[std::size(kTimeSteps) - 1], originSeconds, from, to);
    }
    // Steps far too fine for labels of the origin's width are passed over unmade (their labels
    // would run into the millions); the margin leaves the judgement to the labels' own widths.
    const double room = LabelWidth(TimeTickText(origin), width) + 2 * kAxisLabelPadding;
    std::vector<TimeTick> finer;
    for (const TimeStep& step : kTimeSteps) {
        if (span / StepSeconds(step) * room > 2 * pixels)
            continue;
        std::vector<TimeTick> ticks = StepTicks(step, originSeconds, from, to);
        // Coarser steps only thin the labels out: a finer step's first label is shown instead
        // of none.
        if (ticks.empty()) {
            if (!finer.empty())
                break;
            continue;
        }
        // The step fits where the plot's layout shows every one of its labels: were one left
        // out there, the others would stand unevenly.
        double widest = 0.0;
        std::vector<double> xs;
        for (const TimeTick& tick : ticks) {
            widest = std::max(widest, LabelWidth(tick.text, width));
            xs.push_back((tick.x - from) * pixels / span);
        }
        if (XLabelsToShow(xs, XLabelWidth(widest), pixels).size() == ticks.size())
            return ticks;
        finer = std::move(ticks);
    }
    if (finer.size() > 1)
        finer.resize(1);
    return finer;
}
