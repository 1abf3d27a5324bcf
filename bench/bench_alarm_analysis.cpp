// The alarm analysis of a month of about 20,000 alarm records and a year of about 300,000:
//   1. read included: the bench alarm log written as an alarm store, read from it, its records
//      taken as events and analysed, as the analysis window and the report tool do (targets
//      100 ms and 1 s, and 100 MB for the year);
//   2. the analysis alone, of generated logs with chattering alarms, floods and alarms left
//      standing, in an order that is mostly but not wholly by time.
// Prints each time against its target with "met" or "MISSED".
//
//   bench_alarm_analysis [--dir DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "alarm_analysis.h"
#include "alarm_model.h"
#include "alarm_reader.h"
#include "calendar_time.h"
#include "sample_store.h"

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

// The bench alarm log of `days` days from 2024-01-01 and about `records` records, in an alarm
// store of its own under dir.
struct Store {
    const char* what;
    std::string folder;
    uint32_t days;
    uint32_t records;
    double target;
};

// Reads the whole store, takes its records as events and analyses them, best of five; the peak
// memory is the process's, which has done nothing bigger before.
bool MeasureRead(const Store& store) {
    const CalendarTime from = MakeCalendarTime(2024, 1, 1);
    uint64_t start = 0;
    CalendarToFileTime(from, &start);
    CalendarTime to;
    FileTimeToCalendar(start + (uint64_t{store.days} * 86400 - 1) * kFileTimeUnitsPerSecond, &to);
    const int64_t first = static_cast<int64_t>(start / kFileTimeUnitsPerSecond);
    double best = 1e9, read = 1e9, events = 1e9;
    size_t records = 0;
    uint64_t alarmCount = 0;
    size_t kept = 0;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point t0 = Clock::now();
        const AlarmReadResult result = ReadAlarms(store.folder, from, to);
        const Clock::time_point t1 = Clock::now();
        const std::vector<alarms::AlarmEvent> e = AlarmEventsOf(*result.log);
        const Clock::time_point t2 = Clock::now();
        const alarms::AlarmAnalysis a =
            alarms::Analyse(e, first, first + int64_t{store.days} * kDay);
        const Clock::time_point t3 = Clock::now();
        if (result.store != AlarmStoreState::kAlarmLog || result.problem.Any() ||
            result.log->Size() == 0) {
            std::fprintf(stderr, "bench alarms: the store at %s does not read\n",
                         store.folder.c_str());
            return false;
        }
        best = std::min(best, std::chrono::duration<double>(t3 - t0).count());
        read = std::min(read, std::chrono::duration<double>(t1 - t0).count());
        events = std::min(events, std::chrono::duration<double>(t2 - t1).count());
        records = result.log->Size();
        kept = result.log->Bytes();
        alarmCount = a.alarms;
    }
    std::printf("%-44s %10.3f s   target <= %g s: %s\n", store.what, best, store.target,
                best <= store.target ? "met" : "MISSED");
    const double peak = PeakKilobytes() / 1024.0;
    std::printf(
        "    %zu records, %llu alarms; read %.3f s, events %.3f s, analysis %.3f s; the log "
        "holds %.1f MB; peak memory %.1f MB (target <= 100 MB: %s)\n",
        records, static_cast<unsigned long long>(alarmCount), read, events, best - read - events,
        kept / 1048576.0, peak, peak <= 100 ? "met" : "MISSED");
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string dir;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0)
            dir = argv[i + 1];
    }
    const bool temporary = dir.empty();
    if (temporary) {
        std::string pattern = (std::filesystem::temp_directory_path() / "histavue-alarms-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr)
            return 1;
        dir = pattern;
    }
    const Store stores[] = {
        {"read and analysis of a month (20,000 records)", dir + "/month", 31, 20000, 0.1},
        {"read and analysis of a year (300,000 records)", dir + "/year", 365, 300000, 1.0},
    };
    // Written by a process of its own, so that the writer's memory is not this process's peak.
    const pid_t writer = fork();
    if (writer == 0) {
        for (const Store& s : stores) {
            std::string error;
            std::filesystem::create_directories(s.folder);
            if (!WriteBenchAlarms(s.folder, 1, s.days * 86400, s.records, &error)) {
                std::fprintf(stderr, "bench alarms: %s\n", error.c_str());
                _exit(1);
            }
        }
        _exit(0);
    }
    int status = 0;
    bool ok = writer > 0 && waitpid(writer, &status, 0) == writer && WIFEXITED(status) &&
              WEXITSTATUS(status) == 0;
    for (const Store& s : stores)
        ok = ok && MeasureRead({s.what, s.folder + "/AL/", s.days, s.records, s.target});
    if (temporary)
        std::filesystem::remove_all(dir);
    if (!ok)
        return 1;
    // The analysis alone.
    Measure("analysis of a month (about 20,000 records)", 20000, 31, 0.1);
    Measure("analysis of a year (about 300,000 records)", 300000, 365, 1.0);
    return 0;
}
