// The historic curves of a view: samples the points of the view's report, builds the chart
// through its ChartAdapter from the curve settings, and keeps the cursor read-out (series labels
// and subtitle) in step with clicks, hot spots and arrow keys.
#pragma once

#include <QObject>

#include "alarm_layer.h"
#include "chart_adapter.h"
#include "curve_chart_plan.h"
#include "curve_extras.h"
#include "curve_settings.h"
#include "record_table.h"

class CurveView : public QObject {
    Q_OBJECT
  public:
    // host is the window the chart fills; settings and table belong to the view and outlive this.
    CurveView(QWidget* host, CurveSettings* settings, const RecordTable* table);

    // Destroys the chart, samples the points when the range changed, builds the chart and puts
    // the cursor on point 1. False when the chart could not be created (there is none then).
    bool DrawCurves();
    // Destroys the chart; what was being computed for it is cancelled.
    void DestroyChart() {
        extras_.StopComputing();
        adapter_.Destroy();
    }

    // Sets the series labels to "name(value)" at point p and the subtitle to its time.
    void ShowCursorValues(int p);

    ChartAdapter* Adapter() { return &adapter_; }
    CurveExtras* Extras() { return &extras_; }
    AlarmLayer* Alarms() { return &alarms_; }
    QWidget* Chart() const { return adapter_.Window(); }

  signals:
    // The chart asked for the curve settings dialog.
    void SettingsRequested();

  private:
    bool BuildChart();
    void OnClicked(ChartAdapter::HotSpot hotSpot, int point);
    void OnHotSpot(ChartAdapter::HotSpot hotSpot, int point);
    void OnKey();
    void OnXRangeChanged(double min, double max, bool whole);
    const CurveChannel* ShownChannel(int showIndex) const;
    // The axis label of point p of a channel: its time, or its row number when no row has a
    // readable time.
    QString PointLabel(const CurveChannel& channel, int p) const;

    QWidget* host_;
    CurveSettings* settings_;
    const RecordTable* table_;
    ChartAdapter adapter_;
    CurveExtras extras_;
    AlarmLayer alarms_;
    CalendarTime timeOrigin_;  // the time of X = 0 while the chart has a time axis
};
