#include "sample_store.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "file_system.h"
#include "record_writer.h"
#include "sample_data_log.h"

using samples::At;
using samples::ChannelEvent;
using samples::ChannelPlan;
using samples::ChannelTrend;
using samples::Fail;
using samples::GroupPlan;
using samples::Kind;
using samples::LongTerm;
using samples::MakeDataFolder;
using samples::PrepareRoot;
using samples::Rng;
using samples::Span;
using samples::StreamSeed;
using samples::WriteDataGroup;
using samples::WriteRoot;

namespace {

// Channels of a production line sampled every second: temperatures (°C), pressures (bar),
// flows (m3/h), levels (%), a speed (rpm), a piece counter and on/off states.
const ChannelPlan kLineChannels[] = {
    {"TT101", Kind::kAnalog, 2, 2000, 9000, 400, 3, 4},
    {"TT102", Kind::kAnalog, 2, 2000, 9000, 600, 3, 4},
    {"TT103", Kind::kAnalog, 2, 3000, 9000, 300, 2, 3},
    {"TT104", Kind::kAnalog, 2, 4000, 9000, 500, 4, 6},
    {"TT105", Kind::kAnalog, 2, 2000, 6000, 300, 2, 3},
    {"TT106", Kind::kAnalog, 2, 5000, 9000, 200, 3, 5},
    {"PT201", Kind::kAnalog, 2, 150, 650, 40, 1, 2},
    {"PT202", Kind::kAnalog, 2, 300, 800, 30, 1, 2},
    {"PT203", Kind::kAnalog, 2, 100, 250, 10, 1, 1},
    {"FT301", Kind::kAnalog, 2, 1000, 12000, 1500, 10, 20},
    {"FT302", Kind::kAnalog, 2, 500, 6000, 800, 8, 15},
    {"FT303", Kind::kAnalog, 2, 2000, 4000, 200, 5, 10},
    {"LT401", Kind::kAnalog, 2, 1000, 9500, 1200, 6, 8},
    {"LT402", Kind::kAnalog, 2, 3000, 8000, 600, 4, 6},
    {"Speed", Kind::kAnalog, 0, 1400, 1500, 20, 1, 2},
    {"Count", Kind::kCounter, 0, 184000, 900, 0, 0, 0},
    {"Pump1", Kind::kState, 0, 0, 0, 0, 0, 0},
    {"Pump2", Kind::kState, 0, 0, 0, 0, 0, 0},
    {"Valve1", Kind::kState, 0, 0, 0, 0, 0, 0},
    {"Valve2", Kind::kState, 0, 0, 0, 0, 0, 0},
};

// Boiler No. 1, every 30 s. Channel names in GBK.
const ChannelPlan kBoilerChannels[] = {
    // 炉膛温度 (furnace temperature)
    {"\xC2\xAF\xCC\xC5\xCE\xC2\xB6\xC8", Kind::kAnalog, 2, 60000, 85000, 3000, 80, 60},
    // 进水温度 (inlet water temperature)
    {"\xBD\xF8\xCB\xAE\xCE\xC2\xB6\xC8", Kind::kAnalog, 2, 2000, 6000, 600, 10, 5},
    // 出水温度 (outlet water temperature)
    {"\xB3\xF6\xCB\xAE\xCE\xC2\xB6\xC8", Kind::kAnalog, 2, 6000, 9000, 500, 10, 5},
    // 温度1 (temperature 1)
    {"\xCE\xC2\xB6\xC8"
     "1",
     Kind::kAnalog, 2, 2000, 9000, 800, 12, 8},
    // 温度2 (temperature 2)
    {"\xCE\xC2\xB6\xC8"
     "2",
     Kind::kAnalog, 2, 2000, 9000, 800, 12, 8},
    // 蒸汽压力 (steam pressure, MPa)
    {"\xD5\xF4\xC6\xFB\xD1\xB9\xC1\xA6", Kind::kAnalog, 2, 60, 125, 8, 1, 1},
    // 压力 (pressure, bar)
    {"\xD1\xB9\xC1\xA6", Kind::kAnalog, 2, 200, 600, 40, 3, 2},
    // 给水流量 (feed water flow, m3/h)
    {"\xB8\xF8\xCB\xAE\xC1\xF7\xC1\xBF", Kind::kAnalog, 2, 500, 2500, 300, 15, 10},
    // 流量 (flow, m3/h)
    {"\xC1\xF7\xC1\xBF", Kind::kAnalog, 2, 1000, 8000, 900, 25, 15},
    // 汽包液位 (drum level, %)
    {"\xC6\xFB\xB0\xFC\xD2\xBA\xCE\xBB", Kind::kAnalog, 2, 3500, 6500, 300, 10, 8},
    // 液位 (level, %)
    {"\xD2\xBA\xCE\xBB", Kind::kAnalog, 2, 1000, 9000, 1500, 20, 10},
    // 风机 (fan)
    {"\xB7\xE7\xBB\xFA", Kind::kState, 0, 0, 0, 0, 0, 0},
    // 水泵 (water pump)
    {"\xCB\xAE\xB1\xC3", Kind::kState, 0, 0, 0, 0, 0, 0},
};

// A storage tank every 10 minutes.
const ChannelPlan kTankChannels[] = {
    {"Level1", Kind::kAnalog, 2, 500, 9800, 2500, 150, 10},
    {"Level2", Kind::kAnalog, 2, 2000, 9000, 1500, 100, 10},
    {"Inflow", Kind::kAnalog, 2, 0, 4500, 1200, 150, 30},
    {"Outflow", Kind::kAnalog, 2, 0, 4000, 1000, 150, 30},
    {"Temp", Kind::kAnalog, 2, 1200, 3500, 400, 30, 5},
    {"Mixer", Kind::kState, 0, 0, 0, 0, 0, 0},
    {"Pump", Kind::kState, 0, 0, 0, 0, 0, 0},
    {"Valve", Kind::kState, 0, 0, 0, 0, 0, 0},
};

// Pressures and flows of a distribution network, hourly. Channel names in GBK.
const ChannelPlan kNetworkChannels[] = {
    // 压力1 .. 压力4 (pressure 1..4, bar)
    {"\xD1\xB9\xC1\xA6"
     "1",
     Kind::kAnalog, 2, 250, 650, 60, 4, 3},
    {"\xD1\xB9\xC1\xA6"
     "2",
     Kind::kAnalog, 2, 250, 650, 60, 4, 3},
    {"\xD1\xB9\xC1\xA6"
     "3",
     Kind::kAnalog, 2, 150, 450, 40, 3, 2},
    {"\xD1\xB9\xC1\xA6"
     "4",
     Kind::kAnalog, 2, 150, 450, 40, 3, 2},
    // 流量1 .. 流量4 (flow 1..4, m3/h)
    {"\xC1\xF7\xC1\xBF"
     "1",
     Kind::kAnalog, 2, 2000, 15000, 3000, 150, 40},
    {"\xC1\xF7\xC1\xBF"
     "2",
     Kind::kAnalog, 2, 2000, 15000, 3000, 150, 40},
    {"\xC1\xF7\xC1\xBF"
     "3",
     Kind::kAnalog, 2, 1000, 8000, 1500, 120, 30},
    {"\xC1\xF7\xC1\xBF"
     "4",
     Kind::kAnalog, 2, 1000, 8000, 1500, 120, 30},
    // 总管压力 (main header pressure, bar)
    {"\xD7\xDC\xB9\xDC\xD1\xB9\xC1\xA6", Kind::kAnalog, 2, 400, 700, 30, 3, 2},
    // 运行 (running)
    {"\xD4\xCB\xD0\xD0", Kind::kState, 0, 0, 0, 0, 0, 0},
};

// Daily energy and utility report.
const ChannelPlan kEnergyChannels[] = {
    {"kWh_total", Kind::kCounter, 0, 1250000, 900, 0, 0, 0},
    {"kWh_day", Kind::kAnalog, 2, 1500000, 2600000, 0, 40000, 50000},
    {"Water_m3", Kind::kCounter, 0, 48000, 12, 0, 0, 0},
    {"Gas_m3", Kind::kCounter, 0, 230000, 40, 0, 0, 0},
    {"PeakLoad_kW", Kind::kAnalog, 0, 600, 1400, 0, 40, 40},
    {"RunHours", Kind::kCounter, 0, 31000, 1, 0, 0, 0},
};

// Half-monthly summary.
const ChannelPlan kSummaryChannels[] = {
    {"AvgTemp", Kind::kAnalog, 2, 4000, 7500, 0, 150, 80},
    {"AvgPress", Kind::kAnalog, 2, 300, 550, 0, 10, 8},
    {"Output_t", Kind::kAnalog, 0, 1200, 2400, 0, 40, 60},
    {"Downtime_h", Kind::kAnalog, 2, 0, 3600, 0, 150, 300},
    {"Starts", Kind::kAnalog, 0, 0, 12, 0, 0, 6},
};

std::vector<GroupPlan> DemoDataGroups() {
    const std::string boiler = "\xB9\xF8\xC2\xAF\xD2\xBB\xBA\xC5";   // 锅炉一号 (boiler No. 1)
    const std::string network = "\xD1\xB9\xC1\xA6\xC1\xF7\xC1\xBF";  // 压力流量 (pressure, flow)
    const std::string dataLog = "\xCA\xFD\xBE\xDD\xBC\xC7\xC2\xBC: ";  // 数据记录 (data log)
    std::vector<GroupPlan> plans;
    // Every second across the turn of the year; switched off from 00:40 to 02:10, so the
    // hour folder 2024-01-01 01 is missing. About 0.5 MB an hour: several blocks a folder.
    plans.push_back(GroupPlan{"Line1",
                              1,
                              1,
                              "Data log: Line1",
                              kLineChannels,
                              std::size(kLineChannels),
                              {{At(2023, 12, 31, 21, 30), At(2024, 1, 1, 0, 39, 59)},
                               {At(2024, 1, 1, 2, 10), At(2024, 1, 1, 2, 30)}}});
    // Every 30 s over the leap day; off from 03:15 to 08:45 on 2024-02-29 (hours 04-07 missing).
    plans.push_back(GroupPlan{boiler,
                              2,
                              30,
                              dataLog + boiler,
                              kBoilerChannels,
                              std::size(kBoilerChannels),
                              {{At(2024, 2, 28, 12), At(2024, 2, 29, 3, 15)},
                               {At(2024, 2, 29, 8, 45, 10), At(2024, 3, 1, 12)}}});
    // Every 10 min for two weeks over the leap day and the end of February; off from
    // 2024-02-23 14:00 to 2024-02-26 09:30 (days 24 and 25 missing). Six records an hour
    // folder: the many small folders of a slow group at hour depth.
    plans.push_back(GroupPlan{
        "Tank",
        3,
        600,
        "Data log: Tank",
        kTankChannels,
        std::size(kTankChannels),
        {{At(2024, 2, 19), At(2024, 2, 23, 14)}, {At(2024, 2, 26, 9, 30), At(2024, 3, 4)}}});
    // Hourly for three months over the turn of the year and the leap day; off over Christmas
    // (days 2023-12-25 and 26 missing).
    plans.push_back(GroupPlan{
        network,
        4,
        3600,
        dataLog + network,
        kNetworkChannels,
        std::size(kNetworkChannels),
        {{At(2023, 12, 1, 8), At(2023, 12, 24, 18)}, {At(2023, 12, 27, 8), At(2024, 3, 5, 8)}}});
    // Daily for two and a half years; off for August 2023 (month folder missing).
    plans.push_back(
        GroupPlan{"Energy",
                  5,
                  86400,
                  "Data log: Energy",
                  kEnergyChannels,
                  std::size(kEnergyChannels),
                  {{At(2022, 6, 1), At(2023, 7, 27)}, {At(2023, 9, 4), At(2024, 12, 31)}}});
    // Every 15 days for six years; nothing in 2021 (year folder missing). Id 26 names its
    // folders "1A", so readers meet hex letters in paths.
    plans.push_back(GroupPlan{
        "Summary",
        26,
        1296000,
        "Data log: Summary",
        kSummaryChannels,
        std::size(kSummaryChannels),
        {{At(2019, 1, 1), At(2020, 12, 31)}, {At(2022, 1, 1), At(2024, 12, 31, 23, 59, 59)}}});
    return plans;
}

struct AlarmEvent {
    uint64_t second;    // seconds since 1601
    uint32_t sequence;  // order of creation, keeps equal seconds stable
    std::string values;
};

struct AlarmDef {
    uint32_t code;
    const char* text;
};

// Alarm texts as the panel stores them: ASCII, GBK or a mix.
const AlarmDef kAlarms[] = {
    {1001, "High temperature boiler 1"},
    {1002, "\xB9\xF8\xC2\xAF\xD2\xBB\xBA\xC5 \xD1\xB9\xC1\xA6\xB5\xCD"},  // 锅炉一号 压力低
    {1003, "Tank level high"},
    {1004, "\xC6\xFB\xB0\xFC\xD2\xBA\xCE\xBB\xB8\xDF"},  // 汽包液位高 (drum level high)
    {1005, "\xB6\xFE\xBA\xC5\xB1\xC3\xB9\xCA\xD5\xCF (P-102)"},  // 二号泵故障 (pump 2 fault)
    {1006, "Line1 \xC1\xF7\xC1\xBF\xB5\xCD"},                    // Line1 流量低 (flow low)
    {2001, "\xCD\xA8\xD1\xB6\xD6\xD0\xB6\xCF PLC2"},  // 通讯中断 PLC2 (communication lost)
    {2002, "Furnace \xCE\xC2\xB6\xC8\xB8\xDF"},       // Furnace 温度高 (temperature high)
};

uint64_t SecondsOf(const CalendarTime& t) {
    uint64_t at = 0;
    CalendarToFileTime(t, &at);
    return at / kFileTimeUnitsPerSecond;
}

// Times while the panel is off, as seconds since 1601 (end exclusive).
struct OffTimes {
    std::vector<std::pair<uint64_t, uint64_t>> spans;

    OffTimes() = default;
    explicit OffTimes(const std::vector<Span>& off) {
        for (const Span& span : off) {
            spans.emplace_back(SecondsOf(span.from), SecondsOf(span.to));
        }
    }
    // The end of the off span that holds t, or 0 when the panel is on at t.
    uint64_t Holding(uint64_t t) const {
        for (const auto& [from, to] : spans) {
            if (t >= from && t < to) {
                return to;
            }
        }
        return 0;
    }
    // Whether the panel is off at some second of from..to.
    bool Meets(uint64_t from, uint64_t to) const {
        for (const auto& [offFrom, offTo] : spans) {
            if (offFrom <= to && offTo > from) {
                return true;
            }
        }
        return false;
    }
};

// Appends one alarm record, unless it lies after `end` or while the panel is off.
void AddAlarmEvent(uint64_t second, const AlarmDef& def, const char* word, uint64_t end,
                   const OffTimes& off, std::vector<AlarmEvent>* events) {
    if (second <= end && off.Holding(second) == 0) {
        char values[160];
        std::snprintf(values, sizeof values, "%u,%s,%s", def.code, word, def.text);
        events->push_back(
            AlarmEvent{second, static_cast<uint32_t>(events->size()), std::string(values)});
    }
}

void SortAlarmEvents(std::vector<AlarmEvent>* events) {
    std::stable_sort(events->begin(), events->end(),
                     [](const AlarmEvent& a, const AlarmEvent& b) { return a.second < b.second; });
}

// Alarm events at irregular times from `from` to `to`, of the alarms defs[0..count): each alarm
// comes (ALM), is acknowledged (ACK) and goes (CLR); alarms sometimes come in bursts within the
// same second or two, else 120 s to 120 + spread s apart. While the panel is off nothing is
// recorded. Events are appended to *events, not sorted.
void MakeAlarmEvents(const CalendarTime& from, const CalendarTime& to, const OffTimes& off,
                     uint32_t seed, uint32_t spread, const AlarmDef* defs, size_t count,
                     std::vector<AlarmEvent>* events) {
    const uint64_t start = SecondsOf(from);
    const uint64_t end = SecondsOf(to);
    Rng rng(StreamSeed(seed, 0x8000u));
    for (uint64_t t = start; t <= end;) {
        if (const uint64_t on = off.Holding(t); on != 0) {
            t = on;
            continue;
        }
        const AlarmDef& def = defs[rng.Below(static_cast<uint32_t>(count))];
        const uint64_t ack = t + 10 + rng.Below(600);
        const uint64_t clear = ack + 1 + rng.Below(3000);
        AddAlarmEvent(t, def, "ALM", end, off, events);
        AddAlarmEvent(ack, def, "ACK", end, off, events);
        AddAlarmEvent(clear, def, "CLR", end, off, events);
        t += rng.Below(6) == 0 ? rng.Below(3) : 120 + rng.Below(spread);
    }
}

// The same over the span of one off period, sorted by time: the alarm log of the demo.
std::vector<AlarmEvent> MakeAlarmEvents(const CalendarTime& from, const CalendarTime& to,
                                        const Span& off, uint32_t seed, uint32_t spread = 5400) {
    std::vector<AlarmEvent> events;
    MakeAlarmEvents(from, to, OffTimes({off}), seed, spread, kAlarms, std::size(kAlarms), &events);
    SortAlarmEvents(&events);
    return events;
}

bool WriteAlarmGroup(const std::string& folder, const GroupPlan& plan,
                     const std::vector<AlarmEvent>& events, std::string* error) {
    RecordWriter writer(folder, plan.id, plan.interval, plan.firstHeader, "ID,Event,Message");
    for (const AlarmEvent& e : events) {
        CalendarTime t;
        FileTimeToCalendar(e.second * kFileTimeUnitsPerSecond, &t);
        if (!writer.Append(t, e.values.c_str())) {
            writer.Close();
            return Fail(error,
                        "cannot write the alarm records under " + storefs::NativePath(folder));
        }
    }
    if (!writer.Close()) {
        return Fail(error, "cannot write the alarm records under " + storefs::NativePath(folder));
    }
    return true;
}

// The alarm group of the sample stores: 1-second records, so hour folders.
GroupPlan AlarmGroup() {
    return GroupPlan{"\xB1\xA8\xBE\xAF",  // 报警 (alarms)
                     1,
                     1,
                     "\xB1\xA8\xBE\xAF\xBC\xC7\xC2\xBC",  // 报警记录 (alarm log)
                     nullptr,
                     0,
                     {}};
}

bool WriteDemo(const std::string& outDir, uint32_t seed, std::string* error) {
    const std::string dl = outDir + "/DL\\";
    const std::string al = outDir + "/AL\\";
    const std::vector<GroupPlan> plans = DemoDataGroups();
    if (!MakeDataFolder(dl, error) || !WriteRoot(dl, plans, error)) {
        return false;
    }
    for (const GroupPlan& plan : plans) {
        if (!WriteDataGroup(dl, plan, seed, error)) {
            return false;
        }
    }
    // The alarm group records at the panel's smallest interval, 1 s: hour folders, and an hour
    // without alarms has no folder. The panel is off when the boiler group is.
    const GroupPlan alarms = AlarmGroup();
    return MakeDataFolder(al, error) && WriteRoot(al, {alarms}, error) &&
           WriteAlarmGroup(
               al, alarms,
               MakeAlarmEvents(At(2024, 2, 27, 6), At(2024, 3, 2, 18),
                               {At(2024, 2, 29, 3, 15), At(2024, 2, 29, 8, 45, 10)}, seed),
               error);
}

}  // namespace

// The last second of a bench range of `seconds` seconds from `from`.
static CalendarTime BenchEnd(const CalendarTime& from, uint32_t seconds) {
    uint64_t at = 0;
    CalendarToFileTime(from, &at);
    CalendarTime to;
    FileTimeToCalendar(at + (seconds - 1ULL) * kFileTimeUnitsPerSecond, &to);
    return to;
}

bool WriteBenchStore(const std::string& outDir, uint32_t seed, uint32_t seconds,
                     std::string* error) {
    if (seconds == 0) {
        return Fail(error, "no time range to write");
    }
    if (!PrepareRoot(outDir, error)) {
        return false;
    }
    const std::string dl = outDir + "/DL\\";
    const std::string al = outDir + "/AL\\";
    const CalendarTime from = At(2024, 1, 1);
    const CalendarTime to = BenchEnd(from, seconds);
    const std::vector<GroupPlan> plans{GroupPlan{
        "Bench", 1, 1, "Data log: Bench", kLineChannels, std::size(kLineChannels), {{from, to}}}};
    // The alarm log gets an empty root index: a store without groups.
    return MakeDataFolder(dl, error) && WriteRoot(dl, plans, error) &&
           WriteDataGroup(dl, plans[0], seed, error) && MakeDataFolder(al, error) &&
           WriteRoot(al, {}, error);
}

bool WriteBenchAlarms(const std::string& outDir, uint32_t seed, uint32_t seconds, uint32_t records,
                      std::string* error) {
    if (seconds == 0 || records < 3) {
        return Fail(error, "no time range or no alarms to write");
    }
    const std::string al = outDir + "/AL\\";
    const CalendarTime from = At(2024, 1, 1);
    const CalendarTime to = BenchEnd(from, seconds);
    // Three records an alarm; the gaps between alarms average 5/6 (120 + spread / 2) seconds.
    const double gap = 3.0 * seconds / records;
    const double spread = std::max(2.0, 2.0 * (gap * 6.0 / 5.0 - 120.0));
    // The panel is never off: the span of it lies after the range.
    const Span never{At(2100, 1, 1), At(2100, 1, 1)};
    const GroupPlan alarms = AlarmGroup();
    return MakeDataFolder(al, error) && WriteRoot(al, {alarms}, error) &&
           WriteAlarmGroup(al, alarms,
                           MakeAlarmEvents(from, to, never, seed, static_cast<uint32_t>(spread)),
                           error);
}

namespace {

// A channel of the year store: its plan, how it moves over months, how often it spikes (and
// the alarm a spike raises; code 0: none) and how often the panel cannot read it.
struct YearChannel {
    ChannelPlan plan;
    ChannelTrend trend;
    uint32_t spikesPerYear;
    int32_t spike;
    uint32_t faultsPerYear;
    AlarmDef alarm;
};

// A process line recorded every second: temperatures (°C), pressures (bar), flows (m3/h, steam
// kg/h), levels (%), pH, conductivity (uS/cm), a speed (rpm), a power (kW), a volume counter and
// two on/off states. Cooling water and the outdoor temperature follow the seasons, the filter's
// differential pressure climbs until its cleaning every six weeks, and the outdoor sensor drops
// out for a second or two several times a day.
const YearChannel kYearChannels[] = {
    // {tag, kind, decimals, low, high, daily swing, step, noise}, {season, fouling, cleaning
    // days}, spikes a year, spike, faults a year, alarm of a spike
    {{"TT101_Reactor", Kind::kAnalog, 2, 6000, 9500, 300, 3, 4},
     {400, 0, 0},
     4,
     1500,
     0,
     {3101, "TT101 reactor temperature high"}},
    {{"TT102_Jacket", Kind::kAnalog, 2, 4000, 8000, 500, 3, 4}, {600, 0, 0}, 0, 0, 0, {0, ""}},
    {{"TT103_CoolIn", Kind::kAnalog, 2, 300, 3200, 150, 2, 3}, {1000, 0, 0}, 0, 0, 0, {0, ""}},
    {{"TT104_CoolOut", Kind::kAnalog, 2, 800, 4200, 200, 2, 3}, {1000, 0, 0}, 0, 0, 0, {0, ""}},
    {{"TT105_Outdoor", Kind::kAnalog, 2, -2000, 4000, 500, 4, 6},
     {1400, 0, 0},
     0,
     0,
     2000,
     {0, ""}},
    {{"PT201_Header", Kind::kAnalog, 2, 300, 900, 40, 1, 2},
     {0, 0, 0},
     6,
     250,
     0,
     {3102, "PT201 header pressure high"}},
    {{"PT202_Pump", Kind::kAnalog, 2, 150, 650, 30, 1, 2}, {0, 0, 0}, 0, 0, 0, {0, ""}},
    {{"DPT203_Filter", Kind::kAnalog, 2, 20, 250, 5, 1, 1}, {0, 140, 42}, 0, 0, 0, {0, ""}},
    {{"FT301_Feed", Kind::kAnalog, 2, 1000, 12000, 1500, 10, 20},
     {0, 0, 0},
     8,
     4000,
     0,
     {3103, "FT301 feed flow high"}},
    {{"FT302_Return", Kind::kAnalog, 2, 500, 6000, 800, 8, 15}, {0, 0, 0}, 0, 0, 40, {0, ""}},
    {{"FT303_Steam", Kind::kAnalog, 2, 2000, 4000, 200, 5, 10}, {-500, 0, 0}, 0, 0, 0, {0, ""}},
    {{"LT401_Tank", Kind::kAnalog, 2, 1000, 9500, 1200, 6, 8}, {0, 0, 0}, 0, 0, 0, {0, ""}},
    {{"LT402_Buffer", Kind::kAnalog, 2, 3000, 8000, 600, 4, 6}, {0, 0, 0}, 0, 0, 20, {0, ""}},
    {{"AT501_pH", Kind::kAnalog, 2, 650, 850, 10, 1, 2},
     {0, 0, 0},
     3,
     -150,
     0,
     {3104, "AT501 pH low"}},
    {{"AT502_Cond", Kind::kAnalog, 0, 200, 900, 40, 2, 3}, {60, 0, 0}, 0, 0, 60, {0, ""}},
    {{"ST601_Speed", Kind::kAnalog, 0, 1400, 1500, 20, 1, 2}, {0, 0, 0}, 0, 0, 0, {0, ""}},
    {{"JT701_Power", Kind::kAnalog, 2, 8000, 25000, 2000, 30, 50}, {2500, 0, 0}, 0, 0, 0, {0, ""}},
    {{"FQ801_Total", Kind::kCounter, 0, 184000, 900, 0, 0, 0}, {0, 0, 0}, 0, 0, 0, {0, ""}},
    {{"P101_Run", Kind::kState, 0, 0, 0, 0, 0, 0}, {0, 0, 0}, 0, 0, 0, {0, ""}},
    {{"XV102_Open", Kind::kState, 0, 0, 0, 0, 0, 0}, {0, 0, 0}, 0, 0, 0, {0, ""}},
};

// Alarms of the year store that come at irregular times.
const AlarmDef kYearAlarms[] = {
    {3001, "P101 motor overload"},
    {3002,
     "\xC0\xE4\xC8\xB4\xCB\xAE\xCE\xC2\xB6\xC8\xB8\xDF TT103"},  // 冷却水温度高 (cooling water hot)
    {3003, "XV102 position fault"},
    {3004, "\xB6\xFE\xBA\xC5\xB1\xC3\xB9\xCA\xD5\xCF (P-102)"},  // 二号泵故障 (pump 2 fault)
    {3005, "UPS on battery"},
    {3006, "\xBF\xD5\xD1\xB9\xBB\xFA\xCD\xA3\xBB\xFA"},  // 空压机停机 (air compressor stopped)
    {3007, "Cabinet 3 door open"},
    {3008, "FT302 return flow low"},
};

// Alarms of switches that sit near their set point and chatter.
const AlarmDef kChatteringAlarms[] = {
    {3201, "LT401 tank level high"},
    {3202, "\xB5\xE7\xB5\xBC\xC2\xCA\xB8\xDF AT502"},  // 电导率高 (conductivity high)
};

// 通讯中断 (communication lost), followed by the tag of a channel the panel cannot read.
const char kCommunicationLost[] = "\xCD\xA8\xD1\xB6\xD6\xD0\xB6\xCF ";

constexpr uint32_t kYearSeconds = 31557600;

// When the year store's panel records; the last run goes on. It is off over New Year's night,
// for two and a half hours in May, and for a maintenance shutdown in August (days 13 and 14
// have no folders).
std::vector<Span> YearRuns() {
    return {{At(2024, 1, 1), At(2024, 1, 1, 21, 47, 12)},
            {At(2024, 1, 2, 2, 13, 40), At(2024, 5, 14, 10, 5, 59)},
            {At(2024, 5, 14, 12, 31, 5), At(2024, 8, 12, 5, 59, 59)},
            {At(2024, 8, 15, 18, 30), At(2200, 1, 1)}};
}

// The spikes and unreadable runs of the year's channels from `start` to `end` (seconds since
// 1601), each wholly while the panel records, in time order. Each kind of event of each channel
// draws from a stream of its own, forward in time, so a longer store holds the events of a
// shorter one.
std::vector<ChannelEvent> PlanYearEvents(uint32_t seed, uint64_t start, uint64_t end,
                                         const OffTimes& off) {
    std::vector<ChannelEvent> events;
    for (uint32_t i = 0; i < std::size(kYearChannels); ++i) {
        const YearChannel& c = kYearChannels[i];
        for (const bool fault : {false, true}) {
            const uint32_t perYear = fault ? c.faultsPerYear : c.spikesPerYear;
            if (perYear == 0) {
                continue;
            }
            Rng rng(StreamSeed(seed, 0x9000u + 2 * i + (fault ? 1 : 0)));
            const uint32_t meanGap = kYearSeconds / perYear;
            for (uint64_t t = start + rng.Below(2 * meanGap); t <= end;
                 t += 1 + rng.Below(2 * meanGap)) {
                // Most faults are a dropped reading or two; one in eight lasts minutes.
                const uint32_t duration = !fault              ? 20 + rng.Below(280)
                                          : rng.Below(8) == 0 ? 60 + rng.Below(840)
                                                              : 1 + rng.Below(3);
                if (!off.Meets(t, t + duration)) {
                    events.push_back(ChannelEvent{t, duration, i, fault ? 0 : c.spike});
                }
            }
        }
    }
    std::stable_sort(
        events.begin(), events.end(),
        [](const ChannelEvent& a, const ChannelEvent& b) { return a.second < b.second; });
    return events;
}

// The alarm log of the year store: irregular alarms (about 1,500 a year), chattering switches
// (an episode every nine days or so), and the alarms that the channels' spikes and long
// unreadable runs raise.
std::vector<AlarmEvent> YearAlarmEvents(uint32_t seed, const CalendarTime& from,
                                        const CalendarTime& to, const OffTimes& off,
                                        const std::vector<ChannelEvent>& channelEvents) {
    const uint64_t start = SecondsOf(from);
    const uint64_t end = SecondsOf(to);
    std::vector<AlarmEvent> events;
    MakeAlarmEvents(from, to, off, seed, 50000, kYearAlarms, std::size(kYearAlarms), &events);

    Rng chatter(StreamSeed(seed, 0x8100u));
    for (uint64_t t = start + chatter.Below(16 * 86400); t <= end;
         t += 2 * 86400 + chatter.Below(14 * 86400)) {
        const AlarmDef& def = kChatteringAlarms[chatter.Below(std::size(kChatteringAlarms))];
        const uint64_t ack = t + 20 + chatter.Below(300);
        uint64_t at = t;
        for (uint32_t n = 3 + chatter.Below(10); n > 0; --n) {
            AddAlarmEvent(at, def, "ALM", end, off, &events);
            at += 1 + chatter.Below(8);
            AddAlarmEvent(at, def, "CLR", end, off, &events);
            at += 2 + chatter.Below(30);
        }
        AddAlarmEvent(ack, def, "ACK", end, off, &events);
    }

    Rng raised(StreamSeed(seed, 0x8200u));
    for (const ChannelEvent& e : channelEvents) {
        const YearChannel& c = kYearChannels[e.channel];
        if (e.size != 0 && c.alarm.code != 0) {
            // The value crosses the limit a moment after the spike starts and falls back
            // below it about halfway down.
            const uint64_t alarm = e.second + 1 + raised.Below(4);
            AddAlarmEvent(alarm, c.alarm, "ALM", end, off, &events);
            AddAlarmEvent(alarm + 15 + raised.Below(400), c.alarm, "ACK", end, off, &events);
            AddAlarmEvent(std::max(alarm + 1, e.second + e.duration / 2), c.alarm, "CLR", end, off,
                          &events);
        } else if (e.size == 0 && e.duration >= 60) {
            const std::string text = kCommunicationLost + std::string(c.plan.name);
            const AlarmDef lost{3301, text.c_str()};
            const uint64_t alarm = e.second + 5;
            AddAlarmEvent(alarm, lost, "ALM", end, off, &events);
            AddAlarmEvent(alarm + 30 + raised.Below(600), lost, "ACK", end, off, &events);
            AddAlarmEvent(e.second + e.duration, lost, "CLR", end, off, &events);
        }
    }
    SortAlarmEvents(&events);
    return events;
}

}  // namespace

bool WriteYearStore(const std::string& outDir, uint32_t seed, uint32_t days, std::string* error) {
    if (days == 0 || days > kMaxYearDays) {
        return Fail(error, "the year store takes 1 to " + std::to_string(kMaxYearDays) + " days");
    }
    if (!PrepareRoot(outDir, error)) {
        return false;
    }
    const std::string dl = outDir + "/DL\\";
    const std::string al = outDir + "/AL\\";
    const CalendarTime from = At(2024, 1, 1);
    const CalendarTime to = BenchEnd(from, days * 86400);
    const uint64_t end = SecondsOf(to);
    // The runs cut to the days asked for; the times between the uncut runs are off.
    const std::vector<Span> runs = YearRuns();
    std::vector<Span> spans;
    OffTimes off;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (SecondsOf(runs[i].from) <= end) {
            spans.push_back(Span{runs[i].from, SecondsOf(runs[i].to) <= end ? runs[i].to : to});
        }
        if (i + 1 < runs.size()) {
            off.spans.emplace_back(SecondsOf(runs[i].to) + 1, SecondsOf(runs[i + 1].from));
        }
    }
    std::vector<ChannelPlan> channels;
    LongTerm longTerm;
    for (const YearChannel& c : kYearChannels) {
        channels.push_back(c.plan);
        longTerm.trends.push_back(c.trend);
    }
    longTerm.events = PlanYearEvents(seed, SecondsOf(from), end, off);
    const GroupPlan plan{"Year1s",        1,    1, "Data log: Year1s", channels.data(),
                         channels.size(), spans};
    const GroupPlan alarms = AlarmGroup();
    return MakeDataFolder(dl, error) && WriteRoot(dl, {plan}, error) &&
           WriteDataGroup(dl, plan, seed, error, &longTerm) && MakeDataFolder(al, error) &&
           WriteRoot(al, {alarms}, error) &&
           WriteAlarmGroup(al, alarms, YearAlarmEvents(seed, from, to, off, longTerm.events),
                           error);
}

bool WriteSampleStore(const std::string& outDir, const std::string& preset, uint32_t seed,
                      std::string* error) {
    if (preset == "bench") {
        return WriteBenchStore(outDir, seed, 31 * 86400, error) &&
               WriteBenchAlarms(outDir, seed, 31 * 86400, 20000, error);
    }
    if (preset == "year") {
        return WriteYearStore(outDir, seed, 365, error);
    }
    if (preset != "demo") {
        return Fail(error, "unknown preset \"" + preset + "\" (demo, bench or year)");
    }
    return PrepareRoot(outDir, error) && WriteDemo(outDir, seed, error);
}

bool WriteTreeStore(const std::string& outDir, uint32_t days, std::string* error) {
    if (days == 0) {
        return Fail(error, "no days to write");
    }
    if (!PrepareRoot(outDir, error)) {
        return false;
    }
    const std::string dl = outDir + "/DL\\";
    const std::string al = outDir + "/AL\\";
    if (!MakeDataFolder(dl, error) || !MakeDataFolder(al, error) || !WriteRoot(al, {}, error)) {
        return false;
    }
    RecordWriter writer(dl, 1, 1, "Data log: Tree", "a,b");
    uint64_t start = 0;
    CalendarToFileTime(At(2010, 1, 1), &start);
    for (uint64_t hour = 0; hour < uint64_t{days} * 24; ++hour) {
        CalendarTime t;
        FileTimeToCalendar(start + hour * 3600 * kFileTimeUnitsPerSecond, &t);
        if (!writer.Append(t, "1,2")) {
            return Fail(error, "cannot write the hourly folders under " + outDir);
        }
    }
    const RootIndexEntry group{"Tree", 1, 1};
    if (!writer.Close() || !WriteRootIndex(dl, &group, 1)) {
        return Fail(error, "cannot write the hourly folders under " + outDir);
    }
    return true;
}
