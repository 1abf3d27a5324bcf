#include "curve_chart_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "line_rule.h"
#include "range_stats.h"
#include "time_ticks.h"

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
    return "|h" + TimeTickText(t);
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

std::vector<AxisLabel> TimeAxisLabels(const CalendarTime& origin, double from, double to) {
    std::vector<AxisLabel> labels;
    for (const TimeTick& tick : TimeTicks(origin, from, to, 0.0, nullptr))
        labels.push_back({tick.x, TimeLabelText(tick.time)});
    return labels;
}
