// The curve view's plain logic: three-state check propagation, sampling, the footer line rule,
// time-label positions, the Y-axis plan, safe table lookups and the settings dialog's OK steps.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "check_tree_logic.h"
#include "curve_chart_plan.h"
#include "curve_dialog_rules.h"
#include "curve_init.h"
#include "curve_sampling.h"
#include "line_rule.h"
#include "table_support.h"

namespace {

// A tree as parent links and states; node 0 is the root.
class PlainTree : public CheckTreeLogic {
  public:
    // parents[i] is the parent of node i (-1 for the root); states[i] its state.
    PlainTree(std::vector<int> parents, std::vector<int> states)
        : states_(std::move(states)), parents_(std::move(parents)) {}
    Item Node(int i) { return reinterpret_cast<Item>(static_cast<intptr_t>(i + 1)); }
    std::vector<int> states_;

  protected:
    static int Id(Item item) { return static_cast<int>(reinterpret_cast<intptr_t>(item)) - 1; }
    std::vector<int> Children(Item item) const {
        std::vector<int> c;
        for (size_t i = 0; i < parents_.size(); ++i) {
            if (parents_[i] == Id(item))
                c.push_back(static_cast<int>(i));
        }
        return c;
    }
    Item ParentOf(Item item) const override {
        const int p = parents_[Id(item)];
        return p < 0 ? nullptr : const_cast<PlainTree*>(this)->Node(p);
    }
    int ChildCountOf(Item item) const override { return static_cast<int>(Children(item).size()); }
    Item ChildOf(Item item, int i) const override {
        return const_cast<PlainTree*>(this)->Node(Children(item)[i]);
    }
    int StateOf(Item item) const override { return states_[Id(item)]; }
    void StoreState(Item item, int state) override { states_[Id(item)] = state; }

  private:
    std::vector<int> parents_;
};

TEST(CheckTreeLogic, TogglesPropagateDownAndRecomputeAncestors) {
    // root(no box) - a - {a1, a2 - {a21, a22}}, b
    const std::vector<int> parents = {-1, 0, 1, 1, 3, 3, 0};
    struct Case {
        const char* what;
        std::vector<int> before;
        int toggled;
        std::vector<int> after;
    };
    const Case cases[] = {
        {"checking a parent checks its subtree", {0, 1, 1, 1, 1, 1, 1}, 1, {0, 3, 3, 3, 3, 3, 1}},
        {"unchecking a leaf makes every boxed ancestor mixed",
         {0, 3, 3, 3, 3, 3, 3},
         4,
         {0, 2, 3, 2, 1, 3, 3}},
        {"the last unchecked leaf checks its parents upwards",
         {0, 2, 3, 2, 3, 1, 3},
         5,
         {0, 3, 3, 3, 3, 3, 3}},
        {"a mixed item becomes checked with its subtree",
         {0, 2, 1, 2, 3, 1, 1},
         1,
         {0, 3, 3, 3, 3, 3, 1}},
        {"a checked item becomes unchecked", {0, 3, 3, 3, 3, 3, 3}, 6, {0, 3, 3, 3, 3, 3, 1}},
    };
    for (const Case& c : cases) {
        PlainTree tree(parents, c.before);
        tree.Toggle(tree.Node(c.toggled));
        EXPECT_EQ(tree.states_, c.after) << c.what;
    }
}

TEST(CheckTreeLogic, FirstChildAlwaysTakesTheStateLaterOnesOnlyWithABox) {
    // root - p - {x(no box), y(no box), z}
    PlainTree tree({-1, 0, 1, 1, 1}, {0, 1, 0, 0, 1});
    EXPECT_TRUE(tree.SetCheckState(tree.Node(1), kChecked, true));
    EXPECT_EQ(tree.states_, (std::vector<int>{0, 3, 3, 0, 3}));
    EXPECT_FALSE(tree.SetCheckState(nullptr, kChecked, true));
    // State 0 neither propagates nor touches the ancestors.
    tree.SetCheckState(tree.Node(1), kNoCheckBox, true);
    EXPECT_EQ(tree.states_, (std::vector<int>{0, 0, 3, 0, 3}));
}

// Rows every 10 s; channel a holds the row number, b the text "x".
std::unique_ptr<RecordTable> Rows(int count) {
    std::string text = "Title\nTime,a,b\n";
    for (int r = 0; r < count; ++r)
        text += Stamp(r * 10) + "," + std::to_string(r) + ",x\n";
    return TableOf(text);
}

TEST(SamplePoints, StepsStridesAndRanges) {
    struct Case {
        const char* what;
        int rows;
        int interval;  // queryInterval (the source interval is 10)
        int start;     // queryStart, seconds
        int end;       // queryEnd, seconds
        int pointCount;
        int stride;
        std::vector<float> first;  // first values of channel a
        float last;                // value of its last point
    };
    const Case cases[] = {
        {"an interval below the source plots every row", 30, 5, 0, 290, 30, 1, {0, 1, 2}, 29},
        {"three source intervals plot every third row", 30, 30, 0, 290, 10, 3, {0, 3, 6}, 27},
        {"ends on rows plot both rows", 30, 10, 100, 200, 11, 1, {10, 11}, 20},
        {"ends between rows plot the rows within", 30, 10, 105, 195, 9, 1, {11, 12}, 19},
        {"every third row up to the range's end", 30, 30, 100, 200, 4, 3, {10, 13}, 19},
        // Beyond 2000 points they spread over the whole range, its last row included.
        {"2,221 rows", 2221, 10, 0, 22200, 2000, 2, {0, 1, 2}, 2220},
        {"3,601 rows", 3601, 10, 0, 36000, 2000, 2, {0, 1, 3}, 3600},
        {"3,999 rows", 3999, 10, 0, 39980, 2000, 2, {0, 2, 4}, 3998},
        {"4,001 rows", 4001, 10, 0, 40000, 2000, 3, {0, 2, 4}, 4000},
        {"8,000 rows", 8000, 10, 0, 79990, 2000, 5, {0, 4, 8}, 7999},
        {"8,000 rows every third", 8000, 30, 0, 79990, 2000, 5, {0, 4, 8}, 7999},
    };
    for (const Case& c : cases) {
        auto table = Rows(c.rows);
        CurveSettings s;
        InitCurveSettings(&s, *table);
        s.queryInterval = c.interval;
        s.queryStart = At(c.start);
        s.queryEnd = At(c.end);
        SamplePoints(&s, *table);
        EXPECT_EQ(s.pointCount, c.pointCount) << c.what;
        EXPECT_EQ(s.pointStride, c.stride) << c.what;
        EXPECT_EQ(s.queryChanged, 0) << c.what;
        const CurveChannel& a = s.channels.front();
        ASSERT_EQ(a.points.size(), static_cast<size_t>(c.pointCount)) << c.what;
        for (size_t i = 0; i < c.first.size(); ++i)
            EXPECT_EQ(a.points[i].value, c.first[i]) << c.what;
        EXPECT_EQ(a.points.back().value, c.last) << c.what;
        EXPECT_EQ(a.points.back().pointNumber, c.pointCount - 1);
        // Text that is not a number is no point of the line; every point carries its row's time.
        EXPECT_TRUE(std::isnan(s.channels.back().points[1].value));
        EXPECT_EQ(CompareCalendarTimes(a.points[1].time, At(static_cast<int>(c.first[1]) * 10)), 0)
            << c.what;
    }
}

TEST(SamplePoints, EmptyRangesHiddenAndLaterTickedChannels) {
    auto table = Rows(30);
    CurveSettings s;
    InitCurveSettings(&s, *table);
    s.queryStart = At(101);  // between rows 10 and 11
    s.queryEnd = At(105);
    SamplePoints(&s, *table);
    EXPECT_EQ(s.pointCount, 0);
    EXPECT_EQ(s.queryChanged, 1);

    s.queryStart = At(200);  // a start after the end is an empty range, not a negative one
    s.queryEnd = At(100);
    SamplePoints(&s, *table);
    EXPECT_EQ(s.pointCount, 0);

    s.queryStart = At(0);
    s.queryEnd = At(290);
    s.channels.back().show = 0;
    SamplePoints(&s, *table);
    EXPECT_EQ(s.channels.front().points.size(), 30u);
    EXPECT_TRUE(s.channels.back().points.empty());
    // A channel ticked since then is sampled although the range did not change.
    s.channels.back().show = 1;
    SamplePoints(&s, *table);
    EXPECT_EQ(s.channels.back().points.size(), 30u);
}

TEST(SamplePoints, TimesThatDoNotRiseTakeTheWholeReportByPosition) {
    struct Case {
        const char* what;
        int rows;
        int (*seconds)(int row, int rows);  // the time of a row
    };
    const Case cases[] = {
        {"a clock set back in the last row", 200,
         [](int r, int n) { return r + 1 < n ? 3600 + r * 10 : 0; }},
        {"one time throughout", 500, [](int, int) { return 3600; }},
        {"times that run backwards", 300, [](int r, int) { return 7200 - r * 10; }},
        {"one row is one point", 1, [](int, int) { return 3600; }},
    };
    for (const Case& c : cases) {
        std::string text = "Title\nTime,a\n";
        for (int r = 0; r < c.rows; ++r)
            text += Stamp(c.seconds(r, c.rows)) + "," + std::to_string(r) + "\n";
        auto table = TableOf(text);
        CurveSettings s;
        InitCurveSettings(&s, *table);
        SamplePoints(&s, *table);
        EXPECT_EQ(s.firstRow, 0) << c.what;
        EXPECT_EQ(s.lastRow, c.rows - 1) << c.what;
        ASSERT_EQ(s.pointCount, c.rows) << c.what;
        EXPECT_EQ(s.channels.front().points.back().value, c.rows - 1) << c.what;
    }
}

TEST(CellNumber, FollowsTheDecimalRuleOnly) {
    // TextNumber reads the longest number in front; a cell is a number only when it is nothing
    // else (NaN: none).
    const double none = std::nan("");
    const std::tuple<const char*, double, double> cases[] = {
        {"12.5", 12.5, 12.5},    {" -3", -3, -3},    {"+2", 2, 2},       {"1e3", 1000, 1000},
        {"7abc", 7, none},       {"12 3", 12, none}, {"--5", 0, none},   {"+-1", 0, none},
        {"-", 0, none},          {"0x10", 0, none},  {"inf", 0, none},   {"-inf", 0, none},
        {"nan", 0, none},        {"NaN", 0, none},   {"N/A", 0, none},   {"", 0, none},
        {".5", 0.5, 0.5},        {"5.", 5, 5},       {"1e999", 0, none}, {"1e", 1, none},
        {" 4.25\r", 4.25, 4.25},
    };
    for (const auto& [text, value, whole] : cases) {
        EXPECT_DOUBLE_EQ(TextNumber(text), value) << text;
        double got = 0.0;
        EXPECT_EQ(WholeNumber(text, &got), !std::isnan(whole)) << text;
        if (!std::isnan(whole)) {
            EXPECT_DOUBLE_EQ(got, whole) << text;
        }
        EXPECT_EQ(std::isnan(CellNumber(text)), std::isnan(whole)) << text;
    }
    EXPECT_EQ(CellNumber("1e300"), FLT_MAX);

    // Plain decimals read quickly give exactly what the general parser gives, sign of zero too.
    std::mt19937_64 random(7);
    for (int n = 0; n < 200000; ++n) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int digits = 1 + static_cast<int>(random() % 17);
        const int point = static_cast<int>(random() % (digits + 2));
        for (int d = 0; d < digits; ++d)
            text += (d == point ? "." : "") + std::to_string(random() % 10);
        double expected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const double got = TextNumber(text);
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text;
        double whole = 1.0;
        ASSERT_TRUE(WholeNumber(text, &whole) && std::memcmp(&whole, &expected, sizeof whole) == 0)
            << text;
    }
}

TEST(CutTextLines, NeverSplitsACharacter) {
    const std::string a300(300, 'a');
    const std::string han = "\xba\xba";           // a double-byte GB18030 character
    const std::string four = "\x81\x30\x81\x30";  // a four-byte GB18030 character
    struct Case {
        const char* what;
        std::string text;
        size_t width;
        std::vector<size_t> lengths;
    };
    const Case cases[] = {
        {"single bytes", a300, 130, {130, 130, 40}},
        {"an exact multiple ends with an empty line", std::string(260, 'a'), 130, {130, 130, 0}},
        {"a double-byte character across the edge goes with the first line",
         std::string(9, 'a') + han + std::string(9, 'a'),
         10,
         {11, 9, 0}},
        {"the tail taken, the next line starts after it",
         han + han + han + han + han + han,
         5,
         {6, 4, 2}},
        {"a four-byte character across the edge",
         std::string(8, 'a') + four + "bbbbbb",
         10,
         {12, 6}},
        {"UTF-8 text",
         "aaaa\xe4\xb8\xad"
         "bbbb",
         5,
         {7, 3, 1}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = CutTextLines(c.text, c.width);
        std::vector<size_t> lengths;
        std::string joined;
        for (const std::string& l : lines) {
            lengths.push_back(l.size());
            joined += l;
        }
        EXPECT_EQ(lengths, c.lengths) << c.what;
        EXPECT_EQ(joined, c.text) << c.what;
    }
    EXPECT_EQ(CutToCharacters("ab" + four, 5), "ab");
}

TEST(ChartPlan, FooterEntriesRunFromTheLabelDown) {
    const std::vector<std::string> e = FooterEntries(std::string(300, 'r'));
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[3], "备注:||");
    EXPECT_EQ(e[2], std::string(130, 'r') + "||");
    EXPECT_EQ(e[0], std::string(40, 'r') + "||");
    EXPECT_EQ(FooterEntries(std::string(5000, 'r')).size(), 1022u / 130 + 2);
    EXPECT_EQ(FooterEntries("note", "Remark:"), std::vector<std::string>({"note||", "Remark:||"}));
}

TEST(ChartPlan, TimeLabelPoints) {
    const std::pair<int, std::vector<int32_t>> cases[] = {
        {12, {0, 2, 4, 6, 8, 10, 11}},
        {100, {0, 20, 40, 60, 80, 99}},
        {93, {0, 18, 36, 54, 72, 90}},
        {3, {0, 1, 2}},
        {0, {}},
    };
    for (const auto& [count, points] : cases)
        EXPECT_EQ(TimeLabelPoints(count), points) << count;
    EXPECT_EQ(TimeLabelText(MakeCalendarTime(2024, 2, 9, 3, 4, 5)), "|h2024/02/09\n03:04:05");
}

TEST(ChartPlan, TimeAxisStandsPointsAtTheirTimesAndBreaksAtGaps) {
    // Points every 10 s with a stop, an unreadable time and a clock set back.
    const int secondsAfterNoon[] = {0, 10, 20, 300, 310, -1, 330, 100};
    std::vector<CurvePoint> points;
    for (int s : secondsAfterNoon) {
        CurvePoint p;
        if (s >= 0)
            p.time = MakeCalendarTime(2024, 3, 1, 12, s / 60, s % 60);
        points.push_back(p);
    }
    const TimeAxisPlan plan = PlanTimeAxis(points, 10, 1);
    EXPECT_EQ(plan.x, (std::vector<double>{0, 10, 20, 300, 310, 310, 330, 100}));
    EXPECT_EQ(plan.breaks, (std::vector<int32_t>{3, 5, 6, 7}));
    EXPECT_EQ(TimeLabelText(plan.origin), "|h2024/03/01\n12:00:00");

    // Labels on whole steps of the calendar, crossing midnight; every second over a short span.
    const CalendarTime evening = MakeCalendarTime(2024, 2, 28, 23, 59, 0);
    const std::vector<AxisLabel> labels = TimeAxisLabels(evening, 0.4, 100.2);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].x, 30.0);
    EXPECT_EQ(labels[2].x, 90.0);
    EXPECT_EQ(labels[1].text, "|h2024/02/29\n00:00:00");
    EXPECT_EQ(TimeAxisLabels(evening, 0, 2).size(), 3u);
    EXPECT_EQ(TimeAxisLabels(evening, -3600, 7 * 86400).back().text, "|h2024/03/06\n00:00:00");
    EXPECT_TRUE(TimeAxisLabels(evening, 5, 5).empty());
    EXPECT_TRUE(TimeAxisLabels(CalendarTime{}, 0, 100).empty());

    // Years count in years, on New Year's Day; a span of the whole calendar in a few steps.
    auto seconds = [](const CalendarTime& from, const CalendarTime& to) {
        uint64_t a = 0, b = 0;
        CalendarToFileTime(from, &a);
        CalendarToFileTime(to, &b);
        return static_cast<double>((b - a) / kFileTimeUnitsPerSecond);
    };
    struct YearCase {
        CalendarTime from, to;
        std::vector<std::string> years;
    };
    const YearCase years[] = {
        {MakeCalendarTime(2021, 6, 1), MakeCalendarTime(2024, 6, 1), {"2022", "2023", "2024"}},
        {MakeCalendarTime(1601, 1, 1),
         MakeCalendarTime(9999, 12, 31, 23, 59, 59),
         {"2000", "4000", "6000", "8000"}},
        {MakeCalendarTime(1601, 1, 1),
         MakeCalendarTime(30827, 12, 31),
         {"10000", "20000", "30000"}},
    };
    for (const YearCase& c : years) {
        std::vector<std::string> shown;
        for (const AxisLabel& label : TimeAxisLabels(c.from, 0, seconds(c.from, c.to))) {
            EXPECT_EQ(label.text.substr(label.text.find('/')), "/01/01\n00:00:00");
            shown.push_back(label.text.substr(2, label.text.find('/') - 2));
        }
        EXPECT_EQ(shown, c.years);
    }
}

TEST(ChartPlan, YAxisGridIsPlannedOverTheWidenedRangeWithBoundedLines) {
    struct Case {
        const char* what;
        int mode;
        double min, max, spacing;
        int gridMode;
        double lo, hi;  // the range shown
        bool manualGrid;
        double expected;
    };
    const Case cases[] = {
        {"spacing as set", 1, 0, 100, 4, 1, 0, 100, true, 4},
        {"more than 500 steps take 2.5% of the range", 1, 0, 100, 0.1, 1, 0, 100, true, 2.5},
        {"yMax above 100000 switches the grid off", 1, 0, 200000, 1000, 1, 0, 200000, false, 0},
        {"yMax below 0.001 switches it off", 1, -5, 0, 1, 1, -5, 0, false, 0},
        {"automatic grid mode", 1, 0, 100, 4, 0, 0, 100, false, 0},
        {"a negative spacing never reaches the chart", 1, 0, 100, -5, 1, 0, 100, true, 2.5},
        {"equal limits are widened by 1", 1, 5, 5, 0.1, 1, 4, 6, true, 0.1},
        // Grids of hostile configuration files: their steps are counted over the range shown.
        {"equal limits by 1e-9", 1, 5, 5, 1e-9, 1, 4, 6, true, 0.05},
        {"equal limits by 1e-300", 1, 5, 5, 1e-300, 1, 4, 6, true, 0.05},
        {"inverted limits by 1e-6", 1, 100, 1, 1e-6, 1, 99, 101, true, 0.05},
        {"a range of 1e-14 by 1e-16 is below the limits' precision", 1, 100, 100 + 1e-14, 1e-16, 1,
         100, 100 + 1e-14, false, 0},
        {"equal limits past 1 in a billion", 1, 1e12, 1e12, 1, 1, 1e12 - 1e3, 1e12 + 1e3, false, 0},
        {"limits of the whole double range", 1, -DBL_MAX, DBL_MAX, 1, 1, -DBL_MAX / 2, DBL_MAX / 2,
         false, 0},
    };
    for (const Case& c : cases) {
        CurveSettings s;
        s.yMin = c.min;
        s.yMax = c.max;
        s.yGridInterval = c.spacing;
        s.yGridMode = c.gridMode;
        const YAxisPlan plan = PlanYAxis(s, c.mode);
        EXPECT_TRUE(plan.manualRange) << c.what;
        EXPECT_EQ(plan.min, c.lo) << c.what;
        EXPECT_EQ(plan.max, c.hi) << c.what;
        EXPECT_EQ(plan.manualGrid, c.manualGrid) << c.what;
        EXPECT_DOUBLE_EQ(plan.manualGrid ? plan.spacing : 0.0, c.expected) << c.what;
        if (!plan.manualGrid)
            continue;
        // Stepping up a plot of 300 pixels as the axis does ends, with a line per 4 pixels at most.
        const YGridSteps steps = PlanYGridSteps(300, plan.max - plan.min, plan.spacing, 14);
        int lines = 0;
        for (double y = plan.min; y <= plan.max && lines <= 1000; y += steps.lineSpacing)
            ++lines;
        EXPECT_LE(lines, 76) << c.what;
    }
    EXPECT_FALSE(PlanYAxis(CurveSettings(), 0).manualRange);
}

TEST(ChartPlan, NumbersOutsideTheirTablesFallBack) {
    EXPECT_EQ(SeriesColor(40).b, 255);  // colour 0 is blue
    EXPECT_EQ(SeriesColor(-1).r, 0);
    EXPECT_EQ(SeriesLineType(9).width, 1);
    EXPECT_EQ(SeriesLineType(6).width, 4);
    const RgbColor white = BackgroundColor(99);
    EXPECT_EQ(white.r + white.g + white.b, 765);
    const RgbColor fg = ForegroundOf(CurveColorTable[27]);
    EXPECT_EQ(fg.r, 63);
    EXPECT_EQ(fg.g, 127);
    EXPECT_EQ(fg.b, 191);
    EXPECT_EQ(CursorSeriesLabel("T1", 2.345), "T1(2.35)");
    EXPECT_EQ(CursorSeriesLabel("T1", std::nan("")), "T1()");
    EXPECT_EQ(CursorSubtitle(MakeCalendarTime(2024, 1, 2, 3, 4, 5), "T1(1.00)"),
              "当前时间:2024/01/02  03:04:05     T1(1.00)");
    EXPECT_EQ(CursorSubtitle(MakeCalendarTime(2024, 1, 2, 3, 4, 5), "", "Now: "),
              "Now: 2024/01/02  03:04:05");
}

TEST(CurveSettings, LongNamesAreCutAtACharacter) {
    CurveChannel c;
    c.SetName(std::string(29, 'n') + "\x81\x30\x81\x30");
    EXPECT_EQ(c.Name(), std::string(29, 'n'));
    c.SetName(std::string(27, 'n') + "\x81\x30\x81\x30" + "x");
    EXPECT_EQ(c.Name().size(), 31u);
}

// Settings of a 3-channel, 30-row table, for the dialog's OK steps.
struct DialogCase {
    const char* what;
    void (*edit)(CurveDialogInput*);
    const char* message;  // expected, null for none
    void (*check)(const CurveSettings&);
};

TEST(ApplyCurveDialog, ChecksInOrderAndKeepsWhatWasStored) {
    const DialogCase cases[] = {
        {"everything as it was", [](CurveDialogInput*) {}, nullptr,
         [](const CurveSettings& s) { EXPECT_EQ(s.queryChanged, 0); }},
        {"untick every channel",
         [](CurveDialogInput* in) {
             for (auto& item : in->items)
                 item.state = 1;
         },
         nullptr,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.shownCount, 0);
             for (const CurveChannel& c : s.channels)
                 EXPECT_EQ(c.showIndex, -1);
         }},
        {"start before the list",
         [](CurveDialogInput* in) {
             in->start = At(0);
             in->start.year = 2023;
             in->items[0].state = 1;
         },
         kMsgStartBeforeList,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.shownCount, 1);
             EXPECT_EQ(s.channels.back().showIndex, 0);
         }},
        {"end after the list", [](CurveDialogInput* in) { in->end = At(300); }, kMsgEndAfterList,
         nullptr},
        {"start after end", [](CurveDialogInput* in) { in->start = At(200), in->end = At(100); },
         kMsgStartAfterEnd, nullptr},
        {"interval 0",
         [](CurveDialogInput* in) {
             in->interval = "0";
             in->start = At(10);
         },
         kMsgIntervalBelowOne,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.queryInterval, 1);
             EXPECT_EQ(s.queryChanged, 1);
             EXPECT_EQ(CompareCalendarTimes(s.queryStart, At(10)), 0);
         }},
        {"empty interval", [](CurveDialogInput* in) { in->interval = ""; }, kMsgIntervalBelowOne,
         [](const CurveSettings& s) { EXPECT_EQ(s.queryInterval, 1); }},
        {"interval 90000", [](CurveDialogInput* in) { in->interval = "90000"; },
         kMsgIntervalAboveDay, [](const CurveSettings& s) { EXPECT_EQ(s.queryInterval, 86400); }},
        {"interval 30", [](CurveDialogInput* in) { in->interval = "30"; }, nullptr,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.queryInterval, 30);
             EXPECT_EQ(s.queryChanged, 1);
         }},
        {"equal limits", [](CurveDialogInput* in) { in->yAuto = false, in->yMin = in->yMax = "5"; },
         nullptr,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.yAxisMode, 1);
             EXPECT_EQ(s.yMin, 5.0);
             EXPECT_EQ(s.yMax, 5.0);
         }},
        {"signed limits",
         [](CurveDialogInput* in) { in->yAuto = false, in->yMin = "-1.5", in->yMax = "+2"; },
         nullptr, [](const CurveSettings& s) { EXPECT_EQ(s.yMin, -1.5); }},
        {"an exponent is refused",
         [](CurveDialogInput* in) { in->yAuto = false, in->yMin = "1e3"; }, kMsgBadYMin,
         [](const CurveSettings& s) { EXPECT_EQ(s.yAxisMode, 1); }},
        {"bad upper limit", [](CurveDialogInput* in) { in->yAuto = false, in->yMax = "1e3"; },
         kMsgBadYMax, nullptr},
        {"--5 passes and reads 0",
         [](CurveDialogInput* in) { in->yAuto = false, in->yMin = "--5"; }, nullptr,
         [](const CurveSettings& s) { EXPECT_EQ(s.yMin, 0.0); }},
        {"min above max",
         [](CurveDialogInput* in) { in->yAuto = false, in->yMin = "7", in->yMax = "6"; },
         kMsgMinAboveMax, [](const CurveSettings& s) { EXPECT_EQ(s.yMin, 0.0); }},
        {"automatic Y skips the limits but not the grid",
         [](CurveDialogInput* in) { in->yMin = "x", in->yGridInterval = "y"; }, kMsgBadGridSpacing,
         [](const CurveSettings& s) {
             EXPECT_EQ(s.yAxisMode, 0);
             EXPECT_EQ(s.yGridMode, 1);
             EXPECT_EQ(s.yGridInterval, 4.0);
         }},
        {"automatic grid",
         [](CurveDialogInput* in) { in->yGridAuto = true, in->yGridInterval = "y"; }, nullptr,
         [](const CurveSettings& s) { EXPECT_EQ(s.yGridMode, 0); }},
    };
    auto table = Rows(30);
    for (const DialogCase& c : cases) {
        CurveSettings s;
        InitCurveSettings(&s, *table);
        s.queryChanged = 0;
        s.sourceInterval = s.queryInterval = 10;
        CurveDialogInput in;
        for (const CurveChannel& ch : s.channels)
            in.items.push_back({ch.index, 3});
        in.start = s.queryStart;
        in.end = s.queryEnd;
        in.interval = "10";
        in.yAuto = true;
        in.yMin = "0.000";
        in.yMax = "100.000";
        in.yGridInterval = "4.000";
        c.edit(&in);
        const CurveDialogOutcome out = ApplyCurveDialog(in, &s);
        EXPECT_STREQ(out.message, c.message) << c.what;
        if (c.check != nullptr)
            c.check(s);
    }
}

TEST(ApplyCurveDialog, InputChecks) {
    EXPECT_TRUE(PassesNumberCheck(""));
    EXPECT_TRUE(PassesNumberCheck("+-.09"));
    EXPECT_FALSE(PassesNumberCheck("1e3"));
    EXPECT_FALSE(PassesNumberCheck(" 1"));
    EXPECT_EQ(LeadingInteger("86400x"), 86400);
    EXPECT_GT(LeadingInteger("99999999999999999999999"), 86400);
    EXPECT_EQ(LeadingInteger("x1"), 0);
}

}  // namespace
