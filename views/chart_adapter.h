// The charting component of the curve view: one chart window (title, subtitle, the plot with its
// legend, footer lines) built from Qt Charts, reached only through the operations the curve view
// needs — create and destroy, counts and modes, ranges, texts, series data, colours and line
// types, time labels, the point cursor — and reporting clicks, hot spots and keys back. Every
// value set is kept as state that can be read back without looking at pixels.
#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPen>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "curve_chart_view.h"

class QWidget;
class QLabel;
class QChart;
class QLineSeries;
class QAreaSeries;
class QAction;
class QValueAxis;
class QCategoryAxis;
class ChartAdapter : public QObject, public ChartPlotOwner {
    Q_OBJECT
  public:
    // Child id of the chart window in its view.
    static constexpr int kChartId = 1001;

    // What lies under the mouse.
    using HotSpot = ChartHotSpot;

    explicit ChartAdapter(QObject* parent = nullptr);
    ~ChartAdapter() override;

    // Creates the chart window as a visible child of parent over rect, replacing any chart there
    // was. False (and no chart) when it cannot be made.
    bool Create(QWidget* parent, const QRect& rect);
    void Destroy();
    // The chart window, or null.
    QWidget* Window() const;

    // The X axis: on a true time axis, the X of each point (ascending unless a clock was set
    // back) and the points that start a new piece of line, so a gap in the records is a gap in
    // every line and band; empty lists give the point-number axis, point p at X = p + 1. Set
    // before the series' data and bands.
    void SetPointAxis(const QList<double>& xs, const QList<int>& breaks);
    bool TimeAxis() const { return !pointX_.isEmpty(); }
    QList<int> LineBreaks() const { return breaks_; }
    double PointX(int point) const override;
    // The point whose X is nearest to x, -1 when there are none.
    int NearestPoint(double x) const;
    // The first and last point whose X lies in [min, max]; false when none does.
    bool PointsWithin(double min, double max, int* first, int* last) const;
    // The points [first, second) of each piece of line, the same for every series: one piece but
    // on a time axis with gaps.
    QList<QPair<int, int>> PieceRanges() const override;
    // Pieces a series' line is drawn in.
    int SeriesPieceCount(int series) const;
    // On a time axis, and where a series has a point of no number (NaN), the chart view draws
    // the lines and bands itself, piece by piece: a chart series cannot leave gaps, and a chart
    // series per piece grows slow past a few dozen. So it does beyond kMostChartSeries series:
    // the charting component adds, lays out and removes each of its series and legend entries in
    // time that grows with all the others. The chart's own series then only lend their legend
    // entries.
    bool DrawsLinesItself() const override {
        return TimeAxis() || SeriesCount() > kMostChartSeries || gapSeries_ > 0;
    }
    // Most series that get a series (and a legend entry) of the charting component: more
    // entries than this do not fit beside any plot, even in the legend's smallest text.
    static constexpr int kMostChartSeries = 200;
    // Series of the charting component: SeriesCount(), at most kMostChartSeries.
    int ChartSeriesCount() const { return series_.size(); }

    // Series and points per series; setting the series count makes that many empty series.
    void SetSeriesCount(int count);
    int SeriesCount() const override { return data_.size(); }
    void SetPointCount(int count) { pointCount_ = count; }
    int PointCount() const override { return pointCount_; }

    // 0 automatic (from the data), 1 manual (SetYRange).
    void SetYScaleMode(int mode);
    int YScaleMode() const { return yScaleMode_; }
    void SetXRange(double min, double max);
    // Equal or inverted limits are widened (WidenYRange).
    void SetYRange(double min, double max);
    // Manual Y grid spacing, or the chart's own choice when off; off as well when the spacing
    // is too fine for the range's precision (GridSpacingResolves). However fine the spacing,
    // the lines drawn stand at least kMinGridLineGap pixels apart.
    void SetManualYGrid(bool on, double spacing);
    bool ManualYGrid() const { return manualYGrid_; }
    double YGridSpacing() const { return yGridSpacing_; }
    // 0 both grids, 1 Y only, 2 X only, 3 none.
    void SetGridMode(int mode);
    int GridMode() const { return gridMode_; }

    void SetTitle(const QString& text);
    QString Title() const { return title_; }
    void SetSubtitle(const QString& text);
    QString Subtitle() const { return subtitle_; }
    // Footer entry by index; an entry's trailing "||" ends its line. Shown from the highest index
    // down.
    void SetFooterEntry(int index, const QString& text);
    QStringList FooterEntries() const { return footer_; }
    void SetXAxisLabel(const QString& text);
    void SetYAxisLabel(const QString& text);
    QString YAxisLabel() const { return yLabel_; }

    void SetSeriesLabel(int series, const QString& text);
    QString SeriesLabel(int series) const;
    // Colours and line types (0..6: thin solid, dash, dot, dash-dot, dash-dot-dot, medium solid,
    // thick solid) of the series in order; entries past SeriesCount() are ignored.
    void SetSeriesColors(const QList<QColor>& colors);
    void SetSeriesLineTypes(const QList<int>& lineTypes);
    // Replaces a series' points in one step (cut into its pieces on a time axis with gaps). A
    // point whose Y is NaN (a cell that holds no number) is left out, its line broken there.
    void SetSeriesData(int series, const QList<QPointF>& points);
    QList<QPointF> SeriesData(int series) const override;
    QColor SeriesColor(int series) const override;
    // The pen of a series' line: its colour and line type.
    QPen SeriesPen(int series) const override;
    Qt::PenStyle SeriesPenStyle(int series) const;
    int SeriesPenWidth(int series) const;

    // An X-axis label at x; a leading "|h" is the label's layout mark and is not shown.
    void SetTimeLabel(int index, double x, const QString& text);
    QMap<int, QString> TimeLabels() const { return timeLabels_; }
    // While zoomed: shows these labels (X value to text, same form) on the axis instead of the
    // time labels; an empty map brings the time labels back.
    void ShowZoomLabels(const QMap<double, QString>& labels);
    // Labels the axis offers now, in order (without the "|h" mark; lines joined by "<br>").
    QStringList AxisLabels() const;
    // Those of them it shows at its present width, each whole: fewer when they would not fit.
    QStringList VisibleAxisLabels() const;
    // Grid lines per Y label: above 1 when a manual grid is too fine to label every line.
    int YLabelEvery() const { return yLabelEvery_; }

    void SetColors(const QColor& background, const QColor& foreground);
    QColor Background() const override { return background_; }
    QColor Foreground() const override { return foreground_; }

    // The point cursor, as a point number (0-based); clamped to the points there are.
    void SetCursorPoint(int point);
    int CursorPoint() const override { return cursor_; }
    // The second cursor (B), hidden (-1) until set; clamped like the first. Hidden again by
    // Destroy.
    void SetCursorBPoint(int point) override;
    int CursorBPoint() const override { return cursorB_; }

    // A band from low to high behind a series (its colour, translucent, cut into the line's
    // pieces), not in the legend; an empty list removes it.
    void SetSeriesEnvelope(int series, const QList<QPointF>& low, const QList<QPointF>& high);
    // The band's points, empty when the series has none.
    QList<QPointF> SeriesEnvelopeLow(int series) const override;
    QList<QPointF> SeriesEnvelopeHigh(int series) const override;
    // Fill and edge of a series' band.
    QBrush BandBrush(int series) const override;
    QPen BandPen(int series) const override;

    // Puts a widget between the plot and the footer; the chart window takes it over. False when
    // there is no chart window.
    bool AddBelowPlot(QWidget* widget);
    // Actions the chart's context menu shows after its own; the caller keeps them.
    void SetMenuActions(const QList<QAction*>& actions) { menuActions_ = actions; }
    QList<QAction*> MenuActions() const override { return menuActions_; }
    // Y value of a series' point (NaN where it has no number), 0 when there is no such point.
    double YValue(int series, int point) const override;

    // Y and X ranges in force (after the automatic range or a zoom).
    double YMin() const override;
    double YMax() const override;
    double XMin() const override;
    double XMax() const override;

    // Zooms the X axis to [min, max]; the range is kept within the points.
    void ZoomX(double min, double max) override;

    // Each series on its own scale: while on, every series is drawn stretched from its own range
    // (the manual Y range in manual mode, else its lowest to highest value and band in the shown
    // X span, worked out anew on every zoom) to the range of the chosen series, whose scale the
    // Y axis shows, titled with its name from names and in its colour. What is read back
    // (SeriesData, YValue, the bands) stays true. A click on a legend entry chooses its series.
    void SetOwnScales(bool on, const QStringList& names, int chosen);
    bool OwnScales() const { return ownScales_; }
    void SetScaleSeries(int series);
    int ScaleSeries() const { return scales_.Chosen(); }
    const ChannelScales& Scales() const override { return scales_; }
    // A series' points where they are drawn.
    QList<QPointF> ShownSeriesData(int series) const;
    QString YAxisTitle() const;

    // Paints the chart now (the cursor read-out has changed).
    void Repaint();

    // Alarm lanes above the plot, which moves down to make room for them; no lanes take the
    // room back. Kept until the next Destroy.
    void SetAlarmLanes(const ChartAlarmLanes& lanes);
    const ChartAlarmLanes& AlarmLanes() const override { return alarmLanes_; }
    bool StepAlarm(int direction) override;
    // Paints the lanes now: their strip alone while the plot stays where it was.
    void RepaintAlarmLanes();

    QChart* Chart() const { return chart_; }

  signals:
    // A left click; point is the point number under it for a data-point hot spot.
    void Clicked(ChartAdapter::HotSpot hotSpot, int point);
    // The hot spot under the mouse changed.
    void HotSpotReported(ChartAdapter::HotSpot hotSpot, int point);
    // A key in the chart, after the arrow keys moved the cursor by one point; not for the
    // Shift+arrow keys, which move cursor B (CursorBMoved).
    void KeyPressed(int key);
    // The shown X range changed by a zoom or pan; whole is set when it shows every point again.
    void XRangeChanged(double min, double max, bool whole);
    // The user asked for the curve settings (the chart's context menu).
    void SettingsRequested();
    // The second cursor was moved (Shift+click or Shift+arrow keys).
    void CursorBMoved(int point);
    // Ctrl+C in the chart.
    void CopyRequested();
    // A click on a legend entry chose the series whose scale the Y axis shows.
    void ScaleSeriesChosen(int series);

  private:
    void PlotClicked(HotSpot hotSpot, int point) override { emit Clicked(hotSpot, point); }
    void PlotHotSpot(HotSpot hotSpot, int point) override { emit HotSpotReported(hotSpot, point); }
    void PlotCursorBMoved(int point) override { emit CursorBMoved(point); }
    // Later, not now: the settings' OK rebuilds the chart, and with it the plot that asks.
    void PlotSettingsRequested() override;
    void ApplyAutoYRange();
    // Ranges, the axis and the drawn points of the series on their own scales.
    void ApplyOwnScales();
    void ConnectLegendClicks();
    void AppendAxisLabel(double x, const QString& text);
    // Chooses the labels the axes show at the plot's present size, and the legend's text size.
    void FitAxisLabels();
    void FitLegend();
    void UpdateFooter();
    // Gives each chart series its pen, or an invisible one when the view draws the lines, and
    // its legend entry the colour, in one pass over the legend.
    void ApplyPens();
    // The points of a series without those whose Y is NaN, as the chart's own series take them.
    static QList<QPointF> Plottable(const QList<QPointF>& points);
    HotSpot HitTest(const QPoint& viewPos, bool anywhereInPlot, int* point) const override;
    void OnKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) override;

    QPointer<QWidget> window_;
    QLabel* titleLabel_ = nullptr;
    QLabel* subtitleLabel_ = nullptr;
    QLabel* footerLabel_ = nullptr;
    CurveChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    QCategoryAxis* xAxis_ = nullptr;
    QList<QLineSeries*> series_;  // the chart series of the first kMostChartSeries series
    QList<QList<QPointF>> data_;  // every point of each series
    QStringList names_;           // each series' label
    QList<QPen> pens_;            // each series' pen as chosen
    QList<bool> gaps_;            // each series: some point's Y is NaN
    int gapSeries_ = 0;           // series with such a point
    QList<double> pointX_;
    QList<int> breaks_;
    int pointCount_ = 0;
    int yScaleMode_ = 0;
    bool manualYGrid_ = false;
    double yGridSpacing_ = 0.0;
    int gridMode_ = 0;
    double xMin_ = 0.0;
    double xMax_ = 0.0;
    bool autoRangeDirty_ = true;
    QString title_;
    QString subtitle_;
    QStringList footer_;
    QString yLabel_;
    QMap<int, QString> timeLabels_;
    QMap<int, double> timeLabelX_;
    bool zoomLabels_ = false;
    QList<QPair<double, QString>> axisLabels_;   // X labels offered: value and text
    QList<QPair<double, QString>> shownLabels_;  // those on the axis now
    int yLabelEvery_ = 1;
    bool fitting_ = false;
    QColor background_ = Qt::white;
    QColor foreground_ = Qt::black;
    int cursor_ = 0;
    int cursorB_ = -1;
    QMap<int, QAreaSeries*> envelopes_;  // bands the chart draws (on the point-number axis)
    QMap<int, QPair<QList<QPointF>, QList<QPointF>>> bands_;  // every band's low and high
    QList<QAction*> menuActions_;
    bool ownScales_ = false;
    ChannelScales scales_;
    QStringList scaleNames_;
    int scaleSeries_ = 0;  // as asked; scales_ holds it clamped
    ChartAlarmLanes alarmLanes_;
    bool lanesMoved_ = true;  // the last lanes moved the plot
};
