#include "channel_scales.h"

#include <algorithm>
#include <cmath>

#include "value_ticks.h"

void ScaleRange::Include(double value) {
    if (!std::isfinite(value))
        return;
    if (empty) {
        min = max = value;
        empty = false;
        return;
    }
    min = std::min(min, value);
    max = std::max(max, value);
}

ScaleRange ScaleRange::Of(double min, double max) {
    // Inverted limits stay inverted here: Set widens them as the chart does.
    ScaleRange r;
    if (std::isfinite(min) && std::isfinite(max)) {
        r.min = min;
        r.max = max;
        r.empty = false;
    }
    return r;
}

void ChannelScales::Clear() {
    ranges_.clear();
    chosen_ = 0;
}

void ChannelScales::Set(const std::vector<ScaleRange>& ranges, int chosen) {
    ranges_ = ranges;
    for (ScaleRange& r : ranges_) {
        if (r.empty)
            r.min = r.max = 0.0;
        WidenYRange(&r.min, &r.max);
        r.empty = false;
    }
    chosen_ = chosen >= 0 && chosen < Count() ? chosen : 0;
}

ScaleRange ChannelScales::Range(int series) const {
    if (!On())
        return ScaleRange();
    return ranges_[static_cast<size_t>(Valid(series) ? series : chosen_)];
}

double ChannelScales::Normalise(int series, double value) const {
    const ScaleRange r = Range(series);
    // Every range has height (Set widened it), so this never divides by zero.
    return On() ? (value - r.min) / (r.max - r.min) : value;
}

double ChannelScales::TrueValue(int series, double normalised) const {
    const ScaleRange r = Range(series);
    return On() ? r.min + normalised * (r.max - r.min) : normalised;
}

bool ChannelScales::SameAsChosen(int series) const {
    if (!Valid(series))
        return true;
    const ScaleRange& r = ranges_[static_cast<size_t>(series)];
    const ScaleRange& c = ranges_[static_cast<size_t>(chosen_)];
    // Exactly as they are, not through a division and back.
    return r.min == c.min && r.max == c.max;
}

double ChannelScales::Shown(int series, double value) const {
    return SameAsChosen(series) ? value : TrueValue(chosen_, Normalise(series, value));
}

double ChannelScales::FromShown(int series, double shown) const {
    return SameAsChosen(series) ? shown : TrueValue(series, Normalise(chosen_, shown));
}
