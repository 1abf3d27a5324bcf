// The chart's series: their data, pens, labels and bands, the cursors, and what lies under the
// mouse and the keys.
#include "chart_adapter.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QHash>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "curve_chart_plan.h"

namespace {

// Pen style and width of the line types 0..6.
struct LinePen {
    Qt::PenStyle style;
    int width;
};
constexpr LinePen kLinePens[7] = {
    {Qt::SolidLine, 1},      {Qt::DashLine, 1},  {Qt::DotLine, 1},   {Qt::DashDotLine, 1},
    {Qt::DashDotDotLine, 1}, {Qt::SolidLine, 2}, {Qt::SolidLine, 4},
};

// A hover within this many pixels of a plotted point is on that point.
constexpr double kPointHitRadius = 6.0;

}  // namespace

void ChartAdapter::SetSeriesCount(int count) {
    if (chart_ == nullptr)
        return;
    for (int i = 0; i < data_.size(); ++i)
        SetSeriesEnvelope(i, {}, {});
    for (QLineSeries* s : series_) {
        chart_->removeSeries(s);
        delete s;
    }
    series_.clear();
    data_.clear();
    names_.clear();
    pens_.clear();
    gaps_.clear();
    gapSeries_ = 0;
    for (int i = 0; i < count; ++i) {
        if (i < kMostChartSeries) {
            auto* s = new QLineSeries(chart_);
            chart_->addSeries(s);
            s->attachAxis(xAxis_);
            s->attachAxis(yAxis_);
            series_.append(s);
        }
        data_.append(QList<QPointF>());
        gaps_.append(false);
        names_.append(QString());
        pens_.append(QPen(Qt::black, 1));
    }
    ApplyPens();
    ConnectLegendClicks();
    autoRangeDirty_ = true;
}

void ChartAdapter::ApplyPens() {
    if (chart_ == nullptr)
        return;
    for (int i = 0; i < series_.size(); ++i) {
        QPen pen = pens_[i];
        if (DrawsLinesItself())
            pen.setColor(Qt::transparent);
        series_[i]->setPen(pen);
    }
    // The legend's markers are gone through once, not once per series.
    QHash<const QAbstractSeries*, int> index;
    for (int i = 0; i < series_.size(); ++i)
        index.insert(series_[i], i);
    for (QLegendMarker* marker : chart_->legend()->markers()) {
        const int i = index.value(marker->series(), -1);
        if (i >= 0)
            marker->setBrush(pens_[i].color());
    }
}

void ChartAdapter::SetSeriesLabel(int series, const QString& text) {
    if (series < 0 || series >= names_.size())
        return;
    names_[series] = text;
    if (series < series_.size())
        series_[series]->setName(text);
}

QString ChartAdapter::SeriesLabel(int series) const {
    return names_.value(series);
}

void ChartAdapter::SetSeriesColors(const QList<QColor>& colors) {
    for (int i = 0; i < colors.size() && i < pens_.size(); ++i)
        pens_[i].setColor(colors[i]);
    ApplyPens();
}

void ChartAdapter::SetSeriesLineTypes(const QList<int>& lineTypes) {
    for (int i = 0; i < lineTypes.size() && i < pens_.size(); ++i) {
        const int t = lineTypes[i] >= 0 && lineTypes[i] < 7 ? lineTypes[i] : 0;
        pens_[i].setStyle(kLinePens[t].style);
        pens_[i].setWidth(kLinePens[t].width);
    }
    ApplyPens();
}

void ChartAdapter::SetSeriesData(int series, const QList<QPointF>& points) {
    if (series < 0 || series >= data_.size())
        return;
    data_[series] = points;
    autoRangeDirty_ = true;
    const bool gap = std::any_of(points.begin(), points.end(),
                                 [](const QPointF& p) { return std::isnan(p.y()); });
    if (gap != gaps_[series]) {
        const bool drewItself = DrawsLinesItself();
        gaps_[series] = gap;
        gapSeries_ += gap ? 1 : -1;
        if (DrawsLinesItself() != drewItself)
            ApplyPens();
    }
    if (series >= series_.size())
        return;
    series_[series]->replace(Plottable(points));
    // A line through one point has no length: its point is drawn instead.
    series_[series]->setPointsVisible(points.size() == 1);
}

QList<QPointF> ChartAdapter::Plottable(const QList<QPointF>& points) {
    if (std::none_of(points.begin(), points.end(),
                     [](const QPointF& p) { return std::isnan(p.y()); }))
        return points;
    // The charting component would join the points on either side: the view draws this series
    // itself, and the component keeps only what it can place.
    QList<QPointF> plottable;
    for (const QPointF& p : points) {
        if (!std::isnan(p.y()))
            plottable.append(p);
    }
    return plottable;
}

void ChartAdapter::SetSeriesEnvelope(int series, const QList<QPointF>& low,
                                     const QList<QPointF>& high) {
    if (chart_ == nullptr || series < 0 || series >= SeriesCount())
        return;
    if (QAreaSeries* old = envelopes_.take(series)) {
        chart_->removeSeries(old);
        delete old;
    }
    bands_.remove(series);
    autoRangeDirty_ = true;
    if (low.isEmpty() && high.isEmpty())
        return;
    bands_.insert(series, {low, high});
    if (DrawsLinesItself())
        return;
    auto* upper = new QLineSeries();
    upper->replace(high);
    auto* lower = new QLineSeries();
    lower->replace(low);
    auto* band = new QAreaSeries(upper, lower);
    upper->setParent(band);
    lower->setParent(band);
    band->setBrush(BandBrush(series));
    band->setPen(BandPen(series));
    chart_->addSeries(band);
    band->attachAxis(xAxis_);
    band->attachAxis(yAxis_);
    for (QLegendMarker* marker : chart_->legend()->markers(band))
        marker->setVisible(false);
    envelopes_.insert(series, band);
}

QBrush ChartAdapter::BandBrush(int series) const {
    // Translucent, so the curves stay seen through the bands drawn after them.
    QColor fill = SeriesColor(series);
    fill.setAlpha(80);
    return fill;
}

QPen ChartAdapter::BandPen(int series) const {
    QColor edge = SeriesColor(series);
    edge.setAlpha(140);
    return QPen(edge, 1);
}

QList<QPointF> ChartAdapter::SeriesEnvelopeLow(int series) const {
    return bands_.value(series).first;
}

QList<QPointF> ChartAdapter::SeriesEnvelopeHigh(int series) const {
    return bands_.value(series).second;
}

QList<QPointF> ChartAdapter::SeriesData(int series) const {
    return data_.value(series);
}

QColor ChartAdapter::SeriesColor(int series) const {
    return SeriesPen(series).color();
}

QPen ChartAdapter::SeriesPen(int series) const {
    return series >= 0 && series < pens_.size() ? pens_[series] : QPen(Qt::NoPen);
}

Qt::PenStyle ChartAdapter::SeriesPenStyle(int series) const {
    return SeriesPen(series).style();
}

int ChartAdapter::SeriesPenWidth(int series) const {
    return series >= 0 && series < pens_.size() ? pens_[series].width() : 0;
}

void ChartAdapter::SetCursorPoint(int point) {
    cursor_ = std::max(0, std::min(point, pointCount_ - 1));
}

void ChartAdapter::SetCursorBPoint(int point) {
    cursorB_ = pointCount_ > 0 ? std::max(0, std::min(point, pointCount_ - 1)) : -1;
}

double ChartAdapter::YValue(int series, int point) const {
    if (series < 0 || series >= data_.size() || point < 0 || point >= data_[series].size())
        return 0.0;
    return data_[series][point].y();
}

ChartAdapter::HotSpot ChartAdapter::HitTest(const QPoint& viewPos, bool anywhereInPlot,
                                            int* point) const {
    *point = -1;
    if (chart_ == nullptr)
        return HotSpot::kNone;
    const QPointF at = chart_->mapFromScene(view_->mapToScene(viewPos));
    if (chart_->legend()->isVisible() && chart_->legend()->geometry().contains(at))
        return HotSpot::kLegend;
    if (!chart_->plotArea().contains(at))
        return HotSpot::kTitle;
    if (pointCount_ <= 0)
        return HotSpot::kPlotArea;
    const int t = NearestPoint(chart_->mapToValue(at).x());
    if (anywhereInPlot) {
        *point = t;
        return HotSpot::kDataPoint;
    }
    // Every series stands on the same axes.
    for (int i = 0; i < data_.size() && !series_.isEmpty(); ++i) {
        if (t >= data_[i].size())
            continue;
        const QPointF shown(data_[i][t].x(), scales_.Shown(i, data_[i][t].y()));
        const QPointF p = chart_->mapToPosition(shown, series_.front());
        if (std::hypot(p.x() - at.x(), p.y() - at.y()) <= kPointHitRadius) {
            *point = t;
            return HotSpot::kDataPoint;
        }
    }
    return HotSpot::kPlotArea;
}

void ChartAdapter::OnKey(int key, Qt::KeyboardModifiers modifiers) {
    const int step = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
    if (step != 0 && (modifiers & Qt::ShiftModifier)) {
        // B starts where A stands the first time it is moved by key.
        SetCursorBPoint((cursorB_ < 0 ? cursor_ : cursorB_) + step);
        // B's own read-out follows; A's stands as it was, so it is not worked out again.
        emit CursorBMoved(cursorB_);
        return;
    } else if (step != 0) {
        SetCursorPoint(cursor_ + step);
    }
    if (key == Qt::Key_C && (modifiers & Qt::ControlModifier))
        emit CopyRequested();
    emit KeyPressed(key);
}
