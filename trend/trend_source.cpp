#include "trend_source.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "curve_dialog_rules.h"
#include "folder_list.h"
#include "plain_csv.h"
#include "store_query.h"
#include "summary_group.h"
#include "time_key.h"

namespace {

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder;
}

// The first or last deepest folder of a group below the key's levels, found by listing one
// level after the other.
bool EndFolder(const TrendGroup& g, TimeKey key, bool last, TimeKey* out) {
    while (key.count <= g.group.depth) {
        const std::string folder = GroupFolderPath(g.dataFolder, g.group.id, key, key.count);
        std::vector<uint16_t> values;
        const bool deepest = key.count == g.group.depth;
        if (!ListChildValues(folder, deepest, &values) || values.empty())
            return false;
        if (deepest) {
            key.value[key.count] = last ? values.back() : values.front();
            key.count = static_cast<uint16_t>(key.count + 1);
            break;
        }
        key.value[key.count] = last ? values.back() : values.front();
        key.count = static_cast<uint16_t>(key.count + 1);
    }
    *out = key;
    return true;
}

// The start of the folder at key (count = depth + 1 levels: year, month, day, hour) and the
// start of the one after it.
bool FolderSpan(const TimeKey& key, TrendSeconds* from, TrendSeconds* to) {
    const int levels = key.count;
    const int year = key.value[0];
    const int month = levels > 1 ? key.value[1] : 1;
    const int day = levels > 2 ? key.value[2] : 1;
    const int hour = levels > 3 ? key.value[3] : 0;
    if (!TrendSecondsOf(MakeCalendarTime(year, month, day, hour), from))
        return false;
    CalendarTime next;
    switch (levels) {
        case 1:
            next = MakeCalendarTime(year + 1, 1, 1);
            break;
        case 2:
            next = month == 12 ? MakeCalendarTime(year + 1, 1, 1)
                               : MakeCalendarTime(year, month + 1, 1);
            break;
        case 3:
            *to = *from + 86400;
            return true;
        default:
            *to = *from + 3600;
            return true;
    }
    return TrendSecondsOf(next, to);
}

struct HeaderReader {
    std::vector<std::string> lines;
};

void TakeHeader(void* context, const char* line, uint32_t length, int* stop) {
    auto* reader = static_cast<HeaderReader*>(context);
    reader->lines.emplace_back(line, length);
    if (reader->lines.size() >= 2)
        *stop = 1;
}

struct RecordReader {
    TrendColumns* columns;
    const std::atomic<bool>* cancel;
    std::vector<double> values;
    uint64_t lines = 0;
    bool cancelled = false;
};

void TakeRecord(void* context, const char* line, uint32_t length, int* stop) {
    auto* r = static_cast<RecordReader*>(context);
    if (r->lines++ < 2)
        return;  // the header lines
    if ((r->lines & 0xFFF) == 0 && r->cancel != nullptr && r->cancel->load()) {
        r->cancelled = true;
        *stop = 1;
        return;
    }
    const std::string_view text(line, length);
    const size_t comma = text.find(',');
    int fields[6];
    TrendSeconds t = 0;
    if (comma == std::string_view::npos || !ReadRecordTime(text.substr(0, comma), fields) ||
        !TrendSecondsOf(
            MakeCalendarTime(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]), &t))
        return;  // a line without a time is no record of the trend
    size_t at = comma + 1;
    for (double& v : r->values) {
        const size_t end = std::min(text.find(',', at), text.size());
        if (at > text.size() || !WholeNumber(text.substr(at, end - at), &v))
            v = NAN;
        at = end + 1;
    }
    r->columns->Add(t, r->values.data());
}

}  // namespace

bool TrendSecondsOf(const CalendarTime& t, TrendSeconds* seconds) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(t, &fileTime))
        return false;
    *seconds = static_cast<TrendSeconds>(fileTime / kFileTimeUnitsPerSecond);
    return true;
}

CalendarTime TrendTime(TrendSeconds seconds) {
    CalendarTime t;
    FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &t);
    return t;
}

std::string TrendTimeText(TrendSeconds seconds) {
    const CalendarTime t = TrendTime(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

bool OpenTrendGroup(const std::string& dataFolder, const std::string& groupName,
                    const std::string& treePath, TrendGroup* out, std::string* error) {
    TrendGroup g;
    g.dataFolder = WithSeparator(dataFolder);
    std::vector<LogGroup> groups;
    ReadGroupsOf(g.dataFolder, &groups);
    bool found = false;
    for (const LogGroup& each : groups) {
        if (each.name == groupName) {
            g.group = each;
            found = true;
            break;
        }
    }
    if (!found) {
        *error = "no group " + groupName + " in the root index";
        return false;
    }
    // The tree path's levels ("2024\03\01"), then the first and last folder below them.
    TimeKey key;
    size_t at = 0;
    while (at < treePath.size() && key.count < 4) {
        const size_t end = std::min(treePath.find_first_of("\\/", at), treePath.size());
        key.value[key.count] = static_cast<uint16_t>(std::atoi(treePath.substr(at, end).c_str()));
        key.count = static_cast<uint16_t>(key.count + 1);
        at = end + 1;
    }
    TimeKey first;
    TimeKey last;
    TrendSeconds lastFrom = 0;
    if (!EndFolder(g, key, false, &first) || !EndFolder(g, key, true, &last) ||
        !FolderSpan(first, &g.from, &lastFrom) || !FolderSpan(last, &lastFrom, &g.to)) {
        *error = "no folders of group " + groupName;
        return false;
    }
    // The captions: the header lines of the first block of the span.
    const CalendarTime start = TrendTime(g.from);
    const CalendarTime end = TrendTime(g.to - 1);
    HeaderReader header;
    QueryGroupLines(g.dataFolder, g.group, &start, &end, 0, &header, TakeHeader);
    if (header.lines.size() < 2) {
        *error = "no records of group " + groupName + " to read its captions from";
        return false;
    }
    g.title = header.lines[0];
    std::string_view captions = header.lines[1];
    const size_t comma = captions.find(',');
    captions = comma == std::string_view::npos ? std::string_view() : captions.substr(comma + 1);
    while (!captions.empty()) {
        const size_t end = std::min(captions.find(','), captions.size());
        g.channels.emplace_back(captions.substr(0, end));
        captions = end < captions.size() ? captions.substr(end + 1) : std::string_view();
    }
    *out = std::move(g);
    return true;
}

bool ReadTrendSummaries(const SummaryGroup& summaries, TrendColumns* columns, bool readUnsummarised,
                        const std::atomic<bool>* cancel) {
    const AxisMap& map = columns->Map();
    ColumnSpan span;
    span.origin = columns->Origin();
    span.from = map.from;
    span.to = map.to;
    span.columns = columns->Columns();
    span.start = std::floor(map.start);
    SummaryColumns got;
    if (!summaries.Columns(span, &got, readUnsummarised, cancel))
        return false;
    uint64_t skipped = 0;
    for (uint32_t n : got.nonNumbers)
        skipped += n;
    columns->Assign(std::move(got.records), std::move(got.runs), skipped);
    return true;
}

bool ReadTrend(const TrendGroup& group, TrendColumns* columns, const std::atomic<bool>* cancel,
               ReadProblem* problem) {
    RecordReader reader{columns, cancel, std::vector<double>(group.channels.size()), 0, false};
    const CalendarTime start = TrendTime(columns->From());
    const CalendarTime end = TrendTime(columns->To());
    QueryGroupLines(group.dataFolder, group.group, &start, &end, 0, &reader, TakeRecord, problem);
    return !reader.cancelled;
}
