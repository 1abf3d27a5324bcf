#include "polyline.h"

#include <algorithm>
#include <cmath>

std::vector<int32_t> PixelColumns(const double* x, size_t count, const AxisMap& map) {
    const double lo = std::floor(map.start) - 1;
    const double hi = std::ceil(map.start + map.length);
    std::vector<int32_t> columns(count);
    for (size_t i = 0; i < count; ++i) {
        const double px = map.Pixel(x[i]);
        // A NaN fails both comparisons of the clamp: it is told apart first.
        columns[i] =
            std::isnan(px) ? kNoColumn : static_cast<int32_t>(std::clamp(std::floor(px), lo, hi));
    }
    return columns;
}

namespace {

// Appends first, the lower and the higher of lowest and highest, and last, each once: they stand
// in that order along the line.
void AppendRun(std::vector<size_t>* out, size_t first, size_t lowest, size_t highest, size_t last) {
    const size_t a = std::min(lowest, highest);
    const size_t b = std::max(lowest, highest);
    out->push_back(first);
    if (a > first)
        out->push_back(a);
    if (b > a && b > first)
        out->push_back(b);
    if (last > b && last > first)
        out->push_back(last);
}

}  // namespace

std::vector<size_t> ReduceToColumns(const int32_t* columns, const double* y, size_t count) {
    std::vector<size_t> kept;
    bool inRun = false;
    bool broken = false;  // a break is pending since the last point kept
    int32_t column = 0;
    size_t first = 0, lowest = 0, highest = 0, last = 0;
    for (size_t i = 0; i < count; ++i) {
        if (columns[i] == kNoColumn || !std::isfinite(y[i])) {
            if (inRun)
                AppendRun(&kept, first, lowest, highest, last);
            if (!broken && (inRun || !kept.empty()))
                kept.push_back(i);
            inRun = false;
            broken = true;
            continue;
        }
        if (inRun && columns[i] == column) {
            if (y[i] < y[lowest])
                lowest = i;
            if (y[i] > y[highest])
                highest = i;
            last = i;
            continue;
        }
        if (inRun)
            AppendRun(&kept, first, lowest, highest, last);
        inRun = true;
        broken = false;
        column = columns[i];
        first = lowest = highest = last = i;
    }
    if (inRun)
        AppendRun(&kept, first, lowest, highest, last);
    return kept;
}

PointHit NearestPoint(const double* x, const double* y, size_t count, const AxisMap& xMap,
                      const AxisMap& yMap, double px, double py, double tolerance, bool xRises) {
    PointHit hit;
    size_t begin = 0, end = count;
    if (xRises) {
        double a = xMap.Value(px - tolerance);
        double b = xMap.Value(px + tolerance);
        if (a > b)
            std::swap(a, b);
        begin = static_cast<size_t>(std::lower_bound(x, x + count, a) - x);
        end = static_cast<size_t>(std::upper_bound(x + begin, x + count, b) - x);
    }
    for (size_t i = begin; i < end; ++i) {
        const double d = std::hypot(xMap.Pixel(x[i]) - px, yMap.Pixel(y[i]) - py);
        // A NaN distance fails the comparison.
        if (d <= tolerance && d < hit.distance) {
            hit.index = i;
            hit.distance = d;
        }
    }
    return hit;
}
