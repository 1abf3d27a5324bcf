// Picking the plotted points of a report: the rows between the settings' start and end times,
// every rowStep rows, at most kMaxCurvePoints per channel.
#pragma once

#include <string_view>

#include "curve_settings.h"
#include "record_table.h"

// Most points a series holds.
constexpr int kMaxCurvePoints = 2000;

// The cell as a decimal number (TextNumber's rule), 0 when it is not one; pinned to the float
// range.
float CellNumber(std::string_view cell);

// Samples the points of every shown channel when settings->queryChanged is 1 or a shown channel
// lacks its points (it was ticked since the last sampling), else does nothing.
// Deletes every channel's points, then sets firstRow and lastRow (the rows of queryStart and
// queryEnd), rowStep (queryInterval / sourceInterval, at least 1) and pointCount (the rows of the
// range divided by rowStep, at most kMaxCurvePoints). When the range holds more points than that,
// pointStride spreads the kMaxCurvePoints over the whole range; else it is rowStep. Shown channel
// m then gets point p from row firstRow + p * pointStride, column m + 1. Clears queryChanged
// unless there is nothing to plot (pointCount 0).
void SamplePoints(CurveSettings* settings, const RecordTable& table);
