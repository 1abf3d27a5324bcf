// The plot's per-column reduction of long series: 20 series x 1,000,000 points sharing one
// time axis, reduced to the pixel columns of a 1200-pixel plot, then drawn by QPainter from the
// reduced points into an image; against drawing every point of one series. Times are the
// processor time the process spent, so that other work on the machine does not count.
//   bench_plot [--points N] [--series S] [--columns C]
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "polyline.h"

namespace {

// Milliseconds of processor time this process spent since `since` (a std::clock() value): the
// machine's other loads do not count.
double Ms(std::clock_t since) {
    return static_cast<double>(std::clock() - since) * 1000.0 / CLOCKS_PER_SEC;
}

// Draws the points at `kept` of each series (all of them when kept is empty) at the centres of
// their pixels, antialiased with a pen penWidth wide, broken where a value is missing and, with
// pieceColumns, into polylines of that many pixel columns; the milliseconds it took.
double DrawLines(QImage* image, const std::vector<int32_t>& columns,
                 const std::vector<std::vector<double>>& series,
                 const std::vector<std::vector<size_t>>& kept, const AxisMap& yMap, double penWidth,
                 int pieceColumns) {
    const std::clock_t t = std::clock();
    image->fill(Qt::white);
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF piece;
    for (size_t s = 0; s < series.size(); ++s) {
        painter.setPen(QPen(QColor::fromHsv(static_cast<int>(s * 17 % 360), 255, 200), penWidth));
        const std::vector<double>& y = series[s];
        const size_t count = kept.empty() ? y.size() : kept[s].size();
        for (size_t k = 0; k < count; ++k) {
            const size_t i = kept.empty() ? k : kept[s][k];
            if (!std::isfinite(y[i])) {
                painter.drawPolyline(piece);
                piece.clear();
                continue;
            }
            const PixelPoint p = PointPixel(columns[i], yMap.Pixel(y[i]));
            // A piece ends at the first point of its last column's neighbour, where the next
            // begins.
            if (pieceColumns > 0 && !piece.isEmpty() && columns[i] % pieceColumns == 0 &&
                p.x > piece.back().x()) {
                piece.append(QPointF(p.x, p.y));
                painter.drawPolyline(piece);
                piece.clear();
            }
            piece.append(QPointF(p.x, p.y));
        }
        painter.drawPolyline(piece);
        piece.clear();
    }
    return Ms(t);
}

}  // namespace

int main(int argc, char* argv[]) {
    size_t points = 1000000, seriesCount = 20;
    int width = 1200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--points") == 0)
            points = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--series") == 0)
            seriesCount = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--columns") == 0)
            width = std::stoi(argv[i + 1]);
    }
    // A row a second with a gap now and then; random walks with a missing value now and then.
    std::mt19937 random(1);
    std::normal_distribution<double> step(0.0, 1.0);
    std::vector<double> x(points);
    for (size_t i = 0; i < points; ++i)
        x[i] = static_cast<double>(i) + (i > points / 3 ? 3600.0 : 0.0);
    std::vector<std::vector<double>> series(seriesCount, std::vector<double>(points));
    for (std::vector<double>& y : series) {
        double v = 0.0;
        for (size_t i = 0; i < points; ++i) {
            v += step(random);
            y[i] = random() % 100000 == 0 ? NAN : v;
        }
    }
    const AxisMap xMap{x.front(), x.back(), 0.0, static_cast<double>(width)};
    const AxisMap yMap{-3000.0, 3000.0, 800.0, -800.0};

    std::clock_t t = std::clock();
    const std::vector<int32_t> columns = PixelColumns(x.data(), x.size(), xMap);
    const double columnsMs = Ms(t);
    t = std::clock();
    std::vector<std::vector<size_t>> kept;
    size_t keptCount = 0;
    for (const std::vector<double>& y : series) {
        kept.push_back(ReduceToColumns(columns.data(), y.data(), y.size()));
        keptCount += kept.back().size();
    }
    const double reduceMs = Ms(t);

    QImage image(width, 800, QImage::Format_RGB32);
    // The least of five draws, the first having warmed the caches.
    auto best = [&](double penWidth, int pieceColumns) {
        double ms = 1e9;
        for (int run = 0; run < 6; ++run) {
            const double draw =
                DrawLines(&image, columns, series, kept, yMap, penWidth, pieceColumns);
            ms = run > 0 ? std::min(ms, draw) : ms;
        }
        return ms;
    };
    // A pen of width 1 takes QPainter's cosmetic path, whose joints do not add up as the line of
    // every point's do; 1.01 is stroked as an outline, which they do.
    const double whole = best(1.01, 0);
    const double pieces = best(1.01, 8);
    const double cosmetic = best(1.0, 0);
    const std::vector<std::vector<double>> one(series.begin(), series.begin() + 1);
    const double every = DrawLines(&image, columns, one, {}, yMap, 1.01, 8);

    std::printf("%zu series x %zu points to %d columns (processor time)\n", seriesCount, points,
                width);
    std::printf("pixel columns of the shared X:          %8.1f ms\n", columnsMs);
    std::printf("reduction of every series:              %8.1f ms  (%zu points kept)\n", reduceMs,
                keptCount);
    std::printf("draw of the reduced series, stroked:    %8.1f ms\n", whole);
    std::printf("  in pieces of 8 columns:               %8.1f ms  (target <= 20 ms: %s)\n", pieces,
                pieces <= 20 ? "met" : "MISSED");
    std::printf("  cosmetic pen (not the same image):    %8.1f ms\n", cosmetic);
    std::printf("draw of every point of 1 series:        %8.1f ms\n", every);
    return 0;
}
