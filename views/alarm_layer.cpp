#include "alarm_layer.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <limits>

#include "curve_extras.h"
#include "curve_init.h"
#include "text_codec.h"

namespace {

// Lanes the last read gave, in any view: a new read keeps their room above the plot while it
// runs, so that the lanes that come are mostly drawn without laying the chart out anew.
int g_lastLanes = 0;

// Rows the panel's list shows at most; a last row says how many more there are.
constexpr int kMostListRows = 2000;

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
QString Text(const std::string& bytes) {
    return DecodeText(bytes, TextCodec::kPerText);
}

using Records = std::vector<AlarmRecord>;

QString SpanTip(const Records& records, const AlarmSpan& span, const std::string& id) {
    QStringList lines;
    const int32_t named = span.alarmRecord >= 0   ? span.alarmRecord
                          : span.clearRecord >= 0 ? span.clearRecord
                                                  : span.ackRecord;
    lines.append(QStringLiteral("%1  %2").arg(
        Text(id), named >= 0 ? Text(records[static_cast<size_t>(named)].message) : QString()));
    auto event = [&](int32_t record, const QString& missing) {
        if (record < 0) {
            lines.append(missing);
            return;
        }
        const AlarmRecord& r = records[static_cast<size_t>(record)];
        lines.append(QStringLiteral("%1  %2").arg(Text(r.event).trimmed(), TimeText(r.time)));
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

QString MarkTip(const Records& records, int32_t record) {
    const AlarmRecord& r = records[static_cast<size_t>(record)];
    return QStringLiteral("%1  %2\n%3").arg(Text(r.id), TimeText(r.time), Text(r.message));
}

}  // namespace

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
    fetch_.Start(range.folder, TimeOf(range.from), TimeOf(range.to), [self] {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self != nullptr)
                    self->Arrived();
            },
            Qt::QueuedConnection);
    });
}

void AlarmLayer::WaitForAlarms() {
    fetch_.Wait();
    Arrived();
}

void AlarmLayer::Arrived() {
    AlarmReadResult result;
    if (!fetch_.Take(&result) || settings_->alarms == 0)
        return;
    if (result.status == AlarmReadStatus::kNoStore) {
        Clear();
        Say(QCoreApplication::translate("Histavue", "当前的根目录没有报警记录库,不显示报警"));
        return;
    }
    if (result.status != AlarmReadStatus::kRead)
        return;
    records_ = std::make_shared<const Records>(std::move(result.records));
    read_ = pending_;
    haveRecords_ = true;
    Place();
}

void AlarmLayer::Clear() {
    // A chart just built has no lanes yet: it is not painted again for nothing.
    const bool drawn = !adapter_->AlarmLanes().lanes.isEmpty();
    adapter_->SetAlarmLanes(ChartAlarmLanes());
    records_ = std::make_shared<const Records>();
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
    const Records& records = *records_;
    const AlarmPlan plan = PairAlarms(records, read_.from, read_.to);
    untimed_ = plan.untimed;
    recordX_.assign(records.size(), std::numeric_limits<double>::quiet_NaN());
    auto placed = std::make_shared<std::vector<std::pair<AlarmSpan, std::string>>>();
    ChartAlarmLanes lanes;
    if (nearest.Empty()) {
        adapter_->SetAlarmLanes(lanes);
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
    auto shown = [&](int64_t t) { return t >= shownFrom && t <= shownTo; };
    for (size_t i = 0; i < records.size(); ++i) {
        if (shown(records[i].time))
            recordX_[i] = xOf(records[i].time);
    }
    std::vector<int> points;
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
            if (span.started && shown(span.from))
                points.push_back(nearest.Nearest(span.from));
        }
        for (int32_t m : lane.marks) {
            const double x = recordX_[static_cast<size_t>(m)];
            if (!std::isnan(x))
                out.marks.append(ChartAlarmMark{x, m});
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
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    lanes.alarmPoints = QList<int>(points.begin(), points.end());
    // The texts are made on hover from what they share: whichever of the lanes and this layer
    // goes first, the other still reads them.
    lanes.describe = [records = records_, placed](int32_t key, bool mark) {
        if (mark)
            return key >= 0 && size_t(key) < records->size() ? MarkTip(*records, key) : QString();
        if (key < 0 || size_t(key) >= placed->size())
            return QString();
        const auto& [span, id] = (*placed)[static_cast<size_t>(key)];
        return SpanTip(*records, span, id);
    };
    g_lastLanes = static_cast<int>(lanes.lanes.size());
    adapter_->SetAlarmLanes(lanes);
    adapter_->RepaintAlarmLanes();
    FillPanel();
    QString text;
    if (lanes.lanes.isEmpty())
        text = QCoreApplication::translate("Histavue", "报表的时间范围内没有报警");
    else
        text = QCoreApplication::translate("Histavue", "报警:%1 个编号,%2 次报警")
                   .arg(lanes.lanes.size())
                   .arg(spans);
    if (!untimed_.empty())
        text += QCoreApplication::translate("Histavue",
                                            ";%1 行报警记录的时间无法读取,见统计面板的报警列表")
                    .arg(untimed_.size());
    Say(text);
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
    std::stable_sort(in.begin(), in.end(), [&](int32_t a, int32_t b) {
        return (*records_)[static_cast<size_t>(a)].time < (*records_)[static_cast<size_t>(b)].time;
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
        const AlarmRecord& r = (*records_)[static_cast<size_t>(i)];
        rows.append({r.time == kNoAlarmTime ? QString() : TimeText(r.time), Text(r.id),
                     Text(r.event).trimmed(), Text(r.message)});
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
