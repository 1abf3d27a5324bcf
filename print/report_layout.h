// The arithmetic of the printed report, apart from any paint device: the caption line of the
// table, the rows per page and the page count, the rows of a page and the remark lines. All
// lengths are in the device units of the page that is printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curve_settings.h"
#include "record_table.h"

// Lines of the page that are not table rows: four above the table, the caption line and its
// rule, and the remark and footer below it.
constexpr int kReportReservedLines = 11;
// Bytes of the remark that are printed, and bytes per remark line.
constexpr size_t kRemarkPrintBytes = 600;
constexpr size_t kRemarkLineBytes = 80;

// One column of the printed table: the list column it shows and its stretch of the caption line
// (the caption and the blanks after it).
struct ReportColumn {
    int32_t listColumn = 0;
    std::string caption;  // caption padded as it stands in the caption line
};

// The printed columns: the time column, then every shown channel in the settings' order whose
// list column exists. The time caption is filled up to 21 bytes when it has at most 19, else two
// blanks follow it; a channel caption is filled up to 8 bytes when it has at most 6, else two
// blanks follow it.
std::vector<ReportColumn> ReportColumns(const RecordTable& table, const CurveSettings& settings);
// The caption line: the padded captions of the columns, joined.
std::string JoinCaptions(const std::vector<ReportColumn>& columns);

// Rows per page R from the printable height and the line height: (height - 11 lines) / line.
int32_t ReportRowsPerPage(int32_t printableHeight, int32_t lineHeight);
// Table rows on one page: R - 1 (none when R is below 2).
int32_t ReportRowsOnPage(int32_t rowsPerPage);
// Pages of a report of rowCount rows: the rows divided by the rows on a page, rounded up, and at
// least one; 0 when a page holds no row (R below 2), so that nothing is printed.
int32_t ReportPageCount(int32_t rowCount, int32_t rowsPerPage);
// First list row on page (counted from 1).
int32_t ReportFirstRow(int32_t page, int32_t rowsPerPage);
// Widest caption line the layout reckons with; wider lines are taken as this wide (their columns
// are dealt out to bands, so only the bands' widths matter).
constexpr int64_t kReportMaxWidth = INT32_MAX / 2;

// Left edge that centres a table of tableWidth on a printable width, or the page's left edge when
// the table is wider (a single channel too wide for the page).
int32_t ReportLeftMargin(int32_t printableWidth, int32_t tableWidth);

// What the table's frame adds to the width of its caption line: it ends 50 units past the line.
constexpr int32_t kReportFrameExtra = 50;

// The channels printed side by side on one page: printed columns [first, end) (indices into the
// ReportColumns list, the time column 0 not counted) after the time column, and the width of
// that part of the caption line with the time column's.
struct ReportBand {
    int32_t first = 1;
    int32_t end = 1;
    int32_t width = 0;
};

// Most bands of a table: a job of a row of pages prints at most so many pages across, so that
// a header of a million columns makes a job that ends. The channels beyond are left out, and the
// pages say how many.
constexpr int32_t kReportMaxBands = 2000;

// Bands of a table whose printed columns are widths wide (widths[0] the time column's) on a
// printable width. The table fits when its caption line is no wider than the printable width:
// then it is one band of all columns, laid out as the report's layout has it (centred by
// ReportLeftMargin, its frame kReportFrameExtra past the line's end). Otherwise the channels are
// dealt out in order to as many bands as it takes, each as many as fit beside the time column by
// the same rule; a channel too wide for a page on its own still gets a band. At most maxBands
// bands: the channels after the last one's end are left out. A table of the time column alone is
// one band. Empty when widths is.
std::vector<ReportBand> ReportBands(const std::vector<int32_t>& widths, int32_t printableWidth,
                                    int32_t maxBands = kReportMaxBands);

// Where page (from 1) of a table of bandCount bands stands: its row page and band (from 0). The
// pages go across the bands of the first rows, then on to the next rows, as spreadsheets print.
struct ReportPagePlace {
    int32_t rowPage = 0;
    int32_t band = 0;
};
ReportPagePlace ReportPageAt(int32_t page, int32_t bandCount);

// Left edge of the page number text of pageWidth in the footer of a table from left to right on
// paper paperWidth wide: right-aligned with the table, but never past the paper when the table
// is wider than it, and after the company line (companyWidth with its gap) when the table is
// narrower than the two.
int32_t ReportPageTextX(int32_t left, int32_t right, int32_t paperWidth, int32_t companyWidth,
                        int32_t pageWidth);

// Lines the table gives up on every page, and the remark moves up by, so that a remark of
// remarkLines lines ends above the footer line: the remark's "备注:" line stands 5 lines and 120
// units above the page's end, its lines follow from 80 units above the second line below it, and
// the footer stands 120 units above the end; lines are reckoned at lineHeight (the line spacing,
// not less than the text height the lines are drawn at). None for a remark that fits there; for
// a longer one the page holds fewer rows rather than text printed over text.
int32_t ReportRemarkRaise(int32_t remarkLines, int32_t lineHeight);

// The remark as printed: its first 600 bytes (not ending inside a character) cut into lines of
// 80 bytes by the line rule, length / 80 + 1 of them.
std::vector<std::string> ReportRemarkLines(const std::string& remark);
