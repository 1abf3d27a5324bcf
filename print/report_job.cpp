#include "report_job.h"

#include <QGraphicsView>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

const char kNoCurveToPrintMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "没找到要打印的曲线，请先画出曲线!");
const char kPrintFailedMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "无法打印：打印机或输出文件不能写入!");
const char kPaperTooSmallMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "纸张太小，一页放不下一行报表，请换用更大的纸张或改变打印方向!");

bool BeginReportJob(QPrinter* printer, RecordTable* table, const CurveSettings& settings,
                    ReportPrintMetrics* metrics) {
    printer->setResolution(kReportDpi);
    const QPageLayout layout = printer->pageLayout();
    const QRect printable = layout.paintRectPixels(kReportDpi);
    const bool fits = BeginReportPrint(printable.size(), kReportDpi, table, settings, metrics);
    // The footer's text reaches below the printable area into the margin, on paper as in the
    // preview, which shows the sheet.
    metrics->paper = layout.fullRectPixels(kReportDpi).translated(-printable.topLeft());
    return fits;
}

bool PrintReportPages(QPrinter* printer, const RecordTable& table,
                      const ReportPrintMetrics& metrics) {
    int from = 1;
    int to = metrics.pageCount;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = std::max(1, printer->fromPage());
        to = std::min(metrics.pageCount, std::max(from, printer->toPage()));
    }
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    for (int page = from; page <= to; ++page) {
        if (page > from)
            printer->newPage();
        PrintReportPage(painter, table, metrics, page);
    }
    return painter.end();
}

void RenderChart(QPainter& painter, QWidget* chart, const QRect& target) {
    const QSize size = chart->size().isEmpty() ? QSize(800, 600) : chart->size();
    const double scale =
        std::min(target.width() / double(size.width()), target.height() / double(size.height()));
    const QSizeF fitted(size.width() * scale, size.height() * scale);
    const QRectF place(target.left() + (target.width() - fitted.width()) / 2,
                       target.top() + (target.height() - fitted.height()) / 2, fitted.width(),
                       fitted.height());
    // A chart view draws its scene as vectors at the page's size; other windows are scaled.
    if (auto* view = qobject_cast<QGraphicsView*>(chart)) {
        view->render(&painter, place, view->viewport()->rect());
        return;
    }
    painter.save();
    painter.translate(place.topLeft());
    painter.scale(scale, scale);
    chart->render(&painter);
    painter.restore();
}

bool PrintChart(QPrinter* printer, QWidget* chart) {
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    RenderChart(
        painter, chart,
        QRect(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size()));
    return painter.end();
}
