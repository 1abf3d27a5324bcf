#include "plot_layout.h"

#include <QFontMetricsF>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 4.0;
constexpr double kTickLength = 4.0;
// The legend's part of the width, at most.
constexpr double kLegendShare = 0.4;
// Least room the plot itself keeps, in pixels.
constexpr double kLeastPlot = 20.0;
// The lanes' part of the height of lanes and plot, at most, while they are thicker than the least.
constexpr double kLaneShare = 0.35;

QFontMetricsF Metrics(const QFont& font, QPaintDevice* device) {
    return device != nullptr ? QFontMetricsF(font, device) : QFontMetricsF(font);
}

}  // namespace

QRectF PlotLayout::LaneRect(int lane, int count) const {
    const double top = plot.top() - kAlarmLaneGap - count * laneHeight;
    return QRectF(plot.left(), top + lane * laneHeight, plot.width(), laneHeight - 1);
}

QString ValueLabel(double value, const ValueTicks& ticks) {
    if (ticks.step > 0 && std::abs(value) < ticks.step * 1e-9)
        value = 0.0;
    return QString::number(value, 'f', std::clamp(ticks.decimals, 0, 15));
}

ValueTicks PlotYTicks(const PlotScene& scene, double pixels, double labelHeight) {
    if (!scene.yAuto) {
        return scene.manualYGrid ? ManualValueTicks(scene.yMin, scene.yMax, scene.yGridSpacing,
                                                    pixels, labelHeight)
                                 : FixedValueTicks(scene.yMin, scene.yMax, pixels, labelHeight);
    }
    const ValueTicks automatic = AutoValueTicks(scene.yMin, scene.yMax, pixels, labelHeight);
    return scene.manualYGrid ? ManualValueTicks(automatic.min, automatic.max, scene.yGridSpacing,
                                                pixels, labelHeight)
                             : automatic;
}

PlotLayout LayOutPlot(const PlotScene& scene, const QRectF& area, const QFont& font,
                      QPaintDevice* device) {
    PlotLayout l;
    l.area = area;
    l.font = font;
    l.titleFont = font;
    l.titleFont.setPointSizeF((font.pointSizeF() > 0 ? font.pointSizeF() : 9.0) * 1.4);
    l.titleFont.setBold(true);
    const QFontMetricsF text = Metrics(font, device);
    const QFontMetricsF title = Metrics(l.titleFont, device);
    l.lineHeight = text.height();

    // Top down: title, the read-out line, the lanes; bottom up: footer, X title, X labels.
    double top = area.top() + kMargin;
    if (!scene.title.isEmpty()) {
        l.title = QRectF(area.left(), top, area.width(), title.height());
        top += title.height();
    }
    l.subtitle = QRectF(area.left(), top, area.width(), text.height());
    top += text.height();

    double bottom = area.bottom() - kMargin;
    if (!scene.footer.isEmpty()) {
        const double h = scene.footer.size() * text.height();
        l.footer = QRectF(area.left() + kMargin, bottom - h, area.width() - 2 * kMargin, h);
        bottom -= h;
    }
    if (!scene.xTitle.isEmpty())
        bottom -= text.height();
    for (const auto& label : scene.xLabels) {
        const QStringList lines = label.second.split(QChar('\n'));
        l.xLabelLines = std::max<double>(l.xLabelLines, lines.size());
        for (const QString& line : lines)
            l.xLabelWidth = std::max(l.xLabelWidth, text.horizontalAdvance(line));
    }
    bottom -= kTickLength + 2 + l.xLabelLines * text.height();
    // The lanes take their full height while they leave the plot most of the room; in a low
    // window they grow thinner, down to a few pixels, and their labels are left to the tips.
    const int laneCount = static_cast<int>(scene.lanes.lanes.size());
    if (laneCount > 0) {
        const double share = std::floor((bottom - top) * kLaneShare / laneCount);
        l.laneHeight = std::clamp<double>(share, kLeastLaneHeight, kAlarmLaneHeight);
        l.laneFont = font;
        l.laneFont.setPixelSize(static_cast<int>(l.laneHeight) - 1);
        top += laneCount * l.laneHeight + kAlarmLaneGap;
    }
    // The top Y label stands half above the plot.
    const double plotTop = top + (laneCount > 0 ? 0.0 : text.height() / 2);
    l.decorationHeight = area.height() - (bottom - plotTop);
    const double plotBottom = std::max(bottom, plotTop + kLeastPlot);
    const double plotHeight = plotBottom - plotTop;

    l.y = PlotYTicks(scene, plotHeight, text.height());
    for (size_t i = 0; i < l.y.lines.size(); ++i) {
        l.yTexts.append(l.y.Labelled(i) ? ValueLabel(l.y.lines[i], l.y) : QString());
        l.yLabelWidth = std::max(l.yLabelWidth, text.horizontalAdvance(l.yTexts.back()));
    }

    // Left to right: Y title, Y labels, plot, legend.
    double left = area.left() + kMargin + l.yLabelWidth + kTickLength + 2;
    if (!scene.yTitle.isEmpty())
        left += text.height() + 2;
    if (laneCount > 0 && l.LaneLabels()) {
        const QFontMetricsF lane = Metrics(l.laneFont, device);
        for (const ChartAlarmLane& each : scene.lanes.lanes)
            l.laneLabelWidth = std::max(l.laneLabelWidth, lane.horizontalAdvance(each.label));
        // The lanes' labels stand left of the plot, never more than a quarter of the width.
        left = std::max(left, std::min(area.left() + kMargin + l.laneLabelWidth + 4,
                                       area.left() + area.width() / 4));
    }
    double right = area.right() - kMargin;
    if (!scene.series.isEmpty()) {
        LegendStyle style;
        style.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
        QHash<int, QFontMetricsF> sizes;
        auto metricsAt = [&](double points) -> const QFontMetricsF& {
            const int key = static_cast<int>(std::lround(points * 2));
            auto it = sizes.find(key);
            if (it == sizes.end()) {
                QFont f = font;
                f.setPointSizeF(points);
                it = sizes.insert(key, Metrics(f, device));
            }
            return it.value();
        };
        LegendMetrics measure;
        measure.lineHeight = [&](double points) { return metricsAt(points).height(); };
        measure.textWidth = [&](size_t entry, double points) {
            return metricsAt(points).horizontalAdvance(scene.series[static_cast<int>(entry)].name);
        };
        const double legendTop = top - (laneCount > 0 ? laneCount * l.laneHeight : 0);
        l.legendLayout =
            LayOutLegend(static_cast<size_t>(scene.series.size()), area.width() * kLegendShare,
                         std::max(1.0, plotBottom - legendTop), style, measure);
        l.legendFont = font;
        l.legendFont.setPointSizeF(l.legendLayout.pointSize);
        for (int i = 0; i < scene.series.size(); ++i)
            l.legendTextWidth = std::max(
                l.legendTextWidth,
                metricsAt(l.legendLayout.pointSize).horizontalAdvance(scene.series[i].name));
        l.legend = QRectF(right - l.legendLayout.width, legendTop, l.legendLayout.width,
                          l.legendLayout.height);
        right -= l.legendLayout.width + kMargin;
    }
    // A label on the span's end reaches half its width past the plot.
    const bool endLabel = std::any_of(scene.xLabels.begin(), scene.xLabels.end(),
                                      [&](const auto& x) { return x.first >= scene.xMax; });
    if (endLabel)
        right -= std::max(0.0, std::ceil(l.xLabelWidth / 2) - kMargin);
    left = std::max(left, area.left() + scene.leastLeftRoom);
    right = std::min(right, area.right() - scene.leastRightRoom);
    right = std::max(right, left + kLeastPlot);
    // On whole pixels: a value's pixel column is then the same however it is worked out.
    left = std::ceil(left);
    right = std::floor(right);
    const double plotTopPixel = std::round(plotTop);
    l.plot =
        QRectF(left, plotTopPixel, right - left, std::round(plotTop + plotHeight) - plotTopPixel);
    if (laneCount > 0)
        l.lanes = QRectF(left, l.plot.top() - kAlarmLaneGap - laneCount * l.laneHeight,
                         right - left, laneCount * l.laneHeight);

    // The X labels that fit whole at this width.
    std::vector<double> xs;
    const double span = scene.xMax - scene.xMin;
    for (const auto& label : scene.xLabels)
        xs.push_back(span > 0 ? (label.first - scene.xMin) * l.plot.width() / span : 0.0);
    l.xShown = XLabelsToShow(xs, XLabelWidth(l.xLabelWidth), l.plot.width());
    // Labels outside the span are not shown.
    l.xShown.erase(std::remove_if(l.xShown.begin(), l.xShown.end(),
                                  [&](int i) {
                                      const double x = scene.xLabels[i].first;
                                      return x < scene.xMin || x > scene.xMax;
                                  }),
                   l.xShown.end());
    return l;
}
