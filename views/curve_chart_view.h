// The plot of the curve chart: draws the point cursor over the series, zooms into a dragged time
// span or with the wheel, pans with the middle button, and hands clicks, hot spots and keys to
// the chart that owns it, through the ChartPlotOwner interface below.
#pragma once

#include <QBrush>
#include <QChartView>
#include <QColor>
#include <QList>
#include <QPair>
#include <QPen>
#include <QPointF>
#include <QString>
#include <functional>

#include "channel_scales.h"

class QAction;
class QRubberBand;

// What lies under the mouse.
enum class ChartHotSpot { kNone, kDataPoint, kPlotArea, kLegend, kTitle };

// The alarm lanes drawn above the plot, one lane per alarm ID, in X values of the chart.
struct ChartAlarmSpan {
    double from = 0.0;  // the alarm (or where the range starts, when it came before)
    double to = 0.0;    // the clear (or where the range ends)
    double ack = 0.0;   // the acknowledgement, when hasAck
    bool hasAck = false;
    bool started = true;  // false: the alarm came before the range
    bool cleared = true;  // false: no clear in the range
    int32_t key = -1;     // what the lanes' describe function knows the span by
};
struct ChartAlarmMark {
    double x = 0.0;  // an event that is neither alarm, acknowledgement nor clear
    int32_t key = -1;
};
struct ChartAlarmLane {
    QString label;
    QList<ChartAlarmSpan> spans;  // in time order
    QList<ChartAlarmMark> marks;
};
struct ChartAlarmLanes {
    QList<ChartAlarmLane> lanes;
    QList<int> alarmPoints;  // the points the alarms stand at, ascending, each once: where the
                             // cursor jumps to
    // The hover's text of a span or mark (times, ID, event and message) by its key, made only
    // when asked for: tens of thousands of texts would cost more than the lanes' draw.
    std::function<QString(int32_t key, bool mark)> describe;
};

// What the plot reads of the chart that owns it (series, ranges, cursors) and what it reports back
// (clicks, hot spots, keys, zooms). The owner outlives its plot.
class ChartPlotOwner {
  public:
    virtual int SeriesCount() const = 0;
    virtual int PointCount() const = 0;
    virtual double PointX(int point) const = 0;
    virtual QList<QPair<int, int>> PieceRanges() const = 0;
    virtual bool DrawsLinesItself() const = 0;
    virtual QList<QPointF> SeriesData(int series) const = 0;
    virtual QColor SeriesColor(int series) const = 0;
    virtual QPen SeriesPen(int series) const = 0;
    virtual QList<QPointF> SeriesEnvelopeLow(int series) const = 0;
    virtual QList<QPointF> SeriesEnvelopeHigh(int series) const = 0;
    virtual QBrush BandBrush(int series) const = 0;
    virtual QPen BandPen(int series) const = 0;
    virtual double YValue(int series, int point) const = 0;
    // Where each series' true values are drawn on the Y axis (values as they are while off).
    virtual const ChannelScales& Scales() const = 0;
    virtual double XMin() const = 0;
    virtual double XMax() const = 0;
    virtual double YMin() const = 0;
    virtual double YMax() const = 0;
    virtual QColor Foreground() const = 0;
    virtual QColor Background() const = 0;
    virtual int CursorPoint() const = 0;
    virtual int CursorBPoint() const = 0;
    virtual void SetCursorBPoint(int point) = 0;
    virtual QList<QAction*> MenuActions() const = 0;
    virtual void ZoomX(double min, double max) = 0;
    // What lies under a position of the plot view; a click anywhere in the plot area is on the
    // nearest point in time, a hover only within a few pixels of a plotted point.
    virtual ChartHotSpot HitTest(const QPoint& viewPos, bool anywhereInPlot, int* point) const = 0;
    virtual void OnKey(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void PlotClicked(ChartHotSpot hotSpot, int point) = 0;
    virtual void PlotHotSpot(ChartHotSpot hotSpot, int point) = 0;
    virtual void PlotCursorBMoved(int point) = 0;
    // The context menu's settings entry was chosen; the owner answers once the menu has closed.
    virtual void PlotSettingsRequested() = 0;
    // The alarm lanes to draw above the plot (none while they are off or not read yet).
    virtual const ChartAlarmLanes& AlarmLanes() const = 0;
    // Moves cursor A to the next (direction 1) or previous (-1) alarm; false when there is none
    // that way.
    virtual bool StepAlarm(int direction) = 0;

  protected:
    ~ChartPlotOwner() = default;
};

class CurveChartView : public QChartView {
    Q_OBJECT
  public:
    CurveChartView(QChart* chart, ChartPlotOwner* adapter, QWidget* parent);

  protected:
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // The X value under a viewport position.
    double XValueAt(const QPoint& pos) const;
    // Hands a press or release on the legend to the chart's own handling (its entries' clicks).
    void ForwardLegendClick(QMouseEvent* event);
    // The series' lines and bands piece by piece, for an adapter that draws them itself.
    void DrawLines(QPainter* painter);
    // A cursor's line at a point, with a ring on each series' value there.
    void DrawCursor(QPainter* painter, int cursor, Qt::PenStyle style);
    // The alarm lanes in the margin above the plot.
    void DrawAlarmLanes(QPainter* painter);
    // The tip of the alarm span or mark under a viewport position, empty when there is none.
    QString AlarmTipAt(const QPoint& pos) const;
    // A lane's rectangle in scene coordinates.
    QRectF AlarmLaneRect(int lane) const;

    ChartPlotOwner* adapter_;
    QRubberBand* band_ = nullptr;
    QPoint pressAt_;
    bool dragging_ = false;
    bool panning_ = false;
    QPoint panFrom_;
    int lastHotSpot_ = -1;
    int lastHotPoint_ = -1;
    bool legendPressed_ = false;  // a press was handed on to the legend
    bool tipShown_ = false;
};

// Height of one alarm lane and the gap between the lanes and the plot, in pixels.
constexpr int kAlarmLaneHeight = 11;
constexpr int kAlarmLaneGap = 8;
// Most lanes drawn: the IDs past the last but one share the last lane.
constexpr int kMostAlarmLanes = 16;
