// Where each part of a plot stands in a rectangle: title, read-out line, alarm lanes, the plot
// with its axes, the legend beside it and the footer below, measured with the fonts of the device
// that draws them. The painter draws from it, and the widget maps the mouse with it.
#pragma once

#include <QFont>
#include <QRectF>
#include <QStringList>
#include <vector>

#include "legend_layout.h"
#include "plot_map.h"
#include "plot_scene.h"
#include "value_ticks.h"

class QPaintDevice;

struct PlotLayout {
    QRectF area;
    QRectF title;
    QRectF subtitle;
    QRectF lanes;  // the strip of the alarm lanes, as wide as the plot; empty without lanes
    QRectF plot;
    QRectF legend;
    QRectF footer;
    QFont titleFont;
    QFont font;
    QFont legendFont;
    QFont laneFont;
    double lineHeight = 0.0;               // a line of the axes' text
    double xLabelWidth = 0.0;              // the widest line of an X label
    double xLabelLines = 0.0;              // lines of the tallest X label
    double yLabelWidth = 0.0;              // the widest Y label
    double laneLabelWidth = 0.0;           // 0 when the lanes are too thin for labels
    double laneHeight = kAlarmLaneHeight;  // one lane's, from kLeastLaneHeight up
    double decorationHeight = 0.0;         // all but the plot: texts, lanes, X axis, footer
    ValueTicks y;                          // the Y axis' range, lines and labels
    QStringList yTexts;                    // the label of each of y.lines (empty where unlabelled)
    std::vector<int> xShown;               // the scene's X labels shown, each whole
    LegendLayout legendLayout;             // entries in legend pixels
    double legendTextWidth = 0.0;          // the widest entry's text when laid out

    bool Valid() const { return plot.width() > 0 && plot.height() > 0 && y.max > y.min; }
    AxisMap XMap(const PlotScene& scene) const {
        return {scene.xMin, scene.xMax, plot.left(), plot.width()};
    }
    AxisMap YMap() const { return {y.min, y.max, plot.bottom(), -plot.height()}; }
    // A lane's rectangle among `count` lanes.
    QRectF LaneRect(int lane, int count) const;
    // Whether the lanes are tall enough for their labels (else only their tips tell the IDs).
    bool LaneLabels() const { return laneHeight >= 8; }
};

// Lays the scene out in area, with font for its texts (the title larger and bold), measured on
// device (the screen when null). The legend takes at most two fifths of the width and every entry
// has a place (LayOutLegend); the Y axis rounds an automatic range to whole steps for the plot's
// height; the X labels shown are those that fit whole.
PlotLayout LayOutPlot(const PlotScene& scene, const QRectF& area, const QFont& font,
                      QPaintDevice* device = nullptr);

// The Y axis of the scene on an axis `pixels` high (0: not laid out) with labels labelHeight
// high: an automatic range rounded to whole steps, or the range as set, with the manual grid when
// it is on.
ValueTicks PlotYTicks(const PlotScene& scene, double pixels, double labelHeight);

// The text of a Y label of value on ticks: as many decimals as the step needs, and never "-0".
QString ValueLabel(double value, const ValueTicks& ticks);
