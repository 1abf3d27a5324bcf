#include "report_job.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "print_output.h"
#include "report_font.h"

const char kNoCurveToPrintMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "没找到要打印的曲线，请先画出曲线!");
const char kPrintFailedMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "无法打印：打印机或输出文件不能写入!");
const char kPrintOntoRecordFileMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "不能打印到文档自己的工作文件，请另选一个文件名。");
const char kPaperTooSmallMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "纸张太小，一页放不下一行报表，请换用更大的纸张或改变打印方向!");

const char kReportFontMissingMessage[] = QT_TRANSLATE_NOOP(
    "Histavue",
    "报表的等宽字体 %1 未安装（Debian 软件包 %2），暂用 %3 代替：分页可能与别的电脑不同。");

QString ReportFontWarning() {
    const QString standIn = ReportFixedStandIn();
    if (standIn.isEmpty())
        return QString();
    return QCoreApplication::translate("Histavue", kReportFontMissingMessage)
        .arg(QString::fromLatin1(kReportFixedFamily), QString::fromLatin1(kReportFixedPackage),
             standIn);
}

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

namespace {

bool Failed(const PrintOutput& output, QString* error) {
    if (error != nullptr)
        *error = output.Error();
    return false;
}

}  // namespace

bool PrintReportPages(QPrinter* printer, const RecordTable& table,
                      const ReportPrintMetrics& metrics, QString* error) {
    int from = 1;
    int to = metrics.pageCount;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = std::max(1, printer->fromPage());
        to = std::min(metrics.pageCount, std::max(from, printer->toPage()));
    }
    PrintOutput output(printer);
    QPainter painter;
    if (!output.Begin(&painter))
        return Failed(output, error);
    for (int page = from; page <= to; ++page) {
        if (page > from)
            output.NewPage();
        PrintReportPage(painter, table, metrics, page);
    }
    return output.End(&painter) || Failed(output, error);
}

namespace {

// Draws window's own children at their places, each through its own painting: the plot and the
// labels draw lines and texts onto the printer's painter, so the page stays vector.
void RenderChildren(QPainter& painter, QWidget* window) {
    painter.fillRect(QRect(QPoint(0, 0), window->size()),
                     window->palette().brush(window->backgroundRole()));
    for (QObject* object : window->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow() || !child->isVisibleTo(window))
            continue;
        const QRect place = child->geometry();
        if (auto* label = qobject_cast<QLabel*>(child)) {
            if (label->autoFillBackground())
                painter.fillRect(place, label->palette().brush(label->backgroundRole()));
            painter.save();
            painter.setFont(label->font());
            painter.setPen(label->palette().color(label->foregroundRole()));
            const QRect text = label->contentsRect().translated(place.topLeft());
            const int margin = label->margin();
            painter.drawText(text.adjusted(margin, margin, -margin, -margin),
                             static_cast<int>(label->alignment()) |
                                 (label->wordWrap() ? int(Qt::TextWordWrap) : 0),
                             label->text());
            painter.restore();
        } else {
            child->render(&painter, place.topLeft());
        }
    }
}

}  // namespace

void RenderChart(QPainter& painter, QWidget* chart, const QRect& target) {
    const QSize size = chart->size().isEmpty() ? QSize(800, 600) : chart->size();
    const double scale =
        std::min(target.width() / double(size.width()), target.height() / double(size.height()));
    const QSizeF fitted(size.width() * scale, size.height() * scale);
    const QRectF place(target.left() + (target.width() - fitted.width()) / 2,
                       target.top() + (target.height() - fitted.height()) / 2, fitted.width(),
                       fitted.height());
    painter.save();
    painter.translate(place.topLeft());
    painter.scale(scale, scale);
    // A window of its own drawing (a plot alone) draws itself; a window of parts draws them.
    if (chart->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        chart->render(&painter, QPoint(0, 0));
    else
        RenderChildren(painter, chart);
    painter.restore();
}

bool PrintChart(QPrinter* printer, QWidget* chart, QString* error) {
    // Texts take their point sizes at the device's resolution: at the chart's own, they keep
    // their size beside the lines when the page is scaled to fit.
    printer->setResolution(chart->logicalDpiY());
    PrintOutput output(printer);
    QPainter painter;
    if (!output.Begin(&painter))
        return Failed(output, error);
    RenderChart(
        painter, chart,
        QRect(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size()));
    return output.End(&painter) || Failed(output, error);
}
