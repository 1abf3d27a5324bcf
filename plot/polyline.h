// A polyline of many points drawn as few: per pixel column, the first, lowest, highest and last
// point of the line there draw the same pixels as all of them. And the point under the mouse.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "plot_map.h"

// The pixel column of a point whose X is not a number.
constexpr int32_t kNoColumn = std::numeric_limits<int32_t>::min();

// The device pixel column, floor(map.Pixel(x)), of each of count X values. X values beyond
// either end of the axis (map.start to map.start + map.length) share the column just outside
// it; an X that is not a number gets kNoColumn. Work it out once for the X values that several
// series share.
std::vector<int32_t> PixelColumns(const double* x, size_t count, const AxisMap& map);

// Where a point in `column` (PixelColumns) and at the pixel y (a Y axis' map of its value) is
// drawn: the centre of its pixel.
struct PixelPoint {
    double x;
    double y;
};
inline PixelPoint PointPixel(int32_t column, double y) {
    return {column + 0.5, std::floor(y) + 0.5};
}

// The points of a polyline (their pixel columns and Y values, count of each) that draw the same
// image as every point: of each run of neighbouring points in one pixel column, the first, the
// lowest, the highest and the last, in their order and each once. A point whose Y is not a
// finite number or whose column is kNoColumn breaks the line: the first of neighbouring breaks
// is kept between the pieces, so that the line breaks where it did. Returns indices into the
// points, ascending. X values need not rise (a clock set back): a run ends wherever the column
// changes.
// The images agree pixel for pixel, antialiased or not, when every point is drawn at the centre
// of its pixel (PointPixel) and joined to the next by a solid line up to one pixel wide,
// stroked as one outline. (QPainter draws a pen of width 1 as a cosmetic line, segment by
// segment, whose joints do not add up alike; a width of 1.01 is stroked.) Wider or dashed lines
// differ where the line turns.
std::vector<size_t> ReduceToColumns(const int32_t* columns, const double* y, size_t count);

// No point.
constexpr size_t kNoPoint = std::numeric_limits<size_t>::max();

// A point of a series under the mouse and its distance from it, in pixels.
struct PointHit {
    size_t index = kNoPoint;
    double distance = std::numeric_limits<double>::infinity();
};

// The point of a series (x and y, count of each) whose place on the plot lies nearest to the
// pixel (px, py), within `tolerance` pixels; none when no point does. Points whose X or Y is not
// a number are passed over. With xRises (X ascending and never NaN) only the points within
// tolerance across are looked at; otherwise every point.
PointHit NearestPoint(const double* x, const double* y, size_t count, const AxisMap& xMap,
                      const AxisMap& yMap, double px, double py, double tolerance, bool xRises);
