#include "plot_painter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <vector>

#include "polyline.h"

namespace {

// Columns a piece of a reduced line spans when it is stroked.
constexpr int32_t kPieceColumns = 8;

// A colour mixed with the background: opaque, so large fills need no blending.
QColor Mix(const QColor& c, const QColor& back, double a) {
    return QColor::fromRgbF(static_cast<float>(c.redF() * a + back.redF() * (1 - a)),
                            static_cast<float>(c.greenF() * a + back.greenF() * (1 - a)),
                            static_cast<float>(c.blueF() * a + back.blueF() * (1 - a)));
}

QColor GridColor(const QColor& foreground) {
    QColor grid = foreground;
    grid.setAlpha(70);
    return grid;
}

QColor YAxisColor(const PlotScene& s) {
    return s.yAxisColor.isValid() ? s.yAxisColor : s.foreground;
}

// The first and last+1 point of [from, to) that can show in xMin..xMax, with one neighbour on
// either side so that lines leaving the plot are drawn to its edge. X ascends within a piece.
std::pair<int, int> ShownPoints(const QList<QPointF>& points, int from, int to, double xMin,
                                double xMax) {
    if (to - from < 64 || points[from].x() > points[to - 1].x())
        return {from, to};
    const auto begin = points.begin() + from;
    const auto end = points.begin() + to;
    auto first =
        std::lower_bound(begin, end, xMin, [](const QPointF& p, double x) { return p.x() < x; });
    auto last =
        std::upper_bound(first, end, xMax, [](double x, const QPointF& p) { return x < p.x(); });
    const int a = std::max(from, static_cast<int>(first - points.begin()) - 1);
    const int b = std::min(to, static_cast<int>(last - points.begin()) + 1);
    return {a, b};
}

// Draws the gathered polyline: a single point as a dot.
void Flush(QPainter* painter, QPolygonF* line) {
    if (line->size() == 1) {
        const QPen pen = painter->pen();
        painter->save();
        painter->setBrush(pen.color());
        painter->setPen(QPen(pen.color(), 1));
        painter->drawEllipse(line->front(), 1.5, 1.5);
        painter->restore();
    } else if (line->size() > 1) {
        painter->drawPolyline(*line);
    }
    line->clear();
}

class LinePainter {
  public:
    LinePainter(QPainter* painter, const PlotScene& scene, const PlotLayout& layout)
        : painter_(painter),
          scene_(scene),
          xMap_(layout.XMap(scene)),
          yMap_(layout.YMap()),
          width_(layout.plot.width()) {}

    QList<QPair<int, int>> Pieces(int count) const {
        if (scene_.pieces.isEmpty())
            return {{0, count}};
        QList<QPair<int, int>> pieces;
        for (const auto& piece : scene_.pieces) {
            const int to = std::min(piece.second, count);
            if (piece.first < to)
                pieces.append({piece.first, to});
        }
        return pieces;
    }

    void Line(int series) {
        const PlotSeries& s = scene_.series[series];
        QPen pen = s.pen;
        for (const auto& [from, to] : Pieces(static_cast<int>(s.points.size()))) {
            const auto [a, b] = ShownPoints(s.points, from, to, scene_.xMin, scene_.xMax);
            if (scene_.pixelAligned || b - a > kReduceAbovePointsPerColumn * width_)
                Dense(series, a, b, pen);
            else
                Sparse(series, a, b, pen);
        }
    }

    void Band(int series) {
        const PlotSeries& s = scene_.series[series];
        if (s.low.isEmpty() || s.low.size() != s.high.size())
            return;
        QColor fill = s.pen.color();
        fill.setAlpha(80);
        QColor edge = s.pen.color();
        edge.setAlpha(140);
        painter_->setPen(QPen(edge, 1));
        painter_->setBrush(fill);
        QPolygonF polygon;
        for (const auto& [from, to] : Pieces(static_cast<int>(s.high.size()))) {
            const auto [a, b] = ShownPoints(s.high, from, to, scene_.xMin, scene_.xMax);
            // Runs of points with both edges known, each one polygon; a dense band keeps each
            // column's lowest and highest.
            const bool dense = b - a > kReduceAbovePointsPerColumn * width_;
            int p = a;
            while (p < b) {
                while (p < b && Gap(s, p))
                    ++p;
                const int run = p;
                while (p < b && !Gap(s, p))
                    ++p;
                if (p == run)
                    continue;
                polygon.clear();
                if (dense)
                    DenseBand(series, run, p, &polygon);
                else {
                    for (int i = run; i < p; ++i)
                        polygon.append(At(series, s.high[i]));
                    for (int i = p - 1; i >= run; --i)
                        polygon.append(At(series, s.low[i]));
                }
                painter_->drawPolygon(polygon);
            }
        }
        painter_->setBrush(Qt::NoBrush);
    }

  private:
    static bool Gap(const PlotSeries& s, int p) {
        return std::isnan(s.low[p].y()) || std::isnan(s.high[p].y());
    }

    QPointF At(int series, const QPointF& p) const {
        return QPointF(xMap_.Pixel(p.x()), yMap_.Pixel(scene_.Shown(series, p.y())));
    }

    void Sparse(int series, int a, int b, const QPen& pen) {
        const QList<QPointF>& points = scene_.series[series].points;
        painter_->setPen(pen);
        line_.clear();
        for (int i = a; i < b; ++i) {
            if (std::isnan(points[i].y()))
                Flush(painter_, &line_);
            else
                line_.append(At(series, points[i]));
        }
        Flush(painter_, &line_);
    }

    // Through each pixel column's first, lowest, highest and last point, at the centres of their
    // pixels: the image of every point. A thin solid pen is stroked (1.01 wide), as the
    // reduction's image equality needs.
    void Dense(int series, int a, int b, QPen pen) {
        const QList<QPointF>& points = scene_.series[series].points;
        const size_t count = static_cast<size_t>(b - a);
        xs_.resize(count);
        ys_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const QPointF& p = points[a + static_cast<int>(i)];
            xs_[i] = p.x();
            ys_[i] = scene_.Shown(series, p.y());
        }
        const std::vector<int32_t> columns = PixelColumns(xs_.data(), count, xMap_);
        const std::vector<size_t> kept = ReduceToColumns(columns.data(), ys_.data(), count);
        if (pen.style() == Qt::SolidLine && pen.widthF() <= 1.0)
            pen.setWidthF(1.01);
        painter_->setPen(pen);
        line_.clear();
        for (size_t k : kept) {
            if (!std::isfinite(ys_[k]) || columns[k] == kNoColumn) {
                Flush(painter_, &line_);
                continue;
            }
            const PixelPoint p = PointPixel(columns[k], yMap_.Pixel(ys_[k]));
            // A stroke of a few columns at a time costs half of one through all of them, and
            // draws the same pixels: a piece ends at the first point of the column where the
            // next begins.
            if (!line_.isEmpty() && columns[k] % kPieceColumns == 0 && p.x > line_.back().x()) {
                line_.append(QPointF(p.x, p.y));
                Flush(painter_, &line_);
            }
            line_.append(QPointF(p.x, p.y));
        }
        Flush(painter_, &line_);
    }

    void DenseBand(int series, int a, int b, QPolygonF* polygon) {
        const PlotSeries& s = scene_.series[series];
        std::vector<QPointF> top, under;
        int column = kNoColumn;
        for (int i = a; i < b; ++i) {
            const double x = std::floor(xMap_.Pixel(s.high[i].x())) + 0.5;
            const double hi = yMap_.Pixel(scene_.Shown(series, s.high[i].y()));
            const double lo = yMap_.Pixel(scene_.Shown(series, s.low[i].y()));
            if (static_cast<int>(x) != column || top.empty()) {
                column = static_cast<int>(x);
                top.emplace_back(x, hi);
                under.emplace_back(x, lo);
            } else {
                top.back().setY(std::min(top.back().y(), hi));
                under.back().setY(std::max(under.back().y(), lo));
            }
        }
        for (const QPointF& p : top)
            polygon->append(p);
        for (auto it = under.rbegin(); it != under.rend(); ++it)
            polygon->append(*it);
    }

    QPainter* painter_;
    const PlotScene& scene_;
    AxisMap xMap_;
    AxisMap yMap_;
    double width_;
    QPolygonF line_;
    std::vector<double> xs_;
    std::vector<double> ys_;
};

void DrawAxes(QPainter* p, const PlotScene& s, const PlotLayout& l) {
    const QRectF& plot = l.plot;
    const QColor grid = GridColor(s.foreground);
    const QColor yColor = YAxisColor(s);
    const AxisMap ym = l.YMap();
    const AxisMap xm = l.XMap(s);
    p->setFont(l.font);
    // Y: grid lines (labelled or not) and their labels.
    for (size_t i = 0; i < l.y.lines.size(); ++i) {
        const double y = std::round(ym.Pixel(l.y.lines[i])) + 0.5;
        if (s.yGrid) {
            p->setPen(QPen(grid, 1));
            p->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
        const QString& text = l.yTexts.value(static_cast<int>(i));
        if (text.isEmpty())
            continue;
        p->setPen(yColor);
        p->drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
        p->drawText(QRectF(plot.left() - 6 - l.yLabelWidth, y - l.lineHeight / 2, l.yLabelWidth,
                           l.lineHeight),
                    Qt::AlignRight | Qt::AlignVCenter, text);
    }
    // X: a grid line and a label at each label shown.
    for (int i : l.xShown) {
        const auto& label = s.xLabels[i];
        const double x = std::round(xm.Pixel(label.first)) + 0.5;
        if (s.xGrid) {
            p->setPen(QPen(grid, 1));
            p->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        p->setPen(s.foreground);
        p->drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        const double w = l.xLabelWidth + 2;
        p->drawText(QRectF(x - w / 2, plot.bottom() + 6, w, l.xLabelLines * l.lineHeight),
                    Qt::AlignHCenter | Qt::AlignTop, label.second);
    }
    // The axis lines.
    p->setPen(QPen(yColor, 1));
    p->drawLine(QPointF(plot.left() - 0.5, plot.top()), QPointF(plot.left() - 0.5, plot.bottom()));
    p->setPen(QPen(s.foreground, 1));
    p->drawLine(QPointF(plot.left(), plot.bottom() + 0.5),
                QPointF(plot.right(), plot.bottom() + 0.5));
    // Titles.
    if (!s.xTitle.isEmpty()) {
        p->drawText(QRectF(plot.left(), plot.bottom() + 6 + l.xLabelLines * l.lineHeight,
                           plot.width(), l.lineHeight),
                    Qt::AlignHCenter | Qt::AlignTop, s.xTitle);
    }
    if (!s.yTitle.isEmpty()) {
        p->save();
        p->setPen(yColor);
        const double x = plot.left() - 8 - l.yLabelWidth - l.lineHeight;
        p->translate(x, plot.center().y());
        p->rotate(-90);
        // Longer than the plot is high, it is cut with an ellipsis rather than mid-letter.
        const QString title =
            QFontMetricsF(l.font, p->device()).elidedText(s.yTitle, Qt::ElideRight, plot.height());
        p->drawText(QRectF(-plot.height() / 2, 0, plot.height(), l.lineHeight),
                    Qt::AlignHCenter | Qt::AlignTop, title);
        p->restore();
    }
}

void DrawLanes(QPainter* p, const PlotScene& s, const PlotLayout& l) {
    const ChartAlarmLanes& all = s.lanes;
    const int count = static_cast<int>(all.lanes.size());
    const AxisMap xm = l.XMap(s);
    const QColor fore = s.foreground;
    const QColor back = s.background;
    const QColor laneBack = Mix(fore, back, 0.07);
    // Standing and not yet acknowledged: red; acknowledged: amber; before the range: paler.
    const QColor red(214, 39, 40);
    const QColor amber(247, 164, 30);
    const QColor redShown = Mix(red, back, 0.85);
    const QColor amberShown = Mix(amber, back, 0.85);
    const QColor redBefore = Mix(red, back, 0.4);
    const QColor amberBefore = Mix(amber, back, 0.4);
    p->save();
    p->setFont(l.laneFont);
    for (int i = 0; i < count; ++i) {
        const ChartAlarmLane& lane = all.lanes[i];
        const QRectF r = l.LaneRect(i, count);
        p->setClipping(false);
        p->setPen(fore);
        const double labelLeft = l.area.left() + 2;
        if (l.LaneLabels())
            p->drawText(QRectF(labelLeft, r.top() - 1, r.left() - 4 - labelLeft, r.height() + 2),
                        Qt::AlignRight | Qt::AlignVCenter, lane.label);
        p->fillRect(r, laneBack);
        p->setClipRect(r);
        // A lane's spans follow each other in time: the first one shown is found by halving.
        const auto firstShown =
            std::lower_bound(lane.spans.begin(), lane.spans.end(), s.xMin,
                             [](const ChartAlarmSpan& span, double x) { return span.to < x; });
        for (auto it = firstShown; it != lane.spans.end(); ++it) {
            const ChartAlarmSpan& span = *it;
            const double a = xm.Pixel(span.from);
            const double b = std::max(xm.Pixel(span.to), a + 2.0);
            if (a > r.right())
                break;
            if (b < r.left())
                continue;
            const double ack = span.hasAck ? std::clamp(xm.Pixel(span.ack), a, b) : b;
            p->fillRect(QRectF(a, r.top(), ack - a, r.height()),
                        span.started ? redShown : redBefore);
            if (ack < b)
                p->fillRect(QRectF(ack, r.top(), b - ack, r.height()),
                            span.started ? amberShown : amberBefore);
            if (span.hasAck)
                p->fillRect(QRectF(ack - 0.5, r.top() - 1, 2.0, r.height() + 2), fore);
        }
        p->setPen(Qt::NoPen);
        p->setBrush(fore);
        for (const ChartAlarmMark& mark : lane.marks) {
            const double x = xm.Pixel(mark.x);
            const double m = r.center().y();
            const double h = r.height() / 2.0;
            p->drawPolygon(QPolygonF({QPointF(x, m - h), QPointF(x + h * 0.7, m), QPointF(x, m + h),
                                      QPointF(x - h * 0.7, m)}));
        }
        p->setBrush(Qt::NoBrush);
    }
    p->restore();
}

void DrawCursor(QPainter* p, const PlotScene& s, const PlotLayout& l, int cursor, double cursorX,
                bool b) {
    const QRectF& plot = l.plot;
    const double x = std::round(l.XMap(s).Pixel(cursorX)) + 0.5;
    if (x < plot.left() || x > plot.right())
        return;
    p->save();
    p->setPen(QPen(s.foreground, 1, b ? Qt::DotLine : Qt::DashLine));
    // Cursor A runs on through the lanes, so an alarm is read against the curves' values.
    const double top = !b && !l.lanes.isEmpty() ? l.lanes.top() : plot.top();
    p->drawLine(QPointF(x, top), QPointF(x, plot.bottom()));
    if (b) {
        // B is told apart from A by its letter at the top of its line.
        p->setFont(l.font);
        p->drawText(QPointF(x + 3, plot.top() + l.lineHeight), QStringLiteral("B"));
    }
    p->setBrush(Qt::NoBrush);
    p->setRenderHint(QPainter::Antialiasing, true);
    const AxisMap ym = l.YMap();
    for (int i = 0; i < s.series.size() && s.cursorRings; ++i) {
        const QList<QPointF>& points = s.series[i].points;
        if (cursor < 0 || cursor >= points.size() || std::isnan(points[cursor].y()))
            continue;
        const double y = ym.Pixel(s.Shown(i, points[cursor].y()));
        if (y < plot.top() || y > plot.bottom())
            continue;
        p->setPen(QPen(s.series[i].pen.color(), 2));
        p->drawEllipse(QPointF(x, y), 3.5, 3.5);
    }
    p->restore();
}

void DrawLegend(QPainter* p, const PlotScene& s, const PlotLayout& l) {
    const LegendLayout& legend = l.legendLayout;
    if (legend.entries.empty())
        return;
    p->save();
    p->setClipRect(l.legend.adjusted(0, 0, 1, 1));
    p->setFont(l.legendFont);
    const QFontMetricsF metrics(l.legendFont, p->device());
    const double scroll = std::clamp<double>(s.legendScroll, 0.0, legend.MaxScroll());
    LegendStyle style;
    for (size_t i = 0; i < legend.entries.size() && i < static_cast<size_t>(s.series.size()); ++i) {
        const PlotRect& e = legend.entries[i];
        const double top = l.legend.top() + e.y - scroll;
        if (top + e.height < l.legend.top() || top > l.legend.bottom())
            continue;
        const double left = l.legend.left() + e.x;
        const double mid = std::round(top + e.height / 2) + 0.5;
        const PlotSeries& series = s.series[static_cast<int>(i)];
        QPen marker = series.pen;
        marker.setWidthF(std::max(2.0, marker.widthF()));
        p->setPen(marker);
        p->drawLine(QPointF(left + 2, mid), QPointF(left + style.markerWidth - 2, mid));
        p->setPen(s.foreground);
        const double textLeft = left + style.markerWidth + style.gap;
        const double room = std::max(0.0, e.width - style.markerWidth - style.gap);
        const QString text = metrics.horizontalAdvance(series.name) <= room + 0.5
                                 ? series.name
                                 : metrics.elidedText(series.name, Qt::ElideRight, room);
        p->drawText(QRectF(textLeft, top, room + 1, e.height), Qt::AlignLeft | Qt::AlignVCenter,
                    text);
    }
    p->restore();
}

}  // namespace

void PaintPlot(QPainter* painter, const PlotScene& scene, const PlotLayout& layout, int parts) {
    QPainter* p = painter;
    p->save();
    if (parts & kPlotBase) {
        p->fillRect(layout.area, scene.background);
        p->setPen(scene.foreground);
        if (!scene.title.isEmpty()) {
            p->setFont(layout.titleFont);
            p->drawText(layout.title, Qt::AlignHCenter | Qt::AlignVCenter, scene.title);
        }
        if (layout.Valid()) {
            DrawAxes(p, scene, layout);
            if (!scene.lanes.lanes.isEmpty())
                DrawLanes(p, scene, layout);
            p->save();
            p->setClipRect(layout.plot.adjusted(0, 0, 1, 1));
            LinePainter lines(p, scene, layout);
            // Bands first, under every line.
            for (int i = 0; i < scene.series.size(); ++i)
                lines.Band(i);
            for (int i = 0; i < scene.series.size(); ++i)
                lines.Line(i);
            p->restore();
        }
        if (!scene.footer.isEmpty()) {
            p->setFont(layout.font);
            p->setPen(scene.foreground);
            p->drawText(layout.footer, Qt::AlignLeft | Qt::AlignTop, scene.footer.join('\n'));
        }
    }
    if (parts & kPlotOverlay) {
        if (!(parts & kPlotBase))
            p->fillRect(layout.subtitle, scene.background);
        p->setFont(layout.font);
        p->setPen(scene.foreground);
        p->drawText(layout.subtitle, Qt::AlignHCenter | Qt::AlignVCenter, scene.subtitle);
        if (layout.Valid()) {
            if (scene.cursorA >= 0)
                DrawCursor(p, scene, layout, scene.cursorA, scene.cursorAX, false);
            if (scene.cursorB >= 0)
                DrawCursor(p, scene, layout, scene.cursorB, scene.cursorBX, true);
            if (scene.zoomBand) {
                const AxisMap xm = layout.XMap(scene);
                const double a = std::clamp(xm.Pixel(std::min(scene.zoomFrom, scene.zoomTo)),
                                            layout.plot.left(), layout.plot.right());
                const double b = std::clamp(xm.Pixel(std::max(scene.zoomFrom, scene.zoomTo)),
                                            layout.plot.left(), layout.plot.right());
                QColor fill = scene.foreground;
                fill.setAlpha(40);
                p->setPen(QPen(scene.foreground, 1, Qt::DashLine));
                p->setBrush(fill);
                p->drawRect(QRectF(a, layout.plot.top(), b - a, layout.plot.height()));
                p->setBrush(Qt::NoBrush);
            }
        }
        DrawLegend(p, scene, layout);
    }
    p->restore();
}
