// The data-log side of the sample stores: deterministic channel values, the record files of
// one data group, and the folders and root indexes of a sample root.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calendar_time.h"

namespace samples {

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
inline uint64_t StreamSeed(uint32_t seed, uint32_t stream) {
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

// How a channel moves over months, on top of its plan: a yearly cycle of amplitude `season`
// (highest in mid-July, lowest in mid-January; a negative amplitude turns it over), and a climb
// of `fouling` over every `cleaningDays` days that drops back at once (a filter clogging until
// it is cleaned). Amounts are in the channel's stored units, as in ChannelPlan.
struct ChannelTrend {
    int32_t season;
    int32_t fouling;
    uint32_t cleaningDays;  // 0: no fouling
};

// Something that happens to one channel for a while: from `second` (seconds since 1601) for
// `duration` seconds, either a spike (size != 0: the value jumps by size and falls back in a
// straight line) or a run of cells the panel could not read (size 0: written as "####").
struct ChannelEvent {
    uint64_t second;
    uint32_t duration;
    uint32_t channel;
    int32_t size;
};

// The long-term shape of a group: one trend per channel, and its events in time order.
struct LongTerm {
    std::vector<ChannelTrend> trends;
    std::vector<ChannelEvent> events;
};

// The text of a cell the panel could not read.
constexpr char kUnreadableCell[] = "####";

CalendarTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Puts why into *error (when given) and returns false.
bool Fail(std::string* error, const std::string& why);

// Writes all records of one data group under dataFolder, shaped by longTerm when given (its
// trends one per channel of the plan).
bool WriteDataGroup(const std::string& dataFolder, const GroupPlan& plan, uint32_t seed,
                    std::string* error, const LongTerm* longTerm = nullptr);

// Makes outDir a folder that holds no DL or AL tree, leaving everything else in it alone.
// Names are matched without regard to ASCII case because the store's file access does the same:
// a stale "dl" tree would otherwise receive the new folders next to its old ones.
bool PrepareRoot(const std::string& outDir, std::string* error);

// Creates the folder of one record kind of a root (folder ends in the store separator "\").
bool MakeDataFolder(const std::string& folder, std::string* error);

// Writes the root index of folder, listing the groups of plans.
bool WriteRoot(const std::string& folder, const std::vector<GroupPlan>& plans, std::string* error);

}  // namespace samples
