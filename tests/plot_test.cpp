// The plot's arithmetic: value and time axis ticks, the legend's columns, the per-column
// reduction of a polyline and the point under the mouse.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "legend_layout.h"
#include "polyline.h"
#include "time_ticks.h"
#include "value_ticks.h"

// Labels 14 pixels high take 24 of an axis.
constexpr double kLabelHeight = 14;

TEST(ValueTicks, AutomaticRangeOnNiceStepsLeavesLittleUnused) {
    struct Case {
        double lo, hi, pixels;
        double min, max, step;
        int linesPerLabel, decimals;
    };
    const Case cases[] = {
        {-5, 186357, 300, -20000, 200000, 20000, 1, 0},  // not -50,000..200,000
        {0, 100, 300, 0, 100, 20, 1, 0},
        {5, 5, 300, 4, 6, 0.5, 1, 1},    // equal limits are widened by 1
        {0, 100, 30, 0, 100, 20, 5, 0},  // room for two labels: the ends
        {-0.0031, 0.0187, 300, -0.005, 0.02, 0.005, 1, 3},
    };
    for (const Case& c : cases) {
        const ValueTicks t = AutoValueTicks(c.lo, c.hi, c.pixels, kLabelHeight);
        EXPECT_DOUBLE_EQ(t.min, c.min) << c.lo << ".." << c.hi;
        EXPECT_DOUBLE_EQ(t.max, c.max) << c.lo << ".." << c.hi;
        EXPECT_DOUBLE_EQ(t.step, c.step) << c.lo << ".." << c.hi;
        EXPECT_EQ(t.linesPerLabel, c.linesPerLabel) << c.lo << ".." << c.hi;
        EXPECT_EQ(t.decimals, c.decimals) << c.lo << ".." << c.hi;
    }
    // Any data: at least four steps, at most a fifth unused, labels whole, lines 4 pixels apart.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> mantissa(-9.99, 9.99);
    std::uniform_int_distribution<int> exponent(-8, 12);
    for (int i = 0; i < 2000; ++i) {
        const double scale = std::pow(10.0, exponent(random));
        double lo = mantissa(random) * scale, hi = mantissa(random) * scale;
        if (lo > hi)
            std::swap(lo, hi);
        if (hi - lo < scale * 1e-3)
            continue;
        const ValueTicks t = AutoValueTicks(lo, hi, 300, kLabelHeight);
        ASSERT_FALSE(t.lines.empty()) << lo << ".." << hi;
        EXPECT_TRUE(t.min <= lo && t.max >= hi) << lo << ".." << hi;
        EXPECT_LE(1 - (hi - lo) / (t.max - t.min), 0.2 + 1e-9) << lo << ".." << hi;
        EXPECT_GE(t.lines.size(), 5u) << lo << ".." << hi;
        EXPECT_LE(t.lines.size(), 76u) << lo << ".." << hi;
        EXPECT_GE(t.step * t.linesPerLabel * 300 / (t.max - t.min), 24) << lo << ".." << hi;
    }
    // Limits of hostile files stay numbers; a range finer than its limits' precision has none.
    const ValueTicks whole = AutoValueTicks(-DBL_MAX, DBL_MAX, 300, kLabelHeight);
    EXPECT_TRUE(std::isfinite(whole.min) && std::isfinite(whole.max) && whole.lines.size() >= 2);
    const ValueTicks fine = AutoValueTicks(100, 100 + 1e-14, 300, kLabelHeight);
    EXPECT_TRUE(fine.lines.empty());
    EXPECT_EQ(fine.max, 100 + 1e-14);
}

TEST(ValueTicks, ManualGridLabelsEveryNthLineAndFixedRangeKeepsItsLimits) {
    // 0..100 every 4 is 25 steps; lines stand at least 4 pixels apart.
    struct Case {
        double height, range, spacing;
        double lineSpacing;
        int linesPerLabel;
    };
    const Case cases[] = {
        {700, 100, 4, 4, 1},               // 26 labels in 29 slots
        {300, 100, 4, 4, 3},               // 12 slots: 9 labels of every third line
        {430, 100, 4, 4, 2},               // 17 slots
        {300, 100, 0.01, 1.34, 7},         // 10,000 steps: every 134th in 75 gaps
        {300, 100, 1e-9, 1.333333334, 7},  // absurd spacings stay finite
        {0, 100, 4, 4, 1},                 // not laid out yet
        {0, 100, 1e-6, 0.2, 7},            // nor then more than 500 lines
        {300, 0, 4, 4, 1},
    };
    for (const Case& c : cases) {
        const YGridSteps steps = PlanYGridSteps(c.height, c.range, c.spacing, kLabelHeight);
        EXPECT_DOUBLE_EQ(steps.lineSpacing, c.lineSpacing) << c.height << " " << c.spacing;
        EXPECT_EQ(steps.linesPerLabel, c.linesPerLabel) << c.height << " " << c.spacing;
    }
    const ValueTicks manual = ManualValueTicks(0, 100, 4, 300, kLabelHeight);
    EXPECT_EQ(manual.lines.size(), 26u);
    EXPECT_EQ(manual.lines.back(), 100);
    EXPECT_TRUE(manual.Labelled(24) && !manual.Labelled(25));
    const ValueTicks tenths = ManualValueTicks(0, 0.3, 0.1, 300, kLabelHeight);
    EXPECT_EQ(tenths.lines.size(), 4u);  // 3 x 0.1 lies a hair above 0.3
    EXPECT_EQ(tenths.decimals, 1);

    // A fixed range keeps its limits, lines inside; so does a spacing lost in their precision.
    const ValueTicks fixed = FixedValueTicks(3, 97, 300, kLabelHeight);
    EXPECT_EQ(fixed.min, 3);
    EXPECT_EQ(fixed.lines, (std::vector<double>{20, 40, 60, 80}));
    const ValueTicks lost = ManualValueTicks(100, 101, 1e-16, 300, kLabelHeight);
    EXPECT_DOUBLE_EQ(lost.step, 0.2);
    EXPECT_EQ(lost.lines.size(), 6u);
}

TEST(AxisLabels, PointLabelsAreThinnedUntilEachFitsWhole) {
    // Labels 70 pixels wide take 80.
    struct Case {
        std::vector<double> xs;
        double width;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {{0, 100, 200, 300, 400, 500, 550}, 1000, {0, 1, 2, 3, 4, 6}},  // the end replaces 5
        {{0, 76, 152, 228, 304, 380}, 380, {0, 2, 5}},         // 76 apart: every second, 4 too near
        {{0, 76, 152, 228, 304, 380}, 0, {0, 1, 2, 3, 4, 5}},  // not laid out yet
        {{0, 10, 20}, 200, {2}},                               // only the end fits
    };
    for (const Case& c : cases)
        EXPECT_EQ(XLabelsToShow(c.xs, 70, c.width), c.shown) << c.width;
}

TEST(TimeTicks, AsManyWholeLabelsAsFitOnWholeUnitsOfTheCalendar) {
    // Every character 7 pixels wide: "2024/02/29" takes 70, with its padding 80.
    const TextWidth width = [](const std::string& line) { return 7.0 * line.size(); };
    const CalendarTime evening = MakeCalendarTime(2024, 2, 28, 23, 59, 0);
    const CalendarTime january = MakeCalendarTime(2024, 1, 15, 6, 0, 0);
    struct Case {
        CalendarTime origin;
        double to, pixels;
        size_t count;
        std::string first;
    };
    const Case cases[] = {
        {evening, 100, 1000, 11, "2024/02/28\n23:59:00"},        // every 10 s
        {evening, 100, 0, 4, "2024/02/28\n23:59:00"},            // not laid out: at most five steps
        {evening, 100, 50, 1, "2024/02/29\n00:00:00"},           // two never fit: one alone
        {evening, 3 * 86400, 400, 3, "2024/02/29\n00:00:00"},    // days from midnight
        {january, 100 * 86400, 400, 3, "2024/02/01\n00:00:00"},  // the first of each month
        {january, 800 * 86400, 450, 4, "2024/07/01\n00:00:00"},  // half years
        {CalendarTime{}, 100, 300, 0, ""},                       // no valid origin
    };
    for (const Case& c : cases) {
        const std::vector<TimeTick> ticks = TimeTicks(c.origin, 0, c.to, c.pixels, width);
        ASSERT_EQ(ticks.size(), c.count) << c.to << " over " << c.pixels;
        if (ticks.empty())
            continue;
        EXPECT_EQ(ticks[0].text, c.first) << c.to << " over " << c.pixels;
        // The plot's layout shows every label made, whole (the room of "2024/02/29" and 2
        // pixels), so that they stand evenly.
        std::vector<double> xs;
        std::vector<int> all;
        for (const TimeTick& tick : ticks) {
            all.push_back(static_cast<int>(xs.size()));
            xs.push_back(tick.x * c.pixels / c.to);
        }
        if (c.pixels > 0) {
            EXPECT_EQ(XLabelsToShow(xs, 72, c.pixels), all) << c.to << " over " << c.pixels;
        }
    }
}

TEST(LegendLayout, EveryEntryHasItsOwnRectangleAtAnySize) {
    // A line is 1.5 pixels per point; a text 5 to 11 characters of 0.6 pixels per point.
    const LegendMetrics metrics{
        [](double size) { return 1.5 * size; },
        [](size_t entry, double size) { return (5 + entry % 7) * 0.6 * size; },
    };
    const LegendStyle style;
    struct Case {
        size_t count;
        double maxWidth, height;
        double pointSize;
        int columns, rows;
        bool scrolls;
    };
    const Case cases[] = {
        {20, 200, 300, 7, 1, 20, false},   // shrunk until one column holds them
        {60, 200, 500, 6, 2, 30, false},   // at the floor, a second column
        {500, 200, 500, 6, 2, 250, true},  // a third is too wide: they scroll
    };
    for (const Case& c : cases) {
        const LegendLayout l = LayOutLegend(c.count, c.maxWidth, c.height, style, metrics);
        EXPECT_EQ(l.pointSize, c.pointSize) << c.count;
        EXPECT_EQ(l.columns, c.columns) << c.count;
        EXPECT_EQ(l.rows, c.rows) << c.count;
        EXPECT_EQ(l.MaxScroll() > 0, c.scrolls) << c.count;
    }
    // Any size: every entry within the legend, none over another, each found where it stands
    // once scrolled into view.
    for (size_t count : {1, 7, 60, 333}) {
        for (double w : {40.0, 150.0, 600.0}) {
            for (double h : {10.0, 200.0, 900.0}) {
                const LegendLayout l = LayOutLegend(count, w, h, style, metrics);
                ASSERT_EQ(l.entries.size(), count);
                EXPECT_LE(l.width, w);
                EXPECT_LE(l.height, h);
                for (size_t i = 0; i < count; ++i) {
                    const PlotRect& r = l.entries[i];
                    EXPECT_TRUE(r.width > 0 && r.height > 0 && r.x + r.width <= l.width &&
                                r.y + r.height <= l.contentHeight + 1e-9);
                    const double scroll = std::min(r.y, l.MaxScroll());
                    EXPECT_EQ(
                        LegendEntryAt(l, r.x + r.width / 2, r.y - scroll + r.height / 2, scroll),
                        static_cast<int>(i))
                        << count << " " << w << "x" << h;
                }
            }
        }
    }
    EXPECT_EQ(LegendEntryAt(LayOutLegend(5, 200, 400, style, metrics), 10, 399, 0), -1);
}

TEST(Polyline, KeepsFirstLowestHighestAndLastOfEachColumnAndTheBreaks) {
    const int32_t no = kNoColumn;
    struct Case {
        const char* what;
        std::vector<int32_t> columns;
        std::vector<double> y;
        std::vector<size_t> kept;
    };
    const Case cases[] = {
        {"one column", {0, 0, 0, 0, 0, 0}, {5, 9, 1, 7, 3, 4}, {0, 1, 2, 5}},
        {"two columns", {0, 0, 0, 1, 1, 1}, {1, 3, 2, 5, 4, 6}, {0, 1, 2, 3, 4, 5}},
        {"equal values", {0, 0, 0}, {2, 2, 2}, {0, 2}},
        {"a break kept once", {0, 0, 0, 0, 0, 1}, {1, NAN, NAN, 2, 3, 4}, {0, 1, 3, 4, 5}},
        {"infinity breaks too", {0, 0, 0}, {1, INFINITY, 2}, {0, 1, 2}},
        {"leading breaks dropped, X unknown", {no, 0, 0, no, 2}, {1, 2, 3, 4, 5}, {1, 2, 3, 4}},
        {"a clock set back", {0, 1, 0, 0}, {1, 2, 3, 4}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReduceToColumns(c.columns.data(), c.y.data(), c.y.size()), c.kept) << c.what;

    // Ten pixels for 0..100; beyond either end the column just outside.
    const std::vector<double> x = {-5, 0, 9.99, 10, 55, 99.9, 100, 1e300, NAN};
    EXPECT_EQ(PixelColumns(x.data(), x.size(), AxisMap{0, 100, 0, 10}),
              (std::vector<int32_t>{-1, 0, 0, 1, 5, 9, 10, 10, no}));
    // A plot starting within pixel 2: pixel 1 lies outside it.
    const std::vector<double> shifted = {-50, -5, 55};
    EXPECT_EQ(PixelColumns(shifted.data(), shifted.size(), AxisMap{0, 100, 2.5, 10}),
              (std::vector<int32_t>{1, 2, 8}));
}

TEST(Polyline, NearestPointWithinTolerance) {
    // Points 100 pixels apart across, at 0 and 100 pixels down.
    const std::vector<double> x = {0, 1, 2, 3, 4, 5};
    const std::vector<double> y = {0, 10, 0, 10, NAN, 0};
    const AxisMap xMap{0, 5, 0, 500};
    const AxisMap yMap{0, 10, 100, -100};
    struct Case {
        double px, py, tolerance;
        size_t index;
    };
    const Case cases[] = {
        {102, 3, 6, 1},           // 3.6 pixels off
        {150, 50, 6, kNoPoint},   // between points
        {300, 7, 6, kNoPoint},    // just beyond the tolerance
        {400, 100, 6, kNoPoint},  // a point without a value is never hit
        {250, 50, 80, 2},         // within a wide tolerance, the nearest
    };
    for (const Case& c : cases) {
        for (bool rises : {true, false}) {
            const PointHit hit = NearestPoint(x.data(), y.data(), x.size(), xMap, yMap, c.px, c.py,
                                              c.tolerance, rises);
            EXPECT_EQ(hit.index, c.index) << c.px << "," << c.py;
        }
    }
    EXPECT_DOUBLE_EQ(
        NearestPoint(x.data(), y.data(), x.size(), xMap, yMap, 102, 3, 6, true).distance,
        std::hypot(2, 3));
}
