#include "curve_extras.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>
#include <cmath>

#include "chart_image.h"
#include "curve_init.h"
#include "curve_sampling.h"
#include "text_codec.h"

namespace {

CalendarTime RowTime(const RecordTable& table, int32_t row) {
    CalendarTime t;
    if (row >= 0 && row < table.RowCount())
        ParseRowTime(table.Cell(row, 0), &t);
    return t;
}

// The panel's words in the interface's language.
PanelTexts Texts() {
    PanelTexts t;
    t.range = QCoreApplication::translate("Histavue", "统计范围:").toUtf8().toStdString();
    t.channel = QCoreApplication::translate("Histavue", "通道").toUtf8().toStdString();
    t.min = QCoreApplication::translate("Histavue", "最小值").toUtf8().toStdString();
    t.minTime = QCoreApplication::translate("Histavue", "最小值时间").toUtf8().toStdString();
    t.max = QCoreApplication::translate("Histavue", "最大值").toUtf8().toStdString();
    t.maxTime = QCoreApplication::translate("Histavue", "最大值时间").toUtf8().toStdString();
    t.mean = QCoreApplication::translate("Histavue", "平均值").toUtf8().toStdString();
    t.records = QCoreApplication::translate("Histavue", "记录数").toUtf8().toStdString();
    t.skipped = QCoreApplication::translate("Histavue", "跳过(非数值)").toUtf8().toStdString();
    t.computing = QCoreApplication::translate("Histavue", "正在计算统计").toUtf8().toStdString();
    return t;
}

}  // namespace

CurveExtras::CurveExtras(ChartAdapter* adapter, CurveSettings* settings, const RecordTable* table,
                         QObject* parent)
    : QObject(parent), adapter_(adapter), settings_(settings), table_(table) {
    panelAction_ = new QAction(QCoreApplication::translate("Histavue", "统计与游标面板(&P)"), this);
    panelAction_->setCheckable(true);
    envelopeAction_ = new QAction(QCoreApplication::translate("Histavue", "包络抽样(&V)"), this);
    envelopeAction_->setCheckable(true);
    timeAxisAction_ = new QAction(QCoreApplication::translate("Histavue", "真实时间轴(&T)"), this);
    timeAxisAction_->setCheckable(true);
    // Queued: the actions fire from inside the chart's context menu.
    connect(panelAction_, &QAction::toggled, this, &CurveExtras::SetPanelShown,
            Qt::QueuedConnection);
    connect(envelopeAction_, &QAction::toggled, this, &CurveExtras::SetEnvelope,
            Qt::QueuedConnection);
    connect(timeAxisAction_, &QAction::toggled, this, &CurveExtras::SetTimeAxis,
            Qt::QueuedConnection);
    ownScalesAction_ =
        new QAction(QCoreApplication::translate("Histavue", "各通道独立刻度(&O)"), this);
    ownScalesAction_->setCheckable(true);
    connect(ownScalesAction_, &QAction::toggled, this, &CurveExtras::SetOwnScales,
            Qt::QueuedConnection);
    connect(adapter_, &ChartAdapter::ScaleSeriesChosen, this, [this](int series) {
        for (const Shown& s : ShownChannels()) {
            if (s.channel->showIndex == series)
                scaleChannel_ = s.channel->index;
        }
    });
    saveImageAction_ =
        new QAction(QCoreApplication::translate("Histavue", "保存图像(&S)..."), this);
    copyImageAction_ = new QAction(QCoreApplication::translate("Histavue", "复制图像(&C)"), this);
    connect(saveImageAction_, &QAction::triggered, this, &CurveExtras::OnSaveImage,
            Qt::QueuedConnection);
    connect(
        copyImageAction_, &QAction::triggered, this, [this] { CopyChartImage(adapter_->Window()); },
        Qt::QueuedConnection);
    connect(adapter_, &ChartAdapter::CursorBMoved, this, &CurveExtras::OnCursorB);
    connect(&statsWorker_, &StatsWorker::Progress, this, [this](int perMille) {
        statsProgress_ = perMille;
        UpdatePanel();
    });
    connect(adapter_, &ChartAdapter::CopyRequested, this, &CurveExtras::CopyPanel);
}

std::vector<CurveExtras::Shown> CurveExtras::ShownChannels() const {
    std::vector<Shown> shown(static_cast<size_t>(std::max(0, settings_->shownCount)),
                             Shown{nullptr, 0});
    int32_t ordinal = 0;
    for (const CurveChannel& c : settings_->channels) {
        // The column of channel m is m + 1, as the points were sampled.
        if (c.showIndex >= 0 && c.showIndex < settings_->shownCount)
            shown[static_cast<size_t>(c.showIndex)] = Shown{&c, ordinal + 1};
        ++ordinal;
    }
    shown.erase(std::remove_if(shown.begin(), shown.end(),
                               [](const Shown& s) { return s.channel == nullptr; }),
                shown.end());
    return shown;
}

void CurveExtras::ChartBuilt() {
    adapter_->SetMenuActions({panelAction_, envelopeAction_, timeAxisAction_, ownScalesAction_,
                              saveImageAction_, copyImageAction_});
    statsRows_ = RowsOfPoints(*settings_, 0, settings_->pointCount - 1);
    stats_.clear();
    StopComputing();  // what was computed for the chart before is of no use to this one
    // Choices read from a configuration file since the last build show in the menu too.
    {
        const QSignalBlocker blockPanel(panelAction_);
        const QSignalBlocker blockEnvelope(envelopeAction_);
        const QSignalBlocker blockTimeAxis(timeAxisAction_);
        panelAction_->setChecked(settings_->statisticsPanel != 0);
        envelopeAction_->setChecked(settings_->envelope != 0);
        timeAxisAction_->setChecked(settings_->timeAxis != 0);
        const QSignalBlocker blockOwnScales(ownScalesAction_);
        ownScalesAction_->setChecked(settings_->ownScales != 0);
    }
    if (settings_->envelope != 0)
        ApplyEnvelopes();
    // After the bands: a channel's range takes its band in.
    if (settings_->ownScales != 0)
        ApplyOwnScales();
    if (settings_->statisticsPanel != 0)
        OpenPanel();
}

void CurveExtras::OpenPanel() {
    if (adapter_->Window() == nullptr)
        return;
    ComputeStatistics(statsRows_);
    panel_ = new CurvePanel();
    if (!adapter_->AddBelowPlot(panel_)) {
        delete panel_;
        return;
    }
    UpdatePanel();
    emit PanelOpened();
}

void CurveExtras::ComputeStatistics(RowRange rows) {
    statsRows_ = rows;
    std::vector<int32_t> columns;
    for (const Shown& s : ShownChannels())
        columns.push_back(s.column);
    if (!InBackground(rows)) {
        statsWorker_.Cancel();
        stats_ = RangeStatistics(*table_, rows, columns);
        return;
    }
    // Cells stay blank until the result comes; the next zoom cancels it.
    stats_.clear();
    statsWorker_.Start(
        [this, table = table_, rows, columns](const Watch& watch) -> std::function<void()> {
            auto result = std::make_shared<std::vector<ChannelStats>>(
                RangeStatistics(*table, rows, columns, watch));
            return [this, result] {
                stats_ = std::move(*result);
                UpdatePanel();
            };
        });
}

void CurveExtras::StopComputing() {
    statsWorker_.Stop();
    envelopeWorker_.Stop();
}

bool CurveExtras::InBackground(RowRange rows) const {
    // Small ranges take well under a frame: computed at once, as the caller asked.
    constexpr int64_t kBackgroundCells = 200000;
    return int64_t{rows.end - rows.begin} * std::max<int64_t>(1, settings_->shownCount) >
           kBackgroundCells;
}

void CurveExtras::CursorMoved() {
    if (panel_ != nullptr)
        UpdatePanel();
}

void CurveExtras::RangeChanged(double min, double max, bool whole) {
    int first = 0;
    int last = settings_->pointCount - 1;
    if (!whole && !adapter_->PointsWithin(min, max, &first, &last))
        first = last + 1;  // no point shown: no rows
    const RowRange rows = RowsOfPoints(*settings_, first, last);
    if (panel_ == nullptr) {
        statsRows_ = rows;
        stats_.clear();
        statsWorker_.Cancel();
        return;
    }
    ComputeStatistics(rows);
    UpdatePanel();
}

PanelContents CurveExtras::Contents() const {
    PanelContents c;
    const std::vector<Shown> shown = ShownChannels();
    const int a = adapter_->CursorPoint();
    const int b = adapter_->CursorBPoint();
    c.hasB = b >= 0;
    if (!shown.empty()) {
        const std::vector<CurvePoint>& points = shown.front().channel->points;
        if (a >= 0 && a < static_cast<int>(points.size()))
            c.timeA = points[static_cast<size_t>(a)].time;
        if (b >= 0 && b < static_cast<int>(points.size()))
            c.timeB = points[static_cast<size_t>(b)].time;
    }
    if (statsRows_.end > statsRows_.begin) {
        c.rangeFrom = RowTime(*table_, statsRows_.begin);
        c.rangeTo = RowTime(*table_, std::min(statsRows_.end, table_->RowCount()) - 1);
    }
    c.texts = Texts();
    c.computing = statsWorker_.Busy();
    c.progress = c.computing ? statsProgress_ : -1;
    for (size_t i = 0; i < shown.size(); ++i) {
        PanelChannel pc;
        // The panel shows UTF-8; a name is in the record's code page.
        pc.name = DecodeText(shown[i].channel->Name(), table_->Codec()).toUtf8().toStdString();
        const int series = shown[i].channel->showIndex;
        pc.atA = adapter_->YValue(series, a);
        pc.atB = c.hasB ? adapter_->YValue(series, b) : 0.0;
        if (i < stats_.size()) {
            pc.stats = stats_[i];
            pc.minTime = RowTime(*table_, pc.stats.minRow);
            pc.maxTime = RowTime(*table_, pc.stats.maxRow);
        }
        c.channels.push_back(pc);
    }
    return c;
}

void CurveExtras::UpdatePanel() {
    if (panel_ != nullptr)
        panel_->SetContents(Contents());
}

void CurveExtras::OnCursorB() {
    // Setting B asks for its read-out: the panel opens the first time.
    if (settings_->statisticsPanel == 0)
        SetPanelShown(true);
    else
        UpdatePanel();
    adapter_->Repaint();
}

bool CurveExtras::Choose(QAction* action, int32_t* choice, bool on) {
    if (action->isChecked() != on) {
        const QSignalBlocker block(action);
        action->setChecked(on);
    }
    if ((*choice != 0) == on)
        return false;
    *choice = on ? 1 : 0;
    return true;
}

void CurveExtras::SetPanelShown(bool shown) {
    if (!Choose(panelAction_, &settings_->statisticsPanel, shown))
        return;
    if (shown)
        OpenPanel();
    else
        delete panel_;
}

void CurveExtras::SetEnvelope(bool on) {
    if (!Choose(envelopeAction_, &settings_->envelope, on))
        return;
    ApplyEnvelopes();
    adapter_->Repaint();
}

void CurveExtras::SetTimeAxis(bool on) {
    if (!Choose(timeAxisAction_, &settings_->timeAxis, on))
        return;
    // Every X value changes: the chart is built anew.
    emit RebuildRequested();
}

void CurveExtras::SetOwnScales(bool on) {
    if (!Choose(ownScalesAction_, &settings_->ownScales, on))
        return;
    ApplyOwnScales();
    adapter_->Repaint();
}

void CurveExtras::ApplyOwnScales() {
    QStringList names;
    names.resize(adapter_->SeriesCount());
    // The channel chosen before stays chosen while it is shown, else the first shown one is.
    int chosen = 0;
    for (const Shown& s : ShownChannels()) {
        if (s.channel->showIndex < names.size())
            names[s.channel->showIndex] = DecodeText(s.channel->Name(), table_->Codec());
        if (s.channel->index == scaleChannel_)
            chosen = s.channel->showIndex;
    }
    adapter_->SetOwnScales(settings_->ownScales != 0, names, chosen);
}

void CurveExtras::ApplyEnvelopes() {
    const std::vector<Shown> shown = ShownChannels();
    // A point that stands for one row has nothing to hide: no band then.
    if (settings_->envelope == 0 || settings_->pointStride <= 1) {
        envelopeWorker_.Cancel();
        for (const Shown& s : shown)
            adapter_->SetSeriesEnvelope(s.channel->showIndex, {}, {});
        return;
    }
    const RowRange whole = RowsOfPoints(*settings_, 0, settings_->pointCount - 1);
    std::vector<int32_t> columns;
    for (const Shown& s : shown)
        columns.push_back(s.column);
    std::vector<GapPoint> gaps;
    for (int b : adapter_->LineBreaks())
        gaps.push_back({b - 1, RowsOfPoints(*settings_, b - 1, b - 1)});
    const bool background = InBackground(whole);
    const auto work = [this, table = table_, starts = PointRows(*settings_), end = whole.end,
                       columns, gaps, seconds = settings_->sourceInterval,
                       background](const Watch& watch) -> std::function<void()> {
        auto envelopes = std::make_shared<std::vector<Envelope>>(
            EnvelopesBeforeGaps(*table, starts, end, columns, gaps, seconds, watch));
        return [this, envelopes, background] {
            ShowEnvelopes(ShownChannels(), *envelopes);
            if (background)
                adapter_->Repaint();
        };
    };
    if (background) {
        envelopeWorker_.Start(work);
        return;
    }
    envelopeWorker_.Cancel();
    work(Watch())();
}

void CurveExtras::ShowEnvelopes(const std::vector<Shown>& shown,
                                const std::vector<Envelope>& envelopes) {
    for (size_t i = 0; i < shown.size() && i < envelopes.size(); ++i) {
        QList<QPointF> low;
        QList<QPointF> high;
        const Envelope& e = envelopes[i];
        low.reserve(static_cast<qsizetype>(e.low.size()));
        high.reserve(static_cast<qsizetype>(e.high.size()));
        for (size_t p = 0; p < e.low.size(); ++p) {
            const double x = adapter_->PointX(static_cast<int>(p));
            low.append(QPointF(x, e.low[p]));
            high.append(QPointF(x, e.high[p]));
        }
        adapter_->SetSeriesEnvelope(shown[i].channel->showIndex, low, high);
    }
}

bool CurveExtras::CopyPanel() {
    if (panel_ == nullptr)
        return false;
    const std::string text = PanelText(Contents());
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return true;
}

void CurveExtras::OnSaveImage() {
    QWidget* chart = adapter_->Window();
    if (chart == nullptr)
        return;
    QString filter;
    const QString path = QFileDialog::getSaveFileName(
        chart, QCoreApplication::translate("Histavue", "保存图像"), QString(),
        QCoreApplication::translate("Histavue", "PNG 图像 (*.png);;SVG 图像 (*.svg)"), &filter);
    if (path.isEmpty())
        return;
    QString target = path;
    // A name without a known suffix takes the one of the chosen filter.
    const QString suffix = target.section('.', -1).toLower();
    if (!target.contains('.') || (suffix != QLatin1String("png") && suffix != QLatin1String("svg")))
        target +=
            filter.contains(QLatin1String("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    QString error;
    if (!SaveChartImage(chart, target, &error)) {
        QMessageBox::warning(
            chart, QCoreApplication::translate("Histavue", "保存图像"),
            QCoreApplication::translate("Histavue", "无法写入文件 %1").arg(target) +
                QStringLiteral("\n\n") + error);
    }
}
