// The charting component of the curve view: one chart window (the plot with its title, read-out
// line, legend and footer, and room below it for a panel) drawn by the plot painter, reached only
// through the operations the curve view needs — create and destroy, counts and modes, ranges,
// texts, series data, colours and line types, time labels, the point cursor — and reporting
// clicks, hot spots and keys back. Every value set is kept as state that can be read back without
// looking at pixels.
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

#include "plot_view.h"

class QWidget;
class QSplitter;
class QAction;
class ChartAdapter : public QObject, public PlotOwner {
    Q_OBJECT
  public:
    // Child id of the chart window in its view.
    static constexpr int kChartId = 1001;

    // What lies under the mouse.
    using HotSpot = PlotHit;

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
    double PointX(int point) const;
    // The point whose X is nearest to x, -1 when there are none.
    int NearestPoint(double x) const;
    // The first and last point whose X lies in [min, max]; false when none does.
    bool PointsWithin(double min, double max, int* first, int* last) const;
    // The points [first, second) of each piece of line, the same for every series: one piece but
    // on a time axis with gaps.
    QList<QPair<int, int>> PieceRanges() const;
    // Pieces a series' line is drawn in.
    int SeriesPieceCount(int series) const;
    // Series and points per series; setting the series count makes that many empty series.
    void SetSeriesCount(int count);
    int SeriesCount() const { return scene_.series.size(); }
    void SetPointCount(int count);
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
    QString Title() const { return scene_.title; }
    void SetSubtitle(const QString& text);
    QString Subtitle() const { return scene_.subtitle; }
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
    // point whose Y is NaN (a cell that holds no number) is not drawn, its line broken there.
    void SetSeriesData(int series, const QList<QPointF>& points);
    QList<QPointF> SeriesData(int series) const;
    QColor SeriesColor(int series) const;
    // The pen of a series' line: its colour and line type.
    QPen SeriesPen(int series) const;
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
    int YLabelEvery() const { return YTicks().linesPerLabel; }

    void SetColors(const QColor& background, const QColor& foreground);
    QColor Background() const { return background_; }
    QColor Foreground() const { return foreground_; }

    // The point cursor, as a point number (0-based); clamped to the points there are.
    void SetCursorPoint(int point);
    int CursorPoint() const { return cursor_; }
    // The second cursor (B), hidden (-1) until set; clamped like the first. Hidden again by
    // Destroy.
    void SetCursorBPoint(int point) override;
    int CursorBPoint() const override { return cursorB_; }

    // A band from low to high behind a series (its colour, translucent, cut into the line's
    // pieces), not in the legend; an empty list removes it.
    void SetSeriesEnvelope(int series, const QList<QPointF>& low, const QList<QPointF>& high);
    // The band's points, empty when the series has none.
    QList<QPointF> SeriesEnvelopeLow(int series) const;
    QList<QPointF> SeriesEnvelopeHigh(int series) const;

    // Puts a widget below the plot, the second part of a splitter (the plot keeps its least
    // height); the chart window takes it over. False when there is no chart window.
    bool AddBelowPlot(QWidget* widget);
    // Actions the chart's context menu shows after its own; the caller keeps them.
    void SetMenuActions(const QList<QAction*>& actions) { menuActions_ = actions; }
    QList<QAction*> MenuActions() const { return menuActions_; }
    // Y value of a series' point (NaN where it has no number), 0 when there is no such point.
    double YValue(int series, int point) const;

    // Y and X ranges in force (after the automatic range or a zoom).
    double YMin() const;
    double YMax() const;
    double XMin() const;
    double XMax() const;

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
    const ChannelScales& Scales() const { return scales_; }
    // A series' points where they are drawn.
    QList<QPointF> ShownSeriesData(int series) const;
    QString YAxisTitle() const;
    // The colour of the Y axis' labels, line and title.
    QColor YAxisColor() const;

    // Paints the chart now (the cursor read-out has changed).
    void Repaint();

    // Alarm lanes above the plot, which moves down to make room for them; no lanes take the
    // room back. Kept until the next Destroy.
    void SetAlarmLanes(const ChartAlarmLanes& lanes);
    const ChartAlarmLanes& AlarmLanes() const { return scene_.lanes; }
    bool StepAlarm(int direction) override;
    // Paints the lanes now.
    void RepaintAlarmLanes();

    // The plot as drawn and where things stand on it, for what reads the pixels (tests, the
    // benchmarks): the plot widget, its layout, a value's place and a legend entry's rectangle in
    // the widget's pixels.
    PlotView* Plot() const { return view_; }
    const PlotScene& PlotState() const { return scene_; }
    const PlotLayout* Layout() const;
    QPoint PlotPosition(double x, double y) const;
    QRect LegendEntryRect(int series) const;

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
    PlotScene& Scene() override { return scene_; }
    void PlotClicked(HotSpot hotSpot, int point) override { emit Clicked(hotSpot, point); }
    void PlotHotSpot(HotSpot hotSpot, int point) override { emit HotSpotReported(hotSpot, point); }
    void PlotCursorBMoved(int point) override { emit CursorBMoved(point); }
    void PlotLegendClicked(int series) override;
    // The settings entry first, then the caller's actions.
    QList<QAction*> ContextMenuActions() const override;
    HotSpot HitTest(const QPoint& pos, bool anywhereInPlot, int* point) const override;
    void OnKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) override;
    void ApplyAutoYRange() const;
    // Ranges, the axis and the drawn points of the series on their own scales.
    void ApplyOwnScales() const;
    void AppendAxisLabel(double x, const QString& text);
    void UpdateFooter();
    // The cursors as the plot draws them.
    void SyncCursors();
    // The plot needs laying out anew (texts, ranges, series) or only drawing anew.
    void Changed(bool layout = true) const;
    // The Y range with the automatic range brought up to date.
    const ValueTicks& YTicks() const;

    QPointer<QWidget> window_;
    QSplitter* splitter_ = nullptr;
    PlotView* view_ = nullptr;
    mutable PlotScene scene_;
    mutable ValueTicks unlaidTicks_;  // the Y ticks while there is no plot to lay out
    QList<double> pointX_;
    QList<int> breaks_;
    int pointCount_ = 0;
    int yScaleMode_ = 0;
    bool manualYGrid_ = false;
    double yGridSpacing_ = 0.0;
    double yFixedMin_ = 0.0;  // the manual range as set
    double yFixedMax_ = 1.0;
    int gridMode_ = 0;
    double xMin_ = 0.0;
    double xMax_ = 0.0;
    mutable bool autoRangeDirty_ = true;
    QString yLabel_;
    QStringList footer_;
    QMap<int, QString> timeLabels_;
    QMap<int, double> timeLabelX_;
    bool zoomLabels_ = false;
    QList<QPair<double, QString>> axisLabels_;  // X labels offered: value and text as shown
    QColor background_ = Qt::white;
    QColor foreground_ = Qt::black;
    int cursor_ = 0;
    int cursorB_ = -1;
    QList<QAction*> menuActions_;
    QAction* settingsAction_ = nullptr;  // "历史曲线设置(&E)", with the window
    QAction* separator_ = nullptr;
    bool ownScales_ = false;
    mutable ChannelScales scales_;
    QStringList scaleNames_;
    int scaleSeries_ = 0;  // as asked; scales_ holds it clamped
};
