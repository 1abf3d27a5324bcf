// The alarm log beside the curves, without a window: an alarm group's lines read by their
// captions, the events of each alarm ID paired into spans (alarm, acknowledgement, clear), and
// the point of the curves an alarm stands at on the point-number axis.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Times of alarms are whole seconds of the file-time scale (file time / 10^7).
constexpr int64_t kNoAlarmTime = INT64_MIN;

// The columns of an alarm group's record lines that hold the alarm ID, the event and the
// message, found by the captions "ID", "Event" and "Message" (in any case) of its "Time," header
// line; -1 for a caption the group does not have. Column 0 is the time.
struct AlarmColumns {
    int id = -1;
    int event = -1;
    int message = -1;
};
AlarmColumns FindAlarmColumns(std::string_view timeHeader);

enum class AlarmEventKind : uint8_t { kAlarm, kAck, kClear, kOther };

// "ALM", "ACK", "CLR" (in any case, blanks around them ignored); anything else is kOther.
AlarmEventKind AlarmEventOf(std::string_view event);

// One line of an alarm group. Texts are bytes as the recorder stored them.
struct AlarmRecord {
    int64_t time = kNoAlarmTime;  // kNoAlarmTime when the line's time cannot be read
    AlarmEventKind kind = AlarmEventKind::kOther;
    std::string id;       // the lane it goes to; empty when the group has no ID column
    std::string event;    // the event cell as stored
    std::string message;  // the message; the whole line when the group has no such caption
    std::string line;     // the whole line
    bool whole = false;   // true when the line had every column its captions promise
};

// Reads one record line. A line whose time cannot be read, or that lacks the ID or event
// column its captions promise, keeps its whole text as the message and an event of kOther: it
// is shown as text, never dropped. The message is the rest of the line from its column on when
// it is the last caption (a message may hold commas).
AlarmRecord ParseAlarmLine(std::string_view line, const AlarmColumns& columns);

// Seconds of a record time cell "YYYY-MM-DD hh:mm:ss"; kNoAlarmTime when it is not one.
int64_t AlarmSeconds(std::string_view cell);

// One alarm of an ID, from its ALM to its CLR.
struct AlarmSpan {
    int64_t from = kNoAlarmTime;  // the ALM; for an alarm that came before the range (a CLR or
                                  // ACK without ALM), the range start or the end of the ID's
                                  // span before it
    int64_t to = kNoAlarmTime;    // the CLR; without one, the next ALM of the ID or the range end
    int64_t ack = kNoAlarmTime;   // the first ACK while it stood
    bool started = true;          // false: no ALM in the records
    bool cleared = true;          // false: no CLR in the records
    int32_t alarmRecord = -1;     // records that made it, -1 where there is none
    int32_t ackRecord = -1;
    int32_t clearRecord = -1;
};

struct AlarmLane {
    std::string id;
    std::vector<AlarmSpan> spans;  // in time order
    std::vector<int32_t> marks;    // records of other events of the ID, in time order
};

struct AlarmPlan {
    std::vector<AlarmLane> lanes;  // ordered by ID (numbers by value)
    std::vector<int32_t> untimed;  // records whose time cannot be read, in record order
};

// Pairs the events of each ID into spans over the range [rangeFrom, rangeTo], taking records in
// time order whatever their order in the list (equal times in list order). An ALM while the ID
// already stands ends the standing span there (uncleared) and starts another; an ACK or CLR
// while it does not stand belongs to an alarm from before the range; a later ACK of the same
// span is left to the list of records.
AlarmPlan PairAlarms(const std::vector<AlarmRecord>& records, int64_t rangeFrom, int64_t rangeTo);

// The nearest-point rule of the point-number axis: the point whose time is nearest to a time,
// among the points of known time; of two equally near, the earlier time, and of points of equal
// time, the first.
class NearestPointIndex {
  public:
    // times[p] is point p's time, kNoAlarmTime when it is not known.
    explicit NearestPointIndex(const std::vector<int64_t>& times);
    // -1 when no point has a time.
    int32_t Nearest(int64_t time) const;
    bool Empty() const { return byTime_.empty(); }
    int64_t FirstTime() const { return byTime_.empty() ? kNoAlarmTime : byTime_.front().first; }
    int64_t LastTime() const { return byTime_.empty() ? kNoAlarmTime : byTime_.back().first; }

  private:
    std::vector<std::pair<int64_t, int32_t>> byTime_;
};
