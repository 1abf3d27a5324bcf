// The alarm analysis of a generated alarm log: a year of about 300,000 records and a month of
// about 20,000, both with chattering alarms, floods and alarms left standing, in an order that is
// mostly but not wholly by time. Prints each time against its target with "met" or "MISSED".
//
//   bench_alarm_analysis
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "alarm_analysis.h"

namespace {

using Clock = std::chrono::steady_clock;
using alarms::AlarmEvent;
using alarms::EventKind;

constexpr int64_t kDay = 86400;
constexpr int64_t kStart = 153000 * kDay;  // a midnight

struct Log {
    std::vector<std::string> messages;  // what the events' messages view
    std::vector<AlarmEvent> events;
};

// About `records` records over `days` days from 400 IDs of very different frequencies.
Log Generate(size_t records, int days, uint32_t seed) {
    std::mt19937_64 random(seed);
    Log log;
    const int ids = 400;
    for (int i = 0; i < ids; ++i)
        log.messages.push_back("Tank " + std::to_string(i) + " level high, pump tripped");
    std::vector<double> weights;
    for (int i = 0; i < ids; ++i)
        weights.push_back(1.0 / (i + 1));
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::uniform_int_distribution<int64_t> when(0, days * kDay - 1);
    std::exponential_distribution<double> ack(1.0 / 120), clear(1.0 / 900);
    std::uniform_int_distribution<int> chance(0, 99);
    auto alarm = [&](int id, int64_t at) {
        const std::string name = "TAG" + std::to_string(id);
        const std::string_view message = log.messages[static_cast<size_t>(id)];
        log.events.push_back({at, name, EventKind::kAlarm, message});
        const int fate = chance(random);
        if (fate < 3)
            return;  // stands: stale, and standing at the end
        const int64_t acked = at + 1 + static_cast<int64_t>(ack(random));
        if (fate < 80)
            log.events.push_back({acked, name, EventKind::kAck, message});
        log.events.push_back(
            {acked + static_cast<int64_t>(clear(random)), name, EventKind::kClear, message});
    };
    while (log.events.size() < records) {
        const int64_t at = kStart + when(random);
        const int kind = chance(random);
        if (kind == 0) {  // a flood: 40 alarms of many IDs within 10 minutes
            for (int i = 0; i < 40; ++i)
                alarm(pick(random), at + i * 15);
        } else if (kind < 4) {  // chattering: 6 alarms of one ID 8 s apart
            const int id = pick(random);
            for (int i = 0; i < 6; ++i)
                alarm(id, at + i * 8);
        } else {
            alarm(pick(random), at);
        }
    }
    // Mostly in time order, as a log is, with a few records out of place.
    std::stable_sort(log.events.begin(), log.events.end(),
                     [](const AlarmEvent& a, const AlarmEvent& b) { return a.time < b.time; });
    std::uniform_int_distribution<size_t> place(0, log.events.size() - 1);
    for (size_t i = 0; i < log.events.size() / 100; ++i)
        std::swap(log.events[place(random)], log.events[place(random)]);
    return log;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Measure(const char* what, size_t records, int days, double target) {
    const Log log = Generate(records, days, 32);
    const long before = PeakKilobytes();
    double best = 1e9;
    alarms::AlarmAnalysis a;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point t = Clock::now();
        a = alarms::Analyse(log.events, kStart, kStart + days * kDay);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t).count());
    }
    std::printf("%-44s %10.3f s   target <= %g s: %s\n", what, best, target,
                best <= target ? "met" : "MISSED");
    std::printf(
        "    %zu records, %llu alarms, %zu IDs, %llu chattering episodes, %.0f stale, "
        "%.1f%% of the time in flood; peak memory %.1f MB (%.1f MB more while analysing)\n",
        log.events.size(), static_cast<unsigned long long>(a.alarms), a.ids.size(),
        static_cast<unsigned long long>(a.chatterEpisodes), a[alarms::Figure::kStaleAlarms].value,
        a[alarms::Figure::kFloodTimeShare].value, PeakKilobytes() / 1024.0,
        (PeakKilobytes() - before) / 1024.0);
}

}  // namespace

int main() {
    // The analysis alone; the budgets include reading the log, so these should be met easily.
    Measure("analysis of a month (about 20,000 records)", 20000, 31, 0.1);
    Measure("analysis of a year (about 300,000 records)", 300000, 365, 1.0);
    return 0;
}
