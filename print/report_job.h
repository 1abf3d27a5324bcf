// Print jobs on a QPrinter: the report pages of a view's table, and the drawn chart fitted to the
// page. The messages of printing live here.
#pragma once

#include <QString>

#include "report_printer.h"

class QPrinter;
class QWidget;

// No drawn chart to print.
extern const char kNoCurveToPrintMessage[];
// The printer or the PDF file could not be written to.
extern const char kPrintFailedMessage[];
// A print to a file would replace the document's own working file.
extern const char kPrintOntoRecordFileMessage[];
// The page cannot hold a single report row.
extern const char kPaperTooSmallMessage[];
// The report's fixed-pitch font is not installed: %1 the font, %2 its Debian package, %3 the font
// that stands in for it.
extern const char kReportFontMissingMessage[];

// kReportFontMissingMessage, translated and filled in, when another font stands in for the
// report's fixed-pitch font; empty when that is installed.
QString ReportFontWarning();

// Measures the job on printer's printable area (laid out at kReportDpi) into metrics, with the
// printer's sheet as its paper. False when the page holds no row.
bool BeginReportJob(QPrinter* printer, RecordTable* table, const CurveSettings& settings,
                    ReportPrintMetrics* metrics);

// Prints the pages of a measured job that the printer's page range asks for (all when it asks
// for none). A PDF file is written whole or not at all (PrintOutput). False when the printer
// cannot be painted on or the file cannot be written, with the system's reason in *error when
// given.
bool PrintReportPages(QPrinter* printer, const RecordTable& table,
                      const ReportPrintMetrics& metrics, QString* error = nullptr);

// Draws chart onto one page of printer as lines and texts, scaled to fit the printable area and
// centred. Sets the printer's resolution to the chart's. A PDF file is written whole or not at
// all. False when the printer cannot be painted on or the file cannot be written, with the
// system's reason in *error when given.
bool PrintChart(QPrinter* printer, QWidget* chart, QString* error = nullptr);
// Draws chart scaled to fit target on painter: a chart view, or a window of a chart view and
// labels, as lines and texts (other child widgets as pixels). Texts come out at their size beside
// the lines only when the painter's device has the chart's resolution.
void RenderChart(QPainter& painter, QWidget* chart, const QRect& target);
