// Picking the plotted points of a report: the rows between the settings' start and end times,
// every rowStep rows, at most kMaxCurvePoints per channel.
#pragma once

#include <string_view>
#include <vector>

#include "curve_settings.h"
#include "record_table.h"

// Most points a series holds.
constexpr int kMaxCurvePoints = 2000;

// The cell as a plotted value: its number (WholeNumber's rule) pinned to the float range, or NaN
// when it holds none (an empty cell, text, "N/A", "12abc"), where the curve's line breaks.
float CellNumber(std::string_view cell);

// Samples the points of every shown channel when settings->queryChanged is 1 or a shown channel
// lacks its points (it was ticked since the last sampling), else does nothing.
// Deletes every channel's points, then sets firstRow and lastRow (the first and the last row of
// the range queryStart..queryEnd, both included (RangeRows); the whole report, 0 and
// rowCount - 1, when listEnd is not after listStart: one row, one time throughout, a clock set
// back by the last row or no readable time), rowStep (queryInterval / sourceInterval, at least 1)
// and pointCount (one point every rowStep rows of the range from its first, at most
// kMaxCurvePoints) and pointStride (the most rows between two neighbouring points). Shown channel
// m then gets point p from row PointRow(p), column m + 1. Clears queryChanged unless there is
// nothing to plot (pointCount 0).
void SamplePoints(CurveSettings* settings, const RecordTable& table);

// Rows of the sampled range: firstRow to lastRow, both included, but not more than rowCount
// (none when the start lies after the end).
int32_t SampledSpan(const CurveSettings& settings);

// The row that point p of the settings' sampling is read from. Every rowStep rows from firstRow
// while the range holds at most kMaxCurvePoints of them; beyond that the points spread evenly over
// the range so that the first is its first row and the last its last row, and nothing at its end
// goes undrawn. The curves, the envelope, the statistics of a span of points and the time axis
// all place their points here.
int32_t PointRow(const CurveSettings& settings, int32_t p);
// The row of every sampled point, in point order.
std::vector<int32_t> PointRows(const CurveSettings& settings);
