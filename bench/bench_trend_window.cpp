// The trend window as its user meets it, on a plot of 1200 x 700 showing every channel:
//   1. opening the window over a group whose summaries are kept, up to the whole span painted
//      as every record draws it (the summaries opened and checked, the columns read once the
//      axes have their room, the plot repainted);
//   2. wheel steps from the whole span down to a minute and back out, each from the wheel up to
//      the columns read and the plot repainted: median and slowest;
//   3. the memory of the process with the window open.
// Prints each number against its target with "met" or "MISSED".
//
//   bench_trend_window [--store DIR --group NAME] [--staging DIR] [--days N] [--runs N]
//
// Without a store it writes a 1-second group of 20 channels over N days (7 by default) into a
// temporary folder. The summaries are made once before anything is timed (in --staging DIR when
// given, so that they are kept for the next run).
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plot_view.h"
#include "private_settings.h"
#include "summary_group.h"
#include "trend_bench_store.h"
#include "trend_source.h"
#include "trend_window.h"
#include "viewer_bench_support.h"

namespace {

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "bench_trend_window: %s\n", what.c_str());
    std::exit(1);
}

void Report(const char* what, double value, const char* unit, double target, const char* note) {
    std::printf("%-44s %10.1f %-3s target %s %g %s: %s\n", what, value, unit, "<=", target, unit,
                value <= target ? "met" : "MISSED");
    if (note != nullptr && *note != '\0')
        std::printf("    %s\n", note);
}

// Sizes the window so that its plot is w x h.
void SizePlot(TrendWindow* window, int w, int h) {
    window->resize(w + 200, h + 60);
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        const QSize plot = window->Plot()->size();
        window->resize(window->width() + w - plot.width(), window->height() + h - plot.height());
    }
    QApplication::processEvents();
}

// One wheel notch at the plot's middle, in or out, up to the columns read and the plot repainted.
double WheelStep(TrendWindow* window, bool in) {
    PlotView* plot = window->Plot();
    const QPointF at(plot->width() / 2.0, plot->height() / 2.0);
    QElapsedTimer t;
    t.start();
    QWheelEvent event(at, plot->mapToGlobal(at), QPoint(), QPoint(0, in ? 120 : -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &event);
    window->WaitForColumns();
    plot->repaint();
    return Ms(t);
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    QApplication app(argc, argv);
    std::string store;
    std::string groupName;
    std::string staging;
    int days = 7;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--store" && i + 1 < argc)
            store = argv[++i];
        else if (a == "--group" && i + 1 < argc)
            groupName = argv[++i];
        else if (a == "--staging" && i + 1 < argc)
            staging = argv[++i];
        else if (a == "--days" && i + 1 < argc)
            days = std::max(1, std::atoi(argv[++i]));
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            Die("usage: bench_trend_window [--store DIR --group NAME] [--staging DIR] [--days N] "
                "[--runs N]");
    }
    char pattern[] = "/tmp/bench-trend-window-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr)
        Die("cannot make a temporary folder");
    const std::string work = std::string(made) + "/";
    if (staging.empty())
        staging = work + "staging";
    std::string error;
    if (!TrendBenchStore(work, days, &store, &groupName, &error))
        Die(error);
    TrendGroup group;
    if (!OpenTrendGroup(store, groupName, "", &group, &error))
        Die(error);
    {
        SummaryGroup summaries;
        if (!summaries.Open(store, staging, groupName, &error) ||
            !summaries.Summarise(nullptr, nullptr))
            Die("cannot summarise the group: " + error);
        std::printf("group %s: %zu channels, %zu folders, %.1f days, summaries kept\n",
                    groupName.c_str(), summaries.Channels().size(), summaries.FolderCount(),
                    double(group.to - group.from) / 86400.0);
    }

    // 1. Opening over kept summaries, up to the whole span painted.
    std::vector<double> opens;
    TrendWindow* window = nullptr;
    for (int run = 0; run < runs; ++run) {
        delete window;
        QElapsedTimer t;
        t.start();
        window = new TrendWindow(group, staging);
        window->show();
        SizePlot(window, 1200, 700);
        // The events of the window as they come, waiting for them as the application's loop
        // does (not spinning, which would take a core from the window's threads), until the
        // summaries are checked and the columns read from them.
        QTimer wake;
        wake.start(100);
        while (!window->Summarised() || window->Columns() == nullptr) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (t.elapsed() > 60000)
                Die("the summaries were not checked within a minute");
        }
        window->WaitForColumns();
        window->Plot()->repaint();
        opens.push_back(Ms(t));
    }
    const QSize plot = window->Plot()->size();
    char note[160];
    std::snprintf(note, sizeof note,
                  "fastest %.1f ms, slowest %.1f ms of %d; plot %dx%d, %d columns",
                  *std::min_element(opens.begin(), opens.end()),
                  *std::max_element(opens.begin(), opens.end()), runs, plot.width(), plot.height(),
                  window->Columns()->Columns());
    Report("window opened to whole span painted: median", Median(opens), "ms", 100, note);

    // 2. Wheel steps from the whole span down to a minute, and back out.
    std::vector<double> steps;
    int in = 0;
    double narrowest = window->ShownTo() - window->ShownFrom();
    while (narrowest > 60.0 && in < 200) {
        steps.push_back(WheelStep(window, true));
        narrowest = std::min(narrowest, window->ShownTo() - window->ShownFrom());
        ++in;
    }
    for (int out = 0; out < in; ++out) {
        steps.push_back(WheelStep(window, false));
    }
    std::snprintf(note, sizeof note, "slowest %.1f ms; %zu steps, down to %.0f s and back",
                  *std::max_element(steps.begin(), steps.end()), steps.size(), narrowest);
    Report("wheel step to repainted plot: median", Median(steps), "ms", 50, note);
    Report("wheel step to repainted plot: slowest", *std::max_element(steps.begin(), steps.end()),
           "ms", 100, "");

    // 3. Memory with the window open.
    Report("memory of the process", CurrentRssKiB() / 1024.0, "MB", 200, "");
    delete window;
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
    return 0;
}
