#include "chart_adapter.h"

#include <QAction>
#include <QCoreApplication>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

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
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The plot above, a panel (when one is added) below: the user sets the share, and the plot
    // never gives up its least height.
    splitter_ = new QSplitter(Qt::Vertical, window);
    splitter_->setChildrenCollapsible(false);
    view_ = new PlotView(this, splitter_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(0, 1);
    layout->addWidget(splitter_);
    settingsAction_ =
        new QAction(QCoreApplication::translate("Histavue", "历史曲线设置(&E)"), window);
    // Answered later, not now: the settings' OK rebuilds the chart, and with it the plot whose
    // menu asks.
    connect(settingsAction_, &QAction::triggered, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { emit SettingsRequested(); }, Qt::QueuedConnection);
    });
    separator_ = new QAction(window);
    separator_->setSeparator(true);
    window_ = window;
    window->setFocusProxy(view_);
    window->setGeometry(rect);
    scene_.scales = &scales_;
    SetColors(background_, foreground_);
    SetGridMode(gridMode_);
    window->show();
    return true;
}

void ChartAdapter::Destroy() {
    if (window_ != nullptr) {
        // Deleted now, not later: a rebuild right after must not find the old plot.
        delete window_.data();
    }
    window_ = nullptr;
    splitter_ = nullptr;
    view_ = nullptr;
    settingsAction_ = separator_ = nullptr;
    scene_ = PlotScene();
    scene_.scales = &scales_;
    pointX_.clear();
    breaks_.clear();
    pointCount_ = 0;
    cursor_ = 0;
    cursorB_ = -1;
    footer_.clear();
    yLabel_.clear();
    timeLabels_.clear();
    timeLabelX_.clear();
    axisLabels_.clear();
    zoomLabels_ = false;
    manualYGrid_ = false;
    yGridSpacing_ = 0.0;
    yScaleMode_ = 0;
    yFixedMin_ = 0.0;
    yFixedMax_ = 1.0;
    xMin_ = xMax_ = 0.0;
    autoRangeDirty_ = true;
    ownScales_ = false;
    scales_.Clear();
    scaleNames_.clear();
}

QWidget* ChartAdapter::Window() const {
    return window_.data();
}

void ChartAdapter::Changed(bool layout) const {
    if (view_ != nullptr)
        view_->Changed(layout);
}

void ChartAdapter::SetTitle(const QString& text) {
    scene_.title = text;
    Changed();
}

void ChartAdapter::SetSubtitle(const QString& text) {
    // One line whatever it says: only drawn anew.
    scene_.subtitle = text;
    if (view_ != nullptr)
        view_->update();
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
    QStringList lines;
    for (int i = footer_.size() - 1; i >= 0; --i) {
        QString line = footer_[i];
        if (line.endsWith(QStringLiteral("||")))
            line.chop(2);
        lines.append(line);
    }
    scene_.footer = lines;
    Changed();
}

void ChartAdapter::SetXAxisLabel(const QString& text) {
    scene_.xTitle = text;
    Changed();
}

void ChartAdapter::SetYAxisLabel(const QString& text) {
    yLabel_ = text;
    if (!ownScales_)
        scene_.yTitle = text;
    Changed();
}

bool ChartAdapter::AddBelowPlot(QWidget* widget) {
    if (window_ == nullptr || widget == nullptr)
        return false;
    splitter_->addWidget(widget);
    splitter_->setStretchFactor(splitter_->indexOf(widget), 0);
    // A widget added to a window already shown stays hidden until shown itself.
    widget->show();
    return true;
}

void ChartAdapter::SetColors(const QColor& background, const QColor& foreground) {
    background_ = background;
    foreground_ = foreground;
    scene_.background = background;
    scene_.foreground = foreground;
    if (window_ != nullptr) {
        QPalette palette = window_->palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, foreground);
        window_->setPalette(palette);
    }
    Changed(false);
}

void ChartAdapter::Repaint() {
    if (view_ == nullptr)
        return;
    if (autoRangeDirty_)
        ApplyAutoYRange();
    view_->repaint();
}

const PlotLayout* ChartAdapter::Layout() const {
    if (view_ == nullptr)
        return nullptr;
    if (autoRangeDirty_)
        ApplyAutoYRange();
    return &view_->Layout();
}

QPoint ChartAdapter::PlotPosition(double x, double y) const {
    const PlotLayout* l = Layout();
    if (l == nullptr)
        return QPoint();
    return QPointF(l->XMap(scene_).Pixel(x), l->YMap().Pixel(y)).toPoint();
}

QRect ChartAdapter::LegendEntryRect(int series) const {
    if (view_ == nullptr)
        return QRect();
    Layout();
    return view_->LegendEntryRect(series).toAlignedRect();
}

QList<QAction*> ChartAdapter::ContextMenuActions() const {
    QList<QAction*> actions{settingsAction_};
    if (!menuActions_.isEmpty())
        actions << separator_ << menuActions_;
    return actions;
}

void ChartAdapter::PlotLegendClicked(int series) {
    if (!ownScales_)
        return;
    SetScaleSeries(series);
    emit ScaleSeriesChosen(series);
}
