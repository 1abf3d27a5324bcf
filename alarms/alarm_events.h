// The records of an alarm log as the analysis takes them: one event per record, whatever the
// panel's captions and event words were, and the pairing of each ID's events into alarms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace alarms {

// Whole seconds of the file-time scale (file time / 10^7: seconds since 1601-01-01, local).
constexpr int64_t kNoTime = INT64_MIN;

enum class EventKind : uint8_t { kAlarm, kAck, kClear, kOther };

struct AlarmEvent {
    int64_t time = kNoTime;  // kNoTime when the record's time could not be read
    std::string id;          // empty when the record has none
    EventKind kind = EventKind::kOther;
    std::string_view message;  // text the caller keeps while it analyses
};

// One alarm of an ID: from its ALM to its CLR.
struct PairedAlarm {
    uint32_t id = 0;          // index into Pairing::ids
    int64_t raised = 0;       // the ALM
    int64_t ack = kNoTime;    // the first ACK while it stood
    int64_t clear = kNoTime;  // the CLR; kNoTime when another ALM or the end came first
    int64_t end = 0;          // the CLR, the ID's next ALM, or the end of the pairing
};

struct Pairing {
    std::vector<std::string> ids;     // in order of first appearance
    std::vector<PairedAlarm> alarms;  // in order of their ALM
    std::vector<uint32_t> eventIds;   // the ID of each event of the order, in its order
    // Events of the pairing's order that fit none of the rules: an ACK or CLR of an ID that
    // does not stand (its ALM came before the records, or it was cleared already).
    std::vector<size_t> orphans;
};

// Pairs the events order[0..] (indices into events, in time order, each with a time, an ID
// and an event of ALM, ACK or CLR) up to the time end: an ALM starts an alarm, and ends the
// one still standing of its ID there (uncleared); the first ACK while it stands acknowledges
// it (later ones change nothing); a CLR ends it. An ACK or CLR while the ID does not stand is
// an orphan. Alarms still standing end at end.
Pairing PairEvents(const std::vector<AlarmEvent>& events, const std::vector<size_t>& order,
                   int64_t end);

}  // namespace alarms
