// A span of time cut into the pixel columns of a plot, and per channel what draws the same line
// as every record there: for each run of a line within one column, its first, lowest, highest
// and last value with their times. Filled one record at a time, in the order the store keeps
// them, from the store itself or from summaries of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "plot_map.h"
#include "summary_columns.h"

// Seconds of the panel's local calendar since 1601-01-01, as CalendarToFileTime counts them, and
// a run of one channel's line within one pixel column: the values of consecutive records with no
// break between them, with its first, lowest, highest and last. The summaries of the store give
// their columns in the same form.
using TrendSeconds = SummarySeconds;
using TrendRun = ColumnRun;

class TrendColumns {
  public:
    // The pixel columns of an X axis whose values are seconds after origin: the record at t
    // falls in the column floor(map.Pixel(t - origin)), worked out as the plot works it out when
    // it draws, so that each value lands in the column it is drawn in. Columns are counted from
    // floor(map.start), map.length of them. The line breaks as the curve view's true time axis
    // breaks it: after a gap of more than three record intervals (recordSeconds) or a clock set
    // back, and at a cell that is not a number.
    TrendColumns(const AxisMap& map, TrendSeconds origin, int channels, int32_t recordSeconds);

    // The whole seconds that can fall in a column: [From(), To()].
    TrendSeconds From() const;
    TrendSeconds To() const;
    TrendSeconds Origin() const { return origin_; }
    const AxisMap& Map() const { return map_; }
    int Columns() const { return columns_; }
    int Channels() const { return channels_; }
    // The column of a time, -1 outside the span.
    int ColumnOf(TrendSeconds t) const;
    // The X values [first, second) a column stands for.
    std::pair<double, double> ColumnSpan(int column) const;

    // Takes a record in: its time and one value per channel (NaN for a cell that is not a
    // number). Records outside the span are passed over, but still end the line before them.
    void Add(TrendSeconds t, const double* values);
    // Takes the columns as another reading made them (summaries of the store): the record count
    // of each column, each channel's runs in record order, and the cells that held no number.
    void Assign(std::vector<uint32_t> records, std::vector<std::vector<TrendRun>> runs,
                uint64_t skipped);

    const std::vector<TrendRun>& Runs(int channel) const {
        return runs_[static_cast<size_t>(channel)];
    }
    // Records in a column, and the cells of a channel there that are not numbers.
    uint32_t Records(int column) const { return records_[static_cast<size_t>(column)]; }
    uint64_t Skipped() const { return skipped_; }
    uint64_t Total() const { return total_; }

  private:
    static constexpr TrendSeconds kNone = std::numeric_limits<TrendSeconds>::min();

    AxisMap map_;
    TrendSeconds origin_;
    int firstColumn_;
    int columns_;
    int channels_;
    int64_t longestGap_;
    std::vector<uint32_t> records_;
    std::vector<std::vector<TrendRun>> runs_;
    std::vector<char> broken_;  // per channel: the next value starts a new piece of line
    TrendSeconds lastRecord_ = kNone;
    uint64_t skipped_ = 0;
    uint64_t total_ = 0;
};
