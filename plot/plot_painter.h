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

// Lines of at most this many shown points per pixel column on average are drawn point by point;
// denser ones through each column's first, lowest, highest and last point (which keeps at most
// four a column, so sparser lines gain nothing by it).
constexpr double kReduceAbovePointsPerColumn = 8.0;
