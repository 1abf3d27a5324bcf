#include "range_stats.h"

#include <algorithm>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "curve_dialog_rules.h"
#include "curve_init.h"
#include "curve_sampling.h"
#include "file_system.h"

RowRange RowsOfPoints(const CurveSettings& s, int32_t fromPoint, int32_t toPoint) {
    if (s.pointCount <= 0)
        return {};
    fromPoint = std::max(0, fromPoint);
    toPoint = std::min(s.pointCount - 1, toPoint);
    if (fromPoint > toPoint)
        return {};
    RowRange r;
    r.begin = PointRow(s, fromPoint);
    // The last point also takes the rows an interval that does not divide the range leaves over.
    r.end = toPoint == s.pointCount - 1
                ? std::max(s.firstRow + SampledSpan(s), PointRow(s, toPoint) + 1)
                : PointRow(s, toPoint + 1);
    return r;
}

namespace {

// How many leading columns hold every one of columns that the table has: the width of a row's
// cells to read.
int32_t CellsWanted(const RecordTable& table, const std::vector<int32_t>& columns) {
    int32_t wanted = 0;
    for (int32_t c : columns) {
        if (c >= 0 && c < table.ColumnCount())
            wanted = std::max(wanted, c + 1);
    }
    return wanted;
}

// The cells whose decimals are read, besides those of the minimum and maximum: a channel's
// cells share their form, and reading every cell's would slow the statistics by a third.
constexpr int64_t kDecimalsSample = 4096;

// Folds the decimals of one more non-empty cell into st (count still that before the cell).
void TakeDecimals(ChannelStats* st, std::string_view cell) {
    const int32_t decimals = CellDecimals(cell);
    if (st->count == 0)
        st->decimals = decimals;
    else if (st->decimals >= 0)
        st->decimals = decimals < 0 ? -1 : std::max(st->decimals, decimals);
}

// A cell of a row read by RowCells, empty for a column that is not there.
std::string_view CellOf(const std::vector<std::string_view>& cells, int32_t column) {
    return column >= 0 && static_cast<size_t>(column) < cells.size()
               ? cells[static_cast<size_t>(column)]
               : std::string_view();
}

}  // namespace

namespace {

// Rows between two looks at the watch.
constexpr int32_t kWatchRows = 8192;

// Reports the share of [begin, end) done at row; true when the work is to stop.
bool Look(const Watch& watch, int32_t begin, int32_t end, int32_t row) {
    if (watch.progress && end > begin)
        watch.progress(static_cast<int>(int64_t{1000} * (row - begin) / (end - begin)));
    return watch.Cancelled();
}

// The mean of a column as a running mean, each term divided before the two meet, so that
// neither a sum nor the difference of two values near the double range overflows.
double RunningMean(const RecordTable& table, int32_t begin, int32_t end, int32_t wanted,
                   int32_t column) {
    std::vector<std::string_view> cells;
    double mean = 0.0;
    int64_t count = 0;
    for (int32_t row = begin; row < end; ++row) {
        table.RowCells(row, wanted, &cells);
        double v = 0.0;
        if (!WholeNumber(CellOf(cells, column), &v))
            continue;
        const double n = static_cast<double>(++count);
        mean += v / n - mean / n;
    }
    return mean;
}

}  // namespace

namespace {

// Ranges of at least this many rows are shared out among threads; shorter ones are read on the
// calling thread, where starting threads would cost more than it saves.
constexpr int32_t kShareRows = 1 << 18;
// The most threads a range is shared out among.
constexpr unsigned kMostParts = 4;

// What one part of a range gives: per column, the count, extremes and sum of its cells, and the
// decimals of its first cells (kDecimalsSample at most), in order, for the fold over the range's
// first cells.
struct PartStats {
    std::vector<ChannelStats> stats;
    std::vector<double> sums;
    std::vector<std::vector<int32_t>> decimals;
};

void ReadPart(const RecordTable& table, int32_t begin, int32_t end, int32_t wanted,
              const std::vector<int32_t>& columns, const Watch& watch, bool reports,
              PartStats* part) {
    std::vector<ChannelStats>& stats = part->stats;
    stats.assign(columns.size(), ChannelStats());
    part->sums.assign(columns.size(), 0.0);
    part->decimals.assign(columns.size(), {});
    std::vector<std::string_view> cells;
    for (int32_t row = begin; row < end; ++row) {
        if ((row - begin) % kWatchRows == 0 &&
            (reports ? Look(watch, begin, end, row) : watch.Cancelled()))
            return;
        table.RowCells(row, wanted, &cells);
        for (size_t i = 0; i < stats.size(); ++i) {
            ChannelStats& st = stats[i];
            const std::string_view cell = CellOf(cells, columns[i]);
            double v = 0.0;
            if (!WholeNumber(cell, &v)) {
                ++st.skipped;
                continue;
            }
            if (st.count < kDecimalsSample)
                part->decimals[i].push_back(CellDecimals(cell));
            if (st.count == 0 || v < st.min) {
                st.min = v;
                st.minRow = row;
            }
            if (st.count == 0 || v > st.max) {
                st.max = v;
                st.maxRow = row;
            }
            ++st.count;
            part->sums[i] += v;
        }
    }
}

}  // namespace

std::vector<ChannelStats> RangeStatistics(const RecordTable& table, RowRange rows,
                                          const std::vector<int32_t>& columns, const Watch& watch,
                                          unsigned parts) {
    const int32_t begin = std::max(0, rows.begin);
    const int32_t end = std::max(begin, std::min(table.RowCount(), rows.end));
    const int32_t wanted = CellsWanted(table, columns);
    // The range in consecutive parts, the first read on this thread (it reports the progress),
    // the others each on a thread of its own; their results are joined in row order, so the
    // first row of an extreme and the decimals of the first cells are those one pass finds.
    if (parts == 0) {
        parts = end - begin < kShareRows
                    ? 1
                    : std::clamp(
                          std::thread::hardware_concurrency(), 1u,
                          std::min<unsigned>(
                              kMostParts, static_cast<unsigned>((end - begin) / (kShareRows / 2))));
    }
    std::vector<PartStats> results(parts);
    std::vector<std::thread> helpers;
    const auto partBegin = [&](unsigned k) {
        return begin + static_cast<int32_t>(int64_t{end - begin} * k / parts);
    };
    unsigned started = 1;
    try {
        for (; started < parts; ++started) {
            helpers.emplace_back([&, k = started] {
                storefs::HoldEndingSignals();
                YieldToTheWindow();
                ReadPart(table, partBegin(k), partBegin(k + 1), wanted, columns, watch, false,
                         &results[k]);
            });
        }
    } catch (const std::system_error&) {
        // No thread to be had: the parts left are read here.
    }
    ReadPart(table, partBegin(0), partBegin(1), wanted, columns, watch, true, &results[0]);
    for (unsigned k = started; k < parts; ++k)
        ReadPart(table, partBegin(k), partBegin(k + 1), wanted, columns, watch, false, &results[k]);
    for (std::thread& helper : helpers)
        helper.join();

    std::vector<ChannelStats> stats(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        ChannelStats& st = stats[i];
        st.column = columns[i];
        double sum = 0.0;
        int64_t sampled = 0;  // cells whose decimals are folded in
        for (const PartStats& part : results) {
            const ChannelStats& p = part.stats[i];
            st.skipped += p.skipped;
            if (p.count == 0)
                continue;
            // Strictly beyond: on a tie the earlier part's row stays.
            if (st.count == 0 || p.min < st.min) {
                st.min = p.min;
                st.minRow = p.minRow;
            }
            if (st.count == 0 || p.max > st.max) {
                st.max = p.max;
                st.maxRow = p.maxRow;
            }
            // The decimals of the range's first cells, folded as one pass folds them.
            for (int32_t d : part.decimals[i]) {
                if (sampled == kDecimalsSample)
                    break;
                st.decimals =
                    sampled++ == 0 ? d : (st.decimals < 0 || d < 0 ? -1 : std::max(st.decimals, d));
            }
            st.count += p.count;
            sum += part.sums[i];
        }
        if (st.count == 0)
            continue;
        // A sum is one addition a cell where a running mean takes two divisions; only a sum that
        // left the double range needs the running mean.
        st.mean = std::isfinite(sum) ? sum / static_cast<double>(st.count)
                                     : RunningMean(table, begin, end, wanted, st.column);
        // The decimals were read from the first cells; the extremes may show more.
        if (st.count > kDecimalsSample) {
            TakeDecimals(&st, table.Cell(st.minRow, st.column));
            TakeDecimals(&st, table.Cell(st.maxRow, st.column));
        }
    }
    return stats;
}

std::vector<Envelope> PointEnvelopes(const RecordTable& table, const std::vector<int32_t>& starts,
                                     int32_t end, const std::vector<int32_t>& columns,
                                     const Watch& watch) {
    std::vector<Envelope> envelopes(columns.size());
    const int32_t pointCount = static_cast<int32_t>(starts.size());
    if (pointCount <= 0)
        return envelopes;
    // A point none of whose rows holds a number keeps NaN: its band breaks there.
    for (Envelope& e : envelopes) {
        e.low.assign(static_cast<size_t>(pointCount), std::numeric_limits<float>::quiet_NaN());
        e.high.assign(static_cast<size_t>(pointCount), std::numeric_limits<float>::quiet_NaN());
    }
    std::vector<char> seen(columns.size());
    const int32_t rowCount = table.RowCount();
    const int32_t wanted = CellsWanted(table, columns);
    std::vector<std::string_view> cells;
    int32_t sinceLook = 0;
    for (int32_t p = 0; p < pointCount; ++p) {
        const int64_t from = starts[static_cast<size_t>(p)];
        int64_t to = p == pointCount - 1
                         ? std::max<int64_t>(end, from + 1)
                         : std::max<int64_t>(starts[static_cast<size_t>(p) + 1], from + 1);
        to = std::min<int64_t>(to, rowCount);
        if ((sinceLook += static_cast<int32_t>(std::max<int64_t>(0, to - from))) >= kWatchRows) {
            sinceLook = 0;
            if (Look(watch, 0, pointCount, p))
                return envelopes;
        }
        std::fill(seen.begin(), seen.end(), 0);
        for (int64_t row = std::max<int64_t>(0, from); row < to; ++row) {
            table.RowCells(static_cast<int32_t>(row), wanted, &cells);
            for (size_t i = 0; i < columns.size(); ++i) {
                const float v = CellNumber(CellOf(cells, columns[i]));
                if (std::isnan(v))
                    continue;
                Envelope& e = envelopes[i];
                const size_t at = static_cast<size_t>(p);
                if (!seen[i]) {
                    e.low[at] = e.high[at] = v;
                    seen[i] = 1;
                } else {
                    e.low[at] = std::min(e.low[at], v);
                    e.high[at] = std::max(e.high[at], v);
                }
            }
        }
    }
    return envelopes;
}

std::vector<Envelope> EnvelopesBeforeGaps(const RecordTable& table,
                                          const std::vector<int32_t>& starts, int32_t end,
                                          const std::vector<int32_t>& columns,
                                          const std::vector<GapPoint>& gaps, int32_t recordSeconds,
                                          const Watch& watch) {
    std::vector<Envelope> envelopes = PointEnvelopes(table, starts, end, columns, watch);
    for (const GapPoint& gap : gaps) {
        const int32_t cut = RowsBeforeStop(table, gap.rows, recordSeconds);
        if (cut <= gap.rows.begin || cut >= gap.rows.end || gap.point < 0 ||
            static_cast<size_t>(gap.point) >= starts.size())
            continue;
        const std::vector<Envelope> near = PointEnvelopes(table, {gap.rows.begin}, cut, columns);
        for (size_t i = 0; i < envelopes.size(); ++i) {
            envelopes[i].low[static_cast<size_t>(gap.point)] = near[i].low[0];
            envelopes[i].high[static_cast<size_t>(gap.point)] = near[i].high[0];
        }
    }
    return envelopes;
}

int32_t RowsBeforeStop(const RecordTable& table, RowRange rows, int32_t recordSeconds) {
    const int32_t end = std::min(rows.end, table.RowCount());
    const uint64_t longest =
        uint64_t{3} * static_cast<uint64_t>(std::max(1, recordSeconds)) * kFileTimeUnitsPerSecond;
    uint64_t before = 0;
    for (int32_t row = std::max(0, rows.begin); row < end; ++row) {
        CalendarTime t;
        uint64_t now = 0;
        if (!ParseRowTime(table.Cell(row, 0), &t) || !CalendarToFileTime(t, &now))
            return row;
        // Seconds are compared, as the line breaks compare them.
        now -= now % kFileTimeUnitsPerSecond;
        if (row > rows.begin && (now < before || now - before > longest))
            return row;
        before = now;
    }
    return rows.end;
}

std::vector<int32_t> LineBreaks(const std::vector<int64_t>& times, int32_t recordSeconds,
                                int32_t stride) {
    std::vector<int32_t> breaks;
    if (recordSeconds <= 0 || stride <= 0)
        return breaks;
    const int64_t longest = int64_t{3} * recordSeconds * stride;
    for (size_t p = 1; p < times.size(); ++p) {
        const int64_t before = times[p - 1];
        const int64_t now = times[p];
        // A clock set back would draw the line backwards over what is already there.
        if (before < 0 || now < 0 || now < before || now - before > longest)
            breaks.push_back(static_cast<int32_t>(p));
    }
    return breaks;
}

bool SecondsBetween(const CalendarTime& a, const CalendarTime& b, int64_t* seconds) {
    uint64_t fa = 0;
    uint64_t fb = 0;
    if (!CalendarToFileTime(a, &fa) || !CalendarToFileTime(b, &fb))
        return false;
    const int64_t sa = static_cast<int64_t>(fa / kFileTimeUnitsPerSecond);
    const int64_t sb = static_cast<int64_t>(fb / kFileTimeUnitsPerSecond);
    *seconds = sb - sa;
    return true;
}

std::string DeltaTimeText(int64_t seconds) {
    const bool negative = seconds < 0;
    // Taken apart as unsigned, so the most negative value does not overflow.
    uint64_t s = negative ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
    const uint64_t days = s / 86400;
    s %= 86400;
    char text[64];
    if (days > 0) {
        std::snprintf(text, sizeof text, "%s%" PRIu64 "d %02u:%02u:%02u", negative ? "-" : "", days,
                      unsigned(s / 3600), unsigned(s / 60 % 60), unsigned(s % 60));
    } else {
        std::snprintf(text, sizeof text, "%s%02u:%02u:%02u", negative ? "-" : "",
                      unsigned(s / 3600), unsigned(s / 60 % 60), unsigned(s % 60));
    }
    return std::string("\xCE\x94t = ") + text;
}

std::string PanelNumber(double value) {
    if (std::isnan(value))
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

int32_t CellDecimals(std::string_view cell) {
    // Read from the end, which finds the decimals of the usual cell ("52.63") in a few steps:
    // this runs for every cell of the statistics' range.
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t end = cell.size();
    while (end > 0 && (cell[end - 1] == '\r' || cell[end - 1] == ' ' || cell[end - 1] == '\t'))
        --end;
    size_t i = end;
    while (i > 0 && digit(cell[i - 1]))
        --i;
    if (i > 0 && cell[i - 1] == '.')
        return static_cast<int32_t>(end - i);
    if (i > 0 && (cell[i - 1] == '+' || cell[i - 1] == '-'))
        --i;
    if (i >= 2 && i < end && (cell[i - 1] == 'e' || cell[i - 1] == 'E') &&
        (digit(cell[i - 2]) || cell[i - 2] == '.'))
        return -1;
    return 0;
}

std::string PanelValue(double value, int32_t decimals) {
    if (decimals < 0 || !std::isfinite(value))
        return PanelNumber(value);
    decimals = std::min(decimals, 15);
    // Beyond the fifteenth significant digit a double holds noise, and a fixed form of a huge
    // value would run to hundreds of digits: such values keep the short form.
    if (std::fabs(value) >= 1e15)
        return PanelNumber(value);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", int(decimals), value);
    std::string shown = text;
    // A value that rounds to zero shows no sign: "-0.00" would read as a value below zero.
    if (shown[0] == '-' && shown.find_first_of("123456789") == std::string::npos)
        shown.erase(0, 1);
    return shown;
}

std::string PanelDifference(double a, double b) {
    double d = b - a;
    const double larger = std::max(std::fabs(a), std::fabs(b));
    if (larger > 0 && std::isfinite(larger) && std::isfinite(d)) {
        // The decimals of the larger value's sixth significant digit: digits past it are the
        // noise of single-precision samples (28.15 - 27.7 is not 0.449999).
        const int decimals = 5 - static_cast<int>(std::floor(std::log10(larger)));
        if (decimals > 0 && decimals < 300) {
            const double scale = std::pow(10.0, decimals);
            d = std::round(d * scale) / scale;
        }
    }
    return PanelNumber(d);
}

namespace {

bool IsSet(const CalendarTime& t) {
    return t.year != 0 || t.month != 0 || t.day != 0;
}

std::string TimeText(const CalendarTime& t) {
    if (!IsSet(t))
        return std::string();
    return CalendarTimeText(t);
}

}  // namespace

std::vector<std::string> PanelCaptions(bool hasB, const PanelTexts& texts) {
    std::vector<std::string> c = {texts.channel, "A"};
    if (hasB) {
        c.push_back("B");
        c.push_back("B-A");
    }
    for (const std::string* s : {&texts.min, &texts.minTime, &texts.max, &texts.maxTime,
                                 &texts.mean, &texts.records, &texts.skipped})
        c.push_back(*s);
    return c;
}

std::vector<std::vector<std::string>> PanelCells(const PanelContents& contents) {
    std::vector<std::vector<std::string>> rows;
    for (const PanelChannel& c : contents.channels) {
        // Every number of a channel with the decimals of its cells, so that the panel reads
        // like the report; without them (no cells, or an exponent) in the short form.
        const int32_t decimals = c.stats.decimals;
        std::vector<std::string> r = {c.name, PanelValue(c.atA, decimals)};
        if (contents.hasB) {
            r.push_back(PanelValue(c.atB, decimals));
            // The values are plotted floats: their difference as a float shows no digits they lack.
            r.push_back(decimals >= 0 ? PanelValue(c.atB - c.atA, decimals)
                                      : PanelDifference(c.atA, c.atB));
        }
        const bool any = c.stats.count > 0 && !contents.computing;
        r.push_back(any ? PanelValue(c.stats.min, decimals) : std::string());
        r.push_back(any ? TimeText(c.minTime) : std::string());
        r.push_back(any ? PanelValue(c.stats.max, decimals) : std::string());
        r.push_back(any ? TimeText(c.maxTime) : std::string());
        r.push_back(any ? PanelValue(c.stats.Mean(), decimals) : std::string());
        r.push_back(contents.computing ? std::string() : std::to_string(c.stats.count));
        r.push_back(contents.computing ? std::string() : std::to_string(c.stats.skipped));
        rows.push_back(std::move(r));
    }
    return rows;
}

std::string PanelHeadline(const PanelContents& contents) {
    std::string line = contents.texts.range + " " + TimeText(contents.rangeFrom) + " - " +
                       TimeText(contents.rangeTo);
    if (contents.computing && contents.progress >= 0)
        line +=
            " (" + contents.texts.computing + " " + std::to_string(contents.progress / 10) + "%)";
    line += "    A: " + TimeText(contents.timeA);
    if (contents.hasB) {
        line += "    B: " + TimeText(contents.timeB);
        int64_t seconds = 0;
        if (SecondsBetween(contents.timeA, contents.timeB, &seconds))
            line += "    " + DeltaTimeText(seconds);
    }
    return line;
}

std::string PanelText(const PanelContents& contents) {
    std::string text = PanelHeadline(contents) + "\n";
    auto append = [&text](const std::vector<std::string>& fields) {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += '\t';
            text += fields[i];
        }
        text += '\n';
    };
    append(PanelCaptions(contents.hasB, contents.texts));
    for (const std::vector<std::string>& r : PanelCells(contents))
        append(r);
    return text;
}

void YieldToTheWindow() {
#ifdef __linux__
    // On Linux a thread has a nice value of its own.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
#endif
}
