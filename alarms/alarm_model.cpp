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

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Whether a cell says the word: ASCII letters in any case, blanks anywhere left out. A word of
// blanks only says nothing.
bool SameWord(std::string_view cell, std::string_view word) {
    size_t i = 0;
    size_t k = 0;
    bool any = false;
    for (;;) {
        while (i < cell.size() && Blank(cell[i]))
            ++i;
        while (k < word.size() && Blank(word[k]))
            ++k;
        if (i == cell.size() || k == word.size())
            return any && i == cell.size() && k == word.size();
        if (Lower(cell[i]) != Lower(word[k]))
            return false;
        any = true;
        ++i;
        ++k;
    }
}

bool AnyWord(std::string_view cell, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const std::string& w) { return SameWord(cell, w); });
}

// The cells of a line, cut at every separator.
std::vector<std::string_view> Cells(std::string_view line, char separator) {
    std::vector<std::string_view> cells;
    size_t at = 0;
    for (;;) {
        const size_t comma = line.find(separator, at);
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

const AlarmMapping& DefaultAlarmMapping() {
    static const AlarmMapping mapping;
    return mapping;
}

const AlarmMapping& MappingOf(const AlarmMappings& mappings, const std::string& group) {
    const auto found = mappings.find(group);
    return found == mappings.end() ? DefaultAlarmMapping() : found->second;
}

MappingFault CheckMapping(const AlarmMapping& mapping, std::string* word) {
    if (!SameWord(mapping.event, mapping.event))
        return MappingFault::kNoEventCaption;
    if (SameWord(mapping.id, mapping.event) || SameWord(mapping.id, mapping.message) ||
        SameWord(mapping.event, mapping.message))
        return MappingFault::kSameCaption;
    if (!std::any_of(mapping.alarm.begin(), mapping.alarm.end(),
                     [](const std::string& w) { return SameWord(w, w); }))
        return MappingFault::kNoAlarmWord;
    const std::vector<std::string>* lists[] = {&mapping.alarm, &mapping.ack, &mapping.clear};
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            for (const std::string& w : *lists[a]) {
                if (AnyWord(w, *lists[b])) {
                    if (word != nullptr)
                        *word = w;
                    return MappingFault::kSameWord;
                }
            }
        }
    }
    return MappingFault::kNone;
}

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string_view text, std::string* out) {
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E || c == '%' || c == ',' || c == ';' || c == '=') {
            *out += '%';
            *out += kHex[u >> 4];
            *out += kHex[u & 15];
        } else {
            *out += c;
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescaped(std::string_view text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out->push_back(text[i]);
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low < 0)
            return false;
        out->push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

// Longer texts are not a mapping anyone typed.
constexpr size_t kMappingTextBytes = 64 * 1024;

bool ReadMapping(std::string_view text, AlarmMapping* m) {
    if (text.size() > kMappingTextBytes)
        return false;
    std::string* captions[] = {&m->id, &m->event, &m->message};
    std::vector<std::string>* words[] = {&m->alarm, &m->ack, &m->clear};
    const char* names[] = {"id", "event", "message", "alarm", "ack", "clear"};
    bool seen[6] = {};
    for (const std::string_view field : Cells(text, ';')) {
        const size_t equals = field.find('=');
        if (equals == std::string_view::npos)
            return false;
        const std::string_view name = field.substr(0, equals);
        const std::string_view value = field.substr(equals + 1);
        const auto known = std::find(std::begin(names), std::end(names), name);
        if (known == std::end(names))
            continue;  // written by a later version
        const size_t k = static_cast<size_t>(known - std::begin(names));
        if (seen[k])
            return false;
        seen[k] = true;
        if (k < 3) {
            if (!Unescaped(value, captions[k]))
                return false;
            continue;
        }
        words[k - 3]->clear();
        if (value.empty())
            continue;
        for (const std::string_view item : Cells(value, ',')) {
            std::string word;
            if (!Unescaped(item, &word) || !SameWord(word, word))
                return false;
            words[k - 3]->push_back(std::move(word));
        }
    }
    return std::all_of(std::begin(seen), std::end(seen), [](bool b) { return b; }) &&
           CheckMapping(*m) == MappingFault::kNone;
}

}  // namespace

std::string MappingText(const AlarmMapping& mapping) {
    std::string text;
    const std::pair<const char*, const std::string*> captions[] = {
        {"id", &mapping.id}, {"event", &mapping.event}, {"message", &mapping.message}};
    for (const auto& [name, caption] : captions) {
        text += name;
        text += '=';
        AppendEscaped(*caption, &text);
        text += ';';
    }
    const std::pair<const char*, const std::vector<std::string>*> words[] = {
        {"alarm", &mapping.alarm}, {"ack", &mapping.ack}, {"clear", &mapping.clear}};
    for (const auto& [name, list] : words) {
        text += name;
        text += '=';
        for (size_t i = 0; i < list->size(); ++i) {
            if (i > 0)
                text += ',';
            AppendEscaped((*list)[i], &text);
        }
        text += ';';
    }
    text.pop_back();
    return text;
}

bool ReadMappingText(std::string_view text, AlarmMapping* mapping) {
    AlarmMapping read;
    if (ReadMapping(text, &read)) {
        *mapping = std::move(read);
        return true;
    }
    *mapping = DefaultAlarmMapping();
    return false;
}

AlarmColumns FindAlarmColumns(std::string_view timeHeader, const AlarmMapping& mapping) {
    AlarmColumns columns;
    const std::vector<std::string_view> cells = Cells(timeHeader, ',');
    for (size_t i = 1; i < cells.size(); ++i) {
        const int c = static_cast<int>(i);
        if (columns.id < 0 && SameWord(cells[i], mapping.id))
            columns.id = c;
        else if (columns.event < 0 && SameWord(cells[i], mapping.event))
            columns.event = c;
        else if (columns.message < 0 && SameWord(cells[i], mapping.message))
            columns.message = c;
    }
    return columns;
}

AlarmEventKind AlarmEventOf(std::string_view event, const AlarmMapping& mapping) {
    if (AnyWord(event, mapping.alarm))
        return AlarmEventKind::kAlarm;
    if (AnyWord(event, mapping.ack))
        return AlarmEventKind::kAck;
    if (AnyWord(event, mapping.clear))
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

AlarmLine ParseAlarmLine(std::string_view line, const AlarmColumns& columns,
                         const AlarmMapping& mapping) {
    AlarmLine r;
    const std::vector<std::string_view> cells = Cells(line, ',');
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
    r.kind = AlarmEventOf(r.event, mapping);
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
        // Not zeroed: only the bytes written are ever read, and a small log touches few pages.
        pieces_.push_back(std::unique_ptr<char[]>(new char[kPiece]));
        used_ = 0;
    }
    const size_t at = (pieces_.size() - 1) * kPiece + used_;
    used_ += n;
    return static_cast<uint32_t>(at);
}

const char* AlarmLog::Text(uint32_t at) const {
    return pieces_[at / kPiece].get() + at % kPiece;
}

bool AlarmLog::Add(std::string_view line, const AlarmColumns& columns,
                   const AlarmMapping& mapping) {
    const AlarmLine parsed = ParseAlarmLine(line, columns, mapping);
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
    unfit_ += !r.whole || r.kind == AlarmEventKind::kOther ? 1 : 0;
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

std::vector<alarms::AlarmEvent> AlarmEventsOf(const AlarmLog& log) {
    std::vector<alarms::AlarmEvent> events(log.Size());
    static_assert(int(AlarmEventKind::kAlarm) == int(alarms::EventKind::kAlarm) &&
                      int(AlarmEventKind::kAck) == int(alarms::EventKind::kAck) &&
                      int(AlarmEventKind::kClear) == int(alarms::EventKind::kClear) &&
                      int(AlarmEventKind::kOther) == int(alarms::EventKind::kOther),
                  "the two kinds of event name the same events");
    for (size_t i = 0; i < events.size(); ++i) {
        const AlarmRecord& r = log[i];
        alarms::AlarmEvent& e = events[i];
        e.time = r.time == kNoAlarmTime ? alarms::kNoTime : r.time;
        e.id = log.Id(i);
        e.kind = r.whole ? static_cast<alarms::EventKind>(r.kind) : alarms::EventKind::kOther;
        e.message = log.Message(i);
    }
    return events;
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
