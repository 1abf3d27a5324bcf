// Draws the printed report: BeginReportPrint measures a job on the page it is given, and
// PrintReportPage draws one page of it with any QPainter (a printer, a PDF writer, the preview).
// Lengths are in the page's device units; the fonts are sized for the page's resolution.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

#include "report_layout.h"

class QPainter;

// Resolution the report is laid out at, whatever the printer's own: the fixed distances of the
// layout (the footer 120 units above the bottom, the remark lines 80 units up, the table's
// 20-unit inset) are meant for a printer of this resolution, and at 1200 dpi the footer would
// run off the paper.
constexpr int kReportDpi = 600;

// The metrics of one print job, measured at its beginning.
struct ReportPrintMetrics {
    QSize page;               // printable area, device units
    int dpi = kReportDpi;     // its resolution
    int32_t lineHeight = 0;   // height plus leading of the 12-point fixed font
    int32_t tableWidth = 0;   // width of the caption line in that font
    int32_t rowsPerPage = 0;  // R; a page holds R - 1 rows
    int32_t remarkRaise = 0;  // lines a long remark moves up by (and the table gives up)
    int32_t pageCount = 0;    // 0 when the page holds no row
    std::vector<ReportColumn> columns;
    std::vector<int32_t> columnX;   // left edge of each column's text, from the table's text edge
    std::vector<ReportBand> bands;  // the columns of each page across; one when the table fits
    int32_t leftOut = 0;            // channels past the last band (kReportMaxBands), not printed
    QRect paper;  // the whole sheet, around the printable area whose top left is (0, 0)
};

// Fonts of the report at a resolution: the fixed-pitch font for title, footer and remark, and the
// CJK serif font of the table. The fixed-pitch font is kReportFixedFamily, or the system's fixed
// font standing in for it when it is not installed.
QFont ReportFixedFont(int points, int dpi);
// The Latin family of ReportFixedFont, and the family that stands in for kReportFixedFamily
// (empty when that is installed), as found at the first call.
QString ReportFixedFamily();
QString ReportFixedStandIn();
QFont ReportTableFont(int points, int dpi);

// Measures a job on a printable area of page (device units at dpi): rebuilds the caption line
// (kept in the table as its print header), the line height, table width, margin, rows per page and
// page count (the row pages times the bands of channels across). The paper is taken to be the
// printable area. False when the page cannot hold a row (pageCount is 0 then).
bool BeginReportPrint(const QSize& page, int dpi, RecordTable* table, const CurveSettings& settings,
                      ReportPrintMetrics* metrics);

// Draws page (from 1) of a measured job: title and rule, the framed table with its caption line
// and rows (the time column and the page's band of channels), the company line, the page text
// and the remark; above the title, how many channels were left out, if any. Rows past the end print
// empty. The painter's origin is the printable area's.
void PrintReportPage(QPainter& painter, const RecordTable& table, const ReportPrintMetrics& metrics,
                     int page);

// The fixed company line of the footer.
extern const char kReportCompanyLine[];
