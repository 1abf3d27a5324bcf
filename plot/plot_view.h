// A plot as a widget: draws the plot of its owner's scene (keeping what
// changes seldom as a picture, so that a cursor step repaints only what follows the mouse),
// zooms into a dragged time span or with the wheel, pans with the middle button, scrolls a
// legend too long for its room, shows the alarm lanes' tips, and hands clicks, hot spots and
// keys to the window that owns it (the curve view's chart, the trend window), through the
// PlotOwner interface below.
#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QWidget>

#include "plot_layout.h"
#include "plot_scene.h"

class QAction;

// What lies under the mouse.
enum class PlotHit { kNone, kDataPoint, kPlotArea, kLegend, kTitle };

// What the plot reads of the chart that owns it (the scene, cursors) and what it reports back
// (clicks, hot spots, keys, zooms). The owner outlives its plot.
class PlotOwner {
  public:
    // What is drawn; the plot keeps the legend's scroll and the zoom rectangle in it.
    virtual PlotScene& Scene() = 0;
    virtual int PointCount() const = 0;
    virtual int CursorBPoint() const = 0;
    virtual void SetCursorBPoint(int point) = 0;
    // The context menu's entries, in order (a separator is an action too); none: no menu.
    virtual QList<QAction*> ContextMenuActions() const = 0;
    virtual void ZoomX(double min, double max) = 0;
    // What lies under a position of the plot; a click anywhere in the plot area is on the
    // nearest point in time, a hover only within a few pixels of a plotted point.
    virtual PlotHit HitTest(const QPoint& pos, bool anywhereInPlot, int* point) const = 0;
    virtual void OnKey(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void PlotClicked(PlotHit hotSpot, int point) = 0;
    virtual void PlotHotSpot(PlotHit hotSpot, int point) = 0;
    virtual void PlotCursorBMoved(int point) = 0;
    virtual void PlotLegendClicked(int series) = 0;
    // Moves cursor A to the next (direction 1) or previous (-1) alarm; false when there is none
    // that way.
    virtual bool StepAlarm(int direction) = 0;

  protected:
    ~PlotOwner() = default;
};

class PlotView : public QWidget {
    Q_OBJECT
  public:
    PlotView(PlotOwner* owner, QWidget* parent);

    // The layout at the present size, laid out anew when something it depends on changed.
    const PlotLayout& Layout();
    // The scene has changed: what needs laying out (the texts and ranges) or only drawing anew.
    void Changed(bool layout);
    // A legend entry's text has changed: laid out anew only when it no longer fits.
    void LegendTextChanged(const QString& text);
    // The legend entry of a series in widget pixels (scrolled as shown); empty when hidden.
    QRectF LegendEntryRect(int series);
    // The series whose legend entry is at pos, -1 for none.
    int LegendEntryAt(const QPoint& pos);
    // The X value under a widget position.
    double XValueAt(const QPoint& pos);

  signals:
    // The plot's rectangle moved within the widget: laid out anew at another size, or around
    // labels, a legend or lanes of other room. Owners that read data for its pixel columns read
    // again.
    void PlotAreaChanged();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // The tip of the alarm span or mark under pos and the rectangle it holds for; an empty text
    // when there is none.
    QString AlarmTipAt(const QPoint& pos, QRect* rect);
    void ShowAlarmTip(const QPoint& pos);

    PlotOwner* owner_;
    PlotLayout layout_;
    bool layoutDirty_ = true;
    bool baseDirty_ = true;
    QImage base_;  // the plot without what follows the mouse
    QPoint pressAt_;
    bool dragging_ = false;
    bool panning_ = false;
    QPoint panFrom_;
    int lastHotSpot_ = -1;
    int lastHotPoint_ = -1;
    bool legendPressed_ = false;
};
