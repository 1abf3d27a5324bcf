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
#include <QChartView>
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

namespace {

constexpr uint32_t kDays = 31;

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

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

template <class F>
double BestOfRuns(int runs, F f) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, Ms(t));
    }
    return best;
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
    app.InitInstance(QApplication::arguments());
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

    // 1. Curves, then the alarms read anew each time.
    double bestArrival = 1e9;
    double worstArrival = 0;
    double curves = 1e9;
    for (int run = 0; run < 5; ++run) {
        view->Curves()->Alarms()->SetShown(false);
        view->Settings().alarms = 1;
        QElapsedTimer t;
        t.start();
        view->DrawCurves();
        view->Chart()->repaint();
        curves = std::min(curves, Ms(t));
        t.restart();
        ChartAdapter* chart = view->Curves()->Adapter();
        while (chart->AlarmLanes().lanes.isEmpty() && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        view->Chart()->repaint();
        const double arrival = Ms(t);
        bestArrival = std::min(bestArrival, arrival);
        worstArrival = std::max(worstArrival, arrival);
    }
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
    QWidget* plot = view->Chart()->findChild<QChartView*>();
    const ChartAlarmLanes lanes = chart->AlarmLanes();
    auto drawTime = [&] {
        double best = 1e9;
        for (int run = 0; run < 15; ++run) {
            QElapsedTimer t;
            t.start();
            static_cast<QChartView*>(plot)->viewport()->repaint();
            best = std::min(best, Ms(t));
        }
        return best;
    };
    const double withLanes = drawTime();
    chart->SetAlarmLanes(ChartAlarmLanes());
    QApplication::processEvents();
    const double withoutLanes = drawTime();
    chart->SetAlarmLanes(lanes);
    QApplication::processEvents();

    // 3. Jumps to the next alarm, on the whole range.
    chart->ZoomX(xMin, xMax);
    chart->SetCursorPoint(0);
    const int jumps = 50;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < jumps; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier);
        QApplication::sendEvent(plot, &key);
    }
    const double jump = Ms(t) / jumps;

    // The read alone, on this thread.
    CalendarTime from = MakeCalendarTime(2024, 1, 1);
    CalendarTime to = MakeCalendarTime(2024, 1, 31, 23, 59);
    const double read = BestOfRuns(3, [&] { ReadAlarms(root + "/AL/", from, to); });

    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf(
        "report: %d rows x %d channels over %u days, %d points; alarm log: %d records, "
        "%d spans\n",
        view->List()->Table().RowCount(), view->Settings().channelCount, kDays, chart->PointCount(),
        records, spans);
    std::printf("curves drawn and painted:              %8.1f ms\n", curves);
    std::printf(
        "alarms on the chart after the curves:  %8.1f ms best, %.1f ms worst  "
        "(target <= 100 ms: %s)\n",
        bestArrival, worstArrival, verdict(worstArrival <= 100));
    std::printf("  of which the read of the alarm log:  %8.1f ms\n", read);
    std::printf("draw with %4d visible spans:           %8.2f ms\n", visible, withLanes);
    std::printf("draw without them:                     %8.2f ms  (%.2fx, target <= 1.5x: %s)\n",
                withoutLanes, withLanes / withoutLanes, verdict(withLanes <= 1.5 * withoutLanes));
    std::printf(
        "cursor jump to the next alarm:         %8.2f ms  (target <= 16.7 ms: %s; on "
        "point %d)\n",
        jump, verdict(jump <= 16.7), chart->CursorPoint());
    app.MainFrame()->OnFileClose();
    app.DeleteTempFiles();
    SetAlarmStoreFolder(std::string());
    return 0;
}
