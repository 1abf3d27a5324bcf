#include "trend_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "alarm_layer.h"
#include "alarm_mapping_profile.h"
#include "chart_image.h"
#include "curve_settings.h"
#include "summary_group.h"
#include "text_codec.h"
#include "time_ticks.h"
#include "ui_services.h"

namespace {

// The shortest span shown: a few records of a one-second group.
constexpr double kLeastSpan = 10.0;
// Spans up to a day read the records of folders not summarised yet.
constexpr double kReadWithoutSummaries = 86400.0;

QString Value(double v) {
    return QString::number(v, 'f', 2);
}

}  // namespace

QList<QPointF> TrendPoints(const TrendColumns& columns, int channel, TrendSeconds origin) {
    QList<QPointF> points;
    const std::vector<TrendRun>& runs = columns.Runs(channel);
    points.reserve(static_cast<int>(runs.size() * 5));
    for (const TrendRun& run : runs) {
        if (run.breakBefore && !points.isEmpty())
            points.append(QPointF(points.back().x(), NAN));
        const bool minFirst = run.minAt <= run.maxAt;
        const std::pair<TrendSeconds, double> corners[4] = {
            {run.firstAt, run.first},
            {minFirst ? run.minAt : run.maxAt, minFirst ? run.min : run.max},
            {minFirst ? run.maxAt : run.minAt, minFirst ? run.max : run.min},
            {run.lastAt, run.last}};
        TrendSeconds previous = std::numeric_limits<TrendSeconds>::min();
        for (const auto& [at, value] : corners) {
            if (at == previous)
                continue;
            previous = at;
            points.append(QPointF(static_cast<double>(at - origin), value));
        }
    }
    return points;
}

TrendWindow::TrendWindow(const TrendGroup& group, const std::string& stagingRoot, QWidget* parent)
    : QWidget(parent), group_(group) {
    setAttribute(Qt::WA_DeleteOnClose);
    const QString name = DecodeShown(group_.group.name);
    setWindowTitle(QCoreApplication::translate("Histavue", "趋势图: %1").arg(name));
    scene_.title = QCoreApplication::translate("Histavue", "趋势图: %1").arg(name);
    scene_.yTitle = QCoreApplication::translate("Histavue", "采样值");
    scene_.pixelAligned = true;
    scene_.cursorRings = false;
    scene_.scales = &scales_;
    scene_.xMin = 0;
    scene_.xMax = static_cast<double>(group_.to - group_.from);

    channels_ = new QListWidget(this);
    // The captions decoded together, as the line that holds them: one name alone may read as
    // another code page (two characters of GB18030 can form a valid UTF-8 sequence).
    std::string captions;
    for (const std::string& channel : group_.channels)
        captions += (captions.empty() ? "" : ",") + channel;
    const QStringList names = DecodeShown(captions).split(QChar(','));
    for (size_t i = 0; i < group_.channels.size(); ++i) {
        const RgbColor rgb = CurveColorTable[i % kCurveColorCount];
        colors_.append(QColor(rgb.r, rgb.g, rgb.b));
        QPixmap swatch(12, 12);
        swatch.fill(colors_.back());
        auto* item =
            new QListWidgetItem(QIcon(swatch), names.value(static_cast<int>(i)), channels_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(channels_, &QListWidget::itemChanged, this, [this] {
        ForgetRoom();
        BuildScene();
    });
    ownScales_ = new QCheckBox(QCoreApplication::translate("Histavue", "各通道独立刻度(&O)"), this);
    connect(ownScales_, &QCheckBox::toggled, this, [this] {
        ForgetRoom();
        BuildScene();
    });
    // The alarm lanes of the span, from the alarm store of the data root, when there is one.
    alarmsBox_ = new QCheckBox(QCoreApplication::translate("Histavue", "显示报警(&A)"), this);
    alarmsBox_->setChecked(true);
    connect(alarmsBox_, &QCheckBox::toggled, this, [this] {
        ForgetRoom();
        BuildScene();
    });
    alarmFolder_ = AlarmStoreFolder();
    // Summaries of the folders, made while the window is in use: until they are, the records
    // are read from the store.
    progress_ = new QProgressBar(this);
    cancelSummaries_ = new QPushButton(QCoreApplication::translate("Histavue", "取消汇总"), this);
    connect(cancelSummaries_, &QPushButton::clicked, this, [this] { stopSummaries_ = true; });
    if (!stagingRoot.empty()) {
        // Opened, checked and made on a thread of their own: listing the folders of a year on a
        // slow disk or a share must not hold up the window. Until they are open, a short span
        // reads its records and a long one waits (Refresh).
        summariesOpening_ = true;
        progressDrawn_.start();
        auto summaries = std::make_shared<SummaryGroup>();
        summariser_ = std::thread(
            [this, summaries, stagingRoot, dataFolder = group_.dataFolder, group = group_.group] {
                std::string error;
                if (!summaries->Open(dataFolder, stagingRoot, group, &error)) {
                    QMetaObject::invokeMethod(
                        this, [this] { SummariesOpened(nullptr); }, Qt::QueuedConnection);
                    return;
                }
                QMetaObject::invokeMethod(
                    this, [this, summaries] { SummariesOpened(summaries); }, Qt::QueuedConnection);
                size_t shown = SIZE_MAX;
                auto posted = std::chrono::steady_clock::now();
                const bool whole = summaries->Summarise(
                    [this, &shown, &posted](size_t done, size_t total) {
                        // A step the bar can show, not every folder of a year, and no more
                        // than the eye takes in: kept summaries are checked in a tenth of a
                        // second, and a hundred repaints of the bar would take a core from it.
                        const size_t step = total > 0 ? done * 100 / total : 100;
                        const auto now = std::chrono::steady_clock::now();
                        if (step == shown || now - posted < std::chrono::milliseconds(50))
                            return;
                        shown = step;
                        posted = now;
                        QMetaObject::invokeMethod(
                            this, [this, done, total] { SummaryProgress(done, total); },
                            Qt::QueuedConnection);
                    },
                    &stopSummaries_);
                QMetaObject::invokeMethod(
                    this, [this, whole] { SummariesDone(whole); }, Qt::QueuedConnection);
            });
    } else {
        StartAlarms();
    }
    wholeAction_ = new QAction(QCoreApplication::translate("Histavue", "全部时段(&W)"), this);
    connect(wholeAction_, &QAction::triggered, this, &TrendWindow::ShowWhole);
    reportAction_ = new QAction(QCoreApplication::translate("Histavue", "以报表打开"), this);
    auto openAsReport = [this] {
        const TrendSeconds from = group_.from + static_cast<TrendSeconds>(std::floor(scene_.xMin));
        const TrendSeconds to = group_.from + static_cast<TrendSeconds>(std::ceil(scene_.xMax));
        emit OpenAsReportRequested(QByteArray::fromStdString(group_.group.name), from, to,
                                   columns_ != nullptr ? qint64(columns_->Total()) : -1);
    };
    saveImageAction_ =
        new QAction(QCoreApplication::translate("Histavue", "保存图像(&S)..."), this);
    connect(saveImageAction_, &QAction::triggered, this, &TrendWindow::SaveImage);
    copyImageAction_ = new QAction(QCoreApplication::translate("Histavue", "复制图像(&C)"), this);
    connect(copyImageAction_, &QAction::triggered, this, [this] { CopyChartImage(plot_); });
    printAction_ = new QAction(QCoreApplication::translate("Histavue", "打印(&P)..."), this);
    connect(printAction_, &QAction::triggered, this, &TrendWindow::PrintRequested);
    connect(reportAction_, &QAction::triggered, this, openAsReport);

    // Above the plot, what changes the whole drawing; on a narrow window what does not fit
    // is behind the bar's arrow.
    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->addAction(wholeAction_);
    tools->addAction(reportAction_);
    tools->addSeparator();
    tools->addWidget(ownScales_);
    tools->addWidget(alarmsBox_)->setVisible(!alarmFolder_.empty());
    // The channel list beside the plot, as wide as the user drags it (placed once the window
    // has its size: resizeEvent).
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->addWidget(channels_);
    plot_ = new PlotView(this, splitter_);
    plot_->installEventFilter(this);
    // The room of the axes' labels follows what is drawn (the numbers of the Y axis, the legend
    // and its read-out, the alarm lanes): where it leaves the plot other pixel columns than
    // those read, they are read again, or the drawing would no longer be that of every record.
    connect(plot_, &PlotView::PlotAreaChanged, this, &TrendWindow::Refresh, Qt::QueuedConnection);
    splitter_->addWidget(plot_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setCollapsible(1, false);
    // Below, while summaries are made: how far, and the button that stops them.
    summaryRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(summaryRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(progress_, 1);
    row->addWidget(cancelSummaries_);
    summaryRow_->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(tools);
    layout->addWidget(splitter_, 1);
    layout->addWidget(summaryRow_);
    setFocusProxy(plot_);
    BuildScene();
}

TrendWindow::~TrendWindow() {
    stopSummaries_ = true;
    if (summariser_.joinable())
        summariser_.join();
    StopReading();
}

void TrendWindow::SummaryProgress(size_t done, size_t total) {
    // The bar and its button once the work takes longer than a blink, so that a check of kept
    // summaries does not flash them.
    if (!summaryRow_->isVisible() && (progressDraws_ > 0 || progressDrawn_.hasExpired(250)))
        summaryRow_->setVisible(true);
    progress_->setMaximum(static_cast<int>(std::min<size_t>(total, INT_MAX)));
    progress_->setValue(static_cast<int>(std::min<size_t>(done, INT_MAX)));
    status_ =
        QCoreApplication::translate("Histavue", "正在汇总趋势的文件夹: %1/%2").arg(done).arg(total);
    emit StatusChanged(status_);
    // What is summarised by now is drawn twice a second, the first time after a second: checking
    // summaries already made takes less, and a drawing of half of them would only hold it up.
    if (!reading_ && progressDrawn_.hasExpired(progressDraws_ == 0 ? 1000 : 500)) {
        progressDrawn_.restart();
        ++progressDraws_;
        haveWanted_ = false;
        Refresh();
    }
}

void TrendWindow::SummariesOpened(std::shared_ptr<SummaryGroup> summaries) {
    summariesOpening_ = false;
    if (summaries != nullptr) {
        summaries_ = std::move(summaries);
        return;
    }
    // No summaries to be had (the staging folder or the group cannot be read as they need):
    // every span reads its records.
    summaryRow_->setVisible(false);
    StartAlarms();
    haveWanted_ = false;
    Refresh();
}

void TrendWindow::StartAlarms() {
    if (alarmsStarted_ || alarmFolder_.empty())
        return;
    alarmsStarted_ = true;
    alarmFetch_.Start(
        alarmFolder_, TrendTime(group_.from), TrendTime(group_.to - 1),
        [this] { QMetaObject::invokeMethod(this, &TrendWindow::AlarmsRead, Qt::QueuedConnection); },
        StoredAlarmMappings());
}

void TrendWindow::SummariesDone(bool whole) {
    // The alarms are read once the summaries are checked: on two cores the lanes would otherwise
    // hold back the curves of a year, which come first.
    StartAlarms();
    summaryRow_->setVisible(false);
    summarised_ = whole;
    summariesEnded_ = true;
    // The axes of the whole span laid out for its numbers before they are read: its columns
    // are then read once, for the pixel columns the plot will have, not again when the numbers
    // of the Y axis take other room.
    if (columns_ == nullptr && summaries_ != nullptr &&
        summaries_->Ranges(group_.from, group_.to, &wholeRanges_))
        BuildScene();
    // Read again from the summaries now in hand.
    haveWanted_ = false;
    Refresh();
}

void TrendWindow::WaitForSummaries() {
    if (summariser_.joinable())
        summariser_.join();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    WaitForColumns();
}

void TrendWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The channel list takes what its names need, up to a third of a narrow window.
    if (!splitterPlaced_ && width() > 0) {
        splitterPlaced_ = true;
        const int list = std::clamp(channels_->sizeHintForColumn(0) + 2 * channels_->frameWidth() +
                                        channels_->verticalScrollBar()->sizeHint().width(),
                                    60, std::max(60, width() / 3));
        splitter_->setSizes({list, std::max(1, width() - list)});
    }
}

void TrendWindow::ForgetRoom() {
    scene_.leastLeftRoom = 0.0;
    scene_.leastRightRoom = 0.0;
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == plot_ && event->type() == QEvent::Resize)
        ForgetRoom();
    if (watched == plot_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        QMetaObject::invokeMethod(this, &TrendWindow::Refresh, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void TrendWindow::ShowSpan(double from, double to) {
    const double whole = static_cast<double>(group_.to - group_.from);
    if (!std::isfinite(from) || !std::isfinite(to))
        return;
    const double span = std::min(std::max(to - from, kLeastSpan), whole);
    from = std::clamp(from, 0.0, whole - span);
    scene_.xMin = from;
    scene_.xMax = from + span;
    cursor_ = -1;
    scene_.cursorA = -1;
    BuildScene();
    Refresh();
}

void TrendWindow::ShowWhole() {
    ForgetRoom();
    ShowSpan(0, static_cast<double>(group_.to - group_.from));
}

void TrendWindow::Refresh() {
    if (!plot_->isVisible() && plot_->width() <= 0)
        return;
    const PlotLayout& l = plot_->Layout();
    if (!l.Valid())
        return;
    // The room beside the plot only grows while the span is zoomed and panned: where the labels
    // beside it turn narrower, the plot keeps its pixel columns, and the columns read for them
    // need not be read again.
    scene_.leastLeftRoom = std::max(scene_.leastLeftRoom, l.plot.left() - l.area.left());
    scene_.leastRightRoom = std::max(scene_.leastRightRoom, l.area.right() - l.plot.right());
    const AxisMap map = l.XMap(scene_);
    if (haveWanted_ && map.from == wanted_.from && map.to == wanted_.to &&
        map.start == wanted_.start && map.length == wanted_.length)
        return;
    // While the summaries are opened, and in the first second of their check, a long span waits
    // for them (its records would be read one by one otherwise): a group's kept
    // summaries are checked in a fraction of it, and drawing the part in hand meanwhile would
    // take the cores from the check and hold back the whole drawing. Summaries being made anew
    // are drawn as they come in from then on (SummaryProgress).
    if ((summariesOpening_ || (summaries_ != nullptr && !summariesEnded_ && progressDraws_ == 0)) &&
        map.to - map.from > kReadWithoutSummaries) {
        haveWanted_ = false;
        return;
    }
    StartReading(map);
}

void TrendWindow::StartReading(const AxisMap& map) {
    StopReading();
    wanted_ = map;
    haveWanted_ = true;
    const quint64 generation = ++generation_;
    cancel_ = false;
    reading_ = true;
    UpdateStatus();
    const TrendGroup group = group_;
    const std::shared_ptr<SummaryGroup> summaries = summaries_;
    // Once the summaries are made (or given up), every folder's records count.
    const bool summarised = summariesEnded_;
    reader_ = std::thread([this, group, map, generation, summaries, summarised] {
        auto columns =
            std::make_shared<TrendColumns>(map, group.from, static_cast<int>(group.channels.size()),
                                           static_cast<int32_t>(group.group.interval));
        bool whole = true;
        // While the summaries are made, a short span reads the records it lacks; a long one
        // draws what is summarised so far and is drawn again as more comes in.
        const bool readAll = summarised || map.to - map.from <= kReadWithoutSummaries;
        if (summaries != nullptr)
            whole = ReadTrendSummaries(*summaries, columns.get(), readAll, &cancel_);
        else
            whole = ReadTrend(group, columns.get(), &cancel_);
        if (whole) {
            QMetaObject::invokeMethod(
                this, [this, columns, generation] { ColumnsRead(columns, generation); },
                Qt::QueuedConnection);
        }
        reading_ = false;
    });
}

void TrendWindow::StopReading() {
    cancel_ = true;
    if (reader_.joinable())
        reader_.join();
}

void TrendWindow::WaitForColumns() {
    Refresh();
    // What a read delivers may start the next (the summaries came in meanwhile, or the axes'
    // labels took other room): until none.
    while (reader_.joinable()) {
        reader_.join();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        Refresh();
    }
}

void TrendWindow::AlarmsRead() {
    AlarmReadResult result;
    if (!alarmFetch_.Take(&result))
        return;
    alarmStore_ = result.store;
    alarmProblem_ = result.problem;
    if (result.store != AlarmStoreState::kAlarmLog)
        return;
    alarmLog_ = result.log;
    alarmPlan_ = PairAlarms(*alarmLog_, group_.from, group_.to - 1);
    BuildScene();
}

void TrendWindow::WaitForAlarms() {
    if (!alarmsStarted_)
        WaitForSummaries();
    if (!alarmsStarted_)
        return;
    alarmFetch_.Wait();
    AlarmsRead();
}

void TrendWindow::ColumnsRead(std::shared_ptr<TrendColumns> columns, quint64 generation) {
    if (generation != generation_)
        return;
    // The same span read for other pixel columns: the cursor stays at its time.
    if (cursor_ >= 0 && columns_ != nullptr && cursor_ < columns_->Columns()) {
        const auto [from, to] = columns_->ColumnSpan(cursor_);
        cursor_ =
            columns->ColumnOf(group_.from + static_cast<TrendSeconds>(std::floor((from + to) / 2)));
        if (cursor_ < 0)
            scene_.cursorA = -1;
    }
    columns_ = std::move(columns);
    BuildScene();
    UpdateStatus();
}

void TrendWindow::BuildScene() {
    shown_.clear();
    for (int i = 0; i < channels_->count(); ++i) {
        if (channels_->item(i)->checkState() == Qt::Checked)
            shown_.append(i);
    }
    // Time labels on whole units of the calendar, as many as fit the plot.
    const QFontMetricsF metrics(plot_->font(), plot_);
    const double pixels = plot_->Layout().plot.width();
    scene_.xLabels.clear();
    for (const TimeTick& tick :
         TimeTicks(TrendTime(group_.from), scene_.xMin, scene_.xMax, pixels,
                   [&](const std::string& line) {
                       return metrics.horizontalAdvance(QString::fromStdString(line));
                   })) {
        scene_.xLabels.append({tick.x, QString::fromStdString(tick.text)});
    }
    // Each run of a line in its column: first, lowest, highest, last in their order in time.
    scene_.series.clear();
    std::vector<ScaleRange> ranges;
    ScaleRange all;
    const TrendSeconds origin = group_.from;
    for (int channel : shown_) {
        PlotSeries s;
        s.name = channels_->item(channel)->text();
        s.pen = QPen(colors_.value(channel), 1);
        ScaleRange range;
        if (columns_ != nullptr && channel < columns_->Channels()) {
            s.points = TrendPoints(*columns_, channel, origin);
            for (const TrendRun& run : columns_->Runs(channel)) {
                range.Include(run.min);
                range.Include(run.max);
            }
        } else if (columns_ == nullptr && static_cast<size_t>(channel) < wholeRanges_.size() &&
                   wholeRanges_[static_cast<size_t>(channel)].count > 0 && scene_.xMin == 0 &&
                   scene_.xMax == static_cast<double>(group_.to - group_.from)) {
            range.Include(wholeRanges_[static_cast<size_t>(channel)].min);
            range.Include(wholeRanges_[static_cast<size_t>(channel)].max);
        }
        all.Include(range.empty ? NAN : range.min);
        all.Include(range.empty ? NAN : range.max);
        ranges.push_back(range);
        scene_.series.append(s);
    }
    if (ownScales_->isChecked() && !ranges.empty()) {
        scales_.Set(ranges, 0);
        const ScaleRange chosen = scales_.Range(0);
        scene_.yMin = chosen.min;
        scene_.yMax = chosen.max;
        scene_.yTitle = scene_.series.value(0).name;
        scene_.yAxisColor = colors_.value(shown_.value(0));
    } else {
        scales_.Clear();
        scene_.yMin = all.empty ? 0.0 : all.min;
        scene_.yMax = all.empty ? 1.0 : all.max;
        scene_.yTitle = QCoreApplication::translate("Histavue", "采样值");
        scene_.yAxisColor = QColor();
    }
    scene_.yAuto = true;
    // The lanes of the alarms in the shown span, at their times.
    scene_.lanes = ChartAlarmLanes();
    if (alarmLog_ != nullptr && alarmsBox_->isChecked()) {
        const TrendSeconds shownFrom = origin + static_cast<TrendSeconds>(std::floor(scene_.xMin));
        const TrendSeconds shownTo = origin + static_cast<TrendSeconds>(std::ceil(scene_.xMax));
        scene_.lanes = PlaceAlarmLanes(
            alarmLog_, alarmPlan_, shownFrom, shownTo,
            [origin](int64_t t) { return static_cast<double>(t - origin); }, nullptr, nullptr);
    }
    plot_->Changed(true);
    if (cursor_ >= 0)
        ShowColumn(cursor_);
}

void TrendWindow::ShowColumn(int column) {
    if (columns_ == nullptr || column < 0 || column >= columns_->Columns())
        return;
    cursor_ = column;
    const auto [from, to] = columns_->ColumnSpan(column);
    scene_.cursorA = 0;
    scene_.cursorAX = (from + to) / 2;
    const uint32_t records = columns_->Records(column);
    const TrendSeconds origin = group_.from;
    // Per channel: the record's value, or the column's lowest and highest.
    for (int i = 0; i < shown_.size() && i < scene_.series.size(); ++i) {
        const int channel = shown_[i];
        double lo = 0;
        double hi = 0;
        bool any = false;
        for (const TrendRun& run : columns_->Runs(channel)) {
            if (run.column != column)
                continue;
            lo = any ? std::min(lo, run.min) : run.min;
            hi = any ? std::max(hi, run.max) : run.max;
            any = true;
        }
        const QString name = channels_->item(channel)->text();
        scene_.series[i].name = !any ? name + QStringLiteral("()")
                                : records == 1
                                    ? QStringLiteral("%1(%2)").arg(name, Value(lo))
                                    : QStringLiteral("%1(%2..%3)").arg(name, Value(lo), Value(hi));
        plot_->LegendTextChanged(scene_.series[i].name);
    }
    const QString start =
        QString::fromStdString(TrendTimeText(origin + static_cast<TrendSeconds>(std::ceil(from))));
    if (records == 1) {
        // The one record of the column, at its own time.
        TrendSeconds at = origin + static_cast<TrendSeconds>(std::ceil(from));
        for (int channel : shown_) {
            for (const TrendRun& run : columns_->Runs(channel)) {
                if (run.column == column)
                    at = run.firstAt;
            }
        }
        scene_.subtitle = QCoreApplication::translate("Histavue", "当前时间:%1")
                              .arg(QString::fromStdString(TrendTimeText(at)));
    } else {
        const QString end = QString::fromStdString(
            TrendTimeText(origin + static_cast<TrendSeconds>(std::ceil(to)) - 1));
        scene_.subtitle =
            QCoreApplication::translate("Histavue", "%1 至 %2: %3 条记录, 各通道的最小值..最大值")
                .arg(start, end)
                .arg(records);
    }
    plot_->update();
}

void TrendWindow::UpdateStatus() {
    if (reading_) {
        status_ = QCoreApplication::translate("Histavue", "正在读取趋势...");
    } else if (columns_ != nullptr) {
        status_ = QCoreApplication::translate("Histavue", "趋势: %1 条记录, %2 个单元格不是数值")
                      .arg(columns_->Total())
                      .arg(columns_->Skipped());
    }
    emit StatusChanged(status_);
}

void TrendWindow::SaveImage() {
    QString path = UiServices::Get().SaveFileName(
        this, QCoreApplication::translate("Histavue", "保存图像"),
        QCoreApplication::translate("Histavue", "PNG 图像 (*.png);;SVG 图像 (*.svg)"),
        QStringLiteral("png"));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveChartImage(plot_, path, &error)) {
        UiServices::Get().Message(
            this,
            QCoreApplication::translate("Histavue", "无法写入文件 %1").arg(path) +
                QStringLiteral("\n\n") + error,
            UiServices::Icon::kExclamation);
    }
}

QList<QAction*> TrendWindow::ContextMenuActions() const {
    return {wholeAction_, reportAction_, saveImageAction_, copyImageAction_, printAction_};
}

PlotHit TrendWindow::HitTest(const QPoint& pos, bool, int* point) const {
    *point = -1;
    const PlotLayout& l = plot_->Layout();
    if (l.legend.contains(pos))
        return PlotHit::kLegend;
    if (!l.plot.adjusted(0, 0, 1, 1).contains(pos))
        return PlotHit::kTitle;
    *point = static_cast<int>(std::floor(pos.x() - std::floor(l.plot.left())));
    return PlotHit::kDataPoint;
}

void TrendWindow::OnKey(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Home) {
        ShowWhole();
    } else if ((key == Qt::Key_Left || key == Qt::Key_Right) && columns_ != nullptr) {
        // To the next column that holds a record, that way.
        const int step = key == Qt::Key_Left ? -1 : 1;
        for (int c = (cursor_ < 0 ? 0 : cursor_ + step); c >= 0 && c < columns_->Columns();
             c += step) {
            if (columns_->Records(c) > 0) {
                ShowColumn(c);
                break;
            }
        }
    }
}

void TrendWindow::PlotClicked(PlotHit hit, int point) {
    if (hit == PlotHit::kDataPoint)
        ShowColumn(point);
}

void TrendWindow::PlotHotSpot(PlotHit hit, int point) {
    if (hit == PlotHit::kDataPoint && columns_ != nullptr && point >= 0 &&
        point < columns_->Columns() && columns_->Records(point) > 0)
        ShowColumn(point);
}

void TrendWindow::PlotLegendClicked(int series) {
    // The series' scale on the axis: its channel first among the shown.
    if (!ownScales_->isChecked() || series <= 0 || series >= shown_.size())
        return;
    QListWidgetItem* item = channels_->takeItem(shown_[series]);
    channels_->insertItem(shown_[0], item);
    BuildScene();
}
