// Range statistics, point envelopes, the rows behind points, the Δt text and the panel's text.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "curve_init.h"
#include "range_stats.h"
#include "table_support.h"

namespace {

// A table of one row per entry of cells ("" is an empty cell), rows every 10 s from 2024-01-01.
std::unique_ptr<RecordTable> Table(const std::vector<std::vector<std::string>>& rows) {
    std::string text = "Title\nTime,a,b,c\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        text += Stamp(static_cast<int>(r) * 10);
        for (const std::string& cell : rows[r])
            text += "," + cell;
        text += "\n";
    }
    return TableOf(text);
}

TEST(RangeStatistics, MinMaxMeanAndCountSkipCellsOfNoNumber) {
    const auto table = Table({{"3", "x", "NaN"},
                              {"", "1", "4"},
                              {"-2.5", "", "12abc"},
                              {"7", "1", "N/A"},
                              {"7", "-1", "--"}});
    struct Case {
        const char* what;
        RowRange rows;
        int column;
        int64_t count;
        double min, max, mean;
        int minRow, maxRow;
        int decimals;
        int64_t skipped;
    };
    const Case cases[] = {
        {"whole column, empty cell skipped", {0, 5}, 1, 4, -2.5, 7, 14.5 / 4, 2, 3, 1, 1},
        {"a text cell is skipped", {0, 5}, 2, 3, -1, 1, 1.0 / 3, 4, 1, 0, 2},
        {"NaN, 12abc, N/A and -- are skipped", {0, 5}, 3, 1, 4, 4, 4, 1, 1, 0, 4},
        {"ties keep the first row", {3, 5}, 1, 2, 7, 7, 7, 3, 3, 0, 0},
        {"range clamped to the table", {-3, 99}, 1, 4, -2.5, 7, 14.5 / 4, 2, 3, 1, 1},
        {"an empty range has no records", {2, 2}, 1, 0, 0, 0, 0, -1, -1, -1, 0},
        {"only empty cells has no records", {1, 2}, 1, 0, 0, 0, 0, -1, -1, -1, 1},
        {"a column past the table reads empty", {0, 5}, 9, 0, 0, 0, 0, -1, -1, -1, 5},
    };
    // Read in one pass and in parts joined afterwards (down to a row a part): the same results.
    for (unsigned parts : {0u, 2u, 5u})
        for (const Case& c : cases) {
            const std::vector<ChannelStats> s =
                RangeStatistics(*table, c.rows, {c.column}, {}, parts);
            ASSERT_EQ(s.size(), 1u) << c.what;
            EXPECT_EQ(s[0].column, c.column) << c.what;
            EXPECT_EQ(s[0].count, c.count) << c.what;
            EXPECT_DOUBLE_EQ(s[0].min, c.min) << c.what;
            EXPECT_DOUBLE_EQ(s[0].max, c.max) << c.what;
            EXPECT_DOUBLE_EQ(s[0].Mean(), c.mean) << c.what;
            EXPECT_EQ(s[0].minRow, c.minRow) << c.what;
            EXPECT_EQ(s[0].maxRow, c.maxRow) << c.what;
            EXPECT_EQ(s[0].decimals, c.decimals) << c.what;
            EXPECT_EQ(s[0].skipped, c.skipped) << c.what;
        }
    // Values near the double range have a mean, however their sum would overflow.
    const auto huge = Table({{"1e308", "-1.7e308"}, {"1e308", "-1.7e308"}, {"1e308", "1.7e308"}});
    const std::vector<ChannelStats> h = RangeStatistics(*huge, {0, 3}, {1, 2});
    EXPECT_DOUBLE_EQ(h[0].Mean(), 1e308);
    EXPECT_EQ(h[0].decimals, -1);  // an exponent: the short form
    // Past the cells read for their decimals, those of the minimum and maximum still count.
    std::vector<std::vector<std::string>> many(5000, {"1"});
    many.back() = {"2.5"};
    EXPECT_EQ(RangeStatistics(*Table(many), {0, 5000}, {1})[0].decimals, 1);
    // The cells read for their decimals are the range's first, whichever part holds them: a
    // channel that starts late, "1.5" among its first cells, "1.25" past them.
    std::vector<std::vector<std::string>> late(10000, {"1"});
    for (size_t r = 0; r < 2000; ++r)
        late[r] = {""};
    late[2100] = {"0"};
    late[2200] = {"2"};
    late[5000] = {"1.5"};
    late[9000] = {"1.25"};
    for (unsigned parts : {1u, 3u, 4u})
        EXPECT_EQ(RangeStatistics(*Table(late), {0, 10000}, {1}, {}, parts)[0].decimals, 1)
            << parts;
    EXPECT_DOUBLE_EQ(h[1].Mean(), -1.7e308 / 3);
}

TEST(PointEnvelopes, EveryRowOfEachPointCountsSoSpikesSurvive) {
    // Column a: a spike of 100 at row 4 and a dip of -50 at row 9 among ones.
    std::vector<std::vector<std::string>> rows(11, {"1", "2"});
    rows[4][0] = "100";
    rows[9][0] = "-50";
    rows[6][0] = "";
    const auto table = Table(rows);
    // Three points of stride 3 over rows [0, 11): the last point takes rows 6..10.
    const std::vector<Envelope> e = PointEnvelopes(*table, {0, 3, 6}, 11, {1, 2});
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].low, (std::vector<float>{1, 1, -50}));
    EXPECT_EQ(e[0].high, (std::vector<float>{1, 100, 1}));
    EXPECT_EQ(e[1].low, (std::vector<float>{2, 2, 2}));
    EXPECT_EQ(e[1].high, (std::vector<float>{2, 2, 2}));
    // A point of no number (text, or past the table) is NaN, where the band breaks; a huge
    // number is pinned to the float range.
    const auto big = Table({{"1e300", "x"}});
    const std::vector<Envelope> f = PointEnvelopes(*big, {0, 1}, 1, {1, 2});
    EXPECT_EQ(f[0].high[0], FLT_MAX);
    EXPECT_TRUE(std::isnan(f[0].low[1]));
    EXPECT_TRUE(std::isnan(f[1].low[0]) && std::isnan(f[1].high[0]));
    EXPECT_TRUE(PointEnvelopes(*big, {}, 1, {1})[0].low.empty());
}

TEST(RowsOfPoints, PointsStandForTheRowsUpToTheNextAndTheLastTakesTheRest) {
    CurveSettings s;
    s.rowCount = 1000;
    s.firstRow = 100;
    s.lastRow = 1100;  // past the rows: the range stops at rowCount rows
    s.pointCount = 3;
    struct Case {
        const char* what;
        int rowStep;  // 400: three points every 400 rows; 1: three points spread over 1000 rows
        int from, to;
        int begin, end;
    };
    const Case cases[] = {
        {"all points take the rows up to the range's end", 400, 0, 2, 100, 1100},
        {"a middle point takes its step", 400, 1, 1, 500, 900},
        {"points past either end are clamped", 400, -5, 9, 100, 1100},
        {"a reversed span is empty", 400, 2, 1, 0, 0},
        {"spread points: the middle one is halfway", 1, 1, 1, 599, 1099},
        {"spread points: the last one is the range's last row", 1, 2, 2, 1099, 1100},
    };
    for (const Case& c : cases) {
        s.rowStep = c.rowStep;
        const RowRange r = RowsOfPoints(s, c.from, c.to);
        EXPECT_EQ(r.begin, c.begin) << c.what;
        EXPECT_EQ(r.end, c.end) << c.what;
    }
    s.pointCount = 0;
    EXPECT_EQ(RowsOfPoints(s, 0, 5).end, 0);
}

TEST(RowsBeforeStop, EndsAtTheFirstGapBackstepOrUnreadableTime) {
    const std::string text =
        "T\nTime,a\n2024-01-01 00:00:00,1\n2024-01-01 00:00:10,2\n2024-01-01 00:00:40,3\n"
        "2024-01-01 00:00:41,4\n2024-01-01 00:05:00,5\n2024-01-01 00:04:00,6\nnot a time,7\n"
        "2024-01-01 00:09:00,8\n";
    const auto loaded = TableOf(text);
    const RecordTable& table = *loaded;
    const std::tuple<int, int, int, int> cases[] = {
        {0, 4, 10, 4},                    // three intervals still join
        {0, 8, 10, 4},                    // the stop before 00:05:00
        {4, 8, 10, 5},                    // the clock set back
        {5, 8, 10, 6},                    // an unreadable time
        {0, 8, 100, 5}, {7, 20, 10, 20},  // past the table: none
    };
    for (const auto& [begin, end, interval, cut] : cases)
        EXPECT_EQ(RowsBeforeStop(table, RowRange{begin, end}, interval), cut) << begin;
}

TEST(LineBreaks, GapsLongerThanThreeIntervalsBreakTheLine) {
    struct Case {
        const char* what;
        std::vector<int64_t> times;
        int interval, stride;
        std::vector<int32_t> breaks;
    };
    const Case cases[] = {
        {"steady records never break", {0, 10, 20, 30}, 10, 1, {}},
        {"exactly three intervals still joins", {0, 10, 40, 50}, 10, 1, {}},
        {"one second more breaks", {0, 10, 41, 51}, 10, 1, {2}},
        {"thinned points are judged by their own spacing", {0, 50, 100, 250, 400}, 10, 5, {}},
        {"a stop in thinned points breaks", {0, 50, 100, 251, 301}, 10, 5, {3}},
        {"an unknown time is a piece of its own", {0, 10, -1, 30, 40}, 10, 1, {2, 3}},
        {"two gaps", {0, 100, 200}, 10, 1, {1, 2}},
        {"a clock set back breaks", {100, 110, 50, 60}, 10, 1, {2}},
        {"no interval: no breaks", {0, 1000}, 0, 1, {}},
        {"one point", {5}, 10, 1, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineBreaks(c.times, c.interval, c.stride), c.breaks) << c.what;
}

TEST(DeltaTime, DaysHoursMinutesSecondsWithSign) {
    struct Case {
        int64_t seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, "Δt = 00:00:00"},
        {59, "Δt = 00:00:59"},
        {3661, "Δt = 01:01:01"},
        {86399, "Δt = 23:59:59"},
        {86400, "Δt = 1d 00:00:00"},
        {-(3 * 86400 + 4 * 3600 + 5 * 60 + 6), "Δt = -3d 04:05:06"},
        {INT64_MIN, "Δt = -106751991167300d 15:30:08"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeltaTimeText(c.seconds), c.text) << c.seconds;

    int64_t seconds = 0;
    // Across a month end and a leap day.
    EXPECT_TRUE(SecondsBetween(MakeCalendarTime(2024, 2, 28, 23), MakeCalendarTime(2024, 3, 1, 1),
                               &seconds));
    EXPECT_EQ(seconds, 26 * 3600);
    EXPECT_TRUE(
        SecondsBetween(MakeCalendarTime(2024, 3, 1), MakeCalendarTime(2024, 2, 29), &seconds));
    EXPECT_EQ(seconds, -86400);
    EXPECT_FALSE(SecondsBetween(CalendarTime{}, MakeCalendarTime(2024, 1, 1), &seconds));
}

TEST(PanelText, DifferenceHasNoDigitsTheValuesDoNotShow) {
    const std::tuple<float, float, const char*> cases[] = {
        {27.7f, 28.15f, "0.45"}, {1.5f, 4.0f, "2.5"},         {-3.2f, 1.1f, "4.3"},
        {0.0f, 0.0f, "0"},       {100000.0f, 100001.0f, "1"}, {2e-7f, 5e-7f, "3e-07"},
    };
    for (const auto& [a, b, text] : cases)
        EXPECT_EQ(PanelDifference(a, b), text) << a << " " << b;
}

TEST(PanelText, TabSeparatedWithBColumnsOnlyOnceBIsSet) {
    PanelContents c;
    c.timeA = MakeCalendarTime(2024, 1, 1, 0, 0, 10);
    c.timeB = MakeCalendarTime(2024, 1, 2, 0, 0, 40);
    c.rangeFrom = MakeCalendarTime(2024, 1, 1);
    c.rangeTo = MakeCalendarTime(2024, 1, 3);
    PanelChannel ch;
    ch.name = "T1";
    ch.atA = 1.5;
    ch.atB = 4;
    ch.stats.count = 2;
    ch.stats.min = -1;
    ch.stats.max = 3;
    ch.stats.mean = 1;
    ch.stats.skipped = 1;
    ch.minTime = c.rangeFrom;
    ch.maxTime = c.rangeTo;
    PanelChannel empty;
    empty.name = "T2";
    c.channels = {ch, empty};

    EXPECT_EQ(PanelText(c),
              "统计范围: 2024-01-01 00:00:00 - 2024-01-03 00:00:00    A: 2024-01-01 00:00:10\n"
              "通道\tA\t最小值\t最小值时间\t最大值\t最大值时间\t平均值\t记录数\t跳过(非数值)\n"
              "T1\t1.5\t-1\t2024-01-01 00:00:00\t3\t2024-01-03 00:00:00\t1\t2\t1\n"
              "T2\t0\t\t\t\t\t\t0\t0\n");
    c.hasB = true;
    const std::string withB = PanelText(c);
    EXPECT_NE(withB.find("B: 2024-01-02 00:00:40    Δt = 1d 00:00:30\n"), std::string::npos);
    EXPECT_NE(withB.find("通道\tA\tB\tB-A\t最小值"), std::string::npos);
    EXPECT_NE(withB.find("T1\t1.5\t4\t2.5\t-1"), std::string::npos);

    // The panel's own words are the ones it is given.
    c.hasB = false;
    c.texts = {"Range:",   "Channel", "Min",     "Min time", "Max",
               "Max time", "Mean",    "Records", "Skipped"};
    const std::string english = PanelText(c);
    EXPECT_EQ(english.substr(0, english.find("    A:")),
              "Range: 2024-01-01 00:00:00 - 2024-01-03 00:00:00");
    EXPECT_NE(english.find("\nChannel\tA\tMin\tMin time\tMax\tMax time\tMean\tRecords\tSkipped\n"),
              std::string::npos);
}

TEST(PanelText, NumbersShowTheDecimalsOfTheChannelsCells) {
    const std::pair<const char*, int> cells[] = {
        {"68.50", 2}, {"-0.952085", 6}, {"7", 0},    {" +1.5\r", 1},
        {"1.", 0},    {"OFF", 0},       {"1e5", -1}, {"2.5E-3", -1},
    };
    for (const auto& [cell, decimals] : cells)
        EXPECT_EQ(CellDecimals(cell), decimals) << cell;
    const std::tuple<double, int, const char*> values[] = {
        {68.5, 2, "68.50"}, {52.625001, 2, "52.63"},    {0.952085, 2, "0.95"}, {-0.001, 2, "0.00"},
        {3.0, 0, "3"},      {0.952085, -1, "0.952085"}, {1e20, 2, "1e+20"},
    };
    for (const auto& [value, decimals, text] : values)
        EXPECT_EQ(PanelValue(value, decimals), text) << value << " " << decimals;

    // Cursor values, difference, minimum, maximum and mean of a channel alike, the mean of whole
    // numbers too; a cursor on a cell of no number shows no value.
    PanelContents c;
    c.hasB = true;
    c.channels = {{"", 27.7f, 28.15f, {0, 3, 27.7, 68.5, 52.6283, -1, -1, 2, 1}, {}, {}},
                  {"", std::nan(""), 1, {0, 3, 0, 1, 2.0 / 3, -1, -1, 0}, {}, {}}};
    const std::vector<std::vector<std::string>> shown = PanelCells(c);
    EXPECT_EQ(shown[0], std::vector<std::string>({"", "27.70", "28.15", "0.45", "27.70", "",
                                                  "68.50", "", "52.63", "3", "1"}));
    EXPECT_EQ(shown[1],
              std::vector<std::string>({"", "", "1", "", "0", "", "1", "", "1", "3", "0"}));
}

}  // namespace
