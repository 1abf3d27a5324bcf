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
using samples::ChannelPlan;
using samples::Fail;
using samples::GroupPlan;
using samples::Kind;
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

// Alarm events at irregular times from `from` to `to`: each alarm comes (ALM), is acknowledged
// (ACK) and goes (CLR); alarms sometimes come in bursts within the same second or two, else
// 120 s to 120 + spread s apart. While the panel is off (`off`, end exclusive) nothing is
// recorded.
std::vector<AlarmEvent> MakeAlarmEvents(const CalendarTime& from, const CalendarTime& to,
                                        const Span& off, uint32_t seed, uint32_t spread = 5400) {
    const uint64_t start = SecondsOf(from);
    const uint64_t end = SecondsOf(to);
    const uint64_t offFrom = SecondsOf(off.from);
    const uint64_t offTo = SecondsOf(off.to);
    Rng rng(StreamSeed(seed, 0x8000u));
    std::vector<AlarmEvent> events;
    uint32_t sequence = 0;
    char values[160];
    for (uint64_t t = start; t <= end;) {
        if (t >= offFrom && t < offTo) {
            t = offTo;
            continue;
        }
        const AlarmDef& def = kAlarms[rng.Below(std::size(kAlarms))];
        const uint64_t ack = t + 10 + rng.Below(600);
        const uint64_t clear = ack + 1 + rng.Below(3000);
        const uint64_t times[3] = {t, ack, clear};
        const char* words[3] = {"ALM", "ACK", "CLR"};
        for (int i = 0; i < 3; ++i) {
            if (times[i] <= end && (times[i] < offFrom || times[i] >= offTo)) {
                std::snprintf(values, sizeof values, "%u,%s,%s", def.code, words[i], def.text);
                events.push_back(AlarmEvent{times[i], sequence++, values});
            }
        }
        t += rng.Below(6) == 0 ? rng.Below(3) : 120 + rng.Below(spread);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const AlarmEvent& a, const AlarmEvent& b) { return a.second < b.second; });
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

bool WriteSampleStore(const std::string& outDir, const std::string& preset, uint32_t seed,
                      std::string* error) {
    if (preset == "bench") {
        return WriteBenchStore(outDir, seed, 31 * 86400, error) &&
               WriteBenchAlarms(outDir, seed, 31 * 86400, 20000, error);
    }
    if (preset != "demo") {
        return Fail(error, "unknown preset \"" + preset + "\" (demo or bench)");
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
