#include "curve_chart_plan.h"

#include <algorithm>
#include <cstdio>

#include "line_rule.h"

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
