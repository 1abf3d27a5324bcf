// The arithmetic of the printed report: pages, rows of a page, the caption line and the remark.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "curve_init.h"
#include "report_font.h"
#include "report_layout.h"
#include "table_support.h"

namespace {

std::unique_ptr<RecordTable> Table(const std::string& header) {
    return TableOf("Title\n" + header + "\n2024-01-01 00:00:00,1,2,3\n");
}

TEST(ReportPages, CountRoundsUpAndNeverPrintsABlankPage) {
    struct Case {
        int rows, rowsPerPage, pages;
    };
    const Case cases[] = {
        {98, 50, 2},              // two full pages of 49: no blank third page
        {100, 50, 3},             // page 3 holds rows 98 and 99
        {0, 50, 1},               // an empty report still prints its frame once
        {1, 2, 1},                // the smallest page holds one row
        {3, 2, 3},    {5, 1, 0},  // no row fits: nothing is printed
        {5, 0, 0},    {5, -3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportPageCount(c.rows, c.rowsPerPage), c.pages)
            << c.rows << " rows, R " << c.rowsPerPage;
    EXPECT_EQ(ReportFirstRow(1, 50), 0);
    EXPECT_EQ(ReportFirstRow(3, 50), 98);
    EXPECT_EQ(ReportRowsOnPage(50), 49);
}

TEST(ReportPages, RowsPerPageLeavesElevenLinesAndMarginCentres) {
    EXPECT_EQ(ReportRowsPerPage(61 * 10, 10), 50);
    EXPECT_EQ(ReportRowsPerPage(61 * 10 + 9, 10), 50);  // integer division
    EXPECT_EQ(ReportRowsPerPage(12 * 10, 10), 1);
    EXPECT_EQ(ReportRowsPerPage(100, 0), 0);
    EXPECT_EQ(ReportLeftMargin(1000, 600), 200);
    EXPECT_EQ(ReportLeftMargin(500, 600), 0);  // a wider table keeps its time column
}

TEST(ReportPages, ChannelsTooWideForThePageContinueOnPagesAcross) {
    struct Case {
        std::vector<int32_t> widths;  // time column first
        int32_t page;
        std::vector<std::vector<int32_t>> bands;  // {first, end, width}
        int32_t maxBands = kReportMaxBands;
    };
    const Case cases[] = {
        // A table whose caption line fits the page is one band, as wide as the line, although
        // its frame reaches 50 units past the line's end.
        {{200, 100, 100}, 500, {{1, 3, 400}}},
        {{200, 100, 100}, 400, {{1, 3, 400}}},
        {{200, 100, 100}, 399, {{1, 2, 300}, {2, 3, 300}}},
        {{200, 100, 100, 100, 100, 100}, 500, {{1, 4, 500}, {4, 6, 400}}},
        // A channel wider than the page alone still prints, on a page of its own.
        {{200, 100, 900, 100}, 500, {{1, 2, 300}, {2, 3, 1100}, {3, 4, 300}}},
        {{200}, 100, {{1, 1, 200}}},  // the time column alone
        // Past the most bands a job prints, the channels are left out.
        {{200, 100, 100, 100, 100, 100}, 500, {{1, 4, 500}}, 1},
        {{}, 500, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<int32_t>> bands;
        for (const ReportBand& b : ReportBands(c.widths, c.page, c.maxBands))
            bands.push_back({b.first, b.end, b.width});
        EXPECT_EQ(bands, c.bands) << c.widths.size() << " columns on " << c.page;
    }

    // Pages go across the bands of the first rows, then down: {page, bands, row page, band}.
    const int32_t places[][4] = {{1, 3, 0, 0}, {3, 3, 0, 2}, {4, 3, 1, 0},
                                 {8, 3, 2, 1}, {5, 1, 4, 0}, {1, 0, 0, 0}};
    for (const auto& p : places) {
        const ReportPagePlace place = ReportPageAt(p[0], p[1]);
        EXPECT_EQ(place.rowPage, p[2]) << "page " << p[0] << " of " << p[1] << " across";
        EXPECT_EQ(place.band, p[3]) << "page " << p[0] << " of " << p[1] << " across";
    }
}

TEST(ReportCaptionLine, PadsCaptionsAndShowsOnlyShownChannels) {
    auto table = Table("Time,T1,Pressure,abcdef");
    CurveSettings settings;
    InitCurveSettings(&settings, *table);
    std::string line = JoinCaptions(ReportColumns(*table, settings));
    EXPECT_EQ(line, "Time                 T1      Pressure  abcdef  ");

    // Hiding a channel drops its column; the list columns of the others stay.
    settings.channels.front().show = 0;
    std::vector<ReportColumn> columns = ReportColumns(*table, settings);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[1].listColumn, 2);
    EXPECT_EQ(columns[2].listColumn, 3);
    EXPECT_EQ(JoinCaptions(columns), "Time                 Pressure  abcdef  ");

    // A channel whose column does not exist is skipped.
    settings.channels.back().index = 9;
    EXPECT_EQ(ReportColumns(*table, settings).size(), 2u);

    // A first caption of 20 bytes gets two blanks; of 19 it is filled to 21.
    auto wide = Table(std::string(20, 'x') + ",a");
    CurveSettings s2;
    InitCurveSettings(&s2, *wide);
    EXPECT_EQ(ReportColumns(*wide, s2)[0].caption, std::string(20, 'x') + "  ");
    auto narrow = Table(std::string(19, 'x') + ",a");
    InitCurveSettings(&s2, *narrow);
    EXPECT_EQ(ReportColumns(*narrow, s2)[0].caption, std::string(19, 'x') + "  ");
    EXPECT_EQ(ReportColumns(*narrow, s2)[1].caption, "a       ");
}

TEST(ReportPages, PageNumberStaysOnThePaperAndClearOfTheCompanyLine) {
    // {left, right, paper, company, page text, x}
    const int cases[][6] = {
        {100, 900, 1000, 300, 200, 700},  // right-aligned with the table
        {0, 1500, 1000, 300, 200, 800},   // a table wider than the paper
        {300, 500, 1000, 300, 200, 600},  // a narrow table: after the company line
        {300, 500, 650, 300, 200, 450},   // ... but not off the paper
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReportPageTextX(c[0], c[1], c[2], c[3], c[4]), c[5]) << c[0] << "-" << c[1];
}

TEST(ReportFont, FixedFaceIsChosenByNameAndTheSystemsStandsInWhenMissing) {
    struct Case {
        std::vector<std::string> installed;
        std::string chosen;
    };
    const Case cases[] = {
        {{"Noto Sans Mono", "DejaVu Sans Mono", "DejaVu Sans"}, "DejaVu Sans Mono"},
        {{"dejavu sans mono"}, "DejaVu Sans Mono"},
        {{"Noto Sans Mono", "DejaVu Sans", "DejaVu Sans Mono X"}, "System Mono"},
        {{}, "System Mono"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseReportFixedFamily(c.installed, "System Mono"), c.chosen)
            << c.installed.size() << " installed";
    EXPECT_STREQ(kReportFixedFamily, "DejaVu Sans Mono");
}

TEST(ReportRemark, ALongRemarkMovesUpRatherThanRunIntoTheFooter) {
    // {lines, line height, lines raised}: 100 units a line leaves room for three lines.
    const int cases[][3] = {{1, 100, 0}, {3, 100, 0}, {4, 100, 1}, {8, 100, 5},
                            {4, 60, 0},  {8, 60, 4},  {8, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ReportRemarkRaise(c[0], c[1]), c[2]) << c[0] << " lines of " << c[1];
}

TEST(ReportRemark, EightyBytesALineNeverSplittingACharacter) {
    std::vector<std::string> lines = ReportRemarkLines(std::string(100, 'r'));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 80u);
    EXPECT_EQ(lines[1].size(), 20u);

    // A double-byte character across byte 80 goes whole to the first line.
    const std::string gb = std::string(79, 'a') + "\xB1\xB8" + std::string(9, 'b');
    lines = ReportRemarkLines(gb);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(79, 'a') + "\xB1\xB8");
    EXPECT_EQ(lines[1], std::string(9, 'b'));

    // Only the first 600 bytes print: eight lines at most.
    EXPECT_EQ(ReportRemarkLines(std::string(1000, 'r')).size(), 8u);
    EXPECT_EQ(ReportRemarkLines("").size(), 1u);
}

}  // namespace
