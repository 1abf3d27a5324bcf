#include "alarm_layer.h"

#include <QCoreApplication>
#include <QFile>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "alarm_mapping_profile.h"
#include "curve_extras.h"
#include "curve_init.h"
#include "text_codec.h"

namespace {

// Lanes the last read gave, in any view: a new read keeps their room above the plot while it
// runs, so that the lanes that come are mostly drawn without laying the chart out anew.
int g_lastLanes = 0;

// Rows the panel's list shows at most; a last row says how many more there are.
constexpr int kMostListRows = 2000;

// What a read of the alarm log keeps at most.
const AlarmLog::Bounds kAlarmBounds{};

int64_t SecondsOf(const CalendarTime& t) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(t, &fileTime))
        return kNoAlarmTime;
    return static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond);
}

CalendarTime TimeOf(int64_t seconds) {
    CalendarTime t;
    FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &t);
    return t;
}

QString TimeText(int64_t seconds) {
    return QString::fromStdString(CalendarTimeText(TimeOf(seconds)));
}

// The alarm store's texts are in the recorder's code page, judged text by text.
QString Text(std::string_view bytes) {
    return DecodeText(std::string(bytes), TextCodec::kPerText);
}

// A record's message, with a mark where the read shortened it.
QString MessageText(const AlarmLog& log, size_t record) {
    const QString text = Text(log.Message(record));
    return log[record].shortened ? text + QChar(0x2026) : text;
}

QString SpanTip(const AlarmLog& log, const AlarmSpan& span, const std::string& id) {
    QStringList lines;
    const int32_t named = span.alarmRecord >= 0   ? span.alarmRecord
                          : span.clearRecord >= 0 ? span.clearRecord
                                                  : span.ackRecord;
    lines.append(QStringLiteral("%1  %2").arg(
        Text(id), named >= 0 ? MessageText(log, static_cast<size_t>(named)) : QString()));
    auto event = [&](int32_t record, const QString& missing) {
        if (record < 0) {
            lines.append(missing);
            return;
        }
        const size_t r = static_cast<size_t>(record);
        lines.append(
            QStringLiteral("%1  %2").arg(Text(log.Event(r)).trimmed(), TimeText(log[r].time)));
    };
    event(span.alarmRecord, QCoreApplication::translate("Histavue", "ALM  在报表的时间范围之前"));
    if (span.ackRecord >= 0)
        event(span.ackRecord, QString());
    event(span.clearRecord,
          span.cleared ? QString()
                       : QCoreApplication::translate("Histavue", "CLR  在报表的时间范围内没有"));
    lines.removeAll(QString());
    return lines.join('\n');
}

QString MarkTip(const AlarmLog& log, int32_t record) {
    const size_t r = static_cast<size_t>(record);
    return QStringLiteral("%1  %2  %3\n%4")
        .arg(Text(log.Id(r)), Text(log.Event(r)).trimmed(), TimeText(log[r].time),
             MessageText(log, r));
}

// Which file or folder could not be read, and why.
QString ProblemText(const ReadProblem& problem) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(problem.path));
    const QString reason = QString::fromLocal8Bit(std::strerror(problem.error));
    QString text;
    switch (problem.kind) {
        case ReadProblem::Kind::kNone:
            return text;
        case ReadProblem::Kind::kMissing:
            text = QCoreApplication::translate("Histavue", "%1 不存在").arg(path);
            break;
        case ReadProblem::Kind::kCannotOpen:
            text = QCoreApplication::translate("Histavue", "无法打开 %1:%2").arg(path, reason);
            break;
        case ReadProblem::Kind::kCannotRead:
            text = QCoreApplication::translate("Histavue", "无法读取 %1:%2").arg(path, reason);
            break;
        case ReadProblem::Kind::kNotAFile:
            text = QCoreApplication::translate("Histavue", "%1 不是普通文件").arg(path);
            break;
        case ReadProblem::Kind::kEmptyIndex:
            text = QCoreApplication::translate("Histavue", "文件夹索引 %1 是空的").arg(path);
            break;
        case ReadProblem::Kind::kPartialIndex:
            text = QCoreApplication::translate("Histavue",
                                               "文件夹索引 %1 有 %2 字节,不是整数个 8 字节的条目"
                                               "(已损坏,或记录器正在写入:请稍后再试)")
                       .arg(path)
                       .arg(problem.size);
            break;
    }
    const int more = static_cast<int>(std::min<uint32_t>(problem.count - 1, INT_MAX));
    if (more > 0)
        text += QCoreApplication::translate("Histavue", "(另有 %n 处)", nullptr, more);
    return text;
}

}  // namespace

ChartAlarmLanes PlaceAlarmLanes(const std::shared_ptr<const AlarmLog>& log, const AlarmPlan& plan,
                                int64_t shownFrom, int64_t shownTo,
                                const std::function<double(int64_t)>& xOf,
                                const std::function<void(int64_t)>& alarmAt, int* spanCount) {
    auto shown = [&](int64_t t) { return t >= shownFrom && t <= shownTo; };
    auto placed = std::make_shared<std::vector<std::pair<AlarmSpan, std::string>>>();
    ChartAlarmLanes lanes;
    int spans = 0;
    for (const AlarmLane& lane : plan.lanes) {
        ChartAlarmLane out;
        for (const AlarmSpan& span : lane.spans) {
            if (span.to < shownFrom || span.from > shownTo)
                continue;
            ChartAlarmSpan s;
            s.from = xOf(std::max(span.from, shownFrom));
            s.to = xOf(std::min(span.to, shownTo));
            s.hasAck = span.ack != kNoAlarmTime && shown(span.ack);
            s.ack = s.hasAck ? xOf(span.ack) : 0.0;
            s.started = span.started;
            s.cleared = span.cleared;
            s.key = static_cast<int32_t>(placed->size());
            placed->emplace_back(span, lane.id);
            out.spans.append(s);
            if (span.started && shown(span.from) && alarmAt)
                alarmAt(span.from);
        }
        for (int32_t m : lane.marks) {
            const int64_t t = (*log)[static_cast<size_t>(m)].time;
            if (t != kNoAlarmTime && shown(t))
                out.marks.append(ChartAlarmMark{xOf(t), m});
        }
        if (out.spans.isEmpty() && out.marks.isEmpty())
            continue;
        spans += static_cast<int>(out.spans.size());
        out.label = Text(lane.id);
        if (lanes.lanes.size() < kMostAlarmLanes) {
            lanes.lanes.append(out);
            continue;
        }
        // The IDs past the last lane but one share the last lane.
        ChartAlarmLane& last = lanes.lanes.last();
        last.spans.append(out.spans);
        last.marks.append(out.marks);
        last.label = QCoreApplication::translate("Histavue", "其他");
    }
    // The texts are made on hover from what they share: whichever of the lanes and their maker
    // goes first, the other still reads them.
    lanes.describe = [log, placed](int32_t key, bool mark) {
        if (mark)
            return key >= 0 && size_t(key) < log->Size() ? MarkTip(*log, key) : QString();
        if (key < 0 || size_t(key) >= placed->size())
            return QString();
        const auto& [span, id] = (*placed)[static_cast<size_t>(key)];
        return SpanTip(*log, span, id);
    };
    if (spanCount != nullptr)
        *spanCount = spans;
    return lanes;
}

AlarmLayer::AlarmLayer(ChartAdapter* adapter, CurveSettings* settings, const RecordTable* table,
                       CurveExtras* extras, QObject* parent)
    : QObject(parent), adapter_(adapter), settings_(settings), table_(table), extras_(extras) {
    action_ = new QAction(QCoreApplication::translate("Histavue", "显示报警(&A)"), this);
    action_->setCheckable(true);
    // Queued: the action fires from inside the chart's context menu.
    connect(action_, &QAction::toggled, this, &AlarmLayer::SetShown, Qt::QueuedConnection);
    connect(extras_, &CurveExtras::PanelOpened, this, &AlarmLayer::FillPanel);
}

AlarmLayer::~AlarmLayer() {
    fetch_.Cancel();
}

bool AlarmLayer::ReportRange(Range* range) const {
    const int32_t rows = table_->RowCount();
    int64_t first = kNoAlarmTime;
    int64_t last = kNoAlarmTime;
    int32_t r = 0;
    for (; r < rows && first == kNoAlarmTime; ++r)
        first = AlarmSeconds(table_->Cell(r, 0));
    for (int32_t k = rows - 1; k >= r && last == kNoAlarmTime; --k)
        last = AlarmSeconds(table_->Cell(k, 0));
    if (first == kNoAlarmTime)
        return false;
    if (last == kNoAlarmTime)
        last = first;
    range->from = std::min(first, last);
    range->to = std::max(first, last);
    range->folder = AlarmStoreFolder();
    range->mappings = StoredAlarmMappings();
    return true;
}

void AlarmLayer::ChartBuilt(const CalendarTime& timeOrigin) {
    origin_ = timeOrigin;
    whole_ = true;
    adapter_->SetMenuActions(adapter_->MenuActions() << action_);
    {
        const QSignalBlocker block(action_);
        action_->setChecked(settings_->alarms != 0);
    }
    if (settings_->alarms != 0)
        Load();
}

void AlarmLayer::Load() {
    Range range;
    if (!ReportRange(&range)) {
        fetch_.Cancel();
        haveRecords_ = false;
        Clear();
        Say(QCoreApplication::translate("Histavue", "报表的记录没有可读的时间,不显示报警"));
        return;
    }
    if (range.folder.empty()) {
        fetch_.Cancel();
        haveRecords_ = false;
        Clear();
        Say(QCoreApplication::translate("Histavue", "当前的根目录没有报警记录库,不显示报警"));
        return;
    }
    if (haveRecords_ && range == read_) {
        Place();
        return;
    }
    Start(range);
}

void AlarmLayer::Start(const Range& range) {
    pending_ = range;
    haveRecords_ = false;
    Clear();
    if (g_lastLanes > 0) {
        ChartAlarmLanes room;
        room.lanes.resize(g_lastLanes);
        adapter_->SetAlarmLanes(room);
    }
    Say(QCoreApplication::translate("Histavue", "正在读取报警记录..."));
    QPointer<AlarmLayer> self(this);
    fetch_.Start(
        range.folder, TimeOf(range.from), TimeOf(range.to),
        [self] {
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self != nullptr)
                        self->Arrived();
                },
                Qt::QueuedConnection);
        },
        range.mappings);
}

void AlarmLayer::WaitForAlarms() {
    fetch_.Wait();
    Arrived();
}

void AlarmLayer::Arrived() {
    AlarmReadResult result;
    if (!fetch_.Take(&result) || settings_->alarms == 0 || result.cancelled)
        return;
    store_ = result.store;
    problem_ = result.problem;
    switch (result.store) {
        case AlarmStoreState::kAlarmLog:
            break;
        case AlarmStoreState::kDataLog:
            Clear();
            Say(QCoreApplication::translate(
                    "Histavue", "%1 的记录组没有 Event 标题:这是数据记录,不是报警记录,不显示报警")
                    .arg(QFile::decodeName(QByteArray::fromStdString(pending_.folder))));
            return;
        case AlarmStoreState::kUnreadable:
            Clear();
            Say(QCoreApplication::translate("Histavue", "无法读取报警记录:%1,不显示报警")
                    .arg(ProblemText(problem_)));
            return;
        default:
            Clear();
            Say(QCoreApplication::translate("Histavue", "当前的根目录没有报警记录库,不显示报警"));
            return;
    }
    log_ = std::move(result.log);
    read_ = pending_;
    haveRecords_ = true;
    Place();
}

void AlarmLayer::Clear() {
    // A chart just built has no lanes yet: it is not painted again for nothing.
    const bool drawn = !adapter_->AlarmLanes().lanes.isEmpty();
    adapter_->SetAlarmLanes(ChartAlarmLanes());
    log_ = std::make_shared<const AlarmLog>();
    recordX_.clear();
    untimed_.clear();
    if (drawn)
        adapter_->Repaint();
    FillPanel();
}

void AlarmLayer::Place() {
    // Where the points stand in time: all shown series share the rows of the first.
    const CurveChannel* first = nullptr;
    for (const CurveChannel& c : settings_->channels) {
        if (c.showIndex == 0)
            first = &c;
    }
    std::vector<int64_t> times;
    if (first != nullptr) {
        times.reserve(first->points.size());
        for (size_t p = 0; p < first->points.size() && p < size_t(adapter_->PointCount()); ++p)
            times.push_back(SecondsOf(first->points[p].time));
    }
    const NearestPointIndex nearest(times);
    const AlarmLog& log = *log_;
    // Past the first record the bounds left out, the lanes would tell less than there is.
    const int64_t until = log.FirstLeftOut() != kNoAlarmTime
                              ? std::max(read_.from, std::min(read_.to, log.FirstLeftOut()))
                              : read_.to;
    const AlarmPlan plan = PairAlarms(log, read_.from, until);
    untimed_ = plan.untimed;
    recordX_.assign(log.Size(), std::numeric_limits<double>::quiet_NaN());
    if (nearest.Empty()) {
        adapter_->SetAlarmLanes(ChartAlarmLanes());
        adapter_->Repaint();
        FillPanel();
        Say(QCoreApplication::translate("Histavue", "报表的记录没有可读的时间,不显示报警"));
        return;
    }
    const bool timeAxis = adapter_->TimeAxis();
    const int64_t origin = SecondsOf(origin_);
    const int64_t shownFrom = nearest.FirstTime();
    const int64_t shownTo = nearest.LastTime();
    auto xOf = [&](int64_t t) {
        return timeAxis ? static_cast<double>(t - origin) : adapter_->PointX(nearest.Nearest(t));
    };
    for (size_t i = 0; i < log.Size(); ++i) {
        if (log[i].time >= shownFrom && log[i].time <= shownTo)
            recordX_[i] = xOf(log[i].time);
    }
    std::vector<int> points;
    int spans = 0;
    ChartAlarmLanes lanes = PlaceAlarmLanes(
        log_, plan, shownFrom, shownTo, xOf,
        [&](int64_t from) { points.push_back(nearest.Nearest(from)); }, &spans);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    lanes.alarmPoints = QList<int>(points.begin(), points.end());
    g_lastLanes = static_cast<int>(lanes.lanes.size());
    adapter_->SetAlarmLanes(lanes);
    adapter_->RepaintAlarmLanes();
    FillPanel();
    Say(StatusText(static_cast<int>(lanes.lanes.size()), spans));
}

QString AlarmLayer::StatusText(int lanes, int spans) const {
    const AlarmLog& log = *log_;
    QString text;
    if (lanes > 0)
        text = QCoreApplication::translate("Histavue", "报警:%1,%2")
                   .arg(QCoreApplication::translate("Histavue", "%n 个编号", nullptr, lanes),
                        QCoreApplication::translate("Histavue", "%n 次报警", nullptr, spans));
    else if (problem_.Any())
        text = QCoreApplication::translate("Histavue", "无法读取报警记录:%1,不显示报警")
                   .arg(ProblemText(problem_));
    else
        text = QCoreApplication::translate("Histavue", "报表的时间范围内没有报警");
    const int untimed = static_cast<int>(untimed_.size());
    if (untimed > 0)
        text += QCoreApplication::translate(
            "Histavue", ";%n 行报警记录的时间无法读取,见统计面板的报警列表", nullptr, untimed);
    // Records with a time that do not fit their group's captions or words: in the list as text.
    const uint64_t timedUnfit = log.Unfit() - std::min<uint64_t>(log.Unfit(), untimed_.size());
    const int unfit = static_cast<int>(std::min<uint64_t>(timedUnfit, INT_MAX));
    if (unfit > 0)
        text += QCoreApplication::translate(
            "Histavue", ";%n 条报警记录不符合报警组的标题或事件词,作为文本列在统计面板的报警列表中",
            nullptr, unfit);
    const int leftOut = static_cast<int>(std::min<uint64_t>(log.LeftOut(), INT_MAX));
    const int shortened = static_cast<int>(std::min<uint64_t>(log.Shortened(), INT_MAX));
    if (leftOut > 0 && log.FirstLeftOut() != kNoAlarmTime)
        text += QCoreApplication::translate(
                    "Histavue", ";从 %1 起另有 %n 条报警记录没有读入(最多读入 %2 条、%3 MB)",
                    nullptr, leftOut)
                    .arg(TimeText(log.FirstLeftOut()))
                    .arg(kAlarmBounds.records)
                    .arg(kAlarmBounds.bytes >> 20);
    else if (leftOut > 0)
        text +=
            QCoreApplication::translate(
                "Histavue", ";另有 %n 条报警记录没有读入(最多读入 %1 条、%2 MB)", nullptr, leftOut)
                .arg(kAlarmBounds.records)
                .arg(kAlarmBounds.bytes >> 20);
    if (shortened > 0)
        text += QCoreApplication::translate("Histavue", ";%n 条过长的报警消息只保留了前 %1 字节",
                                            nullptr, shortened)
                    .arg(kAlarmBounds.messageBytes);
    if (problem_.Any() && lanes > 0)
        text += QCoreApplication::translate("Histavue", ";部分报警记录无法读取:%1")
                    .arg(ProblemText(problem_));
    return text;
}

QList<QStringList> AlarmLayer::ListRows() const {
    QList<QStringList> rows;
    if (settings_->alarms == 0 || !haveRecords_)
        return rows;
    std::vector<int32_t> in;
    for (size_t i = 0; i < recordX_.size(); ++i) {
        const double x = recordX_[i];
        if (!std::isnan(x) && (whole_ || (x >= min_ && x <= max_)))
            in.push_back(static_cast<int32_t>(i));
    }
    const AlarmLog& log = *log_;
    std::stable_sort(in.begin(), in.end(), [&](int32_t a, int32_t b) {
        return log[static_cast<size_t>(a)].time < log[static_cast<size_t>(b)].time;
    });
    // Lines whose time cannot be read belong to no range: they are listed always, last.
    in.insert(in.end(), untimed_.begin(), untimed_.end());
    for (int32_t i : in) {
        if (rows.size() == kMostListRows) {
            rows.append({QString(), QString(), QString(),
                         QCoreApplication::translate("Histavue", "还有 %1 条")
                             .arg(static_cast<int>(in.size()) - kMostListRows)});
            break;
        }
        const size_t r = static_cast<size_t>(i);
        rows.append({log[r].time == kNoAlarmTime ? QString() : TimeText(log[r].time),
                     Text(log.Id(r)), Text(log.Event(r)).trimmed(), MessageText(log, r)});
    }
    return rows;
}

void AlarmLayer::RangeChanged(double min, double max, bool whole) {
    min_ = min;
    max_ = max;
    whole_ = whole;
    FillPanel();
}

void AlarmLayer::FillPanel() {
    CurvePanel* panel = extras_->Panel();
    if (panel != nullptr)
        panel->SetAlarmRows(ListRows(), settings_->alarms != 0);
}

void AlarmLayer::SetShown(bool on) {
    if (action_->isChecked() != on) {
        const QSignalBlocker block(action_);
        action_->setChecked(on);
    }
    if ((settings_->alarms != 0) == on)
        return;
    settings_->alarms = on ? 1 : 0;
    if (on) {
        Load();
        return;
    }
    fetch_.Cancel();
    haveRecords_ = false;
    Clear();
    Say(QString());
}

void AlarmLayer::Say(const QString& text) {
    status_ = text;
    emit StatusChanged(text);
    QWidget* chart = adapter_->Window();
    auto* frame = chart != nullptr ? qobject_cast<QMainWindow*>(chart->window()) : nullptr;
    if (frame == nullptr)
        return;
    if (text.isEmpty())
        frame->statusBar()->clearMessage();
    else
        frame->statusBar()->showMessage(text);
}
