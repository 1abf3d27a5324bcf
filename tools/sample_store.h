// Writer of sample stores: complete data roots (DIR/DL and DIR/AL, each with its root index)
// used by the demo, the tests and the benchmarks. Output is deterministic for a preset and seed.
#pragma once

#include <cstdint>
#include <string>

// Presets:
//   "demo"  small and realistic: data groups with record intervals that give every partition
//           depth, Chinese group and channel names (GB18030 bytes), plausible process values,
//           spanning month and year boundaries and a leap day, with missing folders and gaps;
//           and an alarm group with alarm text records.
//   "bench" one 1-second group of 20 channels over 31 days, and an alarm group of about 20,000
//           records over the same days (WriteBenchAlarms).
//   "year"  WriteYearStore over 365 days: about 4 GB.
// Writes into outDir (created when missing). Existing DL and AL trees of outDir (their names
// matched without regard to ASCII case) are removed first; nothing else in outDir is touched.
// On failure returns false and says why in *error.
bool WriteSampleStore(const std::string& outDir, const std::string& preset, uint32_t seed,
                      std::string* error);

// The bench store cut to its first `seconds` seconds (from 2024-01-01 00:00:00), for tests
// that want bench-shaped data without writing the whole month. The "bench" preset is this
// with 31 days.
bool WriteBenchStore(const std::string& outDir, uint32_t seed, uint32_t seconds,
                     std::string* error);

// The alarm log of the bench store: the alarm group of the demo store, with about `records`
// ALM, ACK and CLR records at irregular times over the first `seconds` seconds from
// 2024-01-01 00:00:00, written in place of outDir's alarm log (its DL is left alone).
bool WriteBenchAlarms(const std::string& outDir, uint32_t seed, uint32_t seconds, uint32_t records,
                      std::string* error);

// A year of process data from 2024-01-01 00:00:00, cut to its first `days` days (1 to 3660): one
// 1-second group "Year1s" of 20 channels with drifts, daily and yearly cycles, noise, a few
// spikes, a filter that clogs between cleanings, a counter, two on/off states, and now and then a
// cell that the panel could not read ("####"); the panel is off over New Year's night
// (2024-01-01 21:47:13 to 2024-01-02 02:13:39), for a while on 2024-05-14 and from 2024-08-12 to
// 2024-08-15. Its alarm log (the alarm group of the demo store) holds irregular alarms,
// chattering ones and the alarms of the spikes, about 2,000 a year. A longer store starts
// with the same bytes as a shorter one: each folder of the shorter is in the longer unchanged.
constexpr uint32_t kMaxYearDays = 3660;
bool WriteYearStore(const std::string& outDir, uint32_t seed, uint32_t days, std::string* error);

// A store of one 1-second group "Tree" with one record in every hour from 2010-01-01 on, for
// `days` days: a tree of days * 24 deepest folders (3650 days give 87,600), for measuring how
// fast the trees fill.
bool WriteTreeStore(const std::string& outDir, uint32_t days, std::string* error);
