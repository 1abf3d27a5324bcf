// The tables of an alarm analysis as CSV text (UTF-8, a header line, one row a line): the key
// figures against their targets, and the figures of each alarm ID.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "alarm_analysis.h"

namespace alarms {

// A cell as CSV holds it: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line end; else as it is.
std::string CsvCell(std::string_view text);

// Times as records give them ("YYYY-MM-DD hh:mm:ss"); empty for kNoTime.
std::string AlarmTimeText(int64_t seconds);

// Columns: figure, value, at, target, manageable, verdict ("met", "manageable", "missed", or
// empty where the figure has no target). A figure with no value (no acknowledged alarm for
// its times) has an empty value.
void WriteKeyFiguresCsv(std::ostream& out, const AlarmAnalysis& analysis);

// Columns: id, alarms, share_percent, first, last, chatter_episodes, ack_median_seconds,
// ack_longest_seconds, clear_median_seconds, clear_longest_seconds, standing_at_end (yes/no),
// message.
void WriteAlarmIdsCsv(std::ostream& out, const AlarmAnalysis& analysis);

}  // namespace alarms
