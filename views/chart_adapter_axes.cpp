// The chart's axes: the point or time axis, the X and Y ranges and grids, the axis labels that fit
// the plot, the legend's text size, zooms.
#include "chart_adapter.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QHash>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "curve_chart_plan.h"

namespace {

QString WithoutMark(const QString& text, const QString& mark) {
    return text.startsWith(mark) ? text.mid(mark.size()) : text;
}

}  // namespace

void ChartAdapter::SetPointAxis(const QList<double>& xs, const QList<int>& breaks) {
    pointX_ = xs;
    breaks_ = xs.isEmpty() ? QList<int>() : breaks;
    ApplyPens();
}

double ChartAdapter::PointX(int point) const {
    if (pointX_.isEmpty())
        return point + 1;
    return pointX_.value(std::max(0, std::min<int>(point, pointX_.size() - 1)));
}

int ChartAdapter::NearestPoint(double x) const {
    if (pointCount_ <= 0)
        return -1;
    if (pointX_.isEmpty()) {
        const long nearest = std::lround(x) - 1;
        return static_cast<int>(std::max(0L, std::min<long>(pointCount_ - 1, nearest)));
    }
    // Searched through, not halved: a clock set back leaves the X values out of order.
    int best = 0;
    for (int p = 1; p < pointX_.size() && p < pointCount_; ++p) {
        if (std::abs(pointX_[p] - x) < std::abs(pointX_[best] - x))
            best = p;
    }
    return best;
}

bool ChartAdapter::PointsWithin(double min, double max, int* first, int* last) const {
    *first = *last = -1;
    for (int p = 0; p < pointCount_; ++p) {
        const double x = PointX(p);
        if (x < min || x > max)
            continue;
        if (*first < 0)
            *first = p;
        *last = p;
    }
    return *first >= 0;
}

QList<QPair<int, int>> ChartAdapter::PieceRanges() const {
    QList<QPair<int, int>> ranges;
    int from = 0;
    for (int b : breaks_) {
        if (b <= from || b >= pointCount_)
            continue;
        ranges.append({from, b});
        from = b;
    }
    ranges.append({from, pointCount_});
    return ranges;
}

int ChartAdapter::SeriesPieceCount(int series) const {
    return series >= 0 && series < SeriesCount() ? static_cast<int>(PieceRanges().size()) : 0;
}

void ChartAdapter::SetYScaleMode(int mode) {
    yScaleMode_ = mode == 1 ? 1 : 0;
    autoRangeDirty_ = true;
}

void ChartAdapter::SetXRange(double min, double max) {
    xMin_ = min;
    xMax_ = max;
    if (xAxis_ != nullptr)
        xAxis_->setRange(min, max);
}

void ChartAdapter::SetYRange(double min, double max) {
    if (yAxis_ == nullptr || !std::isfinite(min) || !std::isfinite(max))
        return;
    WidenYRange(&min, &max);
    yAxis_->setRange(min, max);
    SetManualYGrid(manualYGrid_, yGridSpacing_);
}

void ChartAdapter::SetManualYGrid(bool on, double spacing) {
    // The axis steps from line to line: a spacing lost in its limits' precision would never
    // get to the top.
    manualYGrid_ =
        on && (yAxis_ == nullptr ? spacing > 0
                                 : GridSpacingResolves(yAxis_->min(), yAxis_->max(), spacing));
    yGridSpacing_ = manualYGrid_ ? spacing : 0.0;
    if (yAxis_ == nullptr)
        return;
    yLabelEvery_ = 1;
    yAxis_->setMinorTickCount(0);
    if (manualYGrid_) {
        // The lines as far apart as an axis not laid out yet keeps them, until it is.
        const YGridSteps steps = PlanYGridSteps(0.0, yAxis_->max() - yAxis_->min(), spacing, 0.0);
        yAxis_->setTickAnchor(yAxis_->min());
        yAxis_->setTickInterval(steps.lineSpacing);
        yAxis_->setTickType(QValueAxis::TicksDynamic);
    } else {
        yAxis_->setTickType(QValueAxis::TicksFixed);
        yAxis_->setTickCount(6);
    }
    FitAxisLabels();
}

void ChartAdapter::SetGridMode(int mode) {
    gridMode_ = mode;
    if (xAxis_ == nullptr)
        return;
    xAxis_->setGridLineVisible(mode == 0 || mode == 2);
    yAxis_->setGridLineVisible(mode == 0 || mode == 1);
    FitAxisLabels();
}

void ChartAdapter::SetTimeLabel(int index, double x, const QString& text) {
    if (xAxis_ == nullptr)
        return;
    timeLabels_.insert(index, text);
    timeLabelX_.insert(index, x);
    if (!zoomLabels_) {
        AppendAxisLabel(x, text);
        FitAxisLabels();
    }
}

void ChartAdapter::AppendAxisLabel(double x, const QString& text) {
    QString shown = WithoutMark(text, QStringLiteral("|h")).toHtmlEscaped();
    shown.replace(QChar('\n'), QStringLiteral("<br>"));
    axisLabels_.append({x, shown});
}

void ChartAdapter::ShowZoomLabels(const QMap<double, QString>& labels) {
    if (xAxis_ == nullptr)
        return;
    axisLabels_.clear();
    zoomLabels_ = !labels.isEmpty();
    if (zoomLabels_) {
        for (auto it = labels.begin(); it != labels.end(); ++it)
            AppendAxisLabel(it.key(), it.value());
    } else {
        for (auto it = timeLabels_.begin(); it != timeLabels_.end(); ++it)
            AppendAxisLabel(timeLabelX_.value(it.key()), it.value());
    }
    FitAxisLabels();
}

QStringList ChartAdapter::AxisLabels() const {
    QStringList texts;
    for (const auto& label : axisLabels_)
        texts.append(label.second);
    return texts;
}

QStringList ChartAdapter::VisibleAxisLabels() const {
    return xAxis_ != nullptr ? xAxis_->categoriesLabels() : QStringList();
}

void ChartAdapter::FitAxisLabels() {
    if (xAxis_ == nullptr || fitting_)
        return;
    fitting_ = true;
    const QRectF plot = chart_->plotArea();
    // Y: a manual grid too fine for the plot draws every few of its lines; with lines too close
    // for a label each, every n-th is labelled and the lines between are minor grid lines.
    int every = 1;
    if (manualYGrid_) {
        const QFontMetricsF metrics(yAxis_->labelsFont());
        const YGridSteps steps = PlanYGridSteps(plot.height(), yAxis_->max() - yAxis_->min(),
                                                yGridSpacing_, metrics.height());
        every = steps.linesPerLabel;
        if (every != yLabelEvery_ || yAxis_->tickInterval() != steps.lineSpacing * every) {
            yAxis_->setTickInterval(steps.lineSpacing * every);
            yAxis_->setMinorTickCount(every - 1);
        }
    }
    yLabelEvery_ = every;
    yAxis_->setMinorGridLinePen(yAxis_->gridLinePen());
    yAxis_->setMinorGridLineVisible(manualYGrid_ && every > 1 && yAxis_->isGridLineVisible());

    // X: as many time labels as fit whole, the range's end among them.
    const QFontMetricsF metrics(xAxis_->labelsFont());
    double width = 0.0;
    std::vector<double> xs;
    const double span = xAxis_->max() - xAxis_->min();
    for (const auto& label : axisLabels_) {
        for (const QString& line : label.second.split(QStringLiteral("<br>")))
            width = std::max(width, metrics.horizontalAdvance(line));
        xs.push_back(span > 0 ? (label.first - xAxis_->min()) * plot.width() / span : 0.0);
    }
    const std::vector<int> chosen = XLabelsToShow(xs, std::ceil(width) + 2, plot.width());
    QList<QPair<double, QString>> shown;
    for (int i : chosen)
        shown.append(axisLabels_[i]);
    if (shown != shownLabels_) {
        shownLabels_ = shown;
        for (const QString& label : xAxis_->categoriesLabels())
            xAxis_->remove(label);
        for (const auto& label : shown) {
            // The axis wants distinct labels in ascending order; a repeated time gets an
            // invisible mark.
            QString text = label.second;
            while (xAxis_->categoriesLabels().contains(text))
                text += QChar(0x200B);
            xAxis_->append(text, label.first);
        }
    }
    // A label on the range's end reaches half its width past the plot: the legend makes room.
    const bool endLabel = !shown.isEmpty() && span > 0 && shown.back().first >= xAxis_->max();
    const qreal room = endLabel ? std::ceil(width / 2) : 0;
    qreal left = 0, top = 0, right = 0, bottom = 0;
    chart_->legend()->getContentsMargins(&left, &top, &right, &bottom);
    if (left != room)
        chart_->legend()->setContentsMargins(room, top, right, bottom);
    FitLegend();
    fitting_ = false;
}

void ChartAdapter::FitLegend() {
    // A legend of many channels shrinks its text, down to 6 points, until every entry fits
    // beside the plot (an entry is its text's height and a margin of 4 pixels above and below).
    QLegend* legend = chart_->legend();
    if (series_.isEmpty() || view_ == nullptr || view_->height() <= 0)
        return;
    const double height = view_->height() - 8.0;
    const double base = view_->font().pointSizeF() > 0 ? view_->font().pointSizeF() : 9.0;
    double size = base;
    while (size > 6.0) {
        QFont trial = legend->font();
        trial.setPointSizeF(size);
        if (series_.size() * (QFontMetricsF(trial).height() + 8.0) <= height)
            break;
        size -= 0.5;
    }
    if (legend->font().pointSizeF() != size) {
        QFont font = legend->font();
        font.setPointSizeF(size);
        legend->setFont(font);
    }
}

double ChartAdapter::YMin() const {
    return yAxis_ != nullptr ? yAxis_->min() : 0.0;
}

double ChartAdapter::YMax() const {
    return yAxis_ != nullptr ? yAxis_->max() : 0.0;
}

double ChartAdapter::XMin() const {
    return xAxis_ != nullptr ? xAxis_->min() : 0.0;
}

double ChartAdapter::XMax() const {
    return xAxis_ != nullptr ? xAxis_->max() : 0.0;
}

void ChartAdapter::ZoomX(double min, double max) {
    if (xAxis_ == nullptr || !(xMax_ > xMin_) || !std::isfinite(min) || !std::isfinite(max))
        return;
    // Never narrower than two points (on a time axis, two of their mean spacing), never beyond
    // the whole range.
    const double twoPoints =
        pointX_.isEmpty() || pointCount_ < 2 ? 2.0 : 2.0 * (xMax_ - xMin_) / (pointCount_ - 1);
    const double span = std::min(std::max(max - min, twoPoints), xMax_ - xMin_);
    min = std::max(xMin_, std::min(min, xMax_ - span));
    xAxis_->setRange(min, min + span);
    // Each series' own range follows the span shown.
    if (ownScales_)
        ApplyOwnScales();
    emit XRangeChanged(min, min + span, min <= xMin_ && min + span >= xMax_);
}

void ChartAdapter::ApplyAutoYRange() {
    autoRangeDirty_ = false;
    if (ownScales_) {
        ApplyOwnScales();
        return;
    }
    if (yAxis_ == nullptr || yScaleMode_ != 0)
        return;
    double lo = 0.0;
    double hi = 0.0;
    bool any = false;
    QList<QList<QPointF>> lines = data_;
    for (const auto& band : bands_) {
        lines.append(band.first);
        lines.append(band.second);
    }
    for (const QList<QPointF>& line : lines) {
        for (const QPointF& p : line) {
            if (std::isnan(p.y()))
                continue;  // a cell of no number
            if (!any) {
                lo = hi = p.y();
                any = true;
            }
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
        }
    }
    if (!any || lo == hi) {
        lo -= 1.0;
        hi += 1.0;
    }
    yAxis_->setRange(lo, hi);
    yAxis_->applyNiceNumbers();
    SetManualYGrid(manualYGrid_, yGridSpacing_);
}
