// A trend's pixel columns: the runs of each column drawn pixel-aligned give the very image of
// every record, over random spans that start and end anywhere, with stops in recording, a clock
// set back and cells that are not numbers.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "offscreen_gui.h"
#include "plot_painter.h"
#include "trend_window.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new OffscreenGui);

QImage Draw(const PlotScene& scene, const PlotLayout& layout) {
    QImage image(layout.area.size().toSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintPlot(&painter, scene, layout, kPlotBase);
    return image;
}

}  // namespace

TEST(TrendColumns, RunsDrawTheImageOfEveryRecord) {
    // Records every 2 s with stops of a minute, a clock set back by 5 minutes, and now and then
    // a cell that is not a number.
    constexpr int32_t kInterval = 2;
    std::mt19937 random(11);
    std::normal_distribution<double> step(0.0, 3.0);
    std::vector<TrendSeconds> times;
    std::vector<double> values;
    TrendSeconds t = 0;
    double v = 0;
    for (int i = 0; i < 30000; ++i) {
        t += i % 4000 == 3999 ? 60 : i == 15000 ? -300 : kInterval;
        v = std::clamp(v + step(random), -200.0, 200.0);
        times.push_back(t);
        values.push_back(random() % 97 == 0 ? NAN : v);
    }
    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    std::uniform_real_distribution<double> at(-100.0, 60000.0);
    for (int trial = 0; trial < 12; ++trial) {
        double from = at(random);
        double to = trial % 3 == 0 ? from + 40 : at(random);  // a few records, or many
        if (to < from)
            std::swap(from, to);
        PlotScene scene;
        scene.xGrid = scene.yGrid = false;
        scene.pixelAligned = true;
        scene.xMin = from;
        scene.xMax = to + 1;
        scene.yAuto = false;
        scene.yMin = -210;
        scene.yMax = 210;
        scene.series.append(PlotSeries{QStringLiteral("v"), QPen(Qt::black, 1), {}, {}, {}});
        const QSize size(300 + trial * 90, 260);
        const PlotLayout layout = LayOutPlot(scene, QRectF(QPointF(0, 0), QSizeF(size)), font);
        const AxisMap map = layout.XMap(scene);
        TrendColumns columns(map, 0, 1, kInterval);
        // Every record of the span, broken where the runs break.
        PlotScene every = scene;
        QList<QPointF>& points = every.series[0].points;
        bool broken = true;
        TrendSeconds before = std::numeric_limits<TrendSeconds>::min();
        for (size_t i = 0; i < times.size(); ++i) {
            columns.Add(times[i], &values[i]);
            const bool gap = before != std::numeric_limits<TrendSeconds>::min() &&
                             (times[i] < before || times[i] - before > 3 * kInterval);
            before = times[i];
            const double pixel = std::floor(map.Pixel(static_cast<double>(times[i])));
            const bool inside = pixel >= std::floor(map.start) &&
                                pixel < std::floor(map.start) + std::lround(map.length);
            if (!inside || gap || std::isnan(values[i]))
                broken = true;
            if (!inside || std::isnan(values[i]))
                continue;
            if (broken && !points.isEmpty())
                points.append(QPointF(points.back().x(), NAN));
            broken = false;
            points.append(QPointF(static_cast<double>(times[i]), values[i]));
        }
        scene.series[0].points = TrendPoints(columns, 0, 0);
        const QImage reduced = Draw(scene, layout);
        const QImage all = Draw(every, layout);
        int differ = 0;
        const QRect inside = layout.plot.toAlignedRect();
        for (int row = inside.top(); row < inside.bottom(); ++row) {
            for (int col = inside.left(); col < inside.right(); ++col)
                differ += reduced.pixel(col, row) != all.pixel(col, row) ? 1 : 0;
        }
        EXPECT_EQ(differ, 0) << "span " << from << ".." << to << " at " << size.width();
        EXPECT_LE(scene.series[0].points.size(), 5 * static_cast<int>(map.length) + 1000);
    }
}
