// Where the legend's entries stand: in columns beside the plot, every entry with its own
// rectangle at any size, for drawing and for clicks.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "plot_map.h"

// How entries are measured at a text size (in points).
struct LegendMetrics {
    std::function<double(double pointSize)> lineHeight;               // a line of text, pixels
    std::function<double(size_t entry, double pointSize)> textWidth;  // an entry's text, pixels
};

struct LegendStyle {
    double pointSize = 9.0;       // the text size wanted
    double floorPointSize = 6.0;  // the smallest it shrinks to
    double markerWidth = 20.0;    // the line sample before the text, pixels
    double gap = 4.0;             // after the marker and after each column's text, pixels
};

struct LegendLayout {
    double pointSize = 0.0;
    double width = 0.0;  // the legend's size, within the box it was laid out in
    double height = 0.0;
    double contentHeight = 0.0;  // of every row; above height when the entries scroll
    int columns = 0;
    int rows = 0;                   // entries per column
    std::vector<PlotRect> entries;  // per entry, its marker and text, in the legend's pixels
                                    // when it is not scrolled

    double MaxScroll() const { return contentHeight > height ? contentHeight - height : 0.0; }
};

// Lays out `count` entries in a box at most maxWidth wide and `height` high. An entry is a line
// of text with a fifth of its height above and below, its marker and its text; entries run down
// a column and on into the next. The text shrinks by half points from the size wanted towards
// the floor until every entry fits one column; at the floor, columns are added while the legend
// stays within maxWidth; when even that leaves entries over, they scroll: as many columns as fit
// (at least one), each as long as its entries need. No entry is left out. A column is narrower
// than its text only when it alone is wider than the box (the text is then cut where it is
// drawn).
LegendLayout LayOutLegend(size_t count, double maxWidth, double height, const LegendStyle& style,
                          const LegendMetrics& metrics);

// The entry at (x, y) in the legend's pixels with the entries scrolled up by `scroll` pixels;
// -1 when none is there or the point lies outside the legend.
int LegendEntryAt(const LegendLayout& layout, double x, double y, double scroll);
