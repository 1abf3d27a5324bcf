// Printing costs of a one-day report of 1-second records (86,400 rows x 20 channels), on the
// offscreen platform with an A4 PDF printer:
//   1. the report preview: from the preview command to its first page drawn, paging through
//      pages spread over the report, and the memory it holds while paging;
//   2. Qt's QPrintPreviewDialog on the same report, for comparison (it draws every page before
//      it shows the first);
//   3. printing the whole report to a PDF file, in pages per second.
// The pages are those of the report's own layout (12-point fonts); 20 channels are wider than an
// A4 page, so they continue on pages across (three pages for each page of rows).
//   bench_print [--rows N] [--skip-qt]
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "histavue_doc.h"
#include "histavue_view.h"
#include "private_settings.h"
#include "report_job.h"
#include "report_preview.h"
#include "viewer_bench_support.h"

namespace {

double Seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// A day of records every second with 20 channels of values such as "123.45".
std::shared_ptr<TextBuffer> DayText(int rows) {
    std::string text = "Boiler house, one day\nTime";
    for (int c = 1; c <= 20; ++c)
        text += ",Ch" + std::to_string(c);
    text += "\n";
    char line[64];
    for (int r = 0; r < rows; ++r) {
        std::snprintf(line, sizeof line, "2024-03-01 %02d:%02d:%02d", r / 3600 % 24, r / 60 % 60,
                      r % 60);
        text += line;
        for (int c = 0; c < 20; ++c) {
            std::snprintf(line, sizeof line, ",%d.%02d", (r + c * 7) % 500, (r * 3 + c) % 100);
            text += line;
        }
        text += "\n";
    }
    auto buffer = std::make_shared<TextBuffer>();
    buffer->Append(text.data(), static_cast<int64_t>(text.size()));
    return buffer;
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rows = 86400;
    bool skipQt = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc)
            rows = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--skip-qt") == 0)
            skipQt = true;
    }
    QTemporaryDir dir;
    CHistavueView view(nullptr);
    if (!view.LoadRecords(DayText(rows))) {
        std::fprintf(stderr, "bench_print: the report text did not load\n");
        return 1;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    std::printf("report: %d rows x 20 channels, A4 portrait\n", rows);

    // 1. The report preview.
    const long rssBefore = CurrentRssKiB();
    QElapsedTimer t;
    t.start();
    CReportPreview* preview = view.PrintPreview(&printer);
    if (preview == nullptr) {
        std::fprintf(stderr, "bench_print: no preview\n");
        return 1;
    }
    preview->grab();
    const double first = Seconds(t);
    const int pages = preview->PageCount();
    const long rssFirst = CurrentRssKiB();
    std::vector<double> turns;
    long rssPaged = 0;
    for (int i = 0; i < 1000; ++i) {
        t.restart();
        preview->ShowPage(1 + static_cast<int>((i * 7919LL) % pages));
        preview->grab();
        turns.push_back(Seconds(t));
        if (i == 199)
            rssPaged = CurrentRssKiB();
    }
    const long rssLong = CurrentRssKiB();
    std::sort(turns.begin(), turns.end());
    std::printf(
        "preview: %d pages; first page shown in %.3f s; a page turn (with its drawing) "
        "median %.1f ms, slowest %.1f ms over 1000 turns\n",
        pages, first, turns[turns.size() / 2] * 1e3, turns.back() * 1e3);
    std::printf(
        "preview memory: +%.1f MB at the first page, +%.1f MB after 200 page turns, "
        "+%.1f MB after 1000\n",
        (rssFirst - rssBefore) / 1024.0, (rssPaged - rssBefore) / 1024.0,
        (rssLong - rssBefore) / 1024.0);
    preview->reject();
    QApplication::processEvents();

    // 2. Qt's preview dialog draws every page into memory before it shows the first.
    if (!skipQt) {
        ReportPrintMetrics metrics;
        BeginReportJob(&printer, &view.List()->Table(), view.Settings(), &metrics);
        QPrintPreviewDialog dialog(&printer);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* p) {
            QPainter painter(p);
            for (int page = 1; page <= metrics.pageCount; ++page) {
                if (page > 1)
                    p->newPage();
                PrintReportPage(painter, view.List()->Table(), metrics, page);
            }
        });
        const long rssQtBefore = CurrentRssKiB();
        t.restart();
        dialog.show();
        QApplication::processEvents();
        std::printf("QPrintPreviewDialog: first page shown after %.2f s, +%.0f MB\n", Seconds(t),
                    (CurrentRssKiB() - rssQtBefore) / 1024.0);
        dialog.reject();
    }

    // 3. The whole report to PDF.
    printer.setOutputFileName(dir.path() + "/day.pdf");
    ReportPrintMetrics metrics;
    t.restart();
    BeginReportJob(&printer, &view.List()->Table(), view.Settings(), &metrics);
    PrintReportPages(&printer, view.List()->Table(), metrics);
    const double pdf = Seconds(t);
    std::printf("PDF: %d pages in %.2f s, %.0f pages/s, %.1f MB file\n", metrics.pageCount, pdf,
                metrics.pageCount / pdf, QFileInfo(dir.path() + "/day.pdf").size() / 1e6);
    return 0;
}
