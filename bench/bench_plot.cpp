// The plot's cost for many points and many series, drawn into images without a window, in the
// processor time the process spent (other work on the machine does not count):
//   1. the per-column reduction of long series on its own: 20 series x 1,000,000 points sharing
//      one time axis reduced to the pixel columns of a 1200-pixel plot, then drawn by QPainter
//      from the reduced points; against drawing every point of one series;
//   2. the same 20 series handed to the plot whole (a scene of 20 lines of 1,000,000 points, as
//      the envelope's rows are) laid out at 1200 x 700: the picture drawn the first time and the
//      times after, unantialiased and antialiased;
//   3. 5,000 series laid out and drawn whole at 1200 x 700 (legend, read-out and cursor
//      included), against the same polylines drawn by a bare QPainter with the same pens into an
//      image of the same size; and the memory a series takes.
//   bench_plot [--points N] [--series S] [--columns C] [--many S] [--many-points N]
#include <malloc.h>

#include <QGuiApplication>

#include <QFont>
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

#include "plot_layout.h"
#include "plot_painter.h"
#include "plot_scene.h"
#include "polyline.h"
#include "private_settings.h"
#include "viewer_bench_support.h"

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

// Bytes the process has taken from the heap and not given back.
size_t HeapBytes() {
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;
}

// The least of `runs` values of f (each a time in milliseconds).
template <class F>
double LeastOf(int runs, F f) {
    double least = 1e18;
    for (int i = 0; i < runs; ++i)
        least = std::min(least, f());
    return least;
}

// Draws the parts of a laid-out scene onto image, antialiased or not; the milliseconds it took.
double Paint(QImage* image, const PlotScene& scene, const PlotLayout& layout, int parts,
             bool antialiased) {
    const std::clock_t t = std::clock();
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    PaintPlot(&painter, scene, layout, parts);
    painter.end();
    return Ms(t);
}

// The yardstick of a scene: its lines as polylines through the pixels the plot puts their
// points at, drawn with their pens by a plain QPainter without antialiasing (as the plot draws)
// onto image of the plot's size; the milliseconds it took.
double BareLines(QImage* image, const PlotScene& scene, const std::vector<QPolygonF>& lines) {
    const std::clock_t t = std::clock();
    image->fill(scene.background);
    QPainter painter(image);
    for (size_t s = 0; s < lines.size(); ++s) {
        painter.setPen(scene.series[static_cast<int>(s)].pen);
        painter.drawPolyline(lines[s]);
    }
    painter.end();
    return Ms(t);
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the fonts of the plot's texts
    size_t points = 1000000, seriesCount = 20;
    int width = 1200;
    int many = 5000;
    int manyPoints = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--points") == 0)
            points = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--series") == 0)
            seriesCount = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--columns") == 0)
            width = std::stoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--many") == 0)
            many = std::stoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--many-points") == 0)
            manyPoints = std::stoi(argv[i + 1]);
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

    std::printf("1. %zu series x %zu points reduced to %d columns, then drawn (processor time)\n",
                seriesCount, points, width);
    std::printf("pixel columns of the shared X:          %8.1f ms\n", columnsMs);
    std::printf("reduction of every series:              %8.1f ms  (%zu points kept)\n", reduceMs,
                keptCount);
    std::printf("draw of the reduced series, stroked:    %8.1f ms\n", whole);
    std::printf("  in pieces of 8 columns:               %8.1f ms\n", pieces);
    std::printf("  cosmetic pen (not the same image):    %8.1f ms\n", cosmetic);
    std::printf("draw of every point of 1 series:        %8.1f ms\n", every);

    // 2. The same series handed to the plot whole, broken at the gap in time, with a title and
    // X labels, laid out at 1200 x 700. Each draw is the plot's picture: background, texts,
    // axes, grid and the lines.
    const QSize plotSize(1200, 700);
    PlotScene scene;
    scene.title = QStringLiteral("%1 x %2").arg(seriesCount).arg(points);
    scene.xMin = x.front();
    scene.xMax = x.back();
    scene.yMin = 1e300;
    scene.yMax = -1e300;
    for (int k = 0; k <= 10; ++k) {
        const double at = x.front() + (x.back() - x.front()) * k / 10;
        scene.xLabels.append({at, QString::number(at, 'f', 0)});
    }
    const int afterGap = static_cast<int>(points / 3) + 1;
    scene.pieces = {{0, afterGap}, {afterGap, static_cast<int>(points)}};
    for (size_t s = 0; s < seriesCount; ++s) {
        PlotSeries line;
        line.name = QStringLiteral("channel %1").arg(s + 1);
        line.pen = QPen(QColor::fromHsv(static_cast<int>(s * 17 % 360), 255, 200), 1);
        line.points.reserve(static_cast<qsizetype>(points));
        for (size_t i = 0; i < points; ++i) {
            const double y = series[s][i];
            line.points.append(QPointF(x[i], y));
            if (std::isfinite(y)) {
                scene.yMin = std::min(scene.yMin, y);
                scene.yMax = std::max(scene.yMax, y);
            }
        }
        scene.series.append(line);
    }
    QImage picture(plotSize, QImage::Format_RGB32);
    const PlotLayout layout = LayOutPlot(scene, QRectF(QPointF(0, 0), QSizeF(plotSize)),
                                         QGuiApplication::font(), &picture);
    const double first = Paint(&picture, scene, layout, kPlotBase, false);
    const double again =
        LeastOf(4, [&] { return Paint(&picture, scene, layout, kPlotBase, false); });
    const double firstSmooth = Paint(&picture, scene, layout, kPlotBase, true);
    const double againSmooth =
        LeastOf(3, [&] { return Paint(&picture, scene, layout, kPlotBase, true); });
    std::printf("2. the plot of %zu series x %zu points at %d x %d, its lines %.0f columns wide\n",
                seriesCount, points, plotSize.width(), plotSize.height(), layout.plot.width());
    std::printf("first draw:                             %8.1f ms\n", first);
    std::printf("the draws after it:                     %8.1f ms  (target <= 20 ms: %s)\n", again,
                Verdict(again <= 20));
    std::printf("antialiased, first draw:                %8.1f ms\n", firstSmooth);
    std::printf("antialiased, the draws after it:        %8.1f ms\n", againSmooth);
    scene.series.clear();
    scene.series.squeeze();

    // 3. Many series of a few points a column, each a random walk of its own. The memory a
    // series takes is what the heap gave out while they were made: each holds its name, its pen
    // and its points.
    std::mt19937 walks(2);
    std::uniform_real_distribution<double> start(-50.0, 50.0);
    PlotScene crowd;
    crowd.title = QStringLiteral("%1 x %2").arg(many).arg(manyPoints);
    crowd.xMin = 0.0;
    crowd.xMax = manyPoints - 1;
    crowd.yMin = 1e300;
    crowd.yMax = -1e300;
    const size_t before = HeapBytes();
    for (int s = 0; s < many; ++s) {
        PlotSeries line;
        line.name = QStringLiteral("channel %1").arg(s + 1);
        line.pen = QPen(QColor::fromHsv(s * 17 % 360, 255, 200), 1);
        line.points.reserve(manyPoints);
        double v = start(walks);
        for (int i = 0; i < manyPoints; ++i) {
            v += step(walks);
            line.points.append(QPointF(i, v));
            crowd.yMin = std::min(crowd.yMin, v);
            crowd.yMax = std::max(crowd.yMax, v);
        }
        crowd.series.append(line);
    }
    const size_t made = HeapBytes();
    const QRectF area(QPointF(0, 0), QSizeF(plotSize));
    PlotLayout crowdLayout;
    const double layOut = LeastOf(3, [&] {
        const std::clock_t t = std::clock();
        crowdLayout = LayOutPlot(crowd, area, QGuiApplication::font(), &picture);
        return Ms(t);
    });
    crowd.cursorA = manyPoints / 2;
    crowd.cursorAX = crowd.cursorA;
    crowd.subtitle = QStringLiteral("read-out");
    const double drawn =
        LeastOf(3, [&] { return Paint(&picture, crowd, crowdLayout, kPlotAll, false); });
    const AxisMap xm = crowdLayout.XMap(crowd);
    const AxisMap ym = crowdLayout.YMap();
    std::vector<QPolygonF> lines;
    for (const PlotSeries& line : crowd.series) {
        QPolygonF mapped;
        for (const QPointF& p : line.points)
            mapped.append(QPointF(xm.Pixel(p.x()), ym.Pixel(p.y())));
        lines.push_back(mapped);
    }
    const double bare = LeastOf(3, [&] { return BareLines(&picture, crowd, lines); });
    const double perSeries = static_cast<double>(made - before) / many;
    const double coordinates = static_cast<double>(manyPoints) * sizeof(QPointF);
    std::printf("3. %d series x %d points at %d x %d, its lines %.0f columns wide\n", many,
                manyPoints, plotSize.width(), plotSize.height(), crowdLayout.plot.width());
    std::printf("bare QPainter, the same polylines:      %8.1f ms\n", bare);
    std::printf("laid out:                               %8.1f ms  (legend of %d columns)\n",
                layOut, crowdLayout.legendLayout.columns);
    std::printf(
        "drawn whole:                            %8.1f ms  (%.1fx bare, target <= 10x: %s)\n",
        drawn, drawn / bare, Verdict(drawn <= 10 * bare));
    std::printf(
        "memory a series takes:                  %8.0f bytes  (its points' coordinates %.0f, "
        "%zu bytes a point, and %.0f besides; target within 5%% of the coordinates: %s)\n",
        perSeries, coordinates, sizeof(QPointF), perSeries - coordinates,
        Verdict(perSeries <= coordinates * 1.05));
    return 0;
}
