// The time cell of a record line: the recorder's own "YYYY-MM-DD hh:mm:ss" and the forms that
// spreadsheet programs and pandas write when a record file passes through them.
#pragma once

#include <string_view>

#include "calendar_time.h"

// True when the cell is a record time: a date of digits separated by "-", "/" or "." and a time
// of hours and minutes, seconds optional (2024-01-01 08:00:00, 2024/1/1 8:00, 2024-01-01T08:00),
// as this program and spreadsheet programs write it; a "\r" after it and quotes around it are
// allowed.
bool IsRecordTime(std::string_view cell);

// Reads a record time written year first: a year of four digits, month and day of one or two
// separated by the same "-", "/" or ".", then " " or "T", hours and minutes, seconds optional,
// of one or two digits each, and fractions of a second, which are dropped (2024-02-28 12:00:00,
// 2024/2/28 12:00, 2024-02-28T12:00:00.5). fields receives year, month, day, hour, minute and
// second (0 when the cell has none), not checked against the calendar. False when the cell is
// not in that form.
bool ReadRecordTime(std::string_view cell, int fields[6]);

// Reads a time cell "YYYY-MM-DD hh:mm:ss" (fields as sscanf's %d reads them) or a time that
// ReadRecordTime reads (2024-02-28T12:00:00, 2024/2/28 12:00). False when the cell holds neither
// or its fields are not a valid time.
bool ParseRowTime(std::string_view cell, CalendarTime* time);
