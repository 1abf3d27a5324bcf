// The cost of the historic curves, on the offscreen platform, for a document of 1,000,000 rows
// of 20 channels drawn as a chart of 20 series x 2000 points at 1200 x 700:
//   1. draws, each against a bare QPainter drawing the same 20 polylines (through the plot's
//      pixels, with its pens, unantialiased as the plot draws) into an image of the plot's size
//      in the same run: the draw command (the first of the process, after a range change, again,
//      on a true time axis), and the plot drawn whole anew (laid out again and its picture drawn
//      again, as after a resize or a zoom) with what its parts cost;
//   2. a cursor step, the right arrow key up to the repainted read-out, and a wheel-zoom step,
//      the wheel up to the repainted plot: medians and the slowest;
//   3. the statistics and the envelope of the whole range, each against a plain loop reading
//      the same cells from the table in the same run, and cursor steps with the panel open;
//   4. the statistics of the whole range computed in the background, as a zoom with the panel
//      open starts them, and the cursor steps taken meanwhile.
// Times of 1 and 2, where all the work is the window's own thread's, are that thread's processor
// time, so that other work on the shared machine does not count; those of 3 and 4, where other
// threads compute, are wall-clock. Either is the fastest of a few runs or the median of steps.
//   bench_curves [--rows N] [--dir DIR]
#include <QApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPolygonF>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
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
#include "plot_layout.h"
#include "plot_painter.h"
#include "plot_view.h"
#include "private_settings.h"
#include "range_stats.h"
#include "sample_store.h"
#include "stats_worker.h"
#include "store_api.h"
#include "viewer_bench_support.h"

namespace {

// Milliseconds of processor time the calling thread has spent.
double ThreadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The least processor time of this thread that `runs` runs of f took, in milliseconds.
template <class F>
double LeastCpuOf(int runs, F f) {
    double least = 1e18;
    for (int i = 0; i < runs; ++i) {
        const double start = ThreadMs();
        f();
        least = std::min(least, ThreadMs() - start);
    }
    return least;
}

// The yardstick: the plot's series as polylines through the pixels the plot puts their points
// at, with the plot's pens, drawn by a plain QPainter without antialiasing (as the plot draws)
// into an image of the plot widget's size and of its picture's format; the fastest of five.
double BarePolylines(const PlotScene& scene, const PlotLayout& layout, QSize size) {
    const AxisMap xm = layout.XMap(scene);
    const AxisMap ym = layout.YMap();
    std::vector<std::vector<QPolygonF>> lines(static_cast<size_t>(scene.series.size()));
    for (int s = 0; s < scene.series.size(); ++s) {
        std::vector<QPolygonF>& pieces = lines[static_cast<size_t>(s)];
        pieces.emplace_back();
        for (const QPointF& p : scene.series[s].points) {
            if (std::isnan(p.y())) {
                pieces.emplace_back();
                continue;
            }
            pieces.back().append(QPointF(xm.Pixel(p.x()), ym.Pixel(scene.Shown(s, p.y()))));
        }
    }
    QImage image(size, QImage::Format_RGB32);
    return LeastCpuOf(5, [&] {
        image.fill(scene.background);
        QPainter p(&image);
        for (int s = 0; s < scene.series.size(); ++s) {
            p.setPen(scene.series[s].pen);
            for (const QPolygonF& piece : lines[static_cast<size_t>(s)])
                p.drawPolyline(piece);
        }
    });
}

// Milliseconds from a key press sent to the plot up to the plot repainted: the chart moves its
// cursor and the curve view its read-out, which repaints the plot; the plot is then repainted
// once more, so that nothing the step asked for is left for later.
double KeyStep(QWidget* plot, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    const double start = ThreadMs();
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(plot, &event);
    plot->repaint();
    return ThreadMs() - start;
}

// The same from one notch of the mouse wheel at `at` (up: in, down: out).
double WheelStep(QWidget* plot, QPoint at, bool in) {
    const double start = ThreadMs();
    QWheelEvent event(QPointF(at), QPointF(plot->mapToGlobal(at)), QPoint(),
                      QPoint(0, in ? 120 : -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(plot, &event);
    plot->repaint();
    return ThreadMs() - start;
}

// The steps' median, their slowest and how many took longer than `target` milliseconds.
struct Steps {
    double median = 0.0;
    double slowest = 0.0;
    long over = 0;
};
Steps Summary(const std::vector<double>& steps, double target) {
    return {Median(steps), steps.empty() ? 0.0 : *std::max_element(steps.begin(), steps.end()),
            std::count_if(steps.begin(), steps.end(), [&](double ms) { return ms > target; })};
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
    auto drawCommand = [&] {
        view->DrawCurves();
        view->Chart()->repaint();
    };
    const double firstDraw = LeastCpuOf(1, drawCommand);
    double sampledDraw = 1e9;
    double redraw = 1e9;
    for (int run = 0; run < 5; ++run) {
        view->Settings().queryChanged = 1;
        sampledDraw = std::min(sampledDraw, LeastCpuOf(1, drawCommand));
        redraw = std::min(redraw, LeastCpuOf(1, drawCommand));
    }
    ChartAdapter* chart = view->Curves()->Adapter();
    PlotView* plot = chart->Plot();
    const QSize size = plot->size();
    const PlotScene& scene = chart->PlotState();
    const double bare = BarePolylines(scene, *chart->Layout(), size);

    // The plot drawn whole anew, as a resize or a new range has it: laid out, its picture drawn,
    // what follows the mouse drawn over it. Then the parts of that on their own, and a repaint
    // that keeps the picture.
    const double plotDraw = LeastCpuOf(5, [&] {
        plot->Changed(true);
        plot->repaint();
    });
    const QRectF area(QPointF(0, 0), QSizeF(size));
    PlotLayout layout;
    const double layOut =
        LeastCpuOf(5, [&] { layout = LayOutPlot(scene, area, plot->font(), plot); });
    QImage picture(size, QImage::Format_RGB32);
    const double basePart = LeastCpuOf(5, [&] {
        QPainter p(&picture);
        PaintPlot(&p, scene, layout, kPlotBase);
    });
    const double overlayPart = LeastCpuOf(5, [&] {
        QPainter p(&picture);
        PaintPlot(&p, scene, layout, kPlotOverlay);
    });
    const double keptRepaint = LeastCpuOf(5, [&] { plot->repaint(); });

    // The same draw command on a true time axis.
    view->Settings().timeAxis = 1;
    const double timeAxisDraw = LeastCpuOf(5, drawCommand);
    view->Settings().timeAxis = 0;
    view->DrawCurves();
    plot = chart->Plot();

    // 2. Cursor steps and wheel-zoom steps, each up to the repainted plot. The wheel turns five
    // notches in at the plot's middle, then five out, and so on.
    const int steps = 50;
    std::vector<double> keySteps;
    for (int i = 0; i < steps; ++i)
        keySteps.push_back(KeyStep(plot, Qt::Key_Right, Qt::NoModifier));
    const Steps cursorStep = Summary(keySteps, 2.0);
    const QPoint middle = chart->Layout()->plot.center().toPoint();
    std::vector<double> wheelSteps;
    double narrowest = chart->XMax() - chart->XMin();
    for (int i = 0; i < 40; ++i) {
        wheelSteps.push_back(WheelStep(plot, middle, (i / 5) % 2 == 0));
        narrowest = std::min(narrowest, chart->XMax() - chart->XMin());
    }
    const Steps wheelStep = Summary(wheelSteps, 16.0);
    view->DrawCurves();
    plot = chart->Plot();

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
    std::vector<double> panelStepsA;
    std::vector<double> panelStepsB;
    for (int i = 0; i < steps; ++i)
        panelStepsA.push_back(KeyStep(plot, Qt::Key_Right, Qt::NoModifier));
    for (int i = 0; i < steps; ++i)
        panelStepsB.push_back(KeyStep(plot, Qt::Key_Right, Qt::ShiftModifier));
    const Steps panelStepA = Summary(panelStepsA, 16.7);
    const Steps panelStepB = Summary(panelStepsB, 16.7);

    // 4. The whole range's statistics in the background, with cursor steps meanwhile.
    CurveExtras* extras = view->Curves()->Extras();
    StatsWorker& worker = extras->StatisticsWorker();
    double background = 1e18;
    QElapsedTimer t;
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

    std::printf("document: %d rows x %d channels; plot %d x %d, %d series x %d points\n",
                view->List()->Table().RowCount(), view->Settings().channelCount, size.width(),
                size.height(), chart->SeriesCount(), chart->PointCount());
    std::printf("bare QPainter, the 20 polylines:     %8.1f ms  (lines in a %.0f x %.0f plot)\n",
                bare, layout.plot.width(), layout.plot.height());
    std::printf("first draw of the process:           %8.1f ms  (%.1fx bare)\n", firstDraw,
                firstDraw / bare);
    std::printf("draw command after a range change:   %8.1f ms  (%.1fx bare; samples anew)\n",
                sampledDraw, sampledDraw / bare);
    std::printf("draw command again (points kept):    %8.1f ms  (%.1fx bare, target <= 2x: %s)\n",
                redraw, redraw / bare, Verdict(redraw <= 2 * bare));
    std::printf("draw command on a true time axis:    %8.1f ms  (%.1fx bare, target <= 2x: %s)\n",
                timeAxisDraw, timeAxisDraw / bare, Verdict(timeAxisDraw <= 2 * bare));
    std::printf("plot drawn whole anew (resize, zoom):%8.1f ms  (%.1fx bare, target <= 2x: %s)\n",
                plotDraw, plotDraw / bare, Verdict(plotDraw <= 2 * bare));
    std::printf("  of which laid out:                 %8.1f ms\n", layOut);
    std::printf("  the picture (axes, grid, lines):   %8.1f ms  (%.1fx bare)\n", basePart,
                basePart / bare);
    std::printf("  read-out, legend, cursors:         %8.1f ms\n", overlayPart);
    std::printf("  a repaint keeping the picture:     %8.1f ms\n", keptRepaint);
    std::printf(
        "cursor step (key to repainted):      %8.1f ms  median, %ld of %d over 2 ms, the "
        "slowest %.1f ms  (target <= 2 ms: %s)\n",
        cursorStep.median, cursorStep.over, steps, cursorStep.slowest,
        Verdict(cursorStep.median <= 2.0));
    std::printf(
        "wheel-zoom step (wheel to repainted):%8.1f ms  median, %ld of %zu over 16 ms, the "
        "slowest %.1f ms  (target <= 16 ms: %s; %.0f to %d points shown)\n",
        wheelStep.median, wheelStep.over, wheelSteps.size(), wheelStep.slowest,
        Verdict(wheelStep.median <= 16.0), narrowest, chart->PointCount());
    std::printf(
        "plain loop, %d rows x %zu cells:   %8.1f ms  (%zu bytes; %.1f ms a cell at a time)\n",
        whole.end - whole.begin, columns.size(), plain, bytes, byCell);
    std::printf(
        "statistics of the whole range:       %8.1f ms  (%.2fx plain, target <= 1.5x: %s; "
        "%zu records)\n",
        stats, stats / plain, Verdict(stats <= 1.5 * plain), records);
    std::printf("envelope of the whole range:         %8.1f ms  (%.2fx plain, target <= 2x: %s)\n",
                envelope, envelope / plain, Verdict(envelope <= 2 * plain));
    std::printf(
        "cursor step A, panel open:           %8.1f ms  median, %ld of %d over 16.7 ms, "
        "the slowest %.1f ms  (target <= 16.7 ms: %s)\n",
        panelStepA.median, panelStepA.over, steps, panelStepA.slowest,
        Verdict(panelStepA.median <= 16.7));
    std::printf(
        "cursor step B, panel open:           %8.1f ms  median, %ld of %d over 16.7 ms, "
        "the slowest %.1f ms  (target <= 16.7 ms: %s)\n",
        panelStepB.median, panelStepB.over, steps, panelStepB.slowest,
        Verdict(panelStepB.median <= 16.7));
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
