// The chart's axes: the point or time axis, the X and Y ranges and grids, the axis labels, zooms.
#include <algorithm>
#include <climits>
#include <cmath>

#include "chart_adapter.h"
#include "value_ticks.h"

namespace {

QString WithoutMark(const QString& text, const QString& mark) {
    return text.startsWith(mark) ? text.mid(mark.size()) : text;
}

}  // namespace

void ChartAdapter::SetPointAxis(const QList<double>& xs, const QList<int>& breaks) {
    pointX_ = xs;
    breaks_ = xs.isEmpty() ? QList<int>() : breaks;
    // Pieces run to the last point, however many there are when they are drawn.
    scene_.pieces.clear();
    int from = 0;
    for (int b : breaks_) {
        if (b <= from)
            continue;
        scene_.pieces.append({from, b});
        from = b;
    }
    if (!scene_.pieces.isEmpty())
        scene_.pieces.append({from, INT_MAX});
    SyncCursors();
    Changed(false);
}

double ChartAdapter::PointX(int point) const {
    if (pointX_.isEmpty())
        return point + 1;
    return pointX_.value(std::max(0, std::min<int>(point, pointX_.size() - 1)));
}

int ChartAdapter::NearestPoint(double x) const {
    if (pointCount_ <= 0)
        return -1;
    if (pointX_.isEmpty()) {
        const long nearest = std::lround(x) - 1;
        return static_cast<int>(std::max(0L, std::min<long>(pointCount_ - 1, nearest)));
    }
    // Searched through, not halved: a clock set back leaves the X values out of order.
    int best = 0;
    for (int p = 1; p < pointX_.size() && p < pointCount_; ++p) {
        if (std::abs(pointX_[p] - x) < std::abs(pointX_[best] - x))
            best = p;
    }
    return best;
}

bool ChartAdapter::PointsWithin(double min, double max, int* first, int* last) const {
    *first = *last = -1;
    for (int p = 0; p < pointCount_; ++p) {
        const double x = PointX(p);
        if (x < min || x > max)
            continue;
        if (*first < 0)
            *first = p;
        *last = p;
    }
    return *first >= 0;
}

QList<QPair<int, int>> ChartAdapter::PieceRanges() const {
    QList<QPair<int, int>> ranges;
    int from = 0;
    for (int b : breaks_) {
        if (b <= from || b >= pointCount_)
            continue;
        ranges.append({from, b});
        from = b;
    }
    ranges.append({from, pointCount_});
    return ranges;
}

int ChartAdapter::SeriesPieceCount(int series) const {
    return series >= 0 && series < SeriesCount() ? static_cast<int>(PieceRanges().size()) : 0;
}

void ChartAdapter::SetYScaleMode(int mode) {
    yScaleMode_ = mode == 1 ? 1 : 0;
    scene_.yAuto = yScaleMode_ == 0;
    if (!scene_.yAuto) {
        scene_.yMin = yFixedMin_;
        scene_.yMax = yFixedMax_;
    }
    autoRangeDirty_ = true;
    Changed();
}

void ChartAdapter::SetXRange(double min, double max) {
    xMin_ = scene_.xMin = min;
    xMax_ = scene_.xMax = max;
    Changed();
}

void ChartAdapter::SetYRange(double min, double max) {
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    WidenYRange(&min, &max);
    yFixedMin_ = min;
    yFixedMax_ = max;
    if (yScaleMode_ == 1) {
        scene_.yMin = min;
        scene_.yMax = max;
    }
    SetManualYGrid(manualYGrid_, yGridSpacing_);
}

void ChartAdapter::SetManualYGrid(bool on, double spacing) {
    // The axis steps from line to line: a spacing lost in its limits' precision would never
    // get to the top.
    manualYGrid_ = on && GridSpacingResolves(scene_.yMin, scene_.yMax, spacing);
    yGridSpacing_ = manualYGrid_ ? spacing : 0.0;
    scene_.manualYGrid = manualYGrid_;
    scene_.yGridSpacing = yGridSpacing_;
    Changed();
}

void ChartAdapter::SetGridMode(int mode) {
    gridMode_ = mode;
    scene_.xGrid = mode == 0 || mode == 2;
    scene_.yGrid = mode == 0 || mode == 1;
    Changed(false);
}

void ChartAdapter::SetTimeLabel(int index, double x, const QString& text) {
    timeLabels_.insert(index, text);
    timeLabelX_.insert(index, x);
    if (!zoomLabels_) {
        AppendAxisLabel(x, text);
        Changed();
    }
}

void ChartAdapter::AppendAxisLabel(double x, const QString& text) {
    const QString plain = WithoutMark(text, QStringLiteral("|h"));
    scene_.xLabels.append({x, plain});
    QString shown = plain.toHtmlEscaped();
    shown.replace(QChar('\n'), QStringLiteral("<br>"));
    axisLabels_.append({x, shown});
}

void ChartAdapter::ShowZoomLabels(const QMap<double, QString>& labels) {
    axisLabels_.clear();
    scene_.xLabels.clear();
    zoomLabels_ = !labels.isEmpty();
    if (zoomLabels_) {
        for (auto it = labels.begin(); it != labels.end(); ++it)
            AppendAxisLabel(it.key(), it.value());
    } else {
        for (auto it = timeLabels_.begin(); it != timeLabels_.end(); ++it)
            AppendAxisLabel(timeLabelX_.value(it.key()), it.value());
    }
    Changed();
}

QStringList ChartAdapter::AxisLabels() const {
    QStringList texts;
    for (const auto& label : axisLabels_)
        texts.append(label.second);
    return texts;
}

QStringList ChartAdapter::VisibleAxisLabels() const {
    QStringList texts;
    if (const PlotLayout* l = Layout()) {
        for (int i : l->xShown)
            texts.append(axisLabels_.value(i).second);
    }
    return texts;
}

const ValueTicks& ChartAdapter::YTicks() const {
    if (const PlotLayout* l = Layout())
        return l->y;
    if (autoRangeDirty_)
        ApplyAutoYRange();
    unlaidTicks_ = PlotYTicks(scene_, 0.0, 0.0);
    return unlaidTicks_;
}

double ChartAdapter::YMin() const {
    return YTicks().min;
}

double ChartAdapter::YMax() const {
    return YTicks().max;
}

double ChartAdapter::XMin() const {
    return scene_.xMin;
}

double ChartAdapter::XMax() const {
    return scene_.xMax;
}

void ChartAdapter::ZoomX(double min, double max) {
    if (view_ == nullptr || !(xMax_ > xMin_) || !std::isfinite(min) || !std::isfinite(max))
        return;
    // Never narrower than two points (on a time axis, two of their mean spacing), never beyond
    // the whole range.
    const double twoPoints =
        pointX_.isEmpty() || pointCount_ < 2 ? 2.0 : 2.0 * (xMax_ - xMin_) / (pointCount_ - 1);
    const double span = std::min(std::max(max - min, twoPoints), xMax_ - xMin_);
    min = std::max(xMin_, std::min(min, xMax_ - span));
    scene_.xMin = min;
    scene_.xMax = min + span;
    // Each series' own range follows the span shown.
    if (ownScales_)
        ApplyOwnScales();
    Changed();
    emit XRangeChanged(min, min + span, min <= xMin_ && min + span >= xMax_);
}

void ChartAdapter::ApplyAutoYRange() const {
    autoRangeDirty_ = false;
    if (ownScales_) {
        ApplyOwnScales();
        return;
    }
    if (yScaleMode_ != 0)
        return;
    double lo = 0.0;
    double hi = 0.0;
    bool any = false;
    auto take = [&](const QList<QPointF>& line) {
        for (const QPointF& p : line) {
            if (std::isnan(p.y()))
                continue;  // a cell of no number
            if (!any) {
                lo = hi = p.y();
                any = true;
            }
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
        }
    };
    for (const PlotSeries& s : scene_.series) {
        take(s.points);
        take(s.low);
        take(s.high);
    }
    if (!any || lo == hi) {
        lo -= 1.0;
        hi += 1.0;
    }
    if (scene_.yMin != lo || scene_.yMax != hi || !scene_.yAuto) {
        scene_.yAuto = true;
        scene_.yMin = lo;
        scene_.yMax = hi;
        Changed();
    }
}
