#include "legend_layout.h"

#include <algorithm>
#include <cmath>

namespace {

// The text's line takes this part of an entry's height; the rest is shared above and below.
constexpr double kLineShare = 1.0 / 1.4;

// Width of each column when the entries run down `rows` to a column.
std::vector<double> ColumnWidths(const std::vector<double>& textWidths, size_t rows,
                                 const LegendStyle& style) {
    std::vector<double> widths;
    for (size_t first = 0; first < textWidths.size(); first += rows) {
        const size_t end = std::min(textWidths.size(), first + rows);
        const double text = *std::max_element(textWidths.begin() + static_cast<long>(first),
                                              textWidths.begin() + static_cast<long>(end));
        widths.push_back(style.markerWidth + style.gap + text + style.gap);
    }
    return widths;
}

double Sum(const std::vector<double>& v) {
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return sum;
}

}  // namespace

LegendLayout LayOutLegend(size_t count, double maxWidth, double height, const LegendStyle& style,
                          const LegendMetrics& metrics) {
    LegendLayout layout;
    if (count == 0)
        return layout;
    const double smallest = std::min(style.pointSize, style.floorPointSize);
    double size = style.pointSize;
    double entryHeight = 0.0;
    size_t rows = 0;
    std::vector<double> texts(count);
    std::vector<double> widths;
    for (;; size = std::max(smallest, size - 0.5)) {
        entryHeight = std::max(1.0, metrics.lineHeight(size) / kLineShare);
        const size_t fit = static_cast<size_t>(
            std::clamp(std::floor(height / entryHeight), 1.0, static_cast<double>(count)));
        // Measured only where one column holds every entry, and at the floor.
        if (fit >= count || size <= smallest) {
            for (size_t i = 0; i < count; ++i)
                texts[i] = metrics.textWidth(i, size);
        }
        if (fit >= count) {
            widths = ColumnWidths(texts, count, style);
            if (Sum(widths) <= maxWidth || size <= smallest) {
                rows = count;
                break;
            }
        }
        if (size <= smallest) {
            // More columns, each with fewer rows, while they fit the width; the last that do
            // scroll when their rows still do not fit the height.
            rows = count;
            widths = ColumnWidths(texts, rows, style);
            for (size_t columns = 2; columns <= count; ++columns) {
                const size_t shorter = (count + columns - 1) / columns;
                if (shorter == rows)
                    continue;
                std::vector<double> more = ColumnWidths(texts, shorter, style);
                if (Sum(more) > maxWidth)
                    break;
                rows = shorter;
                widths = std::move(more);
                if (rows <= fit)
                    break;
            }
            break;
        }
    }
    layout.pointSize = size;
    layout.columns = static_cast<int>(widths.size());
    layout.rows = static_cast<int>(rows);
    layout.contentHeight = static_cast<double>(rows) * entryHeight;
    layout.height = std::min(height, layout.contentHeight);
    layout.entries.reserve(count);
    double x = 0.0;
    for (size_t c = 0; c < widths.size(); ++c) {
        const double w = std::max(0.0, std::min(widths[c], maxWidth - x));
        for (size_t r = 0; r < rows && c * rows + r < count; ++r)
            layout.entries.push_back({x, static_cast<double>(r) * entryHeight, w, entryHeight});
        x += w;
    }
    layout.width = x;
    return layout;
}

int LegendEntryAt(const LegendLayout& layout, double x, double y, double scroll) {
    if (!(y >= 0 && y < layout.height))
        return -1;
    for (size_t i = 0; i < layout.entries.size(); ++i) {
        if (layout.entries[i].Contains(x, y + scroll))
            return static_cast<int>(i);
    }
    return -1;
}
