#include "alarm_model.h"

#include <algorithm>
#include <map>

#include "calendar_time.h"
#include "curve_init.h"

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameCaption(std::string_view cell, std::string_view caption) {
    cell = Trimmed(cell);
    if (cell.size() != caption.size())
        return false;
    for (size_t i = 0; i < cell.size(); ++i) {
        char c = cell[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != caption[i])
            return false;
    }
    return true;
}

// The cells of a line, cut at every comma.
std::vector<std::string_view> Cells(std::string_view line) {
    std::vector<std::string_view> cells;
    size_t at = 0;
    for (;;) {
        const size_t comma = line.find(',', at);
        cells.push_back(line.substr(at, comma == std::string_view::npos ? line.npos : comma - at));
        if (comma == std::string_view::npos)
            return cells;
        at = comma + 1;
    }
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// IDs in reading order: numbers by value (shorter first), before and apart from other texts.
bool IdBefore(const std::string& a, const std::string& b) {
    const bool na = AllDigits(a);
    const bool nb = AllDigits(b);
    if (na != nb)
        return na;
    if (na && a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

}  // namespace

AlarmColumns FindAlarmColumns(std::string_view timeHeader) {
    AlarmColumns columns;
    const std::vector<std::string_view> cells = Cells(timeHeader);
    for (size_t i = 1; i < cells.size(); ++i) {
        const int c = static_cast<int>(i);
        if (columns.id < 0 && SameCaption(cells[i], "id"))
            columns.id = c;
        else if (columns.event < 0 && SameCaption(cells[i], "event"))
            columns.event = c;
        else if (columns.message < 0 && SameCaption(cells[i], "message"))
            columns.message = c;
    }
    return columns;
}

AlarmEventKind AlarmEventOf(std::string_view event) {
    if (SameCaption(event, "alm"))
        return AlarmEventKind::kAlarm;
    if (SameCaption(event, "ack"))
        return AlarmEventKind::kAck;
    if (SameCaption(event, "clr"))
        return AlarmEventKind::kClear;
    return AlarmEventKind::kOther;
}

int64_t AlarmSeconds(std::string_view cell) {
    CalendarTime t;
    uint64_t fileTime = 0;
    if (!ParseRowTime(Trimmed(cell), &t) || !CalendarToFileTime(t, &fileTime))
        return kNoAlarmTime;
    return static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond);
}

AlarmRecord ParseAlarmLine(std::string_view line, const AlarmColumns& columns) {
    AlarmRecord r;
    r.line.assign(line);
    const std::vector<std::string_view> cells = Cells(line);
    r.time = AlarmSeconds(cells[0]);
    const int count = static_cast<int>(cells.size());
    const bool hasId = columns.id < 0 || columns.id < count;
    const bool hasEvent = columns.event >= 0 && columns.event < count;
    r.whole = r.time != kNoAlarmTime && hasId && hasEvent;
    if (!r.whole) {
        // Shown as it is: an event this reader cannot name.
        r.message = r.line;
        if (r.time != kNoAlarmTime && columns.id >= 0 && columns.id < count)
            r.id.assign(Trimmed(cells[static_cast<size_t>(columns.id)]));
        return r;
    }
    if (columns.id >= 0)
        r.id.assign(Trimmed(cells[static_cast<size_t>(columns.id)]));
    r.event.assign(cells[static_cast<size_t>(columns.event)]);
    r.kind = AlarmEventOf(r.event);
    if (columns.message < 0) {
        r.message = r.line;
    } else if (columns.message < count) {
        const bool last = columns.message > columns.id && columns.message > columns.event;
        const std::string_view cell = cells[static_cast<size_t>(columns.message)];
        const size_t at = static_cast<size_t>(cell.data() - line.data());
        r.message.assign(last ? line.substr(at) : cell);
    }
    return r;
}

AlarmPlan PairAlarms(const std::vector<AlarmRecord>& records, int64_t rangeFrom, int64_t rangeTo) {
    AlarmPlan plan;
    std::vector<int32_t> order;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].time == kNoAlarmTime)
            plan.untimed.push_back(static_cast<int32_t>(i));
        else
            order.push_back(static_cast<int32_t>(i));
    }
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return records[static_cast<size_t>(a)].time < records[static_cast<size_t>(b)].time;
    });
    struct State {
        AlarmLane lane;
        int open = -1;  // index of the standing span in lane.spans
        int64_t lastEnd = kNoAlarmTime;
    };
    std::map<std::string, State> ids;
    auto startBefore = [&](State& s, int64_t at) {
        AlarmSpan span;
        span.started = false;
        span.from = std::min(at, std::max(rangeFrom, s.lastEnd));
        s.lane.spans.push_back(span);
        s.open = static_cast<int>(s.lane.spans.size()) - 1;
    };
    auto close = [&](State& s, int64_t at) {
        s.lane.spans[static_cast<size_t>(s.open)].to = at;
        s.lastEnd = at;
        s.open = -1;
    };
    for (int32_t i : order) {
        const AlarmRecord& r = records[static_cast<size_t>(i)];
        State& s = ids[r.id];
        s.lane.id = r.id;
        switch (r.whole ? r.kind : AlarmEventKind::kOther) {
            case AlarmEventKind::kAlarm: {
                if (s.open >= 0) {
                    s.lane.spans[static_cast<size_t>(s.open)].cleared = false;
                    close(s, r.time);
                }
                AlarmSpan span;
                span.from = r.time;
                span.alarmRecord = i;
                s.lane.spans.push_back(span);
                s.open = static_cast<int>(s.lane.spans.size()) - 1;
                break;
            }
            case AlarmEventKind::kAck: {
                if (s.open < 0)
                    startBefore(s, r.time);
                AlarmSpan& span = s.lane.spans[static_cast<size_t>(s.open)];
                if (span.ackRecord < 0) {
                    span.ack = r.time;
                    span.ackRecord = i;
                }
                break;
            }
            case AlarmEventKind::kClear: {
                if (s.open < 0)
                    startBefore(s, r.time);
                s.lane.spans[static_cast<size_t>(s.open)].clearRecord = i;
                close(s, r.time);
                break;
            }
            case AlarmEventKind::kOther:
                s.lane.marks.push_back(i);
                break;
        }
    }
    for (auto& [id, s] : ids) {
        if (s.open >= 0) {
            AlarmSpan& span = s.lane.spans[static_cast<size_t>(s.open)];
            span.cleared = false;
            span.to = std::max(rangeTo, span.from);
        }
        plan.lanes.push_back(std::move(s.lane));
    }
    std::stable_sort(plan.lanes.begin(), plan.lanes.end(),
                     [](const AlarmLane& a, const AlarmLane& b) { return IdBefore(a.id, b.id); });
    return plan;
}

NearestPointIndex::NearestPointIndex(const std::vector<int64_t>& times) {
    for (size_t p = 0; p < times.size(); ++p) {
        if (times[p] != kNoAlarmTime)
            byTime_.emplace_back(times[p], static_cast<int32_t>(p));
    }
    std::sort(byTime_.begin(), byTime_.end());
}

int32_t NearestPointIndex::Nearest(int64_t time) const {
    if (byTime_.empty())
        return -1;
    // The first point at or after the time, and the last before it.
    auto after = std::lower_bound(byTime_.begin(), byTime_.end(), std::make_pair(time, INT32_MIN));
    if (after == byTime_.begin())
        return after->second;
    if (after == byTime_.end())
        return std::prev(after)->second;
    const int64_t beforeTime = std::prev(after)->first;
    // The earliest point of the time before: the first of its equal times.
    auto before = std::lower_bound(byTime_.begin(), after, std::make_pair(beforeTime, INT32_MIN));
    return time - beforeTime <= after->first - time ? before->second : after->second;
}
