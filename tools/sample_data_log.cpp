#include "sample_data_log.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "file_system.h"
#include "record_writer.h"

namespace samples {
namespace {

namespace fs = std::filesystem;

// Room left in a store path after the output folder: "/DL\" plus the longest file name a group
// gets ("1A\2019\12\31\23(FF).csv"), with some slack.
constexpr size_t kMaxOutDirLength = storefs::kMaxPath - 40;

// Most channels a group has here; bounds the record line buffer.
constexpr size_t kMaxChannels = 40;
constexpr size_t kLineBufferSize = kMaxChannels * 24 + 1;

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

// Length of the yearly cycle of ChannelTrend, in seconds (365.25 days).
constexpr int64_t kSeasonSeconds = 31557600;

uint64_t SecondsAt(const CalendarTime& t) {
    uint64_t at = 0;
    CalendarToFileTime(t, &at);
    return at / kFileTimeUnitsPerSecond;
}

// The value generator of one group: one state per channel, advanced once per record.
class ChannelModel {
  public:
    ChannelModel(const ChannelPlan* channels, size_t count, uint32_t interval, uint64_t seed,
                 const LongTerm* longTerm)
        : channels_(channels, channels + count),
          rng_(seed),
          interval_(interval),
          longTerm_(longTerm) {
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

    // Writes the comma-separated values of the next record, taken at `second` (seconds since
    // 1601), and a terminating NUL. Returns the text length.
    size_t Next(uint64_t second, char* out) {
        const uint32_t secondOfDay = static_cast<uint32_t>(second % 86400);
        if (longTerm_ != nullptr) {
            StartEvents(second);
        }
        char* p = out;
        for (size_t i = 0; i < channels_.size(); ++i) {
            if (i != 0) {
                *p++ = ',';
            }
            char* const cell = p;
            const ChannelPlan& s = channels_[i];
            Channel& c = state_[i];
            switch (s.kind) {
                case Kind::kAnalog: {
                    int64_t v =
                        Analog(s, c, secondOfDay,
                               longTerm_ != nullptr ? Trend(longTerm_->trends[i], second) : 0);
                    if (second < c.spikeUntil) {
                        v += c.spikeSize * static_cast<int64_t>(c.spikeUntil - second) /
                             static_cast<int64_t>(c.spikeUntil - c.spikeFrom);
                    }
                    p = FormatFixed(v, s.decimals, p);
                    break;
                }
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
            // The value was drawn all the same, so a fault leaves the values after it alone.
            if (second < c.unreadableUntil) {
                std::memcpy(cell, kUnreadableCell, sizeof kUnreadableCell - 1);
                p = cell + sizeof kUnreadableCell - 1;
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
        uint64_t spikeFrom = 0;
        uint64_t spikeUntil = 0;
        int64_t spikeSize = 0;
        uint64_t unreadableUntil = 0;
    };

    // Starts the events due by `second`; one that began while nothing was recorded is joined
    // where it stands.
    void StartEvents(uint64_t second) {
        const std::vector<ChannelEvent>& events = longTerm_->events;
        for (; nextEvent_ < events.size() && events[nextEvent_].second <= second; ++nextEvent_) {
            const ChannelEvent& e = events[nextEvent_];
            Channel& c = state_[e.channel];
            if (e.size == 0) {
                c.unreadableUntil = e.second + e.duration;
            } else {
                c.spikeFrom = e.second;
                c.spikeUntil = e.second + std::max<uint32_t>(e.duration, 1);
                c.spikeSize = e.size;
            }
        }
    }

    // The offset of a channel's middle at `second` from its yearly cycle and its fouling.
    int64_t Trend(const ChannelTrend& trend, uint64_t second) const {
        int64_t offset = 0;
        if (trend.season != 0) {
            // Distance d from the nearest mid-July peak, 0..H (H half a cycle); two parabolas
            // make a smooth wave from +1 at the peak to -1 in mid-January without floats.
            const uint64_t cycle = kSeasonSeconds;
            const auto p =
                static_cast<int64_t>((second % cycle + cycle - seasonPeak_ % cycle) % cycle);
            const int64_t h = kSeasonSeconds / 2;
            const int64_t d = std::min(p, kSeasonSeconds - p);
            const int64_t wave = d <= h / 2 ? h * h - 4 * d * d : 4 * (h - d) * (h - d) - h * h;
            offset += trend.season * (wave / (h * h / 65536)) / 65536;
        }
        if (trend.cleaningDays != 0) {
            const uint64_t cycle = uint64_t{trend.cleaningDays} * 86400;
            const auto q =
                static_cast<int64_t>((second % cycle + cycle - cleaned_ % cycle) % cycle);
            offset += trend.fouling * q / static_cast<int64_t>(cycle) - trend.fouling / 2;
        }
        return offset;
    }

    int64_t Analog(const ChannelPlan& s, Channel& c, uint32_t secondOfDay, int64_t offset) {
        // Slow drift: a random walk pulled back towards the middle of the range, kept in
        // 1/1024 units so that the pull works on small values too.
        c.walk += static_cast<int64_t>(rng_.Spread(s.step)) * 1024;
        c.walk -= c.walk / reversion_;
        // Daily cycle: a triangle wave, lowest and highest twelve hours apart.
        const int64_t t = (secondOfDay + c.phase) % 86400;
        const int64_t wave = (t > 43200 ? t - 43200 : 43200 - t) * 2 - 43200;  // -43200..43200
        int64_t v = (static_cast<int64_t>(s.low) + s.high) / 2 + offset + s.swing * wave / 43200 +
                    c.walk / 1024 + rng_.Spread(s.noise);
        return std::clamp<int64_t>(v, s.low, s.high);
    }

    std::vector<ChannelPlan> channels_;
    std::vector<Channel> state_;
    Rng rng_;
    uint32_t interval_;
    int64_t reversion_ = 32;
    const LongTerm* longTerm_;
    size_t nextEvent_ = 0;
    // The peak of the yearly cycle, and a cleaning of fouled channels (a Monday morning).
    const uint64_t seasonPeak_ = SecondsAt(At(2024, 7, 15, 12));
    const uint64_t cleaned_ = SecondsAt(At(2024, 1, 8, 8));
};

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

}  // namespace

CalendarTime At(int year, int month, int day, int hour, int minute, int second) {
    return MakeCalendarTime(year, month, day, hour, minute, second);
}

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

bool WriteDataGroup(const std::string& dataFolder, const GroupPlan& plan, uint32_t seed,
                    std::string* error, const LongTerm* longTerm) {
    char where[64];
    std::snprintf(where, sizeof where, "group %u (folder %X)", plan.id, plan.id);
    if (plan.channelCount == 0 || plan.channelCount > kMaxChannels || plan.interval == 0) {
        return Fail(error, std::string("bad plan for ") + where);
    }
    if (longTerm != nullptr) {
        bool fits = longTerm->trends.size() == plan.channelCount;
        for (size_t i = 0; fits && i < longTerm->events.size(); ++i) {
            const ChannelEvent& e = longTerm->events[i];
            fits = e.channel < plan.channelCount &&
                   (i == 0 || longTerm->events[i - 1].second <= e.second);
        }
        if (!fits) {
            return Fail(error, std::string("bad long-term plan for ") + where);
        }
    }
    RecordWriter writer(dataFolder, plan.id, plan.interval, plan.firstHeader,
                        JoinNames(plan.channels, plan.channelCount));
    ChannelModel model(plan.channels, plan.channelCount, plan.interval, StreamSeed(seed, plan.id),
                       longTerm);
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
            model.Next(at / kFileTimeUnitsPerSecond, line);
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

bool PrepareRoot(const std::string& outDir, std::string* error) {
    if (outDir.empty()) {
        return Fail(error, "no output folder given");
    }
    // Store paths take "\\" for a separator; where the system takes it for a character of a
    // name (not on Windows), the folder could not be named.
    if (storefs::NativePath(outDir) != outDir) {
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

}  // namespace samples
