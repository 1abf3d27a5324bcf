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
#include "curve_chart_view.h"

namespace {

// Pen style and width of the line types 0..6.
struct LinePen {
    Qt::PenStyle style;
    int width;
};
constexpr LinePen kLinePens[7] = {
    {Qt::SolidLine, 1},      {Qt::DashLine, 1},  {Qt::DotLine, 1},   {Qt::DashDotLine, 1},
    {Qt::DashDotDotLine, 1}, {Qt::SolidLine, 2}, {Qt::SolidLine, 4},
};

// A hover within this many pixels of a plotted point is on that point.
constexpr double kPointHitRadius = 6.0;

QString WithoutMark(const QString& text, const QString& mark) {
    return text.startsWith(mark) ? text.mid(mark.size()) : text;
}

}  // namespace

ChartAdapter::ChartAdapter(QObject* parent) : QObject(parent) {}

ChartAdapter::~ChartAdapter() {
    Destroy();
}

bool ChartAdapter::Create(QWidget* parent, const QRect& rect) {
    Destroy();
    if (parent == nullptr)
        return false;
    auto* window = new QWidget(parent);
    window->setObjectName(QStringLiteral("chart%1").arg(kChartId));
    window->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(0);
    titleLabel_ = new QLabel(window);
    titleLabel_->setAlignment(Qt::AlignCenter);
    QFont titleFont = titleLabel_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    titleLabel_->setFont(titleFont);
    subtitleLabel_ = new QLabel(window);
    subtitleLabel_->setAlignment(Qt::AlignCenter);
    footerLabel_ = new QLabel(window);
    footerLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    footerLabel_->setTextFormat(Qt::PlainText);
    titleLabel_->setTextFormat(Qt::PlainText);
    subtitleLabel_->setTextFormat(Qt::PlainText);

    chart_ = new QChart();
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    chart_->legend()->setAlignment(Qt::AlignRight);
    xAxis_ = new QCategoryAxis(chart_);
    xAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis_->setStartValue(0);
    yAxis_ = new QValueAxis(chart_);
    yAxis_->setLabelFormat(QStringLiteral("%g"));
    chart_->addAxis(xAxis_, Qt::AlignBottom);
    chart_->addAxis(yAxis_, Qt::AlignLeft);
    // Labels are chosen anew whenever the plot changes size.
    connect(chart_, &QChart::plotAreaChanged, this, [this] { FitAxisLabels(); });
    view_ = new CurveChartView(chart_, this, window);
    view_->setFrameShape(QFrame::NoFrame);

    layout->addWidget(titleLabel_);
    layout->addWidget(subtitleLabel_);
    layout->addWidget(view_, 1);
    layout->addWidget(footerLabel_);
    window_ = window;
    window->setFocusProxy(view_);
    window->setGeometry(rect);
    SetColors(background_, foreground_);
    SetGridMode(gridMode_);
    window->show();
    return true;
}

void ChartAdapter::Destroy() {
    if (window_ != nullptr) {
        // Deleted now, not later: a rebuild right after must not find the old series.
        delete window_.data();
    }
    window_ = nullptr;
    titleLabel_ = subtitleLabel_ = footerLabel_ = nullptr;
    view_ = nullptr;
    chart_ = nullptr;
    xAxis_ = nullptr;
    yAxis_ = nullptr;
    series_.clear();
    data_.clear();
    names_.clear();
    pens_.clear();
    bands_.clear();
    pointX_.clear();
    breaks_.clear();
    envelopes_.clear();
    pointCount_ = 0;
    cursor_ = 0;
    cursorB_ = -1;
    title_.clear();
    subtitle_.clear();
    footer_.clear();
    yLabel_.clear();
    timeLabels_.clear();
    timeLabelX_.clear();
    axisLabels_.clear();
    shownLabels_.clear();
    yLabelEvery_ = 1;
    zoomLabels_ = false;
    manualYGrid_ = false;
    yGridSpacing_ = 0.0;
    yScaleMode_ = 0;
    xMin_ = xMax_ = 0.0;
    autoRangeDirty_ = true;
}

QWidget* ChartAdapter::Window() const {
    return window_.data();
}

void ChartAdapter::SetSeriesCount(int count) {
    if (chart_ == nullptr)
        return;
    for (int i = 0; i < data_.size(); ++i)
        SetSeriesEnvelope(i, {}, {});
    for (QLineSeries* s : series_) {
        chart_->removeSeries(s);
        delete s;
    }
    series_.clear();
    data_.clear();
    names_.clear();
    pens_.clear();
    for (int i = 0; i < count; ++i) {
        if (i < kMostChartSeries) {
            auto* s = new QLineSeries(chart_);
            chart_->addSeries(s);
            s->attachAxis(xAxis_);
            s->attachAxis(yAxis_);
            series_.append(s);
        }
        data_.append(QList<QPointF>());
        names_.append(QString());
        pens_.append(QPen(Qt::black, 1));
    }
    ApplyPens();
    autoRangeDirty_ = true;
}

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

void ChartAdapter::ApplyPens() {
    if (chart_ == nullptr)
        return;
    for (int i = 0; i < series_.size(); ++i) {
        QPen pen = pens_[i];
        if (DrawsLinesItself())
            pen.setColor(Qt::transparent);
        series_[i]->setPen(pen);
    }
    // The legend's markers are gone through once, not once per series.
    QHash<const QAbstractSeries*, int> index;
    for (int i = 0; i < series_.size(); ++i)
        index.insert(series_[i], i);
    for (QLegendMarker* marker : chart_->legend()->markers()) {
        const int i = index.value(marker->series(), -1);
        if (i >= 0)
            marker->setBrush(pens_[i].color());
    }
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

void ChartAdapter::SetTitle(const QString& text) {
    title_ = text;
    if (titleLabel_ != nullptr)
        titleLabel_->setText(text);
}

void ChartAdapter::SetSubtitle(const QString& text) {
    subtitle_ = text;
    if (subtitleLabel_ != nullptr)
        subtitleLabel_->setText(text);
}

void ChartAdapter::SetFooterEntry(int index, const QString& text) {
    if (index < 0)
        return;
    while (footer_.size() <= index)
        footer_.append(QString());
    footer_[index] = text;
    UpdateFooter();
}

void ChartAdapter::UpdateFooter() {
    if (footerLabel_ == nullptr)
        return;
    QStringList lines;
    for (int i = footer_.size() - 1; i >= 0; --i) {
        QString line = footer_[i];
        if (line.endsWith(QStringLiteral("||")))
            line.chop(2);
        lines.append(line);
    }
    footerLabel_->setText(lines.join('\n'));
    footerLabel_->setVisible(!footer_.isEmpty());
}

void ChartAdapter::SetXAxisLabel(const QString& text) {
    if (xAxis_ != nullptr)
        xAxis_->setTitleText(text);
}

void ChartAdapter::SetYAxisLabel(const QString& text) {
    yLabel_ = text;
    if (yAxis_ != nullptr)
        yAxis_->setTitleText(text);
}

void ChartAdapter::SetSeriesLabel(int series, const QString& text) {
    if (series < 0 || series >= names_.size())
        return;
    names_[series] = text;
    if (series < series_.size())
        series_[series]->setName(text);
}

QString ChartAdapter::SeriesLabel(int series) const {
    return names_.value(series);
}

void ChartAdapter::SetSeriesColors(const QList<QColor>& colors) {
    for (int i = 0; i < colors.size() && i < pens_.size(); ++i)
        pens_[i].setColor(colors[i]);
    ApplyPens();
}

void ChartAdapter::SetSeriesLineTypes(const QList<int>& lineTypes) {
    for (int i = 0; i < lineTypes.size() && i < pens_.size(); ++i) {
        const int t = lineTypes[i] >= 0 && lineTypes[i] < 7 ? lineTypes[i] : 0;
        pens_[i].setStyle(kLinePens[t].style);
        pens_[i].setWidth(kLinePens[t].width);
    }
    ApplyPens();
}

void ChartAdapter::SetSeriesData(int series, const QList<QPointF>& points) {
    if (series < 0 || series >= data_.size())
        return;
    data_[series] = points;
    autoRangeDirty_ = true;
    if (series >= series_.size())
        return;
    series_[series]->replace(points);
    // A line through one point has no length: its point is drawn instead.
    series_[series]->setPointsVisible(points.size() == 1);
}

void ChartAdapter::SetSeriesEnvelope(int series, const QList<QPointF>& low,
                                     const QList<QPointF>& high) {
    if (chart_ == nullptr || series < 0 || series >= SeriesCount())
        return;
    if (QAreaSeries* old = envelopes_.take(series)) {
        chart_->removeSeries(old);
        delete old;
    }
    bands_.remove(series);
    autoRangeDirty_ = true;
    if (low.isEmpty() && high.isEmpty())
        return;
    bands_.insert(series, {low, high});
    if (DrawsLinesItself())
        return;
    auto* upper = new QLineSeries();
    upper->replace(high);
    auto* lower = new QLineSeries();
    lower->replace(low);
    auto* band = new QAreaSeries(upper, lower);
    upper->setParent(band);
    lower->setParent(band);
    band->setBrush(BandBrush(series));
    band->setPen(BandPen(series));
    chart_->addSeries(band);
    band->attachAxis(xAxis_);
    band->attachAxis(yAxis_);
    for (QLegendMarker* marker : chart_->legend()->markers(band))
        marker->setVisible(false);
    envelopes_.insert(series, band);
}

QBrush ChartAdapter::BandBrush(int series) const {
    // Translucent, so the curves stay seen through the bands drawn after them.
    QColor fill = SeriesColor(series);
    fill.setAlpha(80);
    return fill;
}

QPen ChartAdapter::BandPen(int series) const {
    QColor edge = SeriesColor(series);
    edge.setAlpha(140);
    return QPen(edge, 1);
}

QList<QPointF> ChartAdapter::SeriesEnvelopeLow(int series) const {
    return bands_.value(series).first;
}

QList<QPointF> ChartAdapter::SeriesEnvelopeHigh(int series) const {
    return bands_.value(series).second;
}

bool ChartAdapter::AddBelowPlot(QWidget* widget) {
    if (window_ == nullptr || widget == nullptr)
        return false;
    auto* layout = static_cast<QVBoxLayout*>(window_->layout());
    layout->insertWidget(layout->indexOf(view_) + 1, widget);
    // A widget added to a window already shown stays hidden until shown itself.
    widget->show();
    return true;
}

QList<QPointF> ChartAdapter::SeriesData(int series) const {
    return data_.value(series);
}

QColor ChartAdapter::SeriesColor(int series) const {
    return SeriesPen(series).color();
}

QPen ChartAdapter::SeriesPen(int series) const {
    return series >= 0 && series < pens_.size() ? pens_[series] : QPen(Qt::NoPen);
}

Qt::PenStyle ChartAdapter::SeriesPenStyle(int series) const {
    return SeriesPen(series).style();
}

int ChartAdapter::SeriesPenWidth(int series) const {
    return series >= 0 && series < pens_.size() ? pens_[series].width() : 0;
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

void ChartAdapter::SetColors(const QColor& background, const QColor& foreground) {
    background_ = background;
    foreground_ = foreground;
    if (window_ == nullptr)
        return;
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, foreground);
    window_->setPalette(palette);
    chart_->setBackgroundBrush(background);
    chart_->setPlotAreaBackgroundBrush(background);
    chart_->setPlotAreaBackgroundVisible(true);
    chart_->legend()->setLabelColor(foreground);
    view_->setBackgroundBrush(background);
    QColor grid = foreground;
    grid.setAlpha(70);
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(xAxis_), static_cast<QAbstractAxis*>(yAxis_)}) {
        axis->setLabelsColor(foreground);
        axis->setLinePenColor(foreground);
        axis->setTitleBrush(foreground);
        axis->setGridLineColor(grid);
        axis->setMinorGridLineColor(grid);
    }
}

void ChartAdapter::SetCursorPoint(int point) {
    cursor_ = std::max(0, std::min(point, pointCount_ - 1));
}

void ChartAdapter::SetCursorBPoint(int point) {
    cursorB_ = pointCount_ > 0 ? std::max(0, std::min(point, pointCount_ - 1)) : -1;
}

double ChartAdapter::YValue(int series, int point) const {
    if (series < 0 || series >= data_.size() || point < 0 || point >= data_[series].size())
        return 0.0;
    return data_[series][point].y();
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
    emit XRangeChanged(min, min + span, min <= xMin_ && min + span >= xMax_);
}

void ChartAdapter::ApplyAutoYRange() {
    autoRangeDirty_ = false;
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

void ChartAdapter::Repaint() {
    if (view_ == nullptr)
        return;
    if (autoRangeDirty_)
        ApplyAutoYRange();
    view_->viewport()->repaint();
    subtitleLabel_->repaint();
}

ChartAdapter::HotSpot ChartAdapter::HitTest(const QPoint& viewPos, bool anywhereInPlot,
                                            int* point) const {
    *point = -1;
    if (chart_ == nullptr)
        return HotSpot::kNone;
    const QPointF at = chart_->mapFromScene(view_->mapToScene(viewPos));
    if (chart_->legend()->isVisible() && chart_->legend()->geometry().contains(at))
        return HotSpot::kLegend;
    if (!chart_->plotArea().contains(at))
        return HotSpot::kTitle;
    if (pointCount_ <= 0)
        return HotSpot::kPlotArea;
    const int t = NearestPoint(chart_->mapToValue(at).x());
    if (anywhereInPlot) {
        *point = t;
        return HotSpot::kDataPoint;
    }
    // Every series stands on the same axes.
    for (int i = 0; i < data_.size() && !series_.isEmpty(); ++i) {
        if (t >= data_[i].size())
            continue;
        const QPointF p = chart_->mapToPosition(data_[i][t], series_.front());
        if (std::hypot(p.x() - at.x(), p.y() - at.y()) <= kPointHitRadius) {
            *point = t;
            return HotSpot::kDataPoint;
        }
    }
    return HotSpot::kPlotArea;
}

void ChartAdapter::OnKey(int key, Qt::KeyboardModifiers modifiers) {
    const int step = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
    if (step != 0 && (modifiers & Qt::ShiftModifier)) {
        // B starts where A stands the first time it is moved by key.
        SetCursorBPoint((cursorB_ < 0 ? cursor_ : cursorB_) + step);
        // B's own read-out follows; A's stands as it was, so it is not worked out again.
        emit CursorBMoved(cursorB_);
        return;
    } else if (step != 0) {
        SetCursorPoint(cursor_ + step);
    }
    if (key == Qt::Key_C && (modifiers & Qt::ControlModifier))
        emit CopyRequested();
    emit KeyPressed(key);
}
