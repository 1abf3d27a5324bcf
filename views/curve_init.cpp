#include "curve_init.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "plain_csv.h"

namespace {

bool CellFileTime(const RecordTable& table, int32_t row, uint64_t* fileTime) {
    CalendarTime t;
    return ParseRowTime(table.Cell(row, 0), &t) && CalendarToFileTime(t, fileTime);
}

}  // namespace

bool NoRowTimes(const CurveSettings& settings) {
    return settings.rowCount > 0 && !IsValidCalendarTime(settings.listStart);
}

int32_t EstimateRecordInterval(const RecordTable& table) {
    // The first 50 pairs of neighbouring rows. A row whose time cannot be read takes no part:
    // the pair runs from the last readable time to the next one. Pairs beyond the end of a short
    // list count as gap 0, so a short list yields its mean gap.
    const int32_t rows = table.RowCount();
    uint64_t previous = 0;
    bool havePrevious = false;
    int64_t minimum = INT64_MAX;
    int64_t sum = 0;
    int64_t count = 0;
    for (int32_t k = 0; k <= 50; ++k) {
        uint64_t next = 0;
        if (k >= rows) {
            if (havePrevious)
                minimum = 0;
            continue;
        }
        if (!CellFileTime(table, k, &next)) {
            continue;
        }
        if (havePrevious && next >= previous) {
            const int64_t gap = static_cast<int64_t>((next - previous) / kFileTimeUnitsPerSecond);
            if (gap < minimum)
                minimum = gap;
            if (gap >= 1) {
                sum += gap;
                ++count;
            }
        }
        previous = next;
        havePrevious = true;
    }
    if (count == 0 || sum / count == 0) {
        return 1;
    }
    const int64_t mean = sum / count;
    const int64_t interval = minimum > 0 && minimum <= mean ? minimum : mean;
    return interval > kMaxQueryInterval ? kMaxQueryInterval : static_cast<int32_t>(interval);
}

void RangeRows(const RecordTable& table, int32_t rowCount, const CalendarTime& listStart,
               const CalendarTime& listEnd, const CalendarTime& start, const CalendarTime& end,
               int32_t* first, int32_t* last) {
    uint64_t from = 0;
    uint64_t to = 0;
    uint64_t listFrom = 0;
    uint64_t listTo = 0;
    CalendarToFileTime(start, &from);
    CalendarToFileTime(end, &to);
    CalendarToFileTime(listStart, &listFrom);
    CalendarToFileTime(listEnd, &listTo);
    // Each end is searched from its own side, so a range near either end of a long report reads
    // few times; a clock set back within the report still finds the outermost rows in the range.
    *first = 0;
    if (from > listFrom) {
        for (uint64_t t = 0; *first < rowCount; ++*first) {
            if (CellFileTime(table, *first, &t) && t >= from)
                break;
        }
    }
    *last = rowCount - 1;
    if (to < listTo) {
        for (uint64_t t = 0; *last >= 0; --*last) {
            if (CellFileTime(table, *last, &t) && t <= to)
                break;
        }
    }
}

void InitCurveSettings(CurveSettings* s, const RecordTable& table) {
    s->channels.clear();
    s->title = table.Title();
    const auto& names = table.ChannelNames();
    s->channelCount = table.ColumnCount() > 0 ? table.ColumnCount() - 1 : 0;
    s->shownCount = s->channelCount;
    s->backgroundColor = 29;
    s->gridMode = 0;
    s->yAxisMode = 0;
    s->yMin = 0.0;
    s->yMax = 100.0;
    s->yGridMode = 1;
    s->yGridInterval = 4.0;
    s->rowCount = table.RowCount();
    // The list's time span runs from the first to the last row whose time can be read.
    CalendarTime first;
    CalendarTime last;
    for (int32_t r = 0; r < table.RowCount() && !ParseRowTime(table.Cell(r, 0), &first); ++r) {
    }
    for (int32_t r = table.RowCount() - 1; r >= 0 && !ParseRowTime(table.Cell(r, 0), &last); --r) {
    }
    s->queryStart = s->listStart = first;
    s->queryEnd = s->listEnd = last;
    s->sourceInterval = EstimateRecordInterval(table);
    s->queryInterval = s->sourceInterval;
    s->queryChanged = 1;
    s->pointCount = 0;
    s->pointStride = 1;
    s->rowStep = 1;
    s->firstRow = 0;
    s->lastRow = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        CurveChannel c;
        c.SetName(names[i]);
        c.index = static_cast<int32_t>(i);
        c.showIndex = c.index;
        c.colorIndex = i < 32 ? c.index : 0;
        c.lineType = i < 7 ? c.index : 0;
        c.show = 1;
        s->channels.push_back(std::move(c));
    }
}
