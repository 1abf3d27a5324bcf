#include "trend_columns.h"

#include <algorithm>
#include <cmath>

TrendColumns::TrendColumns(const AxisMap& map, TrendSeconds origin, int channels,
                           int32_t recordSeconds)
    : map_(map),
      origin_(origin),
      firstColumn_(static_cast<int>(std::floor(map.start))),
      columns_(std::max(1, static_cast<int>(std::lround(std::abs(map.length))))),
      channels_(std::max(0, channels)),
      longestGap_(int64_t{3} * std::max<int32_t>(1, recordSeconds)),
      records_(static_cast<size_t>(columns_), 0),
      runs_(static_cast<size_t>(channels_)),
      broken_(static_cast<size_t>(channels_), 1) {}

TrendSeconds TrendColumns::From() const {
    return origin_ + static_cast<TrendSeconds>(std::floor(std::min(map_.from, map_.to)));
}

TrendSeconds TrendColumns::To() const {
    return origin_ + static_cast<TrendSeconds>(std::ceil(std::max(map_.from, map_.to)));
}

int TrendColumns::ColumnOf(TrendSeconds t) const {
    // The very arithmetic of the plot's PixelColumns: a value on a column's edge lands where it
    // is drawn.
    const double pixel = std::floor(map_.Pixel(static_cast<double>(t - origin_)));
    if (!(pixel >= firstColumn_ && pixel < firstColumn_ + columns_))
        return -1;
    return static_cast<int>(pixel) - firstColumn_;
}

std::pair<double, double> TrendColumns::ColumnSpan(int column) const {
    return {map_.Value(firstColumn_ + column), map_.Value(firstColumn_ + column + 1)};
}

void TrendColumns::Assign(std::vector<uint32_t> records, std::vector<std::vector<TrendRun>> runs,
                          uint64_t skipped) {
    if (records.size() != records_.size() || runs.size() != runs_.size())
        return;
    records_ = std::move(records);
    runs_ = std::move(runs);
    skipped_ = skipped;
    total_ = 0;
    for (uint32_t r : records_)
        total_ += r;
}

void TrendColumns::Add(TrendSeconds t, const double* values) {
    // A gap or a clock set back breaks every line, whether or not the record is shown.
    const bool gap = lastRecord_ != kNone && (t < lastRecord_ || t - lastRecord_ > longestGap_);
    lastRecord_ = t;
    if (gap)
        std::fill(broken_.begin(), broken_.end(), 1);
    const int column = ColumnOf(t);
    if (column < 0) {
        // Outside the span: what lies beyond is not drawn, so the line does not run on to it.
        std::fill(broken_.begin(), broken_.end(), 1);
        return;
    }
    ++records_[static_cast<size_t>(column)];
    ++total_;
    for (int c = 0; c < channels_; ++c) {
        const double v = values[c];
        char& broken = broken_[static_cast<size_t>(c)];
        if (std::isnan(v)) {
            ++skipped_;
            broken = 1;
            continue;
        }
        std::vector<TrendRun>& runs = runs_[static_cast<size_t>(c)];
        if (broken || runs.empty() || runs.back().column != column) {
            runs.emplace_back();
            runs.back().column = column;
            runs.back().breakBefore = broken != 0;
            broken = 0;
        }
        AddNumber(&runs.back(), v, t);
    }
}
