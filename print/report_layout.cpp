#include "report_layout.h"

#include <algorithm>
#include <cstdio>

#include "line_rule.h"

namespace {

std::string Padded(const std::string& caption, size_t fillTo, size_t fillWhenAtMost) {
    if (caption.size() <= fillWhenAtMost)
        return caption + std::string(fillTo - caption.size(), ' ');
    return caption + "  ";
}

}  // namespace

std::vector<ReportColumn> ReportColumns(const RecordTable& table, const CurveSettings& settings) {
    std::vector<ReportColumn> columns;
    if (table.ColumnCount() == 0)
        return columns;
    columns.push_back({0, Padded(table.Caption(0), 21, 19)});
    for (const CurveChannel& channel : settings.channels) {
        const int32_t column = channel.index + 1;
        if (channel.show != 1 || channel.index < 0 || column >= table.ColumnCount())
            continue;
        columns.push_back({column, Padded(table.Caption(column), 8, 6)});
    }
    return columns;
}

std::string JoinCaptions(const std::vector<ReportColumn>& columns) {
    std::string line;
    for (const ReportColumn& column : columns)
        line += column.caption;
    return line;
}

int32_t ReportRowsPerPage(int32_t printableHeight, int32_t lineHeight) {
    if (lineHeight <= 0)
        return 0;
    return (printableHeight - kReportReservedLines * lineHeight) / lineHeight;
}

int32_t ReportPageTextX(int32_t left, int32_t right, int32_t paperWidth, int32_t companyWidth,
                        int32_t pageWidth) {
    const int32_t alignedRight = std::min(right, paperWidth) - pageWidth;
    return std::min(std::max(alignedRight, left + companyWidth),
                    std::max(0, paperWidth - pageWidth));
}

int32_t ReportRemarkRaise(int32_t remarkLines, int32_t lineHeight) {
    if (lineHeight <= 0 || remarkLines <= 0)
        return 0;
    // How far the last remark line's bottom would reach past the footer's top.
    const int64_t overflow = int64_t{remarkLines + 2} * lineHeight - 80 - int64_t{5} * lineHeight;
    return overflow <= 0 ? 0 : static_cast<int32_t>((overflow + lineHeight - 1) / lineHeight);
}

int32_t ReportRowsOnPage(int32_t rowsPerPage) {
    return rowsPerPage < 2 ? 0 : rowsPerPage - 1;
}

int32_t ReportPageCount(int32_t rowCount, int32_t rowsPerPage) {
    const int32_t onPage = ReportRowsOnPage(rowsPerPage);
    if (onPage == 0)
        return 0;
    return std::max<int32_t>(1, (std::max<int32_t>(rowCount, 0) + onPage - 1) / onPage);
}

int32_t ReportFirstRow(int32_t page, int32_t rowsPerPage) {
    return (page - 1) * ReportRowsOnPage(rowsPerPage);
}

int32_t ReportLeftMargin(int32_t printableWidth, int32_t tableWidth) {
    return std::max<int32_t>(0, (printableWidth - tableWidth) / 2);
}

std::vector<ReportBand> ReportBands(const std::vector<int32_t>& widths, int32_t printableWidth,
                                    int32_t maxBands) {
    std::vector<ReportBand> bands;
    if (widths.empty())
        return bands;
    // A band fits when its caption line does: it is then centred and framed as a table of its
    // own, whose frame may reach past the printable width by up to kReportFrameExtra.
    auto fits = [&](int64_t width) { return width <= printableWidth; };
    const int32_t count = static_cast<int32_t>(widths.size());
    ReportBand band{1, 1, widths[0]};
    for (int32_t c = 1; c < count; ++c) {
        if (band.end > band.first && !fits(int64_t{band.width} + widths[c])) {
            bands.push_back(band);
            if (static_cast<int32_t>(bands.size()) >= maxBands)
                return bands;
            band = {c, c, widths[0]};
        }
        band.end = c + 1;
        band.width =
            static_cast<int32_t>(std::min(int64_t{band.width} + widths[c], kReportMaxWidth));
    }
    bands.push_back(band);
    return bands;
}

ReportPagePlace ReportPageAt(int32_t page, int32_t bandCount) {
    if (bandCount <= 0 || page <= 0)
        return {};
    return {(page - 1) / bandCount, (page - 1) % bandCount};
}

std::vector<std::string> ReportRemarkLines(const std::string& remark) {
    return CutTextLines(CutToCharacters(remark, kRemarkPrintBytes), kRemarkLineBytes);
}
