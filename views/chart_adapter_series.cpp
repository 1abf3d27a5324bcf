// The chart's series: their data, pens, labels and bands, the cursors, and what lies under the
// mouse and the keys.
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "chart_adapter.h"

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
    scene_.series.clear();
    scene_.series.resize(std::max(0, count));
    for (PlotSeries& s : scene_.series)
        s.pen = QPen(Qt::black, 1);
    scene_.legendScroll = 0;
    autoRangeDirty_ = true;
    Changed();
}

void ChartAdapter::SetSeriesLabel(int series, const QString& text) {
    if (series < 0 || series >= scene_.series.size())
        return;
    scene_.series[series].name = text;
    // The legend is drawn over the plot's picture: a new text needs no new picture, and a new
    // layout only when it no longer fits its column.
    if (view_ != nullptr)
        view_->LegendTextChanged(text);
}

QString ChartAdapter::SeriesLabel(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].name : QString();
}

void ChartAdapter::SetSeriesColors(const QList<QColor>& colors) {
    for (int i = 0; i < colors.size() && i < scene_.series.size(); ++i)
        scene_.series[i].pen.setColor(colors[i]);
    Changed(false);
}

void ChartAdapter::SetSeriesLineTypes(const QList<int>& lineTypes) {
    for (int i = 0; i < lineTypes.size() && i < scene_.series.size(); ++i) {
        const int t = lineTypes[i] >= 0 && lineTypes[i] < 7 ? lineTypes[i] : 0;
        scene_.series[i].pen.setStyle(kLinePens[t].style);
        scene_.series[i].pen.setWidth(kLinePens[t].width);
    }
    Changed(false);
}

void ChartAdapter::SetSeriesData(int series, const QList<QPointF>& points) {
    if (series < 0 || series >= scene_.series.size())
        return;
    scene_.series[series].points = points;
    autoRangeDirty_ = true;
    Changed(false);
}

void ChartAdapter::SetSeriesEnvelope(int series, const QList<QPointF>& low,
                                     const QList<QPointF>& high) {
    if (series < 0 || series >= SeriesCount())
        return;
    PlotSeries& s = scene_.series[series];
    if (low.isEmpty() && high.isEmpty()) {
        s.low.clear();
        s.high.clear();
    } else {
        s.low = low;
        s.high = high;
    }
    autoRangeDirty_ = true;
    Changed(false);
}

QList<QPointF> ChartAdapter::SeriesEnvelopeLow(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].low
                                                        : QList<QPointF>();
}

QList<QPointF> ChartAdapter::SeriesEnvelopeHigh(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].high
                                                        : QList<QPointF>();
}

QList<QPointF> ChartAdapter::SeriesData(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].points
                                                        : QList<QPointF>();
}

QColor ChartAdapter::SeriesColor(int series) const {
    return SeriesPen(series).color();
}

QPen ChartAdapter::SeriesPen(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].pen
                                                        : QPen(Qt::NoPen);
}

Qt::PenStyle ChartAdapter::SeriesPenStyle(int series) const {
    return SeriesPen(series).style();
}

int ChartAdapter::SeriesPenWidth(int series) const {
    return series >= 0 && series < scene_.series.size() ? scene_.series[series].pen.width() : 0;
}

void ChartAdapter::SetPointCount(int count) {
    pointCount_ = count;
    SyncCursors();
}

void ChartAdapter::SetCursorPoint(int point) {
    cursor_ = std::max(0, std::min(point, pointCount_ - 1));
    SyncCursors();
}

void ChartAdapter::SetCursorBPoint(int point) {
    cursorB_ = pointCount_ > 0 ? std::max(0, std::min(point, pointCount_ - 1)) : -1;
    SyncCursors();
}

void ChartAdapter::SyncCursors() {
    scene_.cursorA = pointCount_ > 0 ? std::min(cursor_, pointCount_ - 1) : -1;
    scene_.cursorAX = scene_.cursorA >= 0 ? PointX(scene_.cursorA) : 0.0;
    scene_.cursorB = pointCount_ > 0 ? std::min(cursorB_, pointCount_ - 1) : -1;
    scene_.cursorBX = scene_.cursorB >= 0 ? PointX(scene_.cursorB) : 0.0;
    // The cursors are drawn over the plot's picture.
    if (view_ != nullptr)
        view_->update();
}

double ChartAdapter::YValue(int series, int point) const {
    if (series < 0 || series >= scene_.series.size() || point < 0 ||
        point >= scene_.series[series].points.size())
        return 0.0;
    return scene_.series[series].points[point].y();
}

ChartAdapter::HotSpot ChartAdapter::HitTest(const QPoint& pos, bool anywhereInPlot,
                                            int* point) const {
    *point = -1;
    const PlotLayout* l = Layout();
    if (l == nullptr)
        return HotSpot::kNone;
    if (l->legend.contains(pos))
        return HotSpot::kLegend;
    if (!l->plot.adjusted(0, 0, 1, 1).contains(pos))
        return HotSpot::kTitle;
    if (pointCount_ <= 0)
        return HotSpot::kPlotArea;
    const AxisMap xm = l->XMap(scene_);
    const AxisMap ym = l->YMap();
    const int t = NearestPoint(xm.Value(pos.x()));
    if (anywhereInPlot) {
        *point = t;
        return HotSpot::kDataPoint;
    }
    const double x = xm.Pixel(PointX(t));
    for (int i = 0; i < scene_.series.size(); ++i) {
        const QList<QPointF>& points = scene_.series[i].points;
        if (t >= points.size() || std::isnan(points[t].y()))
            continue;
        const double y = ym.Pixel(scales_.Shown(i, points[t].y()));
        if (std::hypot(x - pos.x(), y - pos.y()) <= kPointHitRadius) {
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
