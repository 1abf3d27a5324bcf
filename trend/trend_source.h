// A group of a data store read for a trend: its channels from the captions, its time span from
// its partition folders, and its records gathered into the columns of a plot. It reads the store
// through the slot-free query, so it may run on a thread of its own beside the store functions.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "log_store.h"
#include "read_problem.h"
#include "trend_columns.h"

struct TrendGroup {
    std::string dataFolder;  // ends in a separator
    LogGroup group;
    std::string title;                  // the first header line of the first block
    std::vector<std::string> channels;  // the captions after "Time", bytes as stored
    TrendSeconds from = 0;              // the span of the folders asked for: [from, to)
    TrendSeconds to = 0;
};

// Seconds of a calendar time (TrendSeconds), and back.
bool TrendSecondsOf(const CalendarTime& t, TrendSeconds* seconds);
CalendarTime TrendTime(TrendSeconds seconds);
// "YYYY-MM-DD hh:mm:ss".
std::string TrendTimeText(TrendSeconds seconds);

// Opens a group of the store in dataFolder for a trend over one of its folders ("2024\03\01",
// empty for the whole group: from its first folder to the end of its last). False, with the
// reason in *error, when the group is not in the root index, has no folders there, or no record
// to read its captions from.
bool OpenTrendGroup(const std::string& dataFolder, const std::string& groupName,
                    const std::string& treePath, TrendGroup* out, std::string* error);

class SummaryGroup;

// Gathers columns' span from the group's summaries, reading the store where the summaries do not
// settle a column, and where a folder is not summarised yet when readUnsummarised is set (else
// its columns stay empty, the lines broken across them). The same columns as ReadTrend. False
// when cancel (when given) became true.
bool ReadTrendSummaries(const SummaryGroup& summaries, TrendColumns* columns, bool readUnsummarised,
                        const std::atomic<bool>* cancel = nullptr);

// Reads every record of the group in columns' span into columns. False when cancel became true
// (columns then holds what was read so far) or the query failed; problem, when given, receives
// what could not be read.
bool ReadTrend(const TrendGroup& group, TrendColumns* columns, const std::atomic<bool>* cancel,
               ReadProblem* problem = nullptr);
