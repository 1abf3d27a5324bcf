// The alarm log read beside the curves: lines by their captions, events paired into spans per
// alarm ID, and the nearest-point rule of the point-number axis.
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
    struct Case {
        const char* header;
        const char* line;
        int64_t time;
        AlarmEventKind kind;
        const char* id;
        const char* message;
        bool whole;
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
    };
    for (const Case& c : cases) {
        const AlarmRecord r = ParseAlarmLine(c.line, FindAlarmColumns(c.header));
        EXPECT_EQ(r.time, c.time) << c.line;
        EXPECT_EQ(r.kind, c.kind) << c.line;
        EXPECT_EQ(r.id, c.id) << c.line;
        EXPECT_EQ(r.message, c.message) << c.line;
        EXPECT_EQ(r.whole, c.whole) << c.line;
        EXPECT_EQ(r.line, c.line) << c.line;
    }
}

TEST(AlarmModel, EventsPairIntoSpansPerId) {
    const AlarmColumns columns = FindAlarmColumns("Time,ID,Event,Message");
    auto record = [&](int second, const char* id, const char* event) {
        return ParseAlarmLine("2024-01-01 00:00:" + std::string(second < 10 ? "0" : "") +
                                  std::to_string(second) + "," + id + "," + event + ",m",
                              columns);
    };
    struct Span {
        int from, to, ack;  // seconds; -1: no ACK
        bool started, cleared;
    };
    struct Case {
        const char* what;
        std::vector<AlarmRecord> records;
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
        {"ack without an alarm, after an earlier span",
         {record(2, "1", "ALM"), record(4, "1", "CLR"), record(7, "1", "ACK"),
          record(9, "1", "CLR")},
         {{2, 4, -1, true, true}, {4, 9, 7, false, true}},
         0},
        {"a second ack is left to the list, other events are marks",
         {record(1, "1", "ALM"), record(3, "1", "ACK"), record(4, "1", "ACK"),
          record(5, "1", "RST")},
         {{1, 59, 3, true, false}},
         1},
    };
    for (const Case& c : cases) {
        const AlarmPlan plan = PairAlarms(c.records, At(0), At(59));
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
    std::vector<AlarmRecord> mixed{record(1, "10", "ALM"), record(2, "9", "ALM"),
                                   record(3, "B", "ALM"), ParseAlarmLine("bad line", columns)};
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
