// The cost of the alarm lanes, on the offscreen platform, for a report of 31 days (a record a
// minute, 20 channels) beside the bench alarm log (about 20,000 records over the same days):
//   1. the alarms reach the chart: from the painted curves to the painted lanes, the alarm log
//      read in the background (target 100 ms);
//   2. a draw of the chart zoomed to about 1,000 visible alarm spans, against the same draw
//      without the lanes (target 1.5x);
//   3. a jump of the cursor to the next alarm, key to repainted read-out (target one frame,
//      16.7 ms).
//   bench_alarms [--dir DIR]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "alarm_reader.h"
#include "calendar_time.h"
#include "chart_adapter.h"
#include "curve_view.h"
#include "document_manager.h"
#include "export_writer.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "private_settings.h"
#include "sample_store.h"
#include "viewer_bench_support.h"

namespace {

constexpr uint32_t kDays = 31;

// A report of a record a minute over the days, as the query command writes it.
bool WriteMinuteReport(const std::string& path) {
    ExportWriter writer;
    writer.SetTarget(path, ExportWriter::Encoding::kInverted);
    std::string line = "Data log: Bench";
    int stop = 0;
    ExportWriter::LineCallback(&writer, line.data(), static_cast<uint32_t>(line.size()), &stop);
    line = "Time";
    for (int c = 1; c <= 20; ++c)
        line += ",C" + std::to_string(c);
    ExportWriter::LineCallback(&writer, line.data(), static_cast<uint32_t>(line.size()), &stop);
    uint64_t start = 0;
    CalendarToFileTime(MakeCalendarTime(2024, 1, 1), &start);
    char cell[32];
    for (uint32_t m = 0; m < kDays * 1440; ++m) {
        CalendarTime t;
        FileTimeToCalendar(start + uint64_t{m} * 60 * kFileTimeUnitsPerSecond, &t);
        line = CalendarTimeText(t);
        for (int c = 1; c <= 20; ++c) {
            std::snprintf(cell, sizeof cell, ",%.2f", 50 + 10 * c + 8 * std::sin(m / 97.0 + c));
            line += cell;
        }
        ExportWriter::LineCallback(&writer, line.data(), static_cast<uint32_t>(line.size()), &stop);
    }
    return writer.Finish();
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QString dirArg;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0)
            dirArg = argv[i + 1];
    }
    QTemporaryDir temp;
    const std::string dir = (dirArg.isEmpty() ? temp.path() : dirArg).toStdString();
    QDir().mkpath(QString::fromStdString(dir));
    std::string error;
    const std::string root = dir + "/alarmroot";
    QDir().mkpath(QString::fromStdString(root));
    if (!WriteBenchAlarms(root, 1, kDays * 86400, 20000, &error)) {
        std::fprintf(stderr, "bench alarms: %s\n", error.c_str());
        return 1;
    }
    const std::string report = dir + "/minutes.csv";
    if (!WriteMinuteReport(report))
        return 1;
    SetAlarmStoreFolder(root + "/AL/");

    CHistavueApp app;
    app.InitInstance({QApplication::arguments().first()});  // its own arguments name no report
    app.MainFrame()->resize(1500, 1000);
    CHistavueDoc* doc = app.Documents()->OpenDocumentFile(QString::fromStdString(report));
    if (doc == nullptr)
        return 1;
    CHistavueView* view = doc->Views().front();
    QMdiSubWindow* child = app.MainFrame()->MdiArea()->currentSubWindow();
    child->resize(child->size() - view->size() + QSize(1200, 700));
    QApplication::processEvents();
    view->DrawCurves();  // fonts and caches of the first draw
    QApplication::processEvents();

    // 1. The same draw without and with the alarms (read anew each time), each up to the moment
    // the event loop has nothing left to do for it: the alarms' time is the difference.
    auto settle = [] {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    };
    std::vector<double> arrivals;
    double curves = 1e9;
    for (int run = 0; run < 9; ++run) {
        view->Curves()->Alarms()->SetShown(false);
        settle();
        QElapsedTimer t;
        t.start();
        view->DrawCurves();
        view->Chart()->repaint();
        settle();
        const double without = Ms(t);
        curves = std::min(curves, without);
        view->Settings().alarms = 1;
        t.restart();
        view->DrawCurves();
        view->Chart()->repaint();
        ChartAdapter* chart = view->Curves()->Adapter();
        while (chart->AlarmLanes().lanes.isEmpty() && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        settle();
        arrivals.push_back(Ms(t) - without);
    }
    const double arrival = Median(arrivals);
    const double worstArrival = *std::max_element(arrivals.begin(), arrivals.end());
    ChartAdapter* chart = view->Curves()->Adapter();
    int spans = 0;
    for (const ChartAlarmLane& lane : chart->AlarmLanes().lanes)
        spans += static_cast<int>(lane.spans.size());
    const int records = view->Curves()->Alarms()->RecordCount();

    // 2. Zoomed to about 1,000 visible spans, with and without the lanes.
    const double xMin = chart->XMin();
    const double xMax = chart->XMax();
    const double width = (xMax - xMin) * std::min(1.0, 1000.0 / std::max(spans, 1));
    chart->ZoomX(xMin, xMin + width);
    int visible = 0;
    for (const ChartAlarmLane& lane : chart->AlarmLanes().lanes) {
        for (const ChartAlarmSpan& s : lane.spans)
            visible += s.to >= chart->XMin() && s.from <= chart->XMax() ? 1 : 0;
    }
    QWidget* plot = chart->Plot();
    // Without them, the lanes keep their room: the plot is the same.
    const ChartAlarmLanes lanes = chart->AlarmLanes();
    ChartAlarmLanes empty;
    empty.lanes.resize(lanes.lanes.size());
    std::vector<double> with;
    std::vector<double> without;
    for (int run = 0; run < 21; ++run) {
        for (bool drawn : {true, false}) {
            chart->SetAlarmLanes(drawn ? lanes : empty);
            QElapsedTimer t;
            t.start();
            plot->repaint();
            (drawn ? with : without).push_back(Ms(t));
        }
    }
    chart->SetAlarmLanes(lanes);
    const double withLanes = Median(with);
    const double withoutLanes = Median(without);

    // 3. Jumps to the next alarm, on the whole range.
    chart->ZoomX(xMin, xMax);
    chart->SetCursorPoint(0);
    // Each key timed alone: the median, as a frame would see it.
    auto keys = [&](Qt::Key k) {
        std::vector<double> times;
        for (int i = 0; i < 51; ++i) {
            QKeyEvent key(QEvent::KeyPress, k, Qt::NoModifier);
            QElapsedTimer t;
            t.start();
            QApplication::sendEvent(plot, &key);
            times.push_back(Ms(t));
        }
        return Median(times);
    };
    const double jump = keys(Qt::Key_N);
    // A step of the cursor by the arrow key, the same read-out and repaint, for comparison.
    const double step = keys(Qt::Key_Right);

    // The read alone, on this thread.
    CalendarTime from = MakeCalendarTime(2024, 1, 1);
    CalendarTime to = MakeCalendarTime(2024, 1, 31, 23, 59);
    const double read = BestOf(3, [&] { ReadAlarms(root + "/AL/", from, to); });

    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf(
        "report: %d rows x %d channels over %u days, %d points; alarm log: %d records, "
        "%d spans\n",
        view->List()->Table().RowCount(), view->Settings().channelCount, kDays, chart->PointCount(),
        records, spans);
    std::printf("curves drawn, painted, events done:    %8.1f ms\n", curves);
    std::printf(
        "alarms on the chart after the curves:  %8.1f ms median of 9, %.1f ms worst  "
        "(target <= 100 ms: %s)\n",
        arrival, worstArrival, verdict(arrival <= 100));
    std::printf("  of which the read of the alarm log:  %8.1f ms\n", read);
    std::printf("draw with %4d visible spans (median):  %8.2f ms\n", visible, withLanes);
    std::printf("draw without them:                     %8.2f ms  (%.2fx, target <= 1.5x: %s)\n",
                withoutLanes, withLanes / withoutLanes, verdict(withLanes <= 1.5 * withoutLanes));
    std::printf(
        "cursor jump to the next alarm:         %8.2f ms  (target <= 16.7 ms: %s; on "
        "point %d)\n",
        jump, verdict(jump <= 16.7), chart->CursorPoint());
    std::printf(
        "cursor step by the arrow key:          %8.2f ms  (the same read-out and repaint)\n", step);
    app.MainFrame()->OnFileClose();
    app.DeleteTempFiles();
    SetAlarmStoreFolder(std::string());
    return 0;
}
