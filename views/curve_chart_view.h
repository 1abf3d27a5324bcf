// The plot of the curve chart: draws the point cursor over the series, zooms into a dragged time
// span or with the wheel, pans with the middle button, and hands clicks, hot spots and keys to
// its ChartAdapter.
#pragma once

#include <QChartView>

class ChartAdapter;
class QRubberBand;

class CurveChartView : public QChartView {
    Q_OBJECT
  public:
    CurveChartView(QChart* chart, ChartAdapter* adapter, QWidget* parent);

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
    // The series' lines and bands piece by piece, for an adapter that draws them itself.
    void DrawLines(QPainter* painter);
    // A cursor's line at a point, with a ring on each series' value there.
    void DrawCursor(QPainter* painter, int cursor, Qt::PenStyle style);

    ChartAdapter* adapter_;
    QRubberBand* band_ = nullptr;
    QPoint pressAt_;
    bool dragging_ = false;
    bool panning_ = false;
    QPoint panFrom_;
    int lastHotSpot_ = -1;
    int lastHotPoint_ = -1;
};
