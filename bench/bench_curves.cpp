// The cost of the historic curves, on the offscreen platform, for a document of 1,000,000 rows
// of 20 channels:
//   1. the draw command up to a painted chart of 20 series x 2000 points (the first draw samples
//      the points, a redraw reuses them);
//   2. one cursor step: the right arrow key up to the repainted read-out;
// each against a bare QPainter drawing the same 20 polylines at the same size in the same run;
//   3. the statistics and the envelope of the whole range, each against a plain loop reading
//      the same cells from the table in the same run, and a cursor step with the panel open;
//   4. the statistics of the whole range computed in the background, as a zoom with the panel
//      open starts them, and the cursor steps taken meanwhile.
//   bench_curves [--rows N] [--dir DIR]
#include <QApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chart_adapter.h"
#include "curve_extras.h"
#include "curve_sampling.h"
#include "curve_view.h"
#include "document_manager.h"
#include "export_writer.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "private_settings.h"
#include "range_stats.h"
#include "sample_store.h"
#include "stats_worker.h"
#include "store_api.h"
#include "viewer_bench_support.h"

namespace {

// The yardstick: the series' polylines drawn with a plain QPainter into an image of the size.
double BarePolylines(ChartAdapter* chart, QSize size) {
    std::vector<QPolygonF> lines;
    const double xMax = chart->PointCount();
    const double yMin = chart->YMin();
    const double yMax = chart->YMax();
    for (int s = 0; s < chart->SeriesCount(); ++s) {
        QPolygonF line;
        for (const QPointF& p : chart->SeriesData(s)) {
            line.append(QPointF(p.x() / xMax * size.width(),
                                size.height() - (p.y() - yMin) / (yMax - yMin) * size.height()));
        }
        lines.push_back(line);
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        image.fill(Qt::white);
        QPainter p(&image);
        for (int s = 0; s < static_cast<int>(lines.size()); ++s) {
            p.setPen(
                QPen(chart->SeriesColor(s), chart->SeriesPenWidth(s), chart->SeriesPenStyle(s)));
            p.drawPolyline(lines[static_cast<size_t>(s)]);
        }
        p.end();
        best = std::min(best, Ms(t));
    }
    return best;
}

// The yardstick of the statistics and the envelope: every cell of the columns read once.
// Reads the cells of the rows one cell at a time (Cell), or, with byRow, a row's cells at once
// (RowCells), the fastest way the table offers.
double PlainCellLoop(const RecordTable& table, RowRange rows, const std::vector<int32_t>& columns,
                     bool byRow, size_t* bytes) {
    QElapsedTimer t;
    t.start();
    size_t sum = 0;
    const int32_t wanted = *std::max_element(columns.begin(), columns.end()) + 1;
    std::vector<std::string_view> cells;
    for (int32_t r = rows.begin; r < rows.end; ++r) {
        if (byRow) {
            table.RowCells(r, wanted, &cells);
            for (int32_t c : columns)
                sum += cells[static_cast<size_t>(c)].size();
        } else {
            for (int32_t c : columns)
                sum += table.Cell(r, c).size();
        }
    }
    *bytes = sum;
    return Ms(t);
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    uint32_t rows = 1000000;
    QString dirArg;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rows") == 0)
            rows = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        else if (std::strcmp(argv[i], "--dir") == 0)
            dirArg = argv[i + 1];
    }
    QTemporaryDir temp;
    const std::string dir = (dirArg.isEmpty() ? temp.path() : dirArg).toStdString();
    QDir().mkpath(QString::fromStdString(dir));
    std::string path;
    if (!MakeBenchExport(dir, rows, &path))
        return 1;

    CHistavueApp app;
    app.InitInstance({QApplication::arguments().first()});  // its own arguments name no report
    app.MainFrame()->resize(1500, 1000);
    CHistavueDoc* doc = app.Documents()->OpenDocumentFile(QString::fromStdString(path));
    if (doc == nullptr)
        return 1;
    CHistavueView* view = doc->Views().front();
    QMdiSubWindow* child = app.MainFrame()->MdiArea()->currentSubWindow();
    child->resize(child->size() - view->size() + QSize(1200, 700));
    QApplication::processEvents();

    // 1. Draw: the first one in the process also pays for fonts and caches; a draw after a change
    // of range or interval samples the points again; a plain redraw reuses them.
    QElapsedTimer t;
    t.start();
    view->DrawCurves();
    view->Chart()->repaint();
    const double firstDraw = Ms(t);
    double sampledDraw = 1e9;
    double redraw = 1e9;
    for (int run = 0; run < 5; ++run) {
        view->Settings().queryChanged = 1;
        t.restart();
        view->DrawCurves();
        view->Chart()->repaint();
        sampledDraw = std::min(sampledDraw, Ms(t));
        t.restart();
        view->DrawCurves();
        view->Chart()->repaint();
        redraw = std::min(redraw, Ms(t));
    }
    ChartAdapter* chart = view->Curves()->Adapter();
    const QSize size = view->Chart()->size();
    const double bare = BarePolylines(chart, size);

    // The same draw on a true time axis, where the view draws the lines itself.
    view->Settings().timeAxis = 1;
    double timeAxisDraw = 1e9;
    for (int run = 0; run < 5; ++run) {
        t.restart();
        view->DrawCurves();
        view->Chart()->repaint();
        timeAxisDraw = std::min(timeAxisDraw, Ms(t));
    }
    view->Settings().timeAxis = 0;
    view->DrawCurves();
    chart = view->Curves()->Adapter();

    // 2. Cursor steps.
    QWidget* plot = chart->Plot();
    const int steps = 50;
    t.restart();
    for (int i = 0; i < steps; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(plot, &key);
    }
    const double step = Ms(t) / steps;

    // 3. Statistics and envelope of the whole range, against the plain loop.
    const RecordTable& table = view->List()->Table();
    const CurveSettings& settings = view->Settings();
    const RowRange whole = RowsOfPoints(settings, 0, settings.pointCount - 1);
    std::vector<int32_t> columns;
    for (int32_t c = 1; c <= settings.channelCount; ++c)
        columns.push_back(c);
    size_t bytes = 0;
    const double byCell = BestOf(3, [&] { PlainCellLoop(table, whole, columns, false, &bytes); });
    const double plain = BestOf(3, [&] { PlainCellLoop(table, whole, columns, true, &bytes); });
    size_t records = 0;
    const double stats = BestOf(
        3, [&] { records = static_cast<size_t>(RangeStatistics(table, whole, columns)[0].count); });
    const double envelope =
        BestOf(3, [&] { PointEnvelopes(table, PointRows(settings), whole.end, columns); });
    view->Curves()->Extras()->SetPanelShown(true);
    QApplication::processEvents();
    t.restart();
    for (int i = 0; i < steps; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(plot, &key);
    }
    const double panelStep = Ms(t) / steps;
    t.restart();
    for (int i = 0; i < steps; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
        QApplication::sendEvent(plot, &key);
    }
    const double panelStepB = Ms(t) / steps;

    // 4. The whole range's statistics in the background, with cursor steps meanwhile.
    CurveExtras* extras = view->Curves()->Extras();
    StatsWorker& worker = extras->StatisticsWorker();
    double background = 1e18;
    // The same steps, each up to the processed events, with nothing computed meanwhile.
    std::vector<double> idleSteps;
    for (int i = 0; i < steps; ++i) {
        QElapsedTimer s;
        s.start();
        QKeyEvent key(QEvent::KeyPress, i % 2 ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(plot, &key);
        QApplication::processEvents();
        idleSteps.push_back(Ms(s));
    }
    std::vector<double> busySteps;
    for (int run = 0; run < 3; ++run) {
        t.restart();
        extras->RangeChanged(0, 0, true);
        while (worker.Busy()) {
            QElapsedTimer s;
            s.start();
            QKeyEvent key(QEvent::KeyPress,
                          (run + busySteps.size()) % 2 ? Qt::Key_Left : Qt::Key_Right,
                          Qt::NoModifier);
            QApplication::sendEvent(plot, &key);
            QApplication::processEvents();
            if (worker.Busy())
                busySteps.push_back(Ms(s));
        }
        background = std::min(background, Ms(t));
    }
    const int stepsWhileBusy = static_cast<int>(busySteps.size());
    const double slowestStep =
        busySteps.empty() ? 0 : *std::max_element(busySteps.begin(), busySteps.end());
    const auto overFrame =
        std::count_if(busySteps.begin(), busySteps.end(), [](double ms) { return ms > 16.7; });

    std::printf("document: %d rows x %d channels; chart %d x %d, %d series x %d points\n",
                view->List()->Table().RowCount(), view->Settings().channelCount, size.width(),
                size.height(), chart->SeriesCount(), chart->PointCount());
    std::printf("bare QPainter, 20 polylines:        %8.1f ms\n", bare);
    std::printf("first draw of the process:           %8.1f ms  (%.1fx bare)\n", firstDraw,
                firstDraw / bare);
    std::printf("draw after a range change (samples): %8.1f ms  (%.1fx bare, target <= 10x)\n",
                sampledDraw, sampledDraw / bare);
    std::printf("draw again (points kept):            %8.1f ms  (%.1fx bare, target <= 10x)\n",
                redraw, redraw / bare);
    std::printf("draw again on a true time axis:      %8.1f ms  (%.1fx bare, target <= 10x)\n",
                timeAxisDraw, timeAxisDraw / bare);
    std::printf("cursor step (key to repainted):      %8.1f ms  (%.1fx bare, target <= 2x)\n", step,
                step / bare);
    std::printf("cursor now on point %d\n", chart->CursorPoint());
    std::printf(
        "plain loop, %d rows x %zu cells:   %8.1f ms  (%zu bytes; %.1f ms a cell at a time)\n",
        whole.end - whole.begin, columns.size(), plain, bytes, byCell);
    std::printf(
        "statistics of the whole range:       %8.1f ms  (%.2fx plain, target <= 1.5x: %s; "
        "%zu records)\n",
        stats, stats / plain, Verdict(stats <= 1.5 * plain), records);
    std::printf("envelope of the whole range:         %8.1f ms  (%.2fx plain, target <= 2x: %s)\n",
                envelope, envelope / plain, Verdict(envelope <= 2 * plain));
    std::printf("cursor step A, panel open:           %8.1f ms  (target <= 16.7 ms: %s)\n",
                panelStep, Verdict(panelStep <= 16.7));
    std::printf("cursor step B, panel open:           %8.1f ms  (target <= 16.7 ms: %s)\n",
                panelStepB, Verdict(panelStepB <= 16.7));
    std::printf(
        "statistics in the background, zoom to result: %8.1f ms  (%.2fx plain, target <= 1.5x: "
        "%s)\n",
        background, background / plain, Verdict(background <= 1.5 * plain));
    std::printf(
        "cursor steps meanwhile: %d, median %.1f ms, %d over 16.7 ms, the slowest %.1f ms  "
        "(target <= 16.7 ms: %s)\n"
        "  (the same steps with nothing computed: median %.1f ms, the slowest %.1f ms)\n",
        stepsWhileBusy, busySteps.empty() ? 0.0 : Median(busySteps), static_cast<int>(overFrame),
        slowestStep, Verdict(stepsWhileBusy > 0 && slowestStep <= 16.7), Median(idleSteps),
        *std::max_element(idleSteps.begin(), idleSteps.end()));
    app.MainFrame()->OnFileClose();
    app.DeleteTempFiles();
    return 0;
}
