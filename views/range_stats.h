// What the curve view reads from a report beyond its plotted points: statistics of a range of
// rows, the envelope (low and high) of the rows each point stands for, the rows behind a span of
// points, and the texts of the statistics and two-cursor panel. Plain functions over the record
// table, so they run and are tested without a window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar_time.h"
#include "curve_settings.h"
#include "record_table.h"

// Rows [begin, end) of a table.
struct RowRange {
    int32_t begin = 0;
    int32_t end = 0;
};

// The rows that the sampled points [fromPoint, toPoint] of the settings stand for: point p stands
// for the rows from its own row (PointRow) up to the next point's; the last point also takes the
// rows left to the end of the sampled range. The points are clamped to those there are; an empty
// range when there are none.
RowRange RowsOfPoints(const CurveSettings& settings, int32_t fromPoint, int32_t toPoint);

// Statistics of one column over a range of rows. Only cells that hold a number (WholeNumber's
// rule) take part; the others (empty, text, "NaN", "12abc") are counted as skipped.
struct ChannelStats {
    int32_t column = 0;
    int64_t count = 0;  // cells that hold a number
    double min = 0.0;   // 0 when count is 0
    double max = 0.0;
    // 0 when count is 0. Values near the double range have their mean too (every value 1e308
    // has the mean 1e308, not inf), though their sum overflows.
    double mean = 0.0;
    int32_t minRow = -1;  // first row holding min, -1 when count is 0
    int32_t maxRow = -1;  // first row holding max
    // The most decimals (CellDecimals) among the first 4096 cells that hold a number and those of
    // min and max, which the panel shows every number of the channel with, the mean too; -1 when
    // count is 0 or one of those cells is written with an exponent.
    int32_t decimals = -1;
    int64_t skipped = 0;  // cells of the range that hold no number
    double Mean() const { return mean; }
};

// How a long computation is watched from another thread: it stops early once *cancelled is set
// (its result is then incomplete and to be dropped), and now and then reports the share of its
// rows done, in thousandths, to progress.
struct Watch {
    const std::atomic<bool>* cancelled = nullptr;
    std::function<void(int perMille)> progress;

    bool Cancelled() const {
        return cancelled != nullptr && cancelled->load(std::memory_order_relaxed);
    }
};

// Lowers the calling thread's priority a little, so that a thread reading a long range leaves
// the window's thread the processor it wants (where the system has a priority per thread).
void YieldToTheWindow();

// The statistics of each column of columns over rows (clamped to the table), in that order.
// Every cell of the range is read once (a column whose values' sum leaves the double range is
// read a second time, for its mean). A long range is read in parts, one thread each; parts sets
// their number (0: by the range's length and the processors).
std::vector<ChannelStats> RangeStatistics(const RecordTable& table, RowRange rows,
                                          const std::vector<int32_t>& columns,
                                          const Watch& watch = Watch(), unsigned parts = 0);

// The lowest and highest number of each point's rows, per column.
struct Envelope {
    std::vector<float> low;
    std::vector<float> high;
};

// For points starting at the rows of starts (ascending), where point p stands for rows
// [starts[p], starts[p + 1]) and the last point for the rows up to end (at least its own): the
// envelope of each column of columns (numbers pinned to the float range as CellNumber does). A
// point none of whose cells holds a number is NaN at both edges, where the band breaks. Every
// cell is read once.
std::vector<Envelope> PointEnvelopes(const RecordTable& table, const std::vector<int32_t>& starts,
                                     int32_t end, const std::vector<int32_t>& columns,
                                     const Watch& watch = Watch());

// A point just before a line break and the rows it stands for.
struct GapPoint {
    int32_t point = 0;
    RowRange rows;
};

// PointEnvelopes, except that the point of each gap takes only its rows before the first stop in
// recording (RowsBeforeStop with recordSeconds), so that its band shows no values from the far
// side of the gap.
std::vector<Envelope> EnvelopesBeforeGaps(const RecordTable& table,
                                          const std::vector<int32_t>& starts, int32_t end,
                                          const std::vector<int32_t>& columns,
                                          const std::vector<GapPoint>& gaps, int32_t recordSeconds,
                                          const Watch& watch = Watch());

// The end of the rows of a range that come before the first stop in recording within it: a row
// more than three record intervals after the row before it, earlier than it, or of a time that
// cannot be read; rows.end when there is none. On a time axis the point before a gap stands for
// rows up to the next point, across the gap; its band ends here, so that it shows no values from
// the far side of the gap.
int32_t RowsBeforeStop(const RecordTable& table, RowRange rows, int32_t recordSeconds);

// Where a line over points at the given times (seconds, ascending) breaks on a true time axis:
// the numbers of the points that start a new piece, in order. A piece ends where the next point
// is more than three record intervals later than the one before, the interval being
// recordSeconds times stride (the rows each point stands for), so stopped recording and missing
// folders show as gaps, while thinning alone never does. A point whose time is unknown (below
// 0) starts a new piece, and so does the one after it; so does a point earlier than the one
// before (a clock set back). None when recordSeconds or stride is not positive.
std::vector<int32_t> LineBreaks(const std::vector<int64_t>& times, int32_t recordSeconds,
                                int32_t stride);

// Seconds from a to b (negative when b is earlier), milliseconds dropped. False when either
// time is not valid.
bool SecondsBetween(const CalendarTime& a, const CalendarTime& b, int64_t* seconds);

// "Δt = [-][Dd ]hh:mm:ss": the days only when there are any.
std::string DeltaTimeText(int64_t seconds);

// A number as the panel shows it: up to 6 significant digits ("%g"); empty for NaN (a point whose
// cell holds no number).
std::string PanelNumber(double value);
// The decimals a report cell is written with: the digits after its decimal point, 0 without
// one (a text cell too), -1 when it has an exponent ("1e5", "2.5E-3").
int32_t CellDecimals(std::string_view cell);
// A number of a channel as the panel shows it: with decimals fixed decimals (at most 15), so
// that the minimum, maximum, mean and cursor values read like the report's own cells; as
// PanelNumber when decimals is below 0. Never "-0".
std::string PanelValue(double value, int32_t decimals);
// b - a as the panel shows it: without digits finer than the sixth significant digit of the
// larger of the two, which is all they show.
std::string PanelDifference(double a, double b);

// One row of the panel: a shown channel with the values at the cursors and its statistics.
struct PanelChannel {
    std::string name;
    double atA = 0.0;
    double atB = 0.0;
    ChannelStats stats;
    CalendarTime minTime;  // times of stats.minRow and stats.maxRow; all zero when unknown
    CalendarTime maxTime;
};

// The panel's own words in the interface's language; the defaults are the Chinese texts.
struct PanelTexts {
    std::string range = "统计范围:";  // before the statistics' range in the headline
    std::string channel = "通道";
    std::string min = "最小值";
    std::string minTime = "最小值时间";
    std::string max = "最大值";
    std::string maxTime = "最大值时间";
    std::string mean = "平均值";
    std::string records = "记录数";
    std::string skipped = "跳过(非数值)";
    std::string computing = "正在计算统计";
};

// The panel's contents: the cursors' times (B only when set) and one entry per shown channel.
// All its texts, channel names included, are UTF-8.
struct PanelContents {
    bool hasB = false;
    CalendarTime timeA;
    CalendarTime timeB;
    CalendarTime rangeFrom;  // first and last record time of the statistics' range
    CalendarTime rangeTo;
    std::vector<PanelChannel> channels;
    PanelTexts texts;
    // While the statistics are computed: their cells stay blank, and once progress is known
    // (thousandths, else -1) the headline shows it.
    bool computing = false;
    int progress = -1;
};

// Column captions of the panel's table; the B columns ("B", "B-A") only when hasB. The last two
// count the cells of the range that hold a number and those skipped.
std::vector<std::string> PanelCaptions(bool hasB, const PanelTexts& texts = PanelTexts());
// The table's cells, one vector per channel, matching PanelCaptions.
std::vector<std::vector<std::string>> PanelCells(const PanelContents& contents);
// The line above the table: the statistics' range, cursor A's time and, with B, B's time and
// the Δt text.
std::string PanelHeadline(const PanelContents& contents);
// The whole panel as text: the headline, the captions and the cells, fields separated by tabs,
// lines ended by "\n".
std::string PanelText(const PanelContents& contents);
