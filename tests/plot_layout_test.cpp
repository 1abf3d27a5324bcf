// The plot's layout at many sizes and its painter's dense lines: every legend entry keeps a
// place, no part overlaps another, labels stand whole, and a line of many points per pixel
// column draws the image of every point.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "offscreen_gui.h"
#include "plot_layout.h"
#include "plot_painter.h"
#include "polyline.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new OffscreenGui);

PlotScene Scene(int series, int lanes, int points) {
    PlotScene scene;
    scene.title = QStringLiteral("Data log: Line1");
    scene.subtitle = QStringLiteral("Current time: 2024/01/01  00:00:00");
    scene.footer = {QStringLiteral("Remark:"), QStringLiteral("second line")};
    scene.yTitle = QStringLiteral("Sampled value");
    scene.xMin = 1;
    scene.xMax = points;
    scene.yMin = -5;
    scene.yMax = 186357;
    for (int i = 0; i < series; ++i) {
        PlotSeries s;
        s.name = QStringLiteral("Channel %1(%2)").arg(i).arg(i * 1.25, 0, 'f', 2);
        for (int p = 1; p <= points; ++p)
            s.points.append(QPointF(p, (i * 37 + p * 11) % 1000));
        scene.series.append(s);
    }
    for (int i = 0; i < lanes; ++i)
        scene.lanes.lanes.append({QString::number(1001 + i * 1000), {}, {}});
    for (int p = 1; p <= points; p += std::max(1, points / 8))
        scene.xLabels.append({double(p), QStringLiteral("2024/01/01\n00:%1:00").arg(p % 60)});
    return scene;
}

}  // namespace

TEST(PlotLayout, EveryPartKeepsItsPlaceAtAnySize) {
    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    for (QSize size : {QSize(420, 260), QSize(800, 500), QSize(1190, 640), QSize(1920, 1040)}) {
        for (int series : {1, 20, 60, 300}) {
            for (int lanes : {0, 6, 16}) {
                const PlotScene scene = Scene(series, lanes, 50);
                const QRectF area(QPointF(0, 0), QSizeF(size));
                const PlotLayout l = LayOutPlot(scene, area, font);
                SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " "
                                                << series << " series, " << lanes << " lanes");
                ASSERT_TRUE(l.Valid());
                // Every entry has a place in the legend, right of the plot.
                EXPECT_EQ(l.legendLayout.entries.size(), static_cast<size_t>(series));
                EXPECT_GE(l.legend.left(), l.plot.right());
                EXPECT_LE(l.legend.right(), area.right());
                EXPECT_TRUE(area.contains(l.plot));
                // Y labels and lane labels stand whole left of the plot.
                EXPECT_LE(area.left() + l.yLabelWidth, l.plot.left());
                EXPECT_LE(area.left() + l.laneLabelWidth, l.plot.left());
                if (lanes > 0) {
                    EXPECT_EQ(l.lanes.left(), l.plot.left());
                    EXPECT_EQ(l.lanes.right(), l.plot.right());
                    EXPECT_GE(l.lanes.top(), l.subtitle.bottom());
                    EXPECT_LE(l.LaneRect(lanes - 1, lanes).bottom(), l.plot.top());
                    // Full lanes while they leave the plot most of the room, thinner ones (with
                    // their labels left out below 8 pixels) in a low plot.
                    EXPECT_TRUE(l.laneHeight == kLeastLaneHeight ||
                                l.lanes.height() <= 0.35 * (l.plot.bottom() - l.lanes.top()))
                        << l.laneHeight;
                    EXPECT_EQ(l.laneLabelWidth > 0, l.laneHeight >= 8);
                }
                // The automatic range holds the data; X labels shown do not touch.
                EXPECT_LE(l.y.min, -5.0);
                EXPECT_GE(l.y.max, 186357.0);
                const AxisMap xm = l.XMap(scene);
                for (size_t i = 1; i < l.xShown.size(); ++i)
                    EXPECT_GE(xm.Pixel(scene.xLabels[l.xShown[i]].first) -
                                  xm.Pixel(scene.xLabels[l.xShown[i - 1]].first),
                              l.xLabelWidth);
                EXPECT_LE(l.footer.bottom(), area.bottom());
                // The room the plot left beside it, kept, holds it in place when the labels
                // turn narrower.
                PlotScene narrower = scene;
                narrower.yMin = 0.0;
                narrower.yMax = 1.0;
                narrower.leastLeftRoom = l.plot.left() - area.left();
                narrower.leastRightRoom = area.right() - l.plot.right();
                const PlotLayout kept = LayOutPlot(narrower, area, font);
                EXPECT_EQ(kept.plot.left(), l.plot.left());
                EXPECT_EQ(kept.plot.right(), l.plot.right());
            }
        }
    }
}

TEST(PlotPainter, DenseLinesDrawTheImageOfEveryPoint) {
    // 40,000 points of a random walk with breaks over a plot a few hundred pixels wide.
    PlotScene scene = Scene(0, 0, 0);
    scene.xGrid = scene.yGrid = false;
    scene.xMin = 0;
    scene.xMax = 40000;
    scene.yAuto = false;
    scene.yMin = -300;
    scene.yMax = 300;
    PlotSeries s;
    s.pen = QPen(Qt::black, 1);
    std::mt19937 random(3);
    std::normal_distribution<double> step(0.0, 4.0);
    double y = 0;
    for (int p = 0; p <= 40000; ++p) {
        y = std::clamp(y + step(random), -320.0, 320.0);
        s.points.append(QPointF(p, p % 9000 == 4500 ? NAN : y));
    }
    scene.series.append(s);
    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    const PlotLayout l = LayOutPlot(scene, QRectF(0, 0, 500, 300), font);
    ASSERT_GT(s.points.size(), 8 * l.plot.width());

    QImage drawn(500, 300, QImage::Format_RGB32);
    QPainter painter(&drawn);
    PaintPlot(&painter, scene, l, kPlotBase);
    painter.end();

    // Every point at the centre of its pixel, joined as the reduction's image promises.
    QImage every(500, 300, QImage::Format_RGB32);
    every.fill(Qt::white);
    painter.begin(&every);
    painter.setClipRect(l.plot.adjusted(0, 0, 1, 1));
    painter.setPen(QPen(Qt::black, 1.01));
    const AxisMap xm = l.XMap(scene);
    const AxisMap ym = l.YMap();
    QPolygonF line;
    for (const QPointF& p : s.points) {
        if (std::isnan(p.y())) {
            painter.drawPolyline(line);
            line.clear();
            continue;
        }
        const PixelPoint at =
            PointPixel(static_cast<int32_t>(std::floor(xm.Pixel(p.x()))), ym.Pixel(p.y()));
        line.append(QPointF(at.x, at.y));
    }
    painter.drawPolyline(line);
    painter.end();
    const QRect inside = l.plot.toAlignedRect().adjusted(1, 1, -1, -1);
    int differ = 0;
    for (int row = inside.top(); row <= inside.bottom(); ++row) {
        for (int col = inside.left(); col <= inside.right(); ++col)
            differ += drawn.pixel(col, row) != every.pixel(col, row) ? 1 : 0;
    }
    EXPECT_EQ(differ, 0);
}
