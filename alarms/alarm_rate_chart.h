// The chart of alarms per 10 minutes or per hour over a span: a bar per period, the periods in
// flood (more alarms than the flood limit) in red beside a dashed line at the limit. A click on a
// bar picks its period.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include "alarm_analysis_report.h"

class QPainter;

// Draws the series into area with font: the count axis on the left, the times of a few periods
// below, the bar of period `selected` (-1: none) outlined. Bars narrower than a pixel are drawn
// per pixel column, its highest count.
void PaintAlarmRates(QPainter& painter, const QRect& area, const AlarmRateSeries& series,
                     const QFont& font, int selected);
// The plot area of PaintAlarmRates within area (bars span its width).
QRect AlarmRatePlotArea(const QRect& area, const QFont& font);

class AlarmRateChart : public QWidget {
    Q_OBJECT
  public:
    explicit AlarmRateChart(QWidget* parent = nullptr);

    void SetSeries(const AlarmRateSeries& series);
    const AlarmRateSeries& Series() const { return series_; }
    void SetSelected(int period);
    // The period under x of the widget, or -1.
    int PeriodAt(int x) const;
    QSize sizeHint() const override { return QSize(480, 240); }
    QSize minimumSizeHint() const override { return QSize(200, 120); }

  signals:
    // A bar was clicked: its period [from, to).
    void PeriodClicked(qint64 from, qint64 to, int period);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    AlarmRateSeries series_;
    int selected_ = -1;
};
