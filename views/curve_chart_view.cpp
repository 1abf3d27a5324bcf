#include "curve_chart_view.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
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
        for (const auto& [from, to] : pieces) {
            polygon.clear();
            for (int p = from; p < to && p < high.size(); ++p)
                polygon.append(at(i, high[p]));
            for (int p = std::min<int>(to, low.size()) - 1; p >= from; --p)
                polygon.append(at(i, low[p]));
            painter->drawPolygon(polygon);
        }
    }
    painter->setBrush(Qt::NoBrush);
    for (int i = 0; i < adapter_->SeriesCount(); ++i) {
        const QList<QPointF> points = adapter_->SeriesData(i);
        painter->setPen(adapter_->SeriesPen(i));
        for (const auto& [from, to] : pieces) {
            polygon.clear();
            for (int p = from; p < to && p < points.size(); ++p)
                polygon.append(at(i, points[p]));
            // A piece of one point (a lone record between gaps) shows as a dot.
            if (polygon.size() == 1)
                painter->drawEllipse(polygon.front(), 1.5, 1.5);
            else
                painter->drawPolyline(polygon);
        }
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
    adapter_->OnKey(event->key(), event->modifiers());
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)
        event->accept();
    else
        QChartView::keyPressEvent(event);
}
