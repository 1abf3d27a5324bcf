// The per-column reduction of a polyline draws the image of every point: a random line with
// breaks, drawn whole and reduced by QPainter onto images of one size.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

#include "polyline.h"

namespace {

// The points at `indices` drawn in black onto white at the centres of their pixels, broken at
// every point whose Y is not a number and, with pieceColumns, into polylines of that many
// columns (a piece ends at the first point of the column where the next begins).
QImage Draw(const std::vector<int32_t>& columns, const std::vector<double>& y,
            const std::vector<size_t>& indices, const AxisMap& yMap, bool antialiased,
            int pieceColumns) {
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setPen(QPen(Qt::black, 1.01));
    QPolygonF piece;
    for (size_t i : indices) {
        if (!std::isfinite(y[i])) {
            painter.drawPolyline(piece);
            piece.clear();
            continue;
        }
        const PixelPoint p = PointPixel(columns[i], yMap.Pixel(y[i]));
        if (pieceColumns > 0 && !piece.isEmpty() && columns[i] % pieceColumns == 0 &&
            p.x > piece.back().x()) {
            piece.append(QPointF(p.x, p.y));
            painter.drawPolyline(piece);
            piece.clear();
        }
        piece.append(QPointF(p.x, p.y));
    }
    painter.drawPolyline(piece);
    return image;
}

// The largest difference of grey between two images of one size.
int MostDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int row = 0; row < a.height(); ++row) {
        for (int col = 0; col < a.width(); ++col)
            most = std::max(most, std::abs(qGray(a.pixel(col, row)) - qGray(b.pixel(col, row))));
    }
    return most;
}

}  // namespace

TEST(PolylineImage, ReducedLineDrawsTheImageOfEveryPoint) {
    // Random walks of a few thousand points over 300 columns, sparse and dense, smooth and
    // steep, with breaks, a spike past the top, a clock set back and ends past the edges.
    const AxisMap xMap{0.0, 300.0, 0.0, 300.0};
    const AxisMap yMap{0.0, 200.0, 200.0, -200.0};
    for (double spacing : {0.02, 0.2, 1.5}) {
        for (double noise : {0.1, 2.0, 30.0}) {
            std::mt19937 random(7);
            std::normal_distribution<double> step(0.0, noise);
            std::uniform_real_distribution<double> dx(0.0, spacing);
            std::vector<double> x, y;
            double at = -5.0, value = 100.0;
            for (int i = 0; i < 4000; ++i) {
                at += i == 2000 ? -20.0 : dx(random);
                value = std::clamp(value + step(random), -20.0, 220.0);
                x.push_back(at);
                y.push_back(random() % 300 == 0 ? NAN : i == 1111 ? 900.0 : value);
            }
            std::vector<size_t> every(x.size());
            std::iota(every.begin(), every.end(), 0);
            const std::vector<int32_t> columns = PixelColumns(x.data(), x.size(), xMap);
            const std::vector<size_t> kept = ReduceToColumns(columns.data(), y.data(), y.size());
            EXPECT_LT(kept.size(), x.size() * 3 / 4);
            // Whole, and in pieces of 8 columns (faster to stroke).
            for (int pieces : {0, 8}) {
                EXPECT_EQ(MostDifference(Draw(columns, y, every, yMap, false, pieces),
                                         Draw(columns, y, kept, yMap, false, pieces)),
                          0)
                    << spacing << " " << noise << " " << pieces;
                EXPECT_LE(MostDifference(Draw(columns, y, every, yMap, true, pieces),
                                         Draw(columns, y, kept, yMap, true, pieces)),
                          1)
                    << spacing << " " << noise << " " << pieces;
            }
        }
    }
}
