// The curve view's additions to the chart, each a choice of the user kept per view and off until
// chosen: the panel of range statistics and of the two cursors (A, the read-out's cursor, and B,
// set with Shift+click or Shift+arrow keys), and envelope thinning (a band from the lowest to the
// highest value of the rows each point stands for), and a true time axis (X is the record time,
// lines break where records are missing), and each channel on its own scale; and the chart's
// image saved or copied from its context menu. Works on the chart through its adapter after
// the curve view has built it.
#pragma once

#include <QObject>
#include <QPointer>

#include "chart_adapter.h"
#include "curve_panel.h"
#include "curve_settings.h"
#include "range_stats.h"
#include "record_table.h"
#include "stats_worker.h"

class QAction;

class CurveExtras : public QObject {
    Q_OBJECT
  public:
    // adapter, settings and table belong to the curve view and outlive this.
    CurveExtras(ChartAdapter* adapter, CurveSettings* settings, const RecordTable* table,
                QObject* parent = nullptr);

    // After every build of the chart: statistics of the whole range, the panel and the envelopes
    // when chosen, and the context menu's entries.
    void ChartBuilt();
    // Cursor A has moved; the panel follows.
    void CursorMoved();
    // The shown X range changed; the statistics follow it.
    void RangeChanged(double min, double max, bool whole);

    // The choices are kept in the settings (statisticsPanel, envelope, timeAxis, ownScales).
    void SetPanelShown(bool shown);
    void SetEnvelope(bool on);
    // Asks for the chart to be built again when the choice changes.
    void SetTimeAxis(bool on);
    // Each channel on its own scale (ownScales); the Y axis shows the scale of the channel last
    // chosen in the legend, or of the first shown one.
    void SetOwnScales(bool on);

    // The panel while shown, else null.
    CurvePanel* Panel() const { return panel_; }
    // What the panel shows (also while hidden).
    PanelContents Contents() const;
    // Puts the panel's text on the clipboard; false (and nothing copied) while it is hidden.
    bool CopyPanel();

    // Rows the statistics cover now.
    RowRange StatisticsRows() const { return statsRows_; }
    // Computes the statistics of long ranges (Busy while they are computed).
    StatsWorker& StatisticsWorker() { return statsWorker_; }
    // Cancels the statistics and envelopes being computed and waits until their threads have
    // left them: their results are never delivered, and the table may change.
    void StopComputing();

  signals:
    // The chart must be built anew (its X axis changed).
    void RebuildRequested();
    // The panel has just been made (Panel()).
    void PanelOpened();

  private:
    // Shown channels in series order, with their table columns.
    struct Shown {
        const CurveChannel* channel;
        int32_t column;
    };
    std::vector<Shown> ShownChannels() const;
    // Shows a choice in its menu entry and keeps it in the settings; true when it changed.
    static bool Choose(QAction* action, int32_t* choice, bool on);
    void OpenPanel();
    void ComputeStatistics(RowRange rows);
    void ApplyEnvelopes();
    void ApplyOwnScales();
    void ShowEnvelopes(const std::vector<Shown>& shown, const std::vector<Envelope>& envelopes);
    // Whether the statistics or envelopes of rows are computed in the background.
    bool InBackground(RowRange rows) const;
    void UpdatePanel();
    void OnCursorB();
    void OnSaveImage();

    ChartAdapter* adapter_;
    CurveSettings* settings_;
    const RecordTable* table_;
    QPointer<CurvePanel> panel_;
    RowRange statsRows_;
    std::vector<ChannelStats> stats_;
    QAction* panelAction_;
    QAction* envelopeAction_;
    QAction* timeAxisAction_;
    QAction* ownScalesAction_;
    int32_t scaleChannel_ = -1;  // index of the channel last chosen for the Y axis
    QAction* saveImageAction_;
    QAction* copyImageAction_;
    int statsProgress_ = -1;
    // Last: their threads end before what they read goes.
    StatsWorker statsWorker_;
    StatsWorker envelopeWorker_;
};
