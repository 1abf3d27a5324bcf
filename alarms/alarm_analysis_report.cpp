#include "alarm_analysis_report.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QStringEncoder>
#include <algorithm>
#include <cmath>
#include <sstream>

#include "alarm_analysis_csv.h"
#include "alarm_rate_chart.h"
#include "print_output.h"
#include "report_layout.h"
#include "report_printer.h"
#include "text_codec.h"

namespace {

constexpr int64_t kDaySeconds = 86400;

CalendarTime CalendarOf(int64_t seconds) {
    CalendarTime t;
    FileTimeToCalendar(
        static_cast<uint64_t>(std::max<int64_t>(seconds, 0)) * kFileTimeUnitsPerSecond, &t);
    return t;
}

// The records of the log whose ID carries prefix (all of them for an empty one), as events with
// the prefix taken off.
std::vector<alarms::AlarmEvent> EventsOf(const AlarmLog& log, const std::string& prefix) {
    std::vector<alarms::AlarmEvent> events = AlarmEventsOf(log);
    if (prefix.empty())
        return events;
    std::vector<alarms::AlarmEvent> kept;
    kept.reserve(events.size());
    for (alarms::AlarmEvent& e : events) {
        if (e.id.compare(0, prefix.size(), prefix) != 0)
            continue;
        e.id.erase(0, prefix.size());
        kept.push_back(std::move(e));
    }
    return kept;
}

QString Number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

bool IsShare(alarms::Figure f) {
    using alarms::Figure;
    return f == Figure::kFloodHoursShare || f == Figure::kFloodPeriodsShare ||
           f == Figure::kFloodTimeShare || f == Figure::kTopTenShare;
}

bool IsDuration(alarms::Figure f) {
    using alarms::Figure;
    return f == Figure::kAckMedian || f == Figure::kAck90 || f == Figure::kClearMedian ||
           f == Figure::kClear90;
}

QString FigureTitle(alarms::Figure f) {
    using alarms::Figure;
    switch (f) {
        case Figure::kAlarmsPerDay:
            return QCoreApplication::translate("Histavue", "每天报警数(平均)");
        case Figure::kAlarmsPerHour:
            return QCoreApplication::translate("Histavue", "每小时报警数(平均)");
        case Figure::kAlarmsPer10Min:
            return QCoreApplication::translate("Histavue", "每10分钟报警数(平均)");
        case Figure::kBusiest10Min:
            return QCoreApplication::translate("Histavue", "最繁忙的10分钟");
        case Figure::kFloodHoursShare:
            return QCoreApplication::translate("Histavue", "报警泛滥的小时占比");
        case Figure::kFloodPeriodsShare:
            return QCoreApplication::translate("Histavue", "报警泛滥的10分钟时段占比");
        case Figure::kFloodTimeShare:
            return QCoreApplication::translate("Histavue", "报警泛滥的时间占比");
        case Figure::kTopTenShare:
            return QCoreApplication::translate("Histavue", "最频繁10个报警的负荷占比");
        case Figure::kChatteringIds:
            return QCoreApplication::translate("Histavue", "振荡报警");
        case Figure::kFleetingAlarms:
            return QCoreApplication::translate("Histavue", "瞬时报警");
        case Figure::kStaleAlarms:
            return QCoreApplication::translate("Histavue", "陈旧报警");
        case Figure::kStaleMostInADay:
            return QCoreApplication::translate("Histavue", "单日最多陈旧报警");
        case Figure::kUnacknowledged:
            return QCoreApplication::translate("Histavue", "从未确认的报警");
        case Figure::kAckMedian:
            return QCoreApplication::translate("Histavue", "确认时间(中位数)");
        case Figure::kAck90:
            return QCoreApplication::translate("Histavue", "确认时间(90%分位)");
        case Figure::kClearMedian:
            return QCoreApplication::translate("Histavue", "清除时间(中位数)");
        case Figure::kClear90:
            return QCoreApplication::translate("Histavue", "清除时间(90%分位)");
    }
    return QString();
}

QString FigureValue(const alarms::KeyFigure& k) {
    using alarms::Figure;
    if (IsDuration(k.figure))
        return AlarmDurationString(static_cast<int64_t>(k.value));
    if (IsShare(k.figure))
        return Number(k.value, 2) + QLatin1Char('%');
    switch (k.figure) {
        case Figure::kAlarmsPerDay:
            return Number(k.value, 1);
        case Figure::kAlarmsPerHour:
        case Figure::kAlarmsPer10Min:
            return Number(k.value, 2);
        default:
            break;
    }
    QString text = Number(k.value, 0);
    if (k.at != alarms::kNoTime && k.value > 0)
        text += QStringLiteral(" (") +
                (k.figure == Figure::kStaleMostInADay ? AlarmTimeString(k.at).left(10)
                                                      : AlarmTimeString(k.at)) +
                QLatin1Char(')');
    return text;
}

QString FigureTarget(const alarms::KeyFigure& k) {
    if (k.verdict == alarms::Verdict::kNoTarget)
        return QString();
    const QString unit = IsShare(k.figure) ? QStringLiteral("%") : QString();
    const QString limit =
        (k.strict ? QStringLiteral("< ") : QStringLiteral("≤ ")) + Number(k.target, 0) + unit;
    if (k.manageable > k.target)
        return QCoreApplication::translate("Histavue", "%1(可管理 ≤ %2)")
            .arg(limit, Number(k.manageable, 0) + unit);
    return limit;
}

QString VerdictText(alarms::Verdict v) {
    switch (v) {
        case alarms::Verdict::kMet:
            return QCoreApplication::translate("Histavue", "达标");
        case alarms::Verdict::kManageable:
            return QCoreApplication::translate("Histavue", "可管理");
        case alarms::Verdict::kMissed:
            return QCoreApplication::translate("Histavue", "未达标");
        default:
            return QString();
    }
}

// The analysis with its IDs and messages in UTF-8, as the CSV writer takes them.
alarms::AlarmAnalysis InUtf8(const alarms::AlarmAnalysis& a) {
    alarms::AlarmAnalysis copy = a;
    for (alarms::IdFigures& f : copy.ids) {
        f.id = DecodeText(f.id).toStdString();
        f.message = DecodeText(f.message).toStdString();
    }
    return copy;
}

QByteArray Encoded(const std::string& utf8, CsvEncoding encoding) {
    if (encoding == CsvEncoding::kUtf8Bom)
        return QByteArray("\xEF\xBB\xBF") + QByteArray::fromStdString(utf8);
    QStringEncoder encoder("GB18030");
    return encoder.encode(QString::fromStdString(utf8));
}

// A table printed in rows of lineHeight: its column widths, and the bands of columns that fit a
// page across (the first column on every band).
struct PrintedTable {
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<int32_t> widths;
};

PrintedTable Measure(const QStringList& header, std::vector<QStringList> rows,
                     const QFontMetrics& fm, int pad, int widest) {
    PrintedTable t;
    t.header = header;
    t.rows = std::move(rows);
    t.widths.assign(static_cast<size_t>(header.size()), 0);
    auto take = [&](const QStringList& cells) {
        for (int c = 0; c < cells.size() && c < header.size(); ++c)
            t.widths[static_cast<size_t>(c)] =
                std::max(t.widths[static_cast<size_t>(c)],
                         std::min(widest, fm.horizontalAdvance(cells[c]) + pad));
    };
    take(header);
    for (const QStringList& row : t.rows)
        take(row);
    return t;
}

// Draws the columns of a band (the first column, then [first, end)) of rows [from, to) at top.
// Returns the y under the last row.
int DrawRows(QPainter& p, const PrintedTable& t, const alarms::AlarmAnalysis* keyFigures,
             const ReportBand& band, size_t from, size_t to, int left, int top, int lineHeight,
             int pad) {
    std::vector<int> columns{0};
    for (int c = band.first; c < band.end; ++c)
        columns.push_back(c);
    int width = 0;
    for (int c : columns)
        width += t.widths[static_cast<size_t>(c)];
    auto row = [&](const QStringList& cells, int y, bool bold, QColor color) {
        QFont f = p.font();
        f.setBold(bold);
        p.setFont(f);
        int x = left;
        for (int c : columns) {
            const int w = t.widths[static_cast<size_t>(c)];
            const QRect cell(x + pad / 2, y, w - pad, lineHeight);
            const QString text = p.fontMetrics().elidedText(c < cells.size() ? cells[c] : QString(),
                                                            Qt::ElideRight, cell.width());
            p.setPen(c == 3 && color.isValid() ? color : Qt::black);
            p.drawText(cell, Qt::AlignVCenter | Qt::AlignLeft, text);
            x += w;
        }
        p.setPen(Qt::black);
    };
    int y = top;
    row(t.header, y, true, QColor());
    y += lineHeight;
    p.drawLine(left, y, left + width, y);
    for (size_t r = from; r < to && r < t.rows.size(); ++r) {
        QColor color;
        if (keyFigures != nullptr) {
            const alarms::Verdict v = keyFigures->figures[r].verdict;
            color = v == alarms::Verdict::kMissed       ? QColor(190, 0, 0)
                    : v == alarms::Verdict::kManageable ? QColor(170, 110, 0)
                    : v == alarms::Verdict::kMet        ? QColor(0, 120, 0)
                                                        : QColor();
        }
        row(t.rows[r], y, false, color);
        y += lineHeight;
    }
    p.drawLine(left, y, left + width, y);
    return y;
}

}  // namespace

alarms::AlarmThresholds LoadAlarmThresholds(QSettings& s) {
    alarms::AlarmThresholds t;
    s.beginGroup(QStringLiteral("AlarmAnalysis"));
    auto read = [&](const char* key, auto fallback, auto least) {
        bool ok = false;
        const qlonglong v = s.value(QLatin1String(key)).toLongLong(&ok);
        return ok && v >= least ? static_cast<decltype(fallback)>(v) : fallback;
    };
    t.floodHour = read("FloodHour", t.floodHour, 0);
    t.floodPeriod = read("FloodPeriod", t.floodPeriod, 0);
    t.chatterCount = read("ChatterCount", t.chatterCount, 2);
    t.chatterSeconds = read("ChatterSeconds", t.chatterSeconds, 0);
    t.fleetingSeconds = read("FleetingSeconds", t.fleetingSeconds, 0);
    t.staleSeconds = read("StaleSeconds", t.staleSeconds, 1);
    s.endGroup();
    return t;
}

void SaveAlarmThresholds(QSettings& s, const alarms::AlarmThresholds& t) {
    s.beginGroup(QStringLiteral("AlarmAnalysis"));
    s.setValue(QStringLiteral("FloodHour"), t.floodHour);
    s.setValue(QStringLiteral("FloodPeriod"), t.floodPeriod);
    s.setValue(QStringLiteral("ChatterCount"), t.chatterCount);
    s.setValue(QStringLiteral("ChatterSeconds"), static_cast<qlonglong>(t.chatterSeconds));
    s.setValue(QStringLiteral("FleetingSeconds"), static_cast<qlonglong>(t.fleetingSeconds));
    s.setValue(QStringLiteral("StaleSeconds"), static_cast<qlonglong>(t.staleSeconds));
    s.endGroup();
}

AlarmAnalysisInput ReadAlarmAnalysisInput(const std::string& dataFolder, const std::string& group,
                                          int64_t from, int64_t to, const AlarmMappings& mappings,
                                          const std::atomic<bool>* stop) {
    AlarmAnalysisInput input;
    const AlarmStoreCheck check = CheckAlarmStore(dataFolder, mappings);
    input.store = check.state;
    input.problem = check.problem;
    if (check.state != AlarmStoreState::kAlarmLog)
        return input;
    std::string prefix;
    if (!group.empty()) {
        const bool known = std::any_of(check.groups.begin(), check.groups.end(),
                                       [&](const LogGroup& g) { return g.name == group; });
        if (!known) {
            input.noGroup = true;
            return input;
        }
        if (check.groups.size() > 1)
            prefix = group + "/";
    }
    AlarmReadResult read = ReadAlarms(dataFolder, CalendarOf(from - kDaySeconds),
                                      CalendarOf(to - 1), stop, AlarmLog::Bounds(), mappings);
    input.cancelled = read.cancelled || (stop != nullptr && stop->load());
    input.store = read.store;
    input.problem.Add(read.problem);
    input.log = read.log;
    if (!input.cancelled && input.log)
        input.events = EventsOf(*input.log, prefix);
    return input;
}

QString AlarmInputProblem(const AlarmAnalysisInput& input, const QString& folder,
                          const QString& group) {
    if (input.noGroup)
        return QCoreApplication::translate("Histavue", "报警记录库 %1 中没有记录组 %2")
            .arg(folder, group);
    switch (input.store) {
        case AlarmStoreState::kAlarmLog:
            break;
        case AlarmStoreState::kDataLog:
            return QCoreApplication::translate(
                       "Histavue", "%1 的记录组没有 Event 标题:这是数据记录,不是报警记录")
                .arg(folder);
        case AlarmStoreState::kUnreadable:
            return QCoreApplication::translate("Histavue", "无法读取报警记录:%1")
                .arg(QString::fromLocal8Bit(ReadProblemText(input.problem).c_str()));
        default:
            return QCoreApplication::translate("Histavue", "%1 不是报警记录库(没有根索引或记录组)")
                .arg(folder);
    }
    if (input.problem.Any())
        return QCoreApplication::translate("Histavue", "无法读取报警记录:%1")
            .arg(QString::fromLocal8Bit(ReadProblemText(input.problem).c_str()));
    return QString();
}

QString AlarmTimeString(int64_t seconds) {
    return QString::fromStdString(alarms::AlarmTimeText(seconds));
}

QString AlarmDurationString(int64_t seconds) {
    if (seconds < 0)
        return QStringLiteral("—");
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList KeyFigureHeader() {
    return {QCoreApplication::translate("Histavue", "指标"),
            QCoreApplication::translate("Histavue", "数值"),
            QCoreApplication::translate("Histavue", "目标"),
            QCoreApplication::translate("Histavue", "评价")};
}

QStringList KeyFigureRow(const alarms::KeyFigure& k) {
    return {FigureTitle(k.figure), FigureValue(k), FigureTarget(k), VerdictText(k.verdict)};
}

QStringList AlarmIdHeader() {
    return {QCoreApplication::translate("Histavue", "报警ID"),
            QCoreApplication::translate("Histavue", "次数"),
            QCoreApplication::translate("Histavue", "占比"),
            QCoreApplication::translate("Histavue", "首次"),
            QCoreApplication::translate("Histavue", "末次"),
            QCoreApplication::translate("Histavue", "振荡次数"),
            QCoreApplication::translate("Histavue", "确认时间中位数"),
            QCoreApplication::translate("Histavue", "最长确认时间"),
            QCoreApplication::translate("Histavue", "清除时间中位数"),
            QCoreApplication::translate("Histavue", "最长清除时间"),
            QCoreApplication::translate("Histavue", "结束时仍存在"),
            QCoreApplication::translate("Histavue", "消息")};
}

QStringList AlarmIdRow(const alarms::IdFigures& f) {
    return {DecodeShown(f.id),
            QString::number(f.alarms),
            Number(f.share, 2) + QLatin1Char('%'),
            AlarmTimeString(f.first),
            AlarmTimeString(f.last),
            QString::number(f.chatterEpisodes),
            AlarmDurationString(f.ackMedian),
            AlarmDurationString(f.ackLongest),
            AlarmDurationString(f.clearMedian),
            AlarmDurationString(f.clearLongest),
            f.standingAtEnd ? QCoreApplication::translate("Histavue", "是") : QString(),
            DecodeShown(f.message)};
}

AlarmRateSeries RateSeriesOf(const alarms::AlarmAnalysis& a, const alarms::AlarmThresholds& t,
                             bool hourly) {
    AlarmRateSeries s;
    s.first = hourly ? a.firstHour : a.first10Min;
    s.period = hourly ? 3600 : 600;
    s.floodLimit = hourly ? t.floodHour : t.floodPeriod;
    s.counts = hourly ? a.perHour : a.per10Min;
    return s;
}

bool PrintAlarmAnalysis(QPrinter* printer, const AlarmAnalysisPrint& report, QString* error) {
    const int dpi = kReportDpi;
    printer->setResolution(dpi);
    const QRect page(QPoint(0, 0), printer->pageLayout().paintRectPixels(dpi).size());
    const QFont body = ReportTableFont(10, dpi);
    const QFont title = ReportTableFont(16, dpi);
    const QFontMetrics fm(body);
    const int lineHeight = fm.height() * 13 / 10;
    const int pad = fm.horizontalAdvance(QLatin1Char('M')) * 2;

    std::vector<QStringList> figureRows;
    for (const alarms::KeyFigure& k : report.analysis.figures)
        figureRows.push_back(KeyFigureRow(k));
    const PrintedTable figures = Measure(KeyFigureHeader(), figureRows, fm, pad, page.width());
    std::vector<QStringList> idRows;
    for (const alarms::IdFigures& f : report.analysis.ids)
        idRows.push_back(AlarmIdRow(f));
    // A message longer than half the page is cut there: the table stays readable across pages.
    const PrintedTable ids = Measure(AlarmIdHeader(), idRows, fm, pad, page.width() / 2);
    const std::vector<ReportBand> bands = ReportBands(ids.widths, page.width());

    // Under the title lines, a table page holds as many rows as fit above the footer line.
    const int head = lineHeight * 4;
    const int foot = lineHeight * 2;
    const int rowsPerPage = std::max(1, (page.height() - head - foot) / lineHeight - 1);
    const int rowPages =
        idRows.empty() ? 0 : static_cast<int>((idRows.size() + rowsPerPage - 1) / rowsPerPage);
    const int bandCount = std::max<int>(1, static_cast<int>(bands.size()));
    const int pageCount = 1 + rowPages * bandCount;

    PrintOutput output(printer);
    QPainter p;
    if (!output.Begin(&p)) {
        if (error != nullptr)
            *error = output.Error();
        return false;
    }
    const QString span = AlarmTimeString(report.analysis.from) + QStringLiteral(" — ") +
                         AlarmTimeString(report.analysis.to);
    auto header = [&](int number) {
        p.setFont(title);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, page.width(), lineHeight * 2), Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate("Histavue", "报警分析") + QStringLiteral(" — ") +
                       report.title);
        p.setFont(body);
        p.drawText(QRect(0, lineHeight * 2, page.width(), lineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate("Histavue", "时段:%1,报警 %2 个,记录 %3 条")
                       .arg(span)
                       .arg(report.analysis.alarms)
                       .arg(report.analysis.events));
        p.drawText(QRect(0, page.height() - lineHeight, page.width(), lineHeight),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QCoreApplication::translate("Histavue", "第 %1 页 / 共 %2 页")
                       .arg(number)
                       .arg(pageCount));
    };

    header(1);
    p.setPen(QPen(Qt::black, std::max(1, dpi / 150)));
    const ReportBand all{1, static_cast<int32_t>(figures.widths.size()), 0};
    int below =
        DrawRows(p, figures, &report.analysis, all, 0, figureRows.size(), 0, head, lineHeight, pad);
    // The chart under its name takes the rest of the page, but no more than a third of it.
    p.drawText(QRect(0, below + lineHeight / 2, page.width(), lineHeight),
               Qt::AlignLeft | Qt::AlignVCenter,
               report.hourly ? QCoreApplication::translate("Histavue", "每小时报警数")
                             : QCoreApplication::translate("Histavue", "每10分钟报警数"));
    below += lineHeight * 3 / 2;
    const QRect chart(
        0, below + lineHeight, page.width(),
        std::max(lineHeight * 4,
                 std::min(page.height() / 3, page.height() - foot - below - lineHeight * 2)));
    PaintAlarmRates(p, chart, RateSeriesOf(report.analysis, report.thresholds, report.hourly), body,
                    -1);

    for (int n = 2; n <= pageCount; ++n) {
        output.NewPage();
        header(n);
        const ReportPagePlace place = ReportPageAt(n - 1, bandCount);
        const ReportBand band =
            bands.empty() ? ReportBand{1, 1, 0} : bands[static_cast<size_t>(place.band)];
        const size_t first = static_cast<size_t>(place.rowPage) * rowsPerPage;
        p.setPen(QPen(Qt::black, std::max(1, dpi / 150)));
        DrawRows(p, ids, nullptr, band, first, first + rowsPerPage, 0, head, lineHeight, pad);
    }
    if (!output.End(&p)) {
        if (error != nullptr)
            *error = output.Error();
        return false;
    }
    return true;
}

QByteArray KeyFiguresCsv(const alarms::AlarmAnalysis& a, CsvEncoding encoding) {
    std::ostringstream out;
    alarms::WriteKeyFiguresCsv(out, a);
    return Encoded(out.str(), encoding);
}

QByteArray AlarmIdsCsv(const alarms::AlarmAnalysis& a, CsvEncoding encoding) {
    std::ostringstream out;
    alarms::WriteAlarmIdsCsv(out, InUtf8(a));
    return Encoded(out.str(), encoding);
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}
