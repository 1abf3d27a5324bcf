#include "plot_view.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "plot_painter.h"

namespace {

// Drags shorter than this are clicks.
constexpr int kDragThreshold = 5;
// The plot itself keeps at least this height beside the panels below it, its texts, lanes and
// axes added.
constexpr int kLeastPlotHeight = 100;
// A tip stays while the mouse stays: an hour is as long as anyone hovers.
constexpr int kTipShownFor = 3600 * 1000;

}  // namespace

PlotView::PlotView(PlotOwner* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumHeight(kLeastPlotHeight * 2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

const PlotLayout& PlotView::Layout() {
    const QRectF area(QPointF(0, 0), QSizeF(size()));
    if (layoutDirty_ || layout_.area != area) {
        const QRectF plot = layout_.plot;
        layout_ = LayOutPlot(owner_->Scene(), area, font(), this);
        if (layout_.plot != plot)
            emit PlotAreaChanged();
        layoutDirty_ = false;
        baseDirty_ = true;
        // More lanes or footer lines take more room: the least height follows, once the present
        // layout is done with.
        const int least = static_cast<int>(std::ceil(layout_.decorationHeight)) + kLeastPlotHeight;
        if (least != minimumHeight()) {
            QMetaObject::invokeMethod(
                this, [this, least] { setMinimumHeight(least); }, Qt::QueuedConnection);
        }
    }
    return layout_;
}

void PlotView::Changed(bool layout) {
    layoutDirty_ = layoutDirty_ || layout;
    baseDirty_ = true;
    update();
}

void PlotView::LegendTextChanged(const QString& text) {
    if (!layoutDirty_ && !layout_.legendLayout.entries.empty()) {
        QFontMetricsF metrics(layout_.legendFont, this);
        if (metrics.horizontalAdvance(text) > layout_.legendTextWidth + 0.5)
            Changed(true);
    }
    update();
}

QRectF PlotView::LegendEntryRect(int series) {
    const PlotLayout& l = Layout();
    if (series < 0 || static_cast<size_t>(series) >= l.legendLayout.entries.size())
        return QRectF();
    const PlotRect& e = l.legendLayout.entries[static_cast<size_t>(series)];
    const double scroll =
        std::clamp<double>(owner_->Scene().legendScroll, 0.0, l.legendLayout.MaxScroll());
    const QRectF r(l.legend.left() + e.x, l.legend.top() + e.y - scroll, e.width, e.height);
    return r.intersected(l.legend);
}

int PlotView::LegendEntryAt(const QPoint& pos) {
    const PlotLayout& l = Layout();
    return ::LegendEntryAt(
        l.legendLayout, pos.x() - l.legend.left(), pos.y() - l.legend.top(),
        std::clamp<double>(owner_->Scene().legendScroll, 0.0, l.legendLayout.MaxScroll()));
}

double PlotView::XValueAt(const QPoint& pos) {
    return Layout().XMap(owner_->Scene()).Value(pos.x());
}

void PlotView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Changed(true);
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const PlotLayout& l = Layout();
    const PlotScene& scene = owner_->Scene();
    // On screen, the parts that change seldom are kept as a picture; a printer, a PDF or an SVG
    // gets the whole drawing, so that it stays vector.
    const QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster) {
        PaintPlot(&painter, scene, l, kPlotAll);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (baseDirty_ || base_.size() != pixels) {
        base_ = QImage(pixels, QImage::Format_RGB32);
        base_.setDevicePixelRatio(ratio);
        QPainter base(&base_);
        PaintPlot(&base, scene, l, kPlotBase);
        baseDirty_ = false;
    }
    painter.drawImage(QPointF(0, 0), base_);
    PaintPlot(&painter, scene, l, kPlotOverlay);
}

bool PlotView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        ShowAlarmTip(static_cast<QHelpEvent*>(event)->pos());
        return true;
    }
    return QWidget::event(event);
}

void PlotView::ShowAlarmTip(const QPoint& pos) {
    QRect rect;
    const QString tip = AlarmTipAt(pos, &rect);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // Held for the span's rectangle: the tip stays while the mouse stays on it.
    if (QToolTip::isVisible() && QToolTip::text() == tip)
        return;
    QToolTip::showText(mapToGlobal(pos), tip, this, rect, kTipShownFor);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        pressAt_ = pos;
        dragging_ = true;
        legendPressed_ = LegendEntryAt(pos) >= 0;
    } else if (event->button() == Qt::MiddleButton) {
        panning_ = true;
        panFrom_ = pos;
    }
    event->accept();
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (panning_) {
        const double dx = XValueAt(panFrom_) - XValueAt(pos);
        const PlotScene& scene = owner_->Scene();
        owner_->ZoomX(scene.xMin + dx, scene.xMax + dx);
        panFrom_ = pos;
        return;
    }
    if (dragging_ && !legendPressed_ && (event->buttons() & Qt::LeftButton)) {
        PlotScene& scene = owner_->Scene();
        const bool band = std::abs(pos.x() - pressAt_.x()) >= kDragThreshold;
        if (band || scene.zoomBand) {
            scene.zoomBand = band;
            scene.zoomFrom = XValueAt(pressAt_);
            scene.zoomTo = XValueAt(pos);
            update();
        }
        return;
    }
    if (QToolTip::isVisible())
        ShowAlarmTip(pos);
    int point = -1;
    const PlotHit hot = owner_->HitTest(pos, false, &point);
    if (static_cast<int>(hot) != lastHotSpot_ || point != lastHotPoint_) {
        lastHotSpot_ = static_cast<int>(hot);
        lastHotPoint_ = point;
        owner_->PlotHotSpot(hot, point);
    }
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        panning_ = false;
        return;
    }
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    PlotScene& scene = owner_->Scene();
    if (scene.zoomBand) {
        scene.zoomBand = false;
        const double a = XValueAt(pressAt_);
        const double b = XValueAt(pos);
        update();
        owner_->ZoomX(std::min(a, b), std::max(a, b));
        return;
    }
    if (legendPressed_) {
        legendPressed_ = false;
        const int entry = LegendEntryAt(pos);
        if (entry >= 0 && entry == LegendEntryAt(pressAt_))
            owner_->PlotLegendClicked(entry);
        return;
    }
    int point = -1;
    const PlotHit hot = owner_->HitTest(pos, true, &point);
    if ((event->modifiers() & Qt::ShiftModifier) && hot == PlotHit::kDataPoint) {
        owner_->SetCursorBPoint(point);
        owner_->PlotCursorBMoved(owner_->CursorBPoint());
        return;
    }
    owner_->PlotClicked(hot, point);
}

void PlotView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    event->accept();
    const QPoint pos = event->position().toPoint();
    const PlotLayout& l = Layout();
    PlotScene& scene = owner_->Scene();
    // Over a legend longer than its room, the wheel scrolls the entries.
    if (l.legend.contains(pos) && l.legendLayout.MaxScroll() > 0) {
        const double entry =
            l.legendLayout.entries.empty() ? 10.0 : l.legendLayout.entries[0].height;
        scene.legendScroll = static_cast<int>(
            std::clamp(scene.legendScroll - steps * 3 * entry, 0.0, l.legendLayout.MaxScroll()));
        update();
        return;
    }
    // Each notch shows 80% (or 125%) of the span, keeping the time under the mouse in place.
    const double factor = std::pow(0.8, steps);
    const double x = XValueAt(pos);
    owner_->ZoomX(x - (x - scene.xMin) * factor, x + (scene.xMax - x) * factor);
}

void PlotView::contextMenuEvent(QContextMenuEvent* event) {
    const QList<QAction*> actions = owner_->ContextMenuActions();
    if (actions.isEmpty())
        return;
    QMenu menu(this);
    menu.addActions(actions);
    menu.exec(event->globalPos());
}

void PlotView::keyPressEvent(QKeyEvent* event) {
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
    if (jump != 0 && !owner_->Scene().lanes.alarmPoints.isEmpty()) {
        owner_->StepAlarm(jump);
        owner_->OnKey(arrow ? 0 : key, Qt::NoModifier);
        event->accept();
        return;
    }
    owner_->OnKey(event->key(), event->modifiers());
    if (arrow)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

QString PlotView::AlarmTipAt(const QPoint& pos, QRect* rect) {
    const PlotScene& scene = owner_->Scene();
    const ChartAlarmLanes& all = scene.lanes;
    if (all.lanes.isEmpty() || !all.describe)
        return QString();
    const PlotLayout& l = Layout();
    const AxisMap xm = l.XMap(scene);
    const int count = static_cast<int>(all.lanes.size());
    for (int i = 0; i < count; ++i) {
        const QRectF r = l.LaneRect(i, count);
        if (pos.y() < r.top() || pos.y() > r.bottom() + 1 || pos.x() < r.left() ||
            pos.x() > r.right())
            continue;
        const ChartAlarmLane& lane = all.lanes[i];
        // Marks first: they are small and stand on top of the spans.
        for (const ChartAlarmMark& mark : lane.marks) {
            const double x = xm.Pixel(mark.x);
            if (std::abs(x - pos.x()) <= 4) {
                *rect = QRectF(x - 4, r.top(), 9, r.height() + 1).toAlignedRect();
                return all.describe(mark.key, true);
            }
        }
        for (const ChartAlarmSpan& span : lane.spans) {
            const double a = xm.Pixel(span.from);
            const double b = std::max(xm.Pixel(span.to), a + 2.0);
            if (pos.x() >= a - 2 && pos.x() <= b + 2) {
                *rect = QRectF(QPointF(std::max(a - 2, r.left()), r.top()),
                               QPointF(std::min(b + 2, r.right()), r.bottom() + 1))
                            .toAlignedRect();
                return all.describe(span.key, false);
            }
        }
    }
    return QString();
}
