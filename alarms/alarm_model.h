// The alarm log beside the curves, without a window: an alarm group's lines read by their
// captions and kept compactly within bounds, the events of each alarm ID paired into spans
// (alarm, acknowledgement, clear), and the point of the curves an alarm stands at on the
// point-number axis.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "alarm_events.h"

// Times of alarms are whole seconds of the file-time scale (file time / 10^7).
constexpr int64_t kNoAlarmTime = INT64_MIN;

// How an alarm group's records read: the captions of the columns that hold the alarm ID, the
// event and the message, and the event words that mean an alarm, its acknowledgement and its
// clear. Captions and words match cells without regard to ASCII case or blanks; an empty caption
// names no column, and a word of nothing but blanks matches nothing.
struct AlarmMapping {
    std::string id = "ID";
    std::string event = "Event";
    std::string message = "Message";
    std::vector<std::string> alarm{"ALM"};
    std::vector<std::string> ack{"ACK"};
    std::vector<std::string> clear{"CLR"};

    bool operator==(const AlarmMapping& o) const {
        return id == o.id && event == o.event && message == o.message && alarm == o.alarm &&
               ack == o.ack && clear == o.clear;
    }
    bool operator!=(const AlarmMapping& o) const { return !(*this == o); }
};

// "ID", "Event", "Message" and "ALM", "ACK", "CLR": what panels record unless told otherwise.
const AlarmMapping& DefaultAlarmMapping();

// The mapping of each alarm group by the group's name; a group not named reads by the default.
using AlarmMappings = std::map<std::string, AlarmMapping>;
const AlarmMapping& MappingOf(const AlarmMappings& mappings, const std::string& group);

// What keeps a mapping from reading records: no event caption, two captions that match each
// other (one column could not be told from the other), no alarm word, or a word that matches a
// word of another event (word holds it).
enum class MappingFault : uint8_t { kNone, kNoEventCaption, kSameCaption, kNoAlarmWord, kSameWord };
MappingFault CheckMapping(const AlarmMapping& mapping, std::string* word = nullptr);

// A mapping as one line of printable ASCII, to keep in a profile:
// "id=ID;event=Event;message=Message;alarm=ALM;ack=ACK;clear=CLR", words parted by ",", and
// every byte outside "!".."~" and each of "%,;=" written as %XX.
std::string MappingText(const AlarmMapping& mapping);
// Reads MappingText's form (fields in any order, unknown fields passed over). False, and the
// default mapping, when the text is not that form or the mapping it holds has a fault.
bool ReadMappingText(std::string_view text, AlarmMapping* mapping);

// The columns of an alarm group's record lines that hold the alarm ID, the event and the
// message, found by the mapping's captions among the cells of its "Time," header line; -1 for a
// caption the group does not have. Column 0 is the time.
struct AlarmColumns {
    int id = -1;
    int event = -1;
    int message = -1;
};
AlarmColumns FindAlarmColumns(std::string_view timeHeader,
                              const AlarmMapping& mapping = DefaultAlarmMapping());

enum class AlarmEventKind : uint8_t { kAlarm, kAck, kClear, kOther };

// The event an event cell means by the mapping's words; anything else is kOther.
AlarmEventKind AlarmEventOf(std::string_view event,
                            const AlarmMapping& mapping = DefaultAlarmMapping());

// One line of an alarm group, as parts of the line (bytes as the recorder stored them).
struct AlarmLine {
    int64_t time = kNoAlarmTime;  // kNoAlarmTime when the line's time cannot be read
    AlarmEventKind kind = AlarmEventKind::kOther;
    std::string_view id;       // the lane it goes to; empty when the group has no ID column
    std::string_view event;    // the event cell as stored
    std::string_view message;  // the message; the whole line when the group has no such caption
    bool whole = false;        // true when the line had every column its captions promise
};

// Reads one record line. A line whose time cannot be read, or that lacks the ID or event
// column its captions promise, has the whole line as its message and an event of kOther: it
// is shown as text, never dropped. The message is the rest of the line from its column on when
// it is the last caption (a message may hold commas).
AlarmLine ParseAlarmLine(std::string_view line, const AlarmColumns& columns,
                         const AlarmMapping& mapping = DefaultAlarmMapping());

// Seconds of a record time cell "YYYY-MM-DD hh:mm:ss"; kNoAlarmTime when it is not one.
int64_t AlarmSeconds(std::string_view cell);

// One record as an AlarmLog keeps it: its ID, event and message one after the other in the
// log's text (the rest of its line is not kept).
struct AlarmRecord {
    int64_t time = kNoAlarmTime;
    uint32_t at = 0;             // the ID's first byte in the log's text
    uint32_t messageLength = 0;  // the message follows the event
    uint16_t idLength = 0;       // the event follows the ID
    uint16_t eventLength = 0;
    AlarmEventKind kind = AlarmEventKind::kOther;
    bool whole = false;
    bool shortened = false;  // the message (or a cell past 65535 bytes) was cut to the bounds
};

// The records of an alarm read, in the order they were added. Memory is bounded: a message is
// kept up to a number of bytes, and records past a number of records or of kept bytes are left
// out and counted.
class AlarmLog {
  public:
    struct Bounds {
        size_t records = 1000000;         // records kept at most
        size_t bytes = size_t{64} << 20;  // bytes of their IDs, events and messages at most
        size_t messageBytes = 4096;       // bytes of one message at most
    };

    AlarmLog() = default;
    explicit AlarmLog(const Bounds& bounds) : bounds_(bounds) {}

    // The records added from now on have IDs shown after prefix (empty: as stored), so that
    // equal IDs of two groups stay apart.
    void BeginGroup(std::string prefix);

    // Adds one record line read by its group's captions and words. False when the bounds leave
    // it out.
    bool Add(std::string_view line, const AlarmColumns& columns,
             const AlarmMapping& mapping = DefaultAlarmMapping());

    size_t Size() const { return records_.size(); }
    const AlarmRecord& operator[](size_t i) const { return records_[i]; }
    // The ID with its group's prefix.
    std::string Id(size_t i) const;
    std::string_view Event(size_t i) const;
    std::string_view Message(size_t i) const;

    // Records left out by the bounds, and the time of the first of them (kNoAlarmTime: none,
    // or none with a readable time).
    uint64_t LeftOut() const { return leftOut_; }
    int64_t FirstLeftOut() const { return firstLeftOut_; }
    // Records kept with a shortened message.
    uint64_t Shortened() const { return shortened_; }
    // Records kept that do not fit their group's mapping: without a readable time, short of a
    // column its captions promise, or with an event that is none of its words. They are kept
    // as text.
    uint64_t Unfit() const { return unfit_; }
    // Bytes the log holds, its records and texts.
    size_t Bytes() const;

  private:
    const char* Text(uint32_t at) const;
    // Room for n bytes, in a piece of the text that holds them whole; returns their place.
    uint32_t Room(size_t n);

    static constexpr size_t kPiece = size_t{1} << 20;

    Bounds bounds_;
    std::vector<std::unique_ptr<char[]>> pieces_;  // the texts, kPiece bytes a piece
    size_t used_ = 0;                              // bytes used of the last piece
    size_t kept_ = 0;                              // bytes of texts kept
    std::deque<AlarmRecord> records_;              // no reallocation spikes as it grows
    std::vector<std::string> prefixes_;            // of the groups, in order
    std::vector<size_t> groupStarts_;              // each group's first record
    uint64_t leftOut_ = 0;
    int64_t firstLeftOut_ = kNoAlarmTime;
    uint64_t shortened_ = 0;
    uint64_t unfit_ = 0;
};

// One alarm of an ID, from its ALM to its CLR.
struct AlarmSpan {
    int64_t from = kNoAlarmTime;  // the ALM; for an alarm that came before the range (the ID's
                                  // first alarm event in the range a CLR or ACK), the range start
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
// time order whatever their order in the log (equal times in log order). An ALM while the ID
// already stands ends the standing span there (uncleared) and starts another. Before the ID's
// first ALM, ACK or CLR in the range it is not known whether it stands: when that first event is
// an ACK or CLR, its alarm came before the range and stands from the range start. After it, an
// ACK or CLR while the ID does not stand ends and starts nothing: it is a mark, as are events
// other than these three. A later ACK of the same span is left to the list of records.
AlarmPlan PairAlarms(const AlarmLog& log, int64_t rangeFrom, int64_t rangeTo);

// The records of the log as the analysis takes them, in the log's order: each record's time, its
// ID with its group's prefix, its event (kOther for a record that does not fit) and its message,
// which views the log's text and stays valid while the log lives.
std::vector<alarms::AlarmEvent> AlarmEventsOf(const AlarmLog& log);

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
