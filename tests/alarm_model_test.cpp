// The alarm log read beside the curves: lines by their captions, kept within bounds, events
// paired into spans per alarm ID, and the nearest-point rule of the point-number axis.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alarm_model.h"

namespace {

// Seconds of 2024-01-01 00:00:ss.
int64_t At(int second) {
    return AlarmSeconds("2024-01-01 00:00:00") + second;
}

TEST(AlarmModel, LinesAreReadByTheirCaptionsAndKeptWholeOtherwise) {
    // A panel of other captions and words.
    const char* other = "id=Tag;event=State;message=Text;alarm=Come,Alarm On;ack=Quit;clear=Gone";
    struct Case {
        const char* header;
        const char* line;
        int64_t time;
        AlarmEventKind kind;
        const char* id;
        const char* message;
        bool whole;
        const char* mapping = nullptr;  // as text; none: the default
    };
    const Case cases[] = {
        {"Time,ID,Event,Message", "2024-01-01 00:00:05,1001,ALM,Boiler hot", At(5),
         AlarmEventKind::kAlarm, "1001", "Boiler hot", true},
        // Captions in any order and case; the last one's message keeps its commas.
        {"Time,event,MESSAGE,Id", "2024-01-01 00:00:06, ack ,Hot, very,7", At(6),
         AlarmEventKind::kAck, "very", "Hot", true},
        {"Time,ID,Event,Message", "2024-01-01 00:00:07,9,CLR,Pump 2, P-102", At(7),
         AlarmEventKind::kClear, "9", "Pump 2, P-102", true},
        {"Time,ID,Event,Message", "2024-01-01 00:00:08,9,RST,reset", At(8), AlarmEventKind::kOther,
         "9", "reset", true},
        // No Event caption: the whole line is the message.
        {"Time,Code,Text", "2024-01-01 00:00:09,3,Door open", At(9), AlarmEventKind::kOther, "",
         "2024-01-01 00:00:09,3,Door open", false},
        // Malformed: an unreadable time, or fewer cells than the captions promise.
        {"Time,ID,Event,Message", "garbage,1,ALM,x", kNoAlarmTime, AlarmEventKind::kOther, "",
         "garbage,1,ALM,x", false},
        {"Time,ID,Event,Message", "2024-01-01 00:00:10,12", At(10), AlarmEventKind::kOther, "12",
         "2024-01-01 00:00:10,12", false},
        {"Time,ID,Event,Message", "", kNoAlarmTime, AlarmEventKind::kOther, "", "", false},
        // Words in any case, blanks anywhere ignored; the default words mean nothing there.
        {"Time,Text,TAG,State", "2024-01-01 00:00:11,Hot,T1, alarmon ", At(11),
         AlarmEventKind::kAlarm, "T1", "Hot", true, other},
        {"Time,Tag,State,Text", "2024-01-01 00:00:12,T1,QUIT,Hot", At(12), AlarmEventKind::kAck,
         "T1", "Hot", true, other},
        {"Time,Tag,State,Text", "2024-01-01 00:00:13,T1,CLR,Hot", At(13), AlarmEventKind::kOther,
         "T1", "Hot", true, other},
        {"Time,ID,Event,Message", "2024-01-01 00:00:14,1,ALM,x", At(14), AlarmEventKind::kOther, "",
         "2024-01-01 00:00:14,1,ALM,x", false, other},
    };
    for (const Case& c : cases) {
        AlarmMapping mapping;
        ASSERT_TRUE(c.mapping == nullptr || ReadMappingText(c.mapping, &mapping)) << c.mapping;
        const AlarmColumns columns = FindAlarmColumns(c.header, mapping);
        const AlarmLine r = ParseAlarmLine(c.line, columns, mapping);
        EXPECT_EQ(r.time, c.time) << c.line;
        EXPECT_EQ(r.kind, c.kind) << c.line;
        EXPECT_EQ(r.id, c.id) << c.line;
        EXPECT_EQ(r.message, c.message) << c.line;
        EXPECT_EQ(r.whole, c.whole) << c.line;
        // The log keeps what is shown of it, and only that, counts what does not fit, and
        // hands the analysis the same.
        AlarmLog log;
        ASSERT_TRUE(log.Add(c.line, columns, mapping));
        EXPECT_EQ(log[0].time, c.time) << c.line;
        EXPECT_EQ(log.Id(0), c.id) << c.line;
        EXPECT_EQ(log.Event(0), r.event) << c.line;
        EXPECT_EQ(log.Message(0), c.message) << c.line;
        EXPECT_FALSE(log[0].shortened) << c.line;
        const bool fits = c.whole && c.kind != AlarmEventKind::kOther;
        EXPECT_EQ(log.Unfit(), fits ? 0u : 1u) << c.line;
        const std::vector<alarms::AlarmEvent> events = AlarmEventsOf(log);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].time, c.time) << c.line;
        EXPECT_EQ(events[0].id, c.id) << c.line;
        EXPECT_EQ(static_cast<int>(events[0].kind),
                  static_cast<int>(r.whole ? c.kind : AlarmEventKind::kOther))
            << c.line;
        EXPECT_EQ(events[0].message.data(), log.Message(0).data()) << c.line;
    }
}

TEST(AlarmModel, AMappingKeepsAsTextAndBadTextGivesTheDefaults) {
    AlarmMapping odd;
    odd.id = "\xB1\xE0\xBA\xC5";  // GB18030
    odd.event = "Event; kind=1";
    odd.message = "";
    odd.alarm = {"A,B", "100%"};
    odd.ack.clear();
    const std::string defaults = "id=ID;event=Event;message=Message;alarm=ALM;ack=ACK;clear=CLR";
    struct Case {
        std::string text;
        bool read;
        AlarmMapping mapping;  // as read
    };
    const Case cases[] = {
        {defaults, true, AlarmMapping()},
        {MappingText(odd), true, odd},
        {"clear=CLR;ack=ACK;alarm=ALM;later=1;message=Message;event=Event;id=ID", true,
         AlarmMapping()},
        {"", false, AlarmMapping()},
        {"id=ID;event=Event;message=Message;alarm=ALM;ack=ACK", false, AlarmMapping()},
        {"id=ID;event=Event;message=Message;alarm=ALM;ack=ACK;clear=%4", false, AlarmMapping()},
        {"id=ID;event=Event;message=Message;alarm=ALM;ack=ACK;clear=C;clear=D", false,
         AlarmMapping()},
        {"id=ID;event=;message=Message;alarm=ALM;ack=ACK;clear=CLR", false, AlarmMapping()},
        {"id=ID;event=id;message=Message;alarm=ALM;ack=ACK;clear=CLR", false, AlarmMapping()},
        {"id=ID;event=Event;message=Message;alarm=;ack=ACK;clear=CLR", false, AlarmMapping()},
        {"id=ID;event=Event;message=Message;alarm=ALM;ack=A L M;clear=CLR", false, AlarmMapping()},
    };
    EXPECT_EQ(MappingText(AlarmMapping()), defaults);
    for (const Case& c : cases) {
        AlarmMapping read = odd;
        EXPECT_EQ(ReadMappingText(c.text, &read), c.read) << c.text;
        EXPECT_TRUE(read == c.mapping) << c.text;
        EXPECT_EQ(
            MappingText(read).find_first_not_of(
                "!\"#$%&'()*+,-./"
                "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"),
            std::string::npos);
    }
}

TEST(AlarmModel, TheLogKeepsWithinItsBoundsAndSaysWhatItLeftOut) {
    const AlarmColumns columns = FindAlarmColumns("Time,ID,Event,Message");
    const std::string gb = "\xC6\xFB\xB0\xFC\xD2\xBA";    // three GB18030 characters
    const std::string utf8 = "\xE6\xB1\xBD\xE5\x8C\x85";  // two UTF-8 characters
    struct Case {
        const char* what;
        AlarmLog::Bounds bounds;
        std::vector<std::string> messages;  // of records at 00:00:01, 02, ...
        std::vector<std::string> kept;      // their messages as kept
        uint64_t leftOut;
        int firstLeftOut;  // second; -1: none
        uint64_t shortened;
    };
    const Case cases[] = {
        {"within the bounds", {3, 100, 10}, {"a", "b", "c"}, {"a", "b", "c"}, 0, -1, 0},
        {"past the records", {2, 100, 10}, {"a", "b", "c", "d"}, {"a", "b"}, 2, 3, 0},
        // 5 bytes of ID, event and message a record: the third would pass 14 bytes.
        {"past the bytes", {9, 14, 10}, {"a", "b", "c"}, {"a", "b"}, 1, 3, 0},
        {"a long message is cut", {9, 100, 3}, {"abcdef"}, {"abc"}, 0, -1, 1},
        {"between GB18030 characters", {9, 100, 5}, {gb}, {gb.substr(0, 4)}, 0, -1, 1},
        {"between UTF-8 characters", {9, 100, 5}, {utf8}, {utf8.substr(0, 3)}, 0, -1, 1},
    };
    for (const Case& c : cases) {
        AlarmLog log(c.bounds);
        for (size_t i = 0; i < c.messages.size(); ++i)
            log.Add("2024-01-01 00:00:0" + std::to_string(i + 1) + ",1,ALM," + c.messages[i],
                    columns);
        ASSERT_EQ(log.Size(), c.kept.size()) << c.what;
        for (size_t i = 0; i < c.kept.size(); ++i)
            EXPECT_EQ(log.Message(i), c.kept[i]) << c.what;
        EXPECT_EQ(log.LeftOut(), c.leftOut) << c.what;
        EXPECT_EQ(log.FirstLeftOut(), c.firstLeftOut < 0 ? kNoAlarmTime : At(c.firstLeftOut))
            << c.what;
        EXPECT_EQ(log.Shortened(), c.shortened) << c.what;
    }
}

TEST(AlarmModel, EventsPairIntoSpansPerId) {
    const AlarmColumns columns = FindAlarmColumns("Time,ID,Event,Message");
    auto record = [&](int second, const char* id, const char* event) {
        return "2024-01-01 00:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) +
               "," + id + "," + event + ",m";
    };
    struct Span {
        int from, to, ack;  // seconds; -1: no ACK
        bool started, cleared;
    };
    struct Case {
        const char* what;
        std::vector<std::string> records;
        std::vector<Span> spans;  // of ID "1", range 00:00:00..00:00:59
        size_t marks;
    };
    const Case cases[] = {
        {"alarm, ack, clear",
         {record(5, "1", "ALM"), record(8, "1", "ACK"), record(20, "1", "CLR")},
         {{5, 20, 8, true, true}},
         0},
        {"out of order",
         {record(20, "1", "CLR"), record(5, "1", "ALM"), record(8, "1", "ACK")},
         {{5, 20, 8, true, true}},
         0},
        {"no clear runs to the range end", {record(5, "1", "ALM")}, {{5, 59, -1, true, false}}, 0},
        {"repeated alarm ends the one standing",
         {record(5, "1", "ALM"), record(9, "1", "ALM"), record(30, "1", "CLR")},
         {{5, 9, -1, true, false}, {9, 30, -1, true, true}},
         0},
        {"clear without an alarm came before the range",
         {record(12, "1", "CLR")},
         {{0, 12, -1, false, true}},
         0},
        {"ack and clear of an ID that does not stand are marks",
         {record(2, "1", "ALM"), record(4, "1", "CLR"), record(7, "1", "ACK"),
          record(9, "1", "CLR")},
         {{2, 4, -1, true, true}},
         2},
        // Two alarms of the ID overlap; the first one's clear comes after the second's.
        {"a clear that comes twice",
         {record(1, "1", "ALM"), record(3, "1", "ACK"), record(5, "1", "ALM"),
          record(8, "1", "ACK"), record(20, "1", "CLR"), record(40, "1", "CLR")},
         {{1, 5, 3, true, false}, {5, 20, 8, true, true}},
         1},
        {"an other event tells nothing of an alarm from before the range",
         {record(3, "1", "RST"), record(8, "1", "ACK"), record(12, "1", "CLR")},
         {{0, 12, 8, false, true}},
         1},
        {"a second ack is left to the list, other events are marks",
         {record(1, "1", "ALM"), record(3, "1", "ACK"), record(4, "1", "ACK"),
          record(5, "1", "RST")},
         {{1, 59, 3, true, false}},
         1},
    };
    for (const Case& c : cases) {
        AlarmLog log;
        for (const std::string& r : c.records)
            log.Add(r, columns);
        const AlarmPlan plan = PairAlarms(log, At(0), At(59));
        ASSERT_EQ(plan.lanes.size(), 1u) << c.what;
        const AlarmLane& lane = plan.lanes[0];
        EXPECT_EQ(lane.id, "1") << c.what;
        EXPECT_EQ(lane.marks.size(), c.marks) << c.what;
        ASSERT_EQ(lane.spans.size(), c.spans.size()) << c.what;
        for (size_t i = 0; i < c.spans.size(); ++i) {
            const AlarmSpan& s = lane.spans[i];
            EXPECT_EQ(s.from, At(c.spans[i].from)) << c.what << " " << i;
            EXPECT_EQ(s.to, At(c.spans[i].to)) << c.what << " " << i;
            EXPECT_EQ(s.ack, c.spans[i].ack < 0 ? kNoAlarmTime : At(c.spans[i].ack))
                << c.what << " " << i;
            EXPECT_EQ(s.started, c.spans[i].started) << c.what << " " << i;
            EXPECT_EQ(s.cleared, c.spans[i].cleared) << c.what << " " << i;
        }
    }
    // Lanes by ID, numbers by value; lines without a time are kept apart, never dropped.
    AlarmLog mixed;
    for (const std::string& r :
         {record(1, "10", "ALM"), record(2, "9", "ALM"), record(3, "B", "ALM")})
        mixed.Add(r, columns);
    mixed.Add("bad line", columns);
    const AlarmPlan plan = PairAlarms(mixed, At(0), At(59));
    ASSERT_EQ(plan.lanes.size(), 3u);
    EXPECT_EQ(plan.lanes[0].id, "9");
    EXPECT_EQ(plan.lanes[1].id, "10");
    EXPECT_EQ(plan.lanes[2].id, "B");
    EXPECT_EQ(plan.untimed, std::vector<int32_t>{3});
}

TEST(AlarmModel, NearestPointOfATime) {
    const int64_t n = kNoAlarmTime;
    struct Case {
        const char* what;
        std::vector<int64_t> points;
        int64_t time;
        int32_t point;
    };
    const Case cases[] = {
        {"exact", {0, 10, 20}, 10, 1},
        {"nearer after", {0, 10, 20}, 16, 2},
        {"a tie takes the earlier", {0, 10, 20}, 15, 1},
        {"before the first", {0, 10, 20}, -50, 0},
        {"after the last", {0, 10, 20}, 99, 2},
        {"unknown times take no part", {n, 10, n, 30}, 0, 1},
        {"equal times: the first point", {0, 10, 10, 20}, 11, 1},
        {"a clock set back", {0, 10, 20, 5, 15}, 6, 3},
        {"no point with a time", {n, n}, 5, -1},
        {"no points", {}, 5, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearestPointIndex(c.points).Nearest(c.time), c.point) << c.what;
}

}  // namespace
