#include "alarm_analysis.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace alarms {

namespace {

constexpr int64_t kPeriod = 600;
constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 86400;

int64_t FloorTo(int64_t t, int64_t step) {
    const int64_t q = t / step;
    return (q * step > t ? q - 1 : q) * step;
}

// Clock-aligned bins of step seconds that [from, to) touches, the first starting at *first.
size_t Bins(int64_t from, int64_t to, int64_t step, int64_t* first) {
    *first = FloorTo(from, step);
    return static_cast<size_t>((to - *first + step - 1) / step);
}

void Judge(KeyFigure* k, double target, double manageable, bool strict) {
    k->target = target;
    k->manageable = manageable;
    k->strict = strict;
    auto within = [&](double limit) { return strict ? k->value < limit : k->value <= limit; };
    if (within(target))
        k->verdict = Verdict::kMet;
    else if (manageable > target && within(manageable))
        k->verdict = Verdict::kManageable;
    else
        k->verdict = Verdict::kMissed;
}

struct IdState {
    std::vector<int64_t> times;  // its ALMs within the span, in order
    std::vector<int64_t> acks, clears;
    size_t message = SIZE_MAX;  // its last fitting record within the span
    bool seen = false;
    bool standing = false;
};

uint32_t ChatterEpisodes(const std::vector<int64_t>& times, const AlarmThresholds& t) {
    const size_t n = std::max<uint32_t>(t.chatterCount, 2);
    uint32_t episodes = 0;
    bool before = false;
    for (size_t j = n - 1; j < times.size(); ++j) {
        const bool chatters = times[j] - times[j - n + 1] <= t.chatterSeconds;
        if (chatters && !before)
            ++episodes;
        before = chatters;
    }
    return episodes;
}

}  // namespace

const char* FigureName(Figure f) {
    static const char* const kNames[kFigureCount] = {"alarms_per_day",
                                                     "alarms_per_hour",
                                                     "alarms_per_10_minutes",
                                                     "busiest_10_minutes",
                                                     "flood_hours_percent",
                                                     "flood_10_minute_periods_percent",
                                                     "time_in_flood_percent",
                                                     "top_ten_percent",
                                                     "chattering_ids",
                                                     "fleeting_alarms",
                                                     "stale_alarms",
                                                     "most_stale_alarms_in_a_day",
                                                     "unacknowledged_alarms",
                                                     "ack_seconds_median",
                                                     "ack_seconds_90th_percentile",
                                                     "clear_seconds_median",
                                                     "clear_seconds_90th_percentile"};
    return kNames[static_cast<size_t>(f)];
}

int64_t Percentile(const std::vector<int64_t>& sorted, double p) {
    if (sorted.empty())
        return -1;
    const double rank = std::ceil(p * static_cast<double>(sorted.size()));
    const size_t at = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(at, sorted.size() - 1)];
}

AlarmAnalysis Analyse(const std::vector<AlarmEvent>& events, int64_t from, int64_t to,
                      const AlarmThresholds& t) {
    if (to <= from)
        throw std::invalid_argument("the span ends before it begins");
    if (static_cast<uint64_t>(to) - static_cast<uint64_t>(from) > uint64_t{100} * 366 * kDay)
        throw std::invalid_argument("the span is longer than 100 years");
    AlarmAnalysis a;
    a.from = from;
    a.to = to;

    // The records that pair, in time order; the rest counted.
    std::vector<size_t> order;
    order.reserve(events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const AlarmEvent& e = events[i];
        if (e.time == kNoTime) {
            a.unfit.push_back(i);
            continue;
        }
        const bool inSpan = e.time >= from && e.time < to;
        a.events += inSpan;
        a.outside += !inSpan;
        if (e.time >= to)
            continue;
        if (e.id.empty() || e.kind == EventKind::kOther) {
            if (inSpan)
                a.unfit.push_back(i);
            continue;
        }
        order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return events[x].time < events[y].time; });
    const Pairing pairing = PairEvents(events, order, to);
    for (size_t i : pairing.orphans) {
        if (events[i].time >= from)
            a.orphans.push_back(i);
    }

    std::vector<IdState> ids(pairing.ids.size());
    for (size_t k = 0; k < order.size(); ++k) {
        if (events[order[k]].time >= from) {
            IdState& s = ids[pairing.eventIds[k]];
            s.message = order[k];
            s.seen = true;
        }
    }

    const size_t periods = Bins(from, to, kPeriod, &a.first10Min);
    const size_t hours = Bins(from, to, kHour, &a.firstHour);
    int64_t firstDay = 0;
    const size_t days = Bins(from, to, kDay, &firstDay);
    a.per10Min.assign(periods, 0);
    a.perHour.assign(hours, 0);
    std::vector<int32_t> staleChange(days + 1, 0);  // stale alarms per day, as changes
    uint64_t fleeting = 0, stale = 0, unacknowledged = 0;
    std::vector<int64_t> acks, clears;
    for (const PairedAlarm& p : pairing.alarms) {
        IdState& s = ids[p.id];
        if (p.end > from) {
            s.seen = true;
            s.standing = p.clear == kNoTime && p.end == to;
            if (p.end - p.raised > t.staleSeconds) {
                ++stale;
                const int64_t begins = std::max(p.raised + t.staleSeconds, from);
                ++staleChange[static_cast<size_t>((begins - firstDay) / kDay)];
                --staleChange[static_cast<size_t>((p.end - 1 - firstDay) / kDay) + 1];
            }
        }
        if (p.raised < from)
            continue;
        ++a.alarms;
        ++a.per10Min[static_cast<size_t>((p.raised - a.first10Min) / kPeriod)];
        ++a.perHour[static_cast<size_t>((p.raised - a.firstHour) / kHour)];
        s.times.push_back(p.raised);
        if (p.ack != kNoTime) {
            s.acks.push_back(p.ack - p.raised);
            acks.push_back(p.ack - p.raised);
        } else {
            ++unacknowledged;
        }
        if (p.clear != kNoTime) {
            s.clears.push_back(p.clear - p.raised);
            clears.push_back(p.clear - p.raised);
            fleeting += p.clear - p.raised <= t.fleetingSeconds;
        }
    }

    // Per ID.
    uint64_t chattering = 0;
    std::vector<uint32_t> counts;
    for (size_t i = 0; i < ids.size(); ++i) {
        IdState& s = ids[i];
        if (!s.seen)
            continue;
        IdFigures f;
        f.id = pairing.ids[i];
        f.alarms = static_cast<uint32_t>(s.times.size());
        f.share = a.alarms == 0 ? 0 : 100.0 * f.alarms / static_cast<double>(a.alarms);
        if (!s.times.empty()) {
            f.first = s.times.front();
            f.last = s.times.back();
        }
        f.chatterEpisodes = ChatterEpisodes(s.times, t);
        a.chatterEpisodes += f.chatterEpisodes;
        chattering += f.chatterEpisodes > 0;
        std::sort(s.acks.begin(), s.acks.end());
        std::sort(s.clears.begin(), s.clears.end());
        f.ackMedian = Percentile(s.acks, 0.5);
        f.ackLongest = s.acks.empty() ? -1 : s.acks.back();
        f.clearMedian = Percentile(s.clears, 0.5);
        f.clearLongest = s.clears.empty() ? -1 : s.clears.back();
        f.standingAtEnd = s.standing;
        if (s.message != SIZE_MAX)
            f.message = std::string(events[s.message].message);
        counts.push_back(f.alarms);
        a.ids.push_back(std::move(f));
    }
    std::sort(a.ids.begin(), a.ids.end(), [](const IdFigures& x, const IdFigures& y) {
        return x.alarms != y.alarms ? x.alarms > y.alarms : x.id < y.id;
    });

    // Key figures.
    a.figures.resize(kFigureCount);
    for (int i = 0; i < kFigureCount; ++i)
        a.figures[static_cast<size_t>(i)].figure = static_cast<Figure>(i);
    auto figure = [&](Figure f) -> KeyFigure& { return a.figures[static_cast<size_t>(f)]; };
    const double span = static_cast<double>(to - from);
    const double alarms = static_cast<double>(a.alarms);
    figure(Figure::kAlarmsPerDay).value = alarms * kDay / span;
    figure(Figure::kAlarmsPerHour).value = alarms * kHour / span;
    figure(Figure::kAlarmsPer10Min).value = alarms * kPeriod / span;
    const auto busiest = std::max_element(a.per10Min.begin(), a.per10Min.end());
    figure(Figure::kBusiest10Min).value = *busiest;
    if (*busiest > 0)
        figure(Figure::kBusiest10Min).at = a.first10Min + (busiest - a.per10Min.begin()) * kPeriod;
    size_t floodHours = 0, floodPeriods = 0;
    int64_t floodTime = 0;
    for (uint32_t n : a.perHour)
        floodHours += n > t.floodHour;
    for (size_t i = 0; i < periods; ++i) {
        if (a.per10Min[i] <= t.floodPeriod)
            continue;
        ++floodPeriods;
        const int64_t start = a.first10Min + static_cast<int64_t>(i) * kPeriod;
        floodTime += std::min(start + kPeriod, to) - std::max(start, from);
    }
    figure(Figure::kFloodHoursShare).value = 100.0 * floodHours / hours;
    figure(Figure::kFloodPeriodsShare).value = 100.0 * floodPeriods / periods;
    figure(Figure::kFloodTimeShare).value = 100.0 * floodTime / span;
    std::sort(counts.begin(), counts.end(), std::greater<>());
    uint64_t topTen = 0;
    for (size_t i = 0; i < counts.size() && i < 10; ++i)
        topTen += counts[i];
    figure(Figure::kTopTenShare).value = a.alarms == 0 ? 0 : 100.0 * topTen / alarms;
    figure(Figure::kChatteringIds).value = static_cast<double>(chattering);
    figure(Figure::kFleetingAlarms).value = static_cast<double>(fleeting);
    figure(Figure::kStaleAlarms).value = static_cast<double>(stale);
    int64_t standing = 0, most = 0;
    for (size_t d = 0; d < days; ++d) {
        standing += staleChange[d];
        if (standing > most) {
            most = standing;
            figure(Figure::kStaleMostInADay).at = firstDay + static_cast<int64_t>(d) * kDay;
        }
    }
    figure(Figure::kStaleMostInADay).value = static_cast<double>(most);
    figure(Figure::kUnacknowledged).value = static_cast<double>(unacknowledged);
    std::sort(acks.begin(), acks.end());
    std::sort(clears.begin(), clears.end());
    figure(Figure::kAckMedian).value = static_cast<double>(Percentile(acks, 0.5));
    figure(Figure::kAck90).value = static_cast<double>(Percentile(acks, 0.9));
    figure(Figure::kClearMedian).value = static_cast<double>(Percentile(clears, 0.5));
    figure(Figure::kClear90).value = static_cast<double>(Percentile(clears, 0.9));

    Judge(&figure(Figure::kAlarmsPerDay), 150, 300, false);
    Judge(&figure(Figure::kAlarmsPerHour), 6, 12, false);
    Judge(&figure(Figure::kAlarmsPer10Min), 1, 2, false);
    Judge(&figure(Figure::kBusiest10Min), 10, 10, false);
    Judge(&figure(Figure::kFloodHoursShare), 1, 1, true);
    Judge(&figure(Figure::kFloodPeriodsShare), 1, 1, true);
    Judge(&figure(Figure::kFloodTimeShare), 1, 1, true);
    Judge(&figure(Figure::kTopTenShare), 5, 5, false);
    Judge(&figure(Figure::kChatteringIds), 0, 0, false);
    Judge(&figure(Figure::kFleetingAlarms), 0, 0, false);
    Judge(&figure(Figure::kStaleMostInADay), 5, 5, true);
    return a;
}

}  // namespace alarms
