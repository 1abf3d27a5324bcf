// Draws a laid-out plot onto any QPainter: a widget, an image, a printer, a PDF or an SVG. The
// screen and paper go through the same drawing, so what is printed is what was seen.
#pragma once

#include "plot_layout.h"
#include "plot_scene.h"

class QPainter;

// The parts of a plot, so that a widget can keep what changes seldom as a picture and draw what
// follows the mouse over it.
enum PlotParts {
    // Background, title, axes, grid, bands, lines, alarm lanes, footer.
    kPlotBase = 1,
    // The read-out line, the legend, the cursors and the zoom rectangle.
    kPlotOverlay = 2,
    kPlotAll = kPlotBase | kPlotOverlay,
};

void PaintPlot(QPainter* painter, const PlotScene& scene, const PlotLayout& layout,
               int parts = kPlotAll);

// Where a series' points are drawn in pixels: columns of at most this many points are drawn
// point by point, denser lines through their per-column first, lowest, highest and last points.
constexpr double kReduceAbovePointsPerColumn = 2.0;
