// A record file and a configuration file through everything the curves and the printout work out
// before they paint: the table, the curve settings with the file's settings read over them, the
// sampled points, the Y axis, the time labels, the statistics and envelopes, and the print
// layout's columns, bands, pages and remark lines. Whatever the two files hold, the results stay
// within their bounds (points within the rows, bands that cover the channels in order, pages
// that end) and every input finishes in time (run_fuzzers.sh gives each a time limit).
//
// Input: one byte of choices (the time axis, the envelope, a page size), two bytes (little
// endian) of .ini length, the .ini, then the record file.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "config_file.h"
#include "curve_chart_plan.h"
#include "curve_init.h"
#include "curve_sampling.h"
#include "curve_settings.h"
#include "fuzz_support.h"
#include "ini_file.h"
#include "range_stats.h"
#include "record_table.h"
#include "report_layout.h"

namespace {

// Pages the layout is tried on: {printable width, height, line height}, as at 600 dpi.
constexpr int32_t kPages[][3] = {
    {4760, 6680, 120}, {6680, 4760, 120}, {1000, 1500, 120}, {300, 100, 120}};
// Width of one byte of a caption in the fixed font.
constexpr int32_t kByteWidth = 60;

void CheckCurves(CurveSettings* s, const RecordTable& table) {
    SamplePoints(s, table);
    FUZZ_CHECK(s->pointCount >= 0 && s->pointCount <= kMaxCurvePoints);
    const std::vector<int32_t> rows = PointRows(*s);
    FUZZ_CHECK(rows.size() == static_cast<size_t>(s->pointCount));
    for (size_t p = 0; p < rows.size(); ++p) {
        FUZZ_CHECK(rows[p] >= 0 && rows[p] <= table.RowCount());
        FUZZ_CHECK(p == 0 || rows[p] > rows[p - 1]);
    }
    std::vector<int32_t> columns;
    const CurveChannel* first = nullptr;
    for (const CurveChannel& c : s->channels) {
        if (c.show != 1)
            continue;
        FUZZ_CHECK(c.points.size() <= static_cast<size_t>(s->pointCount));
        columns.push_back(c.index + 1);
        if (first == nullptr)
            first = &c;
    }
    for (int32_t t : TimeLabelPoints(s->pointCount))
        FUZZ_CHECK(t >= 0 && t < s->pointCount);
    FooterEntries(s->remark);

    const YAxisPlan y = PlanYAxis(*s, s->yAxisMode);
    if (y.manualGrid) {
        FUZZ_CHECK(std::isfinite(y.spacing) && y.spacing > 0.0);
        // A grid the chart can draw: a bounded number of lines over a range it shows.
        if (std::isfinite(y.max - y.min) && y.max > y.min)
            FUZZ_CHECK((y.max - y.min) / y.spacing <= 1000.0);
    }

    if (first != nullptr && !first->points.empty()) {
        const TimeAxisPlan plan = PlanTimeAxis(first->points, s->sourceInterval, s->pointStride);
        FUZZ_CHECK(plan.x.size() == first->points.size());
        for (int32_t b : plan.breaks)
            FUZZ_CHECK(b >= 0 && static_cast<size_t>(b) <= plan.x.size());
        const auto [lo, hi] = std::minmax_element(plan.x.begin(), plan.x.end());
        // A few labels whatever the span (the rule asks for at most five steps): a label per
        // year of a span of centuries would be a black axis.
        const std::vector<AxisLabel> labels = TimeAxisLabels(plan.origin, *lo, *hi);
        FUZZ_CHECK(labels.size() <= 20);
    }

    const RowRange whole = RowsOfPoints(*s, 0, s->pointCount - 1);
    FUZZ_CHECK(whole.begin >= 0 && whole.begin <= whole.end && whole.end <= table.RowCount());
    for (const ChannelStats& stats : RangeStatistics(table, whole, columns)) {
        FUZZ_CHECK(stats.count >= 0 && stats.skipped >= 0 &&
                   stats.count + stats.skipped == whole.end - whole.begin);
        FUZZ_CHECK(stats.count == 0 || !(stats.min > stats.max));
    }
    if (!rows.empty()) {
        const std::vector<Envelope> envelopes = PointEnvelopes(table, rows, whole.end, columns);
        FUZZ_CHECK(envelopes.size() == columns.size());
        for (const Envelope& e : envelopes)
            FUZZ_CHECK(e.low.size() == rows.size() && e.high.size() == rows.size());
        const int32_t cut = RowsBeforeStop(table, whole, s->sourceInterval);
        FUZZ_CHECK(cut >= whole.begin && cut <= whole.end);
    }
}

void CheckLayout(const RecordTable& table, const CurveSettings& s) {
    const std::vector<ReportColumn> columns = ReportColumns(table, s);
    FUZZ_CHECK(JoinCaptions(columns).size() >= 8 * columns.size());
    std::vector<int32_t> widths;
    for (const ReportColumn& c : columns)
        widths.push_back(static_cast<int32_t>(std::min<size_t>(c.caption.size(), 1 << 20)) *
                         kByteWidth);
    for (const auto& page : kPages) {
        const std::vector<ReportBand> bands = ReportBands(widths, page[0]);
        FUZZ_CHECK(bands.empty() == columns.empty());
        FUZZ_CHECK(bands.size() <= static_cast<size_t>(kReportMaxBands));
        // The bands take the channels in order, each once, up to where they stop.
        int32_t next = 1;
        for (const ReportBand& b : bands) {
            FUZZ_CHECK(b.first == next && b.end >= b.first);
            FUZZ_CHECK(b.end > b.first || columns.size() <= 1);
            FUZZ_CHECK(b.width >= 0);
            next = b.end;
        }
        FUZZ_CHECK(bands.empty() || bands.size() == static_cast<size_t>(kReportMaxBands) ||
                   next == static_cast<int32_t>(columns.size()) ||
                   (columns.size() == 1 && next == 1));
        const int32_t rowsPerPage = ReportRowsPerPage(page[1], page[2]);
        const int32_t pages = ReportPageCount(table.RowCount(), rowsPerPage);
        FUZZ_CHECK(pages >= 0 && (pages == 0) == (ReportRowsOnPage(rowsPerPage) == 0));
        if (pages > 0 && !bands.empty()) {
            const int32_t last = ReportFirstRow(pages, rowsPerPage);
            FUZZ_CHECK(last >= 0 && (last < table.RowCount() || table.RowCount() == 0));
            const ReportPagePlace place = ReportPageAt(pages * static_cast<int32_t>(bands.size()),
                                                       static_cast<int32_t>(bands.size()));
            FUZZ_CHECK(place.rowPage == pages - 1);
        }
        const int32_t left = ReportLeftMargin(page[0], bands.empty() ? 0 : bands[0].width);
        FUZZ_CHECK(left >= 0 && left <= page[0]);
    }
    const std::vector<std::string> lines = ReportRemarkLines(table.Remark());
    FUZZ_CHECK(lines.size() >= 1 && lines.size() <= kRemarkPrintBytes / kRemarkLineBytes + 1);
    size_t printed = 0;
    for (const std::string& line : lines) {
        // A character across a line's end goes whole to it: three bytes more at most.
        FUZZ_CHECK(line.size() <= kRemarkLineBytes + 3);
        printed += line.size();
    }
    FUZZ_CHECK(printed <= std::min(table.Remark().size(), kRemarkPrintBytes));
    FUZZ_CHECK(ReportRemarkRaise(static_cast<int32_t>(lines.size()), 120) >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20))
        return 0;
    fuzzsupport::ByteReader in(data, size);
    const uint8_t choices = in.U8();
    size_t iniLength = 0;
    const char* ini = reinterpret_cast<const char*>(in.Bytes(in.U16(), &iniLength));
    size_t recordLength = 0;
    const char* record = reinterpret_cast<const char*>(in.Rest(&recordLength));

    auto text = std::make_shared<TextBuffer>();
    if (recordLength > 0 && !text->Append(record, static_cast<int64_t>(recordLength)))
        return 0;
    RecordTable table;
    if (!table.LoadTable(text))
        return 0;
    CurveSettings s;
    InitCurveSettings(&s, table);
    IniFile file;
    std::string title;
    std::string remark;
    if (file.OpenText(std::string(ini, iniLength)) && ReadConfig(file, &s, &title, &remark)) {
        // What the view does with the texts read: they become the report's.
        table.SetTitle(s.title);
        table.SetRemark(RemoveLineBreaks(s.remark));
        for (const CurveChannel& c : s.channels)
            table.SetCaption(c.index + 1, c.Name());
    }
    s.timeAxis = choices & 1;
    s.envelope = (choices >> 1) & 1;
    CheckCurves(&s, table);
    CheckLayout(table, s);
    return 0;
}
