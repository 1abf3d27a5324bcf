// The chart's series each on its own scale: their ranges, the Y axis of the chosen series, and the
// points the charting component draws.
#include <QAreaSeries>
#include <QChart>
#include <QHash>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
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
    ownScales_ = on && chart_ != nullptr;
    if (ownScales_) {
        ApplyOwnScales();
        return;
    }
    scales_.Clear();
    if (!was || chart_ == nullptr)
        return;
    // Back to one scale: the chart's series take their true points again.
    for (int i = 0; i < series_.size(); ++i)
        series_[i]->replace(Plottable(data_[i]));
    for (auto it = envelopes_.begin(); it != envelopes_.end(); ++it) {
        it.value()->upperSeries()->replace(bands_.value(it.key()).second);
        it.value()->lowerSeries()->replace(bands_.value(it.key()).first);
    }
    yAxis_->setTitleText(yLabel_);
    SetColors(background_, foreground_);
    autoRangeDirty_ = true;
}

void ChartAdapter::SetScaleSeries(int series) {
    scaleSeries_ = series;
    if (!ownScales_)
        return;
    ApplyOwnScales();
    if (view_ != nullptr)
        view_->viewport()->update();
}

QList<QPointF> ChartAdapter::ShownSeriesData(int series) const {
    QList<QPointF> points = data_.value(series);
    for (QPointF& p : points)
        p.setY(scales_.Shown(series, p.y()));
    return points;
}

QString ChartAdapter::YAxisTitle() const {
    return yAxis_ != nullptr ? yAxis_->titleText() : QString();
}

void ChartAdapter::ApplyOwnScales() {
    if (yAxis_ == nullptr)
        return;
    autoRangeDirty_ = false;
    const int count = SeriesCount();
    std::vector<ScaleRange> ranges(static_cast<size_t>(count));
    if (yScaleMode_ == 1) {
        // The axis holds the manual range: every series is scaled to it.
        ranges.assign(ranges.size(), ScaleRange::Of(yAxis_->min(), yAxis_->max()));
    } else {
        // The points in the shown span, bands included, as the automatic range takes them.
        const double lo = XMin();
        const double hi = XMax();
        auto take = [lo, hi](ScaleRange* range, const QList<QPointF>& line) {
            for (const QPointF& p : line) {
                if (p.x() >= lo && p.x() <= hi)
                    range->Include(p.y());
            }
        };
        for (int i = 0; i < count; ++i) {
            ScaleRange& range = ranges[static_cast<size_t>(i)];
            take(&range, data_[i]);
            const auto band = bands_.constFind(i);
            if (band != bands_.constEnd()) {
                take(&range, band->first);
                take(&range, band->second);
            }
        }
    }
    scales_.Set(ranges, scaleSeries_);
    if (yScaleMode_ == 0 && scales_.On()) {
        // Rounded on an axis of no chart, so the chart lays its series out once, not twice.
        const ScaleRange chosen = scales_.Range(scales_.Chosen());
        QValueAxis nice;
        nice.setTickCount(yAxis_->tickCount());
        nice.setRange(chosen.min, chosen.max);
        nice.applyNiceNumbers();
        if (nice.min() != yAxis_->min() || nice.max() != yAxis_->max()) {
            yAxis_->setRange(nice.min(), nice.max());
            SetManualYGrid(manualYGrid_, yGridSpacing_);
        }
    }
    // Where the view draws the lines itself, it maps them as it draws.
    if (!DrawsLinesItself()) {
        for (int i = 0; i < series_.size(); ++i)
            series_[i]->replace(ShownSeriesData(i));
        for (auto it = envelopes_.begin(); it != envelopes_.end(); ++it) {
            const int series = it.key();
            auto shown = [this, series](QList<QPointF> line) {
                for (QPointF& p : line)
                    p.setY(scales_.Shown(series, p.y()));
                return line;
            };
            it.value()->upperSeries()->replace(shown(bands_.value(series).second));
            it.value()->lowerSeries()->replace(shown(bands_.value(series).first));
        }
    }
    // The axis in the chosen series' colour and under its name; in the foreground colour when
    // that would hardly stand out from the background (yellow on white).
    const int chosen = scales_.Chosen();
    const QColor color =
        Contrasts(SeriesColor(chosen), background_) ? SeriesColor(chosen) : foreground_;
    const QString title = scaleNames_.value(chosen, names_.value(chosen));
    if (yAxis_->titleText() != title || yAxis_->labelsColor() != color) {
        yAxis_->setTitleText(title);
        yAxis_->setTitleBrush(color);
        yAxis_->setLabelsColor(color);
        yAxis_->setLinePenColor(color);
    }
}

void ChartAdapter::ConnectLegendClicks() {
    QHash<const QAbstractSeries*, int> index;
    for (int i = 0; i < series_.size(); ++i)
        index.insert(series_[i], i);
    for (QLegendMarker* marker : chart_->legend()->markers()) {
        const int i = index.value(marker->series(), -1);
        if (i < 0)
            continue;
        connect(marker, &QLegendMarker::clicked, this, [this, i] {
            if (!ownScales_)
                return;
            SetScaleSeries(i);
            emit ScaleSeriesChosen(i);
        });
    }
}
