#include "alarm_model.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "calendar_time.h"
#include "record_time.h"

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

// Whether text is UTF-8, but for a sequence cut short at its end.
bool LooksUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80             ? 1
                              : (c & 0xE0) == 0xC0 ? 2
                              : (c & 0xF0) == 0xE0 ? 3
                              : (c & 0xF8) == 0xF0 ? 4
                                                   : 0;
        if (length == 0 || (length > 1 && c < 0xC2))
            return false;
        for (size_t k = 1; k < length; ++k) {
            if (i + k == text.size())
                return true;
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// The length of the longest head of text of at most n bytes that ends between two characters:
// of UTF-8 when the head reads as UTF-8, else of GB18030 (the recorder's code page), so that a
// shortened message is still judged and shown as the code page it is in.
size_t CharacterCut(std::string_view text, size_t n) {
    if (n >= text.size())
        return text.size();
    if (LooksUtf8(text.substr(0, n))) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
        return n;
    }
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            length = d >= 0x30 && d <= 0x39 ? 4 : 2;
        }
        if (i + length > n)
            break;
        i += length;
    }
    return i;
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

AlarmLine ParseAlarmLine(std::string_view line, const AlarmColumns& columns) {
    AlarmLine r;
    const std::vector<std::string_view> cells = Cells(line);
    r.time = AlarmSeconds(cells[0]);
    const int count = static_cast<int>(cells.size());
    const bool hasId = columns.id < 0 || columns.id < count;
    const bool hasEvent = columns.event >= 0 && columns.event < count;
    r.whole = r.time != kNoAlarmTime && hasId && hasEvent;
    if (!r.whole) {
        // Shown as it is: an event this reader cannot name.
        r.message = line;
        if (r.time != kNoAlarmTime && columns.id >= 0 && columns.id < count)
            r.id = Trimmed(cells[static_cast<size_t>(columns.id)]);
        return r;
    }
    if (columns.id >= 0)
        r.id = Trimmed(cells[static_cast<size_t>(columns.id)]);
    r.event = cells[static_cast<size_t>(columns.event)];
    r.kind = AlarmEventOf(r.event);
    if (columns.message < 0) {
        r.message = line;
    } else if (columns.message < count) {
        const bool last = columns.message > columns.id && columns.message > columns.event;
        const std::string_view cell = cells[static_cast<size_t>(columns.message)];
        const size_t at = static_cast<size_t>(cell.data() - line.data());
        r.message = last ? line.substr(at) : cell;
    }
    return r;
}

void AlarmLog::BeginGroup(std::string prefix) {
    if (!groupStarts_.empty() && groupStarts_.back() == records_.size()) {
        prefixes_.back() = std::move(prefix);  // the group before has no records
        return;
    }
    prefixes_.push_back(std::move(prefix));
    groupStarts_.push_back(records_.size());
}

uint32_t AlarmLog::Room(size_t n) {
    if (pieces_.empty() || used_ + n > kPiece) {
        pieces_.push_back(std::make_unique<char[]>(kPiece));
        used_ = 0;
    }
    const size_t at = (pieces_.size() - 1) * kPiece + used_;
    used_ += n;
    return static_cast<uint32_t>(at);
}

const char* AlarmLog::Text(uint32_t at) const {
    return pieces_[at / kPiece].get() + at % kPiece;
}

bool AlarmLog::Add(std::string_view line, const AlarmColumns& columns) {
    const AlarmLine parsed = ParseAlarmLine(line, columns);
    const std::string_view id = parsed.id.substr(0, UINT16_MAX);
    const std::string_view event = parsed.event.substr(0, UINT16_MAX);
    const std::string_view message =
        parsed.message.substr(0, CharacterCut(parsed.message, bounds_.messageBytes));
    const size_t n = id.size() + event.size() + message.size();
    // A piece holds a record's texts whole: a message is far below it, and so is the rest.
    static_assert(2 * UINT16_MAX < kPiece / 2, "a record's ID and event fit a piece");
    if (records_.size() >= bounds_.records || kept_ + n > bounds_.bytes ||
        message.size() > kPiece / 2 || pieces_.size() * kPiece >= UINT32_MAX - kPiece) {
        ++leftOut_;
        if (parsed.time != kNoAlarmTime &&
            (firstLeftOut_ == kNoAlarmTime || parsed.time < firstLeftOut_))
            firstLeftOut_ = parsed.time;
        return false;
    }
    AlarmRecord r;
    r.time = parsed.time;
    r.kind = parsed.kind;
    r.whole = parsed.whole;
    r.shortened = id.size() < parsed.id.size() || event.size() < parsed.event.size() ||
                  message.size() < parsed.message.size();
    r.idLength = static_cast<uint16_t>(id.size());
    r.eventLength = static_cast<uint16_t>(event.size());
    r.messageLength = static_cast<uint32_t>(message.size());
    r.at = Room(n);
    char* text = pieces_.back().get() + r.at % kPiece;
    // An empty field may have no data pointer at all, which memcpy must not be given.
    for (const std::string_view field : {id, event, message}) {
        if (!field.empty())
            std::memcpy(text, field.data(), field.size());
        text += field.size();
    }
    kept_ += n;
    shortened_ += r.shortened ? 1 : 0;
    records_.push_back(r);
    return true;
}

std::string AlarmLog::Id(size_t i) const {
    const AlarmRecord& r = records_[i];
    const auto group = std::upper_bound(groupStarts_.begin(), groupStarts_.end(), i);
    std::string id = group == groupStarts_.begin()
                         ? std::string()
                         : prefixes_[static_cast<size_t>(group - groupStarts_.begin()) - 1];
    id.append(Text(r.at), r.idLength);
    return id;
}

std::string_view AlarmLog::Event(size_t i) const {
    const AlarmRecord& r = records_[i];
    return std::string_view(Text(r.at) + r.idLength, r.eventLength);
}

std::string_view AlarmLog::Message(size_t i) const {
    const AlarmRecord& r = records_[i];
    return std::string_view(Text(r.at) + r.idLength + r.eventLength, r.messageLength);
}

size_t AlarmLog::Bytes() const {
    return pieces_.size() * kPiece + records_.size() * sizeof(AlarmRecord);
}

AlarmPlan PairAlarms(const AlarmLog& log, int64_t rangeFrom, int64_t rangeTo) {
    AlarmPlan plan;
    std::vector<int32_t> order;
    for (size_t i = 0; i < log.Size(); ++i) {
        if (log[i].time == kNoAlarmTime)
            plan.untimed.push_back(static_cast<int32_t>(i));
        else
            order.push_back(static_cast<int32_t>(i));
    }
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return log[static_cast<size_t>(a)].time < log[static_cast<size_t>(b)].time;
    });
    struct State {
        AlarmLane lane;
        int open = -1;       // index of the standing span in lane.spans
        bool known = false;  // an ALM, ACK or CLR of the ID came in the range
    };
    std::map<std::string, State> ids;
    // The ID's first alarm event in the range acknowledges or clears an alarm from before it.
    auto startBefore = [&](State& s, int64_t at) {
        AlarmSpan span;
        span.started = false;
        span.from = std::min(at, rangeFrom);
        s.lane.spans.push_back(span);
        s.open = static_cast<int>(s.lane.spans.size()) - 1;
    };
    auto close = [&](State& s, int64_t at) {
        s.lane.spans[static_cast<size_t>(s.open)].to = at;
        s.open = -1;
    };
    for (int32_t i : order) {
        const AlarmRecord& r = log[static_cast<size_t>(i)];
        std::string id = log.Id(static_cast<size_t>(i));
        State& s = ids[id];
        if (s.lane.id.empty())
            s.lane.id = std::move(id);
        const AlarmEventKind kind = r.whole ? r.kind : AlarmEventKind::kOther;
        if (kind != AlarmEventKind::kAlarm && kind != AlarmEventKind::kOther && s.open < 0) {
            // Not standing: the alarm it belongs to came before the range when nothing of the
            // ID came before it; else it ends and starts nothing.
            if (s.known) {
                s.lane.marks.push_back(i);
                continue;
            }
            startBefore(s, r.time);
        }
        switch (kind) {
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
                AlarmSpan& span = s.lane.spans[static_cast<size_t>(s.open)];
                if (span.ackRecord < 0) {
                    span.ack = r.time;
                    span.ackRecord = i;
                }
                break;
            }
            case AlarmEventKind::kClear:
                s.lane.spans[static_cast<size_t>(s.open)].clearRecord = i;
                close(s, r.time);
                break;
            case AlarmEventKind::kOther:
                s.lane.marks.push_back(i);
                break;
        }
        s.known = s.known || kind != AlarmEventKind::kOther;
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
