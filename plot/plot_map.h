// How a plot places values on pixels: a linear map per axis and a plain rectangle.
#pragma once

// Values from..to of an axis onto the pixels start..start + length. A negative length runs
// upwards (a Y axis). Every part of the plot maps with Pixel, so points that the arithmetic
// puts in a pixel column are drawn in it.
struct AxisMap {
    double from = 0.0;
    double to = 1.0;
    double start = 0.0;
    double length = 1.0;

    double Pixel(double value) const { return start + (value - from) * (length / (to - from)); }
    double Value(double pixel) const { return from + (pixel - start) * ((to - from) / length); }
};

// A rectangle in pixels, left and top inclusive, right and bottom exclusive.
struct PlotRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    bool Contains(double px, double py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
    bool operator==(const PlotRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};
