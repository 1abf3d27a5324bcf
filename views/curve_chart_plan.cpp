#include "curve_chart_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

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

YAxisPlan PlanYAxis(const CurveSettings& s, int yScaleMode) {
    YAxisPlan plan;
    if (yScaleMode != 1)
        return plan;
    plan.manualRange = true;
    plan.min = s.yMin;
    plan.max = s.yMax;
    if (s.yGridMode == 1 && s.yMax >= 0.001 && s.yMax <= 100000 && s.yMin <= 100000) {
        const double range = s.yMax - s.yMin;
        plan.spacing = s.yGridInterval;
        if (s.yGridInterval <= 0 || range / s.yGridInterval > 500)
            plan.spacing = range * 0.025;
        plan.manualGrid = plan.spacing > 0;
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
    int64_t originSeconds = 0;
    if (!(to > from) || !TimeSeconds(origin, &originSeconds))
        return labels;
    // Steps a reader counts in: seconds, minutes, hours, days, weeks.
    constexpr int64_t kSteps[] = {1,      2,      5,       10,      15,      30,
                                  60,     120,    300,     600,     900,     1800,
                                  3600,   7200,   10800,   21600,   43200,   86400,
                                  172800, 604800, 1209600, 2592000, 7776000, 31536000};
    constexpr double kMostSteps = 5;
    int64_t step = kSteps[std::size(kSteps) - 1];
    for (int64_t s : kSteps) {
        if ((to - from) / static_cast<double>(s) <= kMostSteps) {
            step = s;
            break;
        }
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

int YLabelEvery(double axisHeight, double range, double spacing, double labelHeight) {
    if (!(axisHeight > 0) || !(range > 0) || !(spacing > 0) || !(labelHeight > 0) ||
        !std::isfinite(range / spacing))
        return 1;
    const double steps = range / spacing;
    // Labels every n steps: floor(steps / n) + 1 of them share the axis.
    const double room = labelHeight + 2 * kAxisLabelPadding;
    const double most = std::max(2.0, std::floor(axisHeight / room));
    const double every = std::ceil(steps / (most - 1));
    return static_cast<int>(std::clamp(every, 1.0, 1e9));
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
