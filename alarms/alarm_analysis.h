// The health of an alarm log over a span, measured as alarm management measures it: the alarm
// rates an operator faced, floods, the most frequent alarms, chattering, fleeting and stale
// alarms, and the times to acknowledge and to clear, each against its usual target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "alarm_events.h"

namespace alarms {

struct AlarmThresholds {
    uint32_t floodHour = 30;      // an hour with more alarms than this counts as flooded
    uint32_t floodPeriod = 10;    // a 10-minute period with more than this is in flood
    uint32_t chatterCount = 3;    // this many alarms of one ID ...
    int64_t chatterSeconds = 60;  // ... within this many seconds chatter
    // Cleared within this many seconds: fleeting. The log keeps whole seconds, so a second or
    // two would only catch alarms cleared in the second they came; no operator acts within 10 s.
    int64_t fleetingSeconds = 10;
    int64_t staleSeconds = 86400;  // standing longer than this: stale
};

enum class Figure : uint8_t {
    kAlarmsPerDay,       // average over the span
    kAlarmsPerHour,      // average over the span
    kAlarmsPer10Min,     // average over the span
    kBusiest10Min,       // alarms of the busiest 10-minute period (at: its start)
    kFloodHoursShare,    // % of the hours with more than floodHour alarms
    kFloodPeriodsShare,  // % of the 10-minute periods with more than floodPeriod alarms
    kFloodTimeShare,     // % of the span's time inside those periods
    kTopTenShare,        // % of all alarms that the ten most frequent IDs raised
    kChatteringIds,      // IDs with at least one chattering episode
    kFleetingAlarms,     // alarms cleared within fleetingSeconds
    kStaleAlarms,        // alarms standing longer than staleSeconds within the span
    kStaleMostInADay,    // the most stale alarms of any one day (at: that day's start)
    kUnacknowledged,     // alarms of the span never acknowledged while they stood
    kAckMedian,          // seconds from ALM to ACK; -1 when none was acknowledged
    kAck90,
    kClearMedian,  // seconds from ALM to CLR; -1 when none was cleared
    kClear90,
};
constexpr int kFigureCount = static_cast<int>(Figure::kClear90) + 1;

// A plain name of the figure ("alarms_per_day"), for files and logs.
const char* FigureName(Figure f);

enum class Verdict : uint8_t { kMet, kManageable, kMissed, kNoTarget };

struct KeyFigure {
    Figure figure = Figure::kAlarmsPerDay;
    double value = 0;
    int64_t at = kNoTime;  // where the figure names a time
    // The target, and for rates the most that is still manageable (else equal to target).
    // strict: the value must stay below the target rather than at most reach it.
    double target = 0;
    double manageable = 0;
    bool strict = false;
    Verdict verdict = Verdict::kNoTarget;
};

struct IdFigures {
    std::string id;
    uint32_t alarms = 0;                      // ALMs within the span
    double share = 0;                         // % of all alarms of the span
    int64_t first = kNoTime, last = kNoTime;  // its first and last ALM within the span
    uint32_t chatterEpisodes = 0;
    int64_t ackMedian = -1, ackLongest = -1;      // seconds; -1: none acknowledged
    int64_t clearMedian = -1, clearLongest = -1;  // seconds; -1: none cleared
    bool standingAtEnd = false;
    std::string message;  // of its last record within the span
};

struct AlarmAnalysis {
    int64_t from = 0, to = 0;
    uint64_t events = 0;          // records within the span, fitting or not
    uint64_t alarms = 0;          // ALMs within the span
    std::vector<size_t> unfit;    // records without a time, an ID or a known event (indices)
    std::vector<size_t> orphans;  // ACKs and CLRs within the span of an ID that did not stand
    uint64_t outside = 0;         // records with a time outside the span
    uint64_t chatterEpisodes = 0;
    std::vector<KeyFigure> figures;  // one per Figure, in its order
    std::vector<IdFigures> ids;      // every ID with a fitting record in the span, most alarms
                                     // first (equal counts by ID)
    // Alarms per clock-aligned 10-minute period and hour, from the one holding from.
    int64_t first10Min = 0, firstHour = 0;
    std::vector<uint32_t> per10Min, perHour;

    const KeyFigure& operator[](Figure f) const { return figures[static_cast<size_t>(f)]; }
};

// Measures the span [from, to) of the events (in any order: sorted by time first, equal times
// in their given order). Records before from only tell what stands when the span begins;
// records from to on are left out. Days, hours and 10-minute periods are those of the clock.
// Throws std::invalid_argument when to is not after from, or the span is longer than 100 years.
AlarmAnalysis Analyse(const std::vector<AlarmEvent>& events, int64_t from, int64_t to,
                      const AlarmThresholds& t = AlarmThresholds());

// The value at fraction p (0.5 the median) of sorted values by the nearest rank: an observed
// value, the lower of two middles; -1 for none.
int64_t Percentile(const std::vector<int64_t>& sorted, double p);

}  // namespace alarms
