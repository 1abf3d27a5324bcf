#include "sample_store.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "calendar_time.h"
#include "file_system.h"
#include "record_writer.h"

namespace {

namespace fs = std::filesystem;

// Room left in a store path after the output folder: "/DL\" plus the longest file name a group
// gets ("1A\2019\12\31\23(FF).csv"), with some slack.
constexpr size_t kMaxOutDirLength = storefs::kMaxPath - 40;

// Most channels a group has here; bounds the record line buffer.
constexpr size_t kMaxChannels = 40;
constexpr size_t kLineBufferSize = kMaxChannels * 24 + 1;

// splitmix64: tiny, fast, and the same sequence everywhere (no std::rand, no clock).
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, n) for n > 0 (multiply-shift; its bias is far below anything visible here).
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(((Next() >> 32) * n) >> 32); }

    // Uniform in [-r, r].
    int32_t Spread(int32_t r) {
        return r <= 0 ? 0 : static_cast<int32_t>(Below(2u * static_cast<uint32_t>(r) + 1)) - r;
    }

  private:
    uint64_t state_;
};

// Each group draws from its own stream, so changing one group leaves the others' bytes alone.
uint64_t StreamSeed(uint32_t seed, uint32_t stream) {
    return (static_cast<uint64_t>(seed) << 32) ^ (stream * 0xD1B54A32D192ED03ULL);
}

enum class Kind : uint8_t {
    kAnalog,   // a process value: drifts, follows a daily cycle, carries noise
    kState,    // 0 or 1, flips now and then (pumps, valves, fans)
    kCounter,  // a total that only grows (energy, production count)
};

// One channel of a group. Analog values are in hundredths when decimals is 2 and in units when
// it is 0. A counter starts at `low` and grows by `high` per hour on average.
struct ChannelPlan {
    const char* name;
    Kind kind;
    int decimals;
    int32_t low;
    int32_t high;
    int32_t swing;  // amplitude of the daily cycle
    int32_t step;   // random-walk step per record
    int32_t noise;  // noise per record
};

char* FormatUnsigned(uint64_t v, char* p) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) {
        *p++ = digits[--n];
    }
    return p;
}

// Writes v as a decimal with `decimals` places (0 or 2) taken from its low digits: 2345 with
// 2 places is "23.45". Same text as printf's "%.2f" of v / 100.0, without its cost.
char* FormatFixed(int64_t v, int decimals, char* p) {
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    const uint64_t u = static_cast<uint64_t>(v);
    if (decimals == 0) {
        return FormatUnsigned(u, p);
    }
    p = FormatUnsigned(u / 100, p);
    *p++ = '.';
    *p++ = static_cast<char>('0' + u / 10 % 10);
    *p++ = static_cast<char>('0' + u % 10);
    return p;
}

// The value generator of one group: one state per channel, advanced once per record.
class ChannelModel {
  public:
    ChannelModel(const ChannelPlan* channels, size_t count, uint32_t interval, uint64_t seed)
        : channels_(channels, channels + count), rng_(seed), interval_(interval) {
        // The drift forgets its past over about an hour of records (at least 32 records), so a
        // one-second group wanders slowly and a daily group moves from record to record.
        reversion_ = interval >= 3600 / 32 ? 32 : static_cast<int64_t>(3600 / interval);
        state_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            Channel& c = state_[i];
            c.phase = rng_.Below(86400);
            c.on = rng_.Below(2) != 0;
            c.total = static_cast<uint64_t>(channels_[i].low < 0 ? 0 : channels_[i].low);
            // Expected growth per record in thousandths of a unit.
            c.milliPerRecord =
                static_cast<uint64_t>(channels_[i].high < 0 ? 0 : channels_[i].high) * interval *
                1000 / 3600;
        }
    }

    // Writes the comma-separated values of the next record, for a record taken secondOfDay
    // seconds after midnight, and a terminating NUL. Returns the text length.
    size_t Next(uint32_t secondOfDay, char* out) {
        char* p = out;
        for (size_t i = 0; i < channels_.size(); ++i) {
            if (i != 0) {
                *p++ = ',';
            }
            const ChannelPlan& s = channels_[i];
            Channel& c = state_[i];
            switch (s.kind) {
                case Kind::kAnalog:
                    p = FormatFixed(Analog(s, c, secondOfDay), s.decimals, p);
                    break;
                case Kind::kState:
                    // About one flip per half hour of running time, at most every other record.
                    if (rng_.Below(1800) < (interval_ < 900 ? interval_ : 900)) {
                        c.on = !c.on;
                    }
                    *p++ = c.on ? '1' : '0';
                    break;
                case Kind::kCounter:
                    c.milli += rng_.Below(static_cast<uint32_t>(
                        c.milliPerRecord * 2 + 1 < UINT32_MAX ? c.milliPerRecord * 2 + 1
                                                              : UINT32_MAX));
                    c.total += c.milli / 1000;
                    c.milli %= 1000;
                    p = FormatUnsigned(c.total, p);
                    break;
            }
        }
        *p = '\0';
        return static_cast<size_t>(p - out);
    }

  private:
    struct Channel {
        int64_t walk = 0;  // in 1/1024 of the channel's unit
        uint32_t phase = 0;
        bool on = false;
        uint64_t total = 0;
        uint64_t milli = 0;
        uint64_t milliPerRecord = 0;
    };

    int64_t Analog(const ChannelPlan& s, Channel& c, uint32_t secondOfDay) {
        // Slow drift: a random walk pulled back towards the middle of the range, kept in
        // 1/1024 units so that the pull works on small values too.
        c.walk += static_cast<int64_t>(rng_.Spread(s.step)) * 1024;
        c.walk -= c.walk / reversion_;
        // Daily cycle: a triangle wave, lowest and highest twelve hours apart.
        const int64_t t = (secondOfDay + c.phase) % 86400;
        const int64_t wave = (t > 43200 ? t - 43200 : 43200 - t) * 2 - 43200;  // -43200..43200
        int64_t v = (static_cast<int64_t>(s.low) + s.high) / 2 + s.swing * wave / 43200 +
                    c.walk / 1024 + rng_.Spread(s.noise);
        return std::clamp<int64_t>(v, s.low, s.high);
    }

    std::vector<ChannelPlan> channels_;
    std::vector<Channel> state_;
    Rng rng_;
    uint32_t interval_;
    int64_t reversion_ = 32;
};

// A run of records: one at `from`, then one every interval seconds up to `to` (inclusive).
// Between runs the panel was switched off.
struct Span {
    CalendarTime from;
    CalendarTime to;
};

struct GroupPlan {
    std::string name;  // bytes as the recorder writes them (GBK for Chinese names)
    uint32_t id;
    uint32_t interval;
    std::string firstHeader;
    const ChannelPlan* channels;
    size_t channelCount;
    std::vector<Span> spans;
};

CalendarTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return MakeCalendarTime(year, month, day, hour, minute, second);
}

std::string JoinNames(const ChannelPlan* channels, size_t count) {
    std::string names;
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) {
            names += ',';
        }
        names += channels[i].name;
    }
    return names;
}

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

// Writes all records of one data group under dataFolder.
bool WriteDataGroup(const std::string& dataFolder, const GroupPlan& plan, uint32_t seed,
                    std::string* error) {
    char where[64];
    std::snprintf(where, sizeof where, "group %u (folder %X)", plan.id, plan.id);
    if (plan.channelCount == 0 || plan.channelCount > kMaxChannels || plan.interval == 0) {
        return Fail(error, std::string("bad plan for ") + where);
    }
    RecordWriter writer(dataFolder, plan.id, plan.interval, plan.firstHeader,
                        JoinNames(plan.channels, plan.channelCount));
    ChannelModel model(plan.channels, plan.channelCount, plan.interval, StreamSeed(seed, plan.id));
    const uint64_t step = plan.interval * kFileTimeUnitsPerSecond;
    char line[kLineBufferSize];
    for (const Span& span : plan.spans) {
        uint64_t from = 0;
        uint64_t to = 0;
        if (!CalendarToFileTime(span.from, &from) || !CalendarToFileTime(span.to, &to)) {
            return Fail(error, std::string("bad time span for ") + where);
        }
        for (uint64_t at = from; at <= to; at += step) {
            CalendarTime t;
            FileTimeToCalendar(at, &t);
            const uint64_t seconds = at / kFileTimeUnitsPerSecond;
            model.Next(static_cast<uint32_t>(seconds % 86400), line);
            if (!writer.Append(t, line)) {
                writer.Close();
                return Fail(error, std::string("cannot write the records of ") + where + " under " +
                                       storefs::NativePath(dataFolder));
            }
        }
    }
    if (!writer.Close()) {
        return Fail(error, std::string("cannot write the records of ") + where + " under " +
                               storefs::NativePath(dataFolder));
    }
    return true;
}

// Makes outDir a folder that holds no DL or AL tree, leaving everything else in it alone.
// Names are matched without regard to ASCII case because the store's file access does the same:
// a stale "dl" tree would otherwise receive the new folders next to its old ones.
bool PrepareRoot(const std::string& outDir, std::string* error) {
    if (outDir.empty()) {
        return Fail(error, "no output folder given");
    }
    if (outDir.find('\\') != std::string::npos) {
        return Fail(error, "the output folder path must not contain a backslash: " + outDir);
    }
    if (outDir.size() > kMaxOutDirLength) {
        return Fail(error, "the output folder path is longer than " +
                               std::to_string(kMaxOutDirLength) + " bytes");
    }
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        return Fail(error, "cannot create the folder " + outDir);
    }
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(outDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        for (char& ch : name) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        if (name == "dl" || name == "al") {
            stale.push_back(it->path());
        }
    }
    if (ec) {
        return Fail(error, "cannot list the folder " + outDir + ": " + ec.message());
    }
    for (const fs::path& p : stale) {
        fs::remove_all(p, ec);
        if (ec) {
            return Fail(error, "cannot remove " + p.string() + ": " + ec.message());
        }
    }
    return true;
}

bool MakeDataFolder(const std::string& folder, std::string* error) {
    if (!storefs::MakeFolders(folder)) {
        return Fail(error, "cannot create the folder " + storefs::NativePath(folder));
    }
    return true;
}

bool WriteRoot(const std::string& folder, const std::vector<GroupPlan>& plans, std::string* error) {
    std::vector<RootIndexEntry> entries;
    for (const GroupPlan& plan : plans) {
        entries.push_back(RootIndexEntry{plan.name, plan.id, plan.interval});
    }
    if (!WriteRootIndex(folder, entries.data(), entries.size())) {
        return Fail(error, "cannot write the root index in " + storefs::NativePath(folder));
    }
    return true;
}

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
// (ACK) and goes (CLR); alarms sometimes come in bursts within the same second or two. While
// the panel is off (`off`, end exclusive) nothing is recorded.
std::vector<AlarmEvent> MakeAlarmEvents(const CalendarTime& from, const CalendarTime& to,
                                        const Span& off, uint32_t seed) {
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
        t += rng.Below(6) == 0 ? rng.Below(3) : 120 + rng.Below(5400);
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
    const GroupPlan alarms{"\xB1\xA8\xBE\xAF",  // 报警 (alarms)
                           1,
                           1,
                           "\xB1\xA8\xBE\xAF\xBC\xC7\xC2\xBC",  // 报警记录 (alarm log)
                           nullptr,
                           0,
                           {}};
    return MakeDataFolder(al, error) && WriteRoot(al, {alarms}, error) &&
           WriteAlarmGroup(
               al, alarms,
               MakeAlarmEvents(At(2024, 2, 27, 6), At(2024, 3, 2, 18),
                               {At(2024, 2, 29, 3, 15), At(2024, 2, 29, 8, 45, 10)}, seed),
               error);
}

}  // namespace

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
    uint64_t at = 0;
    CalendarToFileTime(from, &at);
    CalendarTime to;
    FileTimeToCalendar(at + (seconds - 1ULL) * kFileTimeUnitsPerSecond, &to);
    const std::vector<GroupPlan> plans{GroupPlan{
        "Bench", 1, 1, "Data log: Bench", kLineChannels, std::size(kLineChannels), {{from, to}}}};
    // The alarm log gets an empty root index: a store without groups.
    return MakeDataFolder(dl, error) && WriteRoot(dl, plans, error) &&
           WriteDataGroup(dl, plans[0], seed, error) && MakeDataFolder(al, error) &&
           WriteRoot(al, {}, error);
}

bool WriteSampleStore(const std::string& outDir, const std::string& preset, uint32_t seed,
                      std::string* error) {
    if (preset == "bench") {
        return WriteBenchStore(outDir, seed, 31 * 86400, error);
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
