// The alarm analysis on small hand-made logs whose figures are worked out by hand.
#include <gtest/gtest.h>

#include <sstream>

#include "alarm_analysis.h"
#include "alarm_analysis_csv.h"

namespace {

using alarms::AlarmEvent;
using alarms::EventKind;
using alarms::Figure;
using alarms::Verdict;

constexpr int64_t kDay = 86400;
constexpr int64_t B = 152000 * kDay;  // a midnight
constexpr EventKind ALM = EventKind::kAlarm, ACK = EventKind::kAck, CLR = EventKind::kClear,
                    OTH = EventKind::kOther;

AlarmEvent E(int64_t time, const char* id, EventKind kind, const char* message = "") {
    return AlarmEvent{time, id, kind, message};
}

struct Expect {
    Figure figure;
    double value;
    Verdict verdict = Verdict::kNoTarget;  // kNoTarget: not checked
};

struct Case {
    const char* name;
    std::vector<AlarmEvent> events;
    int64_t from, to;
    std::vector<Expect> figures;
    size_t orphans = 0, unfit = 0;
};

std::vector<AlarmEvent> Flood() {
    std::vector<AlarmEvent> e;
    const char* ids[] = {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11"};
    for (int i = 0; i < 12; ++i) {
        const int64_t at = B + 3600 + i * 10;
        e.push_back(E(at, ids[i], ALM));
        e.push_back(E(at + 30, ids[i], ACK));
        e.push_back(E(at + 100, ids[i], CLR));
    }
    return e;
}

std::vector<AlarmEvent> Chatter() {
    std::vector<AlarmEvent> e;
    // Two episodes (the second exactly 60 s wide), then two alarms 61 s apart that do not chatter.
    for (int64_t at : {0, 20, 40, 1000, 1030, 1060, 5000, 5061}) {
        e.push_back(E(B + at, "C", ALM));
        e.push_back(E(B + at + 5, "C", CLR));
    }
    return e;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"a flood of 12 alarms in one 10-minute period of a day",
         Flood(),
         B,
         B + kDay,
         {{Figure::kAlarmsPerDay, 12, Verdict::kMet},
          {Figure::kAlarmsPerHour, 0.5},
          {Figure::kBusiest10Min, 12, Verdict::kMissed},
          {Figure::kFloodHoursShare, 0, Verdict::kMet},
          {Figure::kFloodPeriodsShare, 100.0 / 144, Verdict::kMet},
          {Figure::kFloodTimeShare, 100.0 * 600 / kDay},
          {Figure::kTopTenShare, 100.0 * 10 / 12, Verdict::kMissed},
          {Figure::kChatteringIds, 0, Verdict::kMet},
          {Figure::kUnacknowledged, 0},
          {Figure::kAckMedian, 30},
          {Figure::kClear90, 100}}},
        {"one ID chattering twice, every alarm fleeting and unacknowledged",
         Chatter(),
         B,
         B + kDay,
         {{Figure::kChatteringIds, 1, Verdict::kMissed},
          {Figure::kFleetingAlarms, 8, Verdict::kMissed},
          {Figure::kUnacknowledged, 8},
          {Figure::kAckMedian, -1},
          {Figure::kClearMedian, 5}}},
        {"stale alarms: one standing past the end, one from before the span, one of exactly 24 h",
         {E(B + 3600, "S", ALM), E(B + 3700, "S", ACK), E(B - 2 * kDay, "T", ALM),
          E(B + kDay + 10, "T", CLR), E(B + 100, "U", ALM), E(B + 100 + kDay, "U", CLR)},
         B,
         B + 3 * kDay,
         {{Figure::kAlarmsPerDay, 2.0 / 3},
          {Figure::kStaleAlarms, 2},
          {Figure::kStaleMostInADay, 2, Verdict::kMet},
          {Figure::kUnacknowledged, 1},
          {Figure::kClearMedian, kDay}}},
        {"acknowledgements and clears of an ID that does not stand, records that do not fit",
         {E(B + 10, "A", ACK), E(B + 20, "A", ALM), E(B + 30, "A", CLR), E(B + 40, "A", CLR),
          E(B + 50, "", ALM), E(B + 60, "A", OTH), E(alarms::kNoTime, "A", ALM),
          E(B + kDay, "A", ALM)},
         B,
         B + kDay,
         {{Figure::kAlarmsPerDay, 1}, {Figure::kUnacknowledged, 1}, {Figure::kClearMedian, 10}},
         2,
         3},
        {"records out of time order, equal times in their given order",
         {E(B + 160, "X", CLR), E(B + 100, "X", ALM), E(B + 130, "X", ACK), E(B + 200, "Y", ALM),
          E(B + 200, "Y", CLR)},
         B,
         B + kDay,
         {{Figure::kAckMedian, 30}, {Figure::kClear90, 60}, {Figure::kFleetingAlarms, 1}}},
        {"median and 90th percentile by the nearest rank",
         [] {
             std::vector<AlarmEvent> e;
             for (int i = 1; i <= 10; ++i) {
                 e.push_back(E(B + i * 2000, "P", ALM));
                 e.push_back(E(B + i * 2000 + i * 10, "P", ACK));
                 e.push_back(E(B + i * 2000 + 1000 + i, "P", CLR));
             }
             return e;
         }(),
         B,
         B + kDay,
         {{Figure::kAckMedian, 50},
          {Figure::kAck90, 90},
          {Figure::kClearMedian, 1005},
          {Figure::kClear90, 1009},
          {Figure::kTopTenShare, 100}}},
    };
    return cases;
}

TEST(AlarmAnalysis, KeyFiguresOfHandMadeLogs) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const alarms::AlarmAnalysis a = alarms::Analyse(c.events, c.from, c.to);
        for (const Expect& x : c.figures) {
            SCOPED_TRACE(alarms::FigureName(x.figure));
            EXPECT_NEAR(a[x.figure].value, x.value, 1e-9);
            if (x.verdict != Verdict::kNoTarget) {
                EXPECT_EQ(a[x.figure].verdict, x.verdict);
            }
        }
        EXPECT_EQ(a.orphans.size(), c.orphans);
        EXPECT_EQ(a.unfit.size(), c.unfit);
    }
}

TEST(AlarmAnalysis, WhenFiguresHappen) {
    const alarms::AlarmAnalysis flood = alarms::Analyse(Flood(), B, B + kDay);
    EXPECT_EQ(flood[Figure::kBusiest10Min].at, B + 3600);
    ASSERT_EQ(flood.per10Min.size(), 144u);
    EXPECT_EQ(flood.per10Min[6], 12u);
    EXPECT_EQ(flood.perHour[1], 12u);
    const alarms::AlarmAnalysis stale = alarms::Analyse(Cases()[2].events, B, B + 3 * kDay);
    EXPECT_EQ(stale[Figure::kStaleMostInADay].at, B + kDay);
    // A span that is not on whole periods has the periods it touches.
    const alarms::AlarmAnalysis part = alarms::Analyse(Flood(), B + 3000, B + 3900);
    EXPECT_EQ(part.first10Min, B + 3000);
    EXPECT_EQ(part.per10Min.size(), 2u);
    EXPECT_EQ(part.firstHour, B);
    EXPECT_EQ(part.perHour.size(), 2u);
    EXPECT_NEAR(part[Figure::kFloodTimeShare].value, 100.0 * 300 / 900, 1e-9);
    EXPECT_THROW(alarms::Analyse(Flood(), B, B), std::invalid_argument);
}

TEST(AlarmAnalysis, FiguresPerId) {
    std::vector<AlarmEvent> events = Cases()[2].events;  // S, T, U
    for (const AlarmEvent& e : Chatter())
        events.push_back(e);
    events.push_back(E(B + 7000, "S", OTH, "not an event"));
    events.push_back(E(B + 7100, "S", ACK, "acknowledged, by the operator"));
    const alarms::AlarmAnalysis a = alarms::Analyse(events, B, B + 3 * kDay);
    struct Row {
        const char* id;
        uint32_t alarms;
        int64_t first, last;
        uint32_t episodes;
        int64_t ackMedian, ackLongest, clearMedian, clearLongest;
        bool standing;
        const char* message;
    };
    const Row rows[] = {
        {"C", 8, B, B + 5061, 2, -1, -1, 5, 5, false, ""},
        {"S", 1, B + 3600, B + 3600, 0, 100, 100, -1, -1, true, "acknowledged, by the operator"},
        {"U", 1, B + 100, B + 100, 0, -1, -1, kDay, kDay, false, ""},
        {"T", 0, alarms::kNoTime, alarms::kNoTime, 0, -1, -1, -1, -1, false, ""},
    };
    ASSERT_EQ(a.ids.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const alarms::IdFigures& f = a.ids[i];
        const Row& r = rows[i];
        SCOPED_TRACE(r.id);
        EXPECT_EQ(f.id, r.id);
        EXPECT_EQ(f.alarms, r.alarms);
        EXPECT_NEAR(f.share, 100.0 * r.alarms / 10, 1e-9);
        EXPECT_EQ(f.first, r.first);
        EXPECT_EQ(f.last, r.last);
        EXPECT_EQ(f.chatterEpisodes, r.episodes);
        EXPECT_EQ(f.ackMedian, r.ackMedian);
        EXPECT_EQ(f.ackLongest, r.ackLongest);
        EXPECT_EQ(f.clearMedian, r.clearMedian);
        EXPECT_EQ(f.clearLongest, r.clearLongest);
        EXPECT_EQ(f.standingAtEnd, r.standing);
        EXPECT_EQ(f.message, r.message);
    }
}

TEST(AlarmAnalysisCsv, CellsAreQuotedWhenTheyMustBe) {
    const std::pair<const char*, const char*> cells[] = {
        {"plain text", "plain text"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"", ""},
    };
    for (const auto& [text, cell] : cells)
        EXPECT_EQ(alarms::CsvCell(text), cell) << text;
}

TEST(AlarmAnalysisCsv, TablesWithHeaders) {
    const std::vector<AlarmEvent> events = {E(B + 3600, "T-1,a", ALM, "hot, \"very\""),
                                            E(B + 3630, "T-1,a", ACK, "hot, \"very\""),
                                            E(B + 3700, "T-1,a", CLR, "cool")};
    const alarms::AlarmAnalysis a = alarms::Analyse(events, B, B + kDay);
    std::ostringstream ids;
    alarms::WriteAlarmIdsCsv(ids, a);
    const std::string first = alarms::AlarmTimeText(B + 3600);
    EXPECT_EQ(first.size(), 19u);
    EXPECT_EQ(ids.str(),
              "id,alarms,share_percent,first,last,chatter_episodes,ack_median_seconds,"
              "ack_longest_seconds,clear_median_seconds,clear_longest_seconds,standing_at_end,"
              "message\n\"T-1,a\",1,100," +
                  first + "," + first + ",0,30,30,100,100,no,cool\n");
    std::ostringstream figures;
    alarms::WriteKeyFiguresCsv(figures, a);
    const std::string text = figures.str();
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "figure,value,at,target,manageable,verdict\n"
              "alarms_per_day,1,,<= 150,<= 300,met\n");
    EXPECT_NE(
        text.find("\nbusiest_10_minutes,1," + alarms::AlarmTimeText(B + 3600) + ",<= 10,,met\n"),
        std::string::npos);
    EXPECT_NE(text.find("\nflood_hours_percent,0,,< 1,,met\n"), std::string::npos);
    EXPECT_NE(text.find("\nunacknowledged_alarms,0,,,,\n"), std::string::npos);
}

}  // namespace
