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
    gaps_.clear();
    gapSeries_ = 0;
    bands_.clear();
    pointX_.clear();
    breaks_.clear();
    envelopes_.clear();
    alarmLanes_ = ChartAlarmLanes();
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
    ownScales_ = false;
    scales_.Clear();
    scaleNames_.clear();
}

QWidget* ChartAdapter::Window() const {
    return window_.data();
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

bool ChartAdapter::AddBelowPlot(QWidget* widget) {
    if (window_ == nullptr || widget == nullptr)
        return false;
    auto* layout = static_cast<QVBoxLayout*>(window_->layout());
    layout->insertWidget(layout->indexOf(view_) + 1, widget);
    // A widget added to a window already shown stays hidden until shown itself.
    widget->show();
    return true;
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

void ChartAdapter::Repaint() {
    if (view_ == nullptr)
        return;
    if (autoRangeDirty_)
        ApplyAutoYRange();
    view_->viewport()->repaint();
    subtitleLabel_->repaint();
}

void ChartAdapter::PlotSettingsRequested() {
    QMetaObject::invokeMethod(
        this, [this] { emit SettingsRequested(); }, Qt::QueuedConnection);
}
