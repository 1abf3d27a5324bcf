#include "curve_chart_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "line_rule.h"
#include "range_stats.h"

std::vector<std::string> FooterEntries(const std::string& remark, const std::string& label) {
    const std::vector<std::string> lines =
        CutTextLines(CutToCharacters(remark, kChartRemarkMax), kFooterLineWidth);
    const size_t n = lines.size();
    std::vector<std::string> entries(n + 1);
    entries[n] = label + "||";
    for (size_t k = 0; k < n; ++k)
        entries[n - 1 - k] = lines[k] + "||";
    return entries;
}

std::vector<int32_t> TimeLabelPoints(int32_t pointCount) {
    std::vector<int32_t> points;
    const int32_t every = std::max<int32_t>(1, pointCount / 5);
    for (int32_t t = 0; t < pointCount; ++t) {
        if (t % every == 0 || (t == pointCount - 1 && t % every >= every - 3))
            points.push_back(t);
    }
    return points;
}

std::string TimeLabelText(const CalendarTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "|h%04d/%02d/%02d\n%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf;
}

void WidenYRange(double* min, double* max) {
    // Limits within half the double range leave a height that is a number.
    constexpr double kMostLimit = std::numeric_limits<double>::max() / 2;
    *min = std::clamp(*min, -kMostLimit, kMostLimit);
    *max = std::clamp(*max, -kMostLimit, kMostLimit);
    if (!(*max > *min)) {
        // A range without height would show no curve at all.
        const double half = std::max(1.0, std::fabs(*min) * 1e-9);
        *max = *min + half;
        *min -= half;
    }
}

bool GridSpacingResolves(double min, double max, double spacing) {
    // A millionth of a millionth of the limits' size is some 4,500 units of their last place:
    // hundreds of steps added one to the next still land apart.
    constexpr double kFinestStep = 1e-12;
    const double size = std::max(std::fabs(min), std::fabs(max));
    return std::isfinite(spacing) && spacing > 0 && spacing > size * kFinestStep;
}

YAxisPlan PlanYAxis(const CurveSettings& s, int yScaleMode) {
    YAxisPlan plan;
    if (yScaleMode != 1)
        return plan;
    plan.manualRange = true;
    plan.min = s.yMin;
    plan.max = s.yMax;
    // The grid is planned over the range the chart shows, so widened limits count their steps
    // too.
    WidenYRange(&plan.min, &plan.max);
    if (s.yGridMode == 1 && s.yMax >= 0.001 && s.yMax <= 100000 && s.yMin <= 100000) {
        const double range = plan.max - plan.min;
        plan.spacing = s.yGridInterval;
        if (!(s.yGridInterval > 0) || range / s.yGridInterval > 500)
            plan.spacing = range * 0.025;
        plan.manualGrid = GridSpacingResolves(plan.min, plan.max, plan.spacing);
    }
    return plan;
}

RgbColor SeriesColor(int colorIndex) {
    return CurveColorTable[colorIndex >= 0 && colorIndex < kCurveColorCount ? colorIndex : 0];
}

LineTypeEntry SeriesLineType(int lineType) {
    return CurveLineTypeTable[lineType >= 0 && lineType < kCurveLineTypeCount ? lineType : 0];
}

RgbColor BackgroundColor(int backgroundColor) {
    return CurveColorTable[backgroundColor >= 0 && backgroundColor < kCurveColorCount
                               ? backgroundColor
                               : 29];
}

RgbColor ForegroundOf(RgbColor c) {
    return {static_cast<uint8_t>(255 - c.r), static_cast<uint8_t>(255 - c.g),
            static_cast<uint8_t>(255 - c.b)};
}

std::string CursorSeriesLabel(const std::string& name, double value) {
    if (std::isnan(value))
        return name + "()";
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%.2f)", value);
    return name + buf;
}

std::string CursorSubtitle(const CalendarTime& t, const std::string& seriesLabel,
                           const std::string& label) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d  %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    std::string text = label + buf;
    if (!seriesLabel.empty())
        text += "     " + seriesLabel;
    return text;
}

namespace {

// Seconds of a time since the calendar's start; false when it is not a valid time.
bool TimeSeconds(const CalendarTime& t, int64_t* seconds) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(t, &fileTime))
        return false;
    *seconds = static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond);
    return true;
}

}  // namespace

TimeAxisPlan PlanTimeAxis(const std::vector<CurvePoint>& points, int32_t recordSeconds,
                          int32_t stride) {
    TimeAxisPlan plan;
    std::vector<int64_t> seconds(points.size(), -1);
    int64_t origin = -1;
    for (size_t p = 0; p < points.size(); ++p) {
        if (TimeSeconds(points[p].time, &seconds[p]) && origin < 0) {
            origin = seconds[p];
            plan.origin = points[p].time;
            plan.origin.milliseconds = 0;
        }
    }
    plan.x.reserve(points.size());
    double last = 0.0;
    for (size_t p = 0; p < points.size(); ++p) {
        if (seconds[p] >= 0)
            last = static_cast<double>(seconds[p] - origin);
        plan.x.push_back(last);
    }
    plan.breaks = LineBreaks(seconds, recordSeconds, stride);
    return plan;
}

namespace {

// At most this many steps of a time axis' labels in its span.
constexpr double kMostTimeSteps = 5;

// Labels on the first of January of every years-th year in [from, to] (seconds after origin,
// which lies originSeconds after the calendar's start).
std::vector<AxisLabel> YearLabels(int64_t originSeconds, double from, double to, int years) {
    std::vector<AxisLabel> labels;
    const double first = std::ceil(from) + static_cast<double>(originSeconds);
    CalendarTime t;
    if (first < 0 || first > 1.8e12 ||
        !FileTimeToCalendar(static_cast<uint64_t>(first) * kFileTimeUnitsPerSecond, &t))
        return labels;
    // From the multiple at or before `from`'s year; a year before the calendar starts is skipped.
    for (int year = t.year / years * years;; year += years) {
        int64_t at = 0;
        const CalendarTime newYear = MakeCalendarTime(year, 1, 1);
        if (!TimeSeconds(newYear, &at)) {
            if (year > 1601)
                break;
            continue;
        }
        const double x = static_cast<double>(at - originSeconds);
        if (x > to)
            break;
        if (x >= from)
            labels.push_back({x, TimeLabelText(newYear)});
    }
    return labels;
}

}  // namespace

std::vector<AxisLabel> TimeAxisLabels(const CalendarTime& origin, double from, double to) {
    std::vector<AxisLabel> labels;
    int64_t originSeconds = 0;
    if (!(to > from) || !TimeSeconds(origin, &originSeconds))
        return labels;
    // Steps a reader counts in: seconds, minutes, hours, days, weeks, months; then years.
    constexpr int64_t kSteps[] = {1,     2,     5,      10,     15,      30,      60,     120,
                                  300,   600,   900,    1800,   3600,    7200,    10800,  21600,
                                  43200, 86400, 172800, 604800, 1209600, 2592000, 7776000};
    constexpr int kYearSteps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
    constexpr double kYearSeconds = 365.2425 * 86400;
    int64_t step = 0;
    for (int64_t s : kSteps) {
        if ((to - from) / static_cast<double>(s) <= kMostTimeSteps) {
            step = s;
            break;
        }
    }
    if (step == 0) {
        // Every span of the calendar takes at most five steps of 10,000 years.
        int years = kYearSteps[std::size(kYearSteps) - 1];
        for (int y : kYearSteps) {
            if ((to - from) / (y * kYearSeconds) <= kMostTimeSteps) {
                years = y;
                break;
            }
        }
        return YearLabels(originSeconds, from, to, years);
    }
    // Labels stand on whole steps of the calendar (whole minutes, hours, days), not of the span.
    const double firstSecond = std::ceil(from) + static_cast<double>(originSeconds);
    double at = std::ceil(firstSecond / static_cast<double>(step)) * static_cast<double>(step);
    for (; at - static_cast<double>(originSeconds) <= to; at += static_cast<double>(step)) {
        CalendarTime t;
        if (at < 0 || at > 1.8e12 ||
            !FileTimeToCalendar(static_cast<uint64_t>(at) * kFileTimeUnitsPerSecond, &t))
            return {};
        labels.push_back({at - static_cast<double>(originSeconds), TimeLabelText(t)});
    }
    return labels;
}

YGridSteps PlanYGridSteps(double axisHeight, double range, double spacing, double labelHeight) {
    YGridSteps steps;
    steps.lineSpacing = spacing;
    if (!(axisHeight > 0))
        axisHeight = kUnknownAxisHeight;
    if (!(range > 0) || !(spacing > 0) || !std::isfinite(range / spacing))
        return steps;
    const double mostGaps = std::max(1.0, std::floor(axisHeight / kMinGridLineGap));
    steps.lineSpacing = spacing * std::max(1.0, std::ceil(range / spacing / mostGaps));
    if (!(labelHeight > 0))
        return steps;
    // Labels every n lines: floor(lines / n) + 1 of them share the axis.
    const double lines = range / steps.lineSpacing;
    const double room = labelHeight + 2 * kAxisLabelPadding;
    const double most = std::max(2.0, std::floor(axisHeight / room));
    steps.linesPerLabel =
        static_cast<int>(std::clamp(std::ceil(lines / (most - 1)), 1.0, mostGaps));
    return steps;
}

std::vector<int> XLabelsToShow(const std::vector<double>& xs, double labelWidth, double axisWidth) {
    std::vector<int> all(xs.size());
    for (size_t i = 0; i < xs.size(); ++i)
        all[i] = static_cast<int>(i);
    if (xs.size() < 2 || !(axisWidth > 0) || !(labelWidth > 0))
        return all;
    const double room = labelWidth + 2 * kAxisLabelPadding;
    const int count = static_cast<int>(xs.size());
    for (int k = 1; k < count; ++k) {
        std::vector<int> shown;
        for (int i = 0; i < count - 1; i += k)
            shown.push_back(i);
        // The range's end keeps its label; those too close before it give way.
        while (!shown.empty() &&
               xs[static_cast<size_t>(count - 1)] - xs[static_cast<size_t>(shown.back())] < room)
            shown.pop_back();
        shown.push_back(count - 1);
        bool fits = axisWidth / static_cast<double>(shown.size() + 1) >= room;
        for (size_t i = 1; fits && i < shown.size(); ++i)
            fits =
                xs[static_cast<size_t>(shown[i])] - xs[static_cast<size_t>(shown[i - 1])] >= room;
        if (fits)
            return shown;
    }
    // Not even two fit: the first alone.
    return {0};
}
