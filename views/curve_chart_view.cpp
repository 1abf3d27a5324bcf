#include "curve_chart_view.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Drags shorter than this are clicks.
constexpr int kDragThreshold = 5;

}  // namespace

CurveChartView::CurveChartView(QChart* chart, ChartPlotOwner* adapter, QWidget* parent)
    : QChartView(chart, parent), adapter_(adapter) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setRenderHint(QPainter::Antialiasing, false);
}

double CurveChartView::XValueAt(const QPoint& pos) const {
    const QPointF scenePos = mapToScene(pos);
    return chart()->mapToValue(chart()->mapFromScene(scenePos)).x();
}

void CurveChartView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    if (adapter_->PointCount() <= 0 || adapter_->SeriesCount() == 0)
        return;
    if (adapter_->DrawsLinesItself())
        DrawLines(painter);
    if (!adapter_->AlarmLanes().lanes.isEmpty())
        DrawAlarmLanes(painter);
    DrawCursor(painter, adapter_->CursorPoint(), Qt::DashLine);
    if (adapter_->CursorBPoint() >= 0)
        DrawCursor(painter, adapter_->CursorBPoint(), Qt::DotLine);
}

void CurveChartView::DrawLines(QPainter* painter) {
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    const double x0 = adapter_->XMin();
    const double y0 = adapter_->YMin();
    const double dx = adapter_->XMax() - x0;
    const double dy = adapter_->YMax() - y0;
    if (!(dx > 0) || !(dy > 0))
        return;
    // The axes' linear map, worked out once rather than asked of the chart for every point.
    const double sx = plot.width() / dx;
    const double sy = plot.height() / dy;
    const ChannelScales& scales = adapter_->Scales();
    auto at = [&](int series, const QPointF& p) {
        const double y = scales.Shown(series, p.y());
        return QPointF(plot.left() + (p.x() - x0) * sx, plot.bottom() - (y - y0) * sy);
    };
    const QList<QPair<int, int>> pieces = adapter_->PieceRanges();
    // The runs of points [from, to) within the pieces that gap (a point of no number) leaves.
    auto forEachRun = [&pieces](int size, const auto& gap, const auto& draw) {
        for (const auto& [from, to] : pieces) {
            int p = from;
            const int end = std::min(to, size);
            while (p < end) {
                while (p < end && gap(p))
                    ++p;
                const int run = p;
                while (p < end && !gap(p))
                    ++p;
                if (p > run)
                    draw(run, p);
            }
        }
    };
    painter->save();
    painter->setClipRect(plot);
    QPolygonF polygon;
    // Bands first, under every line.
    for (int i = 0; i < adapter_->SeriesCount(); ++i) {
        const QList<QPointF> low = adapter_->SeriesEnvelopeLow(i);
        const QList<QPointF> high = adapter_->SeriesEnvelopeHigh(i);
        if (low.isEmpty() || low.size() != high.size())
            continue;
        painter->setPen(adapter_->BandPen(i));
        painter->setBrush(adapter_->BandBrush(i));
        const auto gap = [&](int p) { return std::isnan(low[p].y()) || std::isnan(high[p].y()); };
        forEachRun(high.size(), gap, [&](int from, int to) {
            polygon.clear();
            for (int p = from; p < to; ++p)
                polygon.append(at(i, high[p]));
            for (int p = to - 1; p >= from; --p)
                polygon.append(at(i, low[p]));
            painter->drawPolygon(polygon);
        });
    }
    painter->setBrush(Qt::NoBrush);
    for (int i = 0; i < adapter_->SeriesCount(); ++i) {
        const QList<QPointF> points = adapter_->SeriesData(i);
        painter->setPen(adapter_->SeriesPen(i));
        const auto gap = [&](int p) { return std::isnan(points[p].y()); };
        forEachRun(points.size(), gap, [&](int from, int to) {
            polygon.clear();
            for (int p = from; p < to; ++p)
                polygon.append(at(i, points[p]));
            // A run of one point (a lone record between gaps) shows as a dot.
            if (polygon.size() == 1)
                painter->drawEllipse(polygon.front(), 1.5, 1.5);
            else
                painter->drawPolyline(polygon);
        });
    }
    painter->restore();
}

void CurveChartView::DrawCursor(QPainter* painter, int cursor, Qt::PenStyle style) {
    const QRectF plot = chart()->plotArea();
    const double x = adapter_->PointX(cursor);
    const QPointF at = chart()->mapToPosition(QPointF(x, 0));
    if (at.x() < plot.left() || at.x() > plot.right())
        return;
    painter->save();
    const QPointF top = chart()->mapToScene(QPointF(at.x(), plot.top()));
    const QPointF bottom = chart()->mapToScene(QPointF(at.x(), plot.bottom()));
    painter->setPen(QPen(adapter_->Foreground(), 1, style));
    painter->drawLine(top, bottom);
    if (style != Qt::DashLine) {
        // B is told apart from A by its letter at the top of its line.
        painter->drawText(top + QPointF(3, 12), QStringLiteral("B"));
    }
    painter->setBrush(Qt::NoBrush);
    for (int i = 0; i < adapter_->SeriesCount(); ++i) {
        const double y = adapter_->Scales().Shown(i, adapter_->YValue(i, cursor));
        const QPointF p = chart()->mapToPosition(QPointF(x, y));
        if (!plot.contains(p))
            continue;
        painter->setPen(QPen(adapter_->SeriesColor(i), 2));
        painter->drawEllipse(chart()->mapToScene(p), 3.5, 3.5);
    }
    painter->restore();
}

void CurveChartView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        pressAt_ = pos;
        dragging_ = true;
        ForwardLegendClick(event);
    } else if (event->button() == Qt::MiddleButton) {
        panning_ = true;
        panFrom_ = pos;
    }
    event->accept();
}

void CurveChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (panning_) {
        const double dx = XValueAt(panFrom_) - XValueAt(pos);
        adapter_->ZoomX(adapter_->XMin() + dx, adapter_->XMax() + dx);
        panFrom_ = pos;
        return;
    }
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        if (std::abs(pos.x() - pressAt_.x()) >= kDragThreshold) {
            if (band_ == nullptr)
                band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
            const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
            const QRect plotInView = mapFromScene(plot).boundingRect();
            band_->setGeometry(QRect(QPoint(std::min(pos.x(), pressAt_.x()), plotInView.top()),
                                     QPoint(std::max(pos.x(), pressAt_.x()), plotInView.bottom())));
            band_->show();
        }
        return;
    }
    const QString tip = AlarmTipAt(pos);
    if (!tip.isEmpty()) {
        QToolTip::showText(mapToGlobal(pos), tip, this);
        tipShown_ = true;
    } else if (tipShown_) {
        QToolTip::hideText();
        tipShown_ = false;
    }
    int point = -1;
    const ChartHotSpot hot = adapter_->HitTest(pos, false, &point);
    if (static_cast<int>(hot) != lastHotSpot_ || point != lastHotPoint_) {
        lastHotSpot_ = static_cast<int>(hot);
        lastHotPoint_ = point;
        adapter_->PlotHotSpot(hot, point);
    }
}

void CurveChartView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        panning_ = false;
        return;
    }
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    ForwardLegendClick(event);
    dragging_ = false;
    if (band_ != nullptr && band_->isVisible()) {
        band_->hide();
        const double a = XValueAt(pressAt_);
        const double b = XValueAt(pos);
        adapter_->ZoomX(std::min(a, b), std::max(a, b));
        return;
    }
    int point = -1;
    const ChartHotSpot hot = adapter_->HitTest(pos, true, &point);
    if ((event->modifiers() & Qt::ShiftModifier) && hot == ChartHotSpot::kDataPoint) {
        adapter_->SetCursorBPoint(point);
        adapter_->PlotCursorBMoved(adapter_->CursorBPoint());
        return;
    }
    adapter_->PlotClicked(hot, point);
}

void CurveChartView::ForwardLegendClick(QMouseEvent* event) {
    // The legend tells which of its entries was clicked. A press handed on has its release
    // handed on too, wherever it is, so the legend never keeps the mouse.
    if (event->type() == QEvent::MouseButtonPress) {
        int point = -1;
        legendPressed_ =
            adapter_->HitTest(event->position().toPoint(), false, &point) == ChartHotSpot::kLegend;
        if (legendPressed_)
            QChartView::mousePressEvent(event);
    } else if (legendPressed_) {
        legendPressed_ = false;
        QChartView::mouseReleaseEvent(event);
    }
}

void CurveChartView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    // Each notch shows 80% (or 125%) of the span, keeping the time under the mouse in place.
    const double factor = std::pow(0.8, steps);
    const double x = XValueAt(event->position().toPoint());
    const double min = adapter_->XMin();
    const double max = adapter_->XMax();
    adapter_->ZoomX(x - (x - min) * factor, x + (max - x) * factor);
    event->accept();
}

void CurveChartView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* settings = menu.addAction(QCoreApplication::translate("Histavue", "历史曲线设置(&E)"));
    const QList<QAction*> more = adapter_->MenuActions();
    if (!more.isEmpty()) {
        menu.addSeparator();
        menu.addActions(more);
    }
    if (menu.exec(event->globalPos()) == settings) {
        adapter_->PlotSettingsRequested();
    }
}

void CurveChartView::keyPressEvent(QKeyEvent* event) {
    // N and P, or Ctrl with the arrow keys, jump cursor A to the next or previous alarm while
    // alarm lanes are drawn; the read-out follows as for any key.
    const int key = event->key();
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right;
    const int jump = (mods == Qt::NoModifier && key == Qt::Key_N) ||
                             (mods == Qt::ControlModifier && key == Qt::Key_Right)
                         ? 1
                     : (mods == Qt::NoModifier && key == Qt::Key_P) ||
                             (mods == Qt::ControlModifier && key == Qt::Key_Left)
                         ? -1
                         : 0;
    if (jump != 0 && !adapter_->AlarmLanes().alarmPoints.isEmpty()) {
        adapter_->StepAlarm(jump);
        adapter_->OnKey(arrow ? 0 : key, Qt::NoModifier);
        event->accept();
        return;
    }
    adapter_->OnKey(event->key(), event->modifiers());
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)
        event->accept();
    else
        QChartView::keyPressEvent(event);
}

QRectF CurveChartView::AlarmLaneRect(int lane) const {
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    const int lanes = static_cast<int>(adapter_->AlarmLanes().lanes.size());
    const double top = plot.top() - kAlarmLaneGap - lanes * kAlarmLaneHeight;
    return QRectF(plot.left(), top + lane * kAlarmLaneHeight, plot.width(), kAlarmLaneHeight - 1);
}

void CurveChartView::DrawAlarmLanes(QPainter* painter) {
    const ChartAlarmLanes& all = adapter_->AlarmLanes();
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    const double x0 = adapter_->XMin();
    const double dx = adapter_->XMax() - x0;
    if (!(dx > 0) || plot.width() <= 0)
        return;
    const double sx = plot.width() / dx;
    auto at = [&](double x) { return plot.left() + (x - x0) * sx; };
    const QColor fore = adapter_->Foreground();
    const QColor back = adapter_->Background();
    // Opaque colours, mixed with the background here: the lanes fill faster without blending.
    auto mix = [&](const QColor& c, double a) {
        return QColor::fromRgbF(c.redF() * a + back.redF() * (1 - a),
                                c.greenF() * a + back.greenF() * (1 - a),
                                c.blueF() * a + back.blueF() * (1 - a));
    };
    const QColor laneBack = mix(fore, 0.07);
    // Standing and not yet acknowledged: red; acknowledged: amber; before the range: paler.
    const QColor red(214, 39, 40);
    const QColor amber(247, 164, 30);
    const QColor redShown = mix(red, 0.85);
    const QColor amberShown = mix(amber, 0.85);
    const QColor redBefore = mix(red, 0.4);
    const QColor amberBefore = mix(amber, 0.4);
    painter->save();
    QFont font = painter->font();
    font.setPixelSize(kAlarmLaneHeight - 1);
    painter->setFont(font);
    for (int i = 0; i < all.lanes.size(); ++i) {
        const ChartAlarmLane& lane = all.lanes[i];
        const QRectF r = AlarmLaneRect(i);
        painter->setClipping(false);
        painter->setPen(fore);
        painter->drawText(QRectF(r.left() - 200, r.top() - 1, 196, r.height() + 2),
                          Qt::AlignRight | Qt::AlignVCenter, lane.label);
        painter->fillRect(r, laneBack);
        painter->setClipRect(r);
        // A lane's spans follow each other in time: the first one shown is found by halving.
        const auto firstShown =
            std::lower_bound(lane.spans.begin(), lane.spans.end(), x0,
                             [](const ChartAlarmSpan& s, double x) { return s.to < x; });
        for (auto it = firstShown; it != lane.spans.end(); ++it) {
            const ChartAlarmSpan& span = *it;
            const double a = at(span.from);
            const double b = std::max(at(span.to), a + 2.0);
            if (a > r.right())
                break;
            if (b < r.left())
                continue;
            const double ack = span.hasAck ? std::clamp(at(span.ack), a, b) : b;
            const QColor& first = span.started ? redShown : redBefore;
            const QColor& second = span.started ? amberShown : amberBefore;
            painter->fillRect(QRectF(a, r.top(), ack - a, r.height()), first);
            if (ack < b)
                painter->fillRect(QRectF(ack, r.top(), b - ack, r.height()), second);
            if (span.hasAck)
                painter->fillRect(QRectF(ack - 0.5, r.top() - 1, 2.0, r.height() + 2), fore);
        }
        painter->setPen(Qt::NoPen);
        painter->setBrush(fore);
        for (const ChartAlarmMark& mark : lane.marks) {
            const double x = at(mark.x);
            const double m = r.center().y();
            const double h = r.height() / 2.0;
            painter->drawPolygon(QPolygonF({QPointF(x, m - h), QPointF(x + h * 0.7, m),
                                            QPointF(x, m + h), QPointF(x - h * 0.7, m)}));
        }
        painter->setBrush(Qt::NoBrush);
    }
    // Cursor A runs on through the lanes, so an alarm is read against the curves' values.
    const double cursor = at(adapter_->PointX(adapter_->CursorPoint()));
    if (cursor >= plot.left() && cursor <= plot.right()) {
        painter->setClipping(false);
        painter->setPen(QPen(fore, 1, Qt::DashLine));
        painter->drawLine(QPointF(cursor, AlarmLaneRect(0).top()), QPointF(cursor, plot.top()));
    }
    painter->restore();
}

QString CurveChartView::AlarmTipAt(const QPoint& pos) const {
    const ChartAlarmLanes& all = adapter_->AlarmLanes();
    if (all.lanes.isEmpty() || !all.describe)
        return QString();
    const QPointF scene = mapToScene(pos);
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    const double x0 = adapter_->XMin();
    const double dx = adapter_->XMax() - x0;
    if (!(dx > 0))
        return QString();
    const double sx = plot.width() / dx;
    for (int i = 0; i < all.lanes.size(); ++i) {
        const QRectF r = AlarmLaneRect(i);
        if (scene.y() < r.top() || scene.y() > r.bottom() + 1 || scene.x() < r.left() ||
            scene.x() > r.right())
            continue;
        const ChartAlarmLane& lane = all.lanes[i];
        // Marks first: they are small and stand on top of the spans.
        for (const ChartAlarmMark& mark : lane.marks) {
            if (std::abs(plot.left() + (mark.x - x0) * sx - scene.x()) <= 4)
                return all.describe(mark.key, true);
        }
        for (const ChartAlarmSpan& span : lane.spans) {
            const double a = plot.left() + (span.from - x0) * sx;
            const double b = std::max(plot.left() + (span.to - x0) * sx, a + 2.0);
            if (scene.x() >= a - 2 && scene.x() <= b + 2)
                return all.describe(span.key, false);
        }
    }
    return QString();
}
