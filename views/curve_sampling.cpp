#include "curve_sampling.h"

#include <algorithm>
#include <cfloat>
#include <limits>

#include "curve_dialog_rules.h"
#include "curve_init.h"

float CellNumber(std::string_view cell) {
    double v = 0.0;
    if (!WholeNumber(cell, &v))
        return std::numeric_limits<float>::quiet_NaN();
    // Beyond the float range the point is pinned to its edge rather than overflowing.
    return static_cast<float>(std::clamp(v, -double(FLT_MAX), double(FLT_MAX)));
}

void SamplePoints(CurveSettings* s, const RecordTable& table) {
    // A channel ticked after the last sampling has no points yet: sample again for it too, or
    // its curve would stay empty until the range changes.
    bool stale = s->queryChanged == 1;
    for (const CurveChannel& c : s->channels) {
        if (c.show == 1 && s->pointCount > 0 &&
            c.points.size() != static_cast<size_t>(s->pointCount))
            stale = true;
    }
    if (!stale)
        return;
    for (CurveChannel& c : s->channels)
        c.points.clear();
    uint64_t listStart = 0;
    uint64_t listEnd = 0;
    if (CalendarToFileTime(s->listStart, &listStart) && CalendarToFileTime(s->listEnd, &listEnd) &&
        listEnd > listStart) {
        RangeRows(table, s->rowCount, s->listStart, s->listEnd, s->queryStart, s->queryEnd,
                  &s->firstRow, &s->lastRow);
    } else {
        // Times that do not rise from the first row to the last cannot be searched by order:
        // the rows are taken by position, the whole report.
        s->firstRow = 0;
        s->lastRow = s->rowCount - 1;
    }
    const int32_t span = SampledSpan(*s);
    s->rowStep = s->sourceInterval > 0 ? s->queryInterval / s->sourceInterval : 0;
    if (s->rowStep <= 0)
        s->rowStep = 1;
    // Every rowStep-th row of the range from its first, the last of them however close it lies
    // to the range's end.
    s->pointCount = static_cast<int32_t>((int64_t{span} + s->rowStep - 1) / s->rowStep);
    if (s->pointCount == 0)
        return;
    if (s->pointCount > kMaxCurvePoints) {
        s->pointCount = kMaxCurvePoints;
        // Points spread over the range lie span / pointCount rows apart, give or take one.
        s->pointStride =
            static_cast<int32_t>((span - 1 + (kMaxCurvePoints - 2)) / (kMaxCurvePoints - 1));
    } else {
        s->pointStride = s->rowStep;
    }
    const std::vector<int32_t> rows = PointRows(*s);
    // Each point's row is read once, its cells found in one pass: a cell looked up on its own
    // walks its row from the start, which for thousands of channels is quadratic in them.
    std::vector<CurveChannel*> shown;
    std::vector<int32_t> columns;  // of the shown channels: channel ordinal m is column m + 1
    int32_t m = 0;
    for (CurveChannel& c : s->channels) {
        ++m;
        if (c.show == 1) {
            c.points.resize(static_cast<size_t>(s->pointCount));
            shown.push_back(&c);
            columns.push_back(m);
        }
    }
    const int32_t wanted = columns.empty() ? 1 : columns.back() + 1;
    std::vector<std::string_view> cells;
    for (int32_t p = 0; p < s->pointCount; ++p) {
        table.RowCells(rows[static_cast<size_t>(p)], wanted, &cells);
        CalendarTime time;
        if (!cells.empty() && !cells[0].empty())
            ParseRowTime(cells[0], &time);
        for (size_t i = 0; i < shown.size(); ++i) {
            const size_t column = static_cast<size_t>(columns[i]);
            CurvePoint& point = shown[i]->points[static_cast<size_t>(p)];
            point.channelOrdinal = columns[i] - 1;
            point.pointNumber = p;
            point.value = CellNumber(column < cells.size() ? cells[column] : std::string_view());
            point.time = time;
        }
    }
    s->queryChanged = 0;
}

int32_t SampledSpan(const CurveSettings& s) {
    // A start after the end (possible from a configuration file) is an empty range.
    return static_cast<int32_t>(
        std::max<int64_t>(0, std::min<int64_t>(int64_t{s.lastRow} - s.firstRow + 1, s.rowCount)));
}

int32_t PointRow(const CurveSettings& s, int32_t p) {
    const int32_t step = std::max(1, s.rowStep);
    const int64_t span = SampledSpan(s);
    if (s.pointCount < 2 || (span + step - 1) / step <= s.pointCount)
        return static_cast<int32_t>(s.firstRow + int64_t{p} * step);
    // Spread: the first and the last row of the range are both points.
    return static_cast<int32_t>(s.firstRow + int64_t{p} * (span - 1) / (s.pointCount - 1));
}

std::vector<int32_t> PointRows(const CurveSettings& s) {
    std::vector<int32_t> rows(static_cast<size_t>(std::max(0, s.pointCount)));
    for (size_t p = 0; p < rows.size(); ++p)
        rows[p] = PointRow(s, static_cast<int32_t>(p));
    return rows;
}
