// What draws a span of a group's records in the pixel columns of a plot: per channel, each run
// of its line within a column with that run's first, lowest, highest and last number, and per
// column the record count and the cells that held no number.
#pragma once

#include <cstdint>
#include <vector>

#include "folder_records.h"
#include "folder_summary.h"

// A span of time cut into pixel columns as a plot's X axis cuts it: an axis from `from` to `to`
// (seconds after origin) onto the pixels 0 to columns. The record at time t lies in column
// floor((double(t - origin) - from) * (columns / (to - from))), the arithmetic of the plot's
// AxisMap::Pixel with start 0 and length columns; records outside columns 0 to columns - 1 are
// not in the span.
struct ColumnSpan {
    SummarySeconds origin = 0;
    double from = 0.0;
    double to = 1.0;
    int columns = 1;
    // The axis' first pixel, a whole number: the plot's own left edge, so that the sums run as
    // the plot runs them when it draws and a time on a column's edge falls where it is drawn.
    double start = 0.0;

    int ColumnOf(SummarySeconds t) const;
};

// A run of one channel's line within one column: numbers of records with no break between them,
// in record order. A column holds one run per channel unless the line breaks inside it.
struct ColumnRun : SummaryRun {
    int32_t column = 0;
    // The line breaks between the channel's number before this run (in the span) and the run's
    // first: by the curve view's rule for a true time axis, a gap of more than three record
    // intervals, a clock set back, or a record between them whose cell held no number. True for
    // the first run of a channel in the span.
    bool breakBefore = false;

    bool operator==(const ColumnRun& o) const;
};

struct SummaryColumns {
    int columns = 0;
    int channels = 0;
    std::vector<SummarySeconds> edges;  // columns + 1: column c holds [edges[c], edges[c + 1])
    std::vector<uint32_t> records;      // per column
    std::vector<uint32_t> nonNumbers;   // column * channels + channel
    // Per column: 1 when a folder of its time is not summarised yet; its records are left out.
    std::vector<uint8_t> pending;
    std::vector<std::vector<ColumnRun>> runs;  // per channel, in record order
    uint64_t recordsRead = 0;                  // records read from the store rather than summaries

    void Reset(const ColumnSpan& span, int channelCount);
};

// Gathers records and summarised buckets, in record order, into columns.
class ColumnGatherer {
  public:
    ColumnGatherer(SummaryColumns* out, uint32_t interval) : out_(out), interval_(interval) {
        open_.assign(static_cast<size_t>(out->channels), 0);
        startsClean_.assign(static_cast<size_t>(out->channels), 0);
    }

    // One record in column `column`.
    void AddRecord(int column, const RecordCells& r);
    // A bucket whose records all lie in `column`; runs are its level's pieces of the lines that
    // break inside a bucket.
    void AddBucket(int column, uint32_t records, SummarySeconds firstAt, SummarySeconds lastAt,
                   const struct SummaryCell* cells, const struct SummaryRun* runs);
    // Records passed over (not in the span, or not read): the lines break across them.
    void Break();

    // Appends what `later` gathered into its own SummaryColumns of the same span, from its
    // first column on (its columns follow all of this one's), as if this gatherer had gone on
    // through them: the first run of a channel there breaks only where it would have broken.
    void Join(const ColumnGatherer& later, int firstColumn);

  private:
    // Notes the first record's time; true for the first record or bucket of all.
    bool Begin(SummarySeconds t);
    // The run of a channel's runs to add to: its last, when in the column and nothing breaks,
    // else a new one (count 0). Inline: it runs for every channel of every record and bucket.
    static ColumnRun* RunIn(std::vector<ColumnRun>* runs, int column, bool breaks) {
        if (!breaks && !runs->empty() && runs->back().column == column)
            return &runs->back();
        return NewRun(runs, column, breaks);
    }
    static ColumnRun* NewRun(std::vector<ColumnRun>* runs, int column, bool breaks);
    // Adds a piece of a channel's line to its runs.
    static void AddPiece(std::vector<ColumnRun>* runs, int column, bool breaks,
                         const struct SummaryRun& piece);

    SummaryColumns* out_;
    uint32_t interval_;
    bool haveLast_ = false;
    SummarySeconds last_ = 0;
    std::vector<uint8_t> open_;  // per channel: the last record held a number and nothing broke
    // How this gatherer began, for Join: the time of its first record (when nothing came
    // before it), and per channel whether its first run started at that record, so that its
    // break came only from knowing nothing before it.
    bool seen_ = false;
    bool firstAtStart_ = false;
    SummarySeconds first_ = 0;
    std::vector<uint8_t> startsClean_;
};
