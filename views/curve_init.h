// Deriving the curve settings of a freshly loaded report: the record interval, the first and
// last times, the row of a time, and the reset of every display setting.
#pragma once

#include <cstdint>
#include <string_view>

#include "calendar_time.h"
#include "curve_settings.h"
#include "record_table.h"
#include "record_time.h"

// True when the settings' report has rows but InitCurveSettings found no row whose time can be
// read: the report has no time range, and its curves stand on row numbers.
bool NoRowTimes(const CurveSettings& settings);

// Longest plotting interval, in seconds (one day).
constexpr int32_t kMaxQueryInterval = 86400;

// Seconds between records, estimated from the first 50 pairs of neighbouring rows: the smallest
// gap when it is positive and not above the mean of the positive gaps, else that mean; 1 when
// no positive gap was seen; never more than kMaxQueryInterval. A row whose time cannot be read
// takes no part; a pair that goes back in time is left out.
int32_t EstimateRecordInterval(const RecordTable& table);

// The rows of the chosen time range [start, end], both ends included: *first is the first row
// whose time is not before start, *last the last row whose time is not after end (a row whose
// time cannot be read is never an end). A start not after listStart is row 0 and an end not
// before listEnd the last row, so the whole range is the whole report. *last < *first when no
// row lies in the range.
void RangeRows(const RecordTable& table, int32_t rowCount, const CalendarTime& listStart,
               const CalendarTime& listEnd, const CalendarTime& start, const CalendarTime& end,
               int32_t* first, int32_t* last);

// Rebuilds the settings for a loaded table: one channel per channel name, all shown, colour i
// (i < 32, else 0) and line type i (i < 7, else 0), white background, both grids, automatic Y
// range 0..100, manual Y grid of 4, the whole time range at the estimated interval. The remark
// is kept.
void InitCurveSettings(CurveSettings* settings, const RecordTable& table);
