#include "summary_columns.h"

#include <cmath>

#include "folder_summary.h"

int ColumnSpan::ColumnOf(SummarySeconds t) const {
    const double pixel = start + (static_cast<double>(t - origin) - from) * (columns / (to - from));
    const double column = std::floor(pixel) - start;
    if (!(column >= 0.0) || column >= columns)
        return -1;
    return static_cast<int>(column);
}

bool ColumnRun::operator==(const ColumnRun& o) const {
    return column == o.column && breakBefore == o.breakBefore && SummaryRun::operator==(o);
}

void SummaryColumns::Reset(const ColumnSpan& span, int channelCount) {
    columns = span.columns;
    channels = channelCount;
    const size_t n = static_cast<size_t>(columns);
    records.assign(n, 0);
    nonNumbers.assign(n * static_cast<size_t>(channels), 0);
    pending.assign(n, 0);
    runs.assign(static_cast<size_t>(channels), {});
    recordsRead = 0;
    // The first whole second of each column: ColumnOf rises with t, so a guess from the axis'
    // arithmetic is moved to the exact edge a second at a time.
    edges.assign(n + 1, 0);
    const double perColumn = (span.to - span.from) / columns;
    for (size_t c = 0; c <= n; ++c) {
        const double x = span.from + perColumn * static_cast<double>(c);
        SummarySeconds t = span.origin + static_cast<SummarySeconds>(std::ceil(x));
        const auto at = [&](SummarySeconds s) {
            const double p = span.start + (static_cast<double>(s - span.origin) - span.from) *
                                              (columns / (span.to - span.from));
            return p;
        };
        const double edge = span.start + static_cast<double>(c);
        while (at(t - 1) >= edge)
            --t;
        while (at(t) < edge)
            ++t;
        edges[c] = t;
    }
}

ColumnRun* ColumnGatherer::NewRun(std::vector<ColumnRun>* runs, int column, bool breaks) {
    runs->emplace_back();
    runs->back().column = column;
    runs->back().breakBefore = breaks;
    return &runs->back();
}

void ColumnGatherer::AddRecord(int column, const RecordCells& r) {
    const bool atStart = Begin(r.time);
    const bool gap = haveLast_ && RecordsBreak(last_, r.time, interval_);
    haveLast_ = true;
    last_ = r.time;
    ++out_->records[static_cast<size_t>(column)];
    ++out_->recordsRead;
    // Everything the loop reads through a pointer is taken into locals first: the one-byte
    // flags it writes could alias anything else, which would be read again at every channel.
    const size_t channels = static_cast<size_t>(out_->channels);
    uint32_t* const nonNumbers = out_->nonNumbers.data() + static_cast<size_t>(column) * channels;
    std::vector<ColumnRun>* const runs = out_->runs.data();
    uint8_t* const open = open_.data();
    uint8_t* const startsClean = startsClean_.data();
    const double* const values = r.values;
    const uint8_t* const numeric = r.numeric;
    const SummarySeconds time = r.time;
    for (size_t ch = 0; ch < channels; ++ch) {
        if (!numeric[ch]) {
            ++nonNumbers[ch];
            open[ch] = 0;
            continue;
        }
        std::vector<ColumnRun>& channelRuns = runs[ch];
        if (channelRuns.empty())
            startsClean[ch] = atStart;
        AddNumber(RunIn(&channelRuns, column, gap || !open[ch]), values[ch], time);
        open[ch] = 1;
    }
}

void ColumnGatherer::AddPiece(std::vector<ColumnRun>* runs, int column, bool breaks,
                              const SummaryRun& c) {
    ColumnRun* run = RunIn(runs, column, breaks);
    if (run->count == 0)
        static_cast<SummaryRun&>(*run) = c;
    else
        ExtendRun(run, c);
}

void ColumnGatherer::AddBucket(int column, uint32_t records, SummarySeconds firstAt,
                               SummarySeconds lastAt, const SummaryCell* cells,
                               const SummaryRun* runs) {
    const bool atStart = Begin(firstAt);
    const bool gap = haveLast_ && RecordsBreak(last_, firstAt, interval_);
    haveLast_ = true;
    last_ = lastAt;
    out_->records[static_cast<size_t>(column)] += records;
    // Locals, as in AddRecord.
    const size_t channels = static_cast<size_t>(out_->channels);
    uint32_t* const nonNumbers = out_->nonNumbers.data() + static_cast<size_t>(column) * channels;
    std::vector<ColumnRun>* const channelRuns = out_->runs.data();
    uint8_t* const open = open_.data();
    uint8_t* const startsClean = startsClean_.data();
    for (size_t ch = 0; ch < channels; ++ch) {
        const SummaryCell& c = cells[ch];
        nonNumbers[ch] += records - c.count;
        const bool endsOpen = (c.flags & kEndsWithValue) != 0;
        if (c.count > 0) {
            const bool startsWith = (c.flags & kStartsWithValue) != 0;
            const bool breaks = gap || !open[ch] || !startsWith;
            std::vector<ColumnRun>* const to = &channelRuns[ch];
            if (to->empty())
                startsClean[ch] = atStart && startsWith;
            if (c.runCount == 0) {
                AddPiece(to, column, breaks, c);
            } else {
                // The line breaks inside the bucket: each piece after the first starts anew.
                for (uint32_t k = 0; k < c.runCount; ++k)
                    AddPiece(to, column, k > 0 || breaks, runs[c.firstRun + k]);
            }
        }
        open[ch] = endsOpen ? 1 : 0;
    }
}

bool ColumnGatherer::Begin(SummarySeconds t) {
    if (seen_)
        return false;
    seen_ = firstAtStart_ = true;
    first_ = t;
    return true;
}

void ColumnGatherer::Join(const ColumnGatherer& later, int firstColumn) {
    SummaryColumns& to = *out_;
    const SummaryColumns& from = *later.out_;
    const size_t c0 = static_cast<size_t>(firstColumn);
    const size_t channels = static_cast<size_t>(to.channels);
    std::copy(from.records.begin() + c0, from.records.end(), to.records.begin() + c0);
    std::copy(from.pending.begin() + c0, from.pending.end(), to.pending.begin() + c0);
    std::copy(from.nonNumbers.begin() + c0 * channels, from.nonNumbers.end(),
              to.nonNumbers.begin() + c0 * channels);
    to.recordsRead += from.recordsRead;
    const bool gap =
        !haveLast_ || !later.firstAtStart_ || RecordsBreak(last_, later.first_, interval_);
    for (size_t ch = 0; ch < channels; ++ch) {
        std::vector<ColumnRun>& runs = to.runs[ch];
        const std::vector<ColumnRun>& more = from.runs[ch];
        const size_t at = runs.size();
        runs.insert(runs.end(), more.begin(), more.end());
        // The first run there began at its first record, not knowing what came before.
        if (!more.empty() && later.startsClean_[ch])
            runs[at].breakBefore = gap || !open_[ch];
    }
    if (later.seen_) {
        haveLast_ = later.haveLast_;
        last_ = later.last_;
        open_ = later.open_;
    }
}

void ColumnGatherer::Break() {
    seen_ = true;
    haveLast_ = false;
    std::fill(open_.begin(), open_.end(), 0);
}
