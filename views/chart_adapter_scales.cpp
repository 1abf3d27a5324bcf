// The chart's series each on its own scale: their ranges and the Y axis of the chosen series.
#include <cstdlib>
#include <vector>

#include "chart_adapter.h"

namespace {

// Brightness as the eye takes it, 0..255.
int Luma(const QColor& c) {
    return (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000;
}

// True when text in colour reads well on background: their brightness lies well apart (not so
// yellow or cyan on white).
bool Contrasts(const QColor& colour, const QColor& background) {
    constexpr int kLeastLumaGap = 80;
    return std::abs(Luma(colour) - Luma(background)) >= kLeastLumaGap;
}

}  // namespace

void ChartAdapter::SetOwnScales(bool on, const QStringList& names, int chosen) {
    scaleNames_ = names;
    scaleSeries_ = chosen;
    const bool was = ownScales_;
    ownScales_ = on && view_ != nullptr;
    if (ownScales_) {
        ApplyOwnScales();
        return;
    }
    scales_.Clear();
    if (!was)
        return;
    // Back to one scale: the axis takes the data's range, title and colours again.
    scene_.yTitle = yLabel_;
    scene_.yAxisColor = QColor();
    if (yScaleMode_ == 1) {
        scene_.yMin = yFixedMin_;
        scene_.yMax = yFixedMax_;
    }
    autoRangeDirty_ = true;
    Changed();
}

void ChartAdapter::SetScaleSeries(int series) {
    scaleSeries_ = series;
    if (!ownScales_)
        return;
    ApplyOwnScales();
    if (view_ != nullptr)
        view_->update();
}

QList<QPointF> ChartAdapter::ShownSeriesData(int series) const {
    QList<QPointF> points = SeriesData(series);
    for (QPointF& p : points)
        p.setY(scales_.Shown(series, p.y()));
    return points;
}

QString ChartAdapter::YAxisTitle() const {
    return scene_.yTitle;
}

QColor ChartAdapter::YAxisColor() const {
    return scene_.yAxisColor.isValid() ? scene_.yAxisColor : foreground_;
}

void ChartAdapter::ApplyOwnScales() const {
    autoRangeDirty_ = false;
    const int count = SeriesCount();
    std::vector<ScaleRange> ranges(static_cast<size_t>(count));
    if (yScaleMode_ == 1) {
        // The axis holds the manual range: every series is scaled to it.
        ranges.assign(ranges.size(), ScaleRange::Of(yFixedMin_, yFixedMax_));
    } else {
        // The points in the shown span, bands included, as the automatic range takes them.
        const double lo = scene_.xMin;
        const double hi = scene_.xMax;
        auto take = [lo, hi](ScaleRange* range, const QList<QPointF>& line) {
            for (const QPointF& p : line) {
                if (p.x() >= lo && p.x() <= hi)
                    range->Include(p.y());
            }
        };
        for (int i = 0; i < count; ++i) {
            ScaleRange& range = ranges[static_cast<size_t>(i)];
            const PlotSeries& s = scene_.series[i];
            take(&range, s.points);
            take(&range, s.low);
            take(&range, s.high);
        }
    }
    scales_.Set(ranges, scaleSeries_);
    if (yScaleMode_ == 0 && scales_.On()) {
        // The axis rounds the chosen series' range to whole steps, as any automatic range.
        const ScaleRange chosen = scales_.Range(scales_.Chosen());
        scene_.yAuto = true;
        scene_.yMin = chosen.min;
        scene_.yMax = chosen.max;
    }
    // The axis in the chosen series' colour and under its name; in the foreground colour when
    // that would hardly stand out from the background (yellow on white).
    const int chosen = scales_.Chosen();
    scene_.yAxisColor =
        Contrasts(SeriesColor(chosen), background_) ? SeriesColor(chosen) : foreground_;
    scene_.yTitle = scaleNames_.value(chosen, SeriesLabel(chosen));
    Changed();
}
