// What the curve chart shows, worked out from the curve settings without a window: footer lines,
// time-label positions and texts, the Y range and grid, colours and line types, and the cursor
// read-out texts. All texts are bytes in the record's code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curve_settings.h"
// The axes' plain rules (WidenYRange, GridSpacingResolves, PlanYGridSteps, XLabelsToShow) are
// the plot's.
#include "value_ticks.h"

// Longest main title and remark handed to the chart, in bytes.
constexpr size_t kChartTitleMax = 4096;
constexpr size_t kChartRemarkMax = 1022;
// Bytes per footer line.
constexpr size_t kFooterLineWidth = 130;

// Footer entries of a remark, by index: the remark (cut to kChartRemarkMax bytes) in lines of
// kFooterLineWidth bytes; with n lines, entry n is label + "||" ("备注:||") and line k is entry
// n - 1 - k with "||" appended. The chart shows the entries from the highest index down.
std::vector<std::string> FooterEntries(const std::string& remark,
                                       const std::string& label = "备注:");

// Points (0-based) that get a time label: every labelEvery-th point (pointCount / 5, at least 1),
// and the last point also when it lies at least labelEvery - 3 points past the last multiple.
std::vector<int32_t> TimeLabelPoints(int32_t pointCount);

// "|h%04d/%02d/%02d\n%02d:%02d:%02d" of a point's time.
std::string TimeLabelText(const CalendarTime& t);

// The Y axis of a chart whose scale mode reads back as yScaleMode.
struct YAxisPlan {
    bool manualRange = false;  // range min..max, else from the data
    double min = 0.0;
    double max = 0.0;
    bool manualGrid = false;  // grid lines every `spacing`, else the chart's own choice
    double spacing = 0.0;
};
// In manual mode the range is yMin..yMax as WidenYRange leaves it; manual grid spacing is on when
// yGridMode is 1, yMax lies in 0.001..100000 and yMin is not above 100000: yGridInterval, or 2.5%
// of the (widened) range when that would draw more than 500 grid steps or is not positive. A
// spacing too fine for the limits' precision (a step that would not move a line off its
// neighbour) switches the manual grid off, so the chart never loops on it.
YAxisPlan PlanYAxis(const CurveSettings& settings, int yScaleMode);

// Table entries for stored numbers; a number outside its table takes colour 0, line type 0 and a
// white background.
RgbColor SeriesColor(int colorIndex);
LineTypeEntry SeriesLineType(int lineType);
RgbColor BackgroundColor(int backgroundColor);
// The RGB complement (0xFFFFFF minus the colour): text and lines on that background.
RgbColor ForegroundOf(RgbColor background);

// "%s(%.2f)": a series label at the cursor; "%s()" at a point whose cell holds no number (NaN).
std::string CursorSeriesLabel(const std::string& name, double value);
// label + "%04d/%02d/%02d  %02d:%02d:%02d" ("当前时间:..."), followed by five blanks and the
// series label when seriesLabel is not empty. label is in the series label's code page.
std::string CursorSubtitle(const CalendarTime& t, const std::string& seriesLabel,
                           const std::string& label = "当前时间:");

// The X values of a true time axis: a point stands at its time, in seconds after origin (the
// first point whose time is known), so gaps in the records show as gaps on the axis.
struct TimeAxisPlan {
    CalendarTime origin;
    std::vector<double> x;        // per point, ascending unless the clock was set back; a point
                                  // of unknown time stands where the one before it stands
    std::vector<int32_t> breaks;  // points that start a new piece of line (LineBreaks' rule)
};
// The plan for points (one series' points; all series share their rows) recorded every
// recordSeconds, each standing for stride rows.
TimeAxisPlan PlanTimeAxis(const std::vector<CurvePoint>& points, int32_t recordSeconds,
                          int32_t stride);

// Labels of a time axis that shows [from, to] (seconds after origin): TimeTicks' labels of an
// axis not laid out (at most five steps in the span), each with the TimeLabelText of its time.
struct AxisLabel {
    double x;
    std::string text;
};
std::vector<AxisLabel> TimeAxisLabels(const CalendarTime& origin, double from, double to);
